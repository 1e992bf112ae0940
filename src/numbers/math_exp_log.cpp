#include "numbers/math_exp_log.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "numbers/binary_splitting.h"
#include "numbers/math_log_series.h"
#include "numbers/mpz_newton.h"
#include "numbers/mpz_product.h"
#include "numbers/radix_conversion.h"

namespace vpx {
namespace {

// e = sum over n of 1/n!, its terms taken kExpGroup at a time: group k holds the terms
// n = gk ... gk+g-1, with q the product of their n (0 counting as 1) and a the sum of the
// products of the n after each one. Fewer, larger leaves halve the cost of the tree's foot.
constexpr uint64_t kExpGroup = 16;

class ExpSeries : public SplitSeries {
 public:
  void Term(uint64_t k, mpz_ptr p, mpz_ptr q, mpz_ptr a, mpz_ptr /*b*/) const override {
    mpz_set_ui(p, 1);
    mpz_set_ui(q, 1);
    mpz_set_ui(a, 0);
    for (uint64_t n = k * kExpGroup; n < (k + 1) * kExpGroup; ++n) {
      const uint64_t factor = n == 0 ? 1 : n;
      mpz_mul_ui(a, a, factor);
      mpz_add_ui(a, a, 1);
      mpz_mul_ui(q, q, factor);
    }
  }
  bool HasDenominators() const override { return false; }
};

// A logarithm's series take about 90% of its work, the settling and decimal conversion
// the rest.
constexpr double kLogSeriesShare = 0.9;

// Shares of e's work, measured at a million digits: the series about half, the quotient a
// fifth, the decimal conversion the rest.
constexpr double kNapierSeriesShare = 0.50;
constexpr double kNapierQuotientShare = 0.20 / 0.50;  // of what the series leaves

// The first *N >= terms terms of e's series: T / Q with Q = (*N - 1)!.
bool SumExpSeries(uint64_t terms, bool twoThreads, CancelToken abort, SplitSums* sums, uint64_t* N,
                  WorkProgress* progress) {
  const uint64_t groups = (terms + kExpGroup - 1) / kExpGroup;
  *N = groups * kExpGroup;
  progress->BeginStage(kNapierSeriesShare, 1);
  return SumSeries(ExpSeries(), 0, groups, false, twoThreads, abort, sums, progress);
}

// log10(N!): summed up to kStirlingFrom, above it by Stirling's series (its next term,
// 1/(1260 N^5), is far below the double's rounding there).
constexpr uint64_t kStirlingFrom = 64;
double Log10Factorial(uint64_t N) {
  if (N < kStirlingFrom) {
    double sum = 0.0;
    for (uint64_t n = 2; n <= N; ++n) sum += std::log10(static_cast<double>(n));
    return sum;
  }
  const double n = static_cast<double>(N);
  const double ln = n * std::log(n) - n + 0.5 * std::log(2.0 * M_PI * n) + 1.0 / (12.0 * n) -
                    1.0 / (360.0 * n * n * n);
  return ln / M_LN10;
}

// Smallest N >= 2 with log10(N!) above `digits` (a bisection: the sum term by term took a
// few milliseconds at a million digits). Callers check the terms exactly afterwards.
uint64_t TermsForDigits(double digits) {
  uint64_t lo = 2, hi = 4;
  while (Log10Factorial(hi) <= digits) hi *= 2;
  while (lo < hi) {
    const uint64_t mid = lo + (hi - lo) / 2;
    if (Log10Factorial(mid) <= digits)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

// e to `digits` digits through the exact quotient floor(T * 10^(digits-1) / Q), with more
// terms until the series' remainder cannot change it.
bool NapierByQuotient(uint32_t digits, bool twoThreads, CancelToken abort, WorkProgress* progress,
                      DecimalDigits* out) {
  Mpz scale, quotient, remainder, slack, bound;
  mpz_ui_pow_ui(scale.get(), 10, digits - 1);
  mpz_mul_ui(bound.get(), scale.get(), 2);
  // e = T/Q + r with Q = (N-1)! and 0 < r < 2/N!; the floor of e * 10^(digits-1) is
  // settled when 2 * 10^(digits-1) <= (Q - remainder) * N. Otherwise more terms are taken.
  for (uint64_t terms = TermsForDigits(digits + 10.0);; terms += 64) {
    SplitSums sums;
    uint64_t N = 0;
    if (!SumExpSeries(terms, twoThreads, abort, &sums, &N, progress)) return false;
    MulMpz(sums.T.get(), sums.T.get(), scale.get());
    if (abort.IsCancelled()) return false;
    DivMpz(quotient.get(), remainder.get(), sums.T.get(), sums.Q.get(), twoThreads);
    if (abort.IsCancelled()) return false;
    progress->CompleteShare(kNapierQuotientShare);
    mpz_sub(slack.get(), sums.Q.get(), remainder.get());
    mpz_mul_ui(slack.get(), slack.get(), N);
    if (mpz_cmp(bound.get(), slack.get()) <= 0) break;
  }
  if (!FromScaledInteger(quotient.get(), digits - 1, false, abort, out)) return false;
  progress->Finish();
  return true;
}

// The digits of |V| / 2^bits cut to `digits` digits from the units digit, when every value
// within err units of V gives the same ones; false otherwise or when aborted.
bool SettleScaled(mpz_srcptr V, uint64_t bits, uint64_t err, uint32_t digits, CancelToken abort,
                  DecimalDigits* out) {
  Mpz lo, hi, scale;
  mpz_abs(lo.get(), V);
  mpz_add_ui(hi.get(), lo.get(), err);
  mpz_sub_ui(lo.get(), lo.get(), err);
  if (mpz_sgn(lo.get()) < 0) mpz_set_ui(lo.get(), 0);
  mpz_tdiv_q_2exp(scale.get(), lo.get(), bits);
  const uint64_t intDigits = DecimalDigitCount(scale.get());
  mpz_tdiv_q_2exp(scale.get(), hi.get(), bits);
  if (DecimalDigitCount(scale.get()) != intDigits) return false;
  const uint64_t F = digits > intDigits ? digits - intDigits : 0;
  mpz_ui_pow_ui(scale.get(), 10, F);
  MulMpz(lo.get(), lo.get(), scale.get());
  if (abort.IsCancelled()) return false;
  MulMpz(hi.get(), hi.get(), scale.get());
  if (abort.IsCancelled()) return false;
  mpz_tdiv_q_2exp(lo.get(), lo.get(), bits);
  mpz_tdiv_q_2exp(hi.get(), hi.get(), bits);
  if (mpz_cmp(lo.get(), hi.get()) != 0) return false;
  return FromScaledInteger(lo.get(), F, mpz_sgn(V) < 0, abort, out, true);
}

// As SettleScaled, through the fraction tree: the integer part of |V| / 2^bits, then the
// fraction digits proven from its bits. kUnsettled when the tree cannot prove them all.
FractionDigitsStatus SettleByFractionTree(mpz_srcptr V, uint64_t bits, uint64_t err,
                                          uint32_t digits, bool twoThreads, CancelToken abort,
                                          DecimalDigits* out) {
  Mpz lo, hi, whole;
  mpz_abs(lo.get(), V);
  mpz_add_ui(hi.get(), lo.get(), err);
  mpz_sub_ui(lo.get(), lo.get(), err);
  if (mpz_sgn(lo.get()) < 0) mpz_set_ui(lo.get(), 0);
  mpz_tdiv_q_2exp(whole.get(), lo.get(), bits);
  mpz_tdiv_q_2exp(hi.get(), hi.get(), bits);
  if (mpz_cmp(whole.get(), hi.get()) != 0) return FractionDigitsStatus::kUnsettled;
  // lo and lo + U bound the fraction within one unit interval.
  mpz_abs(hi.get(), V);
  mpz_add_ui(hi.get(), hi.get(), err);
  mpz_sub(hi.get(), hi.get(), lo.get());
  if (mpz_fits_ulong_p(hi.get()) == 0) return FractionDigitsStatus::kUnsettled;
  const uint64_t U = mpz_get_ui(hi.get());
  mpz_tdiv_r_2exp(lo.get(), lo.get(), bits);
  DecimalDigits result;
  result.digits.resize(mpz_sizeinbase(whole.get(), 10) + 1);
  mpz_get_str(result.digits.data(), 10, whole.get());
  result.digits.resize(std::strlen(result.digits.c_str()));
  result.intDigits = static_cast<uint32_t>(result.digits.size());
  const uint64_t F = digits > result.intDigits ? digits - result.intDigits : 0;
  const FractionDigitsStatus status =
      FractionDigits(lo.get(), bits, U, F, abort, &result.digits, twoThreads);
  if (status != FractionDigitsStatus::kDone) return status;
  result.minus = mpz_sgn(V) < 0;
  Canonicalize(result, true);
  *out = std::move(result);
  return FractionDigitsStatus::kDone;
}

// ln(X * 10^t) by the series, with more bits until every kept digit is settled. false
// when aborted.
bool LogEBySeries(mpz_srcptr X, int64_t t, uint32_t digits, double intDigits, bool twoThreads,
                  uint32_t guardBits, CancelToken abort, WorkProgress* progress,
                  DecimalDigits* out) {
  const uint64_t fraction = digits > intDigits ? digits - static_cast<uint64_t>(intDigits) : 0;
  Mpz V;
  uint64_t err = 0;
  // The error bound grows with the multiples of ln 2 and ln 5 the series add up: below
  // 2^14 (|t| + bits of X), so twice that length in bits (it had been t's length in decimal
  // digits, 332,000 spare bits for an argument of 100,000 digits).
  const uint64_t multiples = static_cast<uint64_t>(std::llabs(t)) + mpz_sizeinbase(X, 2) + 1;
  const uint64_t errorBits = 2 * (64 - static_cast<uint64_t>(__builtin_clzll(multiples))) + 16;
  for (uint64_t bits = BitsForDigits(fraction) + guardBits + errorBits;; bits += 64 + bits / 8) {
    progress->BeginStage(kLogSeriesShare, 0);
    if (LogBySeries(X, t, bits, twoThreads, abort, V.get(), &err, progress) !=
        LogSeriesStatus::kDone)
      return false;
    DecimalDigits result;
    // The fraction tree settles almost every cut; the exact products take the rest.
    const FractionDigitsStatus status =
        SettleByFractionTree(V.get(), bits, err, digits, twoThreads, abort, &result);
    if (status == FractionDigitsStatus::kCancelled) return false;
    if (status == FractionDigitsStatus::kDone ||
        SettleScaled(V.get(), bits, err, digits, abort, &result)) {
      if (abort.IsCancelled()) return false;
      *out = std::move(result);
      progress->Finish();
      return true;
    }
    if (abort.IsCancelled()) return false;
  }
}

}  // namespace

bool NapierDigits(uint32_t digits, bool twoThreads, CancelToken abort, DecimalDigits* out,
                  JobProgress* progress, uint32_t guardBits) {
  if (digits == 0) digits = 1;
  // e - 2 = (T - 2Q) / Q + r with Q = (N-1)! and 0 < r < 2/N!, as a binary fraction of b
  // bits: F / 2^b <= e - 2 < (F + 2) / 2^b for F = floor((T - 2Q) 2^b / Q) once
  // N! >= 2^(b+1). The quotient V comes within kNearUnits of F, so V - kNearUnits and
  // V + 2 + kNearUnits bound e - 2. The fraction tree proves each digit of it; a cut beside
  // a long run of 9s or 0s takes the decimal route instead.
  const uint64_t fraction = digits - 1;
  const uint64_t b = FractionBitsFor(fraction, guardBits);
  WorkProgress work(progress);
  SplitSums sums;
  for (uint64_t terms = TermsForDigits(static_cast<double>(b + 2) * 0.30103 + 1);; terms += 64) {
    uint64_t N = 0;
    if (!SumExpSeries(terms, twoThreads, abort, &sums, &N, &work)) return false;
    // Q * N >= 2^(bitlength(Q) - 1 + floor(log2 N)).
    if (mpz_sizeinbase(sums.Q.get(), 2) - 1 + (63 - __builtin_clzll(N)) >= b + 1) break;
  }
  // V = floor((T - 2Q) * 2^b / Q), with Q's factor 2^z taken out of both sides first: the
  // same quotient from a shorter division (z is about N).
  Mpz V;
  mpz_submul_ui(sums.T.get(), sums.Q.get(), 2);
  const uint64_t z = std::min<uint64_t>(mpz_scan1(sums.Q.get(), 0), b);
  mpz_tdiv_q_2exp(sums.Q.get(), sums.Q.get(), z);
  mpz_mul_2exp(V.get(), sums.T.get(), b - z);
  DivMpzNear(V.get(), V.get(), sums.Q.get(), twoThreads);
  if (abort.IsCancelled()) return false;
  work.CompleteShare(kNapierQuotientShare);
  mpz_sub_ui(V.get(), V.get(), kNearUnits);
  std::string text = "2";
  switch (FractionDigits(V.get(), b, 2 + 2 * kNearUnits, fraction, abort, &text, twoThreads)) {
    case FractionDigitsStatus::kDone: {
      DecimalDigits e;
      e.digits = std::move(text);
      Canonicalize(e);
      *out = std::move(e);
      work.Finish();
      return true;
    }
    case FractionDigitsStatus::kCancelled:
      return false;
    case FractionDigitsStatus::kUnsettled:
      break;
  }
  return NapierByQuotient(digits, twoThreads, abort, &work, out);
}

bool LogEDigits(const DecimalDigits& x, uint32_t digits, CancelToken abort, DecimalDigits* out,
                bool twoThreads, uint32_t guardBits, JobProgress* progress) {
  if (digits == 0) digits = 1;
  Mpz X;
  int64_t t = 0;
  ToScaledInteger(x, X.get(), &t);
  if (mpz_cmp_ui(X.get(), 1) == 0 && t == 0) {
    *out = DecimalDigits();
    return true;
  }
  // Integer digits of |ln x|, estimated to size the first attempt.
  long exp2 = 0;
  const double mant = mpz_get_d_2exp(&exp2, X.get());
  const double lnx = std::log(mant) + exp2 * 0.69314718055994531 + t * 2.302585092994046;
  const double intDigits = std::fabs(lnx) < 1.0 ? 1.0 : std::floor(std::log10(std::fabs(lnx))) + 1;
  WorkProgress work(progress);
  return LogEBySeries(X.get(), t, digits, intDigits, twoThreads, guardBits, abort, &work, out);
}

}  // namespace vpx
