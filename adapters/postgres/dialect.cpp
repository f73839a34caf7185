// Statement rewrite for PostgreSQL: one pass over the tokens of the library's text.
// Literals, quoted names and comments are carried over byte for byte.
#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "adapters/postgres/postgres_provider.h"
#include "host/sql_text.h"

namespace vmbgrid::postgres {

namespace {

enum class Tok {
  kBlank,
  kComment,
  kString,
  kQuotedName,
  kBracket,
  kWord,
  kNumber,
  kParam,
  kSymbol
};

struct Token {
  Tok kind;
  std::string text;
  bool plainString = false;  // '...' without E prefix or dollar quotes
};

bool IdentStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IdentChar(unsigned char c) { return IdentStart(c) || std::isdigit(c) || c == '$'; }

bool SameWord(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != b[i]) return false;
  }
  return i == a.size() && !b[i];
}

// The end of a dollar-quoted literal starting at i ("$tag$...$tag$"), or npos when
// the text at i is no opening tag.
size_t DollarQuoteEnd(const std::string& s, size_t i) {
  size_t j = i + 1;
  while (j < s.size() && s[j] != '$' && IdentChar(static_cast<unsigned char>(s[j])) && s[j] != '$')
    ++j;
  if (j >= s.size() || s[j] != '$') return std::string::npos;
  if (j > i + 1 && std::isdigit(static_cast<unsigned char>(s[i + 1]))) return std::string::npos;
  const std::string tag = s.substr(i, j - i + 1);
  const size_t close = s.find(tag, j + 1);
  return close == std::string::npos ? s.size() : close + tag.size();
}

