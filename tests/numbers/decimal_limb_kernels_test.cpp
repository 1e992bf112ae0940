// The word kernels and the transform product on base-10^19 limbs: the division-free
// quotient against 128-bit division, and the schoolbook and transform products against the
// Kronecker product over random, all-nines and length-boundary operands.
#include "numbers/decimal_limb_kernels.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "numbers/bignum_memory.h"
#include "numbers/decimal_ntt.h"

namespace vpx::mynum {
namespace {

using Limbs = std::vector<uint64_t>;

TEST(DecimalLimbKernels, QuotientByTheLimbBaseMatchesDivision) {
  std::mt19937_64 rng(7);
  const uint64_t edges[] = {0, 1, kLimbBase - 1, kLimbBase / 2, ~uint64_t{0}};
  std::vector<std::pair<uint64_t, uint64_t>> cases;
  for (uint64_t hi : {uint64_t{0}, uint64_t{1}, kLimbBase - 1, kLimbBase - 2}) {
    for (uint64_t lo : edges) cases.emplace_back(hi, lo);
  }
  for (int i = 0; i < 100000; ++i) cases.emplace_back(rng() % kLimbBase, rng());
  for (auto [hi, lo] : cases) {
    const Uint128 v = (Uint128{hi} << 64) | lo;
    uint64_t rem = 0;
    const uint64_t q = DivRemLimbBase(hi, lo, &rem);
    ASSERT_EQ(q, static_cast<uint64_t>(v / kLimbBase)) << hi << " " << lo;
    ASSERT_EQ(rem, static_cast<uint64_t>(v % kLimbBase)) << hi << " " << lo;
  }
}

Limbs RandomLimbs(std::mt19937_64& rng, size_t n) {
  Limbs v(n);
  const int kind = static_cast<int>(rng() % 4);
  for (auto& x : v) x = kind == 0 ? kLimbBase - 1 : rng() % kLimbBase;  // all nines: carries
  if (kind == 1 && n > 2) v[rng() % n] = 0;
  if (n > 0 && v.back() == 0) v.back() = 1;
  return v;
}

// Every product of a x b (and the square of a) against the Kronecker product.
void ExpectSameProducts(const Limbs& a, const Limbs& b) {
  Limbs expected(a.size() + b.size()), ntt(a.size() + b.size(), 7), school(a.size() + b.size(), 7);
  MulDecimalLimbs(a.data(), a.size(), b.data(), b.size(), expected.data(), CancelToken{});
  MulDecimalLimbsNtt(a.data(), a.size(), b.data(), b.size(), ntt.data(), CancelToken{});
  ASSERT_EQ(ntt, expected) << a.size() << " x " << b.size();
  if (a.size() * b.size() <= 100000) {
    MulLimbsSchoolbook(a.data(), a.size(), b.data(), b.size(), school.data());
    ASSERT_EQ(school, expected) << a.size() << " x " << b.size();
  }
  Limbs square(2 * a.size()), nttSquare(2 * a.size(), 7);
  MulDecimalLimbs(a.data(), a.size(), a.data(), a.size(), square.data(), CancelToken{});
  MulDecimalLimbsNtt(a.data(), a.size(), a.data(), a.size(), nttSquare.data(), CancelToken{});
  ASSERT_EQ(nttSquare, square) << a.size() << " squared";
}

TEST(DecimalLimbKernels, ProductsAgreeWithTheKroneckerProduct) {
  BignumScope scope;
  std::mt19937_64 rng(11);
  for (int i = 0; i < 400; ++i) {
    const size_t na = 1 + rng() % 200, nb = 1 + rng() % 200;
    ExpectSameProducts(RandomLimbs(rng, na), RandomLimbs(rng, nb));
  }
  // Coefficient counts at and beside powers of two (the transform's length), and lengths
  // beyond the twiddles kept for the process.
  for (auto [na, nb] : {std::pair<size_t, size_t>{1, 1},
                        {512, 513},
                        {512, 512},
                        {1000, 25},
                        {4096, 4097},
                        {30000, 2768},
                        {40000, 30000}}) {
    ExpectSameProducts(RandomLimbs(rng, na), RandomLimbs(rng, nb));
  }
  // Zero operands and top zero limbs.
  ExpectSameProducts(Limbs{0, 0}, RandomLimbs(rng, 5));
  ExpectSameProducts(Limbs{5, 0, 0}, Limbs{kLimbBase - 1, 0});
}

TEST(DecimalLimbKernels, ProductByOneWordCarriesOut) {
  Limbs a(50, kLimbBase - 1);
  Limbs expected(51);
  const Limbs w{kLimbBase - 1};
  MulDecimalLimbs(a.data(), a.size(), w.data(), 1, expected.data(), CancelToken{});
  const uint64_t carry = MulLimbsByWord(a.data(), a.size(), kLimbBase - 1);
  a.push_back(carry);
  EXPECT_EQ(a, expected);
}

TEST(DecimalLimbKernels, ACancelledTransformProductThrows) {
  CancelFlag cancelled{1};
  Limbs a(5000, 3), out(10000);
  EXPECT_THROW(MulDecimalLimbsNtt(a.data(), a.size(), a.data(), a.size(), out.data(), &cancelled),
               DecimalCancelled);
}

}  // namespace
}  // namespace vpx::mynum
