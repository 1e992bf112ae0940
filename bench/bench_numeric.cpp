// MyNumeric at a million digits against GMP doing the same work from and to decimal
// digits: multiplication, division, and the text conversions (linearity up to 10^7 digits).
#include <benchmark/benchmark.h>
#include <gmp.h>

#include <random>
#include <string>
#include <vector>

#include "numeric/my_numeric.h"
#include "numeric/mynum_kernels.h"

namespace {

using vpx::MyNumeric;

std::string RandomDigits(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '0');
  s[0] = static_cast<char>('1' + rng() % 9);
  for (size_t i = 1; i < n; ++i) s[i] = static_cast<char>('0' + rng() % 10);
  return s;
}

std::vector<unsigned char> DigitValues(const std::string& text) {
  std::vector<unsigned char> v(text.size());
  for (size_t i = 0; i < text.size(); ++i) v[i] = static_cast<unsigned char>(text[i] - '0');
  return v;
}

MyNumeric Number(const std::string& text, uint32_t resultSize) {
  MyNumeric n;
  n.SetResultSize(resultSize);
  n.SetByString(text);
  return n;
}

// --- multiplication of two 1,000,000-digit numbers ---

void BM_MulMyNumeric(benchmark::State& state) {
  size_t n = static_cast<size_t>(state.range(0));
  MyNumeric a = Number(RandomDigits(n, 1), static_cast<uint32_t>(2 * n + 2));
  MyNumeric b = Number(RandomDigits(n, 2), static_cast<uint32_t>(2 * n + 2));
  for (auto _ : state) {
    state.PauseTiming();
    MyNumeric x = a;
    state.ResumeTiming();
    x.Mul(b);
    benchmark::DoNotOptimize(x.GetValidSize());
  }
}
BENCHMARK(BM_MulMyNumeric)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MulGmpReference(benchmark::State& state) {
  size_t n = static_cast<size_t>(state.range(0));
  auto a = DigitValues(RandomDigits(n, 1)), b = DigitValues(RandomDigits(n, 2));
  std::vector<mp_limb_t> la(n / 19 + 3), lb(n / 19 + 3), prod(2 * (n / 19 + 3));
  std::vector<unsigned char> out(2 * n + 4);
  for (auto _ : state) {
    mp_size_t sa = mpn_set_str(la.data(), a.data(), n, 10);
    mp_size_t sb = mpn_set_str(lb.data(), b.data(), n, 10);
    mpn_mul(prod.data(), la.data(), sa, lb.data(), sb);
    mp_size_t sp = sa + sb;
    while (sp > 0 && prod[sp - 1] == 0) --sp;
    benchmark::DoNotOptimize(mpn_get_str(out.data(), 10, prod.data(), sp));
  }
}
BENCHMARK(BM_MulGmpReference)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

// --- division with ResultSize 1,000,000 ---

struct DivCase {
  std::string dividend, divisor;
};

DivCase MakeDivCase(int which) {
  if (which == 0) return {"1", "7"};
  return {RandomDigits(500'000, 3), RandomDigits(250'000, 4)};
}

void BM_DivMyNumeric(benchmark::State& state) {
  DivCase c = MakeDivCase(static_cast<int>(state.range(0)));
  const uint32_t r = 1'000'000;
  MyNumeric a = Number(c.dividend, r);
  MyNumeric b = Number(c.divisor, r);
  for (auto _ : state) {
    state.PauseTiming();
    MyNumeric x = a;
    state.ResumeTiming();
    x.Div(b);
    benchmark::DoNotOptimize(x.GetValidSize());
  }
}
BENCHMARK(BM_DivMyNumeric)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// GMP: both operands from decimal digits, the dividend scaled so that the truncated
// quotient has 1,000,000 digits, divided, and the quotient written as decimal digits.
void BM_DivGmpReference(benchmark::State& state) {
  DivCase c = MakeDivCase(static_cast<int>(state.range(0)));
  auto a = DigitValues(c.dividend), b = DigitValues(c.divisor);
  const long scale = 1'000'000 + static_cast<long>(b.size()) - static_cast<long>(a.size());
  std::vector<unsigned char> out(1'000'000 + 100);
  for (auto _ : state) {
    mpz_t na, nb, p, q;
    mpz_inits(na, nb, p, q, nullptr);
    mp_size_t sa = mpn_set_str(mpz_limbs_write(na, a.size() / 19 + 3), a.data(), a.size(), 10);
    mpz_limbs_finish(na, sa);
    mp_size_t sb = mpn_set_str(mpz_limbs_write(nb, b.size() / 19 + 3), b.data(), b.size(), 10);
    mpz_limbs_finish(nb, sb);
    mpz_ui_pow_ui(p, 10, static_cast<unsigned long>(scale));
    mpz_mul(na, na, p);
    mpz_tdiv_q(q, na, nb);
    mp_size_t sq = static_cast<mp_size_t>(mpz_size(q));
    out.resize(mpz_sizeinbase(q, 10) + 2);
    benchmark::DoNotOptimize(mpn_get_str(out.data(), 10, mpz_limbs_modify(q, sq), sq));
    mpz_clears(na, nb, p, q, nullptr);
  }
}
BENCHMARK(BM_DivGmpReference)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// --- text conversions: ten times the digits should cost about ten times the time ---

