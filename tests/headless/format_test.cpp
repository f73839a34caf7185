#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "adapters/common/display_format.h"

namespace vmbgrid {
namespace {

Decimal Dec(const char* text) {
  Decimal d;
  EXPECT_TRUE(Decimal::Parse(text, d)) << text;
  return d;
}

// Each value with a format and the text the cell shows.
TEST(FormatCell, EveryKindOfValueInEveryKindOfFormat) {
  const Variant date(MakeDate(2003, 2, 1)), dateTime(MakeDate(2003, 2, 1, 14, 5, 9));
  const struct {
    Variant value;
    const char* format;
    const char* text;
  } kCases[] = {
      // Named number formats.
      {1234.5, "Standard", "1.234,50"},
      {-1234567.891, "Standard", "-1.234.567,89"},
      {0.0, "Standard", "0,00"},
      {1234.5, "General Number", "1234,5"},
      {1234.5, "Currency", "1.234,50 \xE2\x82\xAC"},
      {0.125, "Percent", "12,50%"},
      {1234.5, "Fixed", "1234,50"},
      {12345.678, "Scientific", "1,23E+04"},
      // Half away from zero, on the decimal value; no "-0,00".
      {2.5, "#########0", "3"},
      {-2.5, "#########0", "-3"},
      {1.005, "0.00", "1,01"},
      {9.995, "0.00", "10,00"},
      {-0.001, "0.00", "0,00"},
      // Whole numbers and long numbers.
      {int32_t{42}, "#########0", "42"},
      {int32_t{0}, "#########0", "0"},
      {int64_t{1234567890123}, "##############0", "1234567890123"},
      {int64_t{INT64_MIN}, "0", "-9223372036854775808"},
      {1e20, "##############0", "100000000000000000000"},
      // Own patterns: sections, literals, optional digits.
      {1234567.5, "#,##0.00", "1.234.567,50"},
      {12.0, "#,##0", "12"},
      {3.14159, "0.0", "3,1"},
      {0.5, "#.##", ",5"},
      {7.0, "000", "007"},
      {1.5, "0.0#", "1,5"},
      {5.0, "0 \"Stk.\"", "5 Stk."},
      {-5.0, "0;(0)", "(5)"},
      {0.0, "0;(0);\"null\"", "null"},
      {Variant::Null(), "0;-0;0;\"leer\"", "leer"},
      {Variant("3.5"), "#,##0.00", "3,50"},  // the sum line's totals are text
      {5.0, "[0]", "[5]"},                   // unknown characters are copied
      {Variant("abc"), "#,##0.00", "abc"},
      {5.0, "#,##0.##", "5"},  // no comma without decimals
      // Dates and times; ISO text as stored in the search line is a date.
      {date, "General Date", "01.02.2003"},
      {dateTime, "General Date", "01.02.2003 14:05:09"},
      {MakeDate(1899, 12, 30, 8, 30, 0), "General Date", "08:30:00"},
      {date, "Short Date", "01.02.2003"},
      {date, "Long Date", "Samstag, 1. Februar 2003"},
      {date, "dd.mm.yyyy", "01.02.2003"},
      {date, "dd.mm.yy", "01.02.03"},
      {date, "d. mmmm yyyy", "1. Februar 2003"},
      {MakeDate(2003, 3, 1), "mmm", "Mär"},
      {date, "dd/mm/yyyy", "01.02.2003"},
      {dateTime, "hh:mm", "14:05"},
      {dateTime, "hh:mm:ss", "14:05:09"},
      {dateTime, "h:mm AM/PM", "2:05 PM"},
      {Variant("2003-02-01"), "dd.mm.yyyy", "01.02.2003"},
      // Booleans and plain text.
      {true, "", "Wahr"},
      {false, "", "Falsch"},
      {true, "Yes/No", "Ja"},
      {int32_t{0}, "Yes/No", "Nein"},
      {true, "True/False", "Wahr"},
      {false, "On/Off", "Aus"},
      {1.5, "", "1,5"},
      {0.1f, "", "0,1"},
      {1e20, "", "1E+20"},
      {Variant("Köln"), "", "Köln"},
      {Variant("x"), "FormatText Event", "x"},
      {Variant::Null(), "Standard", ""},
      {Variant(), "dd.mm.yyyy", ""},
      // Exact numbers keep their scale and every digit.
      {Dec("1500.50"), "", "1500,50"},
      {Dec("1500.50"), "#,##0.00", "1.500,50"},
      {Variant::Currency(Dec("1500.50")), "#,##0.00", "1.500,50"},
      {Dec("-12345678901234567890.125"), "#,##0.00", "-12.345.678.901.234.567.890,13"},
      {Dec("-12345678901234567890.125"), "#,##0.##########", "-12.345.678.901.234.567.890,125"},
      {Variant("18014398509481985"), "#########0", "18014398509481985"},
      // "Standard" keeps huge and tiny doubles readable and visibly not zero.
      {1e300, "Standard", "1,00E+300"},
      {-1e-300, "Standard", "-1,00E-300"},
      {123456789012345.0, "Standard", "123.456.789.012.345,00"},
      {0.001, "Standard", "0,00"},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(FormatCell(c.value, c.format), c.text) << c.value.ToTextOrEmpty() << " " << c.format;
}

TEST(FormatCell, OddPatternsNonFiniteDoublesAndBytes) {
  for (const char* pattern : {"\"", "\\", "0.0.0", ";;;;;", "E+", "0E+", "#,,", "%%", "\xC3",
                              "dd\\", "\"unterminated", "mmmmmmmm", "yyyyy", "hh:nn:ss AM/PM"}) {
    EXPECT_NO_THROW(FormatCell(1234.5, pattern)) << pattern;
    EXPECT_NO_THROW(FormatCell(Variant(DateValue{37653.5}), pattern)) << pattern;
    EXPECT_NO_THROW(FormatCell(Variant("abc"), pattern)) << pattern;
  }
  const double inf = std::numeric_limits<double>::infinity();
  for (const char* format : {"", "Standard", "#,##0.00", "dd.mm.yyyy"}) {
    EXPECT_EQ(FormatCell(std::nan(""), format), "NaN") << format;
    EXPECT_EQ(FormatCell(-inf, format), "-\xE2\x88\x9E") << format;
    EXPECT_EQ(FormatCell(Variant::Bytes(std::string(12, '\0')), format), "<Binärdaten, 12 Bytes>");
  }
  EXPECT_EQ(PlainText(Variant::Bytes("x")), "<Binärdaten, 1 Byte>");
}

}  // namespace
}  // namespace vmbgrid
