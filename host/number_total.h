// Totals as the sum line shows them: whole and exact numbers add up exactly (a
// bigint column beyond 2^53, 0,10 + 0,20 in a decimal column), doubles as doubles.
// A total that does not fit is an overflow, never an infinity that no cell shows.
#pragma once

#include <cstdint>
#include <string>

#include "host/decimal.h"
#include "host/variant.h"

namespace vmbgrid {

class NumberTotal {
 public:
  void AddInteger(int64_t v) { whole_ += v; }
  void AddExact(const Decimal& d);
  void AddDouble(double d);
  // A cell of any kind: numbers (Booleans count -1 and 0), text that is a number;
  // Null, dates, bytes and other text add nothing.
  void AddValue(const Variant& v);
  // Decimal when every number added was exact, else Double (NaN or an infinity when
  // a cell was one). Raises VMError errc::kOverflow when an exact total needs more
  // than 38 digits or finite doubles add up beyond the double range.
  Variant Result() const;

 private:
  Int128 whole_ = 0;  // 2^64 additions of 64-bit numbers stay within 2^127
  Decimal exact_;
  double inexact_ = 0.0;
  bool doubles_ = false;
  bool nonFinite_ = false;  // a cell was NaN or infinite
  bool overflow_ = false;
};

// The text of NaN and the infinities, the same in cells and in the sum line:
// "NaN", "∞", "-∞".
std::string NonFiniteText(double d);

}  // namespace vmbgrid
