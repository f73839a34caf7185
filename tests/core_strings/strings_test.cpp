#include "core/strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vmbgrid::core {
namespace {

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
