#include "search/criteria.h"

#include <cstdlib>
#include <optional>
#include <vector>

#include "core/services.h"
#include "core/strings.h"
#include "host/data_access.h"
#include "host/error.h"
#include "host/sql_text.h"
#include "search/criteria_literals.h"
#include "search/criteria_moments.h"

namespace vmbgrid::search {

namespace {

constexpr std::string_view kOrPrefix = "ODER ";

// The class decides the quote character and how a typed value becomes a literal.
//   Number        whole numbers; "," separates alternatives
//   Decimal       double precision: "," is the decimal point, written as a double
//   ExactDecimal  currency, decimal, numeric, single: "," is the decimal point, the
//                 literal keeps every digit typed and goes in quotes, so that the
//                 database reads it in the column's own type (money, real, numeric)
//   Date          a date (a time may be typed along and is compared exactly)
//   DateTime      date and time: a date means its whole day, a time its second
//   Time          time of day: ":" belongs to the time, a time means its second
enum class TypeClass {
  Number,
  Decimal,
  ExactDecimal,
  Date,
  DateTime,
  Time,
  Boolean,
  Text,
  Guid,
  NotSearchable,
  Unsupported
};

TypeClass Classify(int32_t datatype) {
  switch (datatype) {
    case adSmallInt:
    case adInteger:
    case adTinyInt:
    case adBigInt:
      return TypeClass::Number;
    case adDouble:
    case vmLongNumber:
      return TypeClass::Decimal;
    case adSingle:
    case adCurrency:
    case adDecimal:
    case adNumeric:
      return TypeClass::ExactDecimal;
    case adDate:
    case adDBDate:
      return TypeClass::Date;
    case adDBTimeStamp:
    case vmDateTime:
      return TypeClass::DateTime;
    case adDBTime:
      return TypeClass::Time;
    case adBoolean:
      return TypeClass::Boolean;
    case vmFormattedText:
    case adChar:
    case adWChar:
    case adVarChar:
    case adVarWChar:
      return TypeClass::Text;
    case adGUID:
      return TypeClass::Guid;
    case adLongVarChar:
    case adLongVarWChar:
    case adLongVarBinary:
      return TypeClass::NotSearchable;
    default:
      return TypeClass::Unsupported;
  }
}

bool IsNumeric(TypeClass c) {
  return c == TypeClass::Number || c == TypeClass::Decimal || c == TypeClass::ExactDecimal;
}
bool IsMoment(TypeClass c) {
  return c == TypeClass::Date || c == TypeClass::DateTime || c == TypeClass::Time;
}
// A typed value stands for a span: its whole day or second.
bool HasSpan(TypeClass c) { return c == TypeClass::DateTime || c == TypeClass::Time; }

[[noreturn]] void ThrowConversion(const std::string& fieldname, std::string_view typed,
                                  std::string_view what) {
  throw VMError(errc::kTypeMismatch, "VMBGrid",
                "Der Wert '" + core::Visible(sql::Excerpt(typed)) + "' in der Spalte " + fieldname +
                    " ist " + std::string(what) + ".");
}

// A comparison operator leads the part: what follows is one value, so that a minus
// after it is the value's sign ("<-5", ">=-1,5").
bool StartsWithOperator(std::string_view part) {
  const std::string t = core::Trim(part);
  return !t.empty() && (t[0] == '<' || t[0] == '>' || t[0] == '=' || t.starts_with("!="));
}

// One translation: the column, its class and quote, and how its literals are made.
class Translation {
 public:
  Translation(const std::string& fieldname, const std::string& typed, int32_t datatype,
              TypeClass cls, const CriteriaContext& ctx)
      : fieldname_(fieldname),
        typed_(typed),
        column_(core::QuoteFieldName(fieldname)),
        datatype_(datatype),
        cls_(cls),
        ctx_(ctx) {
    if (IsMoment(cls_)) quote_ = ctx_.databaseKind == 1 ? "#" : "'";
    if (cls_ == TypeClass::ExactDecimal && ctx_.databaseKind != 1) quote_ = "'";
    if (cls_ == TypeClass::Text) quote_ = "'";
  }

  const std::string& Column() const { return column_; }
  TypeClass Class() const { return cls_; }

  [[noreturn]] void Reject(const std::string& reason) const {
    throw CriterionRejected(fieldname_, typed_, reason);
  }

  // Class conversion of a typed value before it is looked up or written: the
  // stored form of formatted text, the literal body of a date or time.
  std::string Convert(const std::string& value) const {
    if (cls_ == TypeClass::Text && datatype_ == vmFormattedText) {
      return core::UnformatSpecialText(value);
    }
    try {
      if (cls_ == TypeClass::Time) return core::ToSqlTime(value);
      if (IsMoment(cls_)) return core::ToSqlDate(value);
    } catch (const VMError&) {
      ThrowConversion(fieldname_, value,
                      cls_ == TypeClass::Time ? "keine gültige Uhrzeit" : "kein gültiges Datum");
    }
    return value;
  }

