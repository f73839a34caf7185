// Number formats: the named formats and custom patterns with the placeholders 0 and
// #, "." for the decimal comma, "," for grouping, %, E+ and up to four sections
// (positive;negative;zero;null). Digits come from the shortest exact decimal form of
// the value and are rounded in decimal, so 2.5 rounds to 3 and 1.005 to 1.01.
#include "adapters/common/display_format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "adapters/common/format_internal.h"
#include "adapters/common/text_util.h"
#include "host/number_total.h"

namespace vmbgrid {
namespace fmt {

namespace {
void StripTrailingZeros(Decimal& d) {
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.point = 0;
}
}  // namespace

Decimal FromDouble(double v, bool single) {
  Decimal d;
  if (v == 0.0 || !std::isfinite(v)) return d;
  d.negative = v < 0;
  char buf[64];
  std::to_chars_result r =
      single ? std::to_chars(buf, buf + sizeof buf, std::fabs(static_cast<float>(v)),
                             std::chars_format::scientific)
             : std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific);
  std::string_view text(buf, static_cast<size_t>(r.ptr - buf));
  size_t e = text.find('e');
  if (e == std::string_view::npos) return d;
  for (char c : text.substr(0, e)) {
    if (c >= '0' && c <= '9') d.digits.push_back(c);
  }
  int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
  d.point = exponent + 1;
  // Leading zeros cannot occur in scientific form; trailing ones are dropped.
  StripTrailingZeros(d);
  return d;
}

Decimal FromExact(const vmbgrid::Decimal& v) {
  Decimal d;
  if (v.IsZero()) return d;
  d.negative = v.IsNegative();
  d.digits = v.Digits();
  d.point = static_cast<int>(d.digits.size()) - v.Scale();
  StripTrailingZeros(d);
  return d;
}

Decimal FromInteger(int64_t v) {
  Decimal d;
  if (v == 0) return d;
  d.negative = v < 0;
  uint64_t magnitude = v < 0 ? static_cast<uint64_t>(-(v + 1)) + 1u : static_cast<uint64_t>(v);
  d.digits = std::to_string(magnitude);
  d.point = static_cast<int>(d.digits.size());
  StripTrailingZeros(d);
  return d;
}

void Round(Decimal& d, int fractionDigits) {
  if (d.IsZero()) return;
  long keep = static_cast<long>(d.point) + fractionDigits;
  if (keep >= static_cast<long>(d.digits.size())) return;
  if (keep < 0) {
    d.digits.clear();
    d.point = 0;
    return;
  }
  bool up = d.digits[static_cast<size_t>(keep)] >= '5';
  d.digits.resize(static_cast<size_t>(keep));
  if (up) {
    long i = keep - 1;
    while (i >= 0 && d.digits[static_cast<size_t>(i)] == '9') {
      d.digits[static_cast<size_t>(i)] = '0';
      --i;
    }
    if (i < 0) {
      d.digits.insert(d.digits.begin(), '1');
      ++d.point;
    } else {
      ++d.digits[static_cast<size_t>(i)];
    }
  }
  bool negative = d.negative;
  StripTrailingZeros(d);
  d.negative = negative && !d.IsZero();
}

std::string IntegerPart(const Decimal& d) {
  if (d.point <= 0 || d.IsZero()) return "";
  std::string out =
      d.digits.substr(0, std::min<size_t>(d.digits.size(), static_cast<size_t>(d.point)));
  if (static_cast<size_t>(d.point) > d.digits.size())
    out.append(static_cast<size_t>(d.point) - d.digits.size(), '0');
  return out;
}

std::string FractionPart(const Decimal& d, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    long p = static_cast<long>(d.point) + i;
    out.push_back(
        p < 0 || p >= static_cast<long>(d.digits.size()) ? '0' : d.digits[static_cast<size_t>(p)]);
  }
  return out;
}

std::string Group(const std::string& digits) {
  std::string out;
  size_t n = digits.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out.push_back('.');
    out.push_back(digits[i]);
  }
  return out;
}

std::string GeneralNumber(const Decimal& d) {
  if (d.IsZero()) return "0";
  std::string sign = d.negative ? "-" : "";
  if (d.point > 15 || d.point < -14) {
    std::string mantissa = d.digits.substr(0, 1);
    if (d.digits.size() > 1) mantissa += "," + d.digits.substr(1);
    int exponent = d.point - 1;
    std::string e = std::to_string(std::abs(exponent));
    if (e.size() < 2) e.insert(0, "0");
    return sign + mantissa + (exponent < 0 ? "E-" : "E+") + e;
  }
  std::string ip = IntegerPart(d);
  if (ip.empty()) ip = "0";
  int fracCount = static_cast<int>(d.digits.size()) - d.point;
  if (fracCount <= 0) return sign + ip;
  return sign + ip + "," + FractionPart(d, fracCount);
}

}  // namespace fmt

