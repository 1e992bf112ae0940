// The kernels under the million-digit commands against GMP: the crossovers of the decimal
// and binary transform products, the Newton quotient and root (exact and near) against
// GMP's own, and the fraction tree's decimal digits, one thread unless a row says two.
#include <benchmark/benchmark.h>
#include <gmp.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "host/cancel_token.h"
#include "numbers/bignum_memory.h"
#include "numbers/decimal_limb_kernels.h"
#include "numbers/decimal_limbs.h"
#include "numbers/decimal_ntt.h"
#include "numbers/math_decimal.h"
#include "numbers/mpz_newton.h"
#include "numbers/mpz_product.h"
#include "numbers/radix_conversion.h"

namespace vpx {
namespace {

// The crossovers of the decimal product: two random operands of half the limbs each
// (base 10^19) by schoolbook rows, the Kronecker product (GMP) or the transforms, one
// thread.
enum class LimbProductWay { kSchoolbook, kKronecker, kTransforms };

void BM_LimbProduct(benchmark::State& state, LimbProductWay way) {
  const auto half = static_cast<size_t>(state.range(0)) / 2;
  std::mt19937_64 rng(9);
  std::vector<uint64_t> a(half), b(half), out(2 * half);
  for (size_t i = 0; i < half; ++i) {
    a[i] = rng() % mynum::kLimbBase;
    b[i] = rng() % mynum::kLimbBase;
  }
  BignumScope scope;
  for (auto _ : state) {
    switch (way) {
      case LimbProductWay::kSchoolbook:
        mynum::MulLimbsSchoolbook(a.data(), half, b.data(), half, out.data());
        break;
      case LimbProductWay::kKronecker:
        mynum::MulDecimalLimbs(a.data(), half, b.data(), half, out.data(), CancelToken{});
        break;
      case LimbProductWay::kTransforms:
        mynum::MulDecimalLimbsNtt(a.data(), half, b.data(), half, out.data(), CancelToken{});
        break;
    }
    benchmark::DoNotOptimize(out.data());
  }
}

// The crossover of binary products: two random integers of n limbs each by mpz_mul or by
// the transforms (MulMpz with its crossover lowered), one thread.
void BM_MpzProduct(benchmark::State& state, bool transforms) {
  const auto limbs = static_cast<size_t>(state.range(0));
  Mpz a, b, r;
  gmp_randstate_t rng;
  gmp_randinit_default(rng);
  mpz_urandomb(a.get(), rng, 64 * limbs);
  mpz_urandomb(b.get(), rng, 64 * limbs);
  gmp_randclear(rng);
  SetMpzTransformLeastLimbsForTest(transforms ? 1 : ~size_t{0});
  BignumScope scope;
  for (auto _ : state) {
    MulMpz(r.get(), a.get(), b.get());
    benchmark::DoNotOptimize(r.get());
  }
  SetMpzTransformLeastLimbsForTest(0);
}

// The decimal digits of a random binary fraction (the constants' last step): a million
// digits from FractionBitsFor's bits, on one thread or two.
void BM_FractionDigits(benchmark::State& state) {
  const auto digits = static_cast<uint64_t>(state.range(0));
  const bool twoThreads = state.range(1) != 0;
  const uint64_t bits = FractionBitsFor(digits, kFractionGuardBits);
  Mpz V;
  gmp_randstate_t rng;
  gmp_randinit_default(rng);
  mpz_urandomb(V.get(), rng, bits - 1);
  gmp_randclear(rng);
  BignumScope scope;
  std::string text;
  for (auto _ : state) {
    text.clear();
    benchmark::DoNotOptimize(FractionDigits(V.get(), bits, 2, digits, nullptr, &text, twoThreads));
  }
}

// How a quotient or root is taken: GMP's own, the exact Newton route, or the near one
// (within kNearUnits, without the exact remainder's product).
enum class Route { kGmp, kNewton, kNear };

// While alive, quotients and roots take the route's way: GMP's own, or Newton's from
// leastBits (0: the default crossover).
class RouteScope {
 public:
  RouteScope(Route route, int64_t leastBits) {
    SetMpzNewtonLeastBitsForTest(route == Route::kGmp ? ~size_t{0}
                                                      : static_cast<size_t>(leastBits));
  }
  ~RouteScope() { SetMpzNewtonLeastBitsForTest(0); }
  RouteScope(const RouteScope&) = delete;
  RouteScope& operator=(const RouteScope&) = delete;
};

// The crossover and gain of Newton quotients: a random dividend of divisor + quotient bits
// (arguments) over a random divisor by mpz_tdiv_qr or by DivMpz or DivMpzNear (the crossover
// forced to the third argument's bits, 0: its own), one thread.
void BM_MpzDivision(benchmark::State& state, Route route) {
  const auto divisorBits = static_cast<size_t>(state.range(0));
  const auto quotientBits = static_cast<size_t>(state.range(1));
  Mpz a, b, q, r;
  gmp_randstate_t rng;
  gmp_randinit_default(rng);
  mpz_urandomb(b.get(), rng, divisorBits);
  mpz_setbit(b.get(), divisorBits - 1);
  mpz_urandomb(a.get(), rng, divisorBits + quotientBits);
  gmp_randclear(rng);
  const RouteScope newton(route, state.range(2));
  BignumScope scope;
  for (auto _ : state) {
    if (route == Route::kNear)
      DivMpzNear(q.get(), a.get(), b.get());
    else
      DivMpz(q.get(), r.get(), a.get(), b.get());
    benchmark::DoNotOptimize(q.get());
  }
}

// The same for square roots of a random number of twice the argument's bits.
void BM_MpzSqrt(benchmark::State& state, Route route) {
  const auto rootBits = static_cast<size_t>(state.range(0));
  Mpz n, s;
  gmp_randstate_t rng;
  gmp_randinit_default(rng);
  mpz_urandomb(n.get(), rng, 2 * rootBits);
  mpz_setbit(n.get(), 2 * rootBits - 1);
  gmp_randclear(rng);
  const RouteScope newton(route, state.range(1));
  BignumScope scope;
  for (auto _ : state) {
    if (route == Route::kNear)
      SqrtMpzNear(s.get(), n.get());
    else
      SqrtMpz(s.get(), n.get());
    benchmark::DoNotOptimize(s.get());
  }
}

BENCHMARK_CAPTURE(BM_LimbProduct, schoolbook, LimbProductWay::kSchoolbook)
    ->Unit(benchmark::kMicrosecond)
    ->DenseRange(16, 96, 16);
BENCHMARK_CAPTURE(BM_LimbProduct, kronecker, LimbProductWay::kKronecker)
    ->Unit(benchmark::kMicrosecond)
    ->DenseRange(16, 96, 16);
BENCHMARK_CAPTURE(BM_LimbProduct, kronecker, LimbProductWay::kKronecker)
    ->Unit(benchmark::kMicrosecond)
    ->RangeMultiplier(2)
    ->Range(128, 131072);
BENCHMARK_CAPTURE(BM_LimbProduct, transforms, LimbProductWay::kTransforms)
    ->Unit(benchmark::kMicrosecond)
    ->RangeMultiplier(2)
    ->Range(128, 131072);
BENCHMARK_CAPTURE(BM_MpzProduct, gmp, false)
    ->Unit(benchmark::kMicrosecond)
    ->RangeMultiplier(2)
    ->Range(256, 65536);
BENCHMARK_CAPTURE(BM_MpzProduct, transforms, true)
    ->Unit(benchmark::kMicrosecond)
    ->RangeMultiplier(2)
    ->Range(256, 65536);
// Balanced (a quotient as long as the divisor), short and long quotients; the Newton rows
// forced from kNewtonFrom bits on (base cases from GMP below), and once with the defaults.
constexpr int64_t kNewtonFrom = 100'000;
void DivisionSizes(benchmark::internal::Benchmark* b) {
  for (int64_t bits : {100'000, 200'000, 400'000, 800'000, 1'600'000, 3'300'000})
    b->Args({bits, bits, kNewtonFrom});
  b->Args({3'300'000, 3'300'000, 0});
  for (int64_t quotient : {800'000, 1'100'000, 1'600'000})
    b->Args({3'300'000, quotient, kNewtonFrom});
  for (int64_t quotient : {1'600'000, 2'400'000, 3'300'000})
    b->Args({800'000, quotient, kNewtonFrom});
}
void RootSizes(benchmark::internal::Benchmark* b) {
  for (int64_t bits : {100'000, 200'000, 400'000, 800'000, 1'600'000, 3'300'000})
    b->Args({bits, kNewtonFrom});
  b->Args({3'300'000, 0});
}
BENCHMARK_CAPTURE(BM_MpzDivision, gmp, Route::kGmp)
    ->Unit(benchmark::kMicrosecond)
    ->Apply(DivisionSizes);
BENCHMARK_CAPTURE(BM_MpzDivision, newton, Route::kNewton)
    ->Unit(benchmark::kMicrosecond)
    ->Apply(DivisionSizes);
BENCHMARK_CAPTURE(BM_MpzDivision, near, Route::kNear)
    ->Unit(benchmark::kMicrosecond)
    ->Apply(DivisionSizes);
BENCHMARK_CAPTURE(BM_MpzSqrt, gmp, Route::kGmp)->Unit(benchmark::kMicrosecond)->Apply(RootSizes);
BENCHMARK_CAPTURE(BM_MpzSqrt, newton, Route::kNewton)
    ->Unit(benchmark::kMicrosecond)
    ->Apply(RootSizes);
BENCHMARK_CAPTURE(BM_MpzSqrt, near, Route::kNear)->Unit(benchmark::kMicrosecond)->Apply(RootSizes);
BENCHMARK(BM_FractionDigits)
    ->ArgsProduct({{100'000, 1'000'000}, {0, 1}})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vpx

BENCHMARK_MAIN();
