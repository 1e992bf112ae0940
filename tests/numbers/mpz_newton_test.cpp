#include "numbers/mpz_newton.h"

#include <gmp.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "numbers/math_decimal.h"
#include "numbers/mpz_product.h"

namespace vpx {
namespace {

// Every operand takes the Newton route (down to one-limb quotients), and every product in it
// the transforms, so that short operands exercise the whole iteration.
class MpzNewton : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMpzNewtonLeastBitsForTest(1);
    SetMpzTransformLeastLimbsForTest(1);
    gmp_randinit_mt(rng_);
    gmp_randseed_ui(rng_, 20261208);
  }
  void TearDown() override {
    gmp_randclear(rng_);
    SetMpzNewtonLeastBitsForTest(0);
    SetMpzTransformLeastLimbsForTest(0);
  }

  // A random integer of exactly `bits` bits: uniform, or long runs of ones and zeros.
  void Random(mpz_ptr v, size_t bits, bool runs) {
    if (runs)
      mpz_rrandomb(v, rng_, bits);
    else
      mpz_urandomb(v, rng_, bits);
    mpz_setbit(v, bits - 1);
  }

  gmp_randstate_t rng_;
};

void PowerMinusOne(mpz_ptr v, size_t bits) {
  mpz_set_ui(v, 0);
  mpz_setbit(v, bits);
  mpz_sub_ui(v, v, 1);
}

std::string Hex(mpz_srcptr v) {
  std::vector<char> text(mpz_sizeinbase(v, 16) + 2);
  mpz_get_str(text.data(), 16, v);
  return text.data();
}

// Whether v lies within kNearUnits of want.
bool Near(mpz_srcptr v, mpz_srcptr want) {
  Mpz d;
  mpz_sub(d.get(), v, want);
  return mpz_cmpabs_ui(d.get(), kNearUnits) <= 0;
}

// DivMpz with and without the remainder against mpz_tdiv_qr, and DivMpzNear within its units.
void ExpectDivisionLikeGmp(mpz_srcptr a, mpz_srcptr b) {
  Mpz q, r, q2, q3, wantQ, wantR;
  mpz_tdiv_qr(wantQ.get(), wantR.get(), a, b);
  DivMpz(q.get(), r.get(), a, b);
  DivMpz(q2.get(), nullptr, a, b);
  DivMpzNear(q3.get(), a, b);
  ASSERT_EQ(mpz_cmp(q.get(), wantQ.get()), 0) << Hex(a) << " / " << Hex(b);
  ASSERT_EQ(mpz_cmp(r.get(), wantR.get()), 0) << Hex(a) << " % " << Hex(b);
  ASSERT_EQ(mpz_cmp(q2.get(), wantQ.get()), 0) << Hex(a) << " / " << Hex(b);
  ASSERT_TRUE(Near(q3.get(), wantQ.get())) << Hex(a) << " / " << Hex(b) << " ~ " << Hex(q3.get());
}

void ExpectRootLikeGmp(mpz_srcptr n) {
  Mpz s, near, want;
  mpz_sqrt(want.get(), n);
  SqrtMpz(s.get(), n);
  SqrtMpzNear(near.get(), n);
  ASSERT_EQ(mpz_cmp(s.get(), want.get()), 0) << Hex(n);
  ASSERT_TRUE(Near(near.get(), want.get())) << Hex(n) << " ~ " << Hex(near.get());
}

TEST_F(MpzNewton, QuotientsOfRandomOperandsMatchGmpOverManySizes) {
  Mpz a, b;
  for (size_t divisorBits : {65, 127, 128, 129, 300, 1000, 4099, 20000}) {
    for (size_t quotientBits : {1, 2, 63, 64, 65, 200, 999, 5000, 30000}) {
      for (bool runs : {false, true}) {
        Random(b.get(), divisorBits, runs);
        Random(a.get(), divisorBits + quotientBits - 1, runs);
        ExpectDivisionLikeGmp(a.get(), b.get());
      }
    }
  }
}