namespace {

using fmt::Decimal;

enum class Tok { Literal, IntDigit, FracDigit, Point, Exponent };

struct Token {
  Tok kind;
  std::string text;   // literal text; for Exponent the sign mode ("+" or "-")
  bool zero = false;  // placeholder 0 (shows a digit always) or # (only when needed)
};

struct NumberPattern {
  std::vector<Token> tokens;
  int intZeros = 0, intPlaces = 0, fracZeros = 0, fracPlaces = 0, expZeros = 0;
  bool grouping = false, percent = false, scientific = false;
};

// Length of the UTF-8 sequence starting with byte c (1 for stray bytes).
size_t Utf8Length(unsigned char c) {
  if (c >= 0xF0) return 4;
  if (c >= 0xE0) return 3;
  if (c >= 0xC0) return 2;
  return 1;
}

NumberPattern ParseNumberPattern(std::string_view s) {
  NumberPattern p;
  bool afterPoint = false, inExponent = false;
  auto literal = [&p](std::string_view t) {
    if (!p.tokens.empty() && p.tokens.back().kind == Tok::Literal) {
      p.tokens.back().text.append(t);
    } else {
      p.tokens.push_back({Tok::Literal, std::string(t)});
    }
  };
  for (size_t i = 0; i < s.size();) {
    char c = s[i];
    if (c == '"') {
      size_t end = s.find('"', i + 1);
      if (end == std::string_view::npos) end = s.size();
      literal(s.substr(i + 1, end - i - 1));
      i = end + 1;
    } else if (c == '\\') {
      if (i + 1 < s.size()) {
        size_t len = std::min(Utf8Length(static_cast<unsigned char>(s[i + 1])), s.size() - i - 1);
        literal(s.substr(i + 1, len));
        i += 1 + len;
      } else {
        ++i;
      }
    } else if (c == '0' || c == '#') {
      bool zero = c == '0';
      if (inExponent) {
        if (zero) ++p.expZeros;
      } else if (afterPoint) {
        p.tokens.push_back({Tok::FracDigit, "", zero});
        ++p.fracPlaces;
        if (zero) p.fracZeros = p.fracPlaces;  // a 0 after # still forces the digits before it
      } else {
        p.tokens.push_back({Tok::IntDigit, "", zero});
        ++p.intPlaces;
        if (zero) ++p.intZeros;
      }
      ++i;
    } else if (c == '.' && !afterPoint && !inExponent) {
      p.tokens.push_back({Tok::Point, ""});
      afterPoint = true;
      ++i;
    } else if (c == ',' && !afterPoint && !inExponent && p.intPlaces > 0) {
      p.grouping = true;
      ++i;
    } else if ((c == 'E' || c == 'e') && !inExponent && p.intPlaces + p.fracPlaces > 0 &&
               i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-')) {
      p.tokens.push_back({Tok::Exponent, std::string(1, s[i + 1])});
      p.scientific = true;
      inExponent = true;
      i += 2;
    } else {
      if (c == '%') p.percent = true;
      size_t len = std::min(Utf8Length(static_cast<unsigned char>(c)), s.size() - i);
      literal(s.substr(i, len));
      i += len;
    }
  }
  return p;
}

std::string RenderNumber(Decimal d, const NumberPattern& p, bool showSign) {
  if (p.percent && !d.IsZero()) d.point += 2;
  int exponent = 0;
  if (p.scientific && !d.IsZero()) {
    int places = std::max(1, p.intPlaces);
    exponent = d.point - places;
    d.point = places;
    fmt::Round(d, p.fracPlaces);
    if (d.point > places) {
      exponent += d.point - places;
      d.point = places;
    }
  } else {
    fmt::Round(d, p.fracPlaces);
  }
  std::string ip = fmt::IntegerPart(d);
  if (static_cast<int>(ip.size()) < p.intZeros)
    ip.insert(0, static_cast<size_t>(p.intZeros) - ip.size(), '0');
  if (p.grouping) ip = fmt::Group(ip);
  std::string frac = fmt::FractionPart(d, p.fracPlaces);
  while (static_cast<int>(frac.size()) > p.fracZeros && frac.back() == '0') frac.pop_back();

  std::string out;
  if (showSign && d.negative && !d.IsZero()) out = "-";
  bool intDone = false;
  size_t fracIndex = 0;
  for (const Token& t : p.tokens) {
    switch (t.kind) {
      case Tok::Literal:
        out += t.text;
        break;
      case Tok::IntDigit:
        if (!intDone) out += ip;
        intDone = true;
        break;
      case Tok::Point:
        if (!intDone) out += ip;  // ".00" still shows the whole part
        intDone = true;
        // "#,##0.##" shows 5 as "5", not "5,".
        if (p.fracZeros > 0 || !frac.empty()) out += ',';
        break;
      case Tok::FracDigit:
        if (!intDone) {
          out += ip;
          intDone = true;
        }
        if (fracIndex < frac.size()) out += frac[fracIndex];
        ++fracIndex;
        break;
      case Tok::Exponent: {
        std::string e = std::to_string(std::abs(exponent));
        if (static_cast<int>(e.size()) < p.expZeros)
          e.insert(0, static_cast<size_t>(p.expZeros) - e.size(), '0');
        out += 'E';
        if (exponent < 0) {
          out += '-';
        } else if (t.text == "+") {
          out += '+';
        }
        out += e;
        break;
      }
    }
  }
  return out;
}

std::vector<std::string_view> SplitSections(std::string_view s) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  bool quoted = false;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '"') quoted = !quoted;
    if (!quoted && s[i] == '\\') {
      ++i;
      continue;
    }
    if (!quoted && s[i] == ';') {
      parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(s.substr(start));
  return parts;
}

