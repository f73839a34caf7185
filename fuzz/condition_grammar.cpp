#include "fuzz/condition_grammar.h"

#include <string_view>
#include <vector>

namespace vmbgrid::fuzz {

namespace {

enum class Tok { Column, Op, Like, And, Or, LParen, RParen, Number, Text, Date };

struct Token {
  Tok kind;
  std::string text;  // operator, or the literal's body
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Tokens of the condition; false (with the reason) on anything outside the language.
bool Tokenize(std::string_view s, const std::string& column, std::vector<Token>& out,
              std::string& problem) {
  size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (c == ' ') {
      ++i;
    } else if (s.substr(i).starts_with(column)) {
      out.push_back({Tok::Column, column});
      i += column.size();
    } else if (c == '[') {
      problem = "a name other than the column";
      return false;
    } else if (c == '\'') {
      std::string body;
      size_t j = i + 1;
      for (;;) {
        if (j >= s.size()) {
          problem = "an unterminated text literal";
          return false;
        }
        if (s[j] == '\'') {
          if (j + 1 < s.size() && s[j + 1] == '\'') {
            body += '\'';
            j += 2;
            continue;
          }
          break;
        }
        body += s[j++];
      }
      out.push_back({Tok::Text, body});
      i = j + 1;
    } else if (c == '#') {
      size_t end = s.find('#', i + 1);
      if (end == std::string_view::npos) {
        problem = "an unterminated date literal";
        return false;
      }
      out.push_back({Tok::Date, std::string(s.substr(i + 1, end - i - 1))});
      i = end + 1;
    } else if (IsDigit(c) || (c == '-' && i + 1 < s.size() && IsDigit(s[i + 1]))) {
      size_t j = i + 1;
      while (j < s.size() && IsDigit(s[j])) ++j;
      if (j < s.size() && s[j] == '.') {
        ++j;
        if (j >= s.size() || !IsDigit(s[j])) {
          problem = "a number ending in a point";
          return false;
        }
        while (j < s.size() && IsDigit(s[j])) ++j;
      }
      if (j < s.size() && s[j] == 'e') {
        ++j;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j >= s.size() || !IsDigit(s[j])) {
          problem = "a number with an empty exponent";
          return false;
        }
        while (j < s.size() && IsDigit(s[j])) ++j;
      }
      out.push_back({Tok::Number, std::string(s.substr(i, j - i))});
      i = j;
    } else if (c == '=' || c == '<' || c == '>') {
      size_t j = i + 1;
      if (j < s.size() && (s[j] == '=' || (c == '<' && s[j] == '>'))) ++j;
      out.push_back({Tok::Op, std::string(s.substr(i, j - i))});
      i = j;
    } else if (c == '(' || c == ')') {
      out.push_back({c == '(' ? Tok::LParen : Tok::RParen, std::string(1, c)});
      ++i;
    } else if (s.substr(i).starts_with("LIKE ")) {
      out.push_back({Tok::Like, "LIKE"});
      i += 4;
    } else if (s.substr(i).starts_with("AND ")) {
      out.push_back({Tok::And, "AND"});
      i += 3;
    } else if (s.substr(i).starts_with("OR ")) {
      out.push_back({Tok::Or, "OR"});
      i += 2;
    } else {
      problem = "unexpected text \"" + std::string(s.substr(i, 12)) + "\" outside the literals";
      return false;
    }
  }
  return true;
}

bool IsDateBody(const std::string& b) {
  auto digitsAt = [&b](size_t from, size_t count) {
    for (size_t k = from; k < from + count; ++k)
      if (k >= b.size() || !IsDigit(b[k])) return false;
    return true;
  };
  if (b.size() != 10 && b.size() != 19) return false;
  if (!digitsAt(0, 4) || b[4] != '-' || !digitsAt(5, 2) || b[7] != '-' || !digitsAt(8, 2))
    return false;
  if (b.size() == 10) return true;
  return b[10] == ' ' && digitsAt(11, 2) && b[13] == ':' && digitsAt(14, 2) && b[16] == ':' &&
         digitsAt(17, 2);
}

bool IsTimeBody(const std::string& b) {
  return b.size() == 8 && IsDigit(b[0]) && IsDigit(b[1]) && b[2] == ':' && IsDigit(b[3]) &&
         IsDigit(b[4]) && b[5] == ':' && IsDigit(b[6]) && IsDigit(b[7]);
}

bool IsDecimalBody(const std::string& b) {
  size_t i = b.starts_with("-") ? 1 : 0;
  const size_t start = i;
  while (i < b.size() && IsDigit(b[i])) ++i;
  if (i == start) return false;
  if (i < b.size() && b[i] == '.') {
    const size_t fraction = ++i;
    while (i < b.size() && IsDigit(b[i])) ++i;
    if (i == fraction) return false;
  }
  return i == b.size();
}

bool IsGuidBody(const std::string& b) {
  std::string_view v(b);
  if (v.size() == 38 && v.front() == '{' && v.back() == '}') v = v.substr(1, 36);
  if (v.size() != 36) return false;
  for (size_t k = 0; k < v.size(); ++k) {
    const bool hyphen = k == 8 || k == 13 || k == 18 || k == 23;
    const char c = v[k];
    const bool hex = IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (hyphen ? c != '-' : !hex) return false;
  }
  return true;
}

class Grammar {
 public:
  Grammar(const std::vector<Token>& t, LiteralKind literal, Body body)
      : t_(t), literal_(literal), body_(body) {}

