// Sums of one-ratio series by binary splitting against the same sum in exact rationals:
// ratios of one and of several limbs, ranges at and beside a leaf run, products on GMP and
// on the transforms, one thread and two.
#include "numbers/binary_splitting.h"

#include <gmp.h>
#include <gtest/gtest.h>

#include "numbers/bignum_memory.h"
#include "numbers/mpz_product.h"

namespace vpx {
namespace {

// b(n) = 2n + 1 (the arctangents'), leaves of `leafRun` terms.
class OddDenominators : public RatioSeries {
 public:
  explicit OddDenominators(uint64_t leafRun) : leafRun_(leafRun) {}
  void Denominator(uint64_t n, mpz_ptr b) const override { mpz_set_ui(b, 2 * n + 1); }
  uint64_t LeafRun() const override { return leafRun_; }

 private:
  uint64_t leafRun_;
};

// sum over n < terms of (p/q)^n / (2n + 1), exactly.
void ExactSum(mpz_srcptr p, mpz_srcptr q, uint64_t terms, mpq_t sum) {
  mpq_t power, term, ratio;
  mpq_inits(power, term, ratio, nullptr);
  mpz_set(mpq_numref(ratio), p);
  mpz_set(mpq_denref(ratio), q);
  mpq_canonicalize(ratio);
  mpq_set_ui(power, 1, 1);
  mpq_set_ui(sum, 0, 1);
  for (uint64_t n = 0; n < terms; ++n) {
    mpq_set_ui(term, 1, 2 * n + 1);
    mpq_mul(term, term, power);
    mpq_add(sum, sum, term);
    mpq_mul(power, power, ratio);
  }
  mpq_clears(power, term, ratio, nullptr);
}

TEST(RatioSeries, SumsEqualTheExactRationalSum) {
  BignumScope scope;
  Mpz p, q, big;
  // A ratio of several limbs each: 3^200 / (7^200 + 1).
  mpz_ui_pow_ui(big.get(), 7, 200);
  mpz_add_ui(big.get(), big.get(), 1);
  struct Ratio {
    unsigned long p, q;
    bool longTerms;
  };
  for (const Ratio& r : {Ratio{1, 676, false}, Ratio{9, 25, false}, Ratio{0, 0, true}}) {
    if (r.longTerms) {
      mpz_ui_pow_ui(p.get(), 3, 200);
      mpz_set(q.get(), big.get());
    } else {
      mpz_set_ui(p.get(), r.p);
      mpz_set_ui(q.get(), r.q);
    }
    for (uint64_t leafRun : {2u, 16u}) {
      for (uint64_t terms : {1u, 2u, 16u, 17u, 300u, r.longTerms ? 40u : 1100u}) {
        mpq_t expected, got;
        mpq_inits(expected, got, nullptr);
        ExactSum(p.get(), q.get(), terms, expected);
        for (size_t least : {size_t{0}, size_t{1}}) {  // GMP's products, or transforms
          for (bool twoThreads : {false, true}) {
            SetMpzTransformLeastLimbsForTest(least);
            RatioSums sums;
            ASSERT_TRUE(SumRatioSeries(OddDenominators(leafRun), p.get(), q.get(), terms,
                                       twoThreads, CancelToken{}, &sums));
            SetMpzTransformLeastLimbsForTest(0);
            // The whole sum is q T / B.
            mpz_mul(mpq_numref(got), sums.T.get(), q.get());
            mpz_set(mpq_denref(got), sums.B.get());
            mpq_canonicalize(got);
            ASSERT_TRUE(mpq_equal(got, expected))
                << "p " << mpz_sizeinbase(p.get(), 2) << " bits, " << terms << " terms, leaves "
                << leafRun << (least != 0 ? ", transforms" : "")
                << (twoThreads ? ", two threads" : "");
          }
        }
        mpq_clears(expected, got, nullptr);
      }
    }
  }
}

TEST(RatioSeries, StopsWhenCancelled) {
  BignumScope scope;
  Mpz p, q;
  mpz_set_ui(p.get(), 1);
  mpz_set_ui(q.get(), 676);
  CancelFlag abort{1};
  RatioSums sums;
  EXPECT_FALSE(SumRatioSeries(OddDenominators(16), p.get(), q.get(), 5000, true, &abort, &sums));
}

}  // namespace
}  // namespace vpx
