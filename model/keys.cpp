#include "model/keys.h"

#include <unicode/unistr.h>

#include "host/error.h"

namespace vmbgrid {

std::string FoldKey(std::string_view key) {
  bool ascii = true;
  for (char c : key)
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  std::string out;
  if (ascii) {
    // Plain names are the common case and fold to lower case without ICU.
    out.reserve(key.size());
    for (char c : key) out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    return out;
  }
  icu::UnicodeString u =
      icu::UnicodeString::fromUTF8(icu::StringPiece(key.data(), static_cast<int32_t>(key.size())));
  // Malformed text would fold to replacement characters, making distinct keys
  // equal; such keys are kept as they are.
  if (u.indexOf(static_cast<UChar>(0xFFFD)) >= 0 &&
      key.find("\xEF\xBF\xBD") == std::string_view::npos)
    return std::string(key);
  u.foldCase();
  u.toUTF8String(out);
  return out;
}

namespace model_detail {

void ThrowDuplicateKey() {
  throw VMError(errc::kKeyAlreadyExists, "VMBGrid",
                "Dieser Schlüssel ist bereits einem Element dieser Auflistung zugeordnet.");
}
void ThrowAbsentKey() {
  throw VMError(errc::kInvalidProcedureCall, "VMBGrid",
                "Ungültiger Prozeduraufruf oder ungültiges Argument.");
}
void ThrowOutOfRange() {
  throw VMError(errc::kSubscriptOutOfRange, "VMBGrid", "Index außerhalb des gültigen Bereichs.");
}

}  // namespace model_detail
}  // namespace vmbgrid
