#include "search/criteria.h"

#include <cstdlib>
#include <vector>

#include "core/services.h"
#include "core/strings.h"
#include "host/data_access.h"
#include "host/error.h"
#include "host/platform.h"
#include "host/sql_text.h"
#include "search/criteria_literals.h"

namespace vmbgrid::search {

namespace {

constexpr std::string_view kOrPrefix = "ODER ";

// The class decides the quote character and how a typed value becomes a literal.
enum class TypeClass { Number, Decimal, Date, Boolean, Text, Guid, NotSearchable, Unsupported };

TypeClass Classify(int32_t datatype) {
  switch (datatype) {
    case adSmallInt:
    case adInteger:
    case adSingle:
    case adTinyInt:
    case adBigInt:
      return TypeClass::Number;
    case adDouble:
    case vmLongNumber:
      return TypeClass::Decimal;
    case adDate:
    case adDBTimeStamp:
      return TypeClass::Date;
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

void Show(const std::string& text) { Platform::Messages().ShowMessage(text, kMessageInfo); }

[[noreturn]] void ThrowConversion(const std::string& fieldname, std::string_view typed,
                                  std::string_view what) {
  throw VMError(errc::kTypeMismatch, "VMBGrid",
                "Der Wert '" + sql::Excerpt(typed) + "' in der Spalte " + fieldname + " ist " +
                    std::string(what) + ".");
}

// One translation: the column, its class and quote, and how its literals are made.
class Translation {
 public:
  Translation(const std::string& fieldname, int32_t datatype, TypeClass cls,
              const CriteriaContext& ctx)
      : fieldname_(fieldname),
        column_(core::QuoteFieldName(fieldname)),
        datatype_(datatype),
        cls_(cls),
        ctx_(ctx) {
    if (cls_ == TypeClass::Date) quote_ = ctx_.databaseKind == 1 ? "#" : "'";
    if (cls_ == TypeClass::Text) quote_ = "'";
  }

  const std::string& Column() const { return column_; }
  const std::string& Quote() const { return quote_; }
  bool Unquoted() const { return quote_.empty(); }

  // Class conversion of a typed value before it is looked up or written: the
  // stored form of formatted text, the literal body of a date.
  std::string Convert(const std::string& value) const {
    if (cls_ == TypeClass::Text && datatype_ == vmFormattedText) {
      return core::UnformatSpecialText(value);
    }
    if (cls_ == TypeClass::Date) {
      try {
        return core::ToSqlDate(value);
      } catch (const VMError&) {
        ThrowConversion(fieldname_, value, "kein gültiges Datum");
      }
    }
    return value;
  }

  std::string Untranslate(const std::string& value) const {
    return ctx_.untranslate ? ctx_.untranslate(fieldname_, value) : value;
  }

  // The complete literal for a value: canonical number, or quoted text.
  std::string Write(const std::string& value) const {
    if (Unquoted()) {
      auto number = detail::CanonicalNumber(value);
      if (!number) ThrowConversion(fieldname_, value, "keine gültige Zahl");
      return *number;
    }
    return Quoted(value);
  }

  // A LIKE pattern goes in as typed; only the quote is made safe.
  std::string Pattern(const std::string& value) const { return Quoted(value); }

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

  const std::string& fieldname_;
  std::string column_;
  int32_t datatype_;
  TypeClass cls_;
  const CriteriaContext& ctx_;
  std::string quote_;
};

std::string BooleanCondition(const std::string& fieldname, const std::string& column,
                             const std::string& text, int databaseKind) {
  auto number = detail::BooleanNumber(text);
  if (!number) ThrowConversion(fieldname, text, "kein gültiger Wahrheitswert");
  int64_t n = *number;
  if (databaseKind != 1) n = std::llabs(n);
  return column + " = " + std::to_string(n);
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
    case TypeClass::Boolean: {
      int64_t n = value.ToInt32();
      if (ctx.databaseKind != 1) n = std::llabs(n);
      return column + " = " + std::to_string(n);
    }
    case TypeClass::Guid:
      return GuidCondition(fieldname, column, value.ToText());
    default:
      break;
  }
  Translation t(fieldname, datatype, cls, ctx);
  return "(" + column + " = " + t.Write(t.Convert(value.ToText())) + ")";
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

}  // namespace

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
  switch (cls) {
    case TypeClass::NotSearchable:
      Show("In der Spalte " + fieldname + " ist es nicht möglich zu suchen.");
      return {};
    case TypeClass::Unsupported:
      Show("Der Datentyp " + core::DataTypeName(datatype) +
           " wird bei Abfragen noch nicht unterstützt.");
      return {};
    default:
      break;
  }
  if (!value.IsString()) return TypedValueCondition(fieldname, value, datatype, cls, ctx);

  std::string text = value.StringRef();
  if (core::CharacterCount(text) > kMaxCriterionLength) {
    throw VMError(errc::kTypeMismatch, "VMBGrid",
                  "Das Suchkriterium in der Spalte " + fieldname +
                      " ist zu lang; erlaubt sind höchstens 100.000 Zeichen.");
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
  if (cls == TypeClass::Decimal) text = core::TranslateChars(text, ",", ".");

  const Translation t(fieldname, datatype, cls, ctx);
  text = StripOrPrefix(text);
  const bool literal = text.size() >= 2 && text.front() == '"' && text.back() == '"';
  if (literal) {
    text = core::Trim(std::string_view(text).substr(1, text.size() - 2));
  } else {
    text = core::TranslateChars(text, ":,", "-;");
  }
  if (text.empty()) return {};

  // Only text can compare with an empty value; elsewhere an empty alternative
  // ("1;" or ";5") is nothing typed and adds nothing.
  const bool emptyIsValue = cls == TypeClass::Text;
  std::vector<std::string> terms;
  for (const std::string& alternative : core::SplitList(text, ';')) {
    if (literal) {
      if (alternative.empty() && !emptyIsValue) continue;
      // A literal date is still checked and written in the data source's form.
      const std::string v = cls == TypeClass::Date ? t.Convert(alternative) : alternative;
      terms.push_back(column + " = " + t.Write(v));
      continue;
    }
    const std::vector<std::string> parts = core::SplitList(alternative, '-');
    if (parts.size() == 1) {
      const std::string& part = parts.front();
      bool numericWildcard = false;
      if (core::HasWildcards(part, t.Quote(), numericWildcard)) {
        if (numericWildcard) {
          Show("Die Zeichen * und ? sind für numerische Datentypen nicht möglich");
          return {};
        }
        terms.push_back(column + " LIKE " + t.Pattern(part));
        continue;
      }
      if (part.empty() && !emptyIsValue) continue;
      const core::OperatorSplit split = core::SplitOperator(part);
      const std::string v = t.Untranslate(t.Convert(split.value));
      terms.push_back(column + split.op + t.Write(v));
    } else if (parts.size() == 2) {
      bool numericWildcard = false;
      if (core::HasWildcards(parts[0], t.Quote(), numericWildcard) ||
          core::HasWildcards(parts[1], t.Quote(), numericWildcard)) {
        Show("Die Zeichen * und ? sind in Bereichsangaben nicht möglich");
        return {};
      }
      std::string range;
      if (!parts[0].empty()) range = column + " >= " + t.Write(t.Convert(parts[0]));
      if (!parts[1].empty()) {
        if (!range.empty()) range += " AND ";
        range += column + " <= " + t.Write(t.Convert(parts[1]));
      }
      // A lone "-" is an open range on both sides: no term, and no empty " OR ".
      if (!range.empty()) terms.push_back(std::move(range));
    } else {
      Show("Bereichsangabe hat einen Fehler");
      return {};
    }
  }
  if (terms.empty()) return {};
  return "(" + JoinAlternatives(terms, 0, terms.size()) + ")";
}

}  // namespace vmbgrid::search
