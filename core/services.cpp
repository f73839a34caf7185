// Core services: error collection, type names, pictures, colours and send mode.
#include "core/services.h"

#include <charconv>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "host/error.h"
#include "host/platform.h"

namespace vmbgrid::core {

// ---- Error collection --------------------------------------------------------------

ErrorCollection& ErrorCollection::Instance() {
  static ErrorCollection collection;
  return collection;
}

void ErrorCollection::Clear() { entries_.clear(); }

void ErrorCollection::TakeOver(const Connection& connection) {
  for (const ProviderError& e : connection.Errors())
    Add(kMessageError, e.number, e.source, e.description);
}

void ErrorCollection::TakeOver(const Connection* connection) {
  if (connection) TakeOver(*connection);
}

size_t ErrorCollection::Add(int kind, int32_t number, const std::string& source,
                            const std::string& description) {
  if (entries_.size() >= kMaxEntries)
    entries_.erase(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(
                                                            entries_.size() - kMaxEntries + 1));
  entries_.push_back(ErrorEntry{kind, number, source, description});
  return entries_.size() - 1;
}

const ErrorEntry& ErrorCollection::Item(size_t index) const {
  if (index >= entries_.size())
    throw VMError(errc::kSubscriptOutOfRange, "VMBGrid", "Index außerhalb des gültigen Bereichs.");
  return entries_[index];
}

void ErrorCollection::Report(size_t index) const {
  const ErrorEntry& e = Item(index);
  Platform::Messages().ShowMessage(e.description, e.kind);
}

size_t ErrorCollection::AddAndReport(int kind, int32_t number, const std::string& source,
                                     const std::string& description) {
  size_t i = Add(kind, number, source, description);
  Report(i);
  return i;
}

// ---- Type names ----------------------------------------------------------------------

bool IsNumberType(int32_t code) {
  switch (code) {
    case adSmallInt:
    case adInteger:
    case adSingle:
    case adDouble:
    case adCurrency:
    case adDecimal:
    case adTinyInt:
    case adUnsignedTinyInt:
    case adBigInt:
    case vmLongNumber:
    case adNumeric:
      return true;
    default:
      return false;
  }
}

std::string DataTypeName(int32_t code) {
  switch (code) {
    case adEmpty:
      return "Leer";
    case adSmallInt:
      return "Integer (16 Bit)";
    case adInteger:
      return "Long (32 Bit)";
    case adSingle:
      return "Gleitkommazahl (einfache Genauigkeit)";
    case adDouble:
      return "Gleitkommazahl (doppelte Genauigkeit)";
    case adCurrency:
      return "Währung";
    case adDate:
      return "Datum";
    case adBSTR:
      return "Text (BSTR)";
    case 9:
      return "Objekt (IDispatch)";
    case 10:
      return "Fehlercode";
    case adBoolean:
      return "Ja/Nein";
    case adVariant:
      return "Variant";
    case 13:
      return "Objekt (IUnknown)";
    case adDecimal:
      return "Dezimal";
    case adTinyInt:
      return "Integer (8 Bit)";
    case adUnsignedTinyInt:
      return "Byte (8 Bit, ohne Vorzeichen)";
    case 18:
      return "Integer (16 Bit, ohne Vorzeichen)";
    case 19:
      return "Long (32 Bit, ohne Vorzeichen)";
    case adBigInt:
      return "Integer (64 Bit)";
    case 21:
      return "Integer (64 Bit, ohne Vorzeichen)";
    case vmFormattedText:
      return "Formatierter Text";
    case vmLongNumber:
      return "Lange Zahl";
    case vmDateTime:
      return "Datum und Uhrzeit";
    case 64:
      return "Dateizeit";
    case adGUID:
      return "GUID";
    case adBinary:
      return "Binär";
    case adChar:
      return "Text (feste Länge)";
    case adWChar:
      return "Unicode-Text (feste Länge)";
    case adNumeric:
      return "Numerisch";
    case 132:
      return "Benutzerdefiniert";
    case adDBDate:
      return "Datum (DBDate)";
    case adDBTime:
      return "Uhrzeit";
    case adDBTimeStamp:
      return "Datum und Uhrzeit (Zeitstempel)";
    case 136:
      return "Kapitel";
    case 139:
      return "Numerisch (variabel)";
    case adVarChar:
      return "Text";
    case adLongVarChar:
      return "Memo";
    case adVarWChar:
      return "Unicode-Text";
    case adLongVarWChar:
      return "Unicode-Memo";
    case adVarBinary:
      return "Binär (variable Länge)";
    case adLongVarBinary:
      return "Langes Binärfeld";
    default:
      return "Unbekannter Typ (" + std::to_string(code) + ")";
  }
}

// ---- Pictures and colours ------------------------------------------------------------

Variant LoadPicture(int number) {
  switch (number) {
    case 265:  // active search
    case 266:  // no search
    case 294:  // sum row
      return Variant(static_cast<int32_t>(number));
    default:
      return Variant();
  }
}

uint32_t SystemColour(uint32_t code) {
  if ((code & 0x80000000u) == 0) return code & 0x00FFFFFFu;
  // The usual default scheme, as 0x00BBGGRR, by system colour index.
  static const uint32_t kScheme[] = {
      0x00C8C8C8,  // 0 scroll bar
      0x00000000,  // 1 desktop
      0x00D1B499,  // 2 active caption
      0x00DBCDBF,  // 3 inactive caption
      0x00F0F0F0,  // 4 menu
      0x00FFFFFF,  // 5 window background
      0x00646464,  // 6 window frame
      0x00000000,  // 7 menu text
      0x00000000,  // 8 window text
      0x00000000,  // 9 caption text
      0x00B4B4B4,  // 10 active border
      0x00FCF7F4,  // 11 inactive border
      0x00ABABAB,  // 12 application workspace
      0x00FF9933,  // 13 highlight
      0x00FFFFFF,  // 14 highlight text
      0x00F0F0F0,  // 15 button face
      0x00A0A0A0,  // 16 button shadow
      0x006D6D6D,  // 17 grey text
      0x00000000,  // 18 button text
      0x00544E43,  // 19 inactive caption text
      0x00FFFFFF,  // 20 button highlight
      0x00696969,  // 21 3D dark shadow
      0x00E3E3E3,  // 22 3D light
      0x00000000,  // 23 tooltip text
      0x00E1FFFF,  // 24 tooltip background
  };
  const uint32_t index = code & 0x7FFFFFFFu;
  if (index < sizeof kScheme / sizeof kScheme[0]) return kScheme[index];
  return 0x00000000;
}

uint32_t Colour(int number) {
  switch (number) {
    case 265:
      return 0x00C0FFFF;  // active search: light yellow
    case 266:
      return 0x00FFFFFF;  // no search: window background
    case 294:
      return SystemColour(0x80000018u);  // sum row: tooltip background
    default:
      return 0x00000000;
  }
}

// ---- Send mode -----------------------------------------------------------------------

namespace {

std::optional<int>& SendModeSlot() {
  static std::optional<int> mode;
  return mode;
}

int ReadSendModeFromEnvironment() {
  const char* text = std::getenv("VMBGRID_SENDMODE");
  if (!text) return 0;
  std::string_view s(text);
  int v = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  // Anything but a plain number keeps the default.
  return r.ec == std::errc() && r.ptr == s.data() + s.size() ? v : 0;
}

}  // namespace

int SendMode() {
  auto& mode = SendModeSlot();
  if (!mode) mode = ReadSendModeFromEnvironment();
  return *mode;
}

void SetSendModeForTesting(int mode) { SendModeSlot() = mode; }

}  // namespace vmbgrid::core
