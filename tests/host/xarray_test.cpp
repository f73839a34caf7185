#include "host/xarray.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "host/error.h"
#include "tests/raised.h"

namespace vmbgrid {
namespace {

TEST(XArray, BoundsAreChecked) {
  XArray a(0, 1, 1, 3);
  EXPECT_EQ(a.Count(1), 2);
  EXPECT_EQ(a.Count(2), 3);
  EXPECT_EQ(a.LowerBound(2), 1);
  EXPECT_EQ(a.UpperBound(2), 3);
  a.Value(1, 3, Variant("x"));
  EXPECT_EQ(a(1, 3), Variant("x"));
  EXPECT_TRUE(a(0, 1).IsEmpty());
  EXPECT_EQ(testing::Raised([&] { a.Value(2, 1); }).Number(), errc::kSubscriptOutOfRange);
  EXPECT_EQ(testing::Raised([&] { a.Value(0, 0); }).Number(), errc::kSubscriptOutOfRange);
  EXPECT_EQ(testing::Raised([&] { a.Value(-1, 1, Variant(1)); }).Number(),
            errc::kSubscriptOutOfRange);
  EXPECT_EQ(testing::Raised([&] { a.Count(3); }).Number(), errc::kSubscriptOutOfRange);
  EXPECT_EQ(testing::Raised([&] { a.LowerBound(0); }).Number(), errc::kSubscriptOutOfRange);
}

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
  EXPECT_THROW(a.ReDim(0, 2000000000, 0, 2000000000), VMError);
}

TEST(XArray, ReDimPreserveKeepsOverlap) {
  XArray a(0, 2, 0, 2);
  for (int r = 0; r <= 2; ++r)
    for (int c = 0; c <= 2; ++c) a.Value(r, c, Variant(r * 10 + c));
  a.ReDim(1, 3, 0, 1, true);
  EXPECT_EQ(a(1, 0), Variant(10));
  EXPECT_EQ(a(2, 1), Variant(21));
  EXPECT_TRUE(a(3, 0).IsEmpty());
  EXPECT_EQ(testing::Raised([&] { a.Value(0, 0); }).Number(), errc::kSubscriptOutOfRange);
  a.ReDim(1, 3, 0, 4, true);  // widen columns: rows keep their cells
  EXPECT_EQ(a(2, 1), Variant(21));
  EXPECT_TRUE(a(2, 4).IsEmpty());
  a.ReDim(1, 3, 0, 4);  // without preserve everything is reset
  EXPECT_TRUE(a(2, 1).IsEmpty());
}

}  // namespace
}  // namespace vmbgrid
