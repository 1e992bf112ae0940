// Independent reference digits for the math tests: MPFR values at a precision far above
// the one under test, cut to a given number of fraction digits; and the Newton quotients and
// roots forced on short operands, so that their error bounds meet short digit counts.
#pragma once

#include <gmp.h>
#include <mpfr.h>

#include <cstdint>
#include <string>

#include "numbers/mpz_newton.h"
#include "numbers/mpz_product.h"

namespace vpx::test {

// While alive, every quotient and root takes the Newton route and every product in it the
// transforms.
struct NewtonForEveryOperand {
  NewtonForEveryOperand() {
    SetMpzNewtonLeastBitsForTest(1);
    SetMpzTransformLeastLimbsForTest(1);
  }
  ~NewtonForEveryOperand() {
    SetMpzNewtonLeastBitsForTest(0);
    SetMpzTransformLeastLimbsForTest(0);
  }
};

// The value v cut toward zero to fraction digits, as "[-]d.ddd"; trailing zeros dropped
// unless keepZeros.
inline std::string CutText(mpfr_srcptr v, int64_t fraction, bool keepZeros = false) {
  const mpfr_prec_t bits = mpfr_get_prec(v) + 64;
  mpfr_t scaled, ten;
  mpfr_inits2(bits, scaled, ten, static_cast<mpfr_ptr>(nullptr));
  mpfr_ui_pow_ui(ten, 10, static_cast<unsigned long>(fraction), MPFR_RNDN);
  mpfr_mul(scaled, v, ten, MPFR_RNDN);
  mpz_t z;
  mpz_init(z);
  mpfr_get_z(z, scaled, MPFR_RNDZ);
  const bool minus = mpz_sgn(z) < 0;
  mpz_abs(z, z);
  char* raw = mpz_get_str(nullptr, 10, z);
  std::string digits(raw);
  void (*freefunc)(void*, size_t);
  mp_get_memory_functions(nullptr, nullptr, &freefunc);
  freefunc(raw, digits.size() + 1);
  mpz_clear(z);
  mpfr_clears(scaled, ten, static_cast<mpfr_ptr>(nullptr));
  if (digits.size() < static_cast<size_t>(fraction) + 1) {
    digits = std::string(static_cast<size_t>(fraction) + 1 - digits.size(), '0') + digits;
  }
  std::string text = digits.substr(0, digits.size() - static_cast<size_t>(fraction));
  std::string frac = digits.substr(digits.size() - static_cast<size_t>(fraction));
  while (!keepZeros && !frac.empty() && frac.back() == '0') frac.pop_back();
  if (!frac.empty()) text += "." + frac;
  if (minus && text != "0") text = "-" + text;
  return text;
}

// Number of digits of the integer part of |v| (1 below ten).
inline int64_t IntDigits(mpfr_srcptr v) {
  mpfr_t a;
  mpfr_init2(a, mpfr_get_prec(v));
  mpfr_abs(a, v, MPFR_RNDN);
  int64_t n = 1;
  if (mpfr_cmp_ui(a, 10) >= 0) {
    mpz_t z;
    mpz_init(z);
    mpfr_get_z(z, a, MPFR_RNDZ);
    n = static_cast<int64_t>(mpz_sizeinbase(z, 10));
    mpz_t p;
    mpz_init(p);
    mpz_ui_pow_ui(p, 10, static_cast<unsigned long>(n - 1));
    if (mpz_cmp(z, p) < 0) --n;
    mpz_clears(z, p, static_cast<mpz_ptr>(nullptr));
  }
  mpfr_clear(a);
  return n;
}

// A decimal text into v (rounded to v's precision).
inline void SetDecimal(mpfr_ptr v, const std::string& text) {
  mpfr_set_str(v, text.c_str(), 10, MPFR_RNDN);
}

}  // namespace vpx::test
