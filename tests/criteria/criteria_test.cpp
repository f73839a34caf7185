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
  // Wildcards stay as typed; in quotes they compare exactly.
  EXPECT_EQ(Cond("Name", "\"Mül*\"", adVarChar), "([Name] = 'Mül*')");
  EXPECT_EQ(Cond("Name", ">Mei*", adVarChar), "([Name] LIKE '>Mei*')");
  EXPECT_EQ(TakeMessage(), "");
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

TEST_F(CriteriaTest, NumberAndDoubleShapes) {
  for (int32_t type : {adSmallInt, adInteger, adTinyInt, adBigInt}) {
    EXPECT_EQ(Cond("Nr", "5", type), "([Nr] = 5)") << type;
  }
  EXPECT_EQ(Cond("Nr", "1,2", adInteger), "([Nr] = 1 OR [Nr] = 2)");
  EXPECT_EQ(Cond("Nr", "1000-2000", adInteger), "([Nr] >= 1000 AND [Nr] <= 2000)");
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
  for (int32_t type : {adDouble, vmLongNumber}) {
    EXPECT_EQ(Cond("W", "1,5", type), "([W] = 1.5)");
    EXPECT_EQ(Cond("W", "1,5-2,5", type), "([W] >= 1.5 AND [W] <= 2.5)");
    EXPECT_EQ(Cond("W", "1,5;3", type), "([W] = 1.5 OR [W] = 3)");
    EXPECT_EQ(Cond("W", ">0,25", type), "([W] > 0.25)");
    EXPECT_EQ(Cond("W", "ODER 2,0", type), "([W] = 2)");
  }
  EXPECT_EQ(TakeMessage(), "");
}

