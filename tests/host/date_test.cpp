#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "host/error.h"
#include "host/variant.h"
#include "tests/raised.h"

namespace vmbgrid {
namespace {

TEST(Dates, InvalidCalendarDatesAreRejected) {
  for (auto [y, m, day, valid] : {std::tuple{2003, 2, 29, false},
                                  {2004, 2, 29, true},
                                  {1900, 2, 29, false},
                                  {2000, 2, 29, true},
                                  {2003, 13, 1, false},
                                  {2003, 4, 31, false}})
    EXPECT_EQ(IsValidDate(y, m, day), valid) << y << "-" << m << "-" << day;
  EXPECT_THROW(MakeDate(2003, 2, 31), VMError);
  EXPECT_THROW(MakeDate(2003, 2, 1, 24), VMError);
  DateValue d{123};
  for (const char* text : {"31.02.2003", "2003-02-30", "1.2.2003 25:00"})
    EXPECT_FALSE(ParseDate(text, d)) << text;
  EXPECT_EQ(d.serial, 123);  // untouched on failure
  // Serials outside the date range raise instead of giving some other date; a
  // fraction a hair below midnight rounds into the next day, not to 24:00:00.
  EXPECT_EQ(testing::Raised([] { SplitDate(DateValue{1e300}); }).Number(), errc::kOverflow);
  EXPECT_EQ(testing::Raised([] { SplitDate(DateValue{std::nan("")}); }).Number(), errc::kOverflow);
  EXPECT_EQ(SplitDate(DateValue{37653.0 + 0.9999999999}).day, 2);
  EXPECT_TRUE(ParseDate("01.02.45 8:05", d) && d == MakeDate(1945, 2, 1, 8, 5));
}

}  // namespace
}  // namespace vmbgrid
