// The million-digit math commands against the reference libraries, decimal text included on
// both sides: Factorial and LogE job bodies, SqRoot, GetNapier and Div(1, 3).
#include <benchmark/benchmark.h>
#include <gmp.h>
#include <mpfr.h>

#include <memory>
#include <string>

#include "command/func_data.h"
#include "execution/handler_table.h"
#include "execution/thread_dlg.h"
#include "numeric/math_command_support.h"
#include "numeric/math_decimal.h"
#include "numeric/math_exp_log.h"
#include "numeric/math_roots.h"
#include "numeric/my_numeric.h"

namespace vpx {
namespace {

constexpr uint32_t kMillion = 1'000'000;

std::string MpzText(mpz_srcptr v) {
  std::string text(mpz_sizeinbase(v, 10) + 2, '\0');
  mpz_get_str(text.data(), 10, v);
  return text;
}

MyNumeric NumberOf(const std::string& text) {
  MyNumeric n;
  n.SetByString(text);
  return n;
}

// A job for id with the given arguments, run by the registered body on this thread.
int64_t RunJobBody(FuncId id, const std::string& a0, const std::string& a1) {
  HandlerTable table;
  RegisterMathCommands(table);
  CMyFuncData call;
  call.SetID(static_cast<int32_t>(FuncIdValue(id)));
  call.AddArgument(a0, kKindUInt, NumberOf(a0));
  if (!a1.empty()) call.AddArgument(a1, kKindUInt, NumberOf(a1));
  call.SetArgTypeStr();
  CMyThreadDlg job(nullptr);
  job.SetThreadFunc(id, call, false);
  table.FindJobBody(id)(job);
  // The decimal text the result list shows.
  return static_cast<int64_t>(job.NumericResult().ToString().size());
}

void BM_FactorialJobBody(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(RunJobBody(FuncId::Factorial, "205022", ""));
}

void BM_GmpFactorial(benchmark::State& state) {
  for (auto _ : state) {
    Mpz f;
    mpz_fac_ui(f.get(), 205022);
    benchmark::DoNotOptimize(MpzText(f.get()).size());
  }
}

void BM_SqRoot(benchmark::State& state) {
  for (auto _ : state) {
    MyNumeric r = NumberOf("2");
    r.SetResultSize(kMillion);
    StoreDecimalDigits(r, SquareRootDigits(ToDecimalDigits(r), r.GetResultSize()));
    benchmark::DoNotOptimize(r.ToString().size());
  }
}

void BM_GmpSqrt(benchmark::State& state) {
  Mpz scaled;
  mpz_ui_pow_ui(scaled.get(), 10, 2 * (kMillion - 1));
  mpz_mul_ui(scaled.get(), scaled.get(), 2);
  for (auto _ : state) {
    Mpz root;
    mpz_sqrt(root.get(), scaled.get());
    benchmark::DoNotOptimize(MpzText(root.get()).size());
  }
}

void BM_GetNapier(benchmark::State& state) {
  for (auto _ : state) {
    MyNumeric r;
    StoreDecimalDigits(r, NapierDigits(kMillion));
    benchmark::DoNotOptimize(r.ToString().size());
  }
}

void BM_MpfrExpOne(benchmark::State& state) {
  for (auto _ : state) {
    Mpfr e(BitsForDigits(kMillion));
    mpfr_set_ui(e.get(), 1, MPFR_RNDN);
    mpfr_exp(e.get(), e.get(), MPFR_RNDN);
    mpfr_exp_t exp = 0;
    char* text = mpfr_get_str(nullptr, &exp, 10, kMillion, e.get(), MPFR_RNDZ);
    benchmark::DoNotOptimize(text);
    mpfr_free_str(text);
  }
}

// MPFR keeps pi and log 2 of the highest precision asked so far; each run starts without
// them, as a fresh worker thread does.
void BM_LogEJobBody(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    mpfr_free_cache();
    state.ResumeTiming();
    benchmark::DoNotOptimize(RunJobBody(FuncId::LogE, "2", "1000000"));
  }
}

void BM_MpfrLogTwo(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    mpfr_free_cache();
    state.ResumeTiming();
    Mpfr v(BitsForDigits(kMillion));
    mpfr_set_ui(v.get(), 2, MPFR_RNDN);
    mpfr_log(v.get(), v.get(), MPFR_RNDN);
    mpfr_exp_t exp = 0;
    char* text = mpfr_get_str(nullptr, &exp, 10, kMillion, v.get(), MPFR_RNDZ);
    benchmark::DoNotOptimize(text);
    mpfr_free_str(text);
  }
}

void BM_DivOneByThree(benchmark::State& state) {
  const MyNumeric three = NumberOf("3");
  for (auto _ : state) {
    MyNumeric r = NumberOf("1");
    r.SetResultSize(kMillion);
    r.Div(three);
    r.RefreshValidPartSize();
    benchmark::DoNotOptimize(r.ToString().size());
  }
  MyNumeric().SetResultSize(100);
}

void BM_GmpDivOneByThree(benchmark::State& state) {
  Mpz scaled;
  mpz_ui_pow_ui(scaled.get(), 10, kMillion - 1);
  for (auto _ : state) {
    Mpz q;
    mpz_tdiv_q_ui(q.get(), scaled.get(), 3);
    benchmark::DoNotOptimize(MpzText(q.get()).size());
  }
}

BENCHMARK(BM_FactorialJobBody)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GmpFactorial)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqRoot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GmpSqrt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetNapier)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MpfrExpOne)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DivOneByThree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GmpDivOneByThree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LogEJobBody)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_MpfrLogTwo)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace vpx

BENCHMARK_MAIN();