// A leading minus is still a range ("-5" is at most 5); negative values come after an
// operator, as ":" bounds, and exactly in quotes.
TEST_F(CriteriaTest, NegativeNumbers) {
  struct Case {
    const char* typed;
    const char* condition;
  };
  const Case cases[] = {
      {"-5", "([N] <= 5)"},
      {"<-5", "([N] < -5)"},
      {">= -5", "([N] >= -5)"},
      {"<>-1", "([N] <> -1)"},
      {"1;=-3", "([N] = 1 OR [N] = -3)"},  // "=" after the cell's start: no placeholder
      {"-10:-5", "([N] >= -10 AND [N] <= -5)"},
      {"-10 : 5", "([N] >= -10 AND [N] <= 5)"},
      {":-5", "([N] <= -5)"},
      {"-5:", "([N] >= -5)"},
      {"\"-5\"", "([N] = -5)"},
      {"-5:-5", "([N] >= -5 AND [N] <= -5)"},
      {"1;<-5;-10:-8", "([N] = 1 OR [N] < -5 OR [N] >= -10 AND [N] <= -8)"},
  };
  for (const Case& c : cases) EXPECT_EQ(Cond("N", c.typed, adInteger), c.condition) << c.typed;
  EXPECT_EQ(Cond("W", "<-1,5", adDouble), "([W] < -1.5)");
  EXPECT_EQ(Cond("W", "-2,5:-0,5", adDouble), "([W] >= -2.5 AND [W] <= -0.5)");
  EXPECT_EQ(Cond("B", "-0,5:0,5", adCurrency), "([B] >= '-0.5' AND [B] <= '0.5')");
  EXPECT_EQ(Refusal("N", "-10:-5:-1", adInteger), "Bereichsangabe hat einen Fehler");
  EXPECT_EQ(Refusal("N", "-1-5", adInteger), "Bereichsangabe hat einen Fehler");
  EXPECT_THROW(Cond("N", "<-", adInteger), VMError);
  // Text keeps ":" as a range separator and knows no signs.
  EXPECT_EQ(Refusal("T", "-10:-5", adVarChar), "Bereichsangabe hat einen Fehler");
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

TEST_F(CriteriaTest, DateShapes) {
  EXPECT_EQ(Cond("D", "1.2.2003", adDate, 1), "([D] = #2003-02-01#)");
  EXPECT_EQ(Cond("D", "1.2.2003", adDBDate, 2), "([D] = '2003-02-01')");
  EXPECT_EQ(Cond("D", "1.1.03-31.12.03", adDate, 3),
            "([D] >= '2003-01-01' AND [D] <= '2003-12-31')");
  EXPECT_EQ(Cond("D", "1.1.03:31.12.03", adDate), "([D] >= '2003-01-01' AND [D] <= '2003-12-31')");
  EXPECT_EQ(Cond("D", ">=1.1.2003", adDate, 1), "([D] >= #2003-01-01#)");
  EXPECT_EQ(Cond("D", "1.1.2003;2.1.2003", adDate, 2),
            "([D] = '2003-01-01' OR [D] = '2003-01-02')");
  EXPECT_EQ(Cond("D", "-31.12.2003", adDate, 2), "([D] <= '2003-12-31')");
  // A time typed along is part of the value, its ":" no range.
  EXPECT_EQ(Cond("D", "1.2.2003 13:45", adDate), "([D] = '2003-02-01 13:45:00')");
  // Patterns go in as typed, without date conversion.
  EXPECT_EQ(Cond("D", "*.2003", adDate, 1), "([D] LIKE #*.2003#)");
  EXPECT_EQ(Cond("D", "1.2.*", adDate, 2), "([D] LIKE '1.2.*')");
  // A literal date is still checked and written in the data source's form.
  EXPECT_EQ(Cond("D", "\"1.2.2003\"", adDate, 2), "([D] = '2003-02-01')");
  EXPECT_EQ(TakeMessage(), "");
}

// On a date-and-time column a date is its whole day and a time its second; the
// upper bound of a range takes in its whole day.
TEST_F(CriteriaTest, DateAndTimeShapes) {
  struct Case {
    const char* typed;
    const char* condition;
  };
  const Case cases[] = {
      {"31.7.2024", "([T] >= '2024-07-31' AND [T] < '2024-08-01')"},
      {"1.7.2024-31.7.2024", "([T] >= '2024-07-01' AND [T] < '2024-08-01')"},
      {"1.7.2024:31.7.2024", "([T] >= '2024-07-01' AND [T] < '2024-08-01')"},
      {"31.7.2024 13:45", "([T] >= '2024-07-31 13:45:00' AND [T] < '2024-07-31 13:45:01')"},
      {"31.12.2024 23:59:59", "([T] >= '2024-12-31 23:59:59' AND [T] < '2025-01-01 00:00:00')"},
      {"1.7.2024 8:00-31.7.2024 13:45",
       "([T] >= '2024-07-01 08:00:00' AND [T] < '2024-07-31 13:45:01')"},
      {"28.2.2024-", "([T] >= '2024-02-28')"},
      {"-29.2.2024", "([T] < '2024-03-01')"},
      {">31.7.2024", "([T] >= '2024-08-01')"},
      {">=31.7.2024", "([T] >= '2024-07-31')"},
      {"<31.7.2024", "([T] < '2024-07-31')"},
      {"<=31.7.2024", "([T] < '2024-08-01')"},
      {"<>31.7.2024", "([T] < '2024-07-31' OR [T] >= '2024-08-01')"},
      {"31.12.9999", "([T] >= '9999-12-31')"},
      {"<=31.12.9999", "([T] <= '9999-12-31 23:59:59')"},
      {">31.12.9999", "([T] > '9999-12-31 23:59:59')"},
      {"\"31.7.2024\"", "([T] = '2024-07-31 00:00:00')"},
      {"\"31.7.2024 13:45\"", "([T] = '2024-07-31 13:45:00')"},
      {"1.7.2024;3.7.2024",
       "([T] >= '2024-07-01' AND [T] < '2024-07-02' OR [T] >= '2024-07-03' "
       "AND [T] < '2024-07-04')"},
  };
  for (int32_t type : {adDBTimeStamp, vmDateTime}) {
    for (const Case& c : cases) EXPECT_EQ(Cond("T", c.typed, type), c.condition) << c.typed;
  }
  EXPECT_EQ(Cond("T", "31.7.2024", adDBTimeStamp, 1),
            "([T] >= #2024-07-31# AND [T] < #2024-08-01#)");
  EXPECT_EQ(Cond("T", "2024*", adDBTimeStamp), "([T] LIKE '2024*')");
  // Host-set dates are one exact value.
  EXPECT_EQ(Cond("T", Variant(MakeDate(2024, 7, 31)), adDBTimeStamp),
            "([T] = '2024-07-31 00:00:00')");
  EXPECT_THROW(Cond("T", "31.7.2024 25:00", adDBTimeStamp), VMError);
  EXPECT_THROW(Cond("T", "1.1.2024:2.1.2024:3.1.2024", adDBTimeStamp), VMError);
}

TEST_F(CriteriaTest, TimeShapes) {
  struct Case {
    const char* typed;
    const char* condition;
  };
  const Case cases[] = {
      {"12:30", "([Z] >= '12:30:00' AND [Z] < '12:30:01')"},
      {"8:00-12:30", "([Z] >= '08:00:00' AND [Z] < '12:30:01')"},
      {">=18:00", "([Z] >= '18:00:00')"},
      {">18:00", "([Z] >= '18:00:01')"},
      {"<8:00", "([Z] < '08:00:00')"},
      {"<=8:00:30", "([Z] < '08:00:31')"},
      {"23:59:59", "([Z] >= '23:59:59')"},
      {"<=23:59:59", "([Z] <= '23:59:59')"},
      {"12:00;14:00",
       "([Z] >= '12:00:00' AND [Z] < '12:00:01' OR [Z] >= '14:00:00' AND "
       "[Z] < '14:00:01')"},
      {"\"7:05\"", "([Z] = '07:05:00')"},
      {"-9:00", "([Z] < '09:00:01')"},
  };
  for (const Case& c : cases) EXPECT_EQ(Cond("Z", c.typed, adDBTime), c.condition) << c.typed;
  EXPECT_EQ(Cond("Z", "12:30", adDBTime, 1), "([Z] >= #12:30:00# AND [Z] < #12:30:01#)");
  EXPECT_EQ(Cond("Z", Variant(MakeDate(1899, 12, 30, 12, 30)), adDBTime), "([Z] = '12:30:00')");
  for (const char* bad : {"24:00", "12:60", "12", "12:3", "31.7.2024 12:00", "8:00-9:00-10:00"}) {
    EXPECT_THROW(Cond("Z", bad, adDBTime), VMError) << bad;
  }
}

TEST_F(CriteriaTest, BooleanAndGuidForms) {
  EXPECT_EQ(Cond("Aktiv", "-1", adBoolean, 1), "[Aktiv] = -1");
  EXPECT_EQ(Cond("Aktiv", "-1", adBoolean, 2), "[Aktiv] = 1");
  EXPECT_EQ(Cond("Aktiv", "-1", adBoolean, 0), "[Aktiv] = 1");
  EXPECT_EQ(Cond("Aktiv", "0", adBoolean, 1), "[Aktiv] = 0");
  EXPECT_EQ(Cond("Aktiv", "1", adBoolean, 1), "[Aktiv] = -1");
  EXPECT_EQ(Cond("Aktiv", " True ", adBoolean, 1), "[Aktiv] = -1");
  EXPECT_EQ(Cond("Aktiv", "wahr", adBoolean, 2), "[Aktiv] = 1");
  EXPECT_EQ(Cond("Aktiv", "Falsch", adBoolean, 1), "[Aktiv] = 0");
  EXPECT_EQ(Cond("Aktiv", "ODER -1", adBoolean, 2), "[Aktiv] = 1");
  // Every number but 0 is true, as automation converts it.
  EXPECT_EQ(Cond("Aktiv", "-2147483648", adBoolean, 2), "[Aktiv] = 1");
  EXPECT_EQ(Cond("Aktiv", "5", adBoolean, 1), "[Aktiv] = -1");
  EXPECT_EQ(Cond("Aktiv", Variant(true), adBoolean, 1), "[Aktiv] = -1");
  EXPECT_EQ(Cond("Aktiv", Variant(true), adBoolean, 2), "[Aktiv] = 1");
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

TEST_F(CriteriaTest, RuleBreakingCriteriaDropTheWholeColumnCondition) {
  const char* numeric = "Die Zeichen * und ? sind für numerische Datentypen nicht möglich";
  const char* inRange = "Die Zeichen * und ? sind in Bereichsangaben nicht möglich";
  const char* range = "Bereichsangabe hat einen Fehler";
  EXPECT_EQ(Refusal("Nr", "5*", adInteger), numeric);
  EXPECT_EQ(Refusal("W", "1;?", adDouble), numeric);
  EXPECT_EQ(Refusal("Name", "A*-M", adVarChar), inRange);
  // Valid alternatives before the faulty one are discarded too.
  EXPECT_EQ(Refusal("Name", "Meier;Schulz;A-M?", adVarChar), inRange);
  EXPECT_EQ(Refusal("Nr", "1-5*", adInteger), inRange);
  EXPECT_EQ(Refusal("Z", "8:*-9:00", adDBTime), inRange);
  EXPECT_EQ(Refusal("Name", "A-B-C", adVarChar), range);
  EXPECT_EQ(Refusal("Nr", "1;1-2-3", adInteger), range);
  // An ISO date holds two range separators.
  EXPECT_EQ(Refusal("D", "2003-02-01", adDate), range);
  EXPECT_EQ(TakeMessage(), "");
}

}  // namespace
}  // namespace vmbgrid::search::testing
