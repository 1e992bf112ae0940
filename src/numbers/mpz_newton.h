// Quotients and square roots of large GMP integers by Newton iterations on the transform
// products of mpz_product.h, which GMP's own division and root cannot use. DivMpz and
// SqrtMpz give exactly mpz_tdiv_qr's and mpz_sqrt's results; short or signed operands go to
// GMP itself.
#pragma once

#include <gmp.h>

#include <cstddef>

namespace vpx {

// q = trunc(a / b), r = a - q b (r may be nullptr); q and r may be a or b, as with GMP.
// twoThreads: the products' transforms on a second core, as in MulMpz. Throws what the
// big-number allocation functions throw when memory runs out, as GMP's own does.
void DivMpz(mpz_ptr q, mpz_ptr r, mpz_srcptr a, mpz_srcptr b, bool twoThreads = false);

// s = floor(sqrt(n)) for n >= 0 (s may be n); twoThreads as for DivMpz.
void SqrtMpz(mpz_ptr s, mpz_srcptr n, bool twoThreads = false);

// Quotients and roots for callers whose error bound takes a few units: q within
// kNearUnits of trunc(a / b) for a >= 0, b > 0, s within kNearUnits of floor(sqrt(n)) for
// n >= 0. The Newton route skips the exact remainder's product (about a quarter of a
// quotient's work, a fifth of a root's); other operands get the exact result.
constexpr unsigned kNearUnits = 2;
void DivMpzNear(mpz_ptr q, mpz_srcptr a, mpz_srcptr b, bool twoThreads = false);
void SqrtMpzNear(mpz_ptr s, mpz_srcptr n, bool twoThreads = false);

// Tests and benchmarks: the shortest quotient, divisor and root (bits) that take the Newton
// route, whatever the ratio of quotient to divisor (0: the defaults; SIZE_MAX: never).
void SetMpzNewtonLeastBitsForTest(size_t bits);

}  // namespace vpx
