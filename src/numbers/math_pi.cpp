#include "numbers/math_pi.h"

#include <string>

#include "numbers/binary_splitting.h"
#include "numbers/mpz_newton.h"
#include "numbers/mpz_product.h"
#include "numbers/radix_conversion.h"

namespace vpx {
namespace {

// 640320^3 / 24
constexpr unsigned long kChudnovskyQ = 10939058860032000UL;
constexpr double kDigitsPerTerm = 14.181647462725477;  // log10(640320^3 / 1728)
// Shares of the work, measured at a million digits: the series about 63%, the square root
// and the quotient 19%, the decimal conversion the rest.
constexpr double kSeriesShare = 0.63;
constexpr double kQuotientShare = 0.19 / 0.37;  // of what the series leaves

// 1/pi = 12 / 640320^(3/2) * sum of (-1)^n (6n)! (13591409 + 545140134 n) /
// ((3n)! (n!)^3 640320^(3n)), as ratios of consecutive terms.
class ChudnovskySeries : public SplitSeries {
 public:
  void Term(uint64_t n, mpz_ptr p, mpz_ptr q, mpz_ptr a, mpz_ptr /*b*/) const override {
    if (n == 0) {
      mpz_set_ui(p, 1);
      mpz_set_ui(q, 1);
    } else {
      mpz_set_ui(p, 6 * n - 5);
      mpz_mul_ui(p, p, 2 * n - 1);
      mpz_mul_ui(p, p, 6 * n - 1);
      mpz_set_ui(q, n);
      mpz_mul_ui(q, q, n);
      mpz_mul_ui(q, q, n);
      mpz_mul_ui(q, q, kChudnovskyQ);
    }
    mpz_set_ui(a, 545140134);
    mpz_mul_ui(a, a, n);
    mpz_add_ui(a, a, 13591409);
    if (n % 2 == 1) mpz_neg(a, a);
  }
  bool HasDenominators() const override { return false; }
};

// Margin bits the binary attempt takes per guard digit: the default gives the fraction tree
// its usual margin, fewer (as tests pass) send more cuts to the decimal route.
constexpr uint32_t kGuardBitsPerDigit = 8;
static_assert(kPiGuardDigits * kGuardBitsPerDigit == kFractionGuardBits);

// Bound of |W - pi * s| for ScaledPi's W: the quotient's kNearUnits and its cut, and below
// a tenth of a unit from the root (within kNearUnits of a root near 100 s) and the series.
constexpr unsigned kPiErrorUnits = kNearUnits + 2;

// W with |W - pi * s| < kPiErrorUnits for the scale s = 10^D, or 2^D when binary:
// W ~ 426880 * sqrt(10005 * s^2) * Q / T.
bool ScaledPi(uint64_t D, bool binary, bool twoThreads, CancelToken abort, WorkProgress* progress,
              mpz_ptr W) {
  // The first omitted term is below 10^-(14.18 N) * 40 N relative to the sum.
  const double decimals = binary ? static_cast<double>(D) * 0.30103 : static_cast<double>(D);
  const uint64_t terms = static_cast<uint64_t>((decimals + 30.0) / kDigitsPerTerm) + 2;
  SplitSums sums;
  progress->BeginStage(kSeriesShare, 1);
  if (!SumSeries(ChudnovskySeries(), 0, terms, false, twoThreads, abort, &sums, progress))
    return false;
  Mpz root;
  if (binary) {
    mpz_set_ui(root.get(), 10005);
    mpz_mul_2exp(root.get(), root.get(), 2 * D);
  } else {
    mpz_ui_pow_ui(root.get(), 10, 2 * D);
    mpz_mul_ui(root.get(), root.get(), 10005);
  }
  if (abort.IsCancelled()) return false;
  SqrtMpzNear(root.get(), root.get(), twoThreads);
  if (abort.IsCancelled()) return false;
  // Q and T carry far more bits than 10^D needs; dropping the surplus from both moves the
  // quotient by a relative 2^-64 at most.
  const size_t keep = mpz_sizeinbase(root.get(), 2) + 96;
  const size_t bits = mpz_sizeinbase(sums.T.get(), 2);
  if (bits > keep + 64) {
    mpz_tdiv_q_2exp(sums.T.get(), sums.T.get(), bits - keep);
    mpz_tdiv_q_2exp(sums.Q.get(), sums.Q.get(), bits - keep);
  }
  mpz_mul_ui(sums.Q.get(), sums.Q.get(), 426880);
  MulMpz(W, sums.Q.get(), root.get());
  if (abort.IsCancelled()) return false;
  DivMpzNear(W, W, sums.T.get(), twoThreads);
  progress->CompleteShare(kQuotientShare);
  return !abort.IsCancelled();
}

// pi through the fraction tree: pi - 3 lies within kPiErrorUnits of W - 3 * 2^b, so
// V = W - 3 * 2^b - kPiErrorUnits and V + 2 kPiErrorUnits bound it. kUnsettled when the tree
// cannot prove every digit.
FractionDigitsStatus PiByFractionTree(uint32_t digits, uint32_t guardDigits, bool twoThreads,
                                      CancelToken abort, WorkProgress* progress,
                                      DecimalDigits* out) {
  const uint64_t fraction = digits - 1;
  const uint64_t b = FractionBitsFor(fraction, guardDigits * kGuardBitsPerDigit);
  Mpz W, three;
  if (!ScaledPi(b, true, twoThreads, abort, progress, W.get()))
    return FractionDigitsStatus::kCancelled;
  mpz_set_ui(three.get(), 3);
  mpz_mul_2exp(three.get(), three.get(), b);
  mpz_sub(W.get(), W.get(), three.get());
  mpz_sub_ui(W.get(), W.get(), kPiErrorUnits);
  std::string text = "3";
  const FractionDigitsStatus status =
      FractionDigits(W.get(), b, 2 * kPiErrorUnits, fraction, abort, &text, twoThreads);
  if (status != FractionDigitsStatus::kDone) return status;
  DecimalDigits pi;
  pi.digits = std::move(text);
  Canonicalize(pi);
  *out = std::move(pi);
  return FractionDigitsStatus::kDone;
}

}  // namespace

bool PiDigits(uint32_t digits, bool twoThreads, CancelToken abort, DecimalDigits* out,
              uint32_t guardDigits, JobProgress* progress) {
  if (digits == 0) digits = 1;
  if (guardDigits == 0) guardDigits = 1;
  WorkProgress work(progress);
  // A cut beside a long run of 9s or 0s takes the decimal route instead.
  switch (PiByFractionTree(digits, guardDigits, twoThreads, abort, &work, out)) {
    case FractionDigitsStatus::kDone:
      work.Finish();
      return true;
    case FractionDigitsStatus::kCancelled:
      return false;
    case FractionDigitsStatus::kUnsettled:
      break;
  }
  Mpz W, unit, kept, rest;
  for (uint32_t guard = guardDigits;; guard += 8) {
    if (!ScaledPi(digits - 1 + uint64_t{guard}, false, twoThreads, abort, &work, W.get()))
      return false;
    // pi * 10^(digits-1) lies within kPiErrorUnits / 10^guard of W / 10^guard: its floor is
    // settled unless the guard digits come within kPiErrorUnits of a digit boundary.
    mpz_ui_pow_ui(unit.get(), 10, guard);
    mpz_tdiv_qr(kept.get(), rest.get(), W.get(), unit.get());
    mpz_sub_ui(unit.get(), unit.get(), kPiErrorUnits);
    if (mpz_cmp_ui(rest.get(), kPiErrorUnits) >= 0 && mpz_cmp(rest.get(), unit.get()) < 0) break;
  }
  if (!FromScaledInteger(kept.get(), digits - 1, false, abort, out)) return false;
  work.Finish();
  return true;
}

}  // namespace vpx
