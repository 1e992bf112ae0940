// Lowering a thread's priority (the jobs' worker threads) changes that thread only.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <thread>

#include "host/platform.h"

namespace vpx {
namespace {

int OwnNiceness() {
  return getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
}

TEST(ThreadPriority, LoweringAThreadLeavesTheOthersAsTheyWere) {
  const int before = OwnNiceness();
  int inWorker = 0;
  bool lowered = false;
  std::thread worker([&] {
    lowered = LowerCurrentThreadPriority(3);
    inWorker = OwnNiceness();
  });
  worker.join();
  ASSERT_TRUE(lowered);
  EXPECT_EQ(inWorker, before + 3 > 19 ? 19 : before + 3);
  EXPECT_EQ(OwnNiceness(), before);
  // A second worker starts from the process's priority again, not from the first's.
  std::thread second([&] { inWorker = OwnNiceness(); });
  second.join();
  EXPECT_EQ(inWorker, before);
}

}  // namespace
}  // namespace vpx
