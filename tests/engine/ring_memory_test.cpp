#include "engine/ring_memory.h"

#include <gtest/gtest.h>

#include <string>

namespace vpx {
namespace {

TEST(InputHistoryRing, KeepsTheLastSixteenNewestFirst) {
  CGRingMemT<std::string> ring(16);
  for (int i = 1; i <= 17; ++i) ring.PushNewDataToRing("line " + std::to_string(i));
  EXPECT_EQ(ring.GetCount(), 16u);
  EXPECT_EQ(ring.GetFromOldData(0), "line 17");
  EXPECT_EQ(ring.GetFromOldData(15), "line 2");
}

TEST(InputHistoryRing, IndexBeyondTheOldestGivesTheOldest) {
  CGRingMemT<std::string> ring(16);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(ring.PushNewDataToRing(std::to_string(i)), i - 1);
  EXPECT_EQ(ring.GetFromOldData(100), "1");
  EXPECT_EQ(ring.GetFromOldData(4), "1");
  EXPECT_EQ(ring.GetFromOldData(3), "2");
}

TEST(InputHistoryRing, EmptyRingGivesAnEmptyText) {
  CGRingMemT<std::string> ring(16);
  EXPECT_EQ(ring.GetFromOldData(0), "");
}

TEST(InputHistoryRing, WrapsManyTimesWithoutLosingOrder) {
  CGRingMemT<int> ring(4);
  for (int i = 0; i < 1003; ++i) ring.PushNewDataToRing(i);
  for (uint32_t back = 0; back < 4; ++back)
    EXPECT_EQ(ring.GetFromOldData(back), 1002 - static_cast<int>(back));
}

}  // namespace
}  // namespace vpx
