// Server types to data-type codes, and the text form of values in both directions.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

#include "adapters/postgres/internal.h"
#include "host/variant.h"

namespace vmbgrid::postgres {

namespace {

// Type oids of the server catalogue (pg_type.dat); they are fixed.
enum : uint32_t {
  kBoolOid = 16,
  kByteaOid = 17,
  kCharOid = 18,
  kNameOid = 19,
  kInt8Oid = 20,
  kInt2Oid = 21,
  kInt4Oid = 23,
  kTextOid = 25,
  kOidOid = 26,
  kJsonOid = 114,
  kXmlOid = 142,
  kFloat4Oid = 700,
  kFloat8Oid = 701,
  kMoneyOid = 790,
  kBpcharOid = 1042,
  kVarcharOid = 1043,
  kDateOid = 1082,
  kTimeOid = 1083,
  kTimetzOid = 1266,
  kTimestampOid = 1114,
  kTimestamptzOid = 1184,
  kNumericOid = 1700,
  kUuidOid = 2950,
  kIntervalOid = 1186,
  kJsonbOid = 3802,
};

bool Digits(const char* p, int n, int& out) {
  int v = 0;
  for (int i = 0; i < n; ++i) {
    if (p[i] < '0' || p[i] > '9') return false;
    v = v * 10 + (p[i] - '0');
  }
  out = v;
  return true;
}

// "hh:mm[:ss[.ffffff]]" at p; the fraction of the day.
bool ParseTime(const char* p, int len, double& fraction, int& used) {
  int h, mi, s = 0;
  if (len < 5 || !Digits(p, 2, h) || p[2] != ':' || !Digits(p + 3, 2, mi)) return false;
  int i = 5;
  double frac = 0;
  if (i + 2 < len + 0 && p[i] == ':' && Digits(p + i + 1, 2, s)) {
    i += 3;
    if (i < len && p[i] == '.') {
      double scale = 0.1;
      for (++i; i < len && p[i] >= '0' && p[i] <= '9'; ++i, scale /= 10)
        frac += (p[i] - '0') * scale;
    }
  } else if (i + 2 == len && p[i] == ':' && Digits(p + i + 1, 2, s)) {
    i += 3;
  }
  // 24:00:00 ends a day in a time column but is no time of one: handed over as
  // its text rather than shown as 00:00:00.
  if (h > 23 || mi > 59 || s > 60) return false;
  fraction = (h * 3600.0 + mi * 60.0 + s + frac) / 86400.0;
  used = i;
  return true;
}

// "yyyy-mm-dd[ hh:mm:ss[.f]][+hh[:mm]]" as an automation date; false for text the
// calendar has no place for ("infinity", "BC", years beyond 9999).
bool ParseDateTime(const char* p, int len, double& serial) {
  int y, mo, d;
  if (len < 10 || !Digits(p, 4, y) || p[4] != '-' || !Digits(p + 5, 2, mo) || p[7] != '-' ||
      !Digits(p + 8, 2, d))
    return false;
  if (!IsValidDate(y, mo, d) || y < 100) return false;
  double time = 0;
  int i = 10;
  if (i < len && (p[i] == ' ' || p[i] == 'T')) {
    int used = 0;
    if (!ParseTime(p + i + 1, len - i - 1, time, used)) return false;
    i += 1 + used;
    // A zone offset of timestamptz: the value is shown in the session's zone already.
    if (i < len && (p[i] == '+' || p[i] == '-')) {
      ++i;
      while (i < len && ((p[i] >= '0' && p[i] <= '9') || p[i] == ':')) ++i;
    }
  }
  if (i != len) return false;
  const double days = MakeDate(y, mo, d).serial;
  serial = days >= 0 ? days + time : days - time;
  return true;
}

void PutNumberOrText(data::ResultSink& sink, int col, const char* v, int len, bool integer) {
  if (integer) {
    int64_t n = 0;
    auto r = std::from_chars(v, v + len, n);
    if (r.ec == std::errc() && r.ptr == v + len) {
      sink.PutInteger(col, n);
      return;
    }
  } else {
    double d = 0;
    auto r = std::from_chars(v, v + len, d);
    if (r.ec == std::errc() && r.ptr == v + len) {
      sink.PutDouble(col, d);
      return;
    }
    if (std::strcmp(v, "NaN") == 0 || std::strcmp(v, "Infinity") == 0 ||
        std::strcmp(v, "-Infinity") == 0) {
      sink.PutText(col, std::string_view(v, static_cast<size_t>(len)));
      return;
    }
  }
  sink.PutText(col, std::string_view(v, static_cast<size_t>(len)));
}

// numeric: exactly from the server's text; NaN and the infinities (numeric has
// them since PostgreSQL 14) as the doubles they are, so that a cell and a total
// show them alike; digits beyond 38 as text, never rounded.
void PutNumeric(data::ResultSink& sink, int col, std::string_view text) {
  Decimal d;
  if (Decimal::Parse(text, d)) {
    sink.PutDecimal(col, d);
  } else if (text == "NaN") {
    sink.PutDouble(col, std::numeric_limits<double>::quiet_NaN());
  } else if (text == "Infinity" || text == "-Infinity") {
    sink.PutDouble(col, text[0] == '-' ? -std::numeric_limits<double>::infinity()
                                       : std::numeric_limits<double>::infinity());
  } else {
    sink.PutText(col, text);
  }
}

// An ISO 8601 duration (intervalstyle iso_8601: "P1Y2M3DT4H5M6.5S", "PT-1H-30M") in
// German words and a time of day: "1 Jahr 2 Monate 3 Tage 04:05:06,5"; "00:00:00"
// for nothing. False for text of another form.
bool GermanInterval(std::string_view t, std::string& out) {
  if (t.empty() || t[0] != 'P') return false;
  size_t p = 1;
  bool inTime = false;
  long long years = 0, months = 0, days = 0;
  long double seconds = 0;  // hours, minutes and seconds together, with their signs
  bool anyTime = false;
  while (p < t.size()) {
    if (t[p] == 'T') {
      inTime = true;
      ++p;
      continue;
    }
    const size_t start = p;
    if (t[p] == '-' || t[p] == '+') ++p;
    while (p < t.size() && ((t[p] >= '0' && t[p] <= '9') || t[p] == '.')) ++p;
    if (p == start || p >= t.size()) return false;
    const std::string number(t.substr(start, p - start));
    char* end = nullptr;
    const long double value = std::strtold(number.c_str(), &end);
    if (end != number.c_str() + number.size()) return false;
    const char unit = t[p++];
    const bool whole = number.find('.') == std::string::npos;
    if (!inTime && whole && unit == 'Y') {
      years += static_cast<long long>(value);
    } else if (!inTime && whole && unit == 'M') {
      months += static_cast<long long>(value);
    } else if (!inTime && whole && unit == 'D') {
      days += static_cast<long long>(value);
    } else if (inTime && (unit == 'H' || unit == 'M' || unit == 'S')) {
      seconds += value * (unit == 'H' ? 3600 : unit == 'M' ? 60 : 1);
      anyTime = true;
    } else {
      return false;
    }
  }
  out.clear();
  auto part = [&out](long long n, const char* one, const char* many) {
    if (n == 0) return;
    if (!out.empty()) out += ' ';
    out += std::to_string(n) + ' ' + (n == 1 || n == -1 ? one : many);
  };
  part(years, "Jahr", "Jahre");
  part(months, "Monat", "Monate");
  part(days, "Tag", "Tage");
  if ((anyTime && seconds != 0) || out.empty()) {
    const bool negative = seconds < 0;
    long double rest = negative ? -seconds : seconds;
    const long long whole = static_cast<long long>(rest);
    const long long micros = std::llround(static_cast<double>((rest - whole) * 1e6));
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%02lld:%02lld:%02lld", negative ? "-" : "", whole / 3600,
                  whole / 60 % 60, whole % 60);
    std::string time = buf;
    if (micros > 0) {
      std::snprintf(buf, sizeof buf, ",%06lld", micros);
      std::string fraction = buf;
      while (fraction.back() == '0') fraction.pop_back();
      time += fraction;
    }
    if (!out.empty()) out += ' ';
    out += time;
  }
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

ColumnType MapServerType(uint32_t oid, int typmod) {
  switch (oid) {
    case kInt2Oid:
      return {adSmallInt, 2};
    case kInt4Oid:
      return {adInteger, 4};
    case kInt8Oid:
    case kOidOid:
      return {adBigInt, 8};
    case kFloat4Oid:
      return {adSingle, 4};
    case kFloat8Oid:
      return {adDouble, 8};
    case kNumericOid: {
      // typmod = ((precision << 16) | scale) + 4; -1 without a declared precision.
      // The scale is an 11-bit signed number (numeric(5,-2) rounds to hundreds).
      if (typmod < 4) return {adNumeric, 0, 0, 0};
      const int32_t precision = ((typmod - 4) >> 16) & 0xffff;
      const int32_t scale = (((typmod - 4) & 0x7ff) ^ 1024) - 1024;
      return {adNumeric, precision, precision, scale};
    }
    case kMoneyOid:
      return {adCurrency, 8, 19, 2};  // cents, as lc_monetary C writes them
    case kDateOid:
      return {adDate, 8};
    case kTimestampOid:
    case kTimestamptzOid:
      return {adDBTimeStamp, 16};
    case kTimeOid:
      return {adDBTime, 8};
    case kTimetzOid:
      return {adVarChar, 0};  // its text with the offset: a time alone cannot hold it
    case kBoolOid:
      return {adBoolean, 2};
    case kUuidOid:
      return {adGUID, 16};
    case kBpcharOid:
      return {adChar, typmod >= 4 ? typmod - 4 : 0};
    case kCharOid:
      return {adChar, 1};
    case kVarcharOid:
      return {adVarChar, typmod >= 4 ? typmod - 4 : 0};
    case kNameOid:
      return {adVarChar, 63};
    case kTextOid:
      return {adVarChar, 0};
    case kJsonOid:
    case kJsonbOid:
    case kXmlOid:
      return {adLongVarChar, 0};
    case kByteaOid:
      return {adLongVarBinary, 0};
    default:
      return {adVarChar, 0};  // enums, arrays, intervals...: their text form
  }
}

Kind KindOf(uint32_t oid) {
  switch (oid) {
    case kInt2Oid:
    case kInt4Oid:
    case kInt8Oid:
    case kOidOid:
      return Kind::kInteger;
    case kFloat4Oid:
    case kFloat8Oid:
      return Kind::kDouble;
    case kNumericOid:
      return Kind::kDecimal;
    case kIntervalOid:
      return Kind::kInterval;
    case kMoneyOid:
      return Kind::kMoney;
    case kDateOid:
      return Kind::kDate;
    case kTimestampOid:
    case kTimestamptzOid:
      return Kind::kTimestamp;
    case kTimeOid:
      return Kind::kTime;
    case kBoolOid:
      return Kind::kBool;
    case kUuidOid:
      return Kind::kGuid;
    case kByteaOid:
      return Kind::kBytes;
    default:
      return Kind::kText;
  }
}

void PutCell(data::ResultSink& sink, int col, Kind kind, const char* v, int len) {
  switch (kind) {
    case Kind::kInteger:
      PutNumberOrText(sink, col, v, len, true);
      return;
    case Kind::kDouble:
      PutNumberOrText(sink, col, v, len, false);
      return;
    case Kind::kDecimal:
      PutNumeric(sink, col, std::string_view(v, static_cast<size_t>(len)));
      return;
    case Kind::kMoney: {
      // lc_monetary is C on our sessions: "-1234.56" or "$1,234.56".
      std::string digits;
      for (int i = 0; i < len; ++i) {
        if ((v[i] >= '0' && v[i] <= '9') || v[i] == '.' || v[i] == '-') digits += v[i];
      }
      Decimal d;
      if (Decimal::Parse(digits, d)) {
        sink.PutDecimal(col, d);
      } else {
        sink.PutText(col, std::string_view(v, static_cast<size_t>(len)));
      }
      return;
    }
    case Kind::kInterval: {
      std::string german;
      if (GermanInterval(std::string_view(v, static_cast<size_t>(len)), german)) {
        sink.PutText(col, german);
      } else {
        sink.PutText(col, std::string_view(v, static_cast<size_t>(len)));
      }
      return;
    }
    case Kind::kDate:
    case Kind::kTimestamp: {
      double serial = 0;
      if (ParseDateTime(v, len, serial)) {
        sink.PutDate(col, serial);
      } else {
        sink.PutText(col, std::string_view(v, static_cast<size_t>(len)));
      }
      return;
    }
    case Kind::kTime: {
      double fraction = 0;
      int used = 0;
      if (ParseTime(v, len, fraction, used) && used == len) {
        sink.PutDate(col, fraction);
      } else {
        sink.PutText(col, std::string_view(v, static_cast<size_t>(len)));
      }
      return;
    }
    case Kind::kBool:
      sink.PutInteger(col, len > 0 && v[0] == 't' ? 1 : 0);
      return;
    case Kind::kGuid:
      // As stored and as psql shows it: lower case, without braces.
      sink.PutText(col, std::string_view(v, static_cast<size_t>(len)));
      return;
    case Kind::kBytes: {
      // Hex output ("\x0a1b"), the server's default since 9.0.
      if (len >= 2 && v[0] == '\\' && v[1] == 'x' && len % 2 == 0) {
        std::string bytes;
        bytes.reserve(static_cast<size_t>(len / 2));
        bool ok = true;
        for (int i = 2; i + 1 < len; i += 2) {
          const int hi = HexValue(v[i]), lo = HexValue(v[i + 1]);
          if (hi < 0 || lo < 0) {
            ok = false;
            break;
          }
          bytes += static_cast<char>(hi * 16 + lo);
        }
        if (ok) {
          sink.PutBlob(col, bytes);
          return;
        }
      }
      sink.PutBlob(col, std::string_view(v, static_cast<size_t>(len)));
      return;
    }
    case Kind::kText:
      sink.PutText(col, std::string_view(v, static_cast<size_t>(len)));
      return;
  }
}

bool ParameterText(const Parameter& p, std::string& out) {
  const Variant& v = p.value;
  switch (v.Type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Missing:
      return false;
    case VarType::Boolean:
      out = v.BoolRef() ? "true" : "false";
      return true;
    case VarType::Date: {
      const double serial = v.DoubleRef();
      double whole = std::trunc(serial);
      int64_t secs = std::llround(std::fabs(serial - whole) * 86400.0);
      if (secs >= 86400) {
        secs = 0;
        whole += serial >= 0 ? 1 : -1;
      }
      const DateParts d = SplitDate(DateValue{whole});
      char buf[48];
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day,
                    static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60),
                    static_cast<int>(secs % 60));
      out = buf;
      return true;
    }
    case VarType::Double:
    case VarType::Single: {
      char buf[64];
      auto r = std::to_chars(buf, buf + sizeof buf, v.ToDouble());
      out.assign(buf, r.ptr);
      return true;
    }
    case VarType::ByteArray: {
      // bytea in the hex form the server reads ("\x0a1b").
      static const char kHex[] = "0123456789abcdef";
      out = "\\x";
      for (unsigned char c : v.StringRef()) {
        out += kHex[c >> 4];
        out += kHex[c & 15];
      }
      return true;
    }
    default:
      out = v.ToText();
      return true;
  }
}

}  // namespace vmbgrid::postgres
