// Shapes of the conditions and the messages of the criteria language.
#include <gtest/gtest.h>

#include "core/services.h"
#include "criteria_fixture.h"
#include "host/error.h"

namespace vmbgrid::search::testing {
namespace {

// What each kind of criterion becomes, one row each: the condition hosts read and the
// providers rewrite. Kind 2 is the text form of dates, 1 the # form.
TEST_F(CriteriaTest, EveryKindOfCriterionHasItsShape) {
  // clang-format off
  struct Row { const char *field, *typed; int32_t type; int kind; const char* condition; };
  const Row rows[] = {
      {"Name", "Meier", adVarChar, 2, "([Name] = 'Meier')"},
      {"Name", "Mei*", adVarChar, 2, "([Name] LIKE 'Mei*')"},
      {"Name", "A-M", adVarWChar, 2, "([Name] >= 'A' AND [Name] <= 'M')"},
      {"Name", "Meier;Schulz", adVarChar, 2, "([Name] = 'Meier' OR [Name] = 'Schulz')"},
      {"Name", "\"Meier-Schulz, A\"", adVarChar, 2, "([Name] = 'Meier-Schulz, A')"},
      {"Name", "\"Mül*\"", adVarChar, 2, "([Name] = 'Mül*')"},
      {"Name", "<>Meier", adVarChar, 2, "([Name] <> 'Meier')"},
      {"Name", "A-M;Z", adVarChar, 2, "([Name] >= 'A' AND [Name] <= 'M' OR [Name] = 'Z')"},
      {"Name", "Meier;", adVarChar, 2, "([Name] = 'Meier' OR [Name] = '')"},
      {"Name", "ODER   Meier  ", adVarChar, 2, "([Name] = 'Meier')"},
      {"Name", "oder Meier", adVarChar, 2, "([Name] = 'oder Meier')"},
      {"Name", "ODER ", adVarChar, 2, ""},
      {"Nr", "1000-2000", adInteger, 2, "([Nr] >= 1000 AND [Nr] <= 2000)"},
      {"Nr", "1;;3;", adInteger, 2, "([Nr] = 1 OR [Nr] = 3)"},
      {"Nr", "9223372036854775807", adBigInt, 2, "([Nr] = 9223372036854775807)"},
      {"N", "-5", adInteger, 2, "([N] <= 5)"},
      {"N", "<-5", adInteger, 2, "([N] < -5)"},
      {"N", "-10:-5", adInteger, 2, "([N] >= -10 AND [N] <= -5)"},
      {"N", "\"-5\"", adInteger, 2, "([N] = -5)"},
      {"W", "1,5-2,5", adDouble, 2, "([W] >= 1.5 AND [W] <= 2.5)"},
      {"D", "1.2.2003", adDate, 1, "([D] = #2003-02-01#)"},
      {"D", "1.2.2003", adDBDate, 2, "([D] = '2003-02-01')"},
      {"D", "1.1.03:31.12.03", adDate, 2, "([D] >= '2003-01-01' AND [D] <= '2003-12-31')"},
      {"D", "-31.12.2003", adDate, 2, "([D] <= '2003-12-31')"},
      {"D", "1.2.*", adDate, 2, "([D] LIKE '1.2.*')"},
      {"Z", "12:30", adDBTime, 1, "([Z] >= #12:30:00# AND [Z] < #12:30:01#)"},
      {"Aktiv", "-1", adBoolean, 1, "[Aktiv] = -1"},
      {"Aktiv", "wahr", adBoolean, 2, "[Aktiv] = 1"},
      {"Iban", "DE12 3456 78", vmFormattedText, 2, "([Iban] = 'DE12345678')"},
      {"Iban", "DE12 34*", vmFormattedText, 2, "([Iban] LIKE 'DE12 34*')"},
  };
  // clang-format on
  for (const Row& r : rows)
    EXPECT_EQ(Cond(r.field, r.typed, r.type, r.kind), r.condition) << r.field << " " << r.typed;
  EXPECT_EQ(TakeMessage(), "");
}

// Currency, decimal, numeric and single take the comma as decimal point and write
// the digits typed, quoted, so that the database reads them in the column's type.
TEST_F(CriteriaTest, ExactDecimalShapes) {
  for (int32_t type : {adCurrency, adDecimal, adNumeric, adSingle}) {
    EXPECT_EQ(Cond("B", "1,5", type), "([B] = '1.5')") << type;
    EXPECT_EQ(Cond("B", "1000-2000", type), "([B] >= '1000' AND [B] <= '2000')");
    EXPECT_EQ(Cond("B", "<0", type), "([B] < '0')");
    EXPECT_EQ(Cond("B", "1,5;3", type), "([B] = '1.5' OR [B] = '3')");
  }
  // clang-format off
  for (auto [typed, condition] : {std::pair{"12345678,123456789", "([B] = '12345678.123456789')"},
           {"0,10", "([B] = '0.1')"}, {"+007,50", "([B] = '7.5')"}, {"\"-0,00\"", "([B] = '0')"},
           {"1.5e3", "([B] = '1500')"}, {"<25e-4", "([B] < '0.0025')"},
           {"99999999999999999999,99", "([B] = '99999999999999999999.99')"}})
    EXPECT_EQ(Cond("B", typed, adNumeric), condition) << typed;
  // clang-format on
  EXPECT_EQ(Cond("B", "1,5", adCurrency, 1), "([B] = 1.5)");  // kind 1 takes numbers bare
  EXPECT_EQ(Refusal("B", "1*", adCurrency),
            "Die Zeichen * und ? sind für numerische Datentypen nicht möglich");
  for (const char* bad : {"1.2.3", "1e", "1e1001", "abc", "1 5", "0x10", "'1'"})
    EXPECT_THROW(Cond("B", bad, adNumeric), VMError) << bad;
}

// Refused criteria raise with their German message; no condition is built.
TEST_F(CriteriaTest, ColumnsThatCannotBeSearched) {
  for (int32_t type : {adLongVarChar, adLongVarWChar, adLongVarBinary})
    EXPECT_EQ(Refusal("Notiz", "Meier", type),
              "In der Spalte Notiz ist es nicht möglich zu suchen.");
  for (int32_t type : {adBinary, DataTypeEnum{19}, DataTypeEnum{999}})
    EXPECT_EQ(Refusal("Betrag", "5", type), "Der Datentyp " + core::DataTypeName(type) +
                                                " wird bei Abfragen noch nicht unterstützt.");
  // The typed text is quoted in the message, at most 80 characters of it.
  try {
    Cond("Notiz", std::string(200, 'x'), adLongVarChar);
    ADD_FAILURE();
  } catch (const CriterionRejected& e) {
    EXPECT_EQ(e.Description(),
              "In der Spalte Notiz ist es nicht möglich zu suchen.\r\n"
              "Spalte Notiz, Suchkriterium '" +
                  std::string(80, 'x') + "…'");
  }
  EXPECT_EQ(TakeMessage(), "");
}

}  // namespace
}  // namespace vmbgrid::search::testing
