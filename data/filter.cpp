#include "data/filter.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "data/filter_node.h"
#include "data/text_rules.h"
#include "host/error.h"

namespace vmbgrid::data {

namespace {

constexpr int kMaxDepth = 200;

CmpOp Inverse(CmpOp op) {
  switch (op) {
    case CmpOp::Eq:
      return CmpOp::Ne;
    case CmpOp::Ne:
      return CmpOp::Eq;
    case CmpOp::Lt:
      return CmpOp::Ge;
    case CmpOp::Le:
      return CmpOp::Gt;
    case CmpOp::Gt:
      return CmpOp::Le;
    case CmpOp::Ge:
      return CmpOp::Lt;
  }
  return op;
}

// NOT is pushed down to the comparisons, so that a row with a null stays out of
// both a comparison and its negation, as in SQL.
void Negate(FilterNode& n) {
  switch (n.kind) {
    case FilterNode::Kind::And:
      n.kind = FilterNode::Kind::Or;
      for (auto& c : n.children) Negate(*c);
      break;
    case FilterNode::Kind::Or:
      n.kind = FilterNode::Kind::And;
      for (auto& c : n.children) Negate(*c);
      break;
    case FilterNode::Kind::Compare:
      n.op = Inverse(n.op);
      break;
    case FilterNode::Kind::Like:
    case FilterNode::Kind::IsNull:
      n.negate = !n.negate;
      break;
  }
}

bool ParseClock(std::string_view text, DateValue& out) {
  int part[3] = {0, 0, 0};
  size_t i = 0;
  int k = 0;
  for (; k < 3; ++k) {
    const size_t start = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 2)
      part[k] = part[k] * 10 + (text[i++] - '0');
    if (i == start || (k > 0 && i - start != 2)) return false;
    if (i == text.size()) break;
    if (k == 2 || text[i] != ':') return false;
    ++i;
  }
  if (k == 0 || i != text.size()) return false;
  // 24:00:00 is the end of the day, which a span of the day's last second ends at.
  const int seconds = part[0] * 3600 + part[1] * 60 + part[2];
  if (part[1] > 59 || part[2] > 59 || seconds > 86400) return false;
  out = DateValue{seconds / 86400.0};
  return true;
}

}  // namespace

bool ParseFilterDate(std::string_view text, DateValue& out) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.find_first_of("./-") == std::string_view::npos) return ParseClock(text, out);
  if (text.find('/') == std::string_view::npos) return ParseDate(text, out);
  int part[3] = {0, 0, 0};
  size_t i = 0;
  for (int k = 0; k < 3; ++k) {
    size_t start = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 5)
      part[k] = part[k] * 10 + (text[i++] - '0');
    if (i == start) return false;
    if (k < 2) {
      if (i >= text.size() || text[i] != '/') return false;
      ++i;
    }
  }
  int h = 0, mi = 0, se = 0;
  std::string_view rest = text.substr(i);
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  if (!rest.empty()) {
    DateValue t;
    std::string probe = "1899-12-30 " + std::string(rest);
    if (!ParseDate(probe, t)) return false;
    DateParts p = SplitDate(t);
    h = p.hour;
    mi = p.minute;
    se = p.second;
  }
  if (!IsValidDate(part[2], part[0], part[1])) return false;
  out = MakeDate(part[2], part[0], part[1], h, mi, se);
  return true;
}

namespace {

enum class Tok : uint8_t { End, Name, Word, Text, Number, Date, Op, Minus, Plus, LParen, RParen };

struct Token {
  Tok kind = Tok::End;
  std::string text;
  size_t pos = 0;  // 1-based
};

class Parser {
 public:
  Parser(std::string_view text, const RowStore& store, std::string_view what)
      : src_(text), store_(store), what_(what) {}

  std::unique_ptr<FilterNode> Parse() {
    Next();
    if (cur_.kind == Tok::End) return nullptr;
    auto node = ParseOr(0);
    if (cur_.kind == Tok::RParen) Fail("eine schließende Klammer ohne öffnende" + At(cur_));
    if (cur_.kind != Tok::End) Fail("unerwarteter Text \"" + cur_.text + "\"" + At(cur_));
    return node;
  }

