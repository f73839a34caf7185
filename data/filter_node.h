// The compiled form of a filter expression, shared by its parser and evaluator.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/row_store.h"
#include "data/text_rules.h"
#include "host/variant.h"

namespace vmbgrid::data {

enum class CmpOp : uint8_t { Eq, Ne, Lt, Le, Gt, Ge };

struct FilterNode {
  enum class Kind : uint8_t { And, Or, Compare, Like, IsNull };
  Kind kind = Kind::Compare;
  std::vector<std::unique_ptr<FilterNode>> children;  // And, Or

  // Leaves.
  int col = -1;
  CmpOp op = CmpOp::Eq;
  bool negate = false;  // Like, IsNull
  // The literal, in the forms the column's storage compares with.
  enum class Mode : uint8_t { Int, Double, Decimal, Truth, Text, Variant } mode = Mode::Double;
  int64_t lit64 = 0;
  double litNum = 0;
  Decimal litDec;         // the number literal exactly, for exact columns
  std::string litText;    // as written
  std::string litFolded;  // folded, for equality without regard to case
  Variant litVariant;
  std::unique_ptr<LikePattern> like;
};

// Automation dates count the time of a day before 30.12.1899 forwards from the
// negative day (-1.5 is 29.12.1899 12:00, later than -1.0); this is the order of
// the instants themselves.
inline double DateOrder(double serial) {
  const double whole = serial < 0 ? -static_cast<double>(static_cast<int64_t>(-serial))
                                  : static_cast<double>(static_cast<int64_t>(serial));
  const double time = serial - whole;
  return whole + (time < 0 ? -time : time);
}

// Fixed-length text pads its values with blanks; compared, they do not count, as in
// SQL ("Meier     " equals 'Meier').
inline bool IsFixedText(const Column& c) { return c.type == adChar || c.type == adWChar; }
inline std::string_view TrimBlanksRight(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// A literal of a date or time column: ISO and German dates, the month/day/year form
// of #...# literals, and a time of day alone ("12:30:00", 30.12.1899 at that time).
bool ParseFilterDate(std::string_view text, DateValue& out);

}  // namespace vmbgrid::data
