// The million-digit math commands against the reference libraries, decimal text included on
// both sides: Factorial, LogE and GetPi job bodies, SqRoot, GetNapier and Div(1, 3), and the
// cancel latency of the longest product the cap allows (only when asked for by name). The
// references are the libraries' own pipelines (MPFR, mpz_*) and the best methods on GMP
// (Chudnovsky, atanh and 1/n! binary splitting, a bare mpn_mul), and LogE of a 100,000-digit
// argument against MPFR (the kernels' crossovers are in bench_kernels). After the table, each
// command's time is printed as a ratio to its references (real time, and CPU time of the whole
// process, so that a second thread counts).
#include <benchmark/benchmark.h>
#include <gmp.h>
#include <mpfr.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <future>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench_digits.h"
#include "engine/commands/math/math_command_support.h"
#include "engine/handler_table.h"
#include "engine/thread_dlg.h"
#include "language/func_data.h"
#include "numbers/bignum_memory.h"
#include "numbers/decimal_root.h"
#include "numbers/math_decimal.h"
#include "numbers/math_exp_log.h"
#include "numbers/math_factorial.h"
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

// The factorial's two-thread floor: n! on one thread or two (real time is what the
// second thread saves).
void BM_FactorialThreads(benchmark::State& state) {
  const auto n = static_cast<uint32_t>(state.range(0));
  const bool twoThreads = state.range(1) != 0;
  for (auto _ : state) {
    DecimalDigits f;
    ComputeFactorial(n, MyNumeric::kMaxDigits, nullptr, &f, twoThreads);
    benchmark::DoNotOptimize(f.digits.size());
  }
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

// The same root by the decimal route (decimal_root.h) whatever its crossover, against the
// binary route (Newton in binary, then the radix conversion) that BM_SqRoot takes today.
void BM_SqRootDecimal(benchmark::State& state) {
  SetDecimalRootLeastDigitsForTest(1);
  BM_SqRoot(state);
  SetDecimalRootLeastDigitsForTest(0);
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

// As the job runs it (a million digits is a job), on the cores the job would use.
void BM_GetNapier(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(RunJobBody(FuncId::GetNapier, "1000000", ""));
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

// A LogE argument of 100,000 digits (7.xxx, the rest pseudo-random).
const char* LongLogArgument() {
  static const std::string text = [] {
    std::string t = "7.";
    std::mt19937_64 rng(5);
    for (int i = 1; i < 100'000; ++i) t += static_cast<char>('0' + rng() % 10);
    return t;
  }();
  return text.c_str();
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

// --- the best methods on GMP: binary splitting of each series in GMP integers, one
// quotient, and the decimal text of the result ---

// The sum of a series whose term n is a(n) p(0)...p(n) / (q(0)...q(n)): T / Q over
// [n0, n1), with P the product of the p's (not kept when the series has p = 1).
struct GmpSplit {
  Mpz P, Q, T;
};

template <typename Term>
void GmpSplitSum(const Term& term, uint64_t n0, uint64_t n1, bool unitP, GmpSplit* out) {
  if (n1 - n0 == 1) {
    term(n0, out->P.get(), out->Q.get(), out->T.get());  // T = a(n) p(n)
    return;
  }
  const uint64_t m = n0 + (n1 - n0) / 2;
  GmpSplit right;
  GmpSplitSum(term, n0, m, unitP, out);
  GmpSplitSum(term, m, n1, unitP, &right);
  // T = T1 Q2 + P1 T2, Q = Q1 Q2, P = P1 P2
  mpz_mul(out->T.get(), out->T.get(), right.Q.get());
  if (!unitP) mpz_mul(right.T.get(), right.T.get(), out->P.get());
  mpz_add(out->T.get(), out->T.get(), right.T.get());
  mpz_mul(out->Q.get(), out->Q.get(), right.Q.get());
  if (!unitP) mpz_mul(out->P.get(), out->P.get(), right.P.get());
}

// floor(num * 10^digits / den) as decimal text.
std::string ScaledQuotientText(mpz_srcptr num, mpz_srcptr den, uint64_t digits) {
  Mpz scale, q;
  mpz_ui_pow_ui(scale.get(), 10, digits);
  mpz_mul(q.get(), num, scale.get());
  mpz_tdiv_q(q.get(), q.get(), den);
  return MpzText(q.get());
}

// pi by Chudnovsky's series: pi = 426880 sqrt(10005) Q / T.
void BM_GmpChudnovskyPi(benchmark::State& state) {
  constexpr unsigned long kC3Over24 = 10939058860032000UL;
  auto term = [](uint64_t n, mpz_ptr p, mpz_ptr q, mpz_ptr t) {
    if (n == 0) {
      mpz_set_ui(p, 1);
      mpz_set_ui(q, 1);
    } else {
      mpz_set_ui(p, 6 * n - 5);
      mpz_mul_ui(p, p, 2 * n - 1);
      mpz_mul_ui(p, p, 6 * n - 1);
      mpz_neg(p, p);
      mpz_set_ui(q, n);
      mpz_mul_ui(q, q, n);
      mpz_mul_ui(q, q, n);
      mpz_mul_ui(q, q, kC3Over24);
    }
    mpz_set_ui(t, 545140134);
    mpz_mul_ui(t, t, n);
    mpz_add_ui(t, t, 13591409);
    mpz_mul(t, t, p);
  };
  const uint64_t digits = kMillion - 1;
  for (auto _ : state) {
    GmpSplit s;
    GmpSplitSum(term, 0, digits / 14 + 3, false, &s);
    Mpz root, num;
    mpz_ui_pow_ui(root.get(), 10, 2 * digits);
    mpz_mul_ui(root.get(), root.get(), 10005);
    mpz_sqrt(root.get(), root.get());  // sqrt(10005) 10^digits
    mpz_mul(num.get(), s.Q.get(), root.get());
    mpz_mul_ui(num.get(), num.get(), 426880);
    mpz_tdiv_q(num.get(), num.get(), s.T.get());
    benchmark::DoNotOptimize(MpzText(num.get()).size());
  }
}

// ln 2 = 18 atanh(1/26) - 2 atanh(1/4801) + 8 atanh(1/8749), each atanh(1/k) the sum of
// terms with ratio (2n - 1) / ((2n + 1) k^2).
void BM_GmpAtanhLog2(benchmark::State& state) {
  const uint64_t digits = kMillion;
  const std::pair<unsigned long, long> parts[] = {{26, 18}, {4801, -2}, {8749, 8}};
  for (auto _ : state) {
    Mpz sum, scale, part;
    mpz_ui_pow_ui(scale.get(), 10, digits + 10);
    for (const auto& [k, c] : parts) {
      auto term = [k](uint64_t n, mpz_ptr p, mpz_ptr q, mpz_ptr t) {
        if (n == 0) {
          mpz_set_ui(p, 1);
          mpz_set_ui(q, k);
        } else {
          mpz_set_ui(p, 2 * n - 1);
          mpz_set_ui(q, 2 * n + 1);
          mpz_mul_ui(q, q, k);
          mpz_mul_ui(q, q, k);
        }
        mpz_set(t, p);
      };
      const uint64_t terms = static_cast<uint64_t>(static_cast<double>(digits + 12) /
                                                   (2 * std::log10(static_cast<double>(k)))) +
                             2;
      GmpSplit s;
      GmpSplitSum(term, 0, terms, false, &s);
      mpz_mul(part.get(), s.T.get(), scale.get());
      mpz_tdiv_q(part.get(), part.get(), s.Q.get());
      mpz_mul_si(part.get(), part.get(), c);
      mpz_add(sum.get(), sum.get(), part.get());
    }
    mpz_tdiv_q_ui(sum.get(), sum.get(), 10'000'000'000UL);
    benchmark::DoNotOptimize(MpzText(sum.get()).size());
  }
}

// e = sum of 1/n!: terms with ratio 1 / n.
void BM_GmpExpSeries(benchmark::State& state) {
  auto term = [](uint64_t n, mpz_ptr /*p*/, mpz_ptr q, mpz_ptr t) {
    mpz_set_ui(q, n == 0 ? 1 : n);
    mpz_set_ui(t, 1);
  };
  for (auto _ : state) {
    GmpSplit s;
    GmpSplitSum(term, 0, 205'100, true, &s);  // 205,022! > 10^1,000,000
    benchmark::DoNotOptimize(ScaledQuotientText(s.T.get(), s.Q.get(), kMillion - 1).size());
  }
}

// One mpn_mul of two random numbers of a million decimal digits' worth of bits each,
// without any conversion.
void BM_BareMpnMul(benchmark::State& state) {
  const auto limbs = static_cast<mp_size_t>(kMillion * 3.3219280948873623 / 64) + 1;
  std::vector<mp_limb_t> a(static_cast<size_t>(limbs)), b(a.size()), r(2 * a.size());
  std::mt19937_64 rng(7);
  for (size_t i = 0; i < a.size(); ++i) {
    a[i] = rng();
    b[i] = rng();
  }
  for (auto _ : state) {
    mpn_mul(r.data(), a.data(), limbs, b.data(), limbs);
    benchmark::DoNotOptimize(r.data());
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

// The same product uncancelled, and one mpn_mul of the same size in bits: what being
// cancellable costs. Registered only when a filter names them (main).
void BM_HugeProduct(benchmark::State& state) {
  constexpr uint32_t kDigits = 49'999'997;
  const MyNumeric x = bench::NumberWithResultSize(RandomDigits(kDigits, 5), MyNumeric::kMaxDigits);
  const MyNumeric y = bench::NumberWithResultSize(RandomDigits(kDigits, 6), MyNumeric::kMaxDigits);
  for (auto _ : state) {
    state.PauseTiming();
    MyNumeric v = x;
    state.ResumeTiming();
    v.Mul(y);
    benchmark::DoNotOptimize(v.GetValidSize());
  }
  MyNumeric().SetResultSize(100);
}

void BM_HugeBareMpnMul(benchmark::State& state) {
  const auto limbs = static_cast<mp_size_t>(49'999'997 * 3.3219280948873623 / 64) + 1;
  std::vector<mp_limb_t> a(static_cast<size_t>(limbs)), b(a.size()), r(2 * a.size());
  std::mt19937_64 rng(8);
  for (size_t i = 0; i < a.size(); ++i) {
    a[i] = rng();
    b[i] = rng();
  }
  for (auto _ : state) {
    mpn_mul(r.data(), a.data(), limbs, b.data(), limbs);
    benchmark::DoNotOptimize(r.data());
  }
}

#define VPX_MATH_BENCH(...) \
  __VA_ARGS__->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()

VPX_MATH_BENCH(BENCHMARK(BM_Product))->Iterations(3);
VPX_MATH_BENCH(BENCHMARK(BM_GmpProduct))->Iterations(3);
VPX_MATH_BENCH(BENCHMARK(BM_BareMpnMul))->Iterations(5);
VPX_MATH_BENCH(BENCHMARK(BM_Quotient))->Iterations(3);
VPX_MATH_BENCH(BENCHMARK(BM_GmpQuotient))->Iterations(3);
VPX_MATH_BENCH(BENCHMARK(BM_FactorialJobBody));
VPX_MATH_BENCH(BENCHMARK(BM_GmpFactorial));
VPX_MATH_BENCH(BENCHMARK(BM_SqRoot));
VPX_MATH_BENCH(BENCHMARK(BM_SqRootDecimal));
VPX_MATH_BENCH(BENCHMARK(BM_GmpSqrt));
VPX_MATH_BENCH(BENCHMARK(BM_GetNapier));
VPX_MATH_BENCH(BENCHMARK(BM_MpfrExpOne));
VPX_MATH_BENCH(BENCHMARK(BM_GmpExpSeries));
VPX_MATH_BENCH(BENCHMARK(BM_DivOneByThree));
VPX_MATH_BENCH(BENCHMARK(BM_GmpDivOneByThree));
VPX_MATH_BENCH(BENCHMARK(BM_GetPiJobBody))->Iterations(2);
VPX_MATH_BENCH(BENCHMARK(BM_GetPiOneThread))->Iterations(2);
VPX_MATH_BENCH(BENCHMARK(BM_MpfrConstPi))->Iterations(2);
VPX_MATH_BENCH(BENCHMARK(BM_GmpChudnovskyPi))->Iterations(2);
VPX_MATH_BENCH(BENCHMARK_CAPTURE(BM_LogEJobBody, 2, "2"))->Iterations(1);
VPX_MATH_BENCH(BENCHMARK_CAPTURE(BM_MpfrLog, 2, "2"))->Iterations(1);
VPX_MATH_BENCH(BENCHMARK(BM_GmpAtanhLog2))->Iterations(1);
VPX_MATH_BENCH(BENCHMARK_CAPTURE(BM_LogEJobBody, 3.7, "3.7"))->Iterations(1);
VPX_MATH_BENCH(BENCHMARK_CAPTURE(BM_MpfrLog, 3.7, "3.7"))->Iterations(1);
VPX_MATH_BENCH(BENCHMARK_CAPTURE(BM_LogEJobBody, 12345.678, "12345.678"))->Iterations(1);
VPX_MATH_BENCH(BENCHMARK_CAPTURE(BM_LogEJobBody, long, LongLogArgument()))->Iterations(1);
VPX_MATH_BENCH(BENCHMARK_CAPTURE(BM_MpfrLog, long, LongLogArgument()))->Iterations(1);
VPX_MATH_BENCH(BENCHMARK_CAPTURE(BM_MpfrLog, 12345.678, "12345.678"))->Iterations(1);
VPX_MATH_BENCH(BENCHMARK(BM_FactorialThreads))
    ->Unit(benchmark::kMicrosecond)
    ->ArgsProduct({{5000, 10000, 20000, 40000}, {0, 1}});
BENCHMARK_CAPTURE(BM_CancelLatency, GetPi, FuncId::GetPi, "1000000", "")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_CancelLatency, GetNapier, FuncId::GetNapier, "1000000", "")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_CancelLatency, LogE, FuncId::LogE, "3.7", "1000000")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Each command against its reference.
const std::vector<std::pair<std::string, std::string>> kRatios = {
    {"BM_Product", "BM_GmpProduct"},
    {"BM_Product", "BM_BareMpnMul"},
    {"BM_HugeProduct", "BM_HugeBareMpnMul"},
    {"BM_Quotient", "BM_GmpQuotient"},
    {"BM_FactorialJobBody", "BM_GmpFactorial"},
    {"BM_SqRoot", "BM_GmpSqrt"},
    {"BM_SqRootDecimal", "BM_GmpSqrt"},
    {"BM_GetNapier", "BM_MpfrExpOne"},
    {"BM_GetNapier", "BM_GmpExpSeries"},
    {"BM_DivOneByThree", "BM_GmpDivOneByThree"},
    {"BM_GetPiJobBody", "BM_MpfrConstPi"},
    {"BM_GetPiOneThread", "BM_MpfrConstPi"},
    {"BM_GetPiJobBody", "BM_GmpChudnovskyPi"},
    {"BM_GetPiOneThread", "BM_GmpChudnovskyPi"},
    {"BM_LogEJobBody/2", "BM_MpfrLog/2"},
    {"BM_LogEJobBody/2", "BM_GmpAtanhLog2"},
    {"BM_LogEJobBody/3.7", "BM_MpfrLog/3.7"},
    {"BM_LogEJobBody/12345.678", "BM_MpfrLog/12345.678"},
    {"BM_LogEJobBody/long", "BM_MpfrLog/long"},
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
      using Run = void (*)(benchmark::State&);
      for (auto [name, run] :
           {std::pair<const char*, Run>{"BM_HugeProduct", vpx::BM_HugeProduct},
            std::pair<const char*, Run>{"BM_HugeBareMpnMul", vpx::BM_HugeBareMpnMul}}) {
        benchmark::RegisterBenchmark(name, run)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MeasureProcessCPUTime()
            ->Iterations(1);
      }
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  vpx::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
