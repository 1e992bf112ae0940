// The control thread woken by events instead of a fixed sleep: queueing, a released hold and
// a shut-down request start a round at once, rounds still take at most 10 + 10 jobs in
// queue order, and at shut-down a job stuck in a computation that cannot see its cancel
// flag is abandoned while a job that can see it is waited for. The fallback period is set
// to a minute, so a control thread that slept instead of waking would miss every bound.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/ring_memory.h"
#include "engine/thread_dlg.h"
#include "support/engine_fixture.h"

namespace vpx::test {
namespace {

using namespace std::chrono_literals;

constexpr FuncId kFileLikeId = FuncId::MakeFileCRC;      // waited for at shut-down
constexpr FuncId kComputationId = FuncId::CheckFileCRC;  // abandoned
constexpr int kMinuteMs = 60'000;
constexpr int kBoundMs = 10'000;  // generous; far below the fallback period

std::atomic<bool> g_release{false};
std::atomic<int> g_started{0};
std::atomic<int> g_sawCancel{0};

// "wait" polls the cancel flag until cancelled or released; "stuck" ignores the flag, as a
// library computation does, until released; anything else ends at once.
int ScriptedBody(CMyThreadDlg& job) {
  ++g_started;
  const std::string arg = job.GetCallData().GetArgText(0);
  if (arg == "wait") {
    while (!g_release.load() && !job.IsCancelled()) std::this_thread::sleep_for(1ms);
    if (job.IsCancelled()) ++g_sawCancel;
  } else if (arg == "stuck") {
    while (!g_release.load()) std::this_thread::sleep_for(1ms);
  }
  job.TextResult() = "done:" + arg;
  return 1;
}

int QueueTestJob(ICommandContext& engine, FuncId id, CMyFuncData& call) {
  return engine.QueueJob(id, call, JobStartFailureTexts{});
}

class ControlThreadThreads : public ::testing::Test, public EngineFixture {
 protected:
  ControlThreadThreads() {
    g_release = false;
    g_started = 0;
    g_sawCancel = 0;
    engine.Jobs().SetServiceIntervalMs(kMinuteMs);
    engine.Handlers().AddCommand(kFileLikeId, QueueTestJob);
    engine.Handlers().AddJobBody(kFileLikeId, ScriptedBody);
    engine.Handlers().AddCommand(kComputationId, QueueTestJob);
    engine.Handlers().AddJobBody(kComputationId, ScriptedBody, JobShutdown::kAbandon);
  }
  ~ControlThreadThreads() override {
    // An abandoned body finishes on its own once released; wait so nothing outlives the test.
    g_release = true;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBoundMs);
    while (CMyThreadDlg::AbandonedStillRunning() > 0 && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(1ms);
    EXPECT_EQ(CMyThreadDlg::AbandonedStillRunning(), 0);
  }
  void FileJob(const std::string& arg) { Type("MakeFileCRC(\"" + arg + "\")"); }
  void ComputationJob(const std::string& arg) { Type("CheckFileCRC(\"" + arg + "\", \"0\")"); }
};

TEST_F(ControlThreadThreads, JobQueuedWhileTheControlThreadWaitsStartsAndRetiresAtOnce) {
  PumpFor(20);  // the control thread is now asleep for a minute unless woken
  FileJob("quick");
  ASSERT_TRUE(PumpUntil([&] { return RowText(1) == "done:quick"; }, kBoundMs));
  EXPECT_TRUE(WaitIdle());
}

TEST_F(ControlThreadThreads, HoldBlocksStartingAndItsReleaseStartsTheJobAtOnce) {
  engine.Results().HoldList();
  FileJob("quick");
  PumpFor(100);
  EXPECT_EQ(g_started.load(), 0);
  EXPECT_EQ(fake.jobList.GetRowCount(), 0);
  engine.Results().ReleaseListHold();
  ASSERT_TRUE(PumpUntil([&] { return RowText(1) == "done:quick"; }, kBoundMs));
}

TEST_F(ControlThreadThreads, FiftyQueuedJobsGoTenPerRoundInQueueOrder) {
  std::mutex mutex;
  std::vector<std::pair<size_t, size_t>> rounds;
  engine.Jobs().SetServiceRoundListenerForTest([&](size_t started, size_t retired) {
    std::lock_guard lock(mutex);
    rounds.emplace_back(started, retired);
  });
  engine.Results().HoldList();
  for (int i = 0; i < 50; ++i) FileJob("n" + std::to_string(i));
  engine.Results().ReleaseListHold();
  ASSERT_TRUE(PumpUntil([&] { return engine.IsIdle(); }, kBoundMs));
  std::lock_guard lock(mutex);
  size_t started = 0;
  size_t retired = 0;
  for (const auto& [s, r] : rounds) {
    EXPECT_LE(s, 10u);
    EXPECT_LE(r, 10u);
    started += s;
    retired += r;
  }
  EXPECT_EQ(started, 50u);
  EXPECT_EQ(retired, 50u);
  EXPECT_GE(rounds.size(), 5u);
  ASSERT_EQ(RowCount(), 51);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(RowText(i + 1), "done:n" + std::to_string(i));
}

TEST_F(ControlThreadThreads, ShutdownAbandonsAStuckComputationAndWaitsForAFileJob) {
  ComputationJob("stuck");
  FileJob("wait");
  ASSERT_TRUE(PumpUntil([&] { return g_started.load() == 2; }, kBoundMs));
  engine.RequestShutdown();
  ASSERT_TRUE(PumpUntil([&] { return engine.IsShutDown(); }, kBoundMs));
  EXPECT_EQ(g_sawCancel.load(), 1);  // the file job ended through its cancel flag
  EXPECT_EQ(CMyThreadDlg::AbandonedStillRunning(), 1);
  EXPECT_TRUE(engine.IsIdle());
  // Its result is discarded: the entry stays as it was reserved.
  EXPECT_EQ(RowText(1), "CheckFileCRC(\"stuck\", \"0\")");
}

TEST_F(ControlThreadThreads, LinesEnteredAfterACloseRequestAreRefused) {
  FileJob("wait");
  ASSERT_TRUE(PumpUntil([&] { return g_started.load() == 1; }, kBoundMs));
  engine.RequestShutdown();
  EXPECT_THAT(Type("NOP()"),
              ::testing::ElementsAre("※　終了処理中のため、入力された行は実行しません。"));
  EXPECT_EQ(engine.InputHistory().GetCount(), 1u);  // only the job's line
  ASSERT_TRUE(PumpUntil([&] { return engine.IsShutDown(); }, kBoundMs));
  EXPECT_EQ(g_started.load(), 1);
}

}  // namespace
}  // namespace vpx::test