TEST_F(MpzNewton, QuotientsAtExactMultiplesAndAroundThemMatchGmp) {
  Mpz a, b, q, t;
  for (size_t k : {64, 129, 700, 5000}) {
    for (size_t qbits : {1, 64, 333, 4000}) {
      // Divisors where the reciprocal is a power of two or just above one.
      std::vector<std::function<void(mpz_ptr)>> divisors = {
          [&](mpz_ptr v) { PowerMinusOne(v, k); },
          [&](mpz_ptr v) {
            mpz_set_ui(v, 0);
            mpz_setbit(v, k - 1);
          },
          [&](mpz_ptr v) { Random(v, k, false); },
      };
      for (const auto& divisor : divisors) {
        divisor(b.get());
        Random(q.get(), qbits, true);
        mpz_mul(t.get(), q.get(), b.get());
        for (long delta : {-1L, 0L, 1L}) {
          mpz_set(a.get(), t.get());
          if (delta < 0) mpz_sub_ui(a.get(), a.get(), 1);
          if (delta > 0) {  // q b + b - 1
            mpz_add(a.get(), a.get(), b.get());
            mpz_sub_ui(a.get(), a.get(), 1);
          }
          ExpectDivisionLikeGmp(a.get(), b.get());
        }
      }
      PowerMinusOne(a.get(), k + qbits);
      mpz_set_ui(b.get(), 0);
      mpz_setbit(b.get(), k - 1);
      ExpectDivisionLikeGmp(a.get(), b.get());
    }
  }
}

TEST_F(MpzNewton, QuotientsTruncateTowardZeroForEverySign) {
  Mpz a, b;
  Random(a.get(), 3000, false);
  Random(b.get(), 1200, true);
  for (int signs = 0; signs < 4; ++signs) {
    Mpz sa, sb;
    mpz_set(sa.get(), a.get());
    mpz_set(sb.get(), b.get());
    if (signs & 1) mpz_neg(sa.get(), sa.get());
    if (signs & 2) mpz_neg(sb.get(), sb.get());
    ExpectDivisionLikeGmp(sa.get(), sb.get());
  }
  mpz_set_ui(a.get(), 0);
  ExpectDivisionLikeGmp(a.get(), b.get());
  mpz_set_ui(a.get(), 12345);  // a < b
  ExpectDivisionLikeGmp(a.get(), b.get());
}

TEST_F(MpzNewton, QuotientAndRemainderMayOverwriteTheOperands) {
  Mpz a, b, wantQ, wantR;
  Random(a.get(), 5000, false);
  Random(b.get(), 2100, false);
  mpz_neg(a.get(), a.get());
  mpz_tdiv_qr(wantQ.get(), wantR.get(), a.get(), b.get());
  for (int way = 0; way < 4; ++way) {
    Mpz x, y, other;
    mpz_set(x.get(), a.get());
    mpz_set(y.get(), b.get());
    mpz_ptr q = way < 2 ? x.get() : y.get();
    mpz_ptr r = way == 0 ? y.get() : way == 2 ? x.get() : other.get();
    DivMpz(q, r, x.get(), y.get());
    EXPECT_EQ(mpz_cmp(q, wantQ.get()), 0) << way;
    EXPECT_EQ(mpz_cmp(r, wantR.get()), 0) << way;
  }
}

TEST_F(MpzNewton, RootsOfRandomNumbersMatchGmpOverManySizes) {
  Mpz n;
  for (size_t bits = 1; bits < 40000; bits = bits * 3 / 2 + 1) {
    for (bool runs : {false, true}) {
      Random(n.get(), bits, runs);
      ExpectRootLikeGmp(n.get());
    }
  }
}

