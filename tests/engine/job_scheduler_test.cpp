// JobScheduler on its own, with a result list and a running-job list on recording views:
// what it accepts, how jobs that cannot run are still retired into their own entries in
// queue order, and its end.
#include "engine/job_scheduler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "engine/result_list.h"
#include "engine/thread_dlg.h"
#include "host/sjis.h"
#include "support/fake_ui.h"

namespace vpx::test {
namespace {

class JobSchedulerThreads : public ::testing::Test {
 protected:
  JobSchedulerThreads()
      : bridge_(&fake_.queue),
        results_(bridge_, &fake_.resultList, ResultList::Sinks{}),
        jobs_(bridge_, results_, &fake_.jobList) {
    jobs_.SetServiceIntervalMs(5);
    jobs_.SetJobRetiredListener([this](const RetiredJob& job) { retired_.push_back(job); });
    jobs_.SetControlEndedListener([this] { ++ended_; });
  }
  ~JobSchedulerThreads() override {
    CMyThreadDlg::FailThreadCreationForTest(false);
    jobs_.StopControlThread();
  }

  // A job without an engine behind it (it never reaches a body).
  static CMyThreadDlg* MakeJob(const std::string& line) {
    auto* job = new CMyThreadDlg(nullptr);
    CMyFuncData call;
    call.SetLineText(line);
    EXPECT_EQ(job->SetThreadFunc(FuncId::MakeFileCRC, call, true), 1);
    return job;
  }
  template <typename Cond>
  bool PumpUntil(Cond cond) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!cond()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      fake_.queue.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    fake_.queue.Pump();
    return true;
  }

  FakeUi fake_;
  GuiBridge bridge_;
  ResultList results_;
  JobScheduler jobs_;
  std::vector<RetiredJob> retired_;
  int ended_ = 0;
};

TEST_F(JobSchedulerThreads, QueueRefusesJobsBeforeTheControlThreadRunsAndAfterAClose) {
  CMyThreadDlg* early = MakeJob("Early()");
  EXPECT_FALSE(jobs_.Queue(early));
  delete early;
  EXPECT_TRUE(jobs_.IsIdle());
  jobs_.StartControlThread();
  jobs_.RequestShutdown();
  CMyThreadDlg* late = MakeJob("Late()");
  EXPECT_FALSE(jobs_.Queue(late));
  delete late;
  ASSERT_TRUE(PumpUntil([&] { return jobs_.IsShutDown(); }));
  EXPECT_EQ(ended_, 1);
  EXPECT_EQ(jobs_.LiveJobCount(), 0);
}

TEST_F(JobSchedulerThreads, JobsThatCannotStartEndInTheirOwnEntriesInQueueOrder) {
  CMyThreadDlg::FailThreadCreationForTest(true);
  jobs_.StartControlThread();
  // Fifteen jobs: more than one round takes.
  for (int i = 0; i < 15; ++i) ASSERT_TRUE(jobs_.Queue(MakeJob("J" + std::to_string(i) + "()")));
  ASSERT_TRUE(PumpUntil([&] { return jobs_.IsIdle(); }));
  ASSERT_EQ(results_.Entries().GetCount(), 15);
  ASSERT_EQ(retired_.size(), 15u);
  for (int i = 0; i < 15; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(retired_[i].index, static_cast<uint32_t>(i));
    EXPECT_EQ(retired_[i].callText, "J" + std::to_string(i) + "()");
    EXPECT_TRUE(retired_[i].failed);
    EXPECT_EQ(fake_.resultList.GetCellText(i, 0), SJ("※　スレッド作成に失敗。"));
    EXPECT_EQ(results_.IsShortCutItemReserved(static_cast<uint32_t>(i), true), 0);
  }
  EXPECT_EQ(fake_.jobList.GetRowCount(), 0);
}

TEST_F(JobSchedulerThreads, HeldListKeepsJobsFromStartingUntilReleased) {
  CMyThreadDlg::FailThreadCreationForTest(true);
  jobs_.StartControlThread();
  results_.HoldList();
  ASSERT_TRUE(jobs_.Queue(MakeJob("Held()")));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  fake_.queue.Pump();
  EXPECT_EQ(results_.Entries().GetCount(), 0);
  EXPECT_FALSE(jobs_.IsIdle());
  results_.ReleaseListHold();
  jobs_.Wake();
  ASSERT_TRUE(PumpUntil([&] { return jobs_.IsIdle(); }));
  EXPECT_EQ(results_.Entries().GetCount(), 1);
  ASSERT_EQ(retired_.size(), 1u);
}

}  // namespace
}  // namespace vpx::test
