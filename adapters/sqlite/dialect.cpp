// The library writes "SELECT TOP n ..." (the common dialect of its hosts); SQLite
// wants "... LIMIT n" at the end of the statement instead.
#include <string>
#include <string_view>

#include "adapters/sqlite/sqlite_provider.h"

namespace vmbgrid::sqlite {

namespace {

bool IsIdentChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// Skips blanks and comments from pos.
size_t SkipBlanks(std::string_view s, size_t pos) {
  while (pos < s.size()) {
    if (IsBlank(s[pos])) {
      ++pos;
    } else if (s.compare(pos, 2, "--") == 0) {
      while (pos < s.size() && s[pos] != '\n') ++pos;
    } else if (s.compare(pos, 2, "/*") == 0) {
      size_t end = s.find("*/", pos + 2);
      pos = end == std::string_view::npos ? s.size() : end + 2;
    } else {
      break;
    }
  }
  return pos;
}

// True when the keyword stands at pos (any letter case, not followed by a name char).
bool KeywordAt(std::string_view s, size_t pos, std::string_view word) {
  if (pos + word.size() > s.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    char c = s[pos + i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != word[i]) return false;
  }
  return pos + word.size() == s.size() || !IsIdentChar(s[pos + word.size()]);
}

// End (exclusive) of the first statement's last significant character: literals,
// quoted names and comments are skipped, and the statement ends at the first ";"
// outside of them.
size_t StatementEnd(std::string_view s, size_t from) {
  size_t last = from;
  size_t i = from;
  while (i < s.size()) {
    char c = s[i];
    if (IsBlank(c)) {
      ++i;
    } else if (s.compare(i, 2, "--") == 0 || s.compare(i, 2, "/*") == 0) {
      i = SkipBlanks(s, i);
    } else if (c == ';') {
      break;
    } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
      const char close = c == '[' ? ']' : c;
      ++i;
      while (i < s.size()) {
        if (s[i] == close) {
          // A doubled quote stands for itself inside the literal.
          if (close != ']' && i + 1 < s.size() && s[i + 1] == close) {
            i += 2;
            continue;
          }
          break;
        }
        ++i;
      }
      i = i < s.size() ? i + 1 : i;
      last = i;
    } else {
      ++i;
      last = i;
    }
  }
  return last;
}

}  // namespace

std::string RewriteStatement(const std::string& statement) {
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
