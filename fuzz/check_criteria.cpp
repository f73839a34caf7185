// Criteria typed into the search line. Input: one selector byte, then the text.
//   bits 0-3  the column's data type (kTypes below; with bit 7, kMoreTypes)
//   bit 4     database kind 1 (dates between "#", true as -1)
//   bit 5     a column name holding "]", to check that it stays one name
// Seed files use "@".."O" for kind 0 and "P".."_" for kind 1 ("K" + text is a
// wide varchar column on kind 0).
#include <array>
#include <string>
#include <vector>

#include "core/strings.h"
#include "data/provider.h"
#include "fuzz/checks.h"
#include "fuzz/condition_grammar.h"
#include "host/data_access.h"
#include "host/error.h"
#include "host/platform.h"
#include "search/criteria.h"

namespace vmbgrid::fuzz {

namespace {

struct ColumnType {
  int32_t datatype;    // as the restriction carries it
  int32_t storedType;  // the column of a host-supplied recordset
  LiteralKind literal;
};

constexpr int32_t kFormattedText = 44;
constexpr int32_t kLongNumber = 45;

constexpr std::array<ColumnType, 16> kTypes{{
    {adSmallInt, adSmallInt, LiteralKind::Number},
    {adInteger, adInteger, LiteralKind::Number},
    {adSingle, adSingle, LiteralKind::Number},  // exact decimal: see Literal()
    {adTinyInt, adTinyInt, LiteralKind::Number},
    {adBigInt, adBigInt, LiteralKind::Number},
    {adDouble, adDouble, LiteralKind::Number},
    {kLongNumber, adDouble, LiteralKind::Number},
    {adDate, adDate, LiteralKind::Date},
    {adDBTimeStamp, adDBTimeStamp, LiteralKind::Date},
    {adBoolean, adBoolean, LiteralKind::Boolean},
    {kFormattedText, adVarWChar, LiteralKind::Text},
    {adVarWChar, adVarWChar, LiteralKind::Text},
    {adChar, adChar, LiteralKind::Text},
    {adGUID, adGUID, LiteralKind::Guid},
    {adLongVarWChar, adLongVarWChar, LiteralKind::None},
    {adCurrency, adCurrency, LiteralKind::Number},
}};

constexpr std::array<ColumnType, 6> kMoreTypes{{
    {adNumeric, adNumeric, LiteralKind::Number},
    {adDecimal, adDecimal, LiteralKind::Number},
    {adDBTime, adDBTime, LiteralKind::Date},
    {vmDateTime, adDBTimeStamp, LiteralKind::Date},
    {adDBDate, adDBDate, LiteralKind::Date},
    {adBinary, adBinary, LiteralKind::None},
}};

bool IsExactDecimal(int32_t type) {
  return type == adSingle || type == adCurrency || type == adDecimal || type == adNumeric;
}

// Every message the criteria language may give for a criterion it refuses.
bool KnownRefusal(const std::string& text) {
  static const std::vector<std::string> kFixed = {
      "Die Zeichen * und ? sind für numerische Datentypen nicht möglich",
      "Die Zeichen * und ? sind in Bereichsangaben nicht möglich",
      "Bereichsangabe hat einen Fehler",
      "Ein Suchkriterium kann kein Nullzeichen (\\x00) enthalten.",
  };
  const std::string first = text.substr(0, text.find("\r\n"));
  for (const auto& m : kFixed)
    if (first == m) return true;
  return core::StartsWith(first, "In der Spalte ") || core::StartsWith(first, "Der Datentyp ");
}

class RecordingMessages final : public MessageService {
 public:
  RecordingMessages() : previous_(&Platform::Messages()) { Platform::Install(this); }
  ~RecordingMessages() override { Platform::Install(previous_); }
  RecordingMessages(const RecordingMessages&) = delete;
  RecordingMessages& operator=(const RecordingMessages&) = delete;

