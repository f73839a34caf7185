// Internals shared by the number and the date formatting.
#pragma once

#include <string>
#include <string_view>

#include "host/decimal.h"
#include "host/variant.h"

namespace vmbgrid::fmt {

// A non-negative decimal number as significant digits and the position of the
// decimal point: 1234.5 is {"12345", 4}, 0.05 is {"5", -1}, zero is {"", 0}.
struct Decimal {
  std::string digits;
  int point = 0;
  bool negative = false;
  bool IsZero() const { return digits.empty(); }
};

Decimal FromDouble(double v, bool single = false);
Decimal FromExact(const vmbgrid::Decimal& v);
Decimal FromInteger(int64_t v);
// Rounds half away from zero to the given number of fraction digits.
void Round(Decimal& d, int fractionDigits);
std::string IntegerPart(const Decimal& d);
std::string FractionPart(const Decimal& d, int count);
// Groups an integer digit string with "." every three digits.
std::string Group(const std::string& digits);
// Shortest text of the number with a decimal comma ("1234,5", "1E+20").
std::string GeneralNumber(const Decimal& d);

// Dates. `pattern` is a date pattern ("dd.mm.yyyy", "hh:mm"); `serial` an automation date.
std::string FormatDatePattern(double serial, std::string_view pattern);
std::string GeneralDate(double serial);
// True when the pattern's unquoted characters contain date or time tokens and no
// digit placeholder.
bool IsDatePattern(std::string_view pattern);

}  // namespace vmbgrid::fmt
