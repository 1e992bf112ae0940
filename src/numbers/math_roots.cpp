#include "numbers/math_roots.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "numbers/binary_splitting.h"
#include "numbers/decimal_root.h"
#include "numbers/mpz_newton.h"
#include "numbers/mpz_product.h"
#include "numbers/radix_conversion.h"
#include "numbers/root_newton.h"

namespace vpx {
namespace {

// 10^e for e <= 19.
uint64_t PowerOfTenLimb(uint32_t e) {
  uint64_t v = 1;
  while (e-- > 0) v *= 10;
  return v;
}

// 10^e into v (e >= 0).
void SetPowerOfTen(mpz_ptr v, uint64_t e) {
  mpz_ui_pow_ui(v, 10, e);
}

// Number of integer digits of a canonical value (0 for a value below one).
uint64_t IntegerDigitsOf(const DecimalDigits& x) {
  return x.digits[0] == '0' ? 0 : x.intDigits;
}

// ------------------------------------------------------------------------------------
// Powers. |x| = X * 10^t with X not divisible by 10, m = |n|, c = |x|^m = X^m * 10^(t*m).
// Positive n gives c, negative n gives q = 1 / c.
// ------------------------------------------------------------------------------------

struct PowProblem {
  Mpz X;
  int64_t t = 0;
  uint64_t m = 0;
  bool negativeExponent = false;
  bool minus = false;  // sign of the result
  uint32_t R = 0;
};

// The fitting of c: keep k fraction digits rounded half up, or saturate.
// The fitting of q: keep Fkeep fraction digits cut, or saturate, or underflow to zero.
// Both are decided from the place of the top digit of c, pc = floor(log10 c).

// Fraction digits that the division rule keeps for q = 1 / c when c's top digit is at
// place pc: the quotient's top place e = -pc counts among the R kept digits.
int64_t QuotientFractionDigits(int64_t pc, uint32_t R) {
  int64_t e = -pc;
  return std::max<int64_t>(0, static_cast<int64_t>(R) - 1 - std::max<int64_t>(e, 0));
}

// Exact route: X^m is small enough to form (bounded by a few times R digits).
DecimalDigits ExactPower(const PowProblem& p) {
  Mpz P;
  mpz_pow_ui(P.get(), p.X.get(), p.m);
  const int64_t T = p.t * static_cast<int64_t>(p.m);
  const int64_t D = static_cast<int64_t>(DecimalDigitCount(P.get()));
  const int64_t pc = D - 1 + T;
  const int64_t R = p.R;
  Mpz W, scale;
  if (!p.negativeExponent) {
    const int64_t intSize = pc >= 0 ? pc + 1 : 1;
    if (intSize > R) return SaturatedNines(p.R, p.minus);
    const int64_t k = R - intSize;
    if (pc <= -k - 2) return DecimalDigits();  // below half a unit of the last place
    if (T >= 0) {
      SetPowerOfTen(scale.get(), static_cast<uint64_t>(T));
      ReserveBits(W.get(), mpz_sizeinbase(P.get(), 2) + mpz_sizeinbase(scale.get(), 2));
      MulMpz(W.get(), P.get(), scale.get());
      return FromScaledInteger(W.get(), 0, p.minus);
    }
    const int64_t Fv = -T;
    if (Fv <= k) return FromScaledInteger(P.get(), static_cast<uint64_t>(Fv), p.minus);
    // Round half up once: W = floor((P + 5 * 10^(Fv-k-1)) / 10^(Fv-k)).
    SetPowerOfTen(scale.get(), static_cast<uint64_t>(Fv - k - 1));
    mpz_mul_ui(scale.get(), scale.get(), 5);
    mpz_add(W.get(), P.get(), scale.get());
    mpz_mul_ui(scale.get(), scale.get(), 2);
    DivMpz(W.get(), nullptr, W.get(), scale.get());
    return FromScaledInteger(W.get(), static_cast<uint64_t>(k), p.minus);
  }
  // q = 10^(-T) / P; its top place is -pc, or -pc - 1 unless P = 1.
  const int64_t pq = mpz_cmp_ui(P.get(), 1) == 0 ? -pc : -pc - 1;
  if (pq + 1 > R) return SaturatedNines(p.R, p.minus);
  const int64_t F = QuotientFractionDigits(pc, p.R);
  if (pq < -F) return DecimalDigits();  // underflows the kept places
  SetPowerOfTen(scale.get(), static_cast<uint64_t>(F - T));
  DivMpz(W.get(), nullptr, scale.get(), P.get());
  return FromScaledInteger(W.get(), static_cast<uint64_t>(F), p.minus);
}

// An approximation a of a positive value with |a - value| <= err.
struct Enclosure {
  explicit Enclosure(mpfr_prec_t bits) : value(bits), err(bits) {}
  Mpfr value;
  Mpfr err;
};

// Bound err = value * factor * 2^-bits (rounded up).
void SetRelativeError(Enclosure& a, double factor, mpfr_prec_t bits) {
  mpfr_abs(a.err.get(), a.value.get(), MPFR_RNDU);
  mpfr_mul_d(a.err.get(), a.err.get(), factor, MPFR_RNDU);
  mpfr_div_2si(a.err.get(), a.err.get(), bits, MPFR_RNDU);
}

// floor of value - err and of value + err; true when both agree.
bool SettledFloor(const Enclosure& a, mpz_ptr out, double shift = 0.0) {
  const mpfr_prec_t bits = mpfr_get_prec(a.value.get()) + 2;
  Mpfr lo(bits), hi(bits);
  mpfr_sub(lo.get(), a.value.get(), a.err.get(), MPFR_RNDD);
  mpfr_add(hi.get(), a.value.get(), a.err.get(), MPFR_RNDU);
  if (shift != 0.0) {
    mpfr_add_d(lo.get(), lo.get(), shift, MPFR_RNDD);
    mpfr_add_d(hi.get(), hi.get(), shift, MPFR_RNDU);
  }
  mpfr_floor(lo.get(), lo.get());
  mpfr_floor(hi.get(), hi.get());
  if (!mpfr_equal_p(lo.get(), hi.get())) return false;
  mpfr_get_z(out, lo.get(), MPFR_RNDN);
  return true;
}

// L = log10 c = m * (log10 X + t), enclosed.
void EncloseLog10OfPower(const PowProblem& p, mpfr_prec_t bits, Enclosure& L) {
  Mpfr x(bits);
  mpfr_set_z(x.get(), p.X.get(), MPFR_RNDN);
  mpfr_log10(L.value.get(), x.get(), MPFR_RNDN);
  const double logX = mpfr_get_d(L.value.get(), MPFR_RNDN);
  mpfr_add_si(L.value.get(), L.value.get(), p.t, MPFR_RNDN);
  mpfr_mul_ui(L.value.get(), L.value.get(), p.m, MPFR_RNDN);
  // Each of the four roundings is at most 2^-bits relative to its own result.
  const double scale =
      8.0 * static_cast<double>(p.m) * (1.0 + std::fabs(logX) + std::fabs(double(p.t)));
  mpfr_set_d(L.err.get(), scale, MPFR_RNDU);
  mpfr_div_2si(L.err.get(), L.err.get(), bits, MPFR_RNDU);
  Mpfr extra(bits);
  mpfr_abs(extra.get(), L.value.get(), MPFR_RNDU);
  mpfr_div_2si(extra.get(), extra.get(), bits - 2, MPFR_RNDU);
  mpfr_add(L.err.get(), L.err.get(), extra.get(), MPFR_RNDU);
}

// w = x^m * 10^scale, or 10^scale / x^m when invert, enclosed (0 <= scale <= R + 1).
// Working from x = X * 10^t rather than X keeps every power near the size of the result.
void EnclosePowerTimesTen(const PowProblem& p, uint64_t scale, mpfr_prec_t bits, bool invert,
                          Enclosure& w) {
  Mpfr x(bits), ten(bits), power(bits);
  const uint64_t absT = static_cast<uint64_t>(p.t < 0 ? -p.t : p.t);
  mpfr_set_ui(ten.get(), 10, MPFR_RNDN);
  mpfr_set_z(x.get(), p.X.get(), MPFR_RNDN);
  if (absT != 0) {
    PowerByRepeatedSquaring(power.get(), ten.get(), absT);
    if (p.t > 0) {
      mpfr_mul(x.get(), x.get(), power.get(), MPFR_RNDN);
    } else {
      mpfr_div(x.get(), x.get(), power.get(), MPFR_RNDN);
    }
  }
  PowerByRepeatedSquaring(w.value.get(), x.get(), p.m);
  PowerByRepeatedSquaring(power.get(), ten.get(), scale);
  if (invert) {
    mpfr_div(w.value.get(), power.get(), w.value.get(), MPFR_RNDN);
  } else {
    mpfr_mul(w.value.get(), w.value.get(), power.get(), MPFR_RNDN);
  }
  // x carries (3|t| + 2) units of rounding, raised to the m-th power with 3m more; the
  // scale power 3 * scale and the last operation one. Doubled for second-order terms.
  const double units = static_cast<double>(p.m) * (3.0 * static_cast<double>(absT) + 5.0) +
                       3.0 * static_cast<double>(scale) + 2.0;
  SetRelativeError(w, 2.0 * units + 16.0, bits);
}

// Approximate route for an X^m too long to form: the magnitude from an enclosed
// logarithm, the kept digits from an enclosed power; precision doubles until every kept
// digit is settled. It ends because here c is never a power of ten nor its fitted value
// a tie (those cases are short enough for the exact route).
DecimalDigits ApproximatePower(const PowProblem& p) {
  WidenMpfrExponentRange();
  const int64_t R = p.R;
  const mpfr_prec_t logBits = 128 + static_cast<mpfr_prec_t>(std::log2(double(p.m) + 1)) +
                              static_cast<mpfr_prec_t>(std::log2(std::fabs(double(p.t)) + 1));
  int64_t pc = 0;
  for (mpfr_prec_t bits = logBits;; bits *= 2) {
    Enclosure L(bits);
    EncloseLog10OfPower(p, bits, L);
    Mpz floorL;
    if (SettledFloor(L, floorL.get())) {
      pc = mpz_get_si(floorL.get());
      break;
    }
  }
  Mpz W;
  if (!p.negativeExponent) {
    const int64_t intSize = pc >= 0 ? pc + 1 : 1;
    if (intSize > R) return SaturatedNines(p.R, p.minus);
    const int64_t k = R - intSize;
    if (pc <= -k - 2) return DecimalDigits();
    for (mpfr_prec_t bits = BitsForDigits(R + 3) + logBits;; bits *= 2) {
      Enclosure w(bits);
      EnclosePowerTimesTen(p, static_cast<uint64_t>(k), bits, false, w);
      if (SettledFloor(w, W.get(), 0.5)) break;
    }
    return FromScaledInteger(W.get(), static_cast<uint64_t>(k), p.minus);
  }
  const int64_t pq = -pc - 1;
  if (pq + 1 > R) return SaturatedNines(p.R, p.minus);
  const int64_t F = QuotientFractionDigits(pc, p.R);
  if (pq < -F) return DecimalDigits();
  for (mpfr_prec_t bits = BitsForDigits(R + 3) + logBits;; bits *= 2) {
    Enclosure w(bits);
    EnclosePowerTimesTen(p, static_cast<uint64_t>(F), bits, true, w);
    if (SettledFloor(w, W.get())) break;
  }
  return FromScaledInteger(W.get(), static_cast<uint64_t>(F), p.minus);
}

// Decimal digits of X^m, estimated from the binary length (within a digit or so).
double EstimatedPowerDigits(mpz_srcptr X, uint64_t m) {
  long exp2 = 0;
  double mant = mpz_get_d_2exp(&exp2, X);
  return static_cast<double>(m) * (std::log2(mant) + static_cast<double>(exp2)) *
         0.30102999566398120;
}

// floor(sqrt(x) * 10^F) = isqrt(floor(x * 10^(2F))) in GMP integers, then its decimal text.
bool ExactRoot(mpz_srcptr X, int64_t t, uint64_t F, CancelToken abort, DecimalDigits* out) {
  Mpz N, scale;
  mpz_set(N.get(), X);
  const int64_t e = t + 2 * static_cast<int64_t>(F);
  SetPowerOfTen(scale.get(), static_cast<uint64_t>(e >= 0 ? e : -e));
  if (e >= 0) {
    MulMpz(N.get(), N.get(), scale.get());
  } else {
    DivMpz(N.get(), nullptr, N.get(), scale.get());
  }
  if (abort.IsCancelled()) return false;
  SqrtMpz(N.get(), N.get());
  if (abort.IsCancelled()) return false;
  return FromScaledInteger(N.get(), F, false, abort, out);
}

// sqrt(X * 10^t) when it ends after finitely many digits (X * 10^(t mod 2) a square),
// cut to F fraction digits; false when it does not end. Such a root sits on a digit
// boundary of every longer cut, which no approximation could settle.
bool EndingRoot(mpz_srcptr X, int64_t t, uint64_t F, CancelToken abort, DecimalDigits* out) {
  Mpz v, scale;
  mpz_mul_ui(v.get(), X, (t & 1) != 0 ? 10 : 1);
  if (mpz_perfect_square_p(v.get()) == 0) return false;
  SqrtMpz(v.get(), v.get());
  const int64_t h = (t - (t & 1)) / 2;  // sqrt(x) = v * 10^h
  uint64_t fraction = 0;
  if (h >= 0) {
    SetPowerOfTen(scale.get(), static_cast<uint64_t>(h));
    MulMpz(v.get(), v.get(), scale.get());
  } else if (static_cast<uint64_t>(-h) > F) {
    SetPowerOfTen(scale.get(), static_cast<uint64_t>(-h) - F);
    DivMpz(v.get(), nullptr, v.get(), scale.get());
    fraction = F;
  } else {
    fraction = static_cast<uint64_t>(-h);
  }
  DecimalDigits root;
  if (!FromScaledInteger(v.get(), fraction, false, abort, &root)) return false;
  *out = std::move(root);
  return true;
}

// The n digits of y = sqrt(X * 10^t) / 10^k (in [0, 1) by the choice of k) after the point:
// r = isqrt(floor(y^2 * 4^b)) = floor(y * 2^b), whose digits the fraction tree proves.
FractionDigitsStatus RootFractionDigits(mpz_srcptr X, int64_t t, uint64_t k, uint64_t n,
                                        uint32_t guardBits, CancelToken abort,
                                        std::string* digits) {
  const int64_t s = 2 * static_cast<int64_t>(k) - t;  // y^2 = X / 10^s, below one
  if (s <= 0) return FractionDigitsStatus::kUnsettled;
  const uint64_t b = FractionBitsFor(n, guardBits);
  // A short y^2 of at least 0.01 (every short argument but tiny ones): Newton, no division.
  if (b >= kNewtonRootMinBits && s <= 19 && mpz_fits_ulong_p(X) != 0) {
    const uint64_t D = PowerOfTenLimb(static_cast<uint32_t>(s));
    const uint64_t numerator = mpz_get_ui(X);
    if (D <= 100 || numerator >= D / 100) {
      Mpz r;
      if (!ShortRootTimesPowerOfTwo(numerator, D, b, abort, r.get()))
        return FractionDigitsStatus::kCancelled;
      mpz_sub_ui(r.get(), r.get(), 1);
      return FractionDigits(r.get(), b, 3, n, abort, digits, SecondCoreAvailable());
    }
  }
  Mpz z, five;
  mpz_ui_pow_ui(five.get(), 5, static_cast<uint64_t>(s));
  // X * 4^b / 10^s = X * 2^(2b - s) / 5^s; floors of floors are the floor.
  const int64_t twoPower = 2 * static_cast<int64_t>(b) - s;
  mpz_mul_2exp(z.get(), X, static_cast<uint64_t>(std::max<int64_t>(twoPower, 0)));
  DivMpz(z.get(), nullptr, z.get(), five.get());
  if (twoPower < 0) mpz_tdiv_q_2exp(z.get(), z.get(), static_cast<uint64_t>(-twoPower));
  if (abort.IsCancelled()) return FractionDigitsStatus::kCancelled;
  SqrtMpz(z.get(), z.get());
  if (abort.IsCancelled()) return FractionDigitsStatus::kCancelled;
  return FractionDigits(z.get(), b, 1, n, abort, digits, SecondCoreAvailable());
}

// floor(sqrt(X * 10^t) * 10^F) straight in decimal limbs for a short X and a long root,
// cut to F fraction digits. kUnproven also when the decimal route does not take the case.
DecimalRootStatus DecimalRoot(mpz_srcptr X, int64_t t, uint64_t F, uint64_t rootDigits,
                              CancelToken abort, DecimalDigits* out) {
  const int64_t e = t + 2 * static_cast<int64_t>(F);
  if (!UseDecimalRoot(rootDigits) || e < 0 || mpz_fits_ulong_p(X) == 0)
    return DecimalRootStatus::kUnproven;
  uint64_t x = mpz_get_ui(X);
  if (x > kDecimalRootMostX / 10) return DecimalRootStatus::kUnproven;
  if (e % 2 != 0) x *= 10;  // sqrt(X 10^e) = sqrt(10 X 10^(e-1))
  std::string digits;
  const DecimalRootStatus status =
      DecimalRootDigits(x, static_cast<uint64_t>(e / 2), abort, &digits);
  if (status != DecimalRootStatus::kDone) return status;
  if (digits.size() < F + 1) digits.insert(0, F + 1 - digits.size(), '0');
  DecimalDigits root;
  root.intDigits = static_cast<uint32_t>(digits.size() - F);
  root.digits = std::move(digits);
  Canonicalize(root);
  *out = std::move(root);
  return DecimalRootStatus::kDone;
}

}  // namespace

bool SquareRootDigits(const DecimalDigits& x, uint32_t resultSize, CancelToken abort,
                      DecimalDigits* out, uint32_t guardBits) {
  const uint32_t R = std::max<uint32_t>(resultSize, 1);
  if (x.IsZero()) {
    *out = DecimalDigits();
    return true;
  }
  const uint64_t intDigits = IntegerDigitsOf(x);
  const uint64_t rootIntDigits = intDigits == 0 ? 1 : (intDigits + 1) / 2;
  if (rootIntDigits > R) {
    *out = SaturatedNines(R, false);
    return true;
  }
  const uint64_t F = R - rootIntDigits;
  Mpz X;
  int64_t t = 0;
  ToScaledInteger(x, X.get(), &t);
  if (EndingRoot(X.get(), t, F, abort, out)) return true;
  if (abort.IsCancelled()) return false;
  const DecimalRootStatus decimal = DecimalRoot(X.get(), t, F, R, abort, out);
  if (decimal == DecimalRootStatus::kCancelled) return false;
  if (decimal == DecimalRootStatus::kDone) return true;
  // sqrt(x) = y * 10^k with y below one; its first k digits are the integer part.
  const uint64_t k = intDigits == 0 ? 0 : rootIntDigits;
  std::string digits;
  const FractionDigitsStatus status =
      RootFractionDigits(X.get(), t, k, F + k, guardBits, abort, &digits);
  if (status == FractionDigitsStatus::kCancelled) return false;
  if (status == FractionDigitsStatus::kUnsettled) return ExactRoot(X.get(), t, F, abort, out);
  DecimalDigits root;
  root.digits = std::move(digits);
  root.intDigits = static_cast<uint32_t>(k);
  Canonicalize(root);
  *out = std::move(root);
  return true;
}

DecimalDigits SquareRootDigits(const DecimalDigits& x, uint32_t resultSize) {
  DecimalDigits root;
  SquareRootDigits(x, resultSize, nullptr, &root);
  return root;
}

PowStatus PowDigits(const DecimalDigits& x, int32_t n, uint32_t resultSize, DecimalDigits* out) {
  DecimalDigits one;
  one.digits.assign(1, '1');  // not from a literal: GCC 12 misreads that copy under ASan
  if (n == 0) {
    *out = one;
    return PowStatus::kOk;
  }
  if (x.IsZero()) {
    if (n < 0) return PowStatus::kDivisionByZero;
    *out = DecimalDigits();
    return PowStatus::kOk;
  }
  PowProblem p;
  p.R = std::max<uint32_t>(resultSize, 1);
  p.m = n < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(n)) : static_cast<uint64_t>(n);
  p.negativeExponent = n < 0;
  p.minus = x.minus && (p.m % 2 == 1);
  ToScaledInteger(x, p.X.get(), &p.t);
  // Forms whose value is exact within a few times R digits go the exact way; this bound
  // also covers every power whose fitted value could be a tie or a power of ten.
  const double exactLimit = 3.0 * p.R + 100.0;
  *out = EstimatedPowerDigits(p.X.get(), p.m) <= exactLimit ? ExactPower(p) : ApproximatePower(p);
  return PowStatus::kOk;
}

}  // namespace vpx
