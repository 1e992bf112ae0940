// The million-digit math commands against the reference libraries, decimal text included on
// both sides: Factorial, LogE and GetPi job bodies, SqRoot, GetNapier and Div(1, 3), and the
// cancel latency of the longest product the cap allows (only when asked for by name). After
// the table, each command's time is printed as a ratio to its reference (real time, and
// CPU time of the whole process, so that a second thread counts).
#include <benchmark/benchmark.h>
#include <gmp.h>
#include <mpfr.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench_digits.h"
#include "engine/commands/math/math_command_support.h"
#include "engine/handler_table.h"
#include "engine/thread_dlg.h"
#include "language/func_data.h"
#include "numbers/math_decimal.h"
#include "numbers/math_exp_log.h"
#include "numbers/math_pi.h"
#include "numbers/math_roots.h"
#include "numbers/my_numeric.h"

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

// A job for id with the given arguments, run by its registered body.
class BenchJob {
 public:
  BenchJob(FuncId id, const std::string& a0, const std::string& a1) : id_(id), job_(nullptr) {
    RegisterMathCommands(table_);
    CMyFuncData call;
    call.SetID(static_cast<int32_t>(FuncIdValue(id)));
    call.AddArgument(a0, kKindUInt, NumberOf(a0));
    if (!a1.empty()) call.AddArgument(a1, kKindUInt, NumberOf(a1));
    call.SetArgTypeStr();
    job_.SetThreadFunc(id, call, false);
  }
  int Run() { return table_.FindJobBody(id_).body(job_); }
  CMyThreadDlg& Job() { return job_; }

 private:
  FuncId id_;
  HandlerTable table_;
  CMyThreadDlg job_;
};

// The job's body on this thread; the length of the decimal text the result list shows.
int64_t RunJobBody(FuncId id, const std::string& a0, const std::string& a1) {
  BenchJob job(id, a0, a1);
  job.Run();
  return static_cast<int64_t>(job.Job().NumericResult().ToString().size());
}

