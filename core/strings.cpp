#include "core/strings.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <array>
#include <charconv>
#include <cstdio>
#include <ctime>

#include "host/error.h"
#include "host/sql_text.h"

namespace vmbgrid::core {

namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

[[noreturn]] void ThrowNoDate(std::string_view typed) {
  throw VMError(errc::kTypeMismatch, "VMBGrid",
                "Der Text '" + std::string(typed) + "' ist kein gültiges Datum.");
}

// Reads an unsigned number of 1..maxDigits digits at pos; false when there is none.
bool ReadNumber(std::string_view s, size_t& pos, size_t maxDigits, int& value, size_t& digits) {
  size_t start = pos;
  while (pos < s.size() && IsDigit(s[pos]) && pos - start < maxDigits) ++pos;
  digits = pos - start;
  if (digits == 0) return false;
  // Too many digits: the number goes on beyond what any field may hold.
  if (pos < s.size() && IsDigit(s[pos])) return false;
  value = 0;
  for (size_t i = start; i < pos; ++i) value = value * 10 + (s[i] - '0');
  return true;
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool ValidDay(int y, int m, int d) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  // Years 100 to 9999, the range of an automation date: the data source and the
  // in-memory filter read every date literal as one.
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  int last = kDays[static_cast<size_t>(m - 1)] + ((m == 2 && IsLeapYear(y)) ? 1 : 0);
  return d <= last;
}

int CurrentYear() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_year + 1900;
}

std::string TwoDigits(int v) {
  std::string s(2, '0');
  s[0] = static_cast<char>('0' + v / 10 % 10);
  s[1] = static_cast<char>('0' + v % 10);
  return s;
}

std::string FourDigits(int v) { return TwoDigits(v / 100) + TwoDigits(v % 100); }

// Parses "hh:mm" or "hh:mm:ss" covering the rest of s from pos.
bool ReadTime(std::string_view s, size_t pos, int& h, int& mi, int& sec) {
  size_t digits = 0;
  if (!ReadNumber(s, pos, 2, h, digits)) return false;
  if (pos >= s.size() || s[pos] != ':') return false;
  ++pos;
  if (!ReadNumber(s, pos, 2, mi, digits) || digits != 2) return false;
  sec = 0;
  if (pos < s.size() && s[pos] == ':') {
    ++pos;
    if (!ReadNumber(s, pos, 2, sec, digits) || digits != 2) return false;
  }
  return pos == s.size() && h <= 23 && mi <= 59 && sec <= 59;
}

// Number of bytes in the UTF-8 sequence starting with lead byte c (1 for bad bytes).
size_t Utf8Length(unsigned char c) {
  if (c >= 0xF0 && c <= 0xF4) return 4;
  if (c >= 0xE0) return c <= 0xEF ? 3 : 1;
  if (c >= 0xC2) return 2;
  return 1;
}

}  // namespace

std::string QuoteFieldName(std::string_view name) { return sql::QuoteName(name); }

