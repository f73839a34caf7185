// Shapes of the conditions and the messages of the criteria language.
#include <gtest/gtest.h>

#include "core/services.h"
#include "criteria_fixture.h"
#include "host/error.h"

namespace vmbgrid::search::testing {
namespace {

// Currency, decimal, numeric and single take the comma as decimal point and write
// the digits typed, quoted, so that the database reads them in the column's type.
TEST_F(CriteriaTest, ExactDecimalShapes) {
  for (int32_t type : {adCurrency, adDecimal, adNumeric, adSingle}) {
    EXPECT_EQ(Cond("B", "1,5", type), "([B] = '1.5')") << type;
    EXPECT_EQ(Cond("B", "1000-2000", type), "([B] >= '1000' AND [B] <= '2000')");
    EXPECT_EQ(Cond("B", "<0", type), "([B] < '0')");
    EXPECT_EQ(Cond("B", "1,5;3", type), "([B] = '1.5' OR [B] = '3')");
  }
  EXPECT_EQ(Cond("B", "12345678,123456789", adNumeric), "([B] = '12345678.123456789')");
  EXPECT_EQ(Cond("B", "0,10", adNumeric), "([B] = '0.1')");
  EXPECT_EQ(Cond("B", "+007,50", adNumeric), "([B] = '7.5')");
  EXPECT_EQ(Cond("B", "\"-0,00\"", adNumeric), "([B] = '0')");
  EXPECT_EQ(Cond("B", "1.5e3", adNumeric), "([B] = '1500')");
  EXPECT_EQ(Cond("B", "<25e-4", adNumeric), "([B] < '0.0025')");
  EXPECT_EQ(Cond("B", "99999999999999999999,99", adNumeric), "([B] = '99999999999999999999.99')");
  EXPECT_EQ(Cond("B", "1,5", adCurrency, 1), "([B] = 1.5)");  // kind 1 takes numbers bare
  EXPECT_EQ(Refusal("B", "1*", adCurrency),
            "Die Zeichen * und ? sind für numerische Datentypen nicht möglich");
  for (const char* bad : {"1.2.3", "1e", "1e1001", "abc", "1 5", "0x10", "'1'"}) {
    EXPECT_THROW(Cond("B", bad, adNumeric), VMError) << bad;
  }
}

// Refused criteria raise with their German message; no condition is built.
TEST_F(CriteriaTest, ColumnsThatCannotBeSearched) {
  for (int32_t type : {adLongVarChar, adLongVarWChar, adLongVarBinary}) {
    EXPECT_EQ(Refusal("Notiz", "Meier", type),
              "In der Spalte Notiz ist es nicht möglich zu suchen.");
  }
  for (int32_t type : {adBinary, DataTypeEnum{19}, DataTypeEnum{999}}) {
    EXPECT_EQ(Refusal("Betrag", "5", type), "Der Datentyp " + core::DataTypeName(type) +
                                                " wird bei Abfragen noch nicht unterstützt.");
  }
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
