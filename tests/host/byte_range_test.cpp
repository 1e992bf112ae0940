// ByteRange: both ways of making one, lengths of empty and reversed ranges, and offsets at
// the int64 limits.
#include "host/byte_range.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace vpx {
namespace {

TEST(ByteRange, StartAndLengthMeetFirstAndLast) {
  const ByteRange r = ByteRange::FromStartLength(16, 3);
  EXPECT_EQ(r, ByteRange::FromFirstLast(16, 18));
  EXPECT_EQ(r.Length(), 3);
  EXPECT_EQ(r.End(), 19);
  EXPECT_EQ(ByteRange::FromStartLength(7, 1).last, 7);  // one byte: first == last
  EXPECT_EQ(ByteRange::FromStartLength(7, 0).Length(), 0);
}

TEST(ByteRange, ReversedPairsHaveNoLengthUntilOrdered) {
  const ByteRange r = ByteRange::FromFirstLast(9, 4);
  EXPECT_EQ(r.Length(), -4);
  EXPECT_EQ(r.Ordered(), ByteRange::FromFirstLast(4, 9));
  EXPECT_EQ(r.Ordered().Length(), 6);
  EXPECT_EQ(ByteRange::FromFirstLast(3, 3).Ordered(), ByteRange::FromFirstLast(3, 3));
}

TEST(ByteRange, OffsetsAtTheLimitsSaturate) {
  EXPECT_EQ(ByteRange::FromStartLength(INT64_MAX - 1, 5).last, INT64_MAX);
  EXPECT_EQ(ByteRange::FromFirstLast(INT64_MIN, INT64_MAX).Length(), INT64_MAX);
  EXPECT_EQ(ByteRange::FromFirstLast(0, INT64_MAX).End(), INT64_MAX);
  EXPECT_EQ(SaturatingAdd(INT64_MAX, 1), INT64_MAX);
  EXPECT_EQ(SaturatingAdd(INT64_MIN, -1), INT64_MIN);
  EXPECT_EQ(SaturatingAdd(-5, 3), -2);
}

}  // namespace
}  // namespace vpx