  std::string Untranslate(const std::string& value) const {
    return ctx_.untranslate ? ctx_.untranslate(fieldname_, value) : value;
  }

  // The complete literal for a converted value: a canonical or exact number, or
  // quoted text.
  std::string Write(const std::string& value) const {
    if (cls_ == TypeClass::Number || cls_ == TypeClass::Decimal) {
      auto number = detail::CanonicalNumber(value);
      if (!number) ThrowConversion(fieldname_, value, "keine gültige Zahl");
      return *number;
    }
    if (cls_ == TypeClass::ExactDecimal) {
      auto number = detail::ExactDecimal(value);
      if (!number) ThrowConversion(fieldname_, value, "keine gültige Zahl");
      return quote_ + *number + quote_;
    }
    return Quoted(value);
  }

  // A LIKE pattern goes in as typed; only the quote is made safe.
  std::string Pattern(const std::string& value) const { return Quoted(value); }

  // Wildcards make a pattern; in a number column and in range bounds they are refused.
  bool HasWildcards(const std::string& part) const {
    bool unquoted = false;
    if (!core::HasWildcards(part, quote_, unquoted)) return false;
    if (IsNumeric(cls_)) Reject("Die Zeichen * und ? sind für numerische Datentypen nicht möglich");
    return true;
  }

  // "c op v" for one typed value. A date on a date-and-time column means its whole
  // day, a time its whole second: "=" becomes a half-open span, and the other
  // operators compare with the span's start or end.
  std::string Comparison(const std::string& op, const std::string& value) const {
    const std::string v = Untranslate(Convert(value));
    if (!HasSpan(cls_)) return column_ + op + Write(v);
    const Span s = SpanOf(v);
    const std::string lo = Write(s.start);
    if (op == " >= ") return column_ + " >= " + lo;
    if (op == " < ") return column_ + " < " + lo;
    if (op == " <= ") return UpTo(s);
    if (op == " > ") return s.end ? column_ + " >= " + Write(*s.end) : column_ + " > " + Last();
    // Two comparisons joined by OR stand among the alternatives, which OR joins too.
    if (op == " <> ") {
      return s.end ? column_ + " < " + lo + " OR " + column_ + " >= " + Write(*s.end)
                   : column_ + " < " + lo;
    }
    return s.end ? column_ + " >= " + lo + " AND " + column_ + " < " + Write(*s.end)
                 : column_ + " >= " + lo;
  }

  // "c >= L AND c <= U" for a range; an empty bound leaves that side open. The
  // upper bound of a date-and-time or time range takes in its whole day or second.
  std::string Range(const std::string& lower, const std::string& upper) const {
    std::string range;
    if (!lower.empty()) {
      std::string l = Convert(lower);
      if (HasSpan(cls_)) l = SpanOf(l).start;
      range = column_ + " >= " + Write(l);
    }
    if (!upper.empty()) {
      if (!range.empty()) range += " AND ";
      const std::string u = Convert(upper);
      range += HasSpan(cls_) ? UpTo(SpanOf(u)) : column_ + " <= " + Write(u);
    }
    return range;
  }

  // "c = v" of the quoted, literal form: exactly the value, also on date-and-time
  // columns (midnight, or the second typed).
  std::string Exact(const std::string& value) const {
    std::string v = IsMoment(cls_) ? Convert(value) : value;
    // Midnight in the form date-and-time columns hold it, also as text on SQLite.
    if (cls_ == TypeClass::DateTime && v.size() == 10) v += " 00:00:00";
    return column_ + " = " + Write(v);
  }

  // Bounds of one alternative: one part for a single value, two for a range.
  std::vector<std::string> Parts(const std::string& alternative) const {
    if (cls_ == TypeClass::Text) return core::SplitList(alternative, '-');
    if (StartsWithOperator(alternative)) return {core::Trim(alternative)};
    if (IsNumeric(cls_)) {
      // A ":" range takes signed bounds: "-10:-5". Without ":" the minus keeps its
      // old meaning of a range separator ("-100" is at most 100).
      if (alternative.find(':') != std::string::npos) return core::SplitList(alternative, ':');
      return core::SplitList(alternative, '-');
    }
    if (cls_ == TypeClass::Date || cls_ == TypeClass::DateTime) {
      // ":" between two dates is a range; in "31.7.2024 13:45" it is the time's.
      const std::vector<std::string> colon = core::SplitList(alternative, ':');
      if (colon.size() == 2 && IsDateBound(colon[0]) && IsDateBound(colon[1])) return colon;
    }
    return core::SplitList(alternative, '-');
  }