 private:
  [[noreturn]] void Fail(const std::string& reason) const {
    throw VMError(
        errc::kInvalidArgument, "VMBGrid.Recordset",
        std::string(what_) + " \"" + std::string(src_) + "\" ist ungültig: " + reason + ".");
  }
  static std::string At(const Token& t) { return " an Position " + std::to_string(t.pos); }

  static bool IsNameChar(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c >= 0x80;
  }

  void Next() {
    while (i_ < src_.size() &&
           (src_[i_] == ' ' || src_[i_] == '\t' || src_[i_] == '\r' || src_[i_] == '\n'))
      ++i_;
    cur_ = Token{};
    cur_.pos = i_ + 1;
    if (i_ >= src_.size()) return;
    char c = src_[i_];
    if (c == '[') {
      size_t j = i_ + 1;
      std::string name;
      for (;;) {
        if (j >= src_.size())
          Fail("der Feldname ab Position " + std::to_string(cur_.pos) + " ist nicht abgeschlossen");
        if (src_[j] == ']') {
          if (j + 1 < src_.size() && src_[j + 1] == ']') {  // "]]" stands for "]"
            name.push_back(']');
            j += 2;
            continue;
          }
          break;
        }
        name.push_back(src_[j++]);
      }
      i_ = j + 1;
      cur_.kind = Tok::Name;
      cur_.text = std::move(name);
    } else if (c == '\'') {
      size_t j = i_ + 1;
      std::string text;
      for (;;) {
        if (j >= src_.size())
          Fail("der Text ab Position " + std::to_string(cur_.pos) + " ist nicht abgeschlossen");
        if (src_[j] == '\'') {
          if (j + 1 < src_.size() && src_[j + 1] == '\'') {
            text.push_back('\'');
            j += 2;
            continue;
          }
          break;
        }
        text.push_back(src_[j++]);
      }
      i_ = j + 1;
      cur_.kind = Tok::Text;
      cur_.text = std::move(text);
    } else if (c == '#') {
      size_t end = src_.find('#', i_ + 1);
      if (end == std::string_view::npos)
        Fail("das Datum ab Position " + std::to_string(cur_.pos) + " ist nicht abgeschlossen");
      cur_.kind = Tok::Date;
      cur_.text = std::string(src_.substr(i_ + 1, end - i_ - 1));
      i_ = end + 1;
    } else if (c >= '0' && c <= '9') {
      size_t j = i_;
      while (j < src_.size() && ((src_[j] >= '0' && src_[j] <= '9') || src_[j] == '.')) ++j;
      if (j < src_.size() && (src_[j] == 'e' || src_[j] == 'E')) {
        size_t k = j + 1;
        if (k < src_.size() && (src_[k] == '+' || src_[k] == '-')) ++k;
        if (k < src_.size() && src_[k] >= '0' && src_[k] <= '9') {
          j = k;
          while (j < src_.size() && src_[j] >= '0' && src_[j] <= '9') ++j;
        }
      }
      cur_.kind = Tok::Number;
      cur_.text = std::string(src_.substr(i_, j - i_));
      i_ = j;
    } else if (c == '=' || c == '<' || c == '>' || c == '!') {
      size_t j = i_ + 1;
      if (j < src_.size() && (src_[j] == '=' || (c == '<' && src_[j] == '>'))) ++j;
      cur_.kind = Tok::Op;
      cur_.text = std::string(src_.substr(i_, j - i_));
      i_ = j;
      if (cur_.text == "!") Fail("unerwartetes Zeichen \"!\"" + At(cur_));
    } else if (c == '(' || c == ')') {
      cur_.kind = c == '(' ? Tok::LParen : Tok::RParen;
      cur_.text = std::string(1, c);
      ++i_;
    } else if (c == '-' || c == '+') {
      cur_.kind = c == '-' ? Tok::Minus : Tok::Plus;
      cur_.text = std::string(1, c);
      ++i_;
    } else if (IsNameChar(static_cast<unsigned char>(c))) {
      size_t j = i_;
      while (j < src_.size() && IsNameChar(static_cast<unsigned char>(src_[j]))) ++j;
      cur_.kind = Tok::Word;
      cur_.text = std::string(src_.substr(i_, j - i_));
      i_ = j;
    } else {
      Fail("unerwartetes Zeichen \"" + std::string(1, c) + "\"" + At(cur_));
    }
  }