std::vector<Token> Tokenize(const std::string& s) {
  std::vector<Token> out;
  size_t i = 0;
  const size_t n = s.size();
  auto push = [&](Tok k, size_t from, size_t to, bool plain = false) {
    out.push_back(Token{k, s.substr(from, to - from), plain});
  };
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const size_t start = i;
    if (std::isspace(c)) {
      while (i < n && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
      push(Tok::kBlank, start, i);
    } else if (c == '-' && i + 1 < n && s[i + 1] == '-') {
      i = s.find('\n', i);
      if (i == std::string::npos) i = n;
      push(Tok::kComment, start, i);
    } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
      int depth = 0;
      while (i < n) {
        if (s[i] == '/' && i + 1 < n && s[i + 1] == '*') {
          ++depth;
          i += 2;
        } else if (s[i] == '*' && i + 1 < n && s[i + 1] == '/') {
          i += 2;
          if (--depth == 0) break;
        } else {
          ++i;
        }
      }
      push(Tok::kComment, start, i);
    } else if (c == '\'' ||
               ((c == 'E' || c == 'e') && i + 1 < n && s[i + 1] == '\'' &&
                (start == 0 || !IdentChar(static_cast<unsigned char>(s[start - 1]))))) {
      const bool escapes = c != '\'';
      i += escapes ? 2 : 1;
      while (i < n) {
        if (escapes && s[i] == '\\' && i + 1 < n) {
          i += 2;
        } else if (s[i] == '\'') {
          if (i + 1 < n && s[i + 1] == '\'') {
            i += 2;
          } else {
            ++i;
            break;
          }
        } else {
          ++i;
        }
      }
      push(Tok::kString, start, i, !escapes);
    } else if (c == '$' && DollarQuoteEnd(s, i) != std::string::npos) {
      i = DollarQuoteEnd(s, i);
      push(Tok::kString, start, i);
    } else if (c == '"') {
      ++i;
      while (i < n) {
        if (s[i] == '"') {
          if (i + 1 < n && s[i + 1] == '"') {
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        ++i;
      }
      push(Tok::kQuotedName, start, i);
    } else if (c == '[' && !(start > 0 &&
                             (IdentChar(static_cast<unsigned char>(s[start - 1])) ||
                              s[start - 1] == ']' || s[start - 1] == ')' || s[start - 1] == '"'))) {
      // A subscript ("arr[1]") follows a name directly; a bracketed name does not.
      ++i;
      while (i < n) {
        if (s[i] == ']') {
          if (i + 1 < n && s[i + 1] == ']') {
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        ++i;
      }
      push(Tok::kBracket, start, i);
    } else if (IdentStart(c)) {
      while (i < n && IdentChar(static_cast<unsigned char>(s[i]))) ++i;
      push(Tok::kWord, start, i);
    } else if (std::isdigit(c) ||
               (c == '.' && i + 1 < n && std::isdigit((unsigned char)s[i + 1]))) {
      while (i < n && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '.' ||
                       ((s[i] == '+' || s[i] == '-') && (s[i - 1] == 'e' || s[i - 1] == 'E'))))
        ++i;
      push(Tok::kNumber, start, i);
    } else if (c == '?') {
      ++i;
      push(Tok::kParam, start, i);
    } else if ((c == '@' || c == ':') && i + 1 < n &&
               IdentStart(static_cast<unsigned char>(s[i + 1])) &&
               !(c == ':' && start > 0 && s[start - 1] == ':')) {
      ++i;
      while (i < n && IdentChar(static_cast<unsigned char>(s[i])) && s[i] != '$') ++i;
      push(Tok::kParam, start, i);
    } else if (c == ':' && i + 1 < n && s[i + 1] == ':') {
      i += 2;
      push(Tok::kSymbol, start, i);
    } else if ((c == '<' || c == '>' || c == '!') && i + 1 < n &&
               (s[i + 1] == '=' || s[i + 1] == '>')) {
      i += 2;
      push(Tok::kSymbol, start, i);
    } else {
      ++i;
      push(Tok::kSymbol, start, i);
    }
  }
  return out;
}

bool Significant(const Token& t) { return t.kind != Tok::kBlank && t.kind != Tok::kComment; }

std::optional<size_t> NextSig(const std::vector<Token>& t, size_t i) {
  for (size_t j = i + 1; j < t.size(); ++j)
    if (Significant(t[j])) return j;
  return std::nullopt;
}
std::optional<size_t> PrevSig(const std::vector<Token>& t, size_t i) {
  for (size_t j = i; j-- > 0;)
    if (Significant(t[j])) return j;
  return std::nullopt;
}

bool IsNameToken(const Token& t) {
  if (t.kind == Tok::kBracket || t.kind == Tok::kQuotedName) return true;
  if (t.kind != Tok::kWord) return false;
  for (const char* kw : {"AND", "OR", "NOT", "WHERE", "ON", "SELECT", "WHEN", "THEN", "ELSE",
                         "CASE", "IS", "NULL", "TRUE", "FALSE"}) {
    if (SameWord(t.text, kw)) return false;
  }
  return true;
}

bool IsComparison(const Token& t) {
  return t.kind == Tok::kSymbol &&
         (t.text == "=" || t.text == "<>" || t.text == "!=" || t.text == "<" || t.text == "<=" ||
          t.text == ">" || t.text == ">=");
}

std::string Fold(const std::string& operand, LikeFolding folding) {
  // Full case folding as the in-memory filter does it: lower case, and "ß" is "ss".
  if (folding == LikeFolding::kIcu) {
    return "replace(lower(CAST(" + operand + " AS text) COLLATE \"und-x-icu\"), 'ß', 'ss')";
  }
  return "replace(lower(CAST(" + operand + " AS text)), 'ß', 'ss')";
}

std::string_view Bare(std::string_view name) {
  if (!name.empty() && (name[0] == '@' || name[0] == ':' || name[0] == '$')) name.remove_prefix(1);
  return name;
}

bool SameName(std::string_view a, std::string_view b) {
  a = Bare(a);
  b = Bare(b);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

bool IsInput(const Parameter& p) {
  return p.direction != adParamOutput && p.direction != adParamReturnValue;
}

// The name a bracket, quoted or bare name token stands for.
std::string NameText(const Token& t) {
  if (t.kind == Tok::kBracket || t.kind == Tok::kQuotedName) {
    const char close = t.kind == Tok::kBracket ? ']' : '"';
    const bool closed = t.text.size() >= 2 && t.text.back() == close;
    const size_t end = closed ? t.text.size() - 1 : t.text.size();
    std::string inner;
    for (size_t i = 1; i < end; ++i) {
      inner += t.text[i];
      if (t.text[i] == close && i + 1 < end && t.text[i + 1] == close) ++i;
    }
    return inner;
  }
  // A bare name is folded to lower case, as the server folds it (ASCII letters only).
  std::string lower = t.text;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

// Words after which a bare word is no alias of the relation before it.
bool IsClauseWord(const std::string& w) {
  for (const char* kw :
       {"WHERE",     "GROUP",       "ORDER",   "HAVING", "LIMIT",  "OFFSET",    "UNION",  "EXCEPT",
        "INTERSECT", "JOIN",        "INNER",   "LEFT",   "RIGHT",  "FULL",      "CROSS",  "NATURAL",
        "ON",        "USING",       "SET",     "VALUES", "SELECT", "RETURNING", "WINDOW", "FOR",
        "FETCH",     "TABLESAMPLE", "DEFAULT", "AS",     "ONLY",   "LATERAL",   "AND",    "OR",
        "NOT",       "IS",          "NULL",    "WITH",   "FROM"}) {
    if (SameWord(w, kw)) return true;
  }
  return false;
}

bool IsNamePart(const Token& t) {
  return t.kind == Tok::kBracket || t.kind == Tok::kQuotedName ||
         (t.kind == Tok::kWord && !IsClauseWord(t.text));
}

}  // namespace

std::vector<NameUse> StatementNames(const std::string& statement) {
  const std::vector<Token> t = Tokenize(statement);
  std::vector<size_t> sig;
  for (size_t i = 0; i < t.size(); ++i)
    if (Significant(t[i])) sig.push_back(i);
  auto at = [&](size_t k) -> const Token* { return k < sig.size() ? &t[sig[k]] : nullptr; };
  auto isSymbol = [&](size_t k, const char* text) {
    const Token* x = at(k);
    return x && x->kind == Tok::kSymbol && x->text == text;
  };
  auto isWord = [&](size_t k, const char* word) {
    const Token* x = at(k);
    return x && x->kind == Tok::kWord && SameWord(x->text, word);
  };

  std::vector<NameUse> out;
  std::vector<bool> taken(t.size(), false);  // tokens that are no column
  for (size_t k = 0; k < sig.size(); ++k) {
    const bool listStart = isWord(k, "FROM");
    if (!listStart && !isWord(k, "JOIN") && !isWord(k, "UPDATE") && !isWord(k, "INTO")) continue;
    size_t j = k + 1;
    for (;;) {
      if (isWord(j, "ONLY") || isWord(j, "LATERAL")) ++j;
      const Token* first = at(j);
      if (!first || !IsNamePart(*first)) break;
      // schema "." name, or name alone; a third part (database.schema.name) is left.
      NameUse use;
      use.kind = NameUse::Kind::kRelation;
      if (isSymbol(j + 1, ".") && at(j + 2) && IsNamePart(*at(j + 2)) && !isSymbol(j + 3, ".")) {
        use.schema = NameText(*first);
        use.schemaToken = sig[j];
        use.name = NameText(*at(j + 2));
        use.token = sig[j + 2];
        use.bracketed = first->kind == Tok::kBracket || at(j + 2)->kind == Tok::kBracket;
        taken[sig[j]] = taken[sig[j + 2]] = true;
        j += 3;
      } else if (!isSymbol(j + 1, ".") && !isSymbol(j + 1, "(")) {
        use.name = NameText(*first);
        use.token = sig[j];
        use.bracketed = first->kind == Tok::kBracket;
        taken[sig[j]] = true;
        j += 1;
      } else {
        break;
      }
      out.push_back(std::move(use));
      // An alias: "AS x" or a name directly after the relation.
      if (isWord(j, "AS")) ++j;
      if (at(j) && IsNamePart(*at(j)) && !isSymbol(j + 1, ".")) {
        taken[sig[j]] = true;
        ++j;
      }
      if (!listStart || !isSymbol(j, ",")) break;
      ++j;
    }
  }
  for (size_t k = 0; k < sig.size(); ++k) {
    const size_t i = sig[k];
    if (t[i].kind != Tok::kBracket || taken[i]) continue;
    if (k > 0 && isWord(k - 1, "AS")) continue;  // an alias of a column
    if (isSymbol(k + 1, "(")) continue;          // a function
    NameUse use;
    use.kind = isSymbol(k + 1, ".") ? NameUse::Kind::kQualifier : NameUse::Kind::kColumn;
    use.name = NameText(t[i]);
    use.bracketed = true;
    use.token = i;
    out.push_back(std::move(use));
  }
  return out;
}

bool HasSecondStatement(const std::string& statement) {
  const std::vector<Token> t = Tokenize(statement);
  bool ended = false;
  for (const Token& k : t) {
    if (!Significant(k)) continue;
    if (k.kind == Tok::kSymbol && k.text == ";") {
      ended = true;
    } else if (ended) {
      return true;
    }
  }
  return false;
}

constexpr uint32_t kDateOid = 1082;

bool ComparesAsText(uint32_t oid) {
  switch (oid) {
    case 0:     // not known: the comparison stays as written
    case 16:    // boolean
    case 17:    // bytea
    case 20:    // bigint
    case 21:    // smallint
    case 23:    // integer
    case 26:    // oid
    case 700:   // real
    case 701:   // double precision
    case 790:   // money
    case 1082:  // date
    case 1083:  // time
    case 1114:  // timestamp
    case 1184:  // timestamptz
    case 1186:  // interval
    case 1266:  // timetz
    case 1560:  // bit
    case 1562:  // varbit
    case 1700:  // numeric
    case 2950:  // uuid
      return false;
    default:
      return true;  // text, varchar, char, name, enums, arrays, citext, ...
  }
}

std::string RewriteStatement(const std::string& statement, LikeFolding folding,
                             const std::vector<Parameter>* params, std::vector<size_t>* order,
                             TextComparisons* comparisons, const NameMapping* names) {
  std::vector<Token> t = Tokenize(statement);
  // A bracket name as the server gets it: the catalog's name when one was found.
  auto serverName = [&](size_t i) {
    if (names) {
      auto it = names->find(i);
      if (it != names->end()) return it->second;
    }
    return sql::BracketNamesToDoubleQuotes(t[i].text);
  };

  // SELECT [DISTINCT|ALL] TOP n / TOP (n): the tokens go, LIMIT n goes to the end.
  std::string limit;
  if (auto first = NextSig(t, static_cast<size_t>(-1));
      first && t[*first].kind == Tok::kWord && SameWord(t[*first].text, "SELECT")) {
    auto k = NextSig(t, *first);
    if (k && t[*k].kind == Tok::kWord &&
        (SameWord(t[*k].text, "DISTINCT") || SameWord(t[*k].text, "ALL")))
      k = NextSig(t, *k);
    if (k && t[*k].kind == Tok::kWord && SameWord(t[*k].text, "TOP")) {
      auto v = NextSig(t, *k);
      std::optional<size_t> open, close;
      if (v && t[*v].kind == Tok::kSymbol && t[*v].text == "(") {
        open = v;
        v = NextSig(t, *v);
        if (v) close = NextSig(t, *v);
        if (!close || t[*close].text != ")") v.reset();
      }
      auto after = v ? NextSig(t, close ? *close : *v) : std::nullopt;
      const bool percent =
          after && t[*after].kind == Tok::kWord && SameWord(t[*after].text, "PERCENT");
      if (v && t[*v].kind == Tok::kNumber && !percent) {
        limit = t[*v].text;
        const size_t last = close ? *close : *v;
        for (size_t j = *k; j <= last; ++j) t[j] = Token{Tok::kBlank, "", false};
        // One blank instead of "TOP n ".
        size_t j = last + 1;
        while (j < t.size() && t[j].kind == Tok::kBlank) t[j++].text.clear();
        t[*k].text = " ";
        if (*k > 0 && t[*k - 1].kind == Tok::kBlank) t[*k].text.clear();
      }
    }
  }

  // Comparisons: LIKE folds both sides, a bare 0/1 after a name becomes text.
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i].kind == Tok::kWord && SameWord(t[i].text, "LIKE")) {
      auto l = PrevSig(t, i);
      if (l && t[*l].kind == Tok::kWord && SameWord(t[*l].text, "NOT")) l = PrevSig(t, *l);
      auto r = NextSig(t, i);
      if (!l || !r || !IsNameToken(t[*l]) || t[*r].kind != Tok::kString || !t[*r].plainString)
        continue;
      auto esc = NextSig(t, *r);
      const bool hasEscape = esc && t[*esc].kind == Tok::kWord && SameWord(t[*esc].text, "ESCAPE");
      const std::string left = t[*l].kind == Tok::kBracket ? serverName(*l) : t[*l].text;
      t[*l] = Token{Tok::kSymbol, Fold(left, folding), false};
      // The library's patterns know no escape character; PostgreSQL's default is "\".
      t[*r] =
          Token{Tok::kSymbol, Fold(t[*r].text, folding) + (hasEscape ? "" : " ESCAPE ''"), false};
    } else if (t[i].kind == Tok::kNumber && (t[i].text == "0" || t[i].text == "1")) {
      auto op = PrevSig(t, i);
      if (!op || t[*op].kind != Tok::kSymbol ||
          (t[*op].text != "=" && t[*op].text != "<>" && t[*op].text != "!="))
        continue;
      auto l = PrevSig(t, *op);
      if (!l || !IsNameToken(t[*l])) continue;
      auto r = NextSig(t, i);
      const bool ends = !r || t[*r].kind == Tok::kWord || t[*r].text == ")" || t[*r].text == ";";
      if (ends) t[i] = Token{Tok::kString, "'" + t[i].text + "'", true};
    }
  }

  // Names compared with text literals. A text column compares by the criteria's
  // rule (folded, German order), as LIKE does; other types (numbers, dates, money,
  // uuid) keep the server's comparison in their own type. The types come from a
  // probe of the statement, which writes "$n" for each such literal.
  std::vector<size_t> probes;
  // In a SELECT only: "SET a = 'x'" of an UPDATE assigns, it does not compare.
  const auto first = NextSig(t, static_cast<size_t>(-1));
  const bool select = first && t[*first].kind == Tok::kWord && SameWord(t[*first].text, "SELECT");
  if (comparisons) comparisons->found = 0;
  if (comparisons && select) {
    size_t k = 0;
    for (size_t i = 0; i < t.size(); ++i) {
      if (t[i].kind != Tok::kString || !t[i].plainString) continue;
      auto op = PrevSig(t, i);
      if (!op || !IsComparison(t[*op])) continue;
      auto l = PrevSig(t, *op);
      if (!l || !IsNameToken(t[*l])) continue;
      const size_t index = k++;
      if (comparisons->probe) {
        probes.push_back(i);
        continue;
      }
      if (index >= comparisons->types.size()) continue;
      if (comparisons->types[index] == kDateOid && t[i].text.find(':') != std::string::npos) {
        // A date compared with a date and time: as the instant midnight is, not as
        // the day the server would cut the time off to.
        const std::string name = t[*l].kind == Tok::kBracket ? serverName(*l) : t[*l].text;
        t[*l] = Token{Tok::kSymbol, "CAST(" + name + " AS timestamp)", false};
        continue;
      }
      if (!ComparesAsText(comparisons->types[index])) continue;
      const std::string left = t[*l].kind == Tok::kBracket ? serverName(*l) : t[*l].text;
      const bool ordered = t[*op].text != "=" && t[*op].text != "<>" && t[*op].text != "!=";
      t[*l] = Token{Tok::kSymbol,
                    Fold(left, folding) +
                        (ordered && folding == LikeFolding::kIcu ? " COLLATE \"und-x-icu\"" : ""),
                    false};
      t[i] = Token{Tok::kSymbol, Fold(t[i].text, folding), false};
    }
    comparisons->found = k;
  }

  std::string out;
  out.reserve(statement.size() + 16);
  int positional = 0;
  std::vector<std::pair<size_t, int>> named;  // parameter index -> $n
  int nextNumber = 1;
  size_t lastSig = std::string::npos;
  for (size_t i = 0; i < t.size(); ++i) {
    if (Significant(t[i]) && !(t[i].kind == Tok::kSymbol && t[i].text == ";")) lastSig = i;
  }
  for (size_t i = 0; i < t.size(); ++i) {
    const Token& k = t[i];
    if (k.kind == Tok::kBracket) {
      out += serverName(i);
    } else if (!probes.empty() && std::find(probes.begin(), probes.end(), i) != probes.end()) {
      comparisons->probeNumbers.push_back(nextNumber);
      out += "$" + std::to_string(nextNumber++);
    } else if (k.kind == Tok::kParam && params && order) {
      std::optional<size_t> index;
      if (k.text == "?") {
        int seen = 0;
        for (size_t p = 0; p < params->size(); ++p) {
          if (!IsInput((*params)[p])) continue;
          if (seen++ == positional) {
            index = p;
            break;
          }
        }
        ++positional;
        if (!index) {
          out += k.text;  // nobody supplied it: the server reports the missing value
        } else {
          order->push_back(*index);
          out += "$" + std::to_string(nextNumber++);
        }
      } else {
        for (size_t p = 0; p < params->size(); ++p) {
          if (SameName((*params)[p].name, k.text)) {
            index = p;
            break;
          }
        }
        if (!index) {
          out += k.text;
        } else {
          int number = 0;
          for (auto& [p, num] : named)
            if (p == *index) number = num;
          if (number == 0) {
            number = nextNumber++;
            named.emplace_back(*index, number);
            order->push_back(*index);
          }
          out += "$" + std::to_string(number);
        }
      }
    } else {
      out += k.text;
    }
    if (i == lastSig && !limit.empty()) out += " LIMIT " + limit;
  }
  return out;
}

}  // namespace vmbgrid::postgres