std::string FormatNumberPattern(const Decimal& d, std::string_view pattern) {
  std::vector<std::string_view> sections = SplitSections(pattern);
  if (sections.size() >= 3 && d.IsZero() && !sections[2].empty()) {
    return RenderNumber(d, ParseNumberPattern(sections[2]), false);
  }
  if (sections.size() >= 2 && d.negative && !sections[1].empty()) {
    Decimal magnitude = d;
    magnitude.negative = false;
    return RenderNumber(magnitude, ParseNumberPattern(sections[1]), false);
  }
  return RenderNumber(d, ParseNumberPattern(sections[0]), true);
}

// The value as a number for numeric formats; false when it is none (plain text).
bool ToDecimal(const Variant& v, Decimal& out) {
  switch (v.Type()) {
    case VarType::Int16:
    case VarType::Int32:
    case VarType::Int64:
      out = fmt::FromInteger(v.IntRef());
      return true;
    case VarType::Single:
      out = fmt::FromDouble(v.DoubleRef(), true);
      return true;
    case VarType::Double:
    case VarType::Date:
      out = fmt::FromDouble(v.DoubleRef());
      return true;
    case VarType::Currency:
    case VarType::Decimal:
      out = fmt::FromExact(v.DecimalRef());
      return true;
    case VarType::Boolean:
      out = fmt::FromInteger(v.BoolRef() ? -1 : 0);
      return true;
    case VarType::String: {
      // Exactly when the text allows it: a sum line's "18014398509481985" keeps
      // every digit.
      vmbgrid::Decimal exact;
      if (vmbgrid::Decimal::Parse(v.StringRef(), exact)) {
        out = fmt::FromExact(exact);
        return true;
      }
      double number = 0;
      if (!ParseNumber(v.StringRef(), number) || !std::isfinite(number)) return false;
      out = fmt::FromDouble(number);
      return true;
    }
    default:
      return false;
  }
}

// The value as an automation date for date formats; false when it is none.
bool ToSerial(const Variant& v, double& serial) {
  switch (v.Type()) {
    case VarType::Date:
    case VarType::Double:
    case VarType::Single:
      serial = v.DoubleRef();
      return std::isfinite(serial);
    case VarType::Int16:
    case VarType::Int32:
    case VarType::Int64:
      serial = static_cast<double>(v.IntRef());
      return true;
    case VarType::Currency:
    case VarType::Decimal:
      serial = v.DecimalRef().ToDouble();
      return true;
    case VarType::String: {
      DateValue d;
      if (ParseDate(v.StringRef(), d)) {
        serial = d.serial;
        return true;
      }
      return ParseNumber(v.StringRef(), serial) && std::isfinite(serial);
    }
    default:
      return false;
  }
}

