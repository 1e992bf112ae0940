// MyNumeric's text conversions (linearity up to 10^7 digits) and the crossovers between
// its per-digit and fast kernels; the million-digit product and quotient are in bench_math.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_digits.h"
#include "numbers/my_numeric.h"
#include "numbers/mynum_kernels.h"

namespace {

using vpx::MyNumeric;

using vpx::bench::RandomDigits;

MyNumeric Number(const std::string& text, uint32_t resultSize) {
  return vpx::bench::NumberWithResultSize(text, resultSize);
}

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