TEST_F(MpzNewton, RootsAtAndAroundSquaresMatchGmp) {
  Mpz n, s;
  for (size_t bits : {1, 63, 64, 65, 129, 1000, 7001, 20000}) {
    for (int kind = 0; kind < 3; ++kind) {
      if (kind == 0) PowerMinusOne(s.get(), bits);  // (2^k - 1)^2
      if (kind == 1) {
        mpz_set_ui(s.get(), 0);
        mpz_setbit(s.get(), bits);
      }
      if (kind == 2) Random(s.get(), bits, true);
      mpz_mul(n.get(), s.get(), s.get());
      ExpectRootLikeGmp(n.get());  // s^2
      mpz_sub_ui(n.get(), n.get(), 1);
      ExpectRootLikeGmp(n.get());  // s^2 - 1
      mpz_addmul_ui(n.get(), s.get(), 2);
      ExpectRootLikeGmp(n.get());  // s^2 + 2s - 1
      mpz_add_ui(n.get(), n.get(), 1);
      ExpectRootLikeGmp(n.get());  // (s + 1)^2 - 1
    }
  }
  mpz_set_ui(n.get(), 0);
  ExpectRootLikeGmp(n.get());
}

TEST_F(MpzNewton, RootMayOverwriteItsOperand) {
  Mpz n, want, m;
  Random(n.get(), 9000, false);
  mpz_set(m.get(), n.get());
  mpz_sqrt(want.get(), n.get());
  SqrtMpz(n.get(), n.get());
  EXPECT_EQ(mpz_cmp(n.get(), want.get()), 0);
  SqrtMpzNear(m.get(), m.get());
  EXPECT_TRUE(Near(m.get(), want.get()));
}

// The near quotient of long operands: the error bound holds where it is widest (divisors
// just above a power of two, dividends just below a multiple), and the quotient may
// overwrite either operand.
TEST_F(MpzNewton, NearQuotientsStayWithinTheirUnitsAndMayOverwriteTheOperands) {
  Mpz a, b, q, want;
  for (size_t divisorBits : {700, 5000, 40000}) {
    for (size_t quotientBits : {300, 4000, 41000}) {
      mpz_set_ui(b.get(), 0);
      mpz_setbit(b.get(), divisorBits - 1);
      mpz_add_ui(b.get(), b.get(), 1);
      PowerMinusOne(q.get(), quotientBits);
      mpz_mul(a.get(), q.get(), b.get());
      mpz_sub_ui(a.get(), a.get(), 1);
      ExpectDivisionLikeGmp(a.get(), b.get());
      Random(a.get(), divisorBits + quotientBits, true);
      mpz_tdiv_q(want.get(), a.get(), b.get());
      DivMpzNear(a.get(), a.get(), b.get());
      EXPECT_TRUE(Near(a.get(), want.get())) << divisorBits << " " << quotientBits;
      Random(a.get(), divisorBits + quotientBits, false);
      mpz_tdiv_q(want.get(), a.get(), b.get());
      DivMpzNear(b.get(), a.get(), b.get());
      EXPECT_TRUE(Near(b.get(), want.get())) << divisorBits << " " << quotientBits;
    }
  }
}

TEST_F(MpzNewton, ProductsOnASecondThreadGiveTheSameResults) {
  Mpz a, b, q, r, wantQ, wantR;
  Random(a.get(), 24000, false);
  Random(b.get(), 11000, true);
  mpz_tdiv_qr(wantQ.get(), wantR.get(), a.get(), b.get());
  DivMpz(q.get(), r.get(), a.get(), b.get(), true);
  EXPECT_EQ(mpz_cmp(q.get(), wantQ.get()), 0);
  EXPECT_EQ(mpz_cmp(r.get(), wantR.get()), 0);
  mpz_sqrt(wantQ.get(), a.get());
  SqrtMpz(q.get(), a.get(), true);
  EXPECT_EQ(mpz_cmp(q.get(), wantQ.get()), 0);
}

}  // namespace
}  // namespace vpx
