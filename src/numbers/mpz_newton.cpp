#include "numbers/mpz_newton.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "numbers/decimal_ntt.h"
#include "numbers/math_decimal.h"
#include "numbers/mpz_product.h"

namespace vpx {
namespace {

// The shortest quotient and divisor, and root (bits), that take the Newton route; shorter
// ones, and the base cases of the iterations, stay with GMP. bench_kernels BM_MpzDivision and
// BM_MpzSqrt, one thread, CPU ms, GMP / Newton: a quotient as long as the divisor of 100,000
// bits: 0.48 / 0.53, 200,000: 1.21 / 1.28, 400,000: 2.99 / 2.47, 800,000: 6.8 / 5.0, 1.6
// million: 15.1 / 11.6, 3.3 million: 36.1 / 23.3; roots of 200,000 bits: 0.76 / 1.03,
// 400,000: 1.86 / 2.18, 800,000: 4.89 / 4.47, 1.6 million: 11.6 / 9.7, 3.3 million:
// 27.2 / 22.5.
constexpr size_t kLeastDivisionBits = 300'000;
constexpr size_t kLeastRootBits = 600'000;
// Quotients more than three times shorter than the divisor stay with GMP: the half
// quotients' products with the divisor get too unbalanced for the transforms (3.3
// million-bit divisor, quotient of 800,000 bits: 13.1 / 19.7, 1.1 million: 17.4 / 10.3); so
// do those more than three times longer (800,000-bit divisor, quotient of 2.4 million
// bits: 16.0 / 12.3, 3.3 million: 21.8 / 18.3; 200,000 over 3.3 million: 13.0 / 21.9),
// where GMP works divisor by divisor and the reciprocal has the quotient's length.
constexpr size_t kShortQuotientRatio = 3;
constexpr size_t kLongQuotientRatio = 3;
// Base cases never go below this, so that each step still halves the precision.
constexpr size_t kLeastBaseBits = 128;
// Bits of precision kept beyond what a step or a result needs.
constexpr size_t kGuardBits = 64;
// The approximations are within one or two units; more corrections than this mean an
// error bound did not hold, and GMP recomputes the result.
constexpr int kMostCorrections = 8;
std::atomic<size_t> g_leastForTest{0};

// The crossovers hold where the products run on the vector transforms; elsewhere GMP's own
// quotient and root win at every length.
size_t LeastBits(size_t otherwise) {
  const size_t test = g_leastForTest.load(std::memory_order_relaxed);
  if (test != 0) return test;
  return mynum::VectorNttAvailable() ? otherwise : SIZE_MAX;
}

// Reciprocals and inverse roots this short come from GMP's division directly.
size_t BaseBits() {
  return std::max(LeastBits(kLeastDivisionBits), kLeastBaseBits);
}

size_t Bits(mpz_srcptr v) {
  return mpz_sgn(v) == 0 ? 0 : mpz_sizeinbase(v, 2);
}

void PowerOfTwo(mpz_ptr r, size_t e) {
  mpz_set_ui(r, 0);
  mpz_setbit(r, e);
}

// r = v * 2^shift, rounded down when shift is negative.
void Shift(mpz_ptr r, mpz_srcptr v, ptrdiff_t shift) {
  if (shift >= 0)
    mpz_mul_2exp(r, v, static_cast<mp_bitcnt_t>(shift));
  else
    mpz_fdiv_q_2exp(r, v, static_cast<mp_bitcnt_t>(-shift));
}

// X within a few units of 2^(2k) / d for d of exactly k bits. From X_h for the top h bits
// of d (relative error below 2^-(h-2)), X_0 = X_h 2^(k-h) and one Newton step
// X = X_0 + X_0 (2^(2k) - d X_0) / 2^(2k) = X_h 2^(k-h) + X_h e / 2^(2h) with
// e = 2^(k+h) - d X_h leaves 2^(2k) / d times the squared error (h >= k/2 + 32 makes that
// below 2^-58); e is cut to the bits that reach a unit of the result.
void Reciprocal(mpz_ptr X, mpz_srcptr d, size_t k, bool twoThreads) {
  if (k <= BaseBits()) {
    PowerOfTwo(X, 2 * k);
    mpz_tdiv_q(X, X, d);
    return;
  }
  const size_t h = k / 2 + kGuardBits / 2;
  Mpz e, t;
  mpz_tdiv_q_2exp(t.get(), d, k - h);
  Reciprocal(X, t.get(), h, twoThreads);
  MulMpz(e.get(), d, X, twoThreads);
  PowerOfTwo(t.get(), k + h);
  mpz_sub(e.get(), t.get(), e.get());
  const size_t cut = h - 2;  // X_h 2^cut / 2^(2h) <= 1/2
  mpz_fdiv_q_2exp(e.get(), e.get(), cut);
  MulMpz(t.get(), X, e.get(), twoThreads);
  mpz_fdiv_q_2exp(t.get(), t.get(), 2 * h - cut);
  mpz_mul_2exp(X, X, k - h);
  mpz_add(X, X, t.get());
}

// X ~ 2^(p+nb) / b to p bits for b of nb bits (relative error below 2^-(p-2)): the
// reciprocal of b moved to p bits.
void ScaledReciprocal(mpz_ptr X, mpz_srcptr b, size_t nb, size_t p, bool twoThreads) {
  Mpz bt;
  Shift(bt.get(), b, static_cast<ptrdiff_t>(p) - static_cast<ptrdiff_t>(nb));
  Reciprocal(X, bt.get(), p, twoThreads);
}

// r = floor(v X / 2^shift) from the top `keep` bits of v only (the caller bounds what the
// rest would add).
void TimesReciprocal(mpz_ptr r, mpz_srcptr v, mpz_srcptr X, size_t shift, size_t keep,
                     bool twoThreads) {
  const size_t bits = Bits(v), drop = std::min(bits > keep ? bits - keep : 0, shift);
  Mpz t;
  mpz_fdiv_q_2exp(t.get(), v, drop);
  MulMpz(r, t.get(), X, twoThreads);
  mpz_fdiv_q_2exp(r, r, shift - drop);
}

// Q within a unit or two of a / b, R = a - Q b, quotient of qb bits: a / b = a X / 2^(p+nb)
// with X to p = qb + 64 bits.
void QuotientAtFullPrecision(mpz_ptr Q, mpz_ptr R, mpz_srcptr a, mpz_srcptr b, size_t nb, size_t qb,
                             bool twoThreads) {
  const size_t p = qb + kGuardBits;
  Mpz X;
  ScaledReciprocal(X.get(), b, nb, p, twoThreads);
  // The bits of a below its top p + 2 move the quotient by less than 2^-60.
  TimesReciprocal(Q, a, X.get(), p + nb, p + 2, twoThreads);
  MulMpz(R, Q, b, twoThreads);
  mpz_sub(R, a, R);
}

// The same with X to only h = qb/2 + 64 bits (half the reciprocal's work): Q1, the top
// h - 8 bits of the quotient in units of 2^s, is a X / 2^(h+nb+s) within 2^-6 + 1; the
// exact R1 = a - Q1 b 2^s is below 2^(s+1) b, so Q2 = R1 X / 2^(h+nb) (from R1's top
// s + 8 bits) is R1 / b within 2^(s+3-h) + 1/32 + 1 < 2, and Q = Q1 2^s + Q2. Without R
// (null) the remainder's product, a quarter of the work, is skipped.
void QuotientInTwoSteps(mpz_ptr Q, mpz_ptr R, mpz_srcptr a, mpz_srcptr b, size_t nb, size_t qb,
                        bool twoThreads) {
  const size_t h = qb / 2 + kGuardBits, s = qb + 8 - h;
  Mpz X, t, R1;
  ScaledReciprocal(X.get(), b, nb, h, twoThreads);
  TimesReciprocal(Q, a, X.get(), h + nb + s, h + 4, twoThreads);
  MulMpz(R1.get(), Q, b, twoThreads);
  mpz_mul_2exp(R1.get(), R1.get(), s);
  mpz_sub(R1.get(), a, R1.get());
  TimesReciprocal(t.get(), R1.get(), X.get(), h + nb, s + 8, twoThreads);
  mpz_mul_2exp(Q, Q, s);
  mpz_add(Q, Q, t.get());
  if (R == nullptr) return;
  MulMpz(t.get(), t.get(), b, twoThreads);
  mpz_sub(R, R1.get(), t.get());
}

// Q, R with a = Q b + R, 0 <= R < b, for a >= b > 0; false when the correction of the
// approximate quotient took more steps than its error allows.
bool DivideMagnitudes(mpz_ptr Q, mpz_ptr R, mpz_srcptr a, mpz_srcptr b, bool twoThreads) {
  const size_t na = Bits(a), nb = Bits(b), qb = na - nb + 1;
  if (qb >= 4 * kGuardBits)
    QuotientInTwoSteps(Q, R, a, b, nb, qb, twoThreads);
  else
    QuotientAtFullPrecision(Q, R, a, b, nb, qb, twoThreads);
  for (int steps = 0; mpz_sgn(R) < 0; ++steps) {
    if (steps == kMostCorrections) return false;
    mpz_sub_ui(Q, Q, 1);
    mpz_add(R, R, b);
  }
  for (int steps = 0; mpz_cmp(R, b) >= 0; ++steps) {
    if (steps == kMostCorrections) return false;
    mpz_add_ui(Q, Q, 1);
    mpz_sub(R, R, b);
  }
  return true;
}

// Y within a few units of 2^(2m) / sqrt(c) for 2^(2m-2) <= c < 2^(2m). From Y_h for the top
// 2h bits of c, Y_0 = Y_h 2^(m-h) and one Newton step Y = Y_0 + Y_0 (1 - c Y_0^2 / 2^(4m)) / 2
// = Y_h 2^(m-h) + Y_h e / 2^(m+3h+1) with e = 2^(2m+2h) - c Y_h^2. Only the top m + 8 bits
// of c reach a unit of the result (the rest moves it by 2^-6), and e is cut likewise.
void InverseSqrt(mpz_ptr Y, mpz_srcptr c, size_t m, bool twoThreads) {
  if (m <= BaseBits()) {
    // r = floor(sqrt(c 2^16)) is sqrt(c) 2^8 within 2^-(m+6) relatively, so 2^(2m+8) / r
    // is within two units.
    Mpz r;
    mpz_mul_2exp(r.get(), c, 16);
    mpz_sqrt(r.get(), r.get());
    PowerOfTwo(Y, 2 * m + 8);
    mpz_tdiv_q(Y, Y, r.get());
    return;
  }
  const size_t h = m / 2 + kGuardBits / 2;
  Mpz e, t;
  mpz_tdiv_q_2exp(t.get(), c, 2 * (m - h));
  InverseSqrt(Y, t.get(), h, twoThreads);
  const size_t drop = m - 8;
  MulMpz(t.get(), Y, Y, twoThreads);
  mpz_tdiv_q_2exp(e.get(), c, drop);
  MulMpz(e.get(), e.get(), t.get(), twoThreads);
  PowerOfTwo(t.get(), 2 * m + 2 * h - drop);
  mpz_sub(e.get(), t.get(), e.get());
  // Y_h e 2^drop / 2^(m+3h+1) = Y_h e / 2^(3h+9); e's bits below 2^(2h+7) move it by 1/2.
  mpz_fdiv_q_2exp(e.get(), e.get(), 2 * h + 7);
  MulMpz(t.get(), Y, e.get(), twoThreads);
  mpz_fdiv_q_2exp(t.get(), t.get(), h + 2);
  mpz_mul_2exp(Y, Y, m - h);
  mpz_add(Y, Y, t.get());
}

// S within a unit or two of sqrt(n) for n of N > 0 bits, half = ceil(N/2): S = n Y with Y
// the inverse root to half + 32 bits.
void RootAtFullPrecision(mpz_ptr S, mpz_srcptr n, size_t N, size_t half, bool twoThreads) {
  const size_t m = half + kGuardBits / 2;
  // c = n 2^(2(m-half)) has 2m - 1 or 2m bits; Y ~ 2^(2m) / sqrt(c) = 2^(m+half) / sqrt(n).
  Mpz c, Y;
  mpz_mul_2exp(c.get(), n, 2 * (m - half));
  InverseSqrt(Y.get(), c.get(), m, twoThreads);
  // sqrt(n) = n Y / 2^(m+half); n's bits below its top m + 4 move it by less than 2^-30.
  const size_t drop = N > m + 4 ? N - m - 4 : 0;
  mpz_tdiv_q_2exp(c.get(), n, drop);
  MulMpz(S, c.get(), Y.get(), twoThreads);
  mpz_fdiv_q_2exp(S, S, m + half - drop);
}

// The same with the inverse root Y to only h = half/2 + 64 bits (a quarter of the work of
// the full one): S1 = n Y to h - 8 bits in units of 2^s, then one Newton step
// S = S1 2^s + R1 Y / 2^(h+half+1) with the exact R1 = n - S1^2 2^(2s); its error, the
// step's square over 2 sqrt(n) plus Y's error times the step, is below 2^(half-2h+6) < 2^-100.
void RootInTwoSteps(mpz_ptr S, mpz_srcptr n, size_t N, size_t half, bool twoThreads) {
  const size_t h = half / 2 + kGuardBits, s = half + 8 - h;
  // c: the top 2h bits of n (an even shift), Y ~ 2^(2h) / sqrt(c) = 2^(h+half) / sqrt(n).
  Mpz c, Y, R;
  mpz_tdiv_q_2exp(c.get(), n, 2 * (half - h));
  InverseSqrt(Y.get(), c.get(), h, twoThreads);
  // S1 = n Y / 2^(h+half+s): n's bits below its top h + 4 move it by less than 2^-10.
  const size_t drop = N > h + 4 ? N - h - 4 : 0;
  mpz_tdiv_q_2exp(c.get(), n, drop);
  MulMpz(S, c.get(), Y.get(), twoThreads);
  mpz_fdiv_q_2exp(S, S, h + half + s - drop);
  MulMpz(R.get(), S, S, twoThreads);
  mpz_mul_2exp(R.get(), R.get(), 2 * s);
  mpz_sub(R.get(), n, R.get());
  // R1's bits below 2^(half-4) move the step by less than 1/16 (Y < 2^(h+1)).
  mpz_fdiv_q_2exp(R.get(), R.get(), half - 4);
  MulMpz(c.get(), R.get(), Y.get(), twoThreads);
  mpz_fdiv_q_2exp(c.get(), c.get(), h + 5);
  mpz_mul_2exp(S, S, s);
  mpz_add(S, S, c.get());
}

// S within a unit or two of sqrt(n) for n > 0.
void ApproximateRoot(mpz_ptr S, mpz_srcptr n, bool twoThreads) {
  const size_t N = Bits(n), half = (N + 1) / 2;
  if (half >= 4 * kGuardBits)
    RootInTwoSteps(S, n, N, half, twoThreads);
  else
    RootAtFullPrecision(S, n, N, half, twoThreads);
}

// S = floor(sqrt(n)) for n > 0; false as for DivideMagnitudes.
bool SqrtMagnitude(mpz_ptr S, mpz_srcptr n, bool twoThreads) {
  ApproximateRoot(S, n, twoThreads);
  Mpz R, twice;
  MulMpz(R.get(), S, S, twoThreads);
  mpz_sub(R.get(), n, R.get());
  // R = n - S^2 must end in [0, 2S].
  for (int steps = 0; mpz_sgn(R.get()) < 0; ++steps) {
    if (steps == kMostCorrections) return false;
    mpz_sub_ui(S, S, 1);
    mpz_addmul_ui(R.get(), S, 2);
    mpz_add_ui(R.get(), R.get(), 1);
  }
  for (int steps = 0;; ++steps) {
    mpz_mul_2exp(twice.get(), S, 1);
    if (mpz_cmp(R.get(), twice.get()) <= 0) break;
    if (steps == kMostCorrections) return false;
    mpz_add_ui(twice.get(), twice.get(), 1);
    mpz_sub(R.get(), R.get(), twice.get());
    mpz_add_ui(S, S, 1);
  }
  return true;
}

// A read-only view of |v| (valid while v's limbs are).
mpz_srcptr Magnitude(mpz_t view, mpz_srcptr v) {
  return mpz_roinit_n(view, mpz_limbs_read(v), static_cast<mp_size_t>(mpz_size(v)));
}

// Whether a / b takes the Newton route rather than GMP's division.
bool NewtonDivision(mpz_srcptr a, mpz_srcptr b) {
  const size_t na = Bits(a), nb = Bits(b), least = LeastBits(kLeastDivisionBits);
  const size_t quotient = na >= nb ? na - nb + 1 : 0;
  const bool forced = g_leastForTest.load(std::memory_order_relaxed) != 0;
  const bool unbalanced = kShortQuotientRatio * quotient < nb || quotient > kLongQuotientRatio * nb;
  return mpz_sgn(b) != 0 && quotient >= least && nb >= least && (!unbalanced || forced);
}

// Whether sqrt(n) takes the Newton route rather than GMP's root.
bool NewtonRoot(mpz_srcptr n) {
  return mpz_sgn(n) > 0 && Bits(n) / 2 >= LeastBits(kLeastRootBits);
}

}  // namespace

void DivMpz(mpz_ptr q, mpz_ptr r, mpz_srcptr a, mpz_srcptr b, bool twoThreads) {
  if (!NewtonDivision(a, b)) {
    if (r != nullptr)
      mpz_tdiv_qr(q, r, a, b);
    else
      mpz_tdiv_q(q, a, b);
    return;
  }
  const bool negativeA = mpz_sgn(a) < 0, negativeQ = negativeA != (mpz_sgn(b) < 0);
  mpz_t aView, bView;
  mpz_srcptr am = Magnitude(aView, a), bm = Magnitude(bView, b);
  Mpz Q, R;
  if (!DivideMagnitudes(Q.get(), R.get(), am, bm, twoThreads))
    mpz_tdiv_qr(Q.get(), R.get(), am, bm);
  if (negativeQ) mpz_neg(Q.get(), Q.get());
  if (negativeA) mpz_neg(R.get(), R.get());
  // Only now may q or r overwrite a or b.
  mpz_swap(q, Q.get());
  if (r != nullptr) mpz_swap(r, R.get());
}

void SqrtMpz(mpz_ptr s, mpz_srcptr n, bool twoThreads) {
  if (!NewtonRoot(n)) {
    mpz_sqrt(s, n);
    return;
  }
  Mpz S;
  if (!SqrtMagnitude(S.get(), n, twoThreads)) mpz_sqrt(S.get(), n);
  mpz_swap(s, S.get());
}

void DivMpzNear(mpz_ptr q, mpz_srcptr a, mpz_srcptr b, bool twoThreads) {
  const size_t quotient = Bits(a) >= Bits(b) ? Bits(a) - Bits(b) + 1 : 0;
  if (mpz_sgn(a) < 0 || mpz_sgn(b) <= 0 || !NewtonDivision(a, b) || quotient < 4 * kGuardBits) {
    DivMpz(q, nullptr, a, b, twoThreads);
    return;
  }
  Mpz Q;
  QuotientInTwoSteps(Q.get(), nullptr, a, b, Bits(b), quotient, twoThreads);
  mpz_swap(q, Q.get());
}

void SqrtMpzNear(mpz_ptr s, mpz_srcptr n, bool twoThreads) {
  if (!NewtonRoot(n)) {
    mpz_sqrt(s, n);
    return;
  }
  Mpz S;
  ApproximateRoot(S.get(), n, twoThreads);
  mpz_swap(s, S.get());
}

void SetMpzNewtonLeastBitsForTest(size_t bits) {
  g_leastForTest.store(bits, std::memory_order_relaxed);
}

}  // namespace vpx