  std::string Check() {
    if (literal_ == LiteralKind::Boolean || literal_ == LiteralKind::Guid) {
      // A single comparison without brackets.
      if (t_.size() != 3 || t_[0].kind != Tok::Column || t_[1].kind != Tok::Op || t_[1].text != "=")
        return "not a single equality";
      if (literal_ == LiteralKind::Boolean) {
        if (t_[2].kind != Tok::Number || t_[2].text.find_first_of(".e") != std::string::npos)
          return "a boolean that is no whole number";
      } else if (t_[2].kind != Tok::Text || !IsGuidBody(t_[2].text)) {
        return "a GUID literal that is no GUID";
      }
      return {};
    }
    if (std::string p = Group(0); !p.empty()) return p;
    if (at_ != t_.size()) return "text after the closing bracket";
    return {};
  }

 private:
  // ( item OR item ... ), an item being an alternative or, where many alternatives
  // are nested in halves to stay within the engine's depth, a group again.
  std::string Group(int depth) {
    if (depth > 40) return "groups nested deeper than halving ever needs";
    if (!Take(Tok::LParen)) return "no opening bracket";
    for (;;) {
      const bool nested = at_ < t_.size() && t_[at_].kind == Tok::LParen;
      if (std::string p = nested ? Group(depth + 1) : Alternative(); !p.empty()) return p;
      if (!Take(Tok::Or)) break;
    }
    if (!Take(Tok::RParen)) return "no closing bracket after the alternatives";
    return {};
  }

  bool Take(Tok kind) {
    if (at_ >= t_.size() || t_[at_].kind != kind) return false;
    ++at_;
    return true;
  }

  // column op literal [AND column <= literal], or column LIKE literal. The upper
  // bound of a span of dates or times ends before its next day or second ("<").
  std::string Alternative() {
    std::string op;
    if (std::string p = Comparison(op); !p.empty()) return p;
    if (op == "LIKE" || !Take(Tok::And)) return {};
    if (op != ">=") return "a conjunction that is no range";
    std::string upper;
    if (std::string p = Comparison(upper); !p.empty()) return p;
    if (upper != "<=" && upper != "<") return "a range whose upper bound is not \"<=\" or \"<\"";
    return {};
  }

  std::string Comparison(std::string& op) {
    if (!Take(Tok::Column)) return "a comparison that does not start with the column";
    if (Take(Tok::Like)) {
      op = "LIKE";
    } else if (at_ < t_.size() && t_[at_].kind == Tok::Op) {
      op = t_[at_++].text;
    } else {
      return "a column without operator";
    }
    if (at_ >= t_.size()) return "an operator without literal";
    const Token& lit = t_[at_++];
    const Tok expected = literal_ == LiteralKind::Number ? Tok::Number
                         : literal_ == LiteralKind::Date ? Tok::Date
                                                         : Tok::Text;
    if (lit.kind != expected) return "a literal of the wrong kind";
    if (op == "LIKE") return {};
    if (body_ == Body::Date && !IsDateBody(lit.text)) return "a date that is no date";
    if (body_ == Body::Time && !IsTimeBody(lit.text)) return "a time that is no time";
    if (body_ == Body::Decimal && !IsDecimalBody(lit.text)) return "a decimal that is no number";
    return {};
  }

  const std::vector<Token>& t_;
  LiteralKind literal_;
  Body body_;
  size_t at_ = 0;
};

}  // namespace

std::string CheckCondition(const std::string& condition, const std::string& column,
                           LiteralKind literal, Body body) {
  std::vector<Token> tokens;
  std::string problem;
  if (!Tokenize(condition, column, tokens, problem)) return problem;
  return Grammar(tokens, literal, body).Check();
}

}  // namespace vmbgrid::fuzz
