// Exact decimal values as digit strings and the GMP/MPFR plumbing shared by the math
// commands' computations (roots, powers, e, logarithms, factorials). Nothing here knows
// MyNumeric; the command handlers convert at their edge.
#pragma once

#include <gmp.h>
#include <mpfr.h>

#include <cstdint>
#include <string>

#include "host/cancel_token.h"

namespace vpx {

// A decimal value: digit characters '0'..'9' most significant first, intDigits of them
// before the point. Canonical form: at least one integer digit, no leading integer zeros
// beyond a single 0, no trailing fraction zeros, zero unsigned.
struct DecimalDigits {
  std::string digits = "0";
  uint32_t intDigits = 1;
  bool minus = false;
  bool overflow = false;  // saturated to nines because the integer part did not fit

  bool IsZero() const { return digits.find_first_not_of('0') == std::string::npos; }
  // Plain text ("-12.5"; " (E)" after a saturated value), for tests and traces.
  std::string ToText() const;
  static DecimalDigits FromText(const std::string& text);  // "[-]digits[.digits]"
};

// Owning wrappers so that early returns never leak limbs.
class Mpz {
 public:
  Mpz() { mpz_init(v_); }
  ~Mpz() { mpz_clear(v_); }
  Mpz(const Mpz&) = delete;
  Mpz& operator=(const Mpz&) = delete;
  mpz_ptr get() { return v_; }
  mpz_srcptr get() const { return v_; }

 private:
  mpz_t v_;
};

class Mpfr {
 public:
  explicit Mpfr(mpfr_prec_t bits) { mpfr_init2(v_, bits); }
  ~Mpfr() { mpfr_clear(v_); }
  Mpfr(const Mpfr&) = delete;
  Mpfr& operator=(const Mpfr&) = delete;
  mpfr_ptr get() { return v_; }
  mpfr_srcptr get() const { return v_; }

 private:
  mpfr_t v_;
};

// Gives v room for `bits` before mpz_mul writes into it. GMP 6.2's product sets the limb
// count of an integer that has none yet before allocating them, so a failed allocation
// would leave it naming GMP's shared dummy limb, which clearing it then frees.
inline void ReserveBits(mpz_ptr v, uint64_t bits) {
  mpz_realloc2(v, bits);
}

// Brings digits into canonical form (strips zeros, clears the sign of zero); with
// keepFractionZeros trailing fraction zeros stay.
void Canonicalize(DecimalDigits& x, bool keepFractionZeros = false);

// |x| = X * 10^t with X an integer not divisible by 10 (X = 0 for zero, then t = 0).
void ToScaledInteger(const DecimalDigits& x, mpz_ptr X, int64_t* t);

// W / 10^fractionDigits (W >= 0) as a canonical decimal with the given sign; with
// keepFractionZeros the fraction keeps all its fractionDigits places.
DecimalDigits FromScaledInteger(mpz_srcptr W, uint64_t fractionDigits, bool minus,
                                bool keepFractionZeros = false);
// As above, polling abort between the parts of a long conversion; false (and *out
// untouched) when raised.
bool FromScaledInteger(mpz_srcptr W, uint64_t fractionDigits, bool minus, CancelToken abort,
                       DecimalDigits* out, bool keepFractionZeros = false);

// count nines as an integer with the overflow mark: the saturated result.
DecimalDigits SaturatedNines(uint32_t count, bool minus);

// Exact number of decimal digits of |v| (1 for zero).
uint64_t DecimalDigitCount(mpz_srcptr v);

// Widest exponent range, so that huge and tiny intermediate powers stay finite. MPFR keeps
// the range per thread.
void WidenMpfrExponentRange();

// base^e rounded to out's precision by repeated squaring. Its relative error stays below
// 3e * 2^-precision plus that of base times e. (MPFR's own integer powers may widen their
// working precision until an exact power is fully formed, which for 10^(10^9) never ends.)
void PowerByRepeatedSquaring(mpfr_ptr out, mpfr_srcptr base, uint64_t e);

// Bits needed to carry `digits` decimal digits.
inline mpfr_prec_t BitsForDigits(uint64_t digits) {
  return static_cast<mpfr_prec_t>(static_cast<double>(digits) * 3.3219280948873623) + 1;
}

}  // namespace vpx