bool IsValidUtf8(std::string_view s) {
  int32_t i = 0;
  const auto* p = reinterpret_cast<const uint8_t*>(s.data());
  const auto length = static_cast<int32_t>(s.size());
  if (s.size() > static_cast<size_t>(INT32_MAX)) return false;
  while (i < length) {
    UChar32 c = 0;
    U8_NEXT(p, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

size_t CharacterCount(std::string_view s) {
  size_t n = 0;
  for (char c : s)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

namespace {

std::string Hex(unsigned value, int digits, const char* prefix) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%s%0*x", prefix, digits, value);
  return buffer;
}

bool IsControl(UChar32 cp) {
  return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F) || (cp >= 0x202A && cp <= 0x202E) ||
         (cp >= 0x2066 && cp <= 0x2069);
}

}  // namespace

std::string Visible(std::string_view text) {
  // ICU counts in 32 bits; a longer text is shown in parts.
  constexpr size_t kPart = INT32_MAX;
  if (text.size() > kPart) return Visible(text.substr(0, kPart)) + Visible(text.substr(kPart));
  std::string out;
  out.reserve(text.size());
  const auto* p = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  for (int32_t i = 0; i < length;) {
    const int32_t start = i;
    UChar32 cp = 0;
    U8_NEXT(p, i, length, cp);
    if (cp < 0) {
      for (int32_t k = start; k < i; ++k) out += Hex(p[k], 2, "\\x");
    } else if (!IsControl(cp)) {
      out.append(text.substr(static_cast<size_t>(start), static_cast<size_t>(i - start)));
    } else if (cp == '\t') {
      out += "\\t";
    } else if (cp == '\n') {
      out += "\\n";
    } else if (cp == '\r') {
      out += "\\r";
    } else {
      out += cp < 0x80 ? Hex(static_cast<unsigned>(cp), 2, "\\x")
                       : Hex(static_cast<unsigned>(cp), 4, "\\u");
    }
  }
  return out;
}

NameFault CheckStoredName(std::string_view name, size_t maxCharacters) {
  if (name.empty()) return NameFault::kNone;
  if (!IsValidUtf8(name)) return NameFault::kInvalidUtf8;
  bool onlyBlanks = true;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return NameFault::kControlCharacter;
    if (c != ' ') onlyBlanks = false;
  }
  if (onlyBlanks) return NameFault::kBlank;
  if (CharacterCount(name) > maxCharacters) return NameFault::kTooLong;
  return NameFault::kNone;
}

std::string TranslateChars(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    size_t at = (static_cast<unsigned char>(c) < 0x80) ? from.find(c) : std::string_view::npos;
    if (at == std::string_view::npos) {
      out += c;
    } else if (at < to.size()) {
      out += to[at];
    }
    // else: no counterpart, the character is removed
  }
  return out;
}

std::vector<std::string> SplitList(std::string_view text, char delimiter) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t at = text.find(delimiter, start);
    if (at == std::string_view::npos) {
      parts.push_back(Trim(text.substr(start)));
      break;
    }
    parts.push_back(Trim(text.substr(start, at - start)));
    start = at + 1;
  }
  return parts;
}

bool HasWildcards(std::string_view part, std::string_view quote, bool& numericWildcard) {
  bool found = part.find_first_of("*?") != std::string_view::npos;
  numericWildcard = found && quote.empty();
  return found;
}

OperatorSplit SplitOperator(std::string_view part) {
  // Longer spellings first, so that ">=" is not read as ">" followed by "=5".
  struct Spelling {
    std::string_view typed;
    std::string_view op;
  };
  static constexpr std::array<Spelling, 9> kOperators = {{
      {">=", " >= "},
      {"=>", " >= "},
      {"<=", " <= "},
      {"=<", " <= "},
      {"<>", " <> "},
      {"!=", " <> "},
      {">", " > "},
      {"<", " < "},
      {"=", " = "},
  }};
  std::string trimmed = Trim(part);
  std::string_view view(trimmed);
  for (const auto& s : kOperators) {
    if (view.starts_with(s.typed)) {
      return {std::string(s.op), Trim(view.substr(s.typed.size()))};
    }
  }
  return {" = ", trimmed};
}

