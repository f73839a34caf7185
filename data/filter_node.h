// The compiled form of a filter expression, shared by its parser and evaluator.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
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
  const double whole = std::trunc(serial);
  return whole + std::fabs(serial - whole);
}

// A value of a single-precision column as single precision holds it; beyond its
// range (a double stored in SQLite) as it is.
inline double AsSingle(double d) {
  return std::fabs(d) <= std::numeric_limits<float>::max() ? static_cast<float>(d) : d;
}

inline std::string_view TrimBlanksRight(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// The part of a text cell (or literal) a criterion compares: fixed-length text
// without the blanks it is padded with, as SQL compares it ("Meier     " equals
// 'Meier'); a GUID without the braces some stores write around it, so that
// "{6F9619FF-…}" finds "6f9619ff-…" as PostgreSQL gives it, and the other way round.
inline std::string_view SearchedText(const Column& c, std::string_view s) {
  if (c.type == adChar || c.type == adWChar) return TrimBlanksRight(s);
  if (c.type == adGUID && s.size() == 38 && s.front() == '{' && s.back() == '}')
    return s.substr(1, 36);
  return s;
}

// A literal of a date or time column: ISO and German dates, the month/day/year form
// of #...# literals, and a time of day alone ("12:30:00", 30.12.1899 at that time).
bool ParseFilterDate(std::string_view text, DateValue& out);

}  // namespace vmbgrid::data
