// Products and sums of products of GMP integers through the transforms against mpz_mul:
// signs, squares, results that are also operands, shared factors, sums whose terms cancel
// (negative coefficients in the transforms), operand lengths beside the shortest vector
// transform, and the fall-back where the vector transforms do not run.
#include "numbers/mpz_product.h"

#include <gmp.h>
#include <gtest/gtest.h>

#include <random>

#include "numbers/bignum_memory.h"
#include "numbers/decimal_ntt.h"
#include "numbers/math_decimal.h"

namespace vpx {
namespace {

class MpzProductTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    mynum::SetScalarNttForTest(GetParam());
    SetMpzTransformLeastLimbsForTest(1);
    gmp_randinit_default(rng_);
    gmp_randseed_ui(rng_, 21);
  }
  void TearDown() override {
    gmp_randclear(rng_);
    SetMpzTransformLeastLimbsForTest(0);
    mynum::SetScalarNttForTest(false);
  }
  // Random limbs, or all ones (the largest coefficients); a random sign.
  void Random(mpz_ptr z, size_t limbs, bool ones) {
    if (ones) {
      mpz_set_ui(z, 1);
      mpz_mul_2exp(z, z, 64 * limbs);
      mpz_sub_ui(z, z, 1);
    } else {
      mpz_rrandomb(z, rng_, 64 * limbs);
    }
    if (gmp_urandomm_ui(rng_, 2) == 1) mpz_neg(z, z);
  }
  gmp_randstate_t rng_;
  BignumScope scope_;
};

INSTANTIATE_TEST_SUITE_P(Kernels, MpzProductTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Fallback" : "Vector"; });

TEST_P(MpzProductTest, ProductsMatchGmpWithSignsSquaresAndAliases) {
  Mpz a, b, r, expected;
  for (size_t na : {1, 17, 32, 33, 300, 2000}) {
    for (size_t nb : {1, 31, 64, 700}) {
      for (bool ones : {false, true}) {
        Random(a.get(), na, ones);
        Random(b.get(), nb, ones);
        mpz_mul(expected.get(), a.get(), b.get());
        MulMpz(r.get(), a.get(), b.get());
        ASSERT_EQ(mpz_cmp(r.get(), expected.get()), 0) << na << " x " << nb;
        mpz_set(r.get(), a.get());
        MulMpz(r.get(), r.get(), b.get(), true);  // result is an operand, two threads
        ASSERT_EQ(mpz_cmp(r.get(), expected.get()), 0) << na << " x " << nb << " aliased";
      }
    }
    mpz_mul(expected.get(), a.get(), a.get());
    MulMpz(a.get(), a.get(), a.get());
    ASSERT_EQ(mpz_cmp(a.get(), expected.get()), 0) << na << " squared";
  }
}

// The merge of binary splitting: T = T1 Q2 + P1 T2, Q = Q1 Q2, P = P1 P2, every result also
// an operand, the T terms of either sign (their difference has negative coefficients).
TEST_P(MpzProductTest, SumsOfProductsMatchGmp) {
  Mpz t1, q1, p1, t2, q2, p2, et, eq, ep, term;
  for (size_t n : {40, 300, 1500}) {
    for (int round = 0; round < 6; ++round) {
      const bool ones = round % 3 == 2;
      Random(t1.get(), n + round, ones);
      Random(q1.get(), n, ones);
      Random(p1.get(), n - 7, ones);
      Random(t2.get(), n + 3, ones);
      Random(q2.get(), n + 1, ones);
      Random(p2.get(), n, ones);
      if (round == 1) {  // T1 = -P1, T2 = Q2: the sum is zero
        mpz_neg(t1.get(), p1.get());
        mpz_set(t2.get(), q2.get());
      }
      mpz_mul(et.get(), t1.get(), q2.get());
      mpz_mul(term.get(), p1.get(), t2.get());
      mpz_add(et.get(), et.get(), term.get());
      mpz_mul(eq.get(), q1.get(), q2.get());
      mpz_mul(ep.get(), p1.get(), p2.get());
      const MpzProductSum sums[3] = {{t1.get(), {t1.get(), p1.get()}, {q2.get(), t2.get()}, 2},
                                     {q1.get(), {q1.get()}, {q2.get()}, 1},
                                     {p1.get(), {p1.get()}, {p2.get()}, 1}};
      mynum::SetNttTwoThreadLimbsForTest(1);  // two threads split even short transforms
      MulMpzSums(sums, 3, round % 2 == 0);
      mynum::SetNttTwoThreadLimbsForTest(0);
      ASSERT_EQ(mpz_cmp(t1.get(), et.get()), 0) << n << " round " << round;
      ASSERT_EQ(mpz_cmp(q1.get(), eq.get()), 0) << n << " round " << round;
      ASSERT_EQ(mpz_cmp(p1.get(), ep.get()), 0) << n << " round " << round;
    }
  }
}

// A sum whose second term has a one-limb factor (e's series: P = 1) takes the long term
// through the transforms and adds the short one after; a sum of short terms only, beside it.
TEST_P(MpzProductTest, SumsMixingLongAndShortProductsMatchGmp) {
  SetMpzTransformLeastLimbsForTest(8);
  Mpz t1, q1, p1, t2, q2, small, et, eq, es, term;
  for (bool ones : {false, true}) {
    Random(t1.get(), 300, ones);
    Random(q1.get(), 280, ones);
    Random(q2.get(), 290, ones);
    Random(t2.get(), 310, ones);
    Random(p1.get(), 1, ones);
    Random(small.get(), 3, ones);
    mpz_mul(et.get(), t1.get(), q2.get());
    mpz_mul(term.get(), p1.get(), t2.get());
    mpz_add(et.get(), et.get(), term.get());
    mpz_mul(eq.get(), q1.get(), q2.get());
    mpz_mul(es.get(), small.get(), p1.get());
    const MpzProductSum sums[3] = {{t1.get(), {t1.get(), p1.get()}, {q2.get(), t2.get()}, 2},
                                   {q1.get(), {q1.get()}, {q2.get()}, 1},
                                   {small.get(), {small.get()}, {p1.get()}, 1}};
    MulMpzSums(sums, 3);
    ASSERT_EQ(mpz_cmp(t1.get(), et.get()), 0) << ones;
    ASSERT_EQ(mpz_cmp(q1.get(), eq.get()), 0) << ones;
    ASSERT_EQ(mpz_cmp(small.get(), es.get()), 0) << ones;
  }
}

}  // namespace
}  // namespace vpx