  bool IsKeyword(const char* kw) const {
    if (cur_.kind != Tok::Word) return false;
    std::string_view w = cur_.text;
    size_t n = std::char_traits<char>::length(kw);
    if (w.size() != n) return false;
    for (size_t k = 0; k < n; ++k)
      if ((w[k] | 0x20) != (kw[k] | 0x20)) return false;
    return true;
  }

  std::unique_ptr<FilterNode> ParseOr(int depth) {
    auto first = ParseAnd(depth);
    if (!IsKeyword("or")) return first;
    auto node = std::make_unique<FilterNode>();
    node->kind = FilterNode::Kind::Or;
    node->children.push_back(std::move(first));
    while (IsKeyword("or")) {
      Next();
      node->children.push_back(ParseAnd(depth));
    }
    return node;
  }

  std::unique_ptr<FilterNode> ParseAnd(int depth) {
    auto first = ParseNot(depth);
    if (!IsKeyword("and")) return first;
    auto node = std::make_unique<FilterNode>();
    node->kind = FilterNode::Kind::And;
    node->children.push_back(std::move(first));
    while (IsKeyword("and")) {
      Next();
      node->children.push_back(ParseNot(depth));
    }
    return node;
  }

  std::unique_ptr<FilterNode> ParseNot(int depth) {
    if (depth > kMaxDepth) Fail("der Ausdruck ist zu tief verschachtelt");
    if (IsKeyword("not")) {
      Next();
      auto node = ParseNot(depth + 1);
      Negate(*node);
      return node;
    }
    if (cur_.kind == Tok::LParen) {
      Token open = cur_;
      Next();
      auto node = ParseOr(depth + 1);
      if (cur_.kind != Tok::RParen)
        Fail("zur Klammer" + At(open) + " fehlt die schließende Klammer");
      Next();
      return node;
    }
    return ParseComparison();
  }

  // "0 = 1" and other comparisons of two numbers: the library's statement for no
  // rows, held as an empty OR (false) or an empty AND (true).
  std::unique_ptr<FilterNode> ParseConstant() {
    auto number = [this]() {
      double d = 0;
      const std::string& t = cur_.text;
      auto r = std::from_chars(t.data(), t.data() + t.size(), d);
      if (cur_.kind != Tok::Number || r.ec != std::errc() || r.ptr != t.data() + t.size())
        Fail("statt \"" + cur_.text + "\"" + At(cur_) + " wird eine Zahl erwartet");
      Next();
      return d;
    };
    const double a = number();
    if (cur_.kind != Tok::Op) Fail("nach der Zahl wird ein Vergleichsoperator erwartet");
    const std::string o = cur_.text;
    Next();
    const double b = number();
    bool holds = false;
    if (o == "=")
      holds = a == b;
    else if (o == "<>" || o == "!=")
      holds = a != b;
    else if (o == "<")
      holds = a < b;
    else if (o == "<=")
      holds = a <= b;
    else if (o == ">")
      holds = a > b;
    else if (o == ">=")
      holds = a >= b;
    else
      Fail("der Operator \"" + o + "\" ist nicht bekannt");
    auto node = std::make_unique<FilterNode>();
    node->kind = holds ? FilterNode::Kind::And : FilterNode::Kind::Or;
    return node;
  }

