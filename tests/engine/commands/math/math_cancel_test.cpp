// Cancelling the long number computations from another thread: the series sums stop at
// their next product, and the GetPi and LogE job bodies end with nothing computed.
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
#include "numbers/my_numeric.h"
#include "support/fake_command_context.h"

namespace vpx {
namespace {

using namespace std::chrono_literals;

using test::GatedSeries;

TEST(SumSeriesThreads, ACancelFromAnotherThreadEndsTheSum) {
  for (bool twoThreads : {false, true}) {
    CancelFlag abort{0};
    std::promise<void> reached, raised;
    GatedSeries series(1000, &reached, raised.get_future().share());
    auto sum = std::async(std::launch::async, [&] {
      SplitSums sums;
      return SumSeries(series, 0, 400000, false, twoThreads, &abort, &sums);
    });
    ASSERT_EQ(reached.get_future().wait_for(30s), std::future_status::ready);
    abort.store(1);
    raised.set_value();
    // Uncancelled, the rest of the sum would take far longer than this on any machine.
    ASSERT_EQ(sum.wait_for(10s), std::future_status::ready) << twoThreads;
    EXPECT_FALSE(sum.get()) << twoThreads;
  }
}

TEST(SumSeriesThreads, SumsAreTheSameWithOneOrTwoThreads) {
  CancelFlag never{0};
  std::promise<void> unused;
  std::promise<void> open;
  open.set_value();
  GatedSeries series(UINT64_MAX, &unused, open.get_future().share());
  SplitSums one, two;
  ASSERT_TRUE(SumSeries(series, 0, 3001, false, false, &never, &one));
  ASSERT_TRUE(SumSeries(series, 0, 3001, false, true, &never, &two));
  EXPECT_EQ(mpz_cmp(one.T.get(), two.T.get()), 0);
  EXPECT_EQ(mpz_cmp(one.Q.get(), two.Q.get()), 0);
  EXPECT_EQ(mpz_cmp(one.B.get(), two.B.get()), 0);
}

// A job for id run by its registered body on a thread of the test, cancelled once it has
// run for a while. The body's return value, or -1 when it did not end in time; *result
// receives the text of the job's number.
int CancelJobBody(FuncId id, const std::string& a0, const std::string& a1, std::string* result) {
  HandlerTable table;
  RegisterMathCommands(table);
  std::vector<std::string> args;
  for (const std::string& text : {a0, a1})
    if (!text.empty()) args.push_back(text);
  const CMyFuncData call = test::CallWith(id, args);
  CMyThreadDlg job(nullptr);
  job.SetThreadFunc(id, call, false);
  auto body = std::async(std::launch::async, [&] { return table.FindJobBody(id).body(job); });
  std::this_thread::sleep_for(50ms);
  job.Cancel();
  if (body.wait_for(10s) != std::future_status::ready) return -1;
  *result = job.NumericResult().ToString();
  return body.get();
}

TEST(MathJobCancelThreads, AMillionDigitPiJobEndsWhenCancelled) {
  std::string result;
  EXPECT_EQ(CancelJobBody(FuncId::GetPi, "1000000", "", &result), 0);
  EXPECT_EQ(result, "0");  // nothing of the cancelled computation
  MyNumeric().SetResultSize(100);
}

TEST(MathJobCancelThreads, AMillionDigitLogarithmJobEndsWhenCancelled) {
  std::string result;
  EXPECT_EQ(CancelJobBody(FuncId::LogE, "3.7", "1000000", &result), 0);
  EXPECT_EQ(result, "0");  // neither a partial value nor the argument
  MyNumeric().SetResultSize(100);
}

}  // namespace
}  // namespace vpx
