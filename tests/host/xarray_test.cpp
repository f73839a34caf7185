#include "host/xarray.h"

#include <gtest/gtest.h>

#include "host/error.h"
#include "tests/raised.h"

namespace vmbgrid {
namespace {

TEST(XArray, EmptyDimensions) {
  XArray a;
  EXPECT_EQ(a.Count(1), 0);
  EXPECT_EQ(testing::Raised([&] { a.Value(0, 0); }).Number(), errc::kSubscriptOutOfRange);
  a.ReDim(0, -1, 0, 5);
  EXPECT_EQ(a.Count(1), 0);
  EXPECT_EQ(a.Count(2), 6);
  EXPECT_EQ(testing::Raised([&] { a.Value(0, 0); }).Number(), errc::kSubscriptOutOfRange);
  a.ReDim(3, 1, 0, 0);
  EXPECT_EQ(a.Count(1), 0);
  EXPECT_EQ(a.UpperBound(1), 2);
  a.ReDim(0, 0, 0, 0);
  a.Value(0, 0, Variant(1));
  a.Clear();
  EXPECT_EQ(a.Count(1), 0);
  EXPECT_EQ(a.Count(2), 0);
  a.ReDim(0, 1, 0, 1);
  a.Value(1, 1, Variant(11));
  a.ReDim(1, 2, 0, 2, true);  // preserved cells keep their place
  EXPECT_EQ(a(1, 1), Variant(11));
  EXPECT_EQ(testing::Raised([&] { a.Value(0, 0); }).Number(), errc::kSubscriptOutOfRange);
  EXPECT_THROW(a.ReDim(0, 2000000000, 0, 2000000000), VMError);
}

}  // namespace
}  // namespace vmbgrid
