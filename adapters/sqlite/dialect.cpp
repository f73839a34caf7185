// The library writes "SELECT TOP n ..." and "[name]" (the common dialect of its
// hosts); SQLite wants "... LIMIT n" at the end of the statement and, since it has
// no escape inside brackets, names in double quotes. ORDER BY items get the
// German collation, since SQLite itself sorts text by bytes.
#include <string>
#include <string_view>

#include "adapters/sqlite/internal.h"
#include "host/sql_text.h"

namespace vmbgrid::sqlite {

namespace {

using sql::IsBlank;
using sql::IsIdentChar;
using sql::IsQuote;
using sql::KeywordAt;
using sql::SkipBlanks;
using sql::SkipQuoted;
using sql::StatementEnd;

// Where the items of the first statement's top-level ORDER BY start (before `end`);
// npos when there is none.
size_t FindOrderBy(std::string_view s, size_t end) {
  size_t found = std::string_view::npos;
  int depth = 0;
  size_t i = 0;
  while (i < end) {
    const char c = s[i];
    if (IsQuote(c)) {
      i = SkipQuoted(s, i);
    } else if (s.compare(i, 2, "--") == 0 || s.compare(i, 2, "/*") == 0) {
      i = SkipBlanks(s, i);
    } else if (c == '(') {
      ++depth, ++i;
    } else if (c == ')') {
      --depth, ++i;
    } else if (IsIdentChar(c)) {
      size_t j = i;
      while (j < end && IsIdentChar(s[j])) ++j;
      if (depth == 0 && KeywordAt(s, i, "ORDER")) {
        size_t by = SkipBlanks(s, j);
        if (KeywordAt(s, by, "BY")) found = by + 2;
      }
      i = j;
    } else {
      ++i;
    }
  }
  return found;
}

// One ORDER BY item [a, b): the collation goes behind the expression, before a
// trailing ASC or DESC. Items that name a collation or NULLS placement stay.
void CollateItem(std::string_view s, size_t a, size_t b, std::string& out) {
  std::string_view item = s.substr(a, b - a);
  size_t last = item.find_last_not_of(" \t\r\n\f");
  if (last == std::string_view::npos) {
    out.append(item);
    return;
  }
  for (size_t i = 0; i < item.size(); ++i) {
    if (IsQuote(item[i])) {
      i = SkipQuoted(item, i) - 1;
      continue;
    }
    if ((i == 0 || !IsIdentChar(item[i - 1])) &&
        (KeywordAt(item, i, "COLLATE") || KeywordAt(item, i, "NULLS"))) {
      out.append(item);
      return;
    }
  }
  size_t wordStart = last + 1;
  while (wordStart > 0 && IsIdentChar(item[wordStart - 1])) --wordStart;
  size_t insertAt = last + 1;
  if (wordStart > 0 && IsBlank(item[wordStart - 1]) &&
      (KeywordAt(item, wordStart, "ASC") || KeywordAt(item, wordStart, "DESC"))) {
    insertAt = wordStart;
    while (insertAt > 0 && IsBlank(item[insertAt - 1])) --insertAt;
  }
  out.append(item.substr(0, insertAt));
  out.append(" COLLATE ");
  out.append(kGermanCollation);
  out.append(item.substr(insertAt));
}

std::string CollateOrderBy(const std::string& statement) {
  std::string_view s = statement;
  const size_t end = StatementEnd(s, 0);
  const size_t items = FindOrderBy(s, end);
  if (items == std::string_view::npos) return statement;
  std::string out(s.substr(0, items));
  size_t start = items;
  int depth = 0;
  size_t i = items;
  while (i <= end) {
    const bool atEnd = i == end;
    const char c = atEnd ? ',' : s[i];
    if (!atEnd && IsQuote(c)) {
      i = SkipQuoted(s, i);
      continue;
    }
    if (!atEnd && IsIdentChar(c) && depth == 0 &&
        (KeywordAt(s, i, "LIMIT") || KeywordAt(s, i, "OFFSET")) && !IsIdentChar(s[i - 1])) {
      CollateItem(s, start, i, out);
      out.append(s.substr(i));
      return out;
    }
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (c == ',' && depth == 0) {
      CollateItem(s, start, i, out);
      if (!atEnd) out += ',';
      start = i + 1;
    }
    ++i;
  }
  out.append(s.substr(end));
  return out;
}

// In a SELECT, a name compared with a text literal ("Name" = 'Meier', "Name" >= 'A')
// compares by the search collation: German and without regard to case, as LIKE
// and the in-memory filter do. SQLite applies a collation to text operands only, so
// a number or date column compared with a quoted literal compares as before.
std::string CollateTextComparisons(const std::string& statement) {
  std::string_view s = statement;
  if (!KeywordAt(s, SkipBlanks(s, 0), "SELECT")) return statement;
  const size_t end = StatementEnd(s, 0);
  enum class Last { Other, Name, Comparison };
  Last prev = Last::Other, before = Last::Other;
  auto shift = [&](Last next) {
    before = prev;
    prev = next;
  };
  std::string out;
  size_t copied = 0;
  size_t i = 0;
  while (i < end) {
    const char c = s[i];
    if (IsBlank(c) || s.compare(i, 2, "--") == 0 || s.compare(i, 2, "/*") == 0) {
      i = SkipBlanks(s, i);
    } else if (c == '\'') {
      const size_t j = SkipQuoted(s, i);
      if (prev == Last::Comparison && before == Last::Name &&
          !KeywordAt(s, SkipBlanks(s, j), "COLLATE")) {
        out.append(s.substr(copied, j - copied));
        out.append(" COLLATE ");
        out.append(kSearchCollation);
        copied = j;
      }
      shift(Last::Other);
      i = j;
    } else if (IsQuote(c)) {
      i = SkipQuoted(s, i);
      shift(Last::Name);
    } else if (IsIdentChar(c)) {
      size_t j = i;
      while (j < end && IsIdentChar(s[j])) ++j;
      bool keyword = c >= '0' && c <= '9';
      for (std::string_view k : {"AND", "OR", "NOT", "WHERE", "ON", "SELECT", "WHEN", "THEN",
                                 "ELSE", "CASE", "IS", "NULL", "HAVING", "ESCAPE"}) {
        if (j - i == k.size() && KeywordAt(s, i, k)) keyword = true;
      }
      shift(keyword ? Last::Other : Last::Name);
      i = j;
    } else if (c == '=' || c == '<' || c == '>' || c == '!') {
      bool comparison = false;
      i = OperatorEnd(s, i, end, comparison);
      shift(comparison ? Last::Comparison : Last::Other);
    } else {
      shift(Last::Other);
      ++i;
    }
  }
  if (copied == 0) return statement;
  out.append(s.substr(copied));
  return out;
}

}  // namespace

size_t OperatorEnd(std::string_view s, size_t i, size_t end, bool& comparison) {
  size_t j = i + 1;
  while (j < end && (s[j] == '=' || s[j] == '<' || s[j] == '>')) ++j;
  const std::string_view op = s.substr(i, j - i);
  comparison = op == "=" || op == "==" || op == "<>" || op == "!=" || op == "<" || op == "<=" ||
               op == ">" || op == ">=";
  return j;
}

std::string RewriteStatement(const std::string& input) {
  const std::string statement =
      CollateTextComparisons(CollateOrderBy(sql::BracketNamesToDoubleQuotes(input)));
  std::string_view s = statement;
  size_t p = SkipBlanks(s, 0);
  if (!KeywordAt(s, p, "SELECT")) return statement;
  p = SkipBlanks(s, p + 6);
  if (KeywordAt(s, p, "DISTINCT")) {
    p = SkipBlanks(s, p + 8);
  } else if (KeywordAt(s, p, "ALL")) {
    p = SkipBlanks(s, p + 3);
  }
  if (!KeywordAt(s, p, "TOP")) return statement;
  const size_t topStart = p;
  p = SkipBlanks(s, p + 3);
  bool paren = false;
  if (p < s.size() && s[p] == '(') {
    paren = true;
    p = SkipBlanks(s, p + 1);
  }
  const size_t digitsStart = p;
  while (p < s.size() && s[p] >= '0' && s[p] <= '9') ++p;
  if (p == digitsStart) return statement;
  std::string count(s.substr(digitsStart, p - digitsStart));
  if (paren) {
    p = SkipBlanks(s, p);
    if (p >= s.size() || s[p] != ')') return statement;
    ++p;
  } else if (p < s.size() && IsIdentChar(s[p])) {
    return statement;  // "TOP 10abc" is no row limit
  }
  // "TOP n PERCENT" has no LIMIT equivalent; the engine reports it as written.
  if (KeywordAt(s, SkipBlanks(s, p), "PERCENT")) return statement;
  // Drop leading zeros so that the limit is a plain number.
  size_t nz = count.find_first_not_of('0');
  count = nz == std::string::npos ? "0" : count.substr(nz);

  const size_t restStart = SkipBlanks(s, p);
  const size_t end = StatementEnd(s, restStart);
  std::string out;
  out.reserve(s.size() + count.size() + 8);
  out.append(s.substr(0, topStart));
  out.append(s.substr(restStart, end - restStart));
  out.append(" LIMIT ");
  out.append(count);
  out.append(s.substr(end));
  return out;
}

}  // namespace vmbgrid::sqlite
