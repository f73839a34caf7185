// Dates and times as SQLite holds them: ISO text, text in another form or with a
// zone, Julian days, Unix seconds, fractions of a day. One reading rule serves the
// row loop (what a cell shows) and the searches (what a criterion finds): a
// date-or-time column compared with a literal is read through VMDE_MOMENT, which
// gives the ISO text of the moment the cell shows, so that a number or zoned text
// compares with the literal as the moment it is, not as a number below every text.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "adapters/sqlite/internal.h"
#include "host/data_access.h"
#include "host/sql_text.h"
#include "host/variant.h"

namespace vmbgrid::sqlite {

namespace {

bool Digit(char c) { return c >= '0' && c <= '9'; }

// `count` digits at `from` as a number; false when they are not all there.
bool Number(std::string_view t, size_t from, size_t count, int& out) {
  if (from + count > t.size()) return false;
  out = 0;
  for (size_t i = from; i < from + count; ++i) {
    if (!Digit(t[i])) return false;
    out = out * 10 + (t[i] - '0');
  }
  return true;
}

// True when `t` has the digits and separators of `shape` ('9' a digit).
bool Shaped(std::string_view t, std::string_view shape) {
  if (t.size() != shape.size()) return false;
  for (size_t i = 0; i < t.size(); ++i) {
    if (shape[i] == '9' ? !Digit(t[i]) : t[i] != shape[i]) return false;
  }
  return true;
}

// Text already in the form the function would give: handed back untouched, which
// keeps the common case (the library's own ISO text) at the cost of a comparison.
bool AlreadyCanonical(std::string_view t, MomentColumn column) {
  switch (column) {
    case MomentColumn::kTime:
      return Shaped(t, "99:99:99");
    case MomentColumn::kDateTime:
      return Shaped(t, "9999-99-99 99:99:99");
    case MomentColumn::kDate:
      return Shaped(t, "9999-99-99") ||
             (Shaped(t, "9999-99-99 99:99:99") && t.substr(11) != "00:00:00");
  }
  return false;
}

// VMDE_MOMENT(value, column): the ISO text of the moment a date (0), date-and-time
// (1) or time (2) cell shows; a value the cell shows as it is stored (text that is
// no date, a number outside the calendar, bytes, Null) comes back unchanged.
void MomentFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  sqlite3_value* v = argv[0];
  const int storage = sqlite3_value_type(v);
  const int code = sqlite3_value_int(argv[1]);
  const MomentColumn column = code == 2   ? MomentColumn::kTime
                              : code == 1 ? MomentColumn::kDateTime
                                          : MomentColumn::kDate;
  double serial = 0;
  std::string_view text;
  if (storage == SQLITE_TEXT) {
    const unsigned char* p = sqlite3_value_text(v);
    if (!p) {
      sqlite3_result_error_nomem(ctx);
      return;
    }
    text = std::string_view(reinterpret_cast<const char*>(p),
                            static_cast<size_t>(sqlite3_value_bytes(v)));
    if (AlreadyCanonical(text, column)) {
      sqlite3_result_value(ctx, v);
      return;
    }
  }
  const bool read =
      (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT || storage == SQLITE_TEXT) &&
      ReadStoredMoment(storage, storage == SQLITE_TEXT ? 0 : sqlite3_value_double(v), text,
                       column == MomentColumn::kTime, serial);
  if (!read) {
    sqlite3_result_value(ctx, v);
    return;
  }
  const std::string out = FormatIsoMoment(DateValue{serial}, column);
  sqlite3_result_text(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

// An automation date as milliseconds since 1899-12-30 00:00 on a straight line
// (before that day the automation date's time counts forwards from a negative day).
// Numbers are read to the millisecond, as SQLite's date functions keep them, so that
// a Julian day made by arithmetic shows and compares as the second it names.
int64_t ToMilliseconds(double serial) {
  const double day = std::trunc(serial);
  const double linear = serial >= 0 ? serial : day + (day - serial);
  return std::llround(linear * 86400000.0);
}

}  // namespace

double FromMilliseconds(int64_t ms) {
  constexpr int64_t kDay = 86400000;
  const int64_t day = ms >= 0 ? ms / kDay : -((-ms + kDay - 1) / kDay);
  // The same quotient as "seconds / 86400.0" of a parsed time: equal moments read
  // from text and from numbers are equal doubles.
  const double time = static_cast<double>(ms - day * kDay) / 86400000.0;
  return day >= 0 ? static_cast<double>(day) + time : static_cast<double>(day) - time;
}

namespace {

// A name compared with a literal or matched by LIKE: where it stands in the text.
struct Operand {
  size_t start;
  size_t end;
  size_t literalEnd = 0;  // where the compared literal ends
};

// More different names than a search line has columns: the statement is no search,
// and stays as written.
constexpr size_t kMostNames = 200;

bool IsKeyword(std::string_view word) {
  for (std::string_view k :
       {"AND", "OR",   "NOT",    "WHERE",  "ON",      "SELECT", "WHEN", "THEN",    "ELSE", "CASE",
        "IS",  "NULL", "HAVING", "ESCAPE", "COLLATE", "LIKE",   "IN",   "BETWEEN", "FROM", "BY"}) {
    if (sql::KeywordAt(word, 0, k) && word.size() == k.size()) return true;
  }
  return false;
}

// The names of the first statement compared with a text literal (= <> != < <= > >=)
// or matched by [NOT] LIKE; a qualified name ("t"."c") counts as a whole.
std::vector<Operand> ComparedNames(std::string_view s, size_t end) {
  enum class State { kNone, kName, kDot, kOperator };
  State state = State::kNone;
  Operand name{0, 0};
  std::vector<Operand> found;
  size_t i = 0;
  while (i < end) {
    const char c = s[i];
    if (sql::IsBlank(c) || s.compare(i, 2, "--") == 0 || s.compare(i, 2, "/*") == 0) {
      i = sql::SkipBlanks(s, i);
    } else if (c == '\'') {
      const size_t j = sql::SkipQuoted(s, i);
      if (state == State::kOperator) found.push_back(Operand{name.start, name.end, j});
      state = State::kNone;
      i = j;
    } else if (sql::IsQuote(c) || (sql::IsIdentChar(c) && !Digit(c))) {
      const size_t j = sql::IsQuote(c) ? sql::SkipQuoted(s, i) : [&] {
        size_t k = i;
        while (k < end && sql::IsIdentChar(s[k])) ++k;
        return k;
      }();
      const std::string_view word = s.substr(i, j - i);
      if (state == State::kName && sql::KeywordAt(word, 0, "LIKE") && word.size() == 4) {
        state = State::kOperator;
      } else if (state == State::kName && sql::KeywordAt(word, 0, "NOT") && word.size() == 3) {
        // "x NOT LIKE": the name stays the operand.
      } else if (!sql::IsQuote(c) && IsKeyword(word)) {
        state = State::kNone;
      } else {
        if (state == State::kDot) {
          name.end = j;
        } else {
          name = Operand{i, j};
        }
        state = State::kName;
      }
      i = j;
    } else if (c == '.') {
      state = state == State::kName ? State::kDot : State::kNone;
      ++i;
    } else if (c == '=' || c == '<' || c == '>' || c == '!') {
      bool comparison = false;
      i = OperatorEnd(s, i, end, comparison);
      state = state == State::kName && comparison ? State::kOperator : State::kNone;
    } else {
      state = State::kNone;
      ++i;
    }
  }
  return found;
}

// Where the first top-level keyword of `words` starts (from `from`, before `end`);
// npos when there is none.
size_t TopLevelKeyword(std::string_view s, size_t from, size_t end,
                       std::initializer_list<std::string_view> words) {
  int depth = 0;
  size_t i = from;
  while (i < end) {
    const char c = s[i];
    if (sql::IsQuote(c)) {
      i = sql::SkipQuoted(s, i);
    } else if (s.compare(i, 2, "--") == 0 || s.compare(i, 2, "/*") == 0) {
      i = sql::SkipBlanks(s, i);
    } else if (c == '(' || c == ')') {
      depth += c == '(' ? 1 : -1;
      ++i;
    } else if (sql::IsIdentChar(c)) {
      size_t j = i;
      while (j < end && sql::IsIdentChar(s[j])) ++j;
      for (std::string_view w : words)
        if (depth == 0 && j - i == w.size() && sql::KeywordAt(s, i, w)) return i;
      i = j;
    } else {
      ++i;
    }
  }
  return std::string_view::npos;
}

// The moment column each operand names, asked of the engine: the operands become
// the result columns of the statement's own FROM (and the rest of it), prepared but
// never run, and their declared types say which are dates and times. -1 where the
// operand is no such column; false when the probe cannot be prepared.
bool MomentColumns(sqlite3* db, std::string_view s, size_t from, size_t end,
                   const std::vector<Operand>& operands, std::vector<int>& columns) {
  columns.assign(operands.size(), -1);
  std::string probe = "SELECT ";
  for (size_t k = 0; k < operands.size(); ++k) {
    if (k > 0) probe += ", ";
    probe.append(s.substr(operands[k].start, operands[k].end - operands[k].start));
  }
  probe += ' ';
  probe.append(s.substr(from, end - from));
  probe += " LIMIT 0";
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, probe.c_str(), static_cast<int>(probe.size()), &st, nullptr) !=
      SQLITE_OK) {
    sqlite3_finalize(st);
    return false;
  }
  StatementGuard guard{st};
  for (size_t k = 0; k < operands.size() && static_cast<int>(k) < sqlite3_column_count(st); ++k) {
    const char* declared = sqlite3_column_decltype(st, static_cast<int>(k));
    if (!declared) continue;
    switch (MapDeclaredType(declared).type) {
      case adDate:
      case adDBDate:
        columns[k] = 0;
        break;
      case adDBTimeStamp:
        columns[k] = 1;
        break;
      case adDBTime:
        columns[k] = 2;
        break;
      default:
        break;
    }
  }
  return true;
}

}  // namespace

