#include "numbers/math_pi.h"

#include <gtest/gtest.h>

#include <string>

#include "math_oracle.h"

namespace vpx {
namespace {

std::string Pi(uint32_t digits, uint32_t guard = kPiGuardDigits, bool twoThreads = false) {
  DecimalDigits out;
  EXPECT_TRUE(PiDigits(digits, twoThreads, nullptr, &out, guard));
  return out.ToText();
}

// MPFR's pi with a wide margin, cut to digits significant digits.
class PiOracle {
 public:
  explicit PiOracle(uint32_t maxDigits) {
    mpfr_init2(pi_, BitsForDigits(maxDigits + 200));
    mpfr_const_pi(pi_, MPFR_RNDN);
  }
  ~PiOracle() { mpfr_clear(pi_); }
  std::string Cut(uint32_t digits) const { return test::CutText(pi_, digits - 1); }

 private:
  mpfr_t pi_;
};

TEST(PiDigits, GivesTheDocumentedValues) {
  EXPECT_EQ(Pi(10), "3.141592653");
  EXPECT_EQ(Pi(1), "3");
  EXPECT_EQ(Pi(0), "3");
  EXPECT_EQ(Pi(2), "3.1");
}

TEST(PiDigits, MatchesMpfrForManyDigitCounts) {
  const PiOracle oracle(30000);
  // 762 ... 768 cut just before, inside and after the six nines at places 762 to 767.
  for (uint32_t digits :
       {3u, 7u, 21u, 99u, 100u, 101u, 762u, 763u, 765u, 768u, 769u, 1000u, 4321u, 29999u}) {
    EXPECT_EQ(Pi(digits), oracle.Cut(digits)) << digits;
  }
}

TEST(PiDigits, SettlesCutsCloseToADigitBoundaryWithMoreGuardDigits) {
  // One guard digit leaves about every third cut unsettled at first.
  const PiOracle oracle(1200);
  for (uint32_t digits = 2; digits <= 1200; digits += 7) {
    EXPECT_EQ(Pi(digits, 1), oracle.Cut(digits)) << digits;
  }
  EXPECT_EQ(Pi(762, 1), oracle.Cut(762));
  EXPECT_EQ(Pi(767, 1), oracle.Cut(767));
}

TEST(PiDigits, MatchesMpfrWhicheverRouteSettlesTheCut) {
  // Few guard bits leave the binary fraction unsettled at some cuts only; those take the
  // decimal route, and both must give the oracle's digits.
  const PiOracle oracle(1300);
  for (uint32_t guard : {2u, 3u, 5u}) {
    for (uint32_t digits = 2; digits <= 1300; digits += 11) {
      EXPECT_EQ(Pi(digits, guard), oracle.Cut(digits)) << digits << " guard " << guard;
    }
    for (uint32_t digits = 760; digits <= 769; ++digits) {
      EXPECT_EQ(Pi(digits, guard), oracle.Cut(digits)) << digits << " guard " << guard;
    }
  }
}

TEST(PiDigits, MatchesMpfrWhenEveryQuotientAndRootIsNear) {
  const test::NewtonForEveryOperand newton;
  const PiOracle oracle(3000);
  for (uint32_t guard : {1u, kPiGuardDigits}) {
    for (uint32_t digits : {2u, 40u, 762u, 765u, 768u, 1001u, 2999u}) {
      EXPECT_EQ(Pi(digits, guard), oracle.Cut(digits)) << digits << " guard " << guard;
    }
  }
}

TEST(PiDigits, StopsWhenCancelled) {
  CancelFlag abort{1};
  DecimalDigits out = DecimalDigits::FromText("5");
  EXPECT_FALSE(PiDigits(50000, false, &abort, &out));
  EXPECT_EQ(out.ToText(), "5");
}

TEST(PiDigitsThreads, TwoThreadsGiveTheSameDigitsAsOne) {
  EXPECT_EQ(Pi(60000, kPiGuardDigits, true), Pi(60000, kPiGuardDigits, false));
}

}  // namespace
}  // namespace vpx
