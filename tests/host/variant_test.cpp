#include "host/variant.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "host/error.h"

namespace vmbgrid {
namespace {

int32_t ErrorNumber(const std::function<void()>& f) {
  try {
    f();
  } catch (const VMError& e) {
    EXPECT_FALSE(e.Description().empty());
    return e.Number();
  }
  return 0;
}

TEST(Variant, BooleansFollowAutomationRules) {
  EXPECT_EQ(Variant(true).ToInt32(), -1);
  EXPECT_EQ(Variant(false).ToDouble(), 0.0);
  EXPECT_EQ(Variant(true).ToText(), "True");
  for (const char* t : {"-1", "True", "true", "Wahr", " WAHR "})
    EXPECT_TRUE(Variant(t).ToBool()) << t;
  for (const char* t : {"0", "False", "Falsch", "falsch"}) EXPECT_FALSE(Variant(t).ToBool()) << t;
  EXPECT_TRUE(Variant(2.5).ToBool());
  EXPECT_EQ(Variant("Wahr").ToInt32(), -1);
  EXPECT_EQ(ErrorNumber([] { Variant("vielleicht").ToBool(); }), errc::kTypeMismatch);
}

TEST(Variant, WholeNumbersRoundHalfToEven) {
  EXPECT_EQ(Variant(0.5).ToInt32(), 0);
  EXPECT_EQ(Variant(1.5).ToInt32(), 2);
  EXPECT_EQ(Variant(2.5).ToInt32(), 2);
  EXPECT_EQ(Variant(-2.5).ToInt32(), -2);
  EXPECT_EQ(Variant(-3.5).ToInt32(), -4);
  EXPECT_EQ(Variant(2.6).ToInt32(), 3);
  EXPECT_EQ(Variant("3,5").ToInt32(), 4);
  EXPECT_EQ(Variant(2.5).ToInt64(), 2);
}

TEST(Variant, OverflowAndMismatchRaise) {
  EXPECT_EQ(Variant(2147483647.4).ToInt32(), 2147483647);
  EXPECT_EQ(Variant(-2147483648.0).ToInt32(), INT32_MIN);
  EXPECT_EQ(ErrorNumber([] { Variant(2147483647.5).ToInt32(); }), errc::kOverflow);
  EXPECT_EQ(ErrorNumber([] { Variant(int64_t{1} << 40).ToInt32(); }), errc::kOverflow);
  EXPECT_EQ(ErrorNumber([] { Variant("2147483648").ToInt32(); }), errc::kOverflow);
  EXPECT_EQ(ErrorNumber([] { Variant(1e300).ToInt64(); }), errc::kOverflow);
  EXPECT_EQ(ErrorNumber([] { Variant("99999999999999999999").ToInt64(); }), errc::kOverflow);
  EXPECT_EQ(ErrorNumber([] { Variant("abc").ToInt32(); }), errc::kTypeMismatch);
  EXPECT_EQ(ErrorNumber([] { Variant("").ToDouble(); }), errc::kTypeMismatch);
  EXPECT_EQ(ErrorNumber([] { Variant("1 2").ToDouble(); }), errc::kTypeMismatch);
  EXPECT_EQ(ErrorNumber([] { Variant::Missing().ToInt32(); }), errc::kTypeMismatch);
  EXPECT_EQ(ErrorNumber([] { Variant("kein Datum").ToDate(); }), errc::kTypeMismatch);
  // Large whole numbers in text keep every digit.
  EXPECT_EQ(Variant("9007199254740993").ToInt64(), 9007199254740993);
}

TEST(Variant, NullAndEmpty) {
  EXPECT_EQ(ErrorNumber([] { Variant::Null().ToText(); }), errc::kInvalidUseOfNull);
  EXPECT_EQ(ErrorNumber([] { Variant::Null().ToInt32(); }), errc::kInvalidUseOfNull);
  EXPECT_EQ(Variant::Null().ToTextOrEmpty(), "");
  EXPECT_EQ(Variant().ToText(), "");
  EXPECT_EQ(Variant::Missing().ToText(), "");
  EXPECT_EQ(Variant().ToInt32(), 0);
  EXPECT_TRUE(Variant::Null().IsBlank());
  EXPECT_TRUE(Variant("  ").IsBlank());
  EXPECT_FALSE(Variant(0).IsBlank());
}

TEST(Variant, TextForms) {
  EXPECT_EQ(Variant(1.5).ToText(), "1.5");
  EXPECT_EQ(Variant(100.0).ToText(), "100");
  EXPECT_EQ(Variant(0.1f).ToText(), "0.1");
  EXPECT_EQ(Variant(int16_t{-7}).ToText(), "-7");
  EXPECT_EQ(Variant(MakeDate(2003, 2, 1)).ToText(), "2003-02-01");
}

TEST(Variant, NumericDetectionAndParsing) {
  double d = 0;
  EXPECT_TRUE(ParseNumber(" 1.5 ", d));
  EXPECT_EQ(d, 1.5);
  EXPECT_TRUE(ParseNumber("1,5", d));
  EXPECT_EQ(d, 1.5);
  EXPECT_TRUE(ParseNumber("-3e2", d));
  EXPECT_EQ(d, -300);
  EXPECT_TRUE(ParseNumber("+4", d));
  EXPECT_EQ(d, 4);
  for (const char* bad : {"", "1.2.3", "1,2.3", "inf", "nan", "0x10", "e5", "1e", "--1", "1-"})
    EXPECT_FALSE(ParseNumber(bad, d)) << bad;
  EXPECT_TRUE(Variant("12").IsNumeric());
  EXPECT_TRUE(Variant().IsNumeric());
  EXPECT_FALSE(Variant("12a").IsNumeric());
  EXPECT_FALSE(Variant::Null().IsNumeric());
  EXPECT_FALSE(Variant(MakeDate(2000, 1, 1)).IsNumberType());
}

TEST(Variant, CompareOrdersBlanksNumbersText) {
  EXPECT_LT(Variant::Compare(Variant::Null(), Variant(-5)), 0);
  EXPECT_EQ(Variant::Compare(Variant::Null(), Variant()), 0);
  EXPECT_LT(Variant::Compare(Variant(2), Variant(10.5)), 0);
  EXPECT_GT(
      Variant::Compare(Variant(int64_t{9007199254740993}), Variant(int64_t{9007199254740992})), 0);
  EXPECT_LT(Variant::Compare(Variant("10"), Variant("9")), 0);  // text, not numbers
  EXPECT_EQ(Variant::Compare(Variant(10), Variant("10")), 0);
  EXPECT_NE(Variant::Compare(Variant("Müller"), Variant("MÜLLER")), 0);
  EXPECT_EQ(Variant::Compare(Variant("Müller"), Variant("MÜLLER"), true), 0);
  EXPECT_LT(Variant::Compare(Variant("abc"), Variant("ABD"), true), 0);
}

TEST(Variant, EqualityAcrossNumericTypes) {
  EXPECT_EQ(Variant(int16_t{3}), Variant(3.0));
  EXPECT_EQ(Variant(true), Variant(-1));
  EXPECT_FALSE(Variant(3) == Variant("3"));
  EXPECT_FALSE(Variant() == Variant::Null());
  EXPECT_EQ(Variant::Null(), Variant::Null());
  EXPECT_FALSE(Variant("a") == Variant("A"));
}

}  // namespace
}  // namespace vmbgrid