bool ParseZone(std::string_view rest, int& minutes) {
  minutes = 0;
  size_t p = 0;
  while (p < rest.size() && rest[p] == ' ') ++p;
  if (p == rest.size()) return p == 0;  // blanks alone are no zone
  if (rest.substr(p) == "Z" || rest.substr(p) == "z") return true;
  int h = 0, m = 0;
  if (rest.size() - p != 6 || (rest[p] != '+' && rest[p] != '-') || !Number(rest, p + 1, 2, h) ||
      rest[p + 3] != ':' || !Number(rest, p + 4, 2, m) || h > 14 || m > 59)
    return false;
  minutes = (rest[p] == '-' ? -1 : 1) * (h * 60 + m);
  return true;
}

bool ParseTimeOfDay(std::string_view t, double& fraction) {
  size_t p = 0;
  auto number = [&t, &p](size_t maxDigits, int& out) {
    const size_t start = p;
    out = 0;
    while (p < t.size() && p - start < maxDigits && Digit(t[p])) out = out * 10 + (t[p++] - '0');
    return p > start;
  };
  int h = 0, mi = 0, s = 0;
  if (!number(2, h) || p >= t.size() || t[p++] != ':' || !number(2, mi)) return false;
  double frac = 0;
  if (p < t.size() && t[p] == ':') {
    ++p;
    if (!number(2, s)) return false;
    if (p < t.size() && t[p] == '.') {
      double scale = 0.1;
      for (++p; p < t.size() && Digit(t[p]); ++p, scale /= 10) frac += (t[p] - '0') * scale;
    }
  }
  int zone = 0;
  if (!ParseZone(t.substr(p), zone) || h > 23 || mi > 59 || s > 59) return false;
  // A time with a zone is the time of day in UTC, as SQLite's time() gives it.
  double seconds = h * 3600.0 + mi * 60.0 + s + frac - zone * 60.0;
  if (seconds < 0) seconds += 86400.0;
  if (seconds >= 86400.0) seconds -= 86400.0;
  fraction = seconds / 86400.0;
  return true;
}

