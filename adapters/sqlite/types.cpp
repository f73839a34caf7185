// Declared column types to data-type codes, and the ISO date form of stored dates.
#include <cmath>
#include <cstdio>
#include <string>

#include "adapters/sqlite/internal.h"
#include "host/error.h"
#include "host/variant.h"

namespace vmbgrid::sqlite {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool Digits(std::string_view t, size_t pos, size_t n, int& out) {
  if (pos + n > t.size()) return false;
  int v = 0;
  for (size_t i = pos; i < pos + n; ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
    v = v * 10 + (t[i] - '0');
  }
  out = v;
  return true;
}

bool LeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && LeapYear(y) ? 29 : kDays[m - 1];
}

}  // namespace

ColumnType MapDeclaredType(std::string_view declared) {
  // Base name: upper case, blanks collapsed, the "(n)" or "(p,s)" part split off.
  std::string base;
  int32_t args[2] = {0, 0};
  bool negative[2] = {false, false};
  int arg = 0;
  bool inParens = false, lastBlank = false;
  for (char c : declared) {
    if (inParens) {
      if (c == ')') {
        inParens = false;
      } else if (c >= '0' && c <= '9' && arg < 2) {
        if (args[arg] < 100000000) args[arg] = args[arg] * 10 + (c - '0');
      } else if (c == '-' && arg < 2) {
        negative[arg] = true;
      } else if (c == ',') {
        ++arg;  // the scale of DECIMAL(p,s)
      }
      continue;
    }
    if (c == '(') {
      inParens = true;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (!base.empty()) lastBlank = true;
      continue;
    }
    if (lastBlank) base += ' ';
    lastBlank = false;
    base += Upper(c);
  }
  const int32_t size = negative[0] ? 0 : args[0];
  const int32_t scale = negative[1] ? -args[1] : args[1];

  struct Entry {
    const char* name;
    int32_t type;
    int32_t fixedSize;  // defined size of fixed-width types; -1 = from the declaration
  };
  static const Entry kTable[] = {
      {"INTEGER", adInteger, 4},
      {"INT", adInteger, 4},
      {"INT4", adInteger, 4},
      {"BIGINT", adBigInt, 8},
      {"INT8", adBigInt, 8},
      {"SMALLINT", adSmallInt, 2},
      {"INT2", adSmallInt, 2},
      {"TINYINT", adTinyInt, 1},
      {"REAL", adDouble, 8},
      {"DOUBLE", adDouble, 8},
      {"DOUBLE PRECISION", adDouble, 8},
      {"FLOAT", adDouble, 8},
      {"SINGLE", adSingle, 4},
      {"DECIMAL", adNumeric, -1},
      {"NUMERIC", adNumeric, -1},
      {"CURRENCY", adCurrency, 8},
      {"MONEY", adCurrency, 8},
      {"DATE", adDate, 8},
      {"DATETIME", adDBTimeStamp, 16},
      {"TIMESTAMP", adDBTimeStamp, 16},
      {"TIME", adDBTime, 8},
      {"BOOLEAN", adBoolean, 2},
      {"BOOL", adBoolean, 2},
      {"BIT", adBoolean, 2},
      {"CHAR", adChar, -1},
      {"CHARACTER", adChar, -1},
      {"NCHAR", adWChar, -1},
      {"VARCHAR", adVarChar, -1},
      {"CHARACTER VARYING", adVarChar, -1},
      {"TEXT", adVarChar, -1},
      {"NVARCHAR", adVarWChar, -1},
      {"CLOB", adLongVarChar, 0},
      {"MEMO", adLongVarChar, 0},
      {"LONGTEXT", adLongVarChar, 0},
      {"NTEXT", adLongVarWChar, 0},
      {"BLOB", adLongVarBinary, 0},
      {"GUID", adGUID, 16},
      {"UUID", adGUID, 16},
      {"UNIQUEIDENTIFIER", adGUID, 16},
  };
  for (const Entry& e : kTable) {
    if (base != e.name) continue;
    ColumnType t{e.type, e.fixedSize < 0 ? size : e.fixedSize};
    if (e.type == adNumeric) {
      // DECIMAL(p) has scale 0; without "(p,s)" each value keeps its own scale.
      t.precision = size;
      t.scale = size > 0 ? scale : 0;
    } else if (e.type == adCurrency) {
      t.precision = 19;  // the automation currency: 15 digits and 4 decimals
      t.scale = 4;
    }
    return t;
  }

  // Anything else by SQLite's own affinity rules, so that every column gets a type.
  auto has = [&](const char* part) { return base.find(part) != std::string::npos; };
  if (base.empty()) return ColumnType{adVarChar, 0};
  if (has("INT")) return ColumnType{adInteger, 4};
  if (has("CHAR") || has("CLOB") || has("TEXT")) return ColumnType{adVarChar, size};
  if (has("BLOB")) return ColumnType{adLongVarBinary, 0};
  if (has("REAL") || has("FLOA") || has("DOUB")) return ColumnType{adDouble, 8};
  return ColumnType{adNumeric, size, size, size > 0 ? scale : 0};
}

