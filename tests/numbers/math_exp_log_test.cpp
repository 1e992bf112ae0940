#include "numbers/math_exp_log.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "math_oracle.h"

namespace vpx {
namespace {

std::string Ln(const std::string& x, uint32_t digits, uint32_t guardBits = kLogGuardBits,
               bool twoThreads = false) {
  DecimalDigits out;
  EXPECT_TRUE(LogEDigits(DecimalDigits::FromText(x), digits, nullptr, &out, twoThreads, guardBits));
  return out.ToText();
}

// ln x from MPFR at several times the precision, cut to digits from the units digit.
std::string E(uint32_t digits, bool twoThreads = false) {
  DecimalDigits out;
  EXPECT_TRUE(NapierDigits(digits, twoThreads, nullptr, &out));
  return out.ToText();
}

std::string OracleLn(const std::string& x, uint32_t digits) {
  mpfr_t v;
  mpfr_init2(v, BitsForDigits(4 * digits + x.size() + 200));
  test::SetDecimal(v, x);
  mpfr_log(v, v, MPFR_RNDN);
  const int64_t intDigits = test::IntDigits(v);
  std::string text = test::CutText(v, intDigits >= digits ? 0 : digits - intDigits, true);
  mpfr_clear(v);
  return text;
}

// e^c written with `length` significant digits, cut (below e^c) or cut plus one unit in
// the last place (above e^c): logarithms just beside the short decimal c.
std::string ExpBeside(const char* c, int length, bool above) {
  mpfr_t v;
  mpfr_init2(v, BitsForDigits(length + 100));
  test::SetDecimal(v, c);
  mpfr_exp(v, v, MPFR_RNDN);
  const int64_t intDigits = test::IntDigits(v);
  mpfr_t unit;
  mpfr_init2(unit, BitsForDigits(length + 100));
  if (above) {
    mpfr_ui_pow_ui(unit, 10, static_cast<unsigned long>(length - intDigits), MPFR_RNDN);
    mpfr_ui_div(unit, 1, unit, MPFR_RNDN);
    mpfr_add(v, v, unit, MPFR_RNDN);
  }
  std::string text = test::CutText(v, length - intDigits);
  mpfr_clears(v, unit, static_cast<mpfr_ptr>(nullptr));
  return text;
}

TEST(NapierDigits, GivesTheDocumentedValues) {
  EXPECT_EQ(E(10), "2.718281828");
  EXPECT_EQ(E(1), "2");
  EXPECT_EQ(E(2), "2.7");
}

TEST(NapierDigits, MatchesMpfrExpOfOneForManyDigitCounts) {
  mpfr_t e;
  mpfr_init2(e, BitsForDigits(20200));
  mpfr_set_ui(e, 1, MPFR_RNDN);
  mpfr_exp(e, e, MPFR_RNDN);
  for (uint32_t digits : {3u, 7u, 21u, 99u, 100u, 101u, 1000u, 4321u, 20000u}) {
    EXPECT_EQ(E(digits), test::CutText(e, digits - 1)) << digits;
  }
  mpfr_clear(e);
}

// The binary fraction route, and with few guard bits mostly the decimal quotient route,
// against MPFR at digit counts around the conversion's limb, leaf and split lengths.
TEST(NapierDigits, EveryRouteMatchesMpfrAcrossConversionSizes) {
  mpfr_t e;
  mpfr_init2(e, BitsForDigits(6000));
  mpfr_set_ui(e, 1, MPFR_RNDN);
  mpfr_exp(e, e, MPFR_RNDN);
  std::vector<uint32_t> counts = {1u, 2u, 18u, 19u, 20u, 39u, 40u, 360u, 361u, 362u, 721u, 722u};
  std::mt19937 random(16);
  for (int i = 0; i < 12; ++i) counts.push_back(1 + random() % 6000);
  for (uint32_t digits : counts) {
    for (uint32_t guard : {kFractionGuardBits, 8u, 0u}) {
      DecimalDigits out;
      ASSERT_TRUE(NapierDigits(digits, false, nullptr, &out, nullptr, guard));
      EXPECT_EQ(out.ToText(), test::CutText(e, digits - 1)) << digits << " guard " << guard;
    }
  }
  mpfr_clear(e);
}

// With every quotient near (within its units), few guard bits put the cuts close to the
// error bounds: e and logarithms must still match MPFR.
TEST(NapierDigits, MatchesMpfrWhenEveryQuotientIsNear) {
  const test::NewtonForEveryOperand newton;
  mpfr_t e;
  mpfr_init2(e, BitsForDigits(3200));
  mpfr_set_ui(e, 1, MPFR_RNDN);
  mpfr_exp(e, e, MPFR_RNDN);
  for (uint32_t digits : {2u, 40u, 361u, 1000u, 3001u}) {
    for (uint32_t guard : {kFractionGuardBits, 8u, 0u}) {
      DecimalDigits out;
      ASSERT_TRUE(NapierDigits(digits, false, nullptr, &out, nullptr, guard));
      EXPECT_EQ(out.ToText(), test::CutText(e, digits - 1)) << digits << " guard " << guard;
    }
  }
  mpfr_clear(e);
}

TEST(NapierDigits, StopsWhenCancelled) {
  CancelFlag abort{1};
  DecimalDigits out = DecimalDigits::FromText("5");
  EXPECT_FALSE(NapierDigits(50000, false, &abort, &out));
  EXPECT_EQ(out.ToText(), "5");
}

TEST(NapierDigitsThreads, TwoThreadsGiveTheSameDigitsAsOne) {
  EXPECT_EQ(E(40000, true), E(40000, false));
}

TEST(LogEDigits, GivesTheDocumentedValues) {
  EXPECT_EQ(Ln("2", 10), "0.693147180");
  EXPECT_EQ(Ln("2", 31), "0.693147180559945309417232121458");
  EXPECT_EQ(Ln("1", 10), "0");
  EXPECT_EQ(Ln("1000", 5), "6.9077");
}

TEST(LogEDigits, CutsTheMagnitudeOfNegativeLogarithms) {
  EXPECT_EQ(Ln("0.5", 10), "-0.693147180");
  EXPECT_EQ(Ln("0.1", 3), "-2.30");
}

TEST(LogEDigits, KeepsALongIntegerPartWhole) {
  // ln(10^100) = 230.258509...
  EXPECT_EQ(Ln("1" + std::string(100, '0'), 2), "230");
  EXPECT_EQ(Ln("1" + std::string(100, '0'), 4), "230.2");
}

TEST(LogEDigits, MatchesAnIndependentOracle) {
  const std::vector<std::string> args = {"2",
                                         "3",
                                         "10",
                                         "0.5",
                                         "1.0000001",
                                         "0.999",
                                         "1000",
                                         "123.456",
                                         "7E0",
                                         "0.0000002",
                                         "271828182845904523536",
                                         "1.5",
                                         "99999999"};
  for (std::string x : args) {
    if (x == "7E0") x = "7";
    for (uint32_t digits : {1u, 2u, 5u, 10u, 30u, 31u, 77u, 300u}) {
      EXPECT_EQ(Ln(x, digits), OracleLn(x, digits)) << "ln(" << x << ") digits " << digits;
    }
  }
}

TEST(LogEDigits, SettlesDigitsRightBesideATruncationBoundary) {
  // ln of e^2.5 cut to 45 digits lies about 1e-45 below 2.5: nines must not round up.
  const std::string below = ExpBeside("2.5", 45, false);
  const std::string above = ExpBeside("2.5", 45, true);
  EXPECT_EQ(Ln(below, 30), "2.49999999999999999999999999999");
  EXPECT_EQ(Ln(above, 30), "2.50000000000000000000000000000");
  EXPECT_EQ(Ln(below, 30), OracleLn(below, 30));
  const std::string nearOneBelow = ExpBeside("0.001", 60, false);
  EXPECT_EQ(Ln(nearOneBelow, 40), "0.000999999999999999999999999999999999999");
}

TEST(LogEDigits, MatchesTheOracleAtThreeThousandDigits) {
  EXPECT_EQ(Ln("2", 3000), OracleLn("2", 3000));
  EXPECT_EQ(Ln("0.3", 3000), OracleLn("0.3", 3000));
}

// Short arguments go through the series: integers of up to 128 bits times powers of ten,
// far from and near 1, with large exponents, and the first argument too long for it.
const std::vector<std::string>& SeriesArguments() {
  static const std::vector<std::string> args = {"3.7",
                                                "12345.678",
                                                "0.001",
                                                "1" + std::string(60, '0'),
                                                "0." + std::string(299, '0') + "7",
                                                "1.00000000000000000001",
                                                "340282366920938463463374607431768211455",
                                                "340282366920938463463374607431768211457",
                                                "65536",
                                                "0.9999",
                                                "5040",
                                                "1.05"};
  return args;
}

TEST(LogEDigits, SeriesMatchesTheOracleForShortArguments) {
  for (const std::string& x : SeriesArguments()) {
    for (uint32_t digits : {1u, 3u, 17u, 64u, 65u, 400u, 1001u}) {
      EXPECT_EQ(Ln(x, digits), OracleLn(x, digits)) << "ln(" << x << ") digits " << digits;
    }
  }
}

TEST(LogEDigits, SettlesEveryDigitWhenTheFirstAttemptHasNoGuardBits) {
  // Without guard bits almost every first attempt leaves the last digit open.
  for (const std::string& x : SeriesArguments()) {
    for (uint32_t digits : {2u, 9u, 50u, 333u}) {
      EXPECT_EQ(Ln(x, digits, 0), OracleLn(x, digits)) << "ln(" << x << ") digits " << digits;
    }
  }
}

TEST(LogEDigits, MatchesTheOracleWhicheverRouteSettlesTheDigits) {
  // Narrow margins leave the fraction tree unsettled at some cuts and not at others; the
  // exact products or more bits must then give the same digits.
  const std::string below = ExpBeside("2.5", 400, false);
  const std::string above = ExpBeside("2.5", 400, true);
  for (uint32_t guardBits : {6u, 16u, 30u}) {
    for (const std::string& x : {std::string("3.7"), std::string("0.001"), below, above}) {
      for (uint32_t digits : {40u, 333u, 1001u}) {
        EXPECT_EQ(Ln(x, digits, guardBits), OracleLn(x, digits))
            << "ln(" << x << ") digits " << digits << " guard " << guardBits;
      }
    }
  }
}

// Arguments longer than the reduction takes whole: their rest near 1 is divided out in
// rounds. Digits from a fixed generator keep them reproducible.
std::string LongArgument(const std::string& head, size_t length) {
  std::string x = head;
  uint32_t state = 12345;
  for (size_t i = 0; i < length; ++i) {
    state = state * 1103515245u + 12345u;
    x += static_cast<char>('0' + (state >> 16) % 10);
  }
  return x + "3";
}

TEST(LogEDigits, LongArgumentsMatchTheOracle) {
  const std::vector<std::string> args = {LongArgument("1.", 60), LongArgument("0.000", 700),
                                         LongArgument("98765", 2500), LongArgument("1.0000", 90)};
  for (const std::string& x : args) {
    for (uint32_t digits : {1u, 20u, 130u, 1500u}) {
      EXPECT_EQ(Ln(x, digits), OracleLn(x, digits)) << "ln(" << x << ") digits " << digits;
      EXPECT_EQ(Ln(x, digits, 0), OracleLn(x, digits)) << "ln(" << x << ") digits " << digits;
    }
  }
}

TEST(LogEDigits, MatchesTheOracleWhenEveryQuotientIsNear) {
  const test::NewtonForEveryOperand newton;
  for (const std::string& x : {std::string("2"), std::string("3.7"), LongArgument("98765", 900)}) {
    for (uint32_t digits : {3u, 130u, 1500u}) {
      for (uint32_t guardBits : {0u, kLogGuardBits}) {
        EXPECT_EQ(Ln(x, digits, guardBits), OracleLn(x, digits))
            << "ln(" << x << ") digits " << digits << " guard " << guardBits;
      }
    }
  }
}

// Large decimal exponents make large multiples of ln 2 and ln 5, whose error the spare bits
// must cover, with and without guard bits.
TEST(LogEDigits, ArgumentsWithLargeExponentsMatchTheOracle) {
  const std::vector<std::string> args = {
      "1" + std::string(3000, '0'), "0." + std::string(2999, '0') + "7",
      "4" + std::string(9000, '0') + ".5", LongArgument("0." + std::string(5000, '0'), 400)};
  for (const std::string& x : args) {
    for (uint32_t digits : {1u, 25u, 700u}) {
      for (uint32_t guardBits : {0u, kLogGuardBits}) {
        EXPECT_EQ(Ln(x, digits, guardBits), OracleLn(x, digits))
            << "ln(" << x.substr(0, 12) << "...) digits " << digits << " guard " << guardBits;
      }
    }
  }
}

TEST(LogEDigits, MatchesTheOracleAtTwentyThousandDigits) {
  EXPECT_EQ(Ln("12345.678", 20000), OracleLn("12345.678", 20000));
}

TEST(LogEDigitsThreads, TwoThreadsGiveTheSameDigitsAsOne) {
  EXPECT_EQ(Ln("3.7", 30000, kLogGuardBits, true), Ln("3.7", 30000, kLogGuardBits, false));
}

TEST(LogEDigits, StopsWhenCancelled) {
  CancelFlag abort{1};
  DecimalDigits out = DecimalDigits::FromText("5");
  EXPECT_FALSE(LogEDigits(DecimalDigits::FromText("2"), 1000, &abort, &out));
  EXPECT_EQ(out.ToText(), "5");
}

}  // namespace
}  // namespace vpx
