// Decimal: an exact decimal number as business schemas store money and amounts
// (DECIMAL(12,2), numeric, money). A whole number of at most 38 digits and a scale,
// the number of those digits after the point: 1500.50 is 150050 with scale 2, and
// keeps its scale. Arithmetic never rounds through a binary double; what does not
// fit in 38 digits is refused (false), never cut.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vmbgrid {

__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 UInt128;

class Decimal {
 public:
  static constexpr int kMaxDigits = 38;

  Decimal() = default;
  // A whole number, scale 0.
  static Decimal FromInteger(int64_t v);
  // units / 10^scale; false beyond 38 digits or a scale outside 0 to 38.
  static bool FromUnits(Int128 units, int scale, Decimal& out) { return Make(units, scale, out); }
  // Reads "-1500.50", "1500,50", "+.5", "1.5E3" (blanks around allowed; the point or
  // the comma is the decimal separator, no digit groups). Trailing zeros after the
  // point count: "1.50" has scale 2. False for text that is no such number or needs
  // more than 38 digits or a scale beyond 38.
  static bool Parse(std::string_view text, Decimal& out);
  // The shortest decimal text of the double, exactly (0.1 is 0.1); false for NaN,
  // infinities and values that need more than 38 digits.
  static bool FromDouble(double value, Decimal& out);

  int Scale() const { return scale_; }
  bool IsZero() const { return lo_ == 0 && hi_ == 0; }
  bool IsNegative() const { return hi_ < 0; }
  // The digits of the magnitude without sign or point ("150050"; "0" for zero).
  std::string Digits() const;
  // "1500.50" with the given separator; the scale's digits are always written.
  std::string ToText(char point = '.') const;
  // The nearest double.
  double ToDouble() const;
  // Rounded half to even to a whole number; false when it does not fit 64 bits.
  bool ToInteger(int64_t& out) const;

  // The same value with a larger scale (1500.5 as 1500.50); false when the digits
  // would exceed 38. A smaller scale than the value's own is refused too: nothing
  // is rounded away.
  bool WithScale(int scale, Decimal& out) const;
  // a + b exactly, with the larger scale; false on overflow of 38 digits.
  static bool Add(const Decimal& a, const Decimal& b, Decimal& out);
  // -1, 0, 1 by value; 1.5 equals 1.50.
  static int Compare(const Decimal& a, const Decimal& b);
  friend bool operator==(const Decimal& a, const Decimal& b) { return Compare(a, b) == 0; }

 private:
  Int128 Units() const;
  static bool Make(Int128 units, int scale, Decimal& out);

  // Two halves instead of one 128-bit member, so that values align on 8 bytes and
  // fit beside the other alternatives of a Variant without growing it.
  uint64_t lo_ = 0;
  int64_t hi_ = 0;
  int32_t scale_ = 0;
};

}  // namespace vmbgrid