std::string ToSqlDate(std::string_view typed) {
  std::string text = Trim(typed);
  std::string_view s(text);
  int y = 0, m = 0, d = 0;
  size_t pos = 0, digits = 0;
  if (!ReadNumber(s, pos, 4, y, digits)) ThrowNoDate(typed);
  const bool iso = digits == 4 && pos < s.size() && s[pos] == '-';
  if (iso) {
    // ISO: yyyy-mm-dd
    ++pos;
    if (!ReadNumber(s, pos, 2, m, digits) || digits != 2) ThrowNoDate(typed);
    if (pos >= s.size() || s[pos] != '-') ThrowNoDate(typed);
    ++pos;
    if (!ReadNumber(s, pos, 2, d, digits) || digits != 2) ThrowNoDate(typed);
  } else {
    // German: d.m.[y]
    d = y;
    if (digits > 2 || pos >= s.size() || s[pos] != '.') ThrowNoDate(typed);
    ++pos;
    if (!ReadNumber(s, pos, 2, m, digits)) ThrowNoDate(typed);
    if (pos >= s.size() || s[pos] != '.') ThrowNoDate(typed);
    ++pos;
    if (pos < s.size() && IsDigit(s[pos])) {
      if (!ReadNumber(s, pos, 4, y, digits)) ThrowNoDate(typed);
      if (digits == 4) {
        // as typed
      } else if (digits <= 2) {
        y += (y < 30) ? 2000 : 1900;
      } else {
        ThrowNoDate(typed);
      }
    } else {
      y = CurrentYear();
    }
  }
  if (!ValidDay(y, m, d)) ThrowNoDate(typed);
  std::string out = FourDigits(y) + "-" + TwoDigits(m) + "-" + TwoDigits(d);
  if (pos == s.size()) return out;

  // A time follows after blanks (or the ISO "T").
  size_t timeStart = pos;
  if (iso && s[pos] == 'T') {
    ++timeStart;
  } else {
    while (timeStart < s.size() && (s[timeStart] == ' ' || s[timeStart] == '\t')) ++timeStart;
    if (timeStart == pos) ThrowNoDate(typed);
  }
  int h = 0, mi = 0, sec = 0;
  if (!ReadTime(s, timeStart, h, mi, sec)) ThrowNoDate(typed);
  return out + " " + TwoDigits(h) + ":" + TwoDigits(mi) + ":" + TwoDigits(sec);
}

std::string ToSqlTime(std::string_view typed) {
  const std::string text = Trim(typed);
  int h = 0, mi = 0, sec = 0;
  if (!ReadTime(text, 0, h, mi, sec)) {
    throw VMError(errc::kTypeMismatch, "VMBGrid",
                  "Der Text '" + sql::Excerpt(typed) + "' ist keine gültige Uhrzeit.");
  }
  return TwoDigits(h) + ":" + TwoDigits(mi) + ":" + TwoDigits(sec);
}

std::string UnformatSpecialText(std::string_view displayed) {
  std::string out;
  out.reserve(displayed.size());
  for (char c : displayed) {
    if (c != ' ') out += c;
  }
  return out;
}

std::string FormatSpecialText(std::string_view stored) {
  if (stored.find(' ') != std::string_view::npos) return std::string(stored);
  std::string out;
  out.reserve(stored.size() + stored.size() / 4);
  size_t chars = 0;
  for (size_t i = 0; i < stored.size();) {
    // Group by characters, not bytes, so that no UTF-8 sequence is cut.
    size_t len = Utf8Length(static_cast<unsigned char>(stored[i]));
    if (i + len > stored.size()) len = stored.size() - i;
    if (chars > 0 && chars % 4 == 0) out += ' ';
    out.append(stored.substr(i, len));
    i += len;
    ++chars;
  }
  return out;
}

std::string GetToken(std::string_view text, int n, char delimiter) {
  if (n < 1) return {};
  size_t start = 0;
  for (int i = 1; i < n; ++i) {
    size_t at = text.find(delimiter, start);
    if (at == std::string_view::npos) return {};
    start = at + 1;
  }
  size_t end = text.find(delimiter, start);
  return std::string(text.substr(start, end == std::string_view::npos ? text.npos : end - start));
}

std::string SettingsSection(std::string_view app, std::string_view form, std::string_view grid) {
  std::string out;
  out.reserve(app.size() + form.size() + grid.size() + 2);
  out.append(app).append("\\").append(form).append("\\").append(grid);
  return out;
}

std::string Trim(std::string_view text) {
  size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(kBlanks);
  return std::string(text.substr(first, last - first + 1));
}

std::string FoldCase(std::string_view text) {
  if (!IsValidUtf8(text)) {
    // ICU would turn every bad byte into U+FFFD and merge distinct texts.
    std::string out(text);
    for (char& c : out) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
  }
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  u.foldCase(U_FOLD_CASE_DEFAULT);
  std::string out;
  u.toUTF8String(out);
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a == b) return true;
  return FoldCase(a) == FoldCase(b);
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.starts_with(prefix); }

}  // namespace vmbgrid::core