// Milliseconds from the cancel request to the end of a job body cancelled after several
// delays (each stage of the computation in turn); the worst is reported.
void BM_CancelLatency(benchmark::State& state, FuncId id, const char* a0, const char* a1) {
  double worst = 0;
  for (auto _ : state) {
    for (int delayMs : {50, 200, 500, 900, 1400, 2000, 2800}) {
      BenchJob job(id, a0, a1);
      auto body = std::async(std::launch::async, [&] { return job.Run(); });
      if (body.wait_for(std::chrono::milliseconds(delayMs)) == std::future_status::ready) break;
      const auto cancelled = std::chrono::steady_clock::now();
      job.Job().Cancel();
      body.wait();
      const std::chrono::duration<double, std::milli> latency =
          std::chrono::steady_clock::now() - cancelled;
      worst = std::max(worst, latency.count());
    }
  }
  state.counters["worst_ms"] = worst;
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
    DecimalDigits e;
    NapierDigits(kMillion, false, nullptr, &e);
    StoreDecimalDigits(r, e);
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
void BM_LogEJobBody(benchmark::State& state, const char* x) {
  for (auto _ : state) {
    state.PauseTiming();
    mpfr_free_cache();
    state.ResumeTiming();
    benchmark::DoNotOptimize(RunJobBody(FuncId::LogE, x, "1000000"));
  }
}

void BM_MpfrLog(benchmark::State& state, const char* x) {
  for (auto _ : state) {
    state.PauseTiming();
    mpfr_free_cache();
    state.ResumeTiming();
    Mpfr v(BitsForDigits(kMillion));
    mpfr_set_str(v.get(), x, 10, MPFR_RNDN);
    mpfr_log(v.get(), v.get(), MPFR_RNDN);
    mpfr_exp_t exp = 0;
    char* text = mpfr_get_str(nullptr, &exp, 10, kMillion, v.get(), MPFR_RNDZ);
    benchmark::DoNotOptimize(text);
    mpfr_free_str(text);
  }
}

// The job body uses a second core when there is one.
void BM_GetPiJobBody(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(RunJobBody(FuncId::GetPi, "1000000", ""));
}

void BM_GetPiOneThread(benchmark::State& state) {
  for (auto _ : state) {
    DecimalDigits pi;
    PiDigits(kMillion, false, nullptr, &pi);
    MyNumeric r;
    StoreDecimalDigits(r, pi);
    benchmark::DoNotOptimize(r.ToString().size());
  }
}

void BM_MpfrConstPi(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    mpfr_free_cache();
    state.ResumeTiming();
    Mpfr v(BitsForDigits(kMillion));
    mpfr_const_pi(v.get(), MPFR_RNDN);
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

// --- the 1,000,000 x 1,000,000-digit product and the 1,000,000 / 500,000-digit quotient,
// decimal digits in and out on both sides ---

using bench::DigitValues;
using bench::RandomDigits;

// mpz from decimal digit values (most significant first).
void SetDigits(mpz_ptr z, const std::vector<unsigned char>& d) {
  mp_size_t size = mpn_set_str(mpz_limbs_write(z, static_cast<mp_size_t>(d.size() / 19 + 3)),
                               d.data(), d.size(), 10);
  mpz_limbs_finish(z, size);
}

// x op y on copies of x, the copy untimed.
template <typename Op>
void TimeOnCopies(benchmark::State& state, const MyNumeric& x, const MyNumeric& y, Op op) {
  for (auto _ : state) {
    state.PauseTiming();
    MyNumeric v = x;
    state.ResumeTiming();
    op(v, y);
    benchmark::DoNotOptimize(v.GetValidSize());
  }
  MyNumeric().SetResultSize(100);
}

void BM_Product(benchmark::State& state) {
  const uint32_t r = 2 * kMillion + 2;
  TimeOnCopies(state, bench::NumberWithResultSize(RandomDigits(kMillion, 1), r),
               bench::NumberWithResultSize(RandomDigits(kMillion, 2), r),
               [](MyNumeric& v, const MyNumeric& y) { return v.Mul(y); });
}

void BM_GmpProduct(benchmark::State& state) {
  auto a = DigitValues(RandomDigits(kMillion, 1)), b = DigitValues(RandomDigits(kMillion, 2));
  std::vector<unsigned char> out(2 * kMillion + 4);
  for (auto _ : state) {
    Mpz x, y, p;
    SetDigits(x.get(), a);
    SetDigits(y.get(), b);
    mpz_mul(p.get(), x.get(), y.get());
    mp_size_t sp = static_cast<mp_size_t>(mpz_size(p.get()));
    benchmark::DoNotOptimize(mpn_get_str(out.data(), 10, mpz_limbs_modify(p.get(), sp), sp));
  }
}

constexpr uint32_t kDivisorDigits = kMillion / 2;

// ResultSize 1,000,000: the quotient keeps a million digits.
void BM_Quotient(benchmark::State& state) {
  TimeOnCopies(state, bench::NumberWithResultSize(RandomDigits(kMillion, 3), kMillion),
               bench::NumberWithResultSize(RandomDigits(kDivisorDigits, 4), kMillion),
               [](MyNumeric& v, const MyNumeric& y) { return v.Div(y); });
}

// The dividend scaled so that the truncated quotient has a million digits.
void BM_GmpQuotient(benchmark::State& state) {
  auto a = DigitValues(RandomDigits(kMillion, 3)), b = DigitValues(RandomDigits(kDivisorDigits, 4));
  std::vector<unsigned char> out(kMillion + 100);
  for (auto _ : state) {
    Mpz x, y, scale, q;
    SetDigits(x.get(), a);
    SetDigits(y.get(), b);
    mpz_ui_pow_ui(scale.get(), 10, kDivisorDigits);  // 10^(1e6 + 5e5 - 1e6)
    mpz_mul(x.get(), x.get(), scale.get());
    mpz_tdiv_q(q.get(), x.get(), y.get());
    mp_size_t sq = static_cast<mp_size_t>(mpz_size(q.get()));
    benchmark::DoNotOptimize(mpn_get_str(out.data(), 10, mpz_limbs_modify(q.get(), sq), sq));
  }
}

// Milliseconds from a cancel to the end of a MyNumeric product of the longest operands the
// cap allows (two 49,999,997-digit numbers; about 1.5 GB in all), cancelled after several
// delays; the worst is reported. Registered only when a filter names it (main).
void BM_HugeProductCancelLatency(benchmark::State& state) {
  constexpr uint32_t kDigits = 49'999'997;
  const MyNumeric x = bench::NumberWithResultSize(RandomDigits(kDigits, 5), MyNumeric::kMaxDigits);
  const MyNumeric y = bench::NumberWithResultSize(RandomDigits(kDigits, 6), MyNumeric::kMaxDigits);
  double worst = 0;
  for (auto _ : state) {
    for (int delayMs : {100, 500, 1000, 2000, 3500}) {
      CancelFlag flag{0};
      MyNumeric v = x;
      v.SetCancelToken(&flag);
      auto product = std::async(std::launch::async, [&] { return v.Mul(y); });
      if (product.wait_for(std::chrono::milliseconds(delayMs)) == std::future_status::ready) break;
      const auto cancelled = std::chrono::steady_clock::now();
      flag.store(1);
      product.wait();
      const std::chrono::duration<double, std::milli> latency =
          std::chrono::steady_clock::now() - cancelled;
      worst = std::max(worst, latency.count());
    }
  }
  state.counters["worst_ms"] = worst;
  MyNumeric().SetResultSize(100);
}

#define VPX_MATH_BENCH(...) \
  __VA_ARGS__->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()

VPX_MATH_BENCH(BENCHMARK(BM_Product))->Iterations(3);
VPX_MATH_BENCH(BENCHMARK(BM_GmpProduct))->Iterations(3);
VPX_MATH_BENCH(BENCHMARK(BM_Quotient))->Iterations(3);
VPX_MATH_BENCH(BENCHMARK(BM_GmpQuotient))->Iterations(3);
VPX_MATH_BENCH(BENCHMARK(BM_FactorialJobBody));
VPX_MATH_BENCH(BENCHMARK(BM_GmpFactorial));
VPX_MATH_BENCH(BENCHMARK(BM_SqRoot));
VPX_MATH_BENCH(BENCHMARK(BM_GmpSqrt));
VPX_MATH_BENCH(BENCHMARK(BM_GetNapier));
VPX_MATH_BENCH(BENCHMARK(BM_MpfrExpOne));
VPX_MATH_BENCH(BENCHMARK(BM_DivOneByThree));
VPX_MATH_BENCH(BENCHMARK(BM_GmpDivOneByThree));
VPX_MATH_BENCH(BENCHMARK(BM_GetPiJobBody))->Iterations(2);
VPX_MATH_BENCH(BENCHMARK(BM_GetPiOneThread))->Iterations(2);
VPX_MATH_BENCH(BENCHMARK(BM_MpfrConstPi))->Iterations(2);
VPX_MATH_BENCH(BENCHMARK_CAPTURE(BM_LogEJobBody, 2, "2"))->Iterations(1);
VPX_MATH_BENCH(BENCHMARK_CAPTURE(BM_MpfrLog, 2, "2"))->Iterations(1);
VPX_MATH_BENCH(BENCHMARK_CAPTURE(BM_LogEJobBody, 3.7, "3.7"))->Iterations(1);
VPX_MATH_BENCH(BENCHMARK_CAPTURE(BM_MpfrLog, 3.7, "3.7"))->Iterations(1);
VPX_MATH_BENCH(BENCHMARK_CAPTURE(BM_LogEJobBody, 12345.678, "12345.678"))->Iterations(1);
VPX_MATH_BENCH(BENCHMARK_CAPTURE(BM_MpfrLog, 12345.678, "12345.678"))->Iterations(1);
BENCHMARK_CAPTURE(BM_CancelLatency, GetPi, FuncId::GetPi, "1000000", "")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_CancelLatency, LogE, FuncId::LogE, "3.7", "1000000")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Each command against its reference.
const std::vector<std::pair<std::string, std::string>> kRatios = {
    {"BM_Product", "BM_GmpProduct"},
    {"BM_Quotient", "BM_GmpQuotient"},
    {"BM_FactorialJobBody", "BM_GmpFactorial"},
    {"BM_SqRoot", "BM_GmpSqrt"},
    {"BM_GetNapier", "BM_MpfrExpOne"},
    {"BM_DivOneByThree", "BM_GmpDivOneByThree"},
    {"BM_GetPiJobBody", "BM_MpfrConstPi"},
    {"BM_GetPiOneThread", "BM_MpfrConstPi"},
    {"BM_LogEJobBody/2", "BM_MpfrLog/2"},
    {"BM_LogEJobBody/3.7", "BM_MpfrLog/3.7"},
    {"BM_LogEJobBody/12345.678", "BM_MpfrLog/12345.678"},
};

// The console table, then the ratios of the pairs above that ran.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      // The name without the run options ("/iterations:2/process_time/real_time").
      std::string name = run.benchmark_name();
      for (const char* option : {"/iterations", "/process_time", "/real_time"})
        name = name.substr(0, name.find(option));
      times_[name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-28s %-24s %10s %10s\n", "Vorpex", "reference", "real", "cpu");
    for (const auto& [ours, theirs] : kRatios) {
      auto a = times_.find(ours);
      auto b = times_.find(theirs);
      if (a == times_.end() || b == times_.end()) continue;
      std::printf("%-28s %-24s %9.2fx %9.2fx\n", ours.c_str(), theirs.c_str(),
                  a->second.first / b->second.first, a->second.second / b->second.second);
    }
  }

 private:
  std::map<std::string, std::pair<double, double>> times_;
};

}  // namespace
}  // namespace vpx

int main(int argc, char** argv) {
  // Rows that need gigabytes exist only when the filter names them.
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]).starts_with("--benchmark_filter") &&
        std::string(argv[i]).find("Huge") != std::string::npos) {
      benchmark::RegisterBenchmark("BM_HugeProductCancelLatency", vpx::BM_HugeProductCancelLatency)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1);
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  vpx::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
