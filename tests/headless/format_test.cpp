#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "adapters/common/display_format.h"

namespace vmbgrid {
namespace {

TEST(FormatCell, NamedNumberFormats) {
  EXPECT_EQ(FormatCell(1234.5, "Standard"), "1.234,50");
  EXPECT_EQ(FormatCell(-1234567.891, "Standard"), "-1.234.567,89");
  EXPECT_EQ(FormatCell(0.0, "Standard"), "0,00");
  EXPECT_EQ(FormatCell(1234.5, "General Number"), "1234,5");
  EXPECT_EQ(FormatCell(1234.5, "Currency"), "1.234,50 \xE2\x82\xAC");
  EXPECT_EQ(FormatCell(0.125, "Percent"), "12,50%");
  EXPECT_EQ(FormatCell(1234.5, "Fixed"), "1234,50");
  EXPECT_EQ(FormatCell(12345.678, "Scientific"), "1,23E+04");
}

TEST(FormatCell, RoundsHalfAwayFromZeroOnTheDecimalValue) {
  EXPECT_EQ(FormatCell(2.5, "#########0"), "3");
  EXPECT_EQ(FormatCell(-2.5, "#########0"), "-3");
  EXPECT_EQ(FormatCell(1.005, "0.00"), "1,01");
  EXPECT_EQ(FormatCell(9.995, "0.00"), "10,00");
  EXPECT_EQ(FormatCell(-0.001, "0.00"), "0,00");  // no "-0,00"
}

TEST(FormatCell, IntegerPatternsAndLongNumbers) {
  EXPECT_EQ(FormatCell(int32_t{42}, "#########0"), "42");
  EXPECT_EQ(FormatCell(int32_t{0}, "#########0"), "0");
  EXPECT_EQ(FormatCell(int64_t{1234567890123}, "##############0"), "1234567890123");
  EXPECT_EQ(FormatCell(int64_t{INT64_MIN}, "0"), "-9223372036854775808");
  EXPECT_EQ(FormatCell(1e20, "##############0"), "100000000000000000000");
}

TEST(FormatCell, CustomNumberPatterns) {
  EXPECT_EQ(FormatCell(1234567.5, "#,##0.00"), "1.234.567,50");
  EXPECT_EQ(FormatCell(12.0, "#,##0"), "12");
  EXPECT_EQ(FormatCell(3.14159, "0.0"), "3,1");
  EXPECT_EQ(FormatCell(0.5, "#.##"), ",5");
  EXPECT_EQ(FormatCell(7.0, "000"), "007");
  EXPECT_EQ(FormatCell(1.5, "0.0#"), "1,5");
  EXPECT_EQ(FormatCell(5.0, "0 \"Stk.\""), "5 Stk.");
  EXPECT_EQ(FormatCell(-5.0, "0;(0)"), "(5)");
  EXPECT_EQ(FormatCell(0.0, "0;(0);\"null\""), "null");
  EXPECT_EQ(FormatCell(Variant::Null(), "0;-0;0;\"leer\""), "leer");
  // A numeric text (the sum line stores its totals as text) is formatted as a number.
  EXPECT_EQ(FormatCell(Variant("3.5"), "#,##0.00"), "3,50");
}

TEST(FormatCell, OddPatternsNeverFail) {
  for (const char* pattern : {"\"", "\\", "0.0.0", ";;;;;", "E+", "0E+", "#,,", "%%", "\xC3",
                              "dd\\", "\"unterminated", "mmmmmmmm", "yyyyy", "hh:nn:ss AM/PM"}) {
    EXPECT_NO_THROW(FormatCell(1234.5, pattern)) << pattern;
    EXPECT_NO_THROW(FormatCell(Variant(DateValue{37653.5}), pattern)) << pattern;
    EXPECT_NO_THROW(FormatCell(Variant("abc"), pattern)) << pattern;
  }
  EXPECT_EQ(FormatCell(5.0, "[0]"), "[5]");  // unknown characters are copied
  EXPECT_EQ(FormatCell(Variant("abc"), "#,##0.00"), "abc");
}

TEST(FormatCell, Dates) {
  Variant d(MakeDate(2003, 2, 1));
  Variant dt(MakeDate(2003, 2, 1, 14, 5, 9));
  EXPECT_EQ(FormatCell(d, "General Date"), "01.02.2003");
  EXPECT_EQ(FormatCell(dt, "General Date"), "01.02.2003 14:05:09");
  EXPECT_EQ(FormatCell(Variant(MakeDate(1899, 12, 30, 8, 30, 0)), "General Date"), "08:30:00");
  EXPECT_EQ(FormatCell(d, "Short Date"), "01.02.2003");
  EXPECT_EQ(FormatCell(d, "Long Date"), "Samstag, 1. Februar 2003");
  EXPECT_EQ(FormatCell(d, "dd.mm.yyyy"), "01.02.2003");
  EXPECT_EQ(FormatCell(d, "dd.mm.yy"), "01.02.03");
  EXPECT_EQ(FormatCell(d, "d. mmmm yyyy"), "1. Februar 2003");
  EXPECT_EQ(FormatCell(Variant(MakeDate(2003, 3, 1)), "mmm"), "Mär");
  EXPECT_EQ(FormatCell(d, "dd/mm/yyyy"), "01.02.2003");
  EXPECT_EQ(FormatCell(dt, "hh:mm"), "14:05");
  EXPECT_EQ(FormatCell(dt, "hh:mm:ss"), "14:05:09");
  EXPECT_EQ(FormatCell(dt, "h:mm AM/PM"), "2:05 PM");
  // ISO text as stored in the search line is read as a date.
  EXPECT_EQ(FormatCell(Variant("2003-02-01"), "dd.mm.yyyy"), "01.02.2003");
}

TEST(FormatCell, BooleansAndPlainText) {
  EXPECT_EQ(FormatCell(true, ""), "Wahr");
  EXPECT_EQ(FormatCell(false, ""), "Falsch");
  EXPECT_EQ(FormatCell(true, "Yes/No"), "Ja");
  EXPECT_EQ(FormatCell(int32_t{0}, "Yes/No"), "Nein");
  EXPECT_EQ(FormatCell(true, "True/False"), "Wahr");
  EXPECT_EQ(FormatCell(false, "On/Off"), "Aus");
  EXPECT_EQ(FormatCell(1.5, ""), "1,5");
  EXPECT_EQ(FormatCell(Variant(0.1f), ""), "0,1");
  EXPECT_EQ(FormatCell(1e20, ""), "1E+20");
  EXPECT_EQ(FormatCell(Variant("Köln"), ""), "Köln");
  EXPECT_EQ(FormatCell(Variant("x"), "FormatText Event"), "x");
  EXPECT_EQ(FormatCell(Variant::Null(), "Standard"), "");
  EXPECT_EQ(FormatCell(Variant(), "dd.mm.yyyy"), "");
}

TEST(FormatCell, ExactNumbersNonFiniteDoublesAndBytes) {
  Decimal d;
  ASSERT_TRUE(Decimal::Parse("1500.50", d));
  EXPECT_EQ(FormatCell(Variant(d), ""), "1500,50") << "the value's own form keeps its scale";
  EXPECT_EQ(FormatCell(Variant(d), "#,##0.00"), "1.500,50");
  EXPECT_EQ(FormatCell(Variant::Currency(d), "#,##0.00"), "1.500,50");
  ASSERT_TRUE(Decimal::Parse("-12345678901234567890.125", d));
  EXPECT_EQ(FormatCell(Variant(d), "#,##0.00"), "-12.345.678.901.234.567.890,13");
  EXPECT_EQ(FormatCell(Variant(d), "#,##0.##########"), "-12.345.678.901.234.567.890,125");
  // A sum line's text keeps every digit through the format.
  EXPECT_EQ(FormatCell(Variant("18014398509481985"), "#########0"), "18014398509481985");
  EXPECT_EQ(FormatCell(5.0, "#,##0.##"), "5") << "no comma without decimals";
  const double inf = std::numeric_limits<double>::infinity();
  for (const char* format : {"", "Standard", "#,##0.00", "dd.mm.yyyy"}) {
    EXPECT_EQ(FormatCell(std::nan(""), format), "NaN") << format;
    EXPECT_EQ(FormatCell(-inf, format), "-\xE2\x88\x9E") << format;
    EXPECT_EQ(FormatCell(Variant::Bytes(std::string(12, '\0')), format), "<Binärdaten, 12 Bytes>");
  }
  EXPECT_EQ(PlainText(Variant::Bytes("x")), "<Binärdaten, 1 Byte>");
  // "Standard" keeps huge and tiny doubles readable and visibly not zero.
  EXPECT_EQ(FormatCell(1e300, "Standard"), "1,00E+300");
  EXPECT_EQ(FormatCell(-1e-300, "Standard"), "-1,00E-300");
  EXPECT_EQ(FormatCell(123456789012345.0, "Standard"), "123.456.789.012.345,00");
  EXPECT_EQ(FormatCell(0.001, "Standard"), "0,00");
}

}  // namespace
}  // namespace vmbgrid
