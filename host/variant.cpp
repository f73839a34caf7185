// Automation value conversions, dates as serials and the German-aware comparison.
#include "host/variant.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "host/error.h"

namespace vmbgrid {

namespace {

constexpr const char* kSource = "VMBGrid";

[[noreturn]] void ThrowTypeMismatch(const std::string& what) {
  throw VMError(errc::kTypeMismatch, kSource, "Typen unverträglich: " + what);
}
[[noreturn]] void ThrowOverflow(const std::string& what) {
  throw VMError(errc::kOverflow, kSource, "Überlauf: " + what);
}
[[noreturn]] void ThrowNull() {
  throw VMError(errc::kInvalidUseOfNull, kSource, "Unzulässige Verwendung von Null.");
}

bool IsBlankChar(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlankChar(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlankChar(s.back())) s.remove_suffix(1);
  return s;
}

bool EqualsAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Boolean words accepted in text, in English and German.
bool ParseBoolWord(std::string_view text, bool& out) {
  std::string_view t = Trim(text);
  if (EqualsAscii(t, "true") || EqualsAscii(t, "wahr")) {
    out = true;
    return true;
  }
  if (EqualsAscii(t, "false") || EqualsAscii(t, "falsch")) {
    out = false;
    return true;
  }
  return false;
}

// Text to a number: numeric text or a Boolean word (True = -1).
double TextToDouble(const std::string& s) {
  double d = 0;
  if (ParseNumber(s, d)) return d;
  bool b = false;
  if (ParseBoolWord(s, b)) return b ? -1.0 : 0.0;
  ThrowTypeMismatch("\"" + s + "\" ist keine Zahl.");
}

std::string FormatDouble(double d, bool single) {
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d > 0 ? "Inf" : "-Inf";
  if (d == 0) return "0";
  char buf[64];
  auto r = single ? std::to_chars(buf, buf + sizeof buf, static_cast<float>(d))
                  : std::to_chars(buf, buf + sizeof buf, d);
  std::string s(buf, r.ptr);
  for (char& c : s)
    if (c == 'e') c = 'E';
  return s;
}

double RoundHalfEven(double d) {
  double r = std::floor(d);
  double diff = d - r;
  if (diff > 0.5) return r + 1;
  if (diff < 0.5) return r;
  return std::fmod(r, 2.0) == 0 ? r : r + 1;
}

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

const int64_t kEpoch = DaysFromCivil(1899, 12, 30);

// Reads 1..maxDigits decimal digits at pos.
bool ReadInt(std::string_view s, size_t& pos, int maxDigits, int& out, int* digits = nullptr) {
  size_t start = pos;
  int v = 0;
  while (pos < s.size() && pos - start < static_cast<size_t>(maxDigits) && s[pos] >= '0' &&
         s[pos] <= '9') {
    v = v * 10 + (s[pos] - '0');
    ++pos;
  }
  if (pos == start) return false;
  if (digits) *digits = static_cast<int>(pos - start);
  out = v;
  return true;
}

// Optional time part " hh:mm[:ss]" after a date; rest must be empty afterwards.
bool ParseTimePart(std::string_view s, size_t pos, int& h, int& mi, int& sec) {
  h = mi = sec = 0;
  if (pos == s.size()) return true;
  if (s[pos] != ' ' && s[pos] != 'T') return false;
  while (pos < s.size() && (s[pos] == ' ' || s[pos] == 'T')) ++pos;
  if (!ReadInt(s, pos, 2, h)) return false;
  if (pos >= s.size() || s[pos] != ':') return false;
  ++pos;
  if (!ReadInt(s, pos, 2, mi)) return false;
  if (pos < s.size() && s[pos] == ':') {
    ++pos;
    if (!ReadInt(s, pos, 2, sec)) return false;
  }
  return pos == s.size() && h < 24 && mi < 60 && sec < 60;
}

// Rank of a value kind in the sort order: blanks first, then numbers, then text.
int Rank(const Variant& v) {
  switch (v.Type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Missing:
      return 0;
    case VarType::String:
    case VarType::ByteArray:
      return 2;
    default:
      return 1;
  }
}

int CompareText(const std::string& a, const std::string& b, bool ignoreCase) {
  if (!ignoreCase) {
    int c = a.compare(b);  // UTF-8 byte order is code point order
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  icu::UnicodeString ua = icu::UnicodeString::fromUTF8(a);
  icu::UnicodeString ub = icu::UnicodeString::fromUTF8(b);
  int8_t c = ua.caseCompare(ub, U_FOLD_CASE_DEFAULT | U_COMPARE_CODE_POINT_ORDER);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

double NumericValue(const Variant& v) {
  switch (v.Type()) {
    case VarType::Boolean:
      return v.BoolRef() ? -1.0 : 0.0;
    case VarType::Int16:
    case VarType::Int32:
    case VarType::Int64:
      return static_cast<double>(v.IntRef());
    case VarType::Currency:
    case VarType::Decimal:
      return v.DecimalRef().ToDouble();
    default:
      return v.DoubleRef();
  }
}

bool IsIntegerType(VarType t) {
  return t == VarType::Int16 || t == VarType::Int32 || t == VarType::Int64;
}

// Numbers that compare exactly with each other: whole numbers, Booleans and
// exact numbers; a double joins them when its shortest text is exact.
bool ExactValue(const Variant& v, Decimal& out) {
  switch (v.Type()) {
    case VarType::Int16:
    case VarType::Int32:
    case VarType::Int64:
      out = Decimal::FromInteger(v.IntRef());
      return true;
    case VarType::Boolean:
      out = Decimal::FromInteger(v.BoolRef() ? -1 : 0);
      return true;
    case VarType::Currency:
    case VarType::Decimal:
      out = v.DecimalRef();
      return true;
    case VarType::Single:
    case VarType::Double:
      return Decimal::FromDouble(v.DoubleRef(), out);
    default:
      return false;
  }
}

// Two numbers: exactly when one of them is exact and both can be, else as doubles.
int CompareNumbers(const Variant& a, const Variant& b) {
  if (IsIntegerType(a.Type()) && IsIntegerType(b.Type()))
    return a.IntRef() < b.IntRef() ? -1 : (a.IntRef() > b.IntRef() ? 1 : 0);
  Decimal x, y;
  if ((a.IsExact() || b.IsExact()) && ExactValue(a, x) && ExactValue(b, y))
    return Decimal::Compare(x, y);
  double p = NumericValue(a), q = NumericValue(b);
  return p < q ? -1 : (p > q ? 1 : 0);
}

}  // namespace

// ---- Dates -----------------------------------------------------------------------

bool IsValidDate(int year, int month, int day) {
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int max = kDays[month - 1];
  if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) max = 29;
  return day <= max;
}

DateValue MakeDate(int year, int month, int day, int hour, int minute, int second) {
  if (!IsValidDate(year, month, day) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
      second < 0 || second > 59) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d:%02d", day, month, year, hour, minute,
                  second);
    throw VMError(errc::kTypeMismatch, kSource, std::string("Ungültiges Datum: ") + buf);
  }
  double days = static_cast<double>(
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpoch);
  double time = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
  // Before the epoch the time fraction still counts forward from midnight.
  return DateValue{days >= 0 ? days + time : days - time};
}

