#include "tests/postgres/differential_grammar.h"

#include <unicode/coll.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <vector>

namespace vmbgrid::difftest {

namespace {

using testsupport::Cell;
using testsupport::TypeColumn;
using testsupport::ValueKind;
using Holds = std::function<bool(const Cell&)>;

// One alternative of a criterion: its text and the rows it takes.
struct Piece {
  std::string text;
  Holds holds;
};

size_t Below(std::mt19937& random, size_t n) { return random() % n; }
template <class T>
const T& OneOf(std::mt19937& random, const std::vector<T>& items) {
  return items[Below(random, items.size())];
}

// ---------------------------------------------------------------- numbers

// Exact order of decimal texts ("-12.5", "100", "0.001").
int CompareDecimal(const std::string& a, const std::string& b) {
  struct Parts {
    bool negative;
    std::string whole, fraction;
  };
  auto parts = [](const std::string& s) {
    Parts p{s.starts_with("-"), "", ""};
    const std::string body = p.negative ? s.substr(1) : s;
    const size_t point = body.find('.');
    p.whole = body.substr(0, point);
    p.fraction = point == std::string::npos ? "" : body.substr(point + 1);
    p.whole.erase(0, std::min(p.whole.find_first_not_of('0'), p.whole.size()));
    while (!p.fraction.empty() && p.fraction.back() == '0') p.fraction.pop_back();
    if (p.whole.empty() && p.fraction.empty()) p.negative = false;  // -0 is 0
    return p;
  };
  Parts x = parts(a), y = parts(b);
  if (x.negative != y.negative) return x.negative ? -1 : 1;
  int magnitude = 0;
  if (x.whole.size() != y.whole.size()) {
    magnitude = x.whole.size() < y.whole.size() ? -1 : 1;
  } else if (x.whole != y.whole) {
    magnitude = x.whole < y.whole ? -1 : 1;
  } else {
    const size_t n = std::max(x.fraction.size(), y.fraction.size());
    x.fraction.resize(n, '0');
    y.fraction.resize(n, '0');
    magnitude = x.fraction == y.fraction ? 0 : (x.fraction < y.fraction ? -1 : 1);
  }
  return x.negative ? -magnitude : magnitude;
}

template <class T>
int Order(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

int CompareNumber(ValueKind kind, const std::string& cell, const std::string& value) {
  if (kind == ValueKind::Single)
    return Order(std::strtof(cell.c_str(), nullptr), std::strtof(value.c_str(), nullptr));
  if (kind == ValueKind::Double)
    return Order(std::strtod(cell.c_str(), nullptr), std::strtod(value.c_str(), nullptr));
  return CompareDecimal(cell, value);
}

// "<", "<=", ... applied to a three-way comparison.
bool Applies(const std::string& op, int c) {
  if (op == "<") return c < 0;
  if (op == "<=") return c <= 0;
  if (op == ">") return c > 0;
  if (op == ">=") return c >= 0;
  if (op == "<>") return c != 0;
  return c == 0;
}

const std::vector<std::string> kOperators = {"<", "<=", ">", ">=", "<>"};

// The rows whose value compares with `value` as `op` says; Null never does.
Holds Compared(std::function<int(const std::string&)> compare, const std::string& op) {
  return [compare, op](const Cell& c) { return !c.null && Applies(op, compare(c.text)); };
}
Holds Between(std::function<int(const std::string&)> lower,
              std::function<int(const std::string&)> upper) {
  return [lower, upper](const Cell& c) {
    return !c.null && (!lower || lower(c.text) >= 0) && (!upper || upper(c.text) <= 0);
  };
}

// Written as a German user types it: the comma is the decimal point.
std::string GermanNumber(ValueKind kind, std::string v) {
  if (kind != ValueKind::Integer) std::replace(v.begin(), v.end(), '.', ',');
  return v;
}

std::string Magnitude(const std::string& v) { return v.starts_with("-") ? v.substr(1) : v; }

Piece NumberPiece(const TypeColumn& column, std::mt19937& random) {
  const ValueKind kind = column.kind;
  static const std::vector<std::string> kWholeExtras = {"3", "-3", "7", "-7", "0", "42"};
  static const std::vector<std::string> kDecimalExtras = {"0.25", "-0.5", "1.25", "0.1", "2"};
  auto pick = [&]() {
    if (Below(random, 4) == 0)
      return OneOf(random, kind == ValueKind::Integer ? kWholeExtras : kDecimalExtras);
    return OneOf(random, testsupport::ValuePool(column));
  };
  auto german = [kind](const std::string& v) { return GermanNumber(kind, v); };
  auto against = [kind](const std::string& v) {
    return [kind, v](const std::string& cell) { return CompareNumber(kind, cell, v); };
  };
  const std::string a = pick(), b = pick();
  const std::string blank = Below(random, 3) == 0 ? " " : "";
  switch (Below(random, 8)) {
    case 0:
    case 1: {
      const std::string& op = OneOf(random, kOperators);
      return {op + blank + german(a), Compared(against(a), op)};
    }
    case 2:  // a leading minus is "at most"
      return {"-" + german(Magnitude(a)), Between(nullptr, against(Magnitude(a)))};
    case 3:
      return {german(Magnitude(a)) + "-", Between(against(Magnitude(a)), nullptr)};
    case 4:
      return {german(Magnitude(a)) + "-" + german(Magnitude(b)),
              Between(against(Magnitude(a)), against(Magnitude(b)))};
    case 5:
      return {german(a) + blank + ":" + blank + german(b), Between(against(a), against(b))};
    case 6:
      return Below(random, 2) == 0 ? Piece{":" + german(b), Between(nullptr, against(b))}
                                   : Piece{german(a) + ":", Between(against(a), nullptr)};
    default:
      return {german(Magnitude(a)), Compared(against(Magnitude(a)), "=")};
  }
}

// ---------------------------------------------------------------- dates and times

std::string Digits2(int v) { return std::string(1, char('0' + v / 10)) + char('0' + v % 10); }

// "2024-07-31" as typed: "31.7.2024", "31.07.2024", "31.7.24".
std::string GermanDate(const std::string& iso, std::mt19937& random) {
  const int y = std::atoi(iso.substr(0, 4).c_str()), m = std::atoi(iso.substr(5, 2).c_str()),
            d = std::atoi(iso.substr(8, 2).c_str());
  const bool pad = Below(random, 2) == 0;
  std::string year = iso.substr(0, 4);
  if (y >= 1930 && y <= 2029 && Below(random, 4) == 0) year = iso.substr(2, 2);
  return (pad ? Digits2(d) : std::to_string(d)) + "." + (pad ? Digits2(m) : std::to_string(m)) +
         "." + year;
}

// "13:45:00" as typed: "13:45" when the seconds are 0, else in full; hours unpadded.
std::string GermanTime(const std::string& hms) {
  std::string t = hms.starts_with("0") ? hms.substr(1) : hms;
  if (t.ends_with(":00")) t.resize(t.size() - 3);
  return t;
}

// The instant after a day ("2024-07-31" → "2024-08-01 00:00:00") or a second.
std::string Full(const std::string& body) { return body.size() == 10 ? body + " 00:00:00" : body; }

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

std::string NextDay(const std::string& day) {
  int y = std::atoi(day.substr(0, 4).c_str()), m = std::atoi(day.substr(5, 2).c_str()),
      d = std::atoi(day.substr(8, 2).c_str());
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int last = kDays[m - 1] + (m == 2 && IsLeap(y) ? 1 : 0);
  if (++d > last) {
    d = 1;
    if (++m > 12) {
      m = 1;
      // After the calendar's last day: an end that sorts after all its instants.
      if (++y > 9999) return "9999-12-32";
    }
  }
  const std::string year = std::to_string(y);
  return std::string(4 - std::min<size_t>(4, year.size()), '0') + year + "-" + Digits2(m) + "-" +
         Digits2(d);
}

std::string NextSecond(const std::string& hms) {
  int s = std::atoi(hms.substr(0, 2).c_str()) * 3600 + std::atoi(hms.substr(3, 2).c_str()) * 60 +
          std::atoi(hms.substr(6, 2).c_str()) + 1;
  return Digits2(s / 3600) + ":" + Digits2(s / 60 % 60) + ":" + Digits2(s % 60);
}

// A typed moment: its text, where its span starts and where it ends (exclusive).
struct Moment {
  std::string typed, start, end;
};

Moment PickMoment(const TypeColumn& column, std::mt19937& random) {
  const std::string raw = OneOf(random, testsupport::ValuePool(column));
  if (column.kind == ValueKind::Time)
    return {GermanTime(raw), raw, raw == "23:59:59" ? "24:00:00" : NextSecond(raw)};
  const std::string day = raw.substr(0, 10);
  const std::string typedDay = GermanDate(day, random);
  if (Below(random, 3) != 0) return {typedDay, Full(day), Full(NextDay(day))};
  const std::string time = raw.size() > 10 ? raw.substr(11) : "13:45:00";
  const std::string next = time == "23:59:59" ? Full(NextDay(day)) : day + " " + NextSecond(time);
  return {typedDay + " " + GermanTime(time), day + " " + time, next};
}

// The rows whose instant lies from `from` on (unless "") up to `to` (unless ""),
// `to` itself included or not.
Holds Within(const std::string& from, const std::string& to, bool toIncluded) {
  return [=](const Cell& c) {
    const std::string v = c.null ? std::string() : Full(c.text);
    return !c.null && (from.empty() || v >= from) &&
           (to.empty() || v < to || (toIncluded && v == to));
  };
}

// Date columns hold days: a date compares as the day, a time typed with it exactly.
Piece MomentPiece(const TypeColumn& column, std::mt19937& random) {
  const bool span = column.kind != ValueKind::Date;
  const Moment a = PickMoment(column, random), b = PickMoment(column, random);
  auto at = [](const std::string& instant) {
    return [instant](const std::string& cell) { return Full(cell).compare(instant); };
  };
  const std::string& op = OneOf(random, kOperators);
  const std::string text = op + a.typed;
  switch (Below(random, 5)) {
    case 0:  // one value: its whole day or second
      if (!span) return {a.typed, Compared(at(a.start), "=")};
      return {a.typed, Within(a.start, a.end, false)};
    case 1: {
      if (!span) return {text, Compared(at(a.start), op)};
      const std::string bound = op == "<=" || op == ">" ? a.end : a.start;
      const std::string inclusive = op == "<=" ? "<" : op == ">" ? ">=" : op;
      if (op == "<>")
        return {text, [=](const Cell& c) {
                  return !c.null && (Full(c.text) < a.start || Full(c.text) >= a.end);
                }};
      return {text, Compared(at(bound), inclusive)};
    }
    case 2: {
      const std::string upper = span ? b.end : b.start;
      // Between two dates without times ":" separates the bounds too.
      const bool colon = column.kind != ValueKind::Time && a.typed.find(' ') == std::string::npos &&
                         b.typed.find(' ') == std::string::npos && Below(random, 2) == 0;
      return {a.typed + (colon ? ":" : "-") + b.typed, Within(a.start, upper, !span)};
    }
    case 3:
      return {"-" + b.typed, Within("", span ? b.end : b.start, !span)};
    default:
      return {a.typed + "-", Within(a.start, "", false)};
  }
}

// ---------------------------------------------------------------- text

std::string Fold(const std::string& s) {
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(s);
  u.foldCase();
  std::string out;
  return u.toUTF8String(out);
}

// The German order without regard to case: folded texts by the collation, ties by bytes.
int CompareText(const std::string& a, const std::string& b) {
  static const std::unique_ptr<icu::Collator> collator = [] {
    UErrorCode status = U_ZERO_ERROR;
    return std::unique_ptr<icu::Collator>(icu::Collator::createInstance("de", status));
  }();
  const std::string fa = Fold(a), fb = Fold(b);
  if (fa == fb) return 0;
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult r = collator->compareUTF8(fa, fb, status);
  if (r != UCOL_EQUAL) return r == UCOL_LESS ? -1 : 1;
  return fa < fb ? -1 : 1;
}

// LIKE over folded text: "*" and "%" any run, "?" and "_" one character.
bool Like(const std::string& text, const std::string& pattern) {
  icu::UnicodeString t = icu::UnicodeString::fromUTF8(text),
                     p = icu::UnicodeString::fromUTF8(pattern);
  t.foldCase();
  p.foldCase();
  std::function<bool(int32_t, int32_t)> match = [&](int32_t i, int32_t j) -> bool {
    if (j == p.length()) return i == t.length();
    const UChar c = p.charAt(j);
    if (c == u'*' || c == u'%') {
      for (int32_t k = i; k <= t.length(); ++k)
        if (match(k, j + 1)) return true;
      return false;
    }
    if (i == t.length()) return false;
    if (c == u'?' || c == u'_' || c == t.charAt(i)) return match(i + 1, j + 1);
    return false;
  };
  return match(0, 0);
}

// clang-format off
const std::vector<std::string> kWords = {"Müller", "MÜLLER", "müller", "Muller", "Straße", "STRASSE", "Ärger", "arger",
                                         "Apfel", "Zander", "Meier", "meier", "Eva", "Özdemir", "a", "M", "m", "Z",
                                         "Übel", "ß"};
// clang-format on

Piece TextPiece(const TypeColumn& column, std::mt19937& random) {
  const std::string w = OneOf(random, kWords), v = OneOf(random, kWords);
  auto against = [](const std::string& x) {
    return [x](const std::string& cell) { return CompareText(cell, x); };
  };
  switch (Below(random, 7)) {
    case 0: {
      const std::string& op = OneOf(random, kOperators);
      return {op + w, Compared(against(w), op)};
    }
    case 1:
      return {w + (Below(random, 2) ? "-" : ":") + v, Between(against(w), against(v))};
    case 2:
      return Below(random, 2) ? Piece{w + "-", Between(against(w), nullptr)}
                              : Piece{"-" + w, Between(nullptr, against(w))};
    case 3: {  // a prefix, one unknown character, or a part anywhere
      icu::UnicodeString u = icu::UnicodeString::fromUTF8(w);
      std::string pattern;
      if (u.length() > 2 && Below(random, 2)) {
        u.replace(1, 1, u'?');
        u.toUTF8String(pattern);
      } else if (u.length() > 2) {
        u.tempSubString(1, 2).toUTF8String(pattern);
        pattern = "*" + pattern + "*";
      } else {
        pattern = w + "*";
      }
      return {pattern, [pattern](const Cell& c) { return !c.null && Like(c.text, pattern); }};
    }
    case 4: {  // in quotes exactly, whatever the text holds
      const std::string raw = OneOf(random, testsupport::ValuePool(column));
      const std::string trimmed = raw.substr(std::min(raw.find_first_not_of(' '), raw.size()));
      // Nothing between the quotes is no criterion: every row stays.
      if (trimmed.empty()) return {"\"\"", [](const Cell&) { return true; }};
      return {"\"" + raw + "\"", Compared(against(trimmed), "=")};
    }
    default:
      return {w, Compared(against(w), "=")};
  }
}

// ---------------------------------------------------------------- criteria

Criterion Refused(std::string text) { return {std::move(text), Criterion::Expect::Refused, {}}; }

// Alternatives of the pieces, joined by ";" (or "," where it separates them too).
Criterion Alternatives(std::vector<Piece> pieces, const std::string& separator) {
  Criterion c;
  std::vector<Holds> holds;
  for (size_t i = 0; i < pieces.size(); ++i) {
    // A quoted piece is a whole criterion of its own; it stands alone.
    if (pieces[i].text.starts_with("\"") && pieces.size() > 1 && i > 0) continue;
    c.text += (c.text.empty() ? "" : separator) + pieces[i].text;
    holds.push_back(pieces[i].holds);
    if (pieces[i].text.starts_with("\"")) break;
  }
  c.oracle = [holds](const Cell& cell) {
    for (const Holds& h : holds)
      if (h(cell)) return true;
    return false;
  };
  return c;
}

}  // namespace

Criterion Generate(const TypeColumn& column, std::mt19937& random) {
  const size_t alternatives = 1 + (Below(random, 4) == 0 ? Below(random, 3) : 0);
  std::vector<Piece> pieces;
  Criterion c;
  switch (column.kind) {
    case ValueKind::Integer:
    case ValueKind::Decimal:
    case ValueKind::Single:
    case ValueKind::Double: {
      switch (Below(random, 20)) {
        case 0:
          return Refused(OneOf(random, std::vector<std::string>{"5*", "1?", "*", "1*-5"}));
        case 1:
          return Refused(
              OneOf(random, std::vector<std::string>{"1-2-3", "-1:-2:-3", "x", "1.2.3"}));
        case 2: {  // exactly a value, also a negative one, in quotes
          const std::string v = OneOf(random, testsupport::ValuePool(column));
          c.text = "\"" + GermanNumber(column.kind, v) + "\"";
          const ValueKind kind = column.kind;
          c.oracle = [kind, v](const Cell& cell) {
            return !cell.null && CompareNumber(kind, cell.text, v) == 0;
          };
          break;
        }
        default:
          for (size_t i = 0; i < alternatives; ++i) pieces.push_back(NumberPiece(column, random));
          c = Alternatives(pieces,
                           column.kind == ValueKind::Integer && Below(random, 2) ? "," : ";");
      }
      break;
    }
    case ValueKind::Date:
    case ValueKind::DateTime:
    case ValueKind::Time: {
      const std::string raw = OneOf(random, testsupport::ValuePool(column));
      switch (Below(random, 14)) {
        case 0:
          return Refused(column.kind == ValueKind::Time ? "25:00" : "31.2.2024");
        case 1:
          return Refused(column.kind == ValueKind::Time ? "8:*-9:00" : "2024-07-31");
        case 2: {  // a pattern over the ISO text the databases hold ("-" would be a range)
          const std::string part = raw.substr(0, column.kind == ValueKind::Time ? 3 : 4);
          const bool anywhere = Below(random, 2) == 0;
          c.text = (anywhere ? "*" : "") + part + "*";
          c.oracle = [part, anywhere](const Cell& cell) {
            return !cell.null && (anywhere ? cell.text.find(part) != std::string::npos
                                           : cell.text.starts_with(part));
          };
          break;
        }
        case 3: {  // exactly the value: midnight, or the second typed
          const Moment m = PickMoment(column, random);
          c.text = "\"" + m.typed + "\"";
          const std::string exact = m.start;
          c.oracle = [exact](const Cell& cell) { return !cell.null && Full(cell.text) == exact; };
          break;
        }
        default:
          for (size_t i = 0; i < alternatives; ++i) pieces.push_back(MomentPiece(column, random));
          c = Alternatives(pieces, Below(random, 2) ? "," : ";");
      }
      break;
    }
    case ValueKind::Boolean: {
      static const std::vector<std::pair<std::string, bool>> kForms = {
          {"-1", true},   {"1", true},       {"0", false},
          {"Wahr", true}, {"falsch", false}, {"True", true}};
      const auto& [typed, value] = OneOf(random, kForms);
      c.text = typed;
      c.oracle = [value](const Cell& cell) { return !cell.null && (cell.text == "1") == value; };
      break;
    }
    case ValueKind::Guid: {
      // A GUID is the same in braces or not, in either case.
      auto bare = [](const std::string& g) {
        return Fold(g.starts_with("{") ? g.substr(1, g.size() - 2) : g);
      };
      const std::string stored = bare(OneOf(random, testsupport::ValuePool(column)));
      std::string v = stored;
      if (Below(random, 2) == 0) v = "{" + v + "}";
      if (Below(random, 2) == 0) std::transform(v.begin(), v.end(), v.begin(), ::toupper);
      c.text = v;
      c.oracle = [stored, bare](const Cell& cell) {
        return !cell.null && bare(cell.text) == stored;
      };
      break;
    }
    case ValueKind::Text:
    case ValueKind::FixedText: {
      if (Below(random, 15) == 0) return Refused("A*-M");
      if (Below(random, 15) == 0) {
        // A pattern with a leading "*" only: the host's rows cannot be searched so.
        const std::string suffix = OneOf(random, std::vector<std::string>{"er", "ß", "ll?r"});
        c.text = "*" + suffix;
        c.expect = Criterion::Expect::MemoryRefuses;
        c.oracle = [suffix](const Cell& cell) {
          return !cell.null && Like(cell.text, "*" + suffix);
        };
        break;
      }
      for (size_t i = 0; i < alternatives; ++i) pieces.push_back(TextPiece(column, random));
      c = Alternatives(pieces, Below(random, 2) ? "," : ";");
      break;
    }
    case ValueKind::LongText:
    case ValueKind::Binary:
      return Refused(OneOf(random, std::vector<std::string>{"Müller", "1", "*"}));
  }
  // "ODER " marks the column as an alternative; alone it changes nothing.
  if (Below(random, 10) == 0 && c.expect == Criterion::Expect::Rows) c.text = "ODER " + c.text;
  return c;
}

}  // namespace vmbgrid::difftest