 private:
  std::string Quoted(const std::string& value) const {
    std::string out = quote_;
    for (char c : value) {
      if (quote_ == "#" && c == '#') {
        // A date delimiter has no escape; it could only end the literal early.
        ThrowConversion(fieldname_, value, "kein gültiges Datum");
      }
      out += c;
      if (quote_ == "'" && c == '\'') out += '\'';
    }
    out += quote_;
    return out;
  }

  static bool IsDateBound(const std::string& part) {
    if (part.empty()) return true;
    try {
      return core::ToSqlDate(part).size() == 10;
    } catch (const VMError&) {
      return false;
    }
  }

  Span SpanOf(const std::string& body) const {
    return cls_ == TypeClass::Time ? TimeSpan(body) : DateTimeSpan(body);
  }
  // The last instant a column of the class can hold, for spans that end beyond it.
  std::string Last() const { return Write(cls_ == TypeClass::Time ? kLastTime : kLastDateTime); }
  std::string UpTo(const Span& s) const {
    return s.end ? column_ + " < " + Write(*s.end) : column_ + " <= " + Last();
  }

  const std::string& fieldname_;
  const std::string& typed_;
  std::string column_;
  int32_t datatype_;
  TypeClass cls_;
  const CriteriaContext& ctx_;
  std::string quote_;
};

// Every number but 0 is true, as automation converts it; true is written -1 on
// database kind 1 and 1 elsewhere, so that "5" finds the rows a check box shows
// ticked rather than none (or a type error on a server).
std::string TruthLiteral(int64_t n, int databaseKind) {
  return n == 0 ? "0" : (databaseKind == 1 ? "-1" : "1");
}

std::string BooleanCondition(const std::string& fieldname, const std::string& column,
                             const std::string& text, int databaseKind) {
  auto number = detail::BooleanNumber(text);
  if (!number) ThrowConversion(fieldname, text, "kein gültiger Wahrheitswert");
  return column + " = " + TruthLiteral(*number, databaseKind);
}

std::string GuidCondition(const std::string& fieldname, const std::string& column,
                          const std::string& text) {
  if (!detail::IsGuid(text)) ThrowConversion(fieldname, text, "keine gültige GUID");
  return column + " = '" + text + "'";
}

// A value the host set as a number, date or boolean: one exact comparison.
std::string TypedValueCondition(const std::string& fieldname, const Variant& value,
                                int32_t datatype, TypeClass cls, const CriteriaContext& ctx) {
  const std::string column = core::QuoteFieldName(fieldname);
  switch (cls) {
    case TypeClass::Boolean:
      return column + " = " + TruthLiteral(value.ToInt32(), ctx.databaseKind);
    case TypeClass::Guid:
      return GuidCondition(fieldname, column, value.ToText());
    default:
      break;
  }
  std::string text = value.ToText();
  // A date value on a time column is its time of day.
  if (cls == TypeClass::Time && value.IsDate()) text = TimeOfDay(value.DoubleRef());
  Translation t(fieldname, text, datatype, cls, ctx);
  return "(" + t.Exact(text) + ")";
}

// Alternatives joined with OR. Up to kFlatAlternatives they stand in one row; more
// are nested in balanced halves, so that thousands of alternatives stay far within
// a database's expression depth (a flat OR chain is as deep as it is long).
constexpr size_t kFlatAlternatives = 64;

std::string JoinAlternatives(const std::vector<std::string>& terms, size_t from, size_t to) {
  if (to - from > kFlatAlternatives) {
    const size_t mid = from + (to - from) / 2;
    return "(" + JoinAlternatives(terms, from, mid) + ") OR (" + JoinAlternatives(terms, mid, to) +
           ")";
  }
  std::string joined;
  for (size_t i = from; i < to; ++i) {
    if (i > from) joined += " OR ";
    joined += terms[i];
  }
  return joined;
}

// The typed text as the alternatives and bounds are read from it: "," becomes the
// decimal point of decimal classes and the alternative separator of the others;
// ":" becomes "-" in text only, since elsewhere it separates signed bounds or
// belongs to a time.
std::string Separators(const std::string& text, TypeClass cls) {
  switch (cls) {
    case TypeClass::Decimal:
    case TypeClass::ExactDecimal:
      return text;  // commas were made points before the "ODER " prefix was looked at
    case TypeClass::Text:
      return core::TranslateChars(text, ":,", "-;");
    default:
      return core::TranslateChars(text, ",", ";");
  }
}

}  // namespace

CriterionRejected::CriterionRejected(const std::string& fieldname, std::string_view typed,
                                     const std::string& reason)
    : VMError(errc::kTypeMismatch, "VMBGrid",
              reason + "\r\nSpalte " + fieldname + ", Suchkriterium '" +
                  core::Visible(sql::Excerpt(typed)) + "'") {}

std::string StripOrPrefix(const std::string& text) {
  if (!text.starts_with(kOrPrefix)) return text;
  return core::Trim(std::string_view(text).substr(kOrPrefix.size()));
}

bool HasOrPrefix(const Variant& value) { return value.ToTextOrEmpty().starts_with(kOrPrefix); }

bool IsPlaceholder(const Variant& value) { return value.ToTextOrEmpty().starts_with("="); }

std::string BuildSearchCondition(const std::string& fieldname, const Variant& value,
                                 int32_t datatype, const CriteriaContext& ctx) {
  if (value.IsEmpty() || value.IsNull() || value.IsMissing()) return {};
  if (value.IsString() && value.StringRef().empty()) return {};
  const TypeClass cls = Classify(datatype);
  if (cls == TypeClass::NotSearchable) {
    throw CriterionRejected(fieldname, value.ToTextOrEmpty(),
                            "In der Spalte " + fieldname + " ist es nicht möglich zu suchen.");
  }
  if (cls == TypeClass::Unsupported) {
    throw CriterionRejected(fieldname, value.ToTextOrEmpty(),
                            "Der Datentyp " + core::DataTypeName(datatype) +
                                " wird bei Abfragen noch nicht unterstützt.");
  }
  if (!value.IsString()) return TypedValueCondition(fieldname, value, datatype, cls, ctx);

  const std::string& typed = value.StringRef();
  std::string text = typed;
  if (core::CharacterCount(text) > kMaxCriterionLength) {
    throw VMError(errc::kTypeMismatch, "VMBGrid",
                  "Das Suchkriterium in der Spalte " + fieldname +
                      " ist zu lang; erlaubt sind höchstens 100.000 Zeichen.");
  }
  // No database compares a text holding the NUL character: SQLite ends the statement
  // there, PostgreSQL refuses it. The search line takes no control characters, so
  // such a criterion comes from a stored query or a host.
  if (typed.find('\0') != std::string::npos) {
    throw CriterionRejected(fieldname, typed,
                            "Ein Suchkriterium kann kein Nullzeichen (\\x00) enthalten.");
  }
  const std::string column = core::QuoteFieldName(fieldname);
  // Boolean and GUID values are single values; "ODER " still only marks the
  // alternative, it is no part of the value.
  if (cls == TypeClass::Boolean) {
    text = core::Trim(StripOrPrefix(text));
    return text.empty() ? std::string()
                        : BooleanCondition(fieldname, column, text, ctx.databaseKind);
  }
  if (cls == TypeClass::Guid) {
    text = core::Trim(StripOrPrefix(text));
    return text.empty() ? std::string() : GuidCondition(fieldname, column, text);
  }
  if (cls == TypeClass::Decimal || cls == TypeClass::ExactDecimal) {
    text = core::TranslateChars(text, ",", ".");
  }

  const Translation t(fieldname, typed, datatype, cls, ctx);
  text = StripOrPrefix(text);
  const bool literal = text.size() >= 2 && text.front() == '"' && text.back() == '"';
  text = literal ? core::Trim(std::string_view(text).substr(1, text.size() - 2))
                 : Separators(text, cls);
  if (text.empty()) return {};

  // Only text can compare with an empty value; elsewhere an empty alternative
  // ("1;" or ";5") is nothing typed and adds nothing.
  const bool emptyIsValue = cls == TypeClass::Text;
  std::vector<std::string> terms;
  for (const std::string& alternative : core::SplitList(text, ';')) {
    if (literal) {
      if (alternative.empty() && !emptyIsValue) continue;
      terms.push_back(t.Exact(alternative));
      continue;
    }
    const std::vector<std::string> parts = t.Parts(alternative);
    if (parts.size() == 1) {
      const std::string& part = parts.front();
      if (t.HasWildcards(part)) {
        terms.push_back(column + " LIKE " + t.Pattern(part));
        continue;
      }
      if (part.empty() && !emptyIsValue) continue;
      const core::OperatorSplit split = core::SplitOperator(part);
      terms.push_back(t.Comparison(split.op, split.value));
    } else if (parts.size() == 2) {
      bool unused = false;
      if (core::HasWildcards(parts[0], "'", unused) || core::HasWildcards(parts[1], "'", unused)) {
        t.Reject("Die Zeichen * und ? sind in Bereichsangaben nicht möglich");
      }
      std::string range = t.Range(parts[0], parts[1]);
      // A lone "-" is an open range on both sides: no term, and no empty " OR ".
      if (!range.empty()) terms.push_back(std::move(range));
    } else {
      t.Reject("Bereichsangabe hat einen Fehler");
    }
  }
  if (terms.empty()) return {};
  return "(" + JoinAlternatives(terms, 0, terms.size()) + ")";
}

}  // namespace vmbgrid::search