bool NumberAsDate(double v, double& serial) {
  constexpr double kJulianOfEpoch = 2415018.5;  // 1899-12-30 00:00
  constexpr double kUnixEpochDays = 25569.0;    // 1970-01-01 as automation date
  double ms = 0;
  if (v >= 0 && v < 5373484.5)
    ms = std::round((v - kJulianOfEpoch) * 86400000.0);
  else if (v >= -210866760000.0 && v <= 253402300799.0)
    ms = kUnixEpochDays * 86400000.0 + std::round(v * 1000.0);
  else
    return false;
  serial = FromMilliseconds(static_cast<int64_t>(ms));
  return serial > -657435.0 && serial < 2958466.0;
}

bool ReadStoredMoment(int storage, double number, std::string_view text, bool timeColumn,
                      double& serial) {
  if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT) {
    // A time column holds an automation time: the fraction of a day (and days).
    if (timeColumn) {
      if (!std::isfinite(number) || number <= -657435.0 || number >= 2958466.0) return false;
      serial = FromMilliseconds(ToMilliseconds(number));
      return true;
    }
    return NumberAsDate(number, serial);
  }
  if (storage != SQLITE_TEXT) return false;
  if (timeColumn) return ParseTimeOfDay(text, serial) || ParseStoredDate(text, serial);
  DateValue d;
  if (ParseStoredDate(text, serial)) return true;
  if (!ParseDate(text, d)) return false;
  serial = d.serial;
  return true;
}

