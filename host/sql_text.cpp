#include "host/sql_text.h"

namespace vmbgrid::sql {

bool IsIdentChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool IsQuote(char c) { return c == '\'' || c == '"' || c == '`' || c == '['; }

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

bool KeywordAt(std::string_view s, size_t pos, std::string_view word) {
  if (pos + word.size() > s.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    char c = s[pos + i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != word[i]) return false;
  }
  return pos + word.size() == s.size() || !IsIdentChar(s[pos + word.size()]);
}

size_t SkipQuoted(std::string_view s, size_t i) {
  const char close = s[i] == '[' ? ']' : s[i];
  ++i;
  while (i < s.size()) {
    if (s[i] == close) {
      if (i + 1 < s.size() && s[i + 1] == close) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return i;
}

size_t StatementEnd(std::string_view s, size_t from) {
  size_t last = from;
  size_t i = from;
  while (i < s.size()) {
    const char c = s[i];
    if (IsBlank(c)) {
      ++i;
    } else if (s.compare(i, 2, "--") == 0 || s.compare(i, 2, "/*") == 0) {
      i = SkipBlanks(s, i);
    } else if (c == ';') {
      break;
    } else if (IsQuote(c)) {
      i = SkipQuoted(s, i);
      last = i;
    } else {
      ++i;
      last = i;
    }
  }
  return last;
}

bool HasFurtherStatement(std::string_view s) {
  size_t i = SkipBlanks(s, StatementEnd(s, 0));
  if (i < s.size() && s[i] == ';') i = SkipBlanks(s, i + 1);
  return i < s.size();
}

std::string BracketNamesToDoubleQuotes(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 8);
  size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '[') {
      std::string name;
      size_t k = i + 1;
      bool closed = false;
      while (k < s.size()) {
        if (s[k] == ']') {
          if (k + 1 < s.size() && s[k + 1] == ']') {  // "]]" stands for "]"
            name += ']';
            k += 2;
            continue;
          }
          closed = true;
          ++k;
          break;
        }
        if (s[k] == '"') name += '"';
        name += s[k++];
      }
      // An unclosed bracket stays as it is; the database reports it.
      if (!closed) {
        out.append(s.substr(i));
        break;
      }
      out += '"';
      out += name;
      out += '"';
      i = k;
    } else if (IsQuote(c)) {
      const size_t end = SkipQuoted(s, i);
      out.append(s.substr(i, end - i));
      i = end;
    } else if (s.compare(i, 2, "--") == 0 || s.compare(i, 2, "/*") == 0) {
      const size_t end = SkipBlanks(s, i);
      out.append(s.substr(i, end - i));
      i = end;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

std::string LikeWildcardsToSql(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  bool afterLike = false;
  size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (IsBlank(c) || s.compare(i, 2, "--") == 0 || s.compare(i, 2, "/*") == 0) {
      const size_t end = SkipBlanks(s, i);
      out.append(s.substr(i, end - i));
      i = end;
      continue;
    }
    if (IsQuote(c)) {
      const size_t end = SkipQuoted(s, i);
      if (c == '\'' && afterLike) {
        for (size_t k = i; k < end; ++k) {
          const char n = s[k];
          out += n == '*' ? '%' : n == '?' ? '_' : n;
        }
      } else {
        out.append(s.substr(i, end - i));
      }
      afterLike = false;
      i = end;
      continue;
    }
    if (IsIdentChar(c)) {
      size_t end = i;
      while (end < s.size() && IsIdentChar(s[end])) ++end;
      afterLike = KeywordAt(s, i, "LIKE");
      out.append(s.substr(i, end - i));
      i = end;
      continue;
    }
    afterLike = false;
    out += c;
    ++i;
  }
  return out;
}

std::string QuoteName(std::string_view name) {
  std::string out;
  out.reserve(name.size() + 2);
  out += '[';
  for (char c : name) {
    out += c;
    if (c == ']') out += ']';
  }
  out += ']';
  return out;
}

std::string Excerpt(std::string_view text, size_t limit) {
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (chars == limit) return std::string(text.substr(0, i)) + "…";
    ++chars;
  }
  return std::string(text);
}

std::string NoSuchTableText(std::string_view table) {
  return "Die Tabelle \"" + Excerpt(table) + "\" gibt es in der Datenbank nicht.";
}

bool IsStoreTable(std::string_view name) {
  for (const char* t :
       {"aa_gridlayout_kopf", "aa_gridlayout_feld", "vmgrid_settings", "vmgrid_schema"})
    if (name == t) return true;
  return false;
}

std::string NoSuchColumnText(std::string_view column) {
  return "Die Spalte \"" + Excerpt(column) + "\" gibt es in der Tabelle nicht.";
}

}  // namespace vmbgrid::sql
