// Small text helpers of the front ends.
#pragma once

#include <string>
#include <string_view>

namespace vmbgrid {

// Comparison without regard to case by Unicode case folding ("Müller" = "MÜLLER").
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// ASCII-only lower case, for keywords such as format names.
std::string AsciiLower(std::string_view text);
// Blanks and tabs removed at both ends.
std::string TrimBlanks(std::string_view text);
// The text cut after maxCharacters UTF-8 characters, with "…" when something was
// cut off; a short text comes back as it is.
std::string CutText(std::string_view text, size_t maxCharacters);

}  // namespace vmbgrid
