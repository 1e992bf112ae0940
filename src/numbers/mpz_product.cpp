#include "numbers/mpz_product.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <vector>

#include "numbers/decimal_ntt.h"
#include "numbers/math_decimal.h"
#include "numbers/ntt_product_sums.h"

namespace vpx {
namespace {

// The shorter operand from which the transforms win, and the longest ratio of operands
// they take. Measured (mpz_mul / transforms, one thread, limbs each): 180: 8.0 / 8.6 us,
// 220: 11.5 / 9.7, 320: 19.8 / 19.9, 450: 32.6 / 24.7, 1000: 123 / 54; unbalanced
// 400 x 150: 21.0 / 17.3, 700 x 200: 40.4 / 25.6, 3000 x 400: 197 / 89. The transforms'
// pieces follow the product's length closely, so no length pads them by much.
constexpr size_t kLeastLimbs = 200;
constexpr size_t kMostRatio = 8;
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
  return shorter >= kLeastLimbs && (kMostRatio + 1) * shorter >= total;
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

namespace {

// The sums by separate products, into fresh integers first (results may be operands).
void MulSumsOneByOne(const MpzProductSum* sums, size_t count, bool twoThreads) {
  Mpz values[kMostMpzSums], term;
  for (size_t k = 0; k < count; ++k) {
    MulMpz(values[k].get(), sums[k].a[0], sums[k].b[0], twoThreads);
    for (size_t j = 1; j < sums[k].count; ++j) {
      MulMpz(term.get(), sums[k].a[j], sums[k].b[j], twoThreads);
      mpz_add(values[k].get(), values[k].get(), term.get());
    }
  }
  for (size_t k = 0; k < count; ++k) mpz_swap(sums[k].result, values[k].get());
}

// The index of z among the factors, added when new.
size_t FactorIndex(mpz_srcptr z, std::vector<mpz_srcptr>& seen, std::vector<mynum::LimbFactor>& f) {
  for (size_t i = 0; i < seen.size(); ++i)
    if (seen[i] == z) return i;
  seen.push_back(z);
  f.push_back({reinterpret_cast<const uint64_t*>(mpz_limbs_read(z)), mpz_size(z)});
  return seen.size() - 1;
}

}  // namespace

void MulMpzSums(const MpzProductSum* sums, size_t count, bool twoThreads) {
  if (count > kMostMpzSums) {
    MulSumsOneByOne(sums, count, twoThreads);
    return;
  }
  // The long products of each sum go into the shared transforms (batch[k] the sum of its
  // long terms, sums without one left out); short ones (a factor of a word or two, as the
  // merge of e's series has) are added after.
  std::vector<mpz_srcptr> seen;
  std::vector<mynum::LimbFactor> factors;
  mynum::LimbSum batch[kMostMpzSums];
  size_t batchOf[kMostMpzSums], batched = 0;
  bool inBatch[kMostMpzSums][2] = {};
  for (size_t k = 0; k < count; ++k) {
    mynum::LimbSum sum{};
    for (size_t j = 0; j < sums[k].count; ++j) {
      mpz_srcptr a = sums[k].a[j], b = sums[k].b[j];
      if (mpz_sgn(a) == 0 || mpz_sgn(b) == 0 || !MpzProductUsesTransforms(mpz_size(a), mpz_size(b)))
        continue;
      inBatch[k][j] = true;
      sum.terms[sum.count++] = {FactorIndex(a, seen, factors), FactorIndex(b, seen, factors),
                                (mpz_sgn(a) < 0) != (mpz_sgn(b) < 0)};
    }
    batchOf[k] = sum.count != 0 ? batched : kMostMpzSums;
    if (sum.count != 0) batch[batched++] = sum;
  }
  Mpz values[kMostMpzSums], term;
  if (batched != 0) {
    uint64_t* outs[kMostMpzSums];
    int64_t sizes[kMostMpzSums];
    for (size_t k = 0; k < count; ++k) {
      if (batchOf[k] == kMostMpzSums) continue;
      const size_t room = mynum::LimbSumRoom(factors.data(), batch[batchOf[k]]);
      outs[batchOf[k]] = reinterpret_cast<uint64_t*>(
          mpz_limbs_write(values[k].get(), static_cast<mp_size_t>(room)));
    }
    if (!mynum::MulSumsOfBinaryLimbs(factors.data(), batch, batched, outs, sizes, twoThreads)) {
      MulSumsOneByOne(sums, count, twoThreads);
      return;
    }
    for (size_t k = 0; k < count; ++k) {
      if (batchOf[k] != kMostMpzSums)
        mpz_limbs_finish(values[k].get(), static_cast<mp_size_t>(sizes[batchOf[k]]));
    }
  }
  for (size_t k = 0; k < count; ++k) {
    for (size_t j = 0; j < sums[k].count; ++j) {
      if (inBatch[k][j]) continue;
      MulMpz(term.get(), sums[k].a[j], sums[k].b[j], twoThreads);
      mpz_add(values[k].get(), values[k].get(), term.get());
    }
  }
  for (size_t k = 0; k < count; ++k) mpz_swap(sums[k].result, values[k].get());
}

}  // namespace vpx
