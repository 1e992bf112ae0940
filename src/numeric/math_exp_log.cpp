#include "numeric/math_exp_log.h"

#include <cmath>

#include "numeric/binary_splitting.h"
#include "numeric/math_log_series.h"

namespace vpx {
namespace {

// e = sum over n of 1/n!, as ratios of consecutive terms.
class ExpSeries : public SplitSeries {
 public:
  void Term(uint64_t n, mpz_ptr p, mpz_ptr q, mpz_ptr a, mpz_ptr /*b*/) const override {
    mpz_set_ui(p, 1);
    mpz_set_ui(q, n == 0 ? 1 : n);
    mpz_set_ui(a, 1);
  }
  bool HasDenominators() const override { return false; }
};

// A logarithm's series take about 90% of its work, the settling and decimal conversion
// the rest.
constexpr double kLogSeriesShare = 0.9;

// Smallest N with log10(N!) above `digits`.
uint64_t TermsForDigits(double digits) {
  double sum = 0.0;
  uint64_t n = 1;
  while (sum <= digits) sum += std::log10(static_cast<double>(++n));
  return n;
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
  mpz_mul(lo.get(), lo.get(), scale.get());
  if (abort.IsCancelled()) return false;
  mpz_mul(hi.get(), hi.get(), scale.get());
  if (abort.IsCancelled()) return false;
  mpz_tdiv_q_2exp(lo.get(), lo.get(), bits);
  mpz_tdiv_q_2exp(hi.get(), hi.get(), bits);
  if (mpz_cmp(lo.get(), hi.get()) != 0) return false;
  return FromScaledInteger(lo.get(), F, mpz_sgn(V) < 0, abort, out, true);
}

// ln(X * 10^t) by the series, with more bits until every kept digit is settled. false
// when aborted.
bool LogEBySeries(mpz_srcptr X, int64_t t, uint32_t digits, double intDigits, bool twoThreads,
                  uint32_t guardBits, CancelToken abort, WorkProgress* progress,
                  DecimalDigits* out) {
  const uint64_t fraction = digits > intDigits ? digits - static_cast<uint64_t>(intDigits) : 0;
  Mpz V;
  uint64_t err = 0;
  // The error bound grows with the exponent t (its multiples of ln 2 and ln 5).
  for (uint64_t bits = BitsForDigits(fraction) + guardBits + BitsForDigits(std::llabs(t) + 1);;
       bits += 64 + bits / 8) {
    progress->BeginStage(kLogSeriesShare, 0);
    if (LogBySeries(X, t, bits, twoThreads, abort, V.get(), &err, progress) !=
        LogSeriesStatus::kDone)
      return false;
    DecimalDigits result;
    if (SettleScaled(V.get(), bits, err, digits, abort, &result)) {
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
                  JobProgress* progress) {
  if (digits == 0) digits = 1;
  // Shares of the work, measured at a million digits: the series 40%, the quotient 25%,
  // the decimal conversion the rest.
  constexpr double kSeriesShare = 0.40;
  constexpr double kQuotientShare = 0.25 / 0.60;  // of what the series leaves
  WorkProgress work(progress);
  Mpz scale, quotient, remainder, slack, bound;
  mpz_ui_pow_ui(scale.get(), 10, digits - 1);
  mpz_mul_ui(bound.get(), scale.get(), 2);
  // e = T/Q + r with Q = (N-1)! and 0 < r < 2/N!; the floor of e * 10^(digits-1) is
  // settled when 2 * 10^(digits-1) <= (Q - remainder) * N. Otherwise more terms are taken.
  for (uint64_t N = TermsForDigits(digits + 10.0);; N += 64) {
    SplitSums sums;
    work.BeginStage(kSeriesShare, 1);
    if (!SumSeries(ExpSeries(), 0, N, false, twoThreads, abort, &sums, &work)) return false;
    mpz_mul(sums.T.get(), sums.T.get(), scale.get());
    if (abort.IsCancelled()) return false;
    mpz_tdiv_qr(quotient.get(), remainder.get(), sums.T.get(), sums.Q.get());
    if (abort.IsCancelled()) return false;
    work.CompleteShare(kQuotientShare);
    mpz_sub(slack.get(), sums.Q.get(), remainder.get());
    mpz_mul_ui(slack.get(), slack.get(), N);
    if (mpz_cmp(bound.get(), slack.get()) <= 0) break;
  }
  if (!FromScaledInteger(quotient.get(), digits - 1, false, abort, out)) return false;
  work.Finish();
  return true;
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