  std::unique_ptr<FilterNode> ParseComparison() {
    if (cur_.kind == Tok::Number) return ParseConstant();
    if (cur_.kind != Tok::Name && cur_.kind != Tok::Word) {
      if (cur_.kind == Tok::End) Fail("am Ende fehlt ein Feldname");
      Fail("statt \"" + cur_.text + "\"" + At(cur_) + " wird ein Feldname erwartet");
    }
    std::string name = cur_.text;
    int col = store_.FindColumn(name);
    if (col < 0) Fail("das Feld \"" + name + "\" ist nicht vorhanden");
    Next();

    auto node = std::make_unique<FilterNode>();
    node->col = col;
    bool negated = false;
    if (IsKeyword("is")) {
      Next();
      if (IsKeyword("not")) {
        negated = true;
        Next();
      }
      if (!IsKeyword("null")) Fail("nach IS wird NULL erwartet" + At(cur_));
      Next();
      node->kind = FilterNode::Kind::IsNull;
      node->negate = negated;
      return node;
    }
    if (IsKeyword("not")) {
      negated = true;
      Next();
      if (!IsKeyword("like")) Fail("nach NOT wird LIKE erwartet" + At(cur_));
    }
    if (IsKeyword("like")) {
      Next();
      if (cur_.kind != Tok::Text) Fail("nach LIKE wird ein Text in Hochkommas erwartet" + At(cur_));
      node->kind = FilterNode::Kind::Like;
      node->negate = negated;
      node->litText = cur_.text;
      node->like = std::make_unique<LikePattern>(cur_.text);
      Next();
      return node;
    }
    if (cur_.kind != Tok::Op)
      Fail("nach dem Feld \"" + name + "\" wird ein Vergleichsoperator erwartet");
    const std::string& o = cur_.text;
    if (o == "=")
      node->op = CmpOp::Eq;
    else if (o == "<>" || o == "!=")
      node->op = CmpOp::Ne;
    else if (o == "<")
      node->op = CmpOp::Lt;
    else if (o == "<=")
      node->op = CmpOp::Le;
    else if (o == ">")
      node->op = CmpOp::Gt;
    else if (o == ">=")
      node->op = CmpOp::Ge;
    else
      Fail("der Operator \"" + o + "\" ist nicht bekannt");
    Next();
    ParseLiteral(*node, name);
    return node;
  }