void InstallMoments(sqlite3* db) {
  sqlite3_create_function_v2(db, kMomentFunction, 2,
                             SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                             MomentFunction, nullptr, nullptr, nullptr);
}

std::string ReadMomentsAsShown(sqlite3* db, const std::string& statement, bool& asked) {
  asked = false;
  const std::string_view s = statement;
  const size_t select = sql::SkipBlanks(s, 0);
  if (!sql::KeywordAt(s, select, "SELECT")) return statement;
  const size_t end = sql::StatementEnd(s, 0);
  const std::vector<Operand> operands = ComparedNames(s, end);
  if (operands.empty()) return statement;
  const size_t from = TopLevelKeyword(s, select + 6, end, {"FROM"});
  if (from == std::string_view::npos) return statement;
  // The probe takes the FROM clause alone, so that its cost does not grow with the
  // criteria; and each name once, however often it is compared.
  const size_t fromEnd =
      std::min(end, TopLevelKeyword(s, from + 4, end,
                                    {"WHERE", "GROUP", "HAVING", "ORDER", "LIMIT", "WINDOW",
                                     "UNION", "EXCEPT", "INTERSECT"}));
  std::vector<Operand> names;
  std::vector<size_t> nameOf(operands.size());
  for (size_t k = 0; k < operands.size(); ++k) {
    const std::string_view text = s.substr(operands[k].start, operands[k].end - operands[k].start);
    size_t n = 0;
    while (n < names.size() && s.substr(names[n].start, names[n].end - names[n].start) != text) ++n;
    if (n == names.size()) {
      if (names.size() == kMostNames) return statement;
      names.push_back(operands[k]);
    }
    nameOf[k] = n;
  }
  asked = true;
  std::vector<int> known;
  // One name the FROM clause does not know (a name of a subquery) fails the whole
  // probe; then each is asked alone.
  if (!MomentColumns(db, s, from, fromEnd, names, known)) {
    known.assign(names.size(), -1);
    std::vector<int> one;
    for (size_t n = 0; n < names.size() && names.size() > 1; ++n)
      if (MomentColumns(db, s, from, fromEnd, {names[n]}, one)) known[n] = one[0];
  }
  std::vector<int> columns(operands.size());
  for (size_t k = 0; k < operands.size(); ++k) columns[k] = known[nameOf[k]];
  std::string out;
  size_t copied = 0;
  for (size_t k = 0; k < operands.size(); ++k) {
    if (columns[k] < 0) continue;
    out.append(s.substr(copied, operands[k].start - copied));
    out.append(kMomentFunction);
    out += '(';
    out.append(s.substr(operands[k].start, operands[k].end - operands[k].start));
    out += ", ";
    out += static_cast<char>('0' + columns[k]);
    out += ')';
    copied = operands[k].end;
    // The function's ISO text orders as the moments do, byte by byte; the search
    // collation would only read it a second time.
    const std::string collate = std::string(" COLLATE ") + kSearchCollation;
    if (s.compare(operands[k].literalEnd, collate.size(), collate) == 0) {
      out.append(s.substr(copied, operands[k].literalEnd - copied));
      copied = operands[k].literalEnd + collate.size();
    }
  }
  if (copied == 0) return statement;
  out.append(s.substr(copied));
  return out;
}

}  // namespace vmbgrid::sqlite
