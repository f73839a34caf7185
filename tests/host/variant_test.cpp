#include "host/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/error.h"
#include "host/number_total.h"
#include "tests/raised.h"

namespace vmbgrid {
namespace {

TEST(Variant, BooleansFollowAutomationRules) {
  EXPECT_EQ(Variant(true).ToInt32(), -1);
  EXPECT_EQ(Variant(false).ToDouble(), 0.0);
  EXPECT_EQ(Variant(true).ToText(), "True");
  for (const char* t : {"-1", "True", "true", "Wahr", " WAHR "})
    EXPECT_TRUE(Variant(t).ToBool()) << t;
  for (const char* t : {"0", "False", "Falsch", "falsch"}) EXPECT_FALSE(Variant(t).ToBool()) << t;
  EXPECT_TRUE(Variant(2.5).ToBool());
  EXPECT_EQ(Variant("Wahr").ToInt32(), -1);
  EXPECT_EQ(testing::Raised([] { Variant("vielleicht").ToBool(); }).Number(), errc::kTypeMismatch);
}

TEST(Variant, OverflowAndMismatchRaise) {
  EXPECT_EQ(Variant(2147483647.4).ToInt32(), 2147483647);
  EXPECT_EQ(Variant(-2147483648.0).ToInt32(), INT32_MIN);
  EXPECT_EQ(testing::Raised([] { Variant(2147483647.5).ToInt32(); }).Number(), errc::kOverflow);
  EXPECT_EQ(testing::Raised([] { Variant(int64_t{1} << 40).ToInt32(); }).Number(), errc::kOverflow);
  EXPECT_EQ(testing::Raised([] { Variant("2147483648").ToInt32(); }).Number(), errc::kOverflow);
  EXPECT_EQ(testing::Raised([] { Variant(1e300).ToInt64(); }).Number(), errc::kOverflow);
  EXPECT_EQ(testing::Raised([] { Variant("99999999999999999999").ToInt64(); }).Number(),
            errc::kOverflow);
  EXPECT_EQ(testing::Raised([] { Variant("abc").ToInt32(); }).Number(), errc::kTypeMismatch);
  EXPECT_EQ(testing::Raised([] { Variant("").ToDouble(); }).Number(), errc::kTypeMismatch);
  EXPECT_EQ(testing::Raised([] { Variant("1 2").ToDouble(); }).Number(), errc::kTypeMismatch);
  EXPECT_EQ(testing::Raised([] { Variant::Missing().ToInt32(); }).Number(), errc::kTypeMismatch);
  EXPECT_EQ(testing::Raised([] { Variant("kein Datum").ToDate(); }).Number(), errc::kTypeMismatch);
  // Large whole numbers in text keep every digit.
  EXPECT_EQ(Variant("9007199254740993").ToInt64(), 9007199254740993);
}

TEST(Variant, NullAndEmpty) {
  EXPECT_EQ(testing::Raised([] { Variant::Null().ToText(); }).Number(), errc::kInvalidUseOfNull);
  EXPECT_EQ(testing::Raised([] { Variant::Null().ToInt32(); }).Number(), errc::kInvalidUseOfNull);
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

// ---- exact numbers

Decimal Dec(const char* text) {
  Decimal d;
  EXPECT_TRUE(Decimal::Parse(text, d)) << text;
  return d;
}

TEST(Decimal, ReadsAndWritesExactlyWithItsScale) {
  // Each text with what it reads as; "" when it is refused.
  // clang-format off
  const std::pair<const char*, const char*> cases[] = {
      {"1500.50", "1500.50"}, {" -1500,50 ", "-1500.50"}, {"+.5", "0.5"}, {"0.00", "0.00"},
      {"-0", "0"}, {"1.5E3", "1500"}, {"1.25e-2", "0.0125"},
      {"12345678901234567890.12", "12345678901234567890.12"},
      {"99999999999999999999999999999999999999", "99999999999999999999999999999999999999"},
      {"1.000000000000000000000000000000000000000000", "1.0000000000000000000000000000000000000"},
      {"999999999999999999999999999999999999999", ""},  // 39 digits
      {"1e-50", ""}, {"1.2.3", ""}, {"1,5.0", ""}, {"", ""}, {"NaN", ""}, {"1 000", ""}, {"--1", ""}};
  // clang-format on
  for (const auto& [in, out] : cases) {
    Decimal d;
    const bool ok = Decimal::Parse(in, d);
    EXPECT_EQ(ok, *out != '\0') << in;
    if (ok) {
      EXPECT_EQ(d.ToText(), out) << in;
    }
  }
  EXPECT_EQ(Dec("-0.000000001").ToText(','), "-0,000000001");
  Decimal d;
  ASSERT_TRUE(Decimal::FromDouble(0.1 + 0.2, d));  // the double's shortest text
  EXPECT_EQ(d.ToText(), "0.30000000000000004");
  EXPECT_FALSE(Decimal::FromDouble(1e300, d));
  EXPECT_FALSE(Decimal::FromDouble(std::numeric_limits<double>::quiet_NaN(), d));
}

TEST(Decimal, ComparesAddsAndRoundsExactly) {
  EXPECT_EQ(Decimal::Compare(Dec("1.5"), Dec("1.50")), 0);
  EXPECT_EQ(Decimal::Compare(Dec("-0.01"), Dec("0")), -1);
  EXPECT_EQ(Decimal::Compare(Dec("9007199254740993"), Dec("9007199254740992.9")), 1);
  // Scales whose alignment overflows still compare by value.
  EXPECT_EQ(Decimal::Compare(Dec("99999999999999999999999999999999999999"), Dec("0.1")), 1);
  EXPECT_EQ(Decimal::Compare(Dec("0.00000000000000000000000000000000000001"),
                             Dec("-99999999999999999999999999999999999999")),
            1);
  Decimal sum;
  ASSERT_TRUE(Decimal::Add(Dec("0.10"), Dec("0.20"), sum));
  EXPECT_EQ(sum.ToText(), "0.30");
  ASSERT_TRUE(Decimal::Add(Dec("12345678901234567890.12"), Dec("-0.000000001"), sum));
  EXPECT_EQ(sum.ToText(), "12345678901234567890.119999999");
  const Decimal nines = Dec("99999999999999999999999999999999999999");
  EXPECT_FALSE(Decimal::Add(nines, Dec("1"), sum));
  // Two column values at the limit of numeric(38) are beyond 128 bits together.
  const Decimal minus_nines = Dec("-99999999999999999999999999999999999999");
  EXPECT_FALSE(Decimal::Add(nines, nines, sum));
  EXPECT_FALSE(Decimal::Add(minus_nines, minus_nines, sum));
  ASSERT_TRUE(Decimal::Add(nines, minus_nines, sum));
  EXPECT_EQ(sum.ToText(), "0");
  Decimal wider;
  ASSERT_TRUE(Dec("1500.5").WithScale(2, wider));
  EXPECT_EQ(wider.ToText(), "1500.50");
  EXPECT_FALSE(Dec("1.25").WithScale(1, wider)) << "nothing is rounded away";
  int64_t whole = 0;
  for (auto [text, expected] : {std::pair{"2.5", 2}, {"3.5", 4}, {"-2.5", -2}, {"2.51", 3}}) {
    ASSERT_TRUE(Dec(text).ToInteger(whole));
    EXPECT_EQ(whole, expected) << text;
  }
  EXPECT_FALSE(Dec("9223372036854775808").ToInteger(whole));
}

TEST(Variant, ExactNumbersConvertAndCompareWithoutBinaryRounding) {
  const Variant amount(Dec("1500.50"));
  EXPECT_EQ(amount.Type(), VarType::Decimal);
  EXPECT_EQ(Variant::Currency(Dec("12.34")).Type(), VarType::Currency);
  EXPECT_EQ(amount.ToText(), "1500.50");
  EXPECT_EQ(amount.ToDouble(), 1500.5);
  EXPECT_EQ(amount.ToInt32(), 1500);
  EXPECT_TRUE(amount.IsNumberType() && amount.IsNumeric() && amount.ToBool());
  EXPECT_EQ(Variant("1500,5").ToDecimal(), Dec("1500.5"));
  EXPECT_EQ(Variant(2.5).ToInt32(), 2);  // whole numbers round half to even
  EXPECT_EQ(Variant(-3.5).ToInt32(), -4);
  EXPECT_EQ(Variant(0.1).ToDecimal().ToText(), "0.1");
  EXPECT_EQ(testing::Raised([] { Variant("1e300").ToDecimal(); }).Number(), errc::kOverflow);
  EXPECT_EQ(testing::Raised([] { Variant("Meier").ToDecimal(); }).Number(), errc::kTypeMismatch);
  EXPECT_EQ(testing::Raised([] { Variant(Dec("1e30")).ToInt64(); }).Number(), errc::kOverflow);
  // Beyond 2^53 whole and exact numbers compare exactly, doubles by their text.
  EXPECT_EQ(Variant::Compare(Variant(int64_t{9007199254740993}), Variant(Dec("9007199254740992"))),
            1);
  EXPECT_FALSE(Variant(int64_t{9007199254740993}) == Variant(Dec("9007199254740992")));
  EXPECT_TRUE(Variant(0.1) == Variant(Dec("0.10")));
  EXPECT_FALSE(Variant(0.1 + 0.2) == Variant(Dec("0.3")));
  EXPECT_EQ(Variant::Compare(Variant(Dec("-1.5")), Variant("Text")), -1) << "numbers before text";
  // Bytes are neither text nor numbers.
  const Variant bytes = Variant::Bytes(std::string("\0\x01", 2));
  EXPECT_TRUE(bytes.IsBytes() && !bytes.IsString() && !bytes.IsNumeric());
  EXPECT_EQ(bytes.ToText().size(), 2u);
  EXPECT_EQ(testing::Raised([&] { bytes.ToDouble(); }).Number(), errc::kTypeMismatch);
}

TEST(NumberTotal, AddsExactlyAndSaysWhenItCannot) {
  auto total = [](std::initializer_list<Variant> values) {
    NumberTotal t;
    for (const Variant& v : values) t.AddValue(v);
    return t.Result();
  };
  EXPECT_EQ(total({Variant(Dec("0.10")), Variant(Dec("0.20")), Variant::Null()}).ToText(), "0.30");
  const Variant big = total({Variant(int64_t{9007199254740993}), Variant(int64_t{9007199254740993}),
                             Variant(INT64_MIN), Variant(INT64_MAX)});
  EXPECT_EQ(big.ToText(), "18014398509481985");
  EXPECT_EQ(total({Variant("4"), Variant("Meier"), Variant(true), Variant(DateValue{5})}).ToText(),
            "3")
      << "numeric text counts, words and dates do not, True is -1";
  EXPECT_EQ(total({}).ToText(), "0");
  EXPECT_EQ(total({Variant(1.5), Variant(Dec("2"))}).Type(), VarType::Double);
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(std::isnan(total({Variant(std::nan("")), Variant(1)}).ToDouble()));
  EXPECT_EQ(total({Variant(inf), Variant(1.0)}).ToDouble(), inf);
  EXPECT_TRUE(std::isnan(total({Variant(inf), Variant(-inf)}).ToDouble()));
  auto raised = [&](std::initializer_list<Variant> values) {
    return testing::Raised([&] { total(values); }).Number();
  };
  EXPECT_EQ(raised({Variant(1.7e308), Variant(1.7e308)}), errc::kOverflow)
      << "finite doubles never add up to an infinity no cell shows";
  const Variant nines(Dec("99999999999999999999999999999999999999"));
  EXPECT_EQ(raised({nines, Variant(1)}), errc::kOverflow);
  EXPECT_EQ(raised({nines, nines}), errc::kOverflow)
      << "two values at the limit of numeric(38) never wrap into a wrong total";
  EXPECT_EQ(NonFiniteText(-inf), "-\xE2\x88\x9E");
  EXPECT_EQ(NonFiniteText(std::nan("")), "NaN");
}

}  // namespace
}  // namespace vmbgrid
