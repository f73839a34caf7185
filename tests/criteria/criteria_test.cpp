// Shapes of the conditions and the messages of the criteria language.
#include <gtest/gtest.h>

#include "core/services.h"
#include "criteria_fixture.h"
#include "host/error.h"

namespace vmbgrid::search::testing {
namespace {

TEST_F(CriteriaTest, TextShapes) {
  EXPECT_EQ(Cond("Name", "Meier", adVarChar), "([Name] = 'Meier')");
  EXPECT_EQ(Cond("Name", "Mei*", adVarChar), "([Name] LIKE 'Mei*')");
  EXPECT_EQ(Cond("Name", "M?ier", adWChar), "([Name] LIKE 'M?ier')");
  EXPECT_EQ(Cond("Name", "A-M", adVarWChar), "([Name] >= 'A' AND [Name] <= 'M')");
  EXPECT_EQ(Cond("Name", "A:M", adChar), "([Name] >= 'A' AND [Name] <= 'M')");
  EXPECT_EQ(Cond("Name", "Meier;Schulz", adVarChar), "([Name] = 'Meier' OR [Name] = 'Schulz')");
  EXPECT_EQ(Cond("Name", "Meier, Schulz", adVarChar), "([Name] = 'Meier' OR [Name] = 'Schulz')");
  EXPECT_EQ(Cond("Name", "\"Meier-Schulz, A\"", adVarChar), "([Name] = 'Meier-Schulz, A')");
  EXPECT_EQ(Cond("Name", "\" a ; b:c* \"", adVarChar), "([Name] = 'a' OR [Name] = 'b:c*')");
  EXPECT_EQ(Cond("Name", ">=M", adVarChar), "([Name] >= 'M')");
  EXPECT_EQ(Cond("Name", "<>Meier", adVarChar), "([Name] <> 'Meier')");
  EXPECT_EQ(Cond("Name", "A-M;Z", adVarChar), "([Name] >= 'A' AND [Name] <= 'M' OR [Name] = 'Z')");
  EXPECT_EQ(Cond("Name", "100-", adVarChar), "([Name] >= '100')");
  EXPECT_EQ(Cond("Name", "-100", adVarChar), "([Name] <= '100')");
  EXPECT_EQ(Cond("Zeit", "12:30", adVarChar), "([Zeit] >= '12' AND [Zeit] <= '30')");
  // A range bound takes no operator; what is typed is the bound.
  EXPECT_EQ(Cond("Name", ">A-M", adVarChar), "([Name] >= '>A' AND [Name] <= 'M')");
  // An empty alternative of a text column compares with the empty text.
  EXPECT_EQ(Cond("Name", "Meier;", adVarChar), "([Name] = 'Meier' OR [Name] = '')");
  EXPECT_EQ(Cond("a]b", "x", adVarChar), "([a]]b] = 'x')");
  EXPECT_EQ(TakeMessage(), "");
}

TEST_F(CriteriaTest, WildcardsStayAsTypedAndLiteralsCompareExactly) {
  EXPECT_EQ(Cond("Name", "Mül*", adVarChar), "([Name] LIKE 'Mül*')");
  EXPECT_EQ(Cond("Name", "\"Mül*\"", adVarChar), "([Name] = 'Mül*')");
  EXPECT_EQ(Cond("Name", ">Mei*", adVarChar), "([Name] LIKE '>Mei*')");
}

TEST_F(CriteriaTest, OrPrefixIsUpperCaseWithOneBlank) {
  EXPECT_EQ(Cond("Name", "ODER Meier", adVarChar), "([Name] = 'Meier')");
  EXPECT_EQ(Cond("Name", "ODER   Meier  ", adVarChar), "([Name] = 'Meier')");
  EXPECT_EQ(Cond("Name", "ODER \"a-b\"", adVarChar), "([Name] = 'a-b')");
  EXPECT_EQ(Cond("Name", "oder Meier", adVarChar), "([Name] = 'oder Meier')");
  EXPECT_EQ(Cond("Name", "ODERMeier", adVarChar), "([Name] = 'ODERMeier')");
  EXPECT_EQ(Cond("Nr", "ODER 5", adInteger), "([Nr] = 5)");

  EXPECT_EQ(StripOrPrefix("ODER  Meier "), "Meier");
  EXPECT_EQ(StripOrPrefix("oder Meier"), "oder Meier");
  EXPECT_EQ(StripOrPrefix(" ODER Meier"), " ODER Meier");
  EXPECT_TRUE(HasOrPrefix(Variant("ODER x")));
  EXPECT_FALSE(HasOrPrefix(Variant("Oder x")));
  EXPECT_FALSE(HasOrPrefix(Variant::Null()));
  EXPECT_TRUE(IsPlaceholder(Variant("=1:8")));
  EXPECT_FALSE(IsPlaceholder(Variant(">=1")));
  EXPECT_FALSE(IsPlaceholder(Variant()));
}

TEST_F(CriteriaTest, NothingTypedGivesNoConditionAndNoMessage) {
  for (int32_t type : {adVarChar, vmFormattedText, adInteger, adDouble, adDate}) {
    for (const char* text : {"", "ODER ", "\"\"", "\"  \"", "-", "ODER -"}) {
      EXPECT_EQ(Cond("F", text, type), "") << type << " " << text;
    }
  }
  // Empty alternatives add nothing where no empty value can be compared with.
  for (int32_t type : {adInteger, adDouble, adDate}) {
    for (const char* text : {";", " ; - ;", "\";\""}) {
      EXPECT_EQ(Cond("F", text, type), "") << type << " " << text;
    }
  }
  for (int32_t type : {adBoolean, adGUID}) {
    EXPECT_EQ(Cond("F", "ODER ", type), "");
    EXPECT_EQ(Cond("F", "   ", type), "");
  }
  EXPECT_EQ(Cond("F", Variant(), adVarChar), "");
  EXPECT_EQ(Cond("F", Variant::Null(), adInteger), "");
  EXPECT_EQ(Cond("F", Variant::Missing(), adDate), "");
  // Empty text is checked before the column type.
  EXPECT_EQ(Cond("Memo", "", adLongVarChar), "");
  EXPECT_EQ(TakeMessage(), "");
}

TEST_F(CriteriaTest, NumberShapes) {
  for (int32_t type : {adSmallInt, adInteger, adTinyInt, adBigInt, adSingle}) {
    EXPECT_EQ(Cond("Nr", "5", type), "([Nr] = 5)") << type;
  }
  EXPECT_EQ(Cond("Nr", "1,2", adInteger), "([Nr] = 1 OR [Nr] = 2)");
  EXPECT_EQ(Cond("Nr", "1000-2000", adInteger), "([Nr] >= 1000 AND [Nr] <= 2000)");
  EXPECT_EQ(Cond("Nr", "-5", adInteger), "([Nr] <= 5)");  // a range, not minus five
  EXPECT_EQ(Cond("Nr", "100-", adInteger), "([Nr] >= 100)");
  EXPECT_EQ(Cond("Nr", ">=100", adInteger), "([Nr] >= 100)");
  EXPECT_EQ(Cond("Nr", "< 7", adInteger), "([Nr] < 7)");
  EXPECT_EQ(Cond("Nr", "1;;3;", adInteger), "([Nr] = 1 OR [Nr] = 3)");
  EXPECT_EQ(Cond("Nr", "-;5", adInteger), "([Nr] = 5)");
  EXPECT_EQ(Cond("Nr", "\"5\"", adInteger), "([Nr] = 5)");
  EXPECT_EQ(Cond("Nr", "\"1;2\"", adInteger), "([Nr] = 1 OR [Nr] = 2)");
  EXPECT_EQ(Cond("Nr", "007", adInteger), "([Nr] = 7)");
  EXPECT_EQ(Cond("Nr", "+7", adInteger), "([Nr] = 7)");
  EXPECT_EQ(Cond("Nr", "1e3", adBigInt), "([Nr] = 1000)");
  EXPECT_EQ(Cond("Nr", "9223372036854775807", adBigInt), "([Nr] = 9223372036854775807)");
  // Single precision takes no comma replacement: 1,5 is two alternatives.
  EXPECT_EQ(Cond("W", "1,5", adSingle), "([W] = 1 OR [W] = 5)");
  EXPECT_EQ(Cond("W", "1.50", adSingle), "([W] = 1.5)");
  EXPECT_EQ(TakeMessage(), "");
}

TEST_F(CriteriaTest, DecimalShapes) {
  for (int32_t type : {adDouble, vmLongNumber}) {
    EXPECT_EQ(Cond("W", "1,5", type), "([W] = 1.5)");
    EXPECT_EQ(Cond("W", "1,5-2,5", type), "([W] >= 1.5 AND [W] <= 2.5)");
    EXPECT_EQ(Cond("W", "1,5;3", type), "([W] = 1.5 OR [W] = 3)");
    EXPECT_EQ(Cond("W", ">0,25", type), "([W] > 0.25)");
    EXPECT_EQ(Cond("W", "ODER 2,0", type), "([W] = 2)");
  }
}

TEST_F(CriteriaTest, DateShapes) {
  for (int32_t type : {adDate, adDBTimeStamp}) {
    EXPECT_EQ(Cond("D", "1.2.2003", type, 1), "([D] = #2003-02-01#)");
    EXPECT_EQ(Cond("D", "1.2.2003", type, 2), "([D] = '2003-02-01')");
    EXPECT_EQ(Cond("D", "1.1.03-31.12.03", type, 3),
              "([D] >= '2003-01-01' AND [D] <= '2003-12-31')");
    EXPECT_EQ(Cond("D", ">=1.1.2003", type, 1), "([D] >= #2003-01-01#)");
    EXPECT_EQ(Cond("D", "1.1.2003;2.1.2003", type, 2),
              "([D] = '2003-01-01' OR [D] = '2003-01-02')");
    EXPECT_EQ(Cond("D", "-31.12.2003", type, 2), "([D] <= '2003-12-31')");
    // Patterns go in as typed, without date conversion.
    EXPECT_EQ(Cond("D", "*.2003", type, 1), "([D] LIKE #*.2003#)");
    EXPECT_EQ(Cond("D", "1.2.*", type, 2), "([D] LIKE '1.2.*')");
    // A literal date is still checked and written in the data source's form.
    EXPECT_EQ(Cond("D", "\"1.2.2003\"", type, 2), "([D] = '2003-02-01')");
  }
  EXPECT_EQ(TakeMessage(), "");
}

TEST_F(CriteriaTest, BooleanForms) {
  EXPECT_EQ(Cond("Aktiv", "-1", adBoolean, 1), "[Aktiv] = -1");
  EXPECT_EQ(Cond("Aktiv", "-1", adBoolean, 2), "[Aktiv] = 1");
  EXPECT_EQ(Cond("Aktiv", "-1", adBoolean, 0), "[Aktiv] = 1");
  EXPECT_EQ(Cond("Aktiv", "0", adBoolean, 1), "[Aktiv] = 0");
  EXPECT_EQ(Cond("Aktiv", "1", adBoolean, 1), "[Aktiv] = 1");
  EXPECT_EQ(Cond("Aktiv", " True ", adBoolean, 1), "[Aktiv] = -1");
  EXPECT_EQ(Cond("Aktiv", "wahr", adBoolean, 2), "[Aktiv] = 1");
  EXPECT_EQ(Cond("Aktiv", "Falsch", adBoolean, 1), "[Aktiv] = 0");
  EXPECT_EQ(Cond("Aktiv", "ODER -1", adBoolean, 2), "[Aktiv] = 1");
  EXPECT_EQ(Cond("Aktiv", "-2147483648", adBoolean, 2), "[Aktiv] = 2147483648");
  EXPECT_EQ(Cond("Aktiv", Variant(true), adBoolean, 1), "[Aktiv] = -1");
  EXPECT_EQ(Cond("Aktiv", Variant(true), adBoolean, 2), "[Aktiv] = 1");
}

TEST_F(CriteriaTest, GuidForms) {
  const std::string guid = "6F9619FF-8B86-D011-B42D-00C04FC964FF";
  EXPECT_EQ(Cond("Id", guid, adGUID), "[Id] = '" + guid + "'");
  EXPECT_EQ(Cond("Id", "{" + guid + "}", adGUID), "[Id] = '{" + guid + "}'");
  EXPECT_EQ(Cond("Id", "ODER " + guid, adGUID), "[Id] = '" + guid + "'");
}

TEST_F(CriteriaTest, FormattedTextUsesStoredForm) {
  EXPECT_EQ(Cond("Iban", "DE12 3456 78", vmFormattedText), "([Iban] = 'DE12345678')");
  EXPECT_EQ(Cond("Iban", "DE12 3456-DE99 0000", vmFormattedText),
            "([Iban] >= 'DE123456' AND [Iban] <= 'DE990000')");
  EXPECT_EQ(Cond("Iban", "DE12 34*", vmFormattedText), "([Iban] LIKE 'DE12 34*')");
  EXPECT_EQ(Cond("Iban", "\"DE12 34\"", vmFormattedText), "([Iban] = 'DE12 34')");
}

TEST_F(CriteriaTest, ValueListOnlyForSingleExactComparisons) {
  valueList_ = {{"Aktiv", "1"}, {"Inaktiv", "0"}, {"Irland", "IE"}};
  EXPECT_EQ(Cond("Status", "Aktiv", adInteger), "([Status] = 1)");
  EXPECT_EQ(Cond("Status", "<>Inaktiv", adInteger), "([Status] <> 0)");
  EXPECT_EQ(Cond("Status", "Aktiv;Inaktiv", adInteger), "([Status] = 1 OR [Status] = 0)");
  EXPECT_EQ(Cond("Land", "Irland", adVarChar), "([Land] = 'IE')");
  EXPECT_EQ(Cond("Land", "Irland-Z", adVarChar), "([Land] >= 'Irland' AND [Land] <= 'Z')");
  EXPECT_EQ(Cond("Land", "Irl*", adVarChar), "([Land] LIKE 'Irl*')");
  EXPECT_EQ(Cond("Land", "\"Irland\"", adVarChar), "([Land] = 'Irland')");
  // In a range the displayed word stays a word, which is no number.
  EXPECT_THROW(Cond("Status", "Inaktiv-Aktiv", adInteger), VMError);
}

TEST_F(CriteriaTest, ValuesSetAsNumbersOrDatesAreOneExactValue) {
  EXPECT_EQ(Cond("Saldo", Variant(int32_t{-5}), adInteger), "([Saldo] = -5)");
  EXPECT_EQ(Cond("W", Variant(-1.25), adDouble), "([W] = -1.25)");
  EXPECT_EQ(Cond("Name", Variant(int32_t{12}), adVarChar), "([Name] = '12')");
  EXPECT_EQ(Cond("D", Variant(MakeDate(2003, 2, 1)), adDate, 1), "([D] = #2003-02-01#)");
  EXPECT_EQ(Cond("D", Variant(MakeDate(2003, 2, 1, 12, 30)), adDate, 2),
            "([D] = '2003-02-01 12:30:00')");
}

TEST_F(CriteriaTest, ColumnsThatCannotBeSearched) {
  for (int32_t type : {adLongVarChar, adLongVarWChar, adLongVarBinary}) {
    EXPECT_EQ(Cond("Notiz", "Meier", type), "");
    EXPECT_EQ(TakeMessage(), "In der Spalte Notiz ist es nicht möglich zu suchen.");
  }
  EXPECT_EQ(Cond("Betrag", "5", adCurrency), "");
  EXPECT_EQ(TakeMessage(), "Der Datentyp Währung wird bei Abfragen noch nicht unterstützt.");
  for (int32_t type :
       {adCurrency, adDecimal, adNumeric, adDBDate, adDBTime, vmDateTime, DataTypeEnum{999}}) {
    EXPECT_EQ(Cond("Betrag", "5", type), "");
    EXPECT_EQ(TakeMessage(), "Der Datentyp " + core::DataTypeName(type) +
                                 " wird bei Abfragen noch nicht unterstützt.");
  }
}

TEST_F(CriteriaTest, RuleBreakingCriteriaDropTheWholeColumnCondition) {
  EXPECT_EQ(Cond("Nr", "5*", adInteger), "");
  EXPECT_EQ(TakeMessage(), "Die Zeichen * und ? sind für numerische Datentypen nicht möglich");
  EXPECT_EQ(Cond("W", "1;?", adDouble), "");
  EXPECT_EQ(TakeMessage(), "Die Zeichen * und ? sind für numerische Datentypen nicht möglich");

  EXPECT_EQ(Cond("Name", "A*-M", adVarChar), "");
  EXPECT_EQ(TakeMessage(), "Die Zeichen * und ? sind in Bereichsangaben nicht möglich");
  // Valid alternatives before the faulty one are discarded too.
  EXPECT_EQ(Cond("Name", "Meier;Schulz;A-M?", adVarChar), "");
  EXPECT_EQ(TakeMessage(), "Die Zeichen * und ? sind in Bereichsangaben nicht möglich");
  EXPECT_EQ(Cond("Nr", "1-5*", adInteger), "");
  EXPECT_EQ(TakeMessage(), "Die Zeichen * und ? sind in Bereichsangaben nicht möglich");

  EXPECT_EQ(Cond("Name", "A-B-C", adVarChar), "");
  EXPECT_EQ(TakeMessage(), "Bereichsangabe hat einen Fehler");
  EXPECT_EQ(Cond("Nr", "1;1-2-3", adInteger), "");
  EXPECT_EQ(TakeMessage(), "Bereichsangabe hat einen Fehler");
  // An ISO date holds two range separators.
  EXPECT_EQ(Cond("D", "2003-02-01", adDate), "");
  EXPECT_EQ(TakeMessage(), "Bereichsangabe hat einen Fehler");
}

}  // namespace
}  // namespace vmbgrid::search::testing