DateParts SplitDate(DateValue d) {
  DateParts p;
  // 1.1.100 to 31.12.9999, the range of automation dates.
  if (!(d.serial > -657435.0 && d.serial < 2958466.0))
    ThrowOverflow("kein gültiges Datum (" + FormatDouble(d.serial, false) + ").");
  double whole = std::trunc(d.serial);
  double frac = std::fabs(d.serial - whole);
  int64_t days = static_cast<int64_t>(whole);
  // To the millisecond, which absorbs the binary noise of a serial (about a
  // microsecond), then whole seconds: 23:59:59.999 stays on its day rather than
  // rounding into the next one.
  int64_t ms = static_cast<int64_t>(std::llround(frac * 86400000.0));
  if (ms >= 86400000) {
    ms -= 86400000;
    days += 1;
  }
  const int64_t secs = ms / 1000;
  CivilFromDays(days + kEpoch, p.year, p.month, p.day);
  p.hour = static_cast<int>(secs / 3600);
  p.minute = static_cast<int>(secs / 60 % 60);
  p.second = static_cast<int>(secs % 60);
  return p;
}

bool ParseDate(std::string_view text, DateValue& out) {
  std::string_view s = Trim(text);
  int y = 0, m = 0, d = 0, h = 0, mi = 0, sec = 0;
  size_t pos = 0;
  int digits = 0;
  if (!ReadInt(s, pos, 4, d, &digits)) return false;
  if (pos < s.size() && s[pos] == '-' && digits == 4) {
    // ISO: yyyy-mm-dd
    y = d;
    ++pos;
    if (!ReadInt(s, pos, 2, m) || pos >= s.size() || s[pos] != '-') return false;
    ++pos;
    if (!ReadInt(s, pos, 2, d)) return false;
  } else if (pos < s.size() && s[pos] == '.' && digits <= 2) {
    // German: d.m.yy or d.m.yyyy
    ++pos;
    if (!ReadInt(s, pos, 2, m) || pos >= s.size() || s[pos] != '.') return false;
    ++pos;
    int ydigits = 0;
    if (!ReadInt(s, pos, 4, y, &ydigits)) return false;
    if (ydigits == 2) {
      y += y < 30 ? 2000 : 1900;
    } else if (ydigits != 4) {
      return false;
    }
  } else {
    return false;
  }
  if (!ParseTimePart(s, pos, h, mi, sec)) return false;
  if (!IsValidDate(y, m, d)) return false;
  out = MakeDate(y, m, d, h, mi, sec);
  return true;
}