  void ShowMessage(const std::string& text, int) override { shown.push_back(text); }
  void MessageBox(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;

 private:
  MessageService* previous_;
};

// A host-supplied recordset with one column of the type and a few rows (one Null).
std::shared_ptr<Recordset> HostRows(const std::string& fieldname, int32_t type) {
  auto rs = data::DefaultDataAccess().CreateRecordset();
  rs->AppendField(fieldname, type, 50);
  rs->AppendField("Nr", adInteger, 4);
  rs->OpenFabricated();
  const std::array<Variant, 4> values = [type]() -> std::array<Variant, 4> {
    switch (type) {
      case adDate:
      case adDBDate:
      case adDBTimeStamp:
        return {Variant("2003-02-01"), Variant("1999-12-31 12:30:00"), Variant::Null(),
                Variant("2024-02-29")};
      case adDBTime:
        return {Variant(MakeDate(1899, 12, 30, 12, 30)), Variant(MakeDate(1899, 12, 30)),
                Variant::Null(), Variant(MakeDate(1899, 12, 30, 23, 59, 59))};
      case adSingle:
      case adCurrency:
      case adDecimal:
      case adNumeric:
        return {Variant(1.5), Variant(-0.25), Variant::Null(), Variant(100.0)};
      case adBoolean:
        return {Variant(true), Variant(false), Variant::Null(), Variant(true)};
      case adGUID:
        return {Variant("{6B29FC40-CA47-1067-B31D-00DD010662DA}"), Variant::Null(),
                Variant("00000000-0000-0000-0000-000000000000"), Variant::Null()};
      case adVarWChar:
      case adChar:
      case adLongVarWChar:
      case adBinary:
        return {Variant("Müller"), Variant("O'Brien"), Variant::Null(), Variant("")};
      default:
        return {Variant(int32_t{1}), Variant(int32_t{-5}), Variant::Null(), Variant(int32_t{100})};
    }
  }();
  int32_t nr = 1;
  for (const Variant& v : values) {
    rs->AddNew();
    rs->SetValue(0, v);
    rs->SetValue(1, Variant(nr++));
    rs->Update();
  }
  rs->MoveFirst();
  return rs;
}

// The in-memory path: the condition becomes the filter of the host's rows. The
// engine takes what the builder writes; when it refuses, the previous filter stays.
void FilterHostRows(const std::string& fieldname, const ColumnType& type,
                    const std::string& condition, std::string_view input) {
  auto rs = HostRows(fieldname, type.storedType);
  const std::string previous = "Nr > 1";
  rs->Filter(previous);
  const int32_t before = rs->RecordCount();
  try {
    rs->Filter(condition);
  } catch (const VMError& e) {
    RequireMessage(e.Description(), input);
    Require(rs->Filter() == previous && rs->RecordCount() == before,
            "a refused filter did not keep the previous one", input);
    // A date pattern between "#" (database kind 1) is no LIKE text to the engine;
    // the grid shows its message for a filter it cannot take. Anything else the
    // builder writes, the engine must take.
    const bool datePattern =
        type.literal == LiteralKind::Date && condition.find(" LIKE #") != std::string::npos;
    if (!datePattern)
      Fail("the recordset refused the condition " + condition + ": " + e.Description(), input);
  }
  Require(rs->RecordCount() <= 4, "the filter invented rows", input);
  rs->Filter("");
  Require(rs->RecordCount() == 4, "removing the filter did not bring back every row", input);
}

}  // namespace

void CheckCriteria(const uint8_t* data, size_t size) {
  Input in(data, size);
  const uint8_t selector = in.Byte();
  const ColumnType& type = (selector & 0x80) != 0
                               ? kMoreTypes[(selector & 0x0F) % kMoreTypes.size()]
                               : kTypes[selector & 0x0F];
  const int kind = (selector & 0x10) != 0 ? 1 : 0;
  const std::string fieldname = (selector & 0x20) != 0 ? "Sp]a lte" : "Name";
  const std::string typed = in.Rest();
  const std::string_view input = in.All();

  RecordingMessages messages;
  search::CriteriaContext ctx;
  ctx.databaseKind = kind;
  // A value list that maps a displayed word to a stored key with a quote in it.
  ctx.untranslate = [](const std::string&, const std::string& text) {
    return text == "Ja" ? std::string("J'a") : text;
  };

  std::string condition;
  try {
    condition = search::BuildSearchCondition(fieldname, Variant(typed), type.datatype, ctx);
  } catch (const search::CriterionRejected& e) {
    Require(KnownRefusal(e.Description()), "unexpected refusal \"" + e.Description() + "\"", input);
    Require(messages.shown.empty(), "a message was shown and an error raised as well", input);
    return;
  } catch (const VMError& e) {
    RequireMessage(e.Description(), input);
    Require(messages.shown.empty(), "a message was shown and an error raised as well", input);
    return;
  }
  Require(messages.shown.empty(), "a condition came with a message", input);
  if (condition.empty()) return;
  Require(type.literal != LiteralKind::None, "a condition for an unsearchable column", input);

  // Literals as the column's class writes them: dates and times on kind 0 and exact
  // decimals (but on kind 1) between "'", checked for what they hold.
  LiteralKind literal = type.literal;
  Body body = Body::Any;
  if (type.literal == LiteralKind::Date) {
    body = type.datatype == adDBTime ? Body::Time : Body::Date;
    if (kind == 0) literal = LiteralKind::Text;
  } else if (IsExactDecimal(type.datatype)) {
    body = Body::Decimal;
    if (kind == 0) literal = LiteralKind::Text;
  }
  const std::string problem =
      CheckCondition(condition, core::QuoteFieldName(fieldname), literal, body);
  if (!problem.empty()) Fail(problem + " in " + condition, input);

  FilterHostRows(fieldname, type, condition, input);
}

}  // namespace vmbgrid::fuzz
