#include "core/strings.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "host/error.h"
#include "tests/raised.h"

namespace vmbgrid::core {
namespace {

using Parts = std::vector<std::string>;

TEST(QuoteFieldName, BracketsAndDoublesClosingBracket) {
  EXPECT_EQ(QuoteFieldName("Name"), "[Name]");
  EXPECT_EQ(QuoteFieldName("Straße Nr"), "[Straße Nr]");
  EXPECT_EQ(QuoteFieldName("a]; DROP TABLE x; --"), "[a]]; DROP TABLE x; --]");
  EXPECT_EQ(QuoteFieldName(""), "[]");
}

TEST(TranslateChars, ReplacesByPositionAndRemovesWithoutCounterpart) {
  EXPECT_EQ(TranslateChars("12:30,5:6", ":,", "-;"), "12-30;5-6");
  EXPECT_EQ(TranslateChars("a-b-c", "-", ""), "abc");
  // Multi-byte characters pass through untouched.
  EXPECT_EQ(TranslateChars("Mü:ller", ":", "-"), "Mü-ller");
}

TEST(SplitList, CountsEmptyPartsAndTrims) {
  EXPECT_EQ(SplitList("", '-'), Parts{""});
  EXPECT_EQ(SplitList("-", '-'), (Parts{"", ""}));
  EXPECT_EQ(SplitList("-5", '-'), (Parts{"", "5"}));
  EXPECT_EQ(SplitList("100-", '-'), (Parts{"100", ""}));
  EXPECT_EQ(SplitList(" Meier ; Schulz ;", ';'), (Parts{"Meier", "Schulz", ""}));
  EXPECT_EQ(SplitList("1-2-3", '-').size(), 3u);
}

TEST(HasWildcards, FlagsWildcardsOnlyForUnquotedClasses) {
  bool numeric = true;
  EXPECT_FALSE(HasWildcards("Meier", "'", numeric));
  EXPECT_FALSE(numeric);
  EXPECT_TRUE(HasWildcards("Mei*", "'", numeric));
  EXPECT_FALSE(numeric);
  EXPECT_TRUE(HasWildcards("1?", "", numeric));
  EXPECT_TRUE(numeric);
  EXPECT_FALSE(HasWildcards("12", "", numeric));
  EXPECT_FALSE(numeric);
}

TEST(SplitOperator, RecognisesFixedOperatorSet) {
  struct Case {
    const char* typed;
    const char* op;
    const char* value;
  };
  const Case cases[] = {
      {">=100", " >= ", "100"},
      {"=>100", " >= ", "100"},
      {"<=A", " <= ", "A"},
      {"=<A", " <= ", "A"},
      {"<>x", " <> ", "x"},
      {"!=x", " <> ", "x"},
      {"> 5", " > ", "5"},
      {"<5", " < ", "5"},
      {"=Meier", " = ", "Meier"},
      {"Meier", " = ", "Meier"},
      {"  Meier ", " = ", "Meier"},
      {"==5", " = ", "=5"},
      {"", " = ", ""},
      {">", " > ", ""},
  };
  for (const Case& c : cases) {
    OperatorSplit s = SplitOperator(c.typed);
    EXPECT_EQ(s.op, c.op) << c.typed;
    EXPECT_EQ(s.value, c.value) << c.typed;
  }
}

TEST(ToSqlDate, GermanAndIsoForms) {
  const std::pair<const char*, const char*> kForms[] = {
      {"1.2.2003", "2003-02-01"},
      {"01.02.03", "2003-02-01"},
      {"1.2.29", "2029-02-01"},
      {"1.2.30", "1930-02-01"},
      {"31.12.99", "1999-12-31"},
      {" 29.02.2004 ", "2004-02-29"},
      {"29.2.2000", "2000-02-29"},
      {"2003-02-01", "2003-02-01"},
      {"1.2.2003 12:30", "2003-02-01 12:30:00"},
      {"1.2.2003  00:00", "2003-02-01 00:00:00"},
      {"2003-02-01 12:30:15", "2003-02-01 12:30:15"},
      {"2003-02-01T08:05", "2003-02-01 08:05:00"},
  };
  for (const auto& [typed, iso] : kForms) EXPECT_EQ(ToSqlDate(typed), iso) << typed;

  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  EXPECT_EQ(ToSqlDate("1.2."), std::to_string(local.tm_year + 1900) + "-02-01");
}

TEST(ToSqlDate, RejectsWhatIsNoDate) {
  const char* bad[] = {"",
                       "abc",
                       "31.02.2003",
                       "29.02.2003",
                       "29.02.1900",
                       "0.1.2003",
                       "1.13.2003",
                       "1.2.203",
                       "1.2.20031",
                       "2003-2-1",
                       "2003-02-30",
                       "1.2.2003 24:00",
                       "1.2.2003 12:60",
                       "1.2.2003 12:30 x",
                       "1.2.200312:30",
                       "2003-02-01T",
                       "1.2.2003' OR 1=1",
                       "1.2.2003#",
                       "1..2003",
                       "123.1.2003",
                       "1.2.2003 1:5",
                       "٣.٣.٢٠٠٣"};
  for (const char* text : bad) {
    const VMError e = vmbgrid::testing::Raised([&] { ToSqlDate(text); });
    EXPECT_EQ(e.Number(), errc::kTypeMismatch) << text;
    EXPECT_EQ(e.Source(), "VMBGrid");
    EXPECT_NE(e.Description().find("kein gültiges Datum"), std::string::npos);
  }
}

TEST(SpecialText, GroupsInFoursAndReverses) {
  EXPECT_EQ(FormatSpecialText("DE12345678901"), "DE12 3456 7890 1");
  EXPECT_EQ(FormatSpecialText("1234"), "1234");
  EXPECT_EQ(FormatSpecialText(""), "");
  EXPECT_EQ(FormatSpecialText("ÄÖÜßab"), "ÄÖÜß ab");  // by characters, not bytes
  EXPECT_EQ(FormatSpecialText("A B"), "A B");
  EXPECT_EQ(UnformatSpecialText("DE12 3456 7890 1"), "DE12345678901");
  EXPECT_EQ(UnformatSpecialText("DE 123 45"), "DE12345");
  for (const char* s : {"", "1", "12345", "DE12345678901234567890", "Müllerstraße"}) {
    EXPECT_EQ(UnformatSpecialText(FormatSpecialText(s)), s);
  }
}

TEST(GetToken, OneBasedExactTokens) {
  EXPECT_EQ(GetToken("=1:2", 1, ':'), "=1");
  EXPECT_EQ(GetToken("=1:2", 2, ':'), "2");
  EXPECT_EQ(GetToken("a;;c", 2, ';'), "");
  EXPECT_EQ(GetToken("a;;c", 3, ';'), "c");
  EXPECT_EQ(GetToken("a;;c", 4, ';'), "");
  EXPECT_EQ(GetToken("a; b", 2, ';'), " b");
  EXPECT_EQ(GetToken("a", 0, ';'), "");
}

TEST(SettingsSection, JoinsWithBackslash) {
  EXPECT_EQ(SettingsSection("Faktura", "frmKunden", "grdKunden"), "Faktura\\frmKunden\\grdKunden");
}

TEST(CaseFolding, GermanRules) {
  EXPECT_TRUE(EqualsNoCase("Müller", "MÜLLER"));
  EXPECT_TRUE(EqualsNoCase("Straße", "STRASSE"));
  EXPECT_TRUE(EqualsNoCase("ärger", "ÄRGER"));
  EXPECT_FALSE(EqualsNoCase("Müller", "Muller"));
  EXPECT_FALSE(EqualsNoCase("a", "ab"));
  EXPECT_EQ(FoldCase("ÄÖÜ Abc"), "äöü abc");
  // Broken UTF-8 is not merged into the replacement character.
  EXPECT_FALSE(EqualsNoCase("\xff", "\xfe"));
  EXPECT_TRUE(EqualsNoCase("AB\xff", "ab\xff"));
}

}  // namespace
}  // namespace vmbgrid::core
