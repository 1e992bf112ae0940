#include "numbers/math_roots.h"

#include <gmp.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "math_oracle.h"
#include "numbers/bignum_memory.h"

namespace vpx {
namespace {

std::string Root(const std::string& x, uint32_t size) {
  return SquareRootDigits(DecimalDigits::FromText(x), size).ToText();
}

std::string Power(const std::string& x, int32_t n, uint32_t size) {
  DecimalDigits out;
  if (PowDigits(DecimalDigits::FromText(x), n, size, &out) != PowStatus::kOk) return "div0";
  return out.ToText();
}

// sqrt(x) from MPFR at many more digits, cut to size digits from the first integer digit.
std::string OracleRoot(const std::string& x, uint32_t size) {
  mpfr_t v;
  mpfr_init2(v, BitsForDigits(size + x.size() + 120));
  test::SetDecimal(v, x);
  mpfr_sqrt(v, v, MPFR_RNDN);
  const int64_t intDigits = test::IntDigits(v);
  std::string text =
      intDigits > size ? std::string(size, '9') + " (E)" : test::CutText(v, size - intDigits);
  mpfr_clear(v);
  return text;
}

TEST(SquareRootDigits, GivesTheDocumentedValues) {
  EXPECT_EQ(Root("2", 10), "1.414213562");
  EXPECT_EQ(Root("4", 100), "2");
  EXPECT_EQ(Root("0.25", 10), "0.5");
  EXPECT_EQ(Root("0", 10), "0");
  EXPECT_EQ(Root("0.0001", 5), "0.01");
}

TEST(SquareRootDigits, CountsTheUnitsZeroOfValuesBelowOne) {
  EXPECT_EQ(Root("0.02", 10), "0.141421356");
}

TEST(SquareRootDigits, SaturatesWhenTheIntegerPartIsLongerThanTheResultSize) {
  EXPECT_EQ(Root("100000000000000000000000000000000", 10), "9999999999 (E)");
  EXPECT_EQ(Root("1000000000000000000", 10), "1000000000");
  EXPECT_EQ(Root("10000000000000000000", 10), "3162277660");
}

TEST(SquareRootDigits, CutsJustBelowAnIntegerWithoutRoundingUp) {
  // sqrt(10^20 - 1) = 9999999999.99999999995: a Newton descent stopping one unit high
  // would show 10000000000.
  EXPECT_EQ(Root("99999999999999999999", 15), "9999999999.99999");
  EXPECT_EQ(Root("99999999999999999999", 21), "9999999999.99999999994");
  EXPECT_EQ(Root("99999999999999999999", 22), "9999999999.999999999949");
  // (10^10 + 1)^2 and the integer just below it.
  EXPECT_EQ(Root("100000000020000000001", 11), "10000000001");
  EXPECT_EQ(Root("100000000020000000000", 11), "10000000000");
  EXPECT_EQ(Root("100000000019999999999", 11), "10000000000");
}

TEST(SquareRootDigits, MatchesAnIndependentOracle) {
  const std::vector<std::string> args = {"2",
                                         "3",
                                         "5",
                                         "10",
                                         "0.5",
                                         "0.02",
                                         "123.456",
                                         "0.0000001",
                                         "7777777",
                                         "1.0000001",
                                         "99.99",
                                         "12345678901234567890123",
                                         "0.000000000000000000000000000123",
                                         "31415926535.8979"};
  for (const std::string& x : args) {
    for (uint32_t size : {1u, 2u, 3u, 7u, 10u, 31u, 100u, 257u}) {
      EXPECT_EQ(Root(x, size), OracleRoot(x, size)) << "sqrt(" << x << ") size " << size;
    }
  }
}

TEST(SquareRootDigits, MatchesTheOracleAtTenThousandDigits) {
  EXPECT_EQ(Root("2", 10000), OracleRoot("2", 10000));
  EXPECT_EQ(Root("0.3", 10000), OracleRoot("0.3", 10000));
}

// Every route (Newton's root of a short argument, the integer root of a long one, and with
// few guard bits mostly the exact decimal root) against the oracle at sizes around the limb,
// leaf and split lengths of the conversion.
TEST(SquareRootDigits, EveryRouteMatchesTheOracleAcrossConversionSizes) {
  const std::vector<std::string> args = {"2",
                                         "0.5",
                                         "3.0000000000000000000001",
                                         "1" + std::string(41, '0'),  // sqrt(10) scaled
                                         "0.000000000000000000000000000000042",
                                         "12345678901234567890123456789012345678901234567",
                                         "99.99",
                                         "0.011",    // just above the short route's 0.01
                                         "0.0099"};  // just below it
  for (const std::string& x : args) {
    for (uint32_t size : {18u, 19u, 20u, 38u, 39u, 40u, 359u, 361u, 720u, 721u, 3001u}) {
      const std::string oracle = OracleRoot(x, size);
      for (uint32_t guard : {kFractionGuardBits, 8u, 0u}) {
        DecimalDigits out;
        ASSERT_TRUE(SquareRootDigits(DecimalDigits::FromText(x), size, nullptr, &out, guard));
        EXPECT_EQ(out.ToText(), oracle) << "sqrt(" << x << ") size " << size << " guard " << guard;
      }
    }
  }
}

TEST(SquareRootDigits, MatchesTheOracleForRandomArgumentsAndSizes) {
  std::mt19937_64 random(16);
  for (int round = 0; round < 150; ++round) {
    const size_t length = 1 + random() % 30;
    std::string digits;
    for (size_t i = 0; i < length; ++i) digits += static_cast<char>('0' + random() % 10);
    const size_t point = random() % (length + 1);
    std::string x = digits.substr(0, point) + "." + digits.substr(point);
    if (point == 0) x = "0" + x;
    if (DecimalDigits::FromText(x).IsZero()) continue;
    const uint32_t size = 1 + static_cast<uint32_t>(random() % 1500);
    EXPECT_EQ(Root(x, size), OracleRoot(x, size)) << "sqrt(" << x << ") size " << size;
  }
}

TEST(SquareRootDigits, SettlesCutsBesideRunsOfNinesAndZeros) {
  // (10^30 + 1)^2 - 1 and + 1: roots just below and above 10^30 + 1.
  const std::string square = "1" + std::string(29, '0') + "2" + std::string(29, '0') + "1";
  const std::string below = "1" + std::string(29, '0') + "2" + std::string(29, '0') + "0";
  const std::string above = "1" + std::string(29, '0') + "2" + std::string(28, '0') + "2";
  for (uint32_t size : {31u, 45u, 60u, 90u, 400u}) {
    EXPECT_EQ(Root(square, size), "1" + std::string(29, '0') + "1") << size;
    EXPECT_EQ(Root(below, size), OracleRoot(below, size)) << size;
    EXPECT_EQ(Root(above, size), OracleRoot(above, size)) << size;
  }
  EXPECT_EQ(Root("1.44", 400), "1.2");
  EXPECT_EQ(Root("0.0144", 400), "0.12");
  EXPECT_EQ(Root("14400", 400), "120");
  EXPECT_EQ(Root("1.44", 1), "1");
  EXPECT_EQ(Root("0.000144", 3), "0.01");
}

TEST(SquareRootDigits, StopsWhenCancelled) {
  CancelFlag abort{1};
  DecimalDigits out = DecimalDigits::FromText("5");
  EXPECT_FALSE(SquareRootDigits(DecimalDigits::FromText("2"), 20000, &abort, &out));
  EXPECT_FALSE(SquareRootDigits(DecimalDigits::FromText("4"), 20000, &abort, &out));
  EXPECT_EQ(out.ToText(), "5");
}

TEST(PowDigits, GivesTheDocumentedValues) {
  EXPECT_EQ(Power("2", 10, 100), "1024");
  EXPECT_EQ(Power("2", 0, 100), "1");
  EXPECT_EQ(Power("0", 0, 100), "1");
  EXPECT_EQ(Power("2", -2, 100), "0.25");
  EXPECT_EQ(Power("10", 200, 100), std::string(100, '9') + " (E)");
  EXPECT_EQ(Power("-2", 3, 100), "-8");
  EXPECT_EQ(Power("-2", -3, 100), "-0.125");
  EXPECT_EQ(Power("-3", 2, 100), "9");
}

TEST(PowDigits, RefusesZeroToANegativePower) {
  DecimalDigits out = DecimalDigits::FromText("7");
  EXPECT_EQ(PowDigits(DecimalDigits::FromText("0"), -1, 100, &out), PowStatus::kDivisionByZero);
  EXPECT_EQ(out.ToText(), "7");
  EXPECT_EQ(Power("0", 5, 100), "0");
}

TEST(PowDigits, AnswersHugeExponentsWithoutLooping) {
  EXPECT_EQ(Power("2", 2000000000, 100), std::string(100, '9') + " (E)");
  EXPECT_EQ(Power("-2", 2000000001, 20), "-" + std::string(20, '9') + " (E)");
  EXPECT_EQ(Power("1", 2000000000, 100), "1");
  EXPECT_EQ(Power("-1", 2147483647, 100), "-1");
  EXPECT_EQ(Power("0.5", 2000000000, 100), "0");
  EXPECT_EQ(Power("2", -2000000000, 100), "0");
  EXPECT_EQ(Power("0.5", -2000000000, 100), std::string(100, '9') + " (E)");
  EXPECT_EQ(Power("10", -2000000000, 100), "0");
}

TEST(PowDigits, RoundsHalfUpOnceOnTheMagnitude) {
  EXPECT_EQ(Power("1.5", 2, 2), "2.3");
  EXPECT_EQ(Power("-1.5", 3, 3), "-3.38");
  EXPECT_EQ(Power("9.95", 1, 2), "10");
  EXPECT_EQ(Power("0.05", 1, 2), "0.1");
  EXPECT_EQ(Power("0.04", 1, 2), "0");
  // 1.000001^1000 = 1.0010004995...; rounding at every product would drift.
  EXPECT_EQ(Power("1.000001", 1000, 10), "1.0010005");
}

TEST(PowDigits, CutsNegativePowersAsDivisionCutsItsQuotient) {
  EXPECT_EQ(Power("3", -1, 10), "0.333333333");
  EXPECT_EQ(Power("3", -1, 100), "0." + std::string(99, '3'));
  EXPECT_EQ(Power("0.3", -1, 10), "3.33333333");  // the quotient's top place is a 0
  EXPECT_EQ(Power("30", -1, 10), "0.033333333");
  EXPECT_EQ(Power("0.1", -3, 10), "1000");
  EXPECT_EQ(Power("0.001", -4, 10), "9999999999 (E)");
}

// x^n from exact rationals with the fitting rules applied to the exact value.
std::string OraclePower(const std::string& x, int32_t n, uint32_t R) {
  mpq_t q, b;
  mpq_inits(q, b, static_cast<mpq_ptr>(nullptr));
  mpz_t num, den, w, r;
  mpz_inits(num, den, w, r, static_cast<mpz_ptr>(nullptr));
  // x = X / 10^s read from the text.
  std::string t = x;
  bool minus = t[0] == '-';
  if (minus) t.erase(0, 1);
  size_t point = t.find('.');
  size_t s = point == std::string::npos ? 0 : t.size() - point - 1;
  if (point != std::string::npos) t.erase(point, 1);
  mpz_set_str(num, t.c_str(), 10);
  mpz_ui_pow_ui(den, 10, s);
  mpq_set_num(b, num);
  mpq_set_den(b, den);
  mpq_canonicalize(b);
  mpq_set_ui(q, 1, 1);
  for (int32_t i = 0; i < (n < 0 ? -n : n); ++i) mpq_mul(q, q, b);
  if (n < 0) mpq_inv(q, q);
  const bool negative = minus && (n % 2 != 0);
  // Integer digits and top place of the exact value.
  mpz_tdiv_q(w, mpq_numref(q), mpq_denref(q));
  int64_t intDigits = mpz_sgn(w) == 0 ? 1 : static_cast<int64_t>(mpz_sizeinbase(w, 10));
  mpz_ui_pow_ui(r, 10, static_cast<unsigned long>(intDigits - 1));
  if (mpz_sgn(w) != 0 && mpz_cmp(w, r) < 0) --intDigits;
  std::string result;
  if (intDigits > R) {
    result = (negative ? "-" : "") + std::string(R, '9') + " (E)";
  } else {
    int64_t keep = R - intDigits;
    if (n < 0) {
      // The divisor's top place p gives the quotient's top place -p, counted among R.
      mpq_t c;
      mpq_init(c);
      mpq_inv(c, q);
      mpz_tdiv_q(r, mpq_numref(c), mpq_denref(c));
      int64_t p = 0;
      if (mpz_sgn(r) != 0) {
        p = static_cast<int64_t>(mpz_sizeinbase(r, 10)) - 1;
      } else {
        // c < 1: count the zeros after the point.
        mpq_t scaled;
        mpq_init(scaled);
        mpq_set(scaled, c);
        mpq_t ten;
        mpq_init(ten);
        mpq_set_ui(ten, 10, 1);
        do {
          mpq_mul(scaled, scaled, ten);
          --p;
          mpz_tdiv_q(r, mpq_numref(scaled), mpq_denref(scaled));
        } while (mpz_sgn(r) == 0);
        mpq_clears(scaled, ten, static_cast<mpq_ptr>(nullptr));
      }
      mpq_clear(c);
      keep = std::max<int64_t>(0, static_cast<int64_t>(R) - 1 - std::max<int64_t>(-p, 0));
    }
    mpz_ui_pow_ui(r, 10, static_cast<unsigned long>(keep));
    mpz_mul(num, mpq_numref(q), r);
    if (n > 0) {  // half up: floor(num/den + 1/2) = floor((2 num + den) / (2 den))
      mpz_mul_ui(num, num, 2);
      mpz_add(num, num, mpq_denref(q));
      mpz_mul_ui(den, mpq_denref(q), 2);
      mpz_tdiv_q(w, num, den);
    } else {
      mpz_tdiv_q(w, num, mpq_denref(q));
    }
    DecimalDigits d = FromScaledInteger(w, static_cast<uint64_t>(keep), negative);
    result = d.ToText();
  }
  mpz_clears(num, den, w, r, static_cast<mpz_ptr>(nullptr));
  mpq_clears(q, b, static_cast<mpq_ptr>(nullptr));
  return result;
}

TEST(PowDigits, MatchesExactRationalsForManyArguments) {
  const std::vector<std::string> args = {"2",     "3",      "-7", "0.5",    "1.5",  "-0.3",
                                         "12.34", "0.0125", "99", "1.0001", "0.999"};
  for (const std::string& x : args) {
    for (int32_t n : {1, 2, 3, 5, 17, 40, -1, -2, -3, -7, -25}) {
      for (uint32_t size : {1u, 3u, 10u, 40u, 100u}) {
        EXPECT_EQ(Power(x, n, size), OraclePower(x, n, size)) << x << "^" << n << " size " << size;
      }
    }
  }
}

// Long exponents go the approximate way; MPFR at many more digits is the reference.
TEST(PowDigits, MatchesTheOracleForExponentsTooLongForExactPowers) {
  struct Case {
    const char* x;
    int32_t n;
    uint32_t size;
  } cases[] = {{"1.0000001", 1000000000, 60},
               {"1.0000001", -1000000000, 60},
               {"0.9999999", 100000000, 25},
               {"1.000000001", 2000000000, 40},
               {"-1.00000003", 999999999, 45},
               {"1.1", -5000, 250},
               {"0.7", -3000, 500},
               {"1.0000001", 1000000000, 30}};
  for (const Case& c : cases) {
    mpfr_t v, b;
    mpfr_inits2(4000, v, b, static_cast<mpfr_ptr>(nullptr));
    test::SetDecimal(b, c.x);
    mpfr_pow_si(v, b, c.n, MPFR_RNDN);
    std::string expected;
    const int64_t intDigits = test::IntDigits(v);
    if (intDigits > c.size) {
      expected = (mpfr_sgn(v) < 0 ? "-" : "") + std::string(c.size, '9') + " (E)";
    } else if (c.n > 0) {
      // Round half up: cut after adding half a unit of the last kept place.
      mpfr_t half;
      mpfr_init2(half, 4000);
      mpfr_ui_pow_ui(half, 10, static_cast<unsigned long>(c.size - intDigits), MPFR_RNDN);
      mpfr_ui_div(half, 1, half, MPFR_RNDN);
      mpfr_div_2ui(half, half, 1, MPFR_RNDN);
      if (mpfr_sgn(v) < 0) mpfr_neg(half, half, MPFR_RNDN);
      mpfr_add(v, v, half, MPFR_RNDN);
      mpfr_clear(half);
      expected = test::CutText(v, c.size - intDigits);
    } else {
      mpfr_t cpow;
      mpfr_init2(cpow, 4000);
      mpfr_pow_si(cpow, b, -c.n, MPFR_RNDN);
      mpfr_abs(cpow, cpow, MPFR_RNDN);
      mpfr_log10(cpow, cpow, MPFR_RNDN);
      mpfr_floor(cpow, cpow);
      const int64_t pc = mpfr_get_si(cpow, MPFR_RNDN);
      mpfr_clear(cpow);
      expected = test::CutText(v, c.size - 1 - std::max<int64_t>(-pc, 0));
    }
    EXPECT_EQ(Power(c.x, c.n, c.size), expected) << c.x << "^" << c.n;
    mpfr_clears(v, b, static_cast<mpfr_ptr>(nullptr));
  }
}

}  // namespace
}  // namespace vpx
