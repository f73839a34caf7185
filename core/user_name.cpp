#include "core/user_name.h"

#include "core/strings.h"

namespace vmbgrid::core {

std::string UserNameProblem(const std::string& name) {
  switch (CheckStoredName(name, kMaxUserNameLength)) {
    case NameFault::kNone:
      return "";
    case NameFault::kInvalidUtf8:
      return "Der Benutzername enthält ungültige Zeichen.";
    case NameFault::kControlCharacter:
      return "Der Benutzername darf keine Steuerzeichen (Zeilenumbruch, Tabulator) enthalten.";
    case NameFault::kBlank:
      return "Der Benutzername darf nicht leer sein.";
    case NameFault::kTooLong:
      break;
  }
  return "Der Benutzername darf höchstens " + std::to_string(kMaxUserNameLength) +
         " Zeichen lang sein.";
}

std::string UserNameForFile(const std::string& name) {
  std::string out;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    out += (c == '/' || c == '\\' || u < 0x20 || u == 0x7f) ? '_' : c;
  }
  if (out.find_first_not_of('.') == std::string::npos) out = std::string(out.size(), '_');
  return out;
}

}  // namespace vmbgrid::core