std::string FormatIsoDate(DateValue d) {
  DateParts p = SplitDate(d);
  char buf[48];
  if (p.hour == 0 && p.minute == 0 && p.second == 0)
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", p.year, p.month, p.day);
  else
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                  p.minute, p.second);
  return buf;
}

std::string FormatIsoMoment(DateValue d, MomentColumn column) {
  std::string text = FormatIsoDate(d);
  if (column == MomentColumn::kTime) return text.size() > 11 ? text.substr(11) : "00:00:00";
  if (column == MomentColumn::kDateTime && text.size() == 10) text += " 00:00:00";
  return text;
}

// ---- Numbers -----------------------------------------------------------------------

bool ParseNumber(std::string_view text, double& out) {
  std::string_view s = Trim(text);
  if (s.empty()) return false;
  std::string buf;
  buf.reserve(s.size());
  bool dot = false, comma = false, digit = false, exp = false;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.') {
      if (dot || exp) return false;
      dot = true;
    } else if (c == ',') {
      if (comma || exp) return false;
      comma = true;
      c = '.';
    } else if (c == 'e' || c == 'E') {
      if (exp || !digit) return false;
      exp = true;
    } else if (c == '+' || c == '-') {
      // A sign belongs at the start or right after the exponent mark.
      if (i != 0 && !(s[i - 1] == 'e' || s[i - 1] == 'E')) return false;
      if (c == '+') continue;
    } else {
      return false;
    }
    buf.push_back(c);
  }
  if (!digit || (dot && comma)) return false;
  double v = 0;
  auto r = std::from_chars(buf.data(), buf.data() + buf.size(), v);
  if (r.ec != std::errc() || r.ptr != buf.data() + buf.size()) return false;
  out = v;
  return true;
}

// ---- Variant -----------------------------------------------------------------------