// Binary data is never shown as its bytes: in a cell, an export or a mail merge
// they would be garbage or break the line.
std::string BinaryPlaceholder(const std::string& bytes) {
  const size_t n = bytes.size();
  return "<Binärdaten, " + std::to_string(n) + (n == 1 ? " Byte>" : " Bytes>");
}

bool NonFinite(const Variant& v) {
  return (v.Type() == VarType::Double || v.Type() == VarType::Single) &&
         !std::isfinite(v.DoubleRef());
}

std::string TextForm(const Variant& v) {
  Decimal d;
  if (NonFinite(v)) return NonFiniteText(v.DoubleRef());
  switch (v.Type()) {
    case VarType::String:
      return v.StringRef();
    case VarType::ByteArray:
      return BinaryPlaceholder(v.StringRef());
    case VarType::Currency:
    case VarType::Decimal:
      return v.DecimalRef().ToText(',');  // with its scale: "1500,50"
    case VarType::Boolean:
      return v.BoolRef() ? "Wahr" : "Falsch";
    case VarType::Date:
      return fmt::GeneralDate(v.DoubleRef());
    case VarType::Int16:
    case VarType::Int32:
    case VarType::Int64:
    case VarType::Single:
    case VarType::Double:
      ToDecimal(v, d);
      return fmt::GeneralNumber(d);
    default:
      return "";
  }
}

std::string Truth(const Variant& v, const char* yes, const char* no) {
  Decimal d;
  if (!ToDecimal(v, d)) return TextForm(v);
  return d.IsZero() ? no : yes;
}

}  // namespace

std::string PlainText(const Variant& value) { return TextForm(value); }

std::string FormatCell(const Variant& value, const std::string& numberFormat) {
  if (value.IsEmpty() || value.IsMissing()) return "";
  // No format makes a number of these: the cell and the sum line show them alike.
  if (NonFinite(value) || value.IsBytes()) return TextForm(value);
  if (value.IsNull()) {
    std::vector<std::string_view> sections = SplitSections(numberFormat);
    if (sections.size() >= 4 && !fmt::IsDatePattern(sections[3])) {
      return RenderNumber(fmt::Decimal{}, ParseNumberPattern(sections[3]), false);
    }
    return "";
  }
  if (numberFormat.empty()) return TextForm(value);
  std::string name = AsciiLower(numberFormat);
  if (name == "formattext event") return TextForm(value);
  if (name == "yes/no") return Truth(value, "Ja", "Nein");
  if (name == "true/false") return Truth(value, "Wahr", "Falsch");
  if (name == "on/off") return Truth(value, "Ein", "Aus");

  static const struct {
    const char* name;
    const char* pattern;
    bool date;
  } kNamed[] = {
      {"standard", "#,##0.00", false},     {"fixed", "0.00", false},
      {"percent", "0.00%", false},         {"currency", "#,##0.00 \xE2\x82\xAC", false},
      {"scientific", "0.00E+00", false},   {"short date", "dd.mm.yyyy", true},
      {"medium date", "dd. mmm yy", true}, {"long date", "dddd, d. mmmm yyyy", true},
      {"long time", "hh:mm:ss", true},     {"medium time", "hh:mm", true},
      {"short time", "hh:mm", true},
  };
  if (name == "general number") {
    fmt::Decimal d;
    return ToDecimal(value, d) ? fmt::GeneralNumber(d) : TextForm(value);
  }
  if (name == "general date") {
    double serial = 0;
    return ToSerial(value, serial) ? fmt::GeneralDate(serial) : TextForm(value);
  }
  std::string_view pattern = numberFormat;
  bool date = false;
  bool named = false;
  for (const auto& n : kNamed) {
    if (name == n.name) {
      pattern = n.pattern;
      date = n.date;
      named = true;
      break;
    }
  }
  if (!named) date = fmt::IsDatePattern(pattern);
  if (date) {
    double serial = 0;
    if (value.IsBoolean() || !ToSerial(value, serial)) return TextForm(value);
    return fmt::FormatDatePattern(serial, pattern);
  }
  fmt::Decimal d;
  if (!ToDecimal(value, d)) return TextForm(value);
  // "Standard" would write 1E+300 as 301 digits and 1E-300 as 0,00: a double
  // beyond the fifteen digits it holds, or too small to show a digit, is written
  // scientifically so that it stays readable and visibly not zero.
  if (name == "standard" && !value.IsExact() && !d.IsZero() && (d.point > 15 || d.point < -5))
    pattern = "0.00E+00";
  return FormatNumberPattern(d, pattern);
}

}  // namespace vmbgrid