  // Reads the value after the operator and converts it once into the form the
  // column's storage compares with.
  void ParseLiteral(FilterNode& n, const std::string& fieldName) {
    const Column& c = store_.columns[static_cast<size_t>(n.col)];
    bool negative = false;
    if (cur_.kind == Tok::Minus || cur_.kind == Tok::Plus) {
      negative = cur_.kind == Tok::Minus;
      Next();
      if (cur_.kind != Tok::Number) Fail("nach dem Vorzeichen wird eine Zahl erwartet" + At(cur_));
    }
    Token lit = cur_;
    if (lit.kind == Tok::End) Fail("nach dem Operator wird ein Wert erwartet");
    auto misfit = [&]() {
      Fail("der Wert \"" + lit.text + "\" passt nicht zum Feld \"" + fieldName + "\"");
    };
    // The literal as a Variant, for the generic comparisons.
    Variant v;
    if (lit.kind == Tok::Number) {
      double d = 0;
      std::string_view t = lit.text;
      auto r = std::from_chars(t.data(), t.data() + t.size(), d);
      if (r.ec != std::errc() || r.ptr != t.data() + t.size()) misfit();
      n.litText = (negative ? "-" : "") + lit.text;
      // Exactly where it can be: 9007199254740993 and 0.1 are what they say.
      Decimal exact;
      v = Decimal::Parse(n.litText, exact) ? Variant(exact) : Variant(negative ? -d : d);
    } else if (lit.kind == Tok::Text) {
      v = Variant(lit.text);
      n.litText = lit.text;
    } else if (lit.kind == Tok::Date) {
      DateValue dv;
      if (!ParseFilterDate(lit.text, dv)) Fail("\"" + lit.text + "\" ist kein gültiges Datum");
      v = Variant(dv);
      n.litText = FormatIsoDate(dv);
    } else if (IsKeyword("null")) {
      Next();
      if (n.op != CmpOp::Eq && n.op != CmpOp::Ne)
        Fail("NULL lässt sich nur mit = oder <> vergleichen");
      n.kind = FilterNode::Kind::IsNull;
      n.negate = n.op == CmpOp::Ne;
      return;
    } else if (IsKeyword("true") || IsKeyword("false")) {
      v = Variant(IsKeyword("true"));
      n.litText = lit.text;
    } else {
      Fail("statt \"" + lit.text + "\"" + At(lit) + " wird ein Wert erwartet");
    }
    Next();

    switch (c.storage) {
      case Storage::Int32:
      case Storage::Int64:
      case Storage::Double:
      case Storage::Decimal: {
        double num = 0;
        bool exact = false;
        if (v.IsString()) {
          DateValue dv;
          if (c.presentation == Presentation::Date && ParseFilterDate(v.StringRef(), dv)) {
            num = dv.serial;
          } else if (c.presentation == Presentation::Boolean && TruthWord(v.StringRef(), num)) {
          } else if (!ParseNumber(v.StringRef(), num)) {
            misfit();
          } else {
            exact = Decimal::Parse(v.StringRef(), n.litDec);
          }
        } else if (v.IsBoolean()) {
          num = v.BoolRef() ? -1 : 0;
        } else if (v.IsDate()) {
          num = v.DoubleRef();
        } else if (v.IsExact()) {
          n.litDec = v.DecimalRef();
          num = n.litDec.ToDouble();
          exact = true;
        } else {
          num = v.DoubleRef();
        }
        // Single precision compares in its own precision ("0.1" finds the 0.1 a
        // float holds); dates compare as the instants they are.
        if (c.type == adSingle) num = AsSingle(num);
        if (c.presentation == Presentation::Date) num = DateOrder(num);
        n.litNum = num;
        int64_t whole = 0;
        if (c.presentation == Presentation::Boolean && (n.op == CmpOp::Eq || n.op == CmpOp::Ne)) {
          n.mode = FilterNode::Mode::Truth;
          n.lit64 = num != 0 ? 1 : 0;
        } else if (c.storage == Storage::Double) {
          n.mode = FilterNode::Mode::Double;
        } else if (c.storage == Storage::Decimal) {
          n.mode = exact ? FilterNode::Mode::Decimal : FilterNode::Mode::Double;
        } else if (exact) {
          const bool integral = n.litDec.ToInteger(whole) &&
                                Decimal::Compare(Decimal::FromInteger(whole), n.litDec) == 0;
          n.mode = integral ? FilterNode::Mode::Int : FilterNode::Mode::Decimal;
          n.lit64 = whole;
        } else if (std::nearbyint(num) == num && std::fabs(num) < 9.0e18) {
          n.mode = FilterNode::Mode::Int;
          n.lit64 = static_cast<int64_t>(num);
        } else {
          n.mode = FilterNode::Mode::Double;
        }
        break;
      }
      case Storage::Text:
        n.mode = FilterNode::Mode::Text;
        n.litFolded = FoldText(SearchedText(c, n.litText));
        break;
      case Storage::Variant:
        n.mode = FilterNode::Mode::Variant;
        n.litVariant = std::move(v);
        n.litFolded = FoldText(n.litText);
        break;
    }
  }

  static bool TruthWord(const std::string& s, double& out) {
    std::string f = FoldText(s);
    if (f == "true" || f == "wahr") {
      out = -1;
      return true;
    }
    if (f == "false" || f == "falsch") {
      out = 0;
      return true;
    }
    return false;
  }

  std::string_view src_;
  const RowStore& store_;
  std::string_view what_;
  size_t i_ = 0;
  Token cur_;
};

}  // namespace

CompiledFilter::CompiledFilter() = default;
CompiledFilter::CompiledFilter(CompiledFilter&&) noexcept = default;
CompiledFilter& CompiledFilter::operator=(CompiledFilter&&) noexcept = default;
CompiledFilter::~CompiledFilter() = default;

CompiledFilter CompiledFilter::Compile(std::string_view text, const RowStore& store,
                                       std::string_view what) {
  CompiledFilter f;
  Parser p(text, store, what);
  f.root_ = p.Parse();
  return f;
}

}  // namespace vmbgrid::data