bool Variant::IsNumberType() const {
  switch (type_) {
    case VarType::Int16:
    case VarType::Int32:
    case VarType::Int64:
    case VarType::Single:
    case VarType::Double:
    case VarType::Currency:
    case VarType::Decimal:
    case VarType::Boolean:
      return true;
    default:
      return false;
  }
}

bool Variant::IsNumeric() const {
  if (IsNumberType() || type_ == VarType::Empty) return true;
  if (type_ == VarType::String) {
    double d;
    return ParseNumber(StringRef(), d);
  }
  return false;
}

bool Variant::IsBlank() const {
  switch (type_) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Missing:
      return true;
    case VarType::String:
      return Trim(StringRef()).empty();
    default:
      return false;
  }
}

std::string Variant::ToText() const {
  switch (type_) {
    case VarType::Empty:
    case VarType::Missing:
      return {};
    case VarType::Null:
      ThrowNull();
    case VarType::Boolean:
      return BoolRef() ? "True" : "False";
    case VarType::Int16:
    case VarType::Int32:
    case VarType::Int64:
      return std::to_string(IntRef());
    case VarType::Single:
      return FormatDouble(DoubleRef(), true);
    case VarType::Double:
      return FormatDouble(DoubleRef(), false);
    case VarType::Currency:
    case VarType::Decimal:
      return DecimalRef().ToText('.');
    case VarType::Date:
      return FormatIsoDate(DateValue{DoubleRef()});
    case VarType::String:
    case VarType::ByteArray:
      return StringRef();
  }
  return {};
}

std::string Variant::ToTextOrEmpty() const { return IsNull() ? std::string() : ToText(); }

double Variant::ToDouble() const {
  switch (type_) {
    case VarType::Empty:
      return 0;
    case VarType::Null:
      ThrowNull();
    case VarType::Missing:
      ThrowTypeMismatch("fehlendes Argument.");
    case VarType::String:
      return TextToDouble(StringRef());
    case VarType::ByteArray:
      ThrowTypeMismatch("Binärdaten sind keine Zahl.");
    default:
      return NumericValue(*this);
  }
}

int64_t Variant::ToInt64() const {
  if (IsIntegerType(type_)) return IntRef();
  if (IsExact()) {
    int64_t v = 0;
    if (!DecimalRef().ToInteger(v))
      ThrowOverflow(DecimalRef().ToText('.') + " passt nicht in eine ganze Zahl.");
    return v;
  }
  if (type_ == VarType::String) {
    // Whole numbers beyond double precision keep every digit.
    std::string_view t = Trim(StringRef());
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    int64_t v = 0;
    auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ec == std::errc() && r.ptr == t.data() + t.size() && !t.empty()) return v;
    if (r.ec == std::errc::result_out_of_range && r.ptr == t.data() + t.size())
      ThrowOverflow("\"" + StringRef() + "\" passt nicht in eine ganze Zahl.");
  }
  double d = ToDouble();
  double r = RoundHalfEven(d);
  if (std::isnan(r) || r < -9223372036854775808.0 || r >= 9223372036854775808.0)
    ThrowOverflow(FormatDouble(d, false) + " passt nicht in eine ganze Zahl.");
  return static_cast<int64_t>(r);
}

int32_t Variant::ToInt32() const {
  int64_t v = 0;
  if (IsIntegerType(type_) || type_ == VarType::String || IsExact()) {
    v = ToInt64();
  } else {
    double d = ToDouble();
    double r = RoundHalfEven(d);
    if (std::isnan(r) || r < -2147483648.0 || r > 2147483647.0)
      ThrowOverflow(FormatDouble(d, false) + " passt nicht in eine ganze Zahl.");
    v = static_cast<int64_t>(r);
  }
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
    ThrowOverflow(std::to_string(v) + " passt nicht in eine ganze Zahl.");
  return static_cast<int32_t>(v);
}

