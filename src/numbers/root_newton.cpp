#include "numbers/root_newton.h"

#include <algorithm>

#include "numbers/math_decimal.h"
#include "numbers/mpz_newton.h"
#include "numbers/mpz_product.h"

namespace vpx {
namespace {

// The inverse root u = 1/y (in (1, 10]) as U / 2^k with relative error below 2^-(k-1).
// Start: U = isqrt(D * 4^64 / X), |e| < 2^-64. A step from |e| <= 2^-m to k2 bits,
// U' = U * 2^(k2-k) + floor(U * E / (D * 2^(3k+1-k2))) with E = D * 4^k - X * U^2, is
// u + u(1 - w u^2)/2 cut to k2 bits: exactly it leaves -(3/2)e^2 - e^3/2, at most
// 2^(-2m+0.6), and the cut adds 2^-k2 (u >= 1); with k2 <= 2m - 2 that is below 2^-(k2-1).
bool InverseRoot(uint64_t X, uint64_t D, uint64_t k, CancelToken abort, mpz_ptr U) {
  Mpz E, T;
  uint64_t at = 64;
  mpz_set_ui(T.get(), D);
  mpz_mul_2exp(T.get(), T.get(), 2 * at);
  mpz_tdiv_q_ui(T.get(), T.get(), X);
  SqrtMpz(U, T.get());
  uint64_t m = at;  // |e| <= 2^-m
  while (at < k) {
    const uint64_t k2 = std::min(2 * m - 2, k);
    MulMpz(T.get(), U, U);
    mpz_mul_ui(T.get(), T.get(), X);
    mpz_set_ui(E.get(), D);
    mpz_mul_2exp(E.get(), E.get(), 2 * at);
    mpz_sub(E.get(), E.get(), T.get());
    MulMpz(T.get(), U, E.get());
    if (abort.IsCancelled()) return false;
    mpz_fdiv_q_ui(T.get(), T.get(), D);
    mpz_fdiv_q_2exp(T.get(), T.get(), 3 * at + 1 - k2);
    mpz_mul_2exp(U, U, k2 - at);
    mpz_add(U, U, T.get());
    at = k2;
    m = k2 - 1;
  }
  return true;
}

}  // namespace

// With u to h bits (|e| < 2^-(h-1)): y0 = floor(w u 2^h) / 2^h has relative error
// |n| <= 2^-(h-1) + 2^-h / y <= 2^-(h-4) (y >= 0.1). delta = w - y0^2 = R / (D 4^h) exactly,
// R = X 4^h - D Y0^2, and y = y0 + delta / (y + y0). Replacing 1 / (y + y0) by u / 2 is off
// by at most 1.51 * 2^-(h-4) / (2y) while |delta| <= 2.01 y^2 |n|: the product is below
// 2^(-2(h-4)+0.61) <= 2^-(bits+8) for h = ceil(bits/2) + 8. So
// r = Y0 2^(bits-h) + floor(U R / (D 2^(3h+1-bits))) is y 2^bits within [-0.01, 1.01].
bool ShortRootTimesPowerOfTwo(uint64_t X, uint64_t D, uint64_t bits, CancelToken abort, mpz_ptr r) {
  const uint64_t h = (bits + 1) / 2 + 8;
  Mpz U, Y0, R, T;
  if (!InverseRoot(X, D, h, abort, U.get())) return false;
  mpz_mul_ui(Y0.get(), U.get(), X);
  mpz_fdiv_q_ui(Y0.get(), Y0.get(), D);
  ReserveBits(R.get(), 2 * mpz_sizeinbase(Y0.get(), 2));
  MulMpz(R.get(), Y0.get(), Y0.get());
  mpz_mul_ui(R.get(), R.get(), D);
  mpz_set_ui(T.get(), X);
  mpz_mul_2exp(T.get(), T.get(), 2 * h);
  mpz_sub(R.get(), T.get(), R.get());
  if (abort.IsCancelled()) return false;
  MulMpz(T.get(), U.get(), R.get());
  if (abort.IsCancelled()) return false;
  mpz_fdiv_q_ui(T.get(), T.get(), D);
  mpz_fdiv_q_2exp(T.get(), T.get(), 3 * h + 1 - bits);
  mpz_mul_2exp(r, Y0.get(), bits - h);
  mpz_add(r, r, T.get());
  return true;
}

}  // namespace vpx
