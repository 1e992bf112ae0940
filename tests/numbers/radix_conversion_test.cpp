#include "numbers/radix_conversion.h"

#include <gtest/gtest.h>
#include <mpfr.h>

#include <string>
#include <vector>

#include "numbers/bignum_memory.h"
#include "numbers/math_decimal.h"

namespace vpx {
namespace {

// floor(V * 10^digits / 2^bits) zero padded: the digits of V / 2^bits, exactly.
std::string ExactDigits(mpz_srcptr V, uint64_t bits, uint64_t digits) {
  Mpz w;
  mpz_ui_pow_ui(w.get(), 10, digits);
  mpz_mul(w.get(), w.get(), V);
  mpz_tdiv_q_2exp(w.get(), w.get(), bits);
  std::string text = FromScaledInteger(w.get(), 0, false).ToText();
  return std::string(digits - std::min<uint64_t>(digits, text.size()), '0') + text;
}

std::string Convert(mpz_srcptr V, uint64_t bits, uint64_t U, uint64_t digits,
                    FractionDigitsStatus expected = FractionDigitsStatus::kDone) {
  std::string out = "x";
  EXPECT_EQ(FractionDigits(V, bits, U, digits, nullptr, &out), expected) << digits;
  return out.substr(1);
}

// V with y = V / 2^bits just below (S + 1) / 10^digits for the digits S: a cut beside a run
// of nines `gap` bits long.
void BesideBoundary(const std::string& S, uint64_t bits, uint64_t gap, mpz_ptr V) {
  const uint64_t digits = S.size();
  Mpz p;
  mpz_set_str(V, S.c_str(), 10);
  mpz_add_ui(V, V, 1);
  mpz_mul_2exp(V, V, bits);
  mpz_ui_pow_ui(p.get(), 10, digits);
  mpz_cdiv_q(V, V, p.get());
  mpz_ui_pow_ui(p.get(), 2, gap);
  mpz_sub(V, V, p.get());
}

TEST(FractionDigits, GivesTheExactDigitsAtEverySizeClass) {
  gmp_randstate_t random;
  gmp_randinit_default(random);
  gmp_randseed_ui(random, 16);
  Mpz V;
  // One leaf up to 360 digits; longer ones split at 176-digit units times powers of two.
  const std::vector<uint64_t> sizes = {1,    2,    18,   19,   20,   38,   39,   40,   359, 360,
                                       361,  527,  528,  529,  704,  705,  719,  720,  721, 999,
                                       1440, 1441, 2816, 2817, 5000, 5632, 5633, 23456};
  for (uint64_t digits : sizes) {
    const uint64_t bits = FractionBitsFor(digits);
    for (int round = 0; round < 3; ++round) {
      mpz_urandomb(V.get(), random, bits);
      EXPECT_EQ(Convert(V.get(), bits, 1, digits), ExactDigits(V.get(), bits, digits)) << digits;
    }
  }
  gmp_randclear(random);
}

TEST(FractionDigits, KeepsLeadingZerosAndZeroItself) {
  Mpz V;
  const uint64_t bits = FractionBitsFor(800);
  mpz_set_ui(V.get(), 1);
  mpz_mul_2exp(V.get(), V.get(), bits - 700);  // y = 2^-700: 210 zeros first
  const std::string digits = Convert(V.get(), bits, 1, 800);
  EXPECT_EQ(digits, ExactDigits(V.get(), bits, 800));
  EXPECT_EQ(digits.find_first_not_of('0'), 210u);
  mpz_set_ui(V.get(), 0);
  EXPECT_EQ(Convert(V.get(), bits, 1, 800), std::string(800, '0'));
}

TEST(FractionDigits, RefusesACutItCannotSettle) {
  Mpz V;
  // 0.4999...9 beside 0.5 within the slack: the first digit is 4 or 5.
  for (uint64_t digits : {1u, 19u, 360u, 1000u, 4000u}) {
    const uint64_t bits = FractionBitsFor(digits);
    const std::string S = "4" + std::string(digits - 1, '9');
    BesideBoundary(S, bits, 0, V.get());
    EXPECT_EQ(Convert(V.get(), bits, 2, digits, FractionDigitsStatus::kUnsettled), "") << digits;
  }
  // A run of nines in the middle of the digits, on a boundary inside the tree.
  const std::string S = std::string(1000, '3') + std::string(700, '9');
  const uint64_t bits = FractionBitsFor(1700);
  BesideBoundary(S, bits, 0, V.get());
  EXPECT_EQ(Convert(V.get(), bits, 3, 1700, FractionDigitsStatus::kUnsettled), "");
  // Too few bits to tell the digits at all, and a value that may reach one.
  mpz_set_ui(V.get(), 12345);
  EXPECT_EQ(Convert(V.get(), 20, 1, 1000, FractionDigitsStatus::kUnsettled), "");
  mpz_set_ui(V.get(), (1u << 20) - 1);
  EXPECT_EQ(Convert(V.get(), 20, 1, 2, FractionDigitsStatus::kUnsettled), "");
}

// A fraction with far more bits than its digits need (a caller's wide error bound, and the
// guard bits that cover it) gives the same digits, and a slack across a digit boundary is
// still refused, never read as one side.
TEST(FractionDigits, FarMoreBitsThanTheDigitsNeedGiveTheSameDigits) {
  gmp_randstate_t random;
  gmp_randinit_default(random);
  gmp_randseed_ui(random, 77);
  Mpz V;
  for (uint64_t digits : {1u, 400u, 5000u}) {
    const uint64_t bits = FractionBitsFor(digits) + 40'000;
    mpz_urandomb(V.get(), random, bits - 1);
    EXPECT_EQ(Convert(V.get(), bits, uint64_t{1} << 20, digits), ExactDigits(V.get(), bits, digits))
        << digits;
    const std::string S = "3" + std::string(digits - 1, '9');
    BesideBoundary(S, bits, 10, V.get());  // 2^10 units below, inside the slack
    EXPECT_EQ(Convert(V.get(), bits, uint64_t{1} << 20, digits, FractionDigitsStatus::kUnsettled),
              "")
        << digits;
  }
  gmp_randclear(random);
}

TEST(FractionDigits, SettlesARunOfNinesShorterThanItsGuard) {
  // The cut falls after 20 nines with about 12 more beyond it: 42 bits of ones, well
  // inside the guard bits.
  Mpz V;
  for (uint64_t digits : {19u, 361u, 2000u}) {
    const uint64_t bits = FractionBitsFor(digits);
    std::string S;
    while (S.size() + 20 < digits) S += "1234567";
    S.resize(digits > 20 ? digits - 20 : 0);
    S += std::string(digits - S.size(), '9');
    BesideBoundary(S, bits, kFractionGuardBits - 40, V.get());
    EXPECT_EQ(Convert(V.get(), bits, 2, digits), S) << digits;
  }
}

// Long enough for the wrapped products of the upper nodes.
TEST(FractionDigits, StopsWhenCancelled) {
  CancelFlag abort{1};
  Mpz V;
  mpz_set_ui(V.get(), 1);
  mpz_mul_2exp(V.get(), V.get(), FractionBitsFor(5000) - 3);
  std::string out = "kept";
  EXPECT_EQ(FractionDigits(V.get(), FractionBitsFor(5000), 1, 5000, &abort, &out),
            FractionDigitsStatus::kCancelled);
  EXPECT_EQ(out, "kept");
}

// The top split's halves on two threads give the digits of one thread, and a failure on
// either thread unwinds both and leaves nothing.
TEST(FractionDigitsThreads, TwoThreadsGiveTheDigitsOfOne) {
  gmp_randstate_t random;
  gmp_randinit_default(random);
  gmp_randseed_ui(random, 61);
  Mpz V;
  // The top split at three quarters of its units (50,000 and 77,777) or at the plain one.
  for (uint64_t digits : {50'000u, 77'777u, 88'000u}) {
    const uint64_t bits = FractionBitsFor(digits);
    mpz_urandomb(V.get(), random, bits);
    std::string one, two;
    ASSERT_EQ(FractionDigits(V.get(), bits, 1, digits, nullptr, &one, false),
              FractionDigitsStatus::kDone);
    ASSERT_EQ(FractionDigits(V.get(), bits, 1, digits, nullptr, &two, true),
              FractionDigitsStatus::kDone);
    EXPECT_EQ(two, one) << digits;
    EXPECT_EQ(one, ExactDigits(V.get(), bits, digits)) << digits;
  }
  gmp_randclear(random);
}

TEST(FractionDigitsThreads, AFailedAllocationOnEitherThreadLeavesNothing) {
  const uint64_t digits = 60'000;
  const uint64_t bits = FractionBitsFor(digits);
  Mpz V;
  mpz_ui_pow_ui(V.get(), 3, bits * 63 / 100);
  mpfr_free_cache();
  const long baseline = LiveBignumBlocksForTest();
  int failures = 0;
  for (long k = 0; k < 400; k += 7) {
    FailBignumAllocationAfterForTest(k);
    try {
      BignumScope scope;
      std::string out;
      FractionDigits(V.get(), bits, 1, digits, nullptr, &out, true);
    } catch (const std::bad_alloc&) {
      ++failures;
    }
    FailBignumAllocationAfterForTest(-1);
    ASSERT_EQ(LiveBignumBlocksForTest(), baseline) << "allocation " << k;
  }
  EXPECT_GT(failures, 10);
}

}  // namespace
}  // namespace vpx
