// Progress of the long number computations: how stages and steps map onto a job's
// progress, a series sum's share when half of it is done, and the GetPi, LogE and Factorial
// job bodies watched from another thread.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "engine/handler_table.h"
#include "engine/thread_dlg.h"
#include "language/func_data.h"
#include "numbers/binary_splitting.h"
#include "numbers/gated_series.h"
#include "numbers/math_exp_log.h"
#include "numbers/math_factorial.h"
#include "numbers/math_pi.h"
#include "numbers/work_progress.h"
#include "support/fake_command_context.h"

namespace vpx {
namespace {

using namespace std::chrono_literals;

TEST(WorkProgress, StepsShareTheirStageEvenlyAndNeverPassItsEnd) {
  JobProgress job;
  EXPECT_LT(job.Fraction(), 0.0);
  WorkProgress work(&job);
  EXPECT_EQ(job.Fraction(), 0.0);
  work.BeginStage(0.5, 2);
  work.BeginStep(4);
  work.Count(1);
  EXPECT_DOUBLE_EQ(job.Fraction(), 0.0625);
  work.Count(3);
  EXPECT_DOUBLE_EQ(job.Fraction(), 0.25);
  work.BeginStep(10);
  work.Count(50);  // more than the step said
  EXPECT_DOUBLE_EQ(job.Fraction(), 0.5);
  work.BeginStep(10);  // a step the stage did not expect
  work.Count(10);
  EXPECT_DOUBLE_EQ(job.Fraction(), 0.5);
  work.CompleteShare(0.5);
  EXPECT_DOUBLE_EQ(job.Fraction(), 0.75);
  // A stage that grows: its steps still share it evenly.
  work.BeginStage(0.8, 1);
  work.ExpectSteps(1);
  work.BeginStep(1);
  work.Count(1);
  EXPECT_DOUBLE_EQ(job.Fraction(), 0.85);
  EXPECT_EQ(job.Percent(), 85);
  work.Finish();
  EXPECT_EQ(job.Fraction(), 1.0);
  EXPECT_EQ(job.Percent(), 100);
}

using test::GatedSeries;

TEST(SumSeriesThreads, HalfTheTermsSummedIsJustBelowHalfTheProgress) {
  // At the first term of the right half, the left half is summed but not yet merged with
  // the right: somewhat less than half the work.
  JobProgress job;
  WorkProgress work(&job);
  work.BeginStage(1.0, 1);
  std::promise<void> reached, go;
  GatedSeries series(2048, &reached, go.get_future().share());
  auto sum = std::async(std::launch::async, [&] {
    SplitSums sums;
    return SumSeries(series, 0, 4096, false, false, nullptr, &sums, &work);
  });
  ASSERT_EQ(reached.get_future().wait_for(30s), std::future_status::ready);
  const double half = job.Fraction();
  go.set_value();
  ASSERT_TRUE(sum.get());
  EXPECT_GT(half, 0.4);
  EXPECT_LT(half, 0.5);
  EXPECT_EQ(job.Fraction(), 1.0);
}

// The job's numeric result and every progress value seen from this thread while the
// registered body of id ran with the arguments.
struct WatchedJob {
  std::string result;
  std::vector<double> seen;
};

WatchedJob WatchJobBody(FuncId id, const std::vector<std::string>& args) {
  HandlerTable table;
  RegisterMathCommands(table);
  const CMyFuncData call = test::CallWith(id, args);
  CMyThreadDlg job(nullptr);
  job.SetThreadFunc(id, call, false);
  WatchedJob watched;
  auto body = std::async(std::launch::async, [&] { return table.FindJobBody(id).body(job); });
  while (body.wait_for(100us) != std::future_status::ready) {
    const double now = job.Progress().Fraction();
    if (watched.seen.empty() || now != watched.seen.back()) watched.seen.push_back(now);
  }
  EXPECT_EQ(body.get(), 1);
  watched.seen.push_back(job.Progress().Fraction());
  watched.result = job.NumericResult().ToString();
  MyNumeric().SetResultSize(100);
  return watched;
}

void ExpectRisesToOne(const std::vector<double>& seen) {
  ASSERT_FALSE(seen.empty());
  for (size_t i = 1; i < seen.size(); ++i) ASSERT_LE(seen[i - 1], seen[i]) << "sample " << i;
  EXPECT_EQ(seen.back(), 1.0);
}

TEST(MathJobProgressThreads, GetPiRisesToOneAndGivesTheSameDigits) {
  const WatchedJob watched = WatchJobBody(FuncId::GetPi, {"30000"});
  ExpectRisesToOne(watched.seen);
  DecimalDigits pi;
  ASSERT_TRUE(PiDigits(30000, false, nullptr, &pi));
  EXPECT_EQ(watched.result, pi.ToText());
}

TEST(MathJobProgressThreads, LogEOfALongArgumentRisesToOneAndGivesTheSameDigits) {
  // Long enough for the rounds near 1 after the series of the short way.
  const std::string x = "12345678901234567890123456789012345678901234567.123";
  const WatchedJob watched = WatchJobBody(FuncId::LogE, {x, "3000"});
  ExpectRisesToOne(watched.seen);
  DecimalDigits log;
  ASSERT_TRUE(LogEDigits(DecimalDigits::FromText(x), 3000, nullptr, &log));
  EXPECT_EQ(watched.result, log.ToText());
}

TEST(MathJobProgressThreads, FactorialRisesToOneAndGivesTheSameDigits) {
  const WatchedJob watched = WatchJobBody(FuncId::Factorial, {"60000"});
  ExpectRisesToOne(watched.seen);
  DecimalDigits factorial;
  ASSERT_TRUE(ComputeFactorial(60000, 1000000, nullptr, &factorial));
  EXPECT_EQ(watched.result, factorial.ToText());
}

TEST(MathProgress, RetriedAttemptsStillEndAtOneWithTheSameDigits) {
  // With one guard digit pi's cuts before its digits 1, 8 or 9 at places 2, 12 and 763
  // are settled only by a second attempt; without guard bits most logarithms need one.
  for (uint32_t digits : {1u, 11u, 50u, 333u, 762u}) {
    JobProgress pi, log, e;
    DecimalDigits with, without;
    ASSERT_TRUE(PiDigits(digits, false, nullptr, &with, 1, &pi));
    ASSERT_TRUE(PiDigits(digits, false, nullptr, &without, 1));
    EXPECT_EQ(with.ToText(), without.ToText()) << digits;
    EXPECT_EQ(pi.Fraction(), 1.0) << digits;
    ASSERT_TRUE(LogEDigits(DecimalDigits::FromText("3.7"), digits, nullptr, &with, false, 0, &log));
    ASSERT_TRUE(LogEDigits(DecimalDigits::FromText("3.7"), digits, nullptr, &without, false, 0));
    EXPECT_EQ(with.ToText(), without.ToText()) << digits;
    EXPECT_EQ(log.Fraction(), 1.0) << digits;
    ASSERT_TRUE(NapierDigits(digits, false, nullptr, &with, &e));
    ASSERT_TRUE(NapierDigits(digits, false, nullptr, &without));
    EXPECT_EQ(with.ToText(), without.ToText()) << digits;
    EXPECT_EQ(e.Fraction(), 1.0) << digits;
  }
}

TEST(MathProgress, ACancelledComputationNeverReachesTheEnd) {
  CancelFlag abort{1};
  JobProgress pi, log;
  DecimalDigits out;
  EXPECT_FALSE(PiDigits(1000, false, &abort, &out, kPiGuardDigits, &pi));
  EXPECT_FALSE(LogEDigits(DecimalDigits::FromText("2"), 1000, &abort, &out, false, 0, &log));
  EXPECT_LT(pi.Fraction(), 1.0);
  EXPECT_LT(log.Fraction(), 1.0);
}

}  // namespace
}  // namespace vpx
