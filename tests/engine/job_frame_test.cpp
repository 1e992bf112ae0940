// Jobs on worker threads with a test-only job body: reserved entries matched by owner,
// failures, holds, thread-creation failure, shut-down, and a stress run of 200 jobs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "engine/thread_dlg.h"
#include "support/engine_fixture.h"

namespace vpx::test {
namespace {

using namespace std::chrono_literals;

// MakeFileCRC(STRING) returns a STRING; its ID carries the test body here.
constexpr FuncId kJobId = FuncId::MakeFileCRC;

std::array<std::atomic<bool>, 4> g_gates;
std::atomic<int> g_bodiesRun{0};
std::atomic<int> g_bodiesCancelled{0};

// The body's argument says what to do: "gate:N" waits for gate N, "fail" fails,
// "cancel" waits until cancelled, anything else ends at once.
int ScriptedJobBody(CMyThreadDlg& job) {
  ++g_bodiesRun;
  const std::string arg = job.GetCallData().GetArgText(0);
  if (arg.rfind("gate:", 0) == 0) {
    const int gate = arg[5] - '0';
    while (!g_gates[gate].load() && !job.IsCancelled()) std::this_thread::sleep_for(1ms);
  } else if (arg == "fail") {
    job.SetError(SJ("※　テスト本体の失敗"));
    return 0;
  } else if (arg == "cancel") {
    while (!job.IsCancelled()) std::this_thread::sleep_for(1ms);
  }
  if (job.IsCancelled()) ++g_bodiesCancelled;
  job.TextResult() = "done:" + arg;
  return 1;
}

int StartTestJob(ICommandContext& engine, FuncId id, CMyFuncData& call) {
  return engine.QueueJob(id, call, JobStartFailureTexts{});
}

class JobFrameThreads : public ::testing::Test, public EngineFixture {
 protected:
  JobFrameThreads() {
    for (auto& gate : g_gates) gate = false;
    g_bodiesRun = 0;
    g_bodiesCancelled = 0;
    engine.Handlers().AddCommand(kJobId, StartTestJob);
    engine.Handlers().AddJobBody(kJobId, ScriptedJobBody);
  }
  void StartJob(const std::string& arg) {
    EXPECT_THAT(Type("MakeFileCRC(\"" + arg + "\")"),
                ::testing::ElementsAre("STRING MakeFileCRC(STRING)"));
  }
};

TEST_F(JobFrameThreads, JobsEndingInOppositeOrderFillTheirOwnEntries) {
  std::vector<RetiredJob> retired;
  engine.SetJobRetiredListener([&](const RetiredJob& job) { retired.push_back(job); });
  StartJob("gate:0");
  StartJob("gate:1");
  ASSERT_TRUE(PumpUntil([&] { return g_bodiesRun.load() == 2; }));
  EXPECT_EQ(EntryCount(), 3);
  EXPECT_EQ(fake.jobList.GetRowCount(), 2);
  EXPECT_EQ(RowText(1), "MakeFileCRC(\"gate:0\")");
  g_gates[1] = true;
  ASSERT_TRUE(PumpUntil([&] { return RowText(2) == "done:gate:1"; }));
  EXPECT_EQ(engine.Results().IsShortCutItemReserved(1, true), 1);
  EXPECT_EQ(RowText(1), "MakeFileCRC(\"gate:0\")");
  g_gates[0] = true;
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(RowText(1), "done:gate:0");
  EXPECT_EQ(RowType(1), "S");
  EXPECT_EQ(engine.Results().IsShortCutItemReserved(1, true), 0);
  EXPECT_EQ(fake.jobList.GetRowCount(), 0);
  ASSERT_EQ(retired.size(), 2u);
  EXPECT_EQ(retired[0].index, 2u);
  EXPECT_EQ(retired[1].index, 1u);
  EXPECT_EQ(ToUtf8(retired[1].rowText), "done:gate:0");
  EXPECT_EQ(retired[1].callText, "MakeFileCRC(\"gate:0\")");
  EXPECT_EQ(retired[1].message, "done:gate:0");
  // A finished entry is an ordinary value for later lines.
  EXPECT_THAT(Type("ListToClip(1)"),
              ::testing::Contains("クリップボードに 11 文字コピーしました。"));
}

TEST_F(JobFrameThreads, FailingBodyShowsItsErrorTextWithTypeLetterS) {
  StartJob("fail");
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(RowText(1), "※　テスト本体の失敗");
  EXPECT_EQ(RowType(1), "S");
}

TEST_F(JobFrameThreads, HoldKeepsJobsFromStartingUntilReleased) {
  engine.Results().HoldList();
  StartJob("quick");
  PumpFor(100);
  EXPECT_EQ(g_bodiesRun.load(), 0);
  EXPECT_EQ(EntryCount(), 1);
  EXPECT_EQ(fake.jobList.GetRowCount(), 0);
  EXPECT_FALSE(engine.IsIdle());
  engine.Results().ReleaseListHold();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(RowText(1), "done:quick");
}

TEST_F(JobFrameThreads, EndedJobKeepsItsEntryReservedWhileTheListIsHeld) {
  StartJob("gate:2");
  ASSERT_TRUE(PumpUntil([&] { return g_bodiesRun.load() == 1; }));
  engine.Results().HoldList();
  g_gates[2] = true;
  PumpFor(100);
  EXPECT_EQ(engine.Results().IsShortCutItemReserved(1, true), 1);
  engine.Results().ReleaseListHold();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(RowText(1), "done:gate:2");
}

TEST_F(JobFrameThreads, ThreadThatCannotBeCreatedStillRetiresTheJob) {
  CMyThreadDlg::FailThreadCreationForTest(true);
  StartJob("quick");
  const bool idle = WaitIdle();
  CMyThreadDlg::FailThreadCreationForTest(false);
  ASSERT_TRUE(idle);
  EXPECT_EQ(g_bodiesRun.load(), 0);
  EXPECT_EQ(RowText(1), "※　スレッド作成に失敗。");
  EXPECT_EQ(RowType(1), "S");
  EXPECT_EQ(fake.jobList.GetRowCount(), 0);
}

TEST_F(JobFrameThreads, ShutdownCancelsRunningJobsAndNeverStartsQueuedOnes) {
  // While the list is held the control thread stops at its first reservation, so the jobs
  // queued after its batch stay queued.
  engine.Results().HoldList();
  for (int i = 0; i < 14; ++i) StartJob("cancel");
  PumpFor(50);
  engine.RequestShutdown();  // also releases the hold
  EXPECT_FALSE(engine.Results().IsListHeld());
  EXPECT_FALSE(engine.IsShutDown());
  ASSERT_TRUE(PumpUntil([&] { return engine.IsShutDown(); }));
  ASSERT_TRUE(WaitIdle());
  EXPECT_GE(g_bodiesRun.load(), 1);
  EXPECT_LE(g_bodiesRun.load(), 10);
  EXPECT_EQ(g_bodiesCancelled.load(), g_bodiesRun.load());
  EXPECT_EQ(Type("MakeFileCRC(\"quick\")").size(), 1u);  // refused after the end: no job
  EXPECT_TRUE(engine.IsIdle());
}

TEST_F(JobFrameThreads, StressOfTwoHundredJobsWithHoldsDeletionsAndNewLines) {
  for (int i = 0; i < 200; ++i) {
    StartJob("n" + std::to_string(i));
    if (i % 10 == 0) {
      engine.Results().HoldList();
      PumpFor(2);
      engine.Results().ReleaseListHold();
    }
    if (i % 7 == 0) Type("DelList(2, 4)");
    if (i % 5 == 0) Type("AddIntToList(" + std::to_string(i) + ")");
    if (i % 3 == 0) fake.queue.Pump();
  }
  ASSERT_TRUE(WaitIdle()) << "jobs did not all retire";
  EXPECT_EQ(g_bodiesRun.load(), 200);
  const int entries = EntryCount();
  ASSERT_EQ(RowCount(), entries);
  for (int i = 0; i < entries; ++i) {
    EXPECT_EQ(engine.Results().IsShortCutItemReserved(static_cast<uint32_t>(i), true), 0) << i;
    EXPECT_EQ(RowIndex(i), std::to_string(i));
    EXPECT_EQ(RowText(i).rfind("MakeFileCRC", 0), std::string::npos) << RowText(i);
  }
  EXPECT_EQ(fake.jobList.GetRowCount(), 0);
}

}  // namespace
}  // namespace vpx::test
