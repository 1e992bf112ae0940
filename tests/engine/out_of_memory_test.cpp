// Memory running out inside a line or a job: the work ends with the out-of-memory text,
// nothing unusable is recorded, no lock stays held, and the next line works.
#include "host/out_of_memory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "engine/func_result.h"
#include "engine/shortcut_array.h"
#include "engine/thread_dlg.h"
#include "support/engine_fixture.h"

// The replacements below pair malloc with free; GCC cannot see that through inlining.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

// Allocations of this thread fail once the count reaches 0 (-1: never): a failure at
// every allocation of a line in turn, wherever the line allocates.
thread_local long t_allocationsBeforeFailure = -1;

// The same for every other thread (control thread, job threads) together: fires once.
std::atomic<long> g_otherThreadsBeforeFailure{-1};
thread_local bool t_isTestThread = false;

bool OtherThreadFails() {
  long left = g_otherThreadsBeforeFailure.load();
  while (left >= 0) {
    if (g_otherThreadsBeforeFailure.compare_exchange_weak(left, left - 1)) return left == 0;
  }
  return false;
}

void* operator new(std::size_t size) {
  if (t_allocationsBeforeFailure >= 0 && t_allocationsBeforeFailure-- == 0) throw std::bad_alloc();
  if (!t_isTestThread && OtherThreadFails()) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace vpx::test {
namespace {

// MakeFileCRC(STRING) returns a STRING; its ID carries the test handlers here.
constexpr FuncId kTestId = FuncId::MakeFileCRC;

int HandlerThatRunsOutHoldingTheListLock(ICommandContext& engine, FuncId, CMyFuncData&) {
  engine.AcquireListLock();
  throw std::bad_alloc();
}

int QueueJob(ICommandContext& engine, FuncId id, CMyFuncData& call) {
  return engine.QueueJob(id, call, JobStartFailureTexts{});
}

int BodyThatRunsOut(CMyThreadDlg&) {
  throw std::bad_alloc();
}

int BodyThatEnds(CMyThreadDlg& job) {
  job.TextResult() = "done";
  return 1;
}

// A number that lost its buffers, as one whose allocation failed.
MyNumeric UnusableNumber() {
  MyNumeric n;
  MyNumeric taker(std::move(n));
  return n;
}

class OutOfMemoryThreads : public ::testing::Test, public EngineFixture {
 protected:
  std::string OutOfMemoryUtf8() { return ToUtf8(OutOfMemoryText()); }
};

TEST_F(OutOfMemoryThreads, LineThatRunsOutReportsItReleasesTheLockAndTheNextLineWorks) {
  engine.Handlers().AddCommand(kTestId, HandlerThatRunsOutHoldingTheListLock);
  EXPECT_THAT(Type("MakeFileCRC(\"x\")"),
              ::testing::ElementsAre("STRING MakeFileCRC(STRING)", OutOfMemoryUtf8()));
  EXPECT_THAT(Type("AddInt(1, 2)"), ::testing::ElementsAre("INT AddInt(INT, INT)", "3"));
  // The control thread needs the list lock to retire a job.
  engine.Handlers().AddCommand(kTestId, QueueJob);
  engine.Handlers().AddJobBody(kTestId, BodyThatEnds);
  Type("MakeFileCRC(\"y\")");
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(RowText(EntryCount() - 1), "done");
}

TEST_F(OutOfMemoryThreads, JobWhoseBodyRunsOutEndsWithTheTextInItsEntry) {
  engine.Handlers().AddCommand(kTestId, QueueJob);
  engine.Handlers().AddJobBody(kTestId, BodyThatRunsOut);
  Type("MakeFileCRC(\"x\")");
  ASSERT_TRUE(WaitIdle());
  ASSERT_EQ(EntryCount(), 2);
  EXPECT_EQ(RowText(1), OutOfMemoryUtf8());
  EXPECT_EQ(RowType(1), "S");
}

// Runs the line with its allocation number k failing, for k = 0, 1, 2 ... until the line
// gets through; check() runs after every attempt.
template <typename Check>
int FailEachAllocationOf(EngineFixture& f, const std::string& line, Check check) {
  int failures = 0;
  for (long k = 0;; ++k) {
    f.fake.console.TypeLine(ToSjis(line));
    t_allocationsBeforeFailure = k;
    f.engine.ExecuteInputLine();
    const bool failed = t_allocationsBeforeFailure < 0;
    t_allocationsBeforeFailure = -1;
    SCOPED_TRACE("allocation " + std::to_string(k) + " of " + line);
    f.Output();
    check();
    if (!failed) return failures;
    ++failures;
  }
}

TEST_F(OutOfMemoryThreads, ListGrowthFailingAtAnyAllocationKeepsArrayAndRowsInStep) {
  Type("SetString(\"abc\")");
  auto consistent = [&] {
    ASSERT_EQ(EntryCount(), RowCount());
    ASSERT_EQ(RowText(0), "abc");
  };
  EXPECT_GT(FailEachAllocationOf(*this, "AddStrToList()", consistent), 3);
  EXPECT_GT(FailEachAllocationOf(*this, "AddResultToList()", consistent), 3);
  EXPECT_GT(FailEachAllocationOf(*this, "AddIntToList(7)", consistent), 3);
  auto inStep = [&] {
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(EntryCount(), RowCount());
  };
  EXPECT_GT(FailEachAllocationOf(*this, "Mul(123456789, 987654321)", inStep), 3);
  EXPECT_GT(FailEachAllocationOf(*this, "GetListData(1)", inStep), 3);
  EXPECT_GT(FailEachAllocationOf(*this, "Factorial(40)", inStep), 3);
  EXPECT_THAT(Type("AddInt(1, 2)"), ::testing::ElementsAre("INT AddInt(INT, INT)", "3"));
}

// The control thread and the job's worker run out of memory at each of their
// allocations in turn: the job always ends (no hang), in its own entry, with its value or
// a failure text, and the rows stay in step with the entries.
TEST_F(OutOfMemoryThreads, JobWhoseFrameRunsOutAtAnyAllocationStillEndsInItsEntry) {
  t_isTestThread = true;
  for (long k = 0;; ++k) {
    SCOPED_TRACE("allocation " + std::to_string(k) + " off the test thread");
    const int entries = EntryCount();
    g_otherThreadsBeforeFailure = k;
    Type("Factorial(30)");
    ASSERT_TRUE(WaitIdle());
    const bool failed = g_otherThreadsBeforeFailure.load() < 0;
    g_otherThreadsBeforeFailure = -1;
    ASSERT_EQ(EntryCount(), RowCount());
    if (EntryCount() > entries) {
      const std::string shown = RowText(EntryCount() - 1);
      EXPECT_TRUE(shown == "265252859812191058636308480000000" || shown.rfind("※", 0) == 0)
          << shown;
    }
    if (!failed) break;
  }
  t_isTestThread = false;
}

// Memory stays short for every write into the job's reserved entry: retiring the job runs
// out on each attempt, gives up after its retries without the result, tells the front end
// once, and the engine still goes idle.
TEST_F(OutOfMemoryThreads, RetirementShortOfMemoryOnEveryAttemptGivesUpAndReportsOnce) {
  std::atomic<size_t> attempts{0};
  engine.Jobs().SetServiceRoundListenerForTest(
      [&](size_t, size_t retired) { attempts.fetch_add(retired); });
  std::vector<RetiredJob> reported;
  engine.SetJobRetiredListener([&](const RetiredJob& job) { reported.push_back(job); });
  engine.Handlers().AddCommand(kTestId, QueueJob);
  engine.Handlers().AddJobBody(kTestId, BodyThatEnds);
  CVXShortCutArray::FailReservedCopiesForTest(true);
  Type("MakeFileCRC(\"x\")");
  const bool idle = WaitIdle();
  CVXShortCutArray::FailReservedCopiesForTest(false);
  ASSERT_TRUE(idle);
  PumpFor(50);  // a second report would have arrived by now
  EXPECT_EQ(attempts.load(), static_cast<size_t>(JobScheduler::kMaxRetireFailures) + 1);
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0].index, RetiredJob::kNoEntry);
  EXPECT_TRUE(reported[0].failed);
  EXPECT_EQ(reported[0].rowText, OutOfMemoryText());
  EXPECT_EQ(EntryCount(), RowCount());
  EXPECT_THAT(Type("AddInt(1, 2)"), ::testing::ElementsAre("INT AddInt(INT, INT)", "3"));
}

TEST(UnusableNumber, StaysUnusableInCopiesAndShowsAFailureTextNotADigit) {
  const MyNumeric bad = UnusableNumber();
  ASSERT_TRUE(bad.IsError());
  EXPECT_TRUE(MyNumeric(bad).IsError());
  std::string text = "kept";
  EXPECT_EQ(bad.GetDataAsStr(&text), 0);
  EXPECT_EQ(bad.ToString(), MyNumeric::UnusableNumberText());
  MyNumeric sum;
  EXPECT_NE(sum.Add(bad), NumStatus::kOk);
}

TEST(UnusableNumber, IsNeverRecordedAndTheRecordKeepsItsValue) {
  CMyFuncData call;
  MyNumeric five;
  five.SetByUInt(5);
  CMyFuncResult record;
  ASSERT_EQ(record.SetData(&call, 17, &five), 1);
  const MyNumeric bad = UnusableNumber();
  EXPECT_EQ(record.SetData(&call, 17, &bad), 0);
  EXPECT_EQ(record.number.ToString(), "5");
  EXPECT_EQ(record.id, 17);
}

}  // namespace
}  // namespace vpx::test