void BM_SetByString(benchmark::State& state) {
  std::string text = RandomDigits(static_cast<size_t>(state.range(0)), 5);
  text.insert(text.size() / 2, ".");
  MyNumeric n;
  for (auto _ : state) benchmark::DoNotOptimize(n.SetByString(text));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SetByString)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

void BM_GetDataAsStr(benchmark::State& state) {
  std::string text = RandomDigits(static_cast<size_t>(state.range(0)), 6);
  text.insert(text.size() / 2, ".");
  MyNumeric n;
  n.SetByString(text);
  std::string out;
  for (auto _ : state) benchmark::DoNotOptimize(n.GetDataAsStr(&out));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GetDataAsStr)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

// --- crossovers: per-digit and GMP kernels on short operands ---

void BM_MulSmall(benchmark::State& state) {
  size_t n = static_cast<size_t>(state.range(0));
  MyNumeric a = Number(RandomDigits(n, 7), static_cast<uint32_t>(2 * n + 2));
  MyNumeric b = Number(RandomDigits(static_cast<size_t>(state.range(1)), 8),
                       static_cast<uint32_t>(2 * n + 2));
  MyNumeric x = a;
  vpx::mynum::Crossovers saved = vpx::mynum::GetCrossovers();
  if (state.range(2) == 0)
    vpx::mynum::SetCrossovers({UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX});
  else
    vpx::mynum::SetCrossovers({0, 0, 0, 0});
  for (auto _ : state) {
    x = a;
    x.Mul(b);
  }
  vpx::mynum::SetCrossovers(saved);
}
// Third argument: 0 per-digit rows, 1 GMP.
BENCHMARK(BM_MulSmall)
    ->Args({200, 200, 0})
    ->Args({200, 200, 1})
    ->Args({20, 20, 0})
    ->Args({20, 20, 1})
    ->Args({40, 40, 0})
    ->Args({40, 40, 1})
    ->Args({60, 60, 0})
    ->Args({60, 60, 1})
    ->Args({100, 100, 0})
    ->Args({100, 100, 1})
    ->Args({10000, 50, 0})
    ->Args({10000, 50, 1})
    ->Args({10000, 200, 0})
    ->Args({10000, 200, 1})
    ->Args({100000, 500, 0})
    ->Args({100000, 500, 1})
    ->Args({100000, 2000, 0})
    ->Args({100000, 2000, 1});

void BM_DivSmall(benchmark::State& state) {
  // Quotient places x divisor digits: per-digit restoring division against GMP.
  uint32_t r = static_cast<uint32_t>(state.range(0));
  MyNumeric a = Number(RandomDigits(static_cast<size_t>(state.range(1)) * 2, 9), r);
  MyNumeric b = Number(RandomDigits(static_cast<size_t>(state.range(1)), 10), r);
  vpx::mynum::Crossovers saved = vpx::mynum::GetCrossovers();
  if (state.range(2) == 0)
    vpx::mynum::SetCrossovers({UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX});
  else
    vpx::mynum::SetCrossovers({0, 0, 0, 0});
  MyNumeric x = a;
  for (auto _ : state) {
    x = a;
    x.Div(b);
  }
  vpx::mynum::SetCrossovers(saved);
}
BENCHMARK(BM_DivSmall)->ArgsProduct({{20, 100, 1000}, {20, 40, 100}, {0, 1}});

void BM_ToBytes(benchmark::State& state) {
  MyNumeric a = Number(RandomDigits(static_cast<size_t>(state.range(0)), 11), 1000);
  vpx::mynum::Crossovers saved = vpx::mynum::GetCrossovers();
  if (state.range(1) == 0)
    vpx::mynum::SetCrossovers({UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX});
  else
    vpx::mynum::SetCrossovers({0, 0, 0, 0});
  std::string hex;
  for (auto _ : state) benchmark::DoNotOptimize(a.GetDataAsStrHex(hex));
  vpx::mynum::SetCrossovers(saved);
}
BENCHMARK(BM_ToBytes)->ArgsProduct({{10, 20, 40, 80, 160}, {0, 1}});

}  // namespace

BENCHMARK_MAIN();