bool Variant::ToBool() const {
  switch (type_) {
    case VarType::Empty:
      return false;
    case VarType::Null:
      ThrowNull();
    case VarType::Missing:
      ThrowTypeMismatch("fehlendes Argument.");
    case VarType::Boolean:
      return BoolRef();
    case VarType::String: {
      bool b = false;
      if (ParseBoolWord(StringRef(), b)) return b;
      double d = 0;
      if (ParseNumber(StringRef(), d)) return d != 0;
      ThrowTypeMismatch("\"" + StringRef() + "\" ist kein Wahrheitswert.");
    }
    case VarType::Currency:
    case VarType::Decimal:
      return !DecimalRef().IsZero();
    case VarType::ByteArray:
      ThrowTypeMismatch("Binärdaten sind kein Wahrheitswert.");
    default:
      return NumericValue(*this) != 0;
  }
}

DateValue Variant::ToDate() const {
  switch (type_) {
    case VarType::Empty:
      return DateValue{0};
    case VarType::Null:
      ThrowNull();
    case VarType::Missing:
      ThrowTypeMismatch("fehlendes Argument.");
    case VarType::Date:
      return DateValue{DoubleRef()};
    case VarType::String: {
      DateValue d;
      if (ParseDate(StringRef(), d)) return d;
      double n = 0;
      if (ParseNumber(StringRef(), n)) {
        SplitDate(DateValue{n});
        return DateValue{n};
      }
      ThrowTypeMismatch("\"" + StringRef() + "\" ist kein Datum.");
    }
    case VarType::ByteArray:
      ThrowTypeMismatch("Binärdaten sind kein Datum.");
    default: {
      DateValue d{NumericValue(*this)};
      SplitDate(d);  // raises overflow outside the date range
      return d;
    }
  }
}

Decimal Variant::ToDecimal() const {
  Decimal d;
  switch (type_) {
    case VarType::Empty:
      return d;
    case VarType::Null:
      ThrowNull();
    case VarType::String: {
      if (Decimal::Parse(StringRef(), d)) return d;
      double n = 0;
      if (!ParseNumber(StringRef(), n))
        ThrowTypeMismatch("\"" + StringRef() + "\" ist keine Zahl.");
      break;
    }
    case VarType::Missing:
    case VarType::ByteArray:
      ThrowTypeMismatch("keine Zahl.");
    case VarType::Date:
      if (Decimal::FromDouble(DoubleRef(), d)) return d;
      break;
    default:
      if (ExactValue(*this, d)) return d;
      break;
  }
  ThrowOverflow(ToText() + " hat mehr als " + std::to_string(Decimal::kMaxDigits) + " Stellen.");
}

int Variant::Compare(const Variant& a, const Variant& b, bool ignoreCase) {
  int ra = Rank(a), rb = Rank(b);
  if (ra == 0 || rb == 0) return ra == rb ? 0 : (ra < rb ? -1 : 1);
  if (ra == 1 && rb == 1) return CompareNumbers(a, b);
  // At least one side is text: compare text forms.
  return CompareText(a.ToText(), b.ToText(), ignoreCase);
}

bool operator==(const Variant& a, const Variant& b) {
  if (a.IsNumberType() && b.IsNumberType()) {
    if (IsIntegerType(a.Type()) && IsIntegerType(b.Type())) return a.IntRef() == b.IntRef();
    auto nan = [](const Variant& v) {
      return (v.Type() == VarType::Double || v.Type() == VarType::Single) &&
             std::isnan(v.DoubleRef());
    };
    if (nan(a) || nan(b)) return false;
    return CompareNumbers(a, b) == 0;
  }
  if (a.Type() != b.Type()) return false;
  switch (a.Type()) {
    case VarType::Date:
      return a.DoubleRef() == b.DoubleRef();
    case VarType::String:
    case VarType::ByteArray:
      return a.StringRef() == b.StringRef();
    default:
      return true;  // Empty, Null, Missing
  }
}

}  // namespace vmbgrid
