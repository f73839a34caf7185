// Validation and canonical forms of the literals the criteria language writes
// without quotes (numbers, booleans) or checks before quoting (GUIDs).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vmbgrid::search::detail {

// A number as it is written into a statement: parsed, then printed, so that the
// result holds only digits, a sign, a point and an exponent. Accepts an optional
// sign, digits with an optional fraction (".5" and "5." too) and an optional
// exponent; nothing else, no blanks, no infinities. Integers within 64 bits keep
// every digit; others are printed in the shortest form that reads back the same.
std::optional<std::string> CanonicalNumber(std::string_view text);

// A decimal number written exactly as typed, for columns that hold decimals exactly
// (currency, decimal, numeric) or compare in their own precision (single): optional
// sign, digits with an optional fraction and an optional exponent, nothing else.
// The result keeps every digit typed, never passing through a binary double; the
// sign "+", leading zeros, trailing zeros of the fraction and the exponent (applied
// by moving the point) are dropped: "+007.50" gives "7.5", "-1,5e2" is not a number
// here (the comma is turned into a point before), "-1.5e2" gives "-150".
std::optional<std::string> ExactDecimal(std::string_view text);

// A boolean search value as a 32-bit integer: a number (rounded half to even, as
// automation conversions do) or "True"/"False"/"Wahr"/"Falsch" in any letter case.
std::optional<int32_t> BooleanNumber(std::string_view text);

// 8-4-4-4-12 hexadecimal digits, optionally enclosed in braces.
bool IsGuid(std::string_view text);

}  // namespace vmbgrid::search::detail
