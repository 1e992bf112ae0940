#include "numbers/mpz_product.h"

#include <algorithm>
#include <atomic>
#include <bit>

#include "numbers/decimal_ntt.h"
#include "numbers/math_decimal.h"

namespace vpx {
namespace {

// The shorter operand from which the transforms win. bench_math, BM_MpzProduct (balanced,
// limbs each: mpz_mul / transforms): 512: 43 / 39 us, 1024: 106 / 73, 2048: 307 / 152, 4096:
// 877 / 318, 65536: 26.5 / 6.6 ms. The padding to a power of two (up to twice the length)
// is paid below kAlwaysLimbs only when it is at most a third; unbalanced products go
// through them up to a ratio of 3, or 8 from kAlwaysLimbs on (GMP's unbalanced products
// cost about the ratio times a balanced one; the transforms, the padded length).
constexpr size_t kLeastLimbs = 600;
constexpr size_t kAlwaysLimbs = 3000;
// Beyond this many limbs in both operands together the coefficients could outgrow the
// vector transforms' primes; GMP takes such products.
constexpr size_t kMostLimbs = size_t{1} << 22;
std::atomic<size_t> g_leastForTest{0};

}  // namespace

bool MpzProductUsesTransforms(size_t na, size_t nb) {
  const size_t test = g_leastForTest.load(std::memory_order_relaxed);
  const size_t shorter = std::min(na, nb), total = na + nb;
  if (total > kMostLimbs || !mynum::VectorNttAvailable()) return false;
  if (test != 0) return shorter >= test;
  if (shorter < kLeastLimbs) return false;
  if (shorter >= kAlwaysLimbs) return 9 * shorter >= total;
  return 4 * shorter >= total && 3 * std::bit_ceil(total) <= 4 * total;
}

void SetMpzTransformLeastLimbsForTest(size_t limbs) {
  g_leastForTest.store(limbs, std::memory_order_relaxed);
}

void MulMpz(mpz_ptr r, mpz_srcptr a, mpz_srcptr b, bool twoThreads) {
  const size_t na = mpz_size(a), nb = mpz_size(b);
  if (!MpzProductUsesTransforms(na, nb)) {
    mpz_mul(r, a, b);
    return;
  }
  static_assert(sizeof(mp_limb_t) == sizeof(uint64_t));
  const bool negative = (mpz_sgn(a) < 0) != (mpz_sgn(b) < 0);
  Mpz product;
  mp_limb_t* out = mpz_limbs_write(product.get(), static_cast<mp_size_t>(na + nb));
  mynum::MulBinaryLimbsNtt(reinterpret_cast<const uint64_t*>(mpz_limbs_read(a)), na,
                           reinterpret_cast<const uint64_t*>(mpz_limbs_read(b)), nb,
                           reinterpret_cast<uint64_t*>(out), CancelToken{}, twoThreads);
  size_t n = na + nb;
  while (n > 0 && out[n - 1] == 0) --n;
  const auto size = static_cast<mp_size_t>(n);
  mpz_limbs_finish(product.get(), negative ? -size : size);
  mpz_swap(r, product.get());
}

}  // namespace vpx
