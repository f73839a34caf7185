#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <tuple>

#include "host/error.h"
#include "host/variant.h"
#include "tests/raised.h"

namespace vmbgrid {
namespace {

TEST(Dates, SerialsMatchTheAutomationEpoch) {
  EXPECT_EQ(MakeDate(1899, 12, 30).serial, 0.0);
  EXPECT_EQ(MakeDate(1900, 1, 1).serial, 2.0);
  EXPECT_EQ(MakeDate(2003, 2, 1).serial, 37653.0);
  EXPECT_DOUBLE_EQ(MakeDate(2003, 2, 1, 12).serial, 37653.5);
  // Before the epoch the fraction still counts forward: -1.25 is 29.12.1899 06:00.
  EXPECT_DOUBLE_EQ(MakeDate(1899, 12, 29, 6).serial, -1.25);
  DateParts p = SplitDate(DateValue{-1.25});
  EXPECT_EQ(p.day, 29);
  EXPECT_EQ(p.hour, 6);
}

TEST(Dates, SplitRoundTripsAndShowsWholeSeconds) {
  for (auto [y, m, d] :
       {std::tuple{2000, 2, 29}, {1600 + 100, 3, 1}, {9999, 12, 31}, {100, 1, 1}}) {
    DateParts p = SplitDate(MakeDate(y, m, d, 23, 59, 59));
    EXPECT_EQ(p.year, y);
    EXPECT_EQ(p.month, m);
    EXPECT_EQ(p.day, d);
    EXPECT_EQ(p.second, 59);
  }
  // A fraction a hair below midnight rounds up into the next day, not to 24:00:00.
  DateParts p = SplitDate(DateValue{37653.0 + 0.9999999999});
  EXPECT_EQ(p.day, 2);
  EXPECT_EQ(p.hour, 0);
  // Milliseconds are cut, not rounded into the next second or day.
  p = SplitDate(DateValue{37653.0 + 86399.999 / 86400});
  EXPECT_EQ(p.day, 1);
  EXPECT_EQ(p.second, 59);
  EXPECT_EQ(SplitDate(DateValue{12.5 / 86400}).second, 12);
}

TEST(Dates, InvalidCalendarDatesAreRejected) {
  EXPECT_FALSE(IsValidDate(2003, 2, 29));
  EXPECT_TRUE(IsValidDate(2004, 2, 29));
  EXPECT_FALSE(IsValidDate(1900, 2, 29));
  EXPECT_TRUE(IsValidDate(2000, 2, 29));
  EXPECT_FALSE(IsValidDate(2003, 13, 1));
  EXPECT_FALSE(IsValidDate(2003, 4, 31));
  EXPECT_THROW(MakeDate(2003, 2, 31), VMError);
  EXPECT_THROW(MakeDate(2003, 2, 1, 24), VMError);
  DateValue d{123};
  EXPECT_FALSE(ParseDate("31.02.2003", d));
  EXPECT_FALSE(ParseDate("2003-02-30", d));
  EXPECT_FALSE(ParseDate("1.2.2003 25:00", d));
  EXPECT_EQ(d.serial, 123);  // untouched on failure
}

TEST(Dates, ParsesIsoAndGermanForms) {
  const std::pair<const char*, DateValue> kForms[] = {
      {"2003-02-01", MakeDate(2003, 2, 1)},
      {"2003-02-01 12:30:00", MakeDate(2003, 2, 1, 12, 30)},
      {"2003-02-01T12:30", MakeDate(2003, 2, 1, 12, 30)},
      {" 1.2.2003 ", MakeDate(2003, 2, 1)},
      {"01.02.03", MakeDate(2003, 2, 1)},
      {"01.02.45 8:05", MakeDate(1945, 2, 1, 8, 5)}};
  DateValue d;
  for (const auto& [text, date] : kForms) {
    EXPECT_TRUE(ParseDate(text, d)) << text;
    EXPECT_EQ(d, date) << text;
  }
  for (const char* bad : {"", "2003", "1.2.", "1.2.003", "2003-02-01x", "12:30", "01/02/2003",
                          "1.2.2003 12", "20030-01-01"})
    EXPECT_FALSE(ParseDate(bad, d)) << bad;
}

TEST(Dates, SerialsOutsideTheDateRangeRaiseOverflow) {
  for (double bad : {1e300, -1e300, 2958466.0, -657435.0, std::nan("")})
    EXPECT_EQ(testing::Raised([&] { SplitDate(DateValue{bad}); }).Number(), errc::kOverflow) << bad;
  EXPECT_THROW(Variant(1e300).ToDate(), VMError);
  EXPECT_THROW(Variant("1e300").ToDate(), VMError);
  EXPECT_EQ(Variant(37653).ToDate(), MakeDate(2003, 2, 1));
  EXPECT_EQ(SplitDate(MakeDate(100, 1, 1)).year, 100);
}

TEST(Dates, IsoFormatOmitsMidnight) {
  EXPECT_EQ(FormatIsoDate(MakeDate(2003, 2, 1)), "2003-02-01");
  EXPECT_EQ(FormatIsoDate(MakeDate(2003, 2, 1, 7, 8, 9)), "2003-02-01 07:08:09");
  EXPECT_EQ(Variant("1.2.2003").ToDate(), MakeDate(2003, 2, 1));
}

}  // namespace
}  // namespace vmbgrid