bool ParseStoredDate(std::string_view t, double& serial) {
  int y, mo, d;
  if (!Digits(t, 0, 4, y) || t.size() < 10 || t[4] != '-' || !Digits(t, 5, 2, mo) || t[7] != '-' ||
      !Digits(t, 8, 2, d))
    return false;
  if (mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo)) return false;
  int h = 0, mi = 0, s = 0, zone = 0;
  double frac = 0;
  size_t p = 10;
  if (p < t.size()) {
    if (t[p] != ' ' && t[p] != 'T') return false;
    if (!Digits(t, p + 1, 2, h) || p + 3 >= t.size() || t[p + 3] != ':' || !Digits(t, p + 4, 2, mi))
      return false;
    p += 6;
    if (p < t.size() && t[p] == ':') {
      if (!Digits(t, p + 1, 2, s)) return false;
      p += 3;
      if (p < t.size() && t[p] == '.') {
        double scale = 0.1;
        ++p;
        while (p < t.size() && t[p] >= '0' && t[p] <= '9') {
          frac += (t[p] - '0') * scale;
          scale /= 10;
          ++p;
        }
      }
    }
    // A zone ("Z", "+02:00") makes it the moment in UTC, as SQLite's datetime() reads it.
    if (!ParseZone(t.substr(p), zone)) return false;
    if (h > 23 || mi > 59 || s > 59) return false;
  }
  const double days = MakeDate(y, mo, d).serial;
  const double time = (h * 3600.0 + mi * 60.0 + s + frac) / 86400.0;
  // Before 1899-12-30 the time still counts forwards from the (negative) day.
  serial = days >= 0 ? days + time : days - time;
  if (zone != 0) {
    serial = FromMilliseconds(static_cast<int64_t>(days) * 86400000 +
                              (h * 3600 + mi * 60 + s - zone * 60) * int64_t{1000} +
                              std::llround(frac * 1000.0));
  }
  return true;
}

std::string FormatStoredDate(double serial) {
  if (!std::isfinite(serial)) return std::string();
  double whole = std::trunc(serial);
  double time = std::fabs(serial - whole);
  int64_t secs = std::llround(time * 86400.0);
  if (secs >= 86400) {  // rounding reached the next day
    secs = 0;
    whole += serial >= 0 ? 1 : -1;
  }
  DateParts day;
  try {
    day = SplitDate(DateValue{whole});
  } catch (const VMError&) {
    return std::string();  // outside the calendar the automation date covers
  }
  const int y = day.year, m = day.month, d = day.day;
  char buf[48];
  if (secs == 0) {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  } else {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d,
                  static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60),
                  static_cast<int>(secs % 60));
  }
  return buf;
}

}  // namespace vmbgrid::sqlite
