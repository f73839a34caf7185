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

// A boolean search value as a 32-bit integer: a number (rounded half to even, as
// automation conversions do) or "True"/"False"/"Wahr"/"Falsch" in any letter case.
std::optional<int32_t> BooleanNumber(std::string_view text);

// 8-4-4-4-12 hexadecimal digits, optionally enclosed in braces.
bool IsGuid(std::string_view text);

}  // namespace vmbgrid::search::detail
