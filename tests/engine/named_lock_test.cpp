// The engine's re-entrant locks: waiting, re-entry, the GUI thread running handed-over
// tasks while it waits, closing, and the one-lock rule.
#include "engine/named_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/fake_ui.h"

namespace vpx {
namespace {

using namespace std::chrono_literals;

struct LockSetup {
  test::FakeGuiQueue queue;  // the constructing (test) thread is the GUI thread
  GuiBridge bridge{&queue};
  NamedLock list{bridge, "list"};
  NamedLock add{bridge, "add"};
};

TEST(NamedLockThreads, OwnerReentersAndOthersWaitUntilFullyReleased) {
  LockSetup s;
  ASSERT_TRUE(s.list.Acquire());
  ASSERT_TRUE(s.list.Acquire());
  std::atomic<bool> had{false};
  std::thread other([&] {
    ASSERT_TRUE(s.list.Acquire());
    had = true;
    s.list.Release();
  });
  s.list.Release();
  std::this_thread::sleep_for(150ms);
  EXPECT_FALSE(had.load());
  s.list.Release();
  other.join();
  EXPECT_TRUE(had.load());
}

TEST(NamedLockThreads, WaitingGuiThreadRunsTasksSentByTheHolder) {
  LockSetup s;
  std::atomic<bool> holding{false};
  std::atomic<bool> released{false};
  int ranOnGui = 0;  // written by the GUI thread only
  std::thread holder([&] {
    s.list.Acquire();
    holding = true;
    // Needs the GUI thread while holding the lock, as the control thread does.
    for (int i = 0; i < 20; ++i) s.bridge.Send([&] { ++ranOnGui; });
    released = true;
    s.list.Release();
  });
  while (!holding.load()) std::this_thread::yield();
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(s.list.Acquire());
  // Twenty sends answered within the wait, not one per 100 ms slice (which would take 2 s);
  // the margin keeps the check sound on a loaded machine or under a sanitizer.
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
  EXPECT_TRUE(released.load());
  EXPECT_EQ(ranOnGui, 20);
  s.list.Release();
  holder.join();
}

TEST(NamedLockThreads, WaitingGuiThreadKeepsPumpingTheFrontEndQueue) {
  LockSetup s;
  std::atomic<bool> holding{false};
  std::atomic<bool> pumped{false};
  std::thread holder([&] {
    s.list.Acquire();
    holding = true;
    s.queue.Post([&] { pumped = true; });
    while (!pumped.load()) std::this_thread::sleep_for(1ms);
    s.list.Release();
  });
  while (!holding.load()) std::this_thread::yield();
  ASSERT_TRUE(s.list.Acquire());
  EXPECT_TRUE(pumped.load());
  s.list.Release();
  holder.join();
}

TEST(NamedLockThreads, ClosingMakesWaitersFail) {
  LockSetup s;
  ASSERT_TRUE(s.list.Acquire());
  std::atomic<int> result{-1};
  std::thread waiter([&] { result = s.list.Acquire() ? 1 : 0; });
  std::this_thread::sleep_for(50ms);
  s.list.Close();
  waiter.join();
  EXPECT_EQ(result.load(), 0);
  s.list.Release();
}

TEST(NamedLockThreads, HoldIsReleasedOnlyByItsRelease) {
  LockSetup s;
  ASSERT_TRUE(s.list.AcquireHold());
  ASSERT_TRUE(s.add.Acquire());  // the holder may still take a queue lock
  s.add.Release();
  std::atomic<bool> had{false};
  std::thread other([&] {
    s.list.Acquire();
    had = true;
    s.list.Release();
  });
  std::this_thread::sleep_for(120ms);
  EXPECT_FALSE(had.load());
  s.list.ReleaseHold();
  other.join();
  EXPECT_TRUE(had.load());
}

// A lock that counts what is held and can refuse, to watch a guard's takes and gives.
struct CountingLock {
  bool refuse = false;
  int held = 0;
  bool Take() {
    if (refuse) return false;
    ++held;
    return true;
  }
  void Give() { --held; }
};
using CountingGuard = ScopedLock<CountingLock, &CountingLock::Take, &CountingLock::Give>;

TEST(ScopedLock, GivesBackOnceOnEveryPathAndPassesThroughForAHeldLock) {
  CountingLock lock;
  {
    CountingGuard guard(lock);
    EXPECT_TRUE(guard.Ok());
    EXPECT_EQ(lock.held, 1);
    guard.Release();
    EXPECT_EQ(lock.held, 0);
  }
  EXPECT_EQ(lock.held, 0);  // an early release is not repeated
  {
    CountingGuard guard(lock, false);
    EXPECT_TRUE(guard.Ok());
    EXPECT_EQ(lock.held, 0);
  }
  EXPECT_EQ(lock.held, 0);
  lock.refuse = true;
  {
    CountingGuard guard(lock);
    EXPECT_FALSE(guard.Ok());
  }
  EXPECT_EQ(lock.held, 0);
}

TEST(ScopedLock, AClosedNamedLockIsNotHad) {
  LockSetup s;
  s.list.Close();
  NamedLockGuard guard(s.list);
  EXPECT_FALSE(guard.Ok());
}

#ifndef NDEBUG
TEST(NamedLockDeathTest, HoldingTwoLocksIsAFault) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        LockSetup s;
        s.list.Acquire();
        s.add.Acquire();
      },
      "two of the engine's locks");
}
#endif

}  // namespace
}  // namespace vpx
