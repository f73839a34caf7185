#include "adapters/common/text_util.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace vmbgrid {

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a == b) return true;
  icu::UnicodeString ua = icu::UnicodeString::fromUTF8(icu::StringPiece(a.data(), a.size()));
  icu::UnicodeString ub = icu::UnicodeString::fromUTF8(icu::StringPiece(b.data(), b.size()));
  return ua.caseCompare(ub, U_FOLD_CASE_DEFAULT) == 0;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string TrimBlanks(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  return std::string(text.substr(b, e - b));
}

std::string CutText(std::string_view text, size_t maxCharacters) {
  if (text.size() <= maxCharacters) return std::string(text);  // no more characters than bytes
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // inside a character
    if (characters++ == maxCharacters) return std::string(text.substr(0, i)) + "\u2026";
  }
  return std::string(text);
}

}  // namespace vmbgrid
