#include "numbers/math_log_series.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "numbers/binary_splitting.h"
#include "numbers/mpz_newton.h"
#include "numbers/mpz_product.h"

namespace vpx {
namespace {

constexpr int kPrimeCount = 4;
constexpr std::array<unsigned long, kPrimeCount> kPrimes = {2, 3, 5, 7};
// ln p[k] = sum over j of coeff[k][j] * atanh(1 / denominators[j]): all four primes from
// one set, and ln 2 alone from a cheaper one (a tenth less work).
struct MachinSet {
  int size;
  std::array<unsigned long, kPrimeCount> denominators;
  std::array<std::array<int64_t, kPrimeCount>, kPrimeCount> coeff;
};
constexpr MachinSet kFourPrimes = {
    4,
    {251, 449, 4801, 8749},
    {{{144, 54, -38, 62}, {228, 86, -60, 98}, {334, 126, -88, 144}, {404, 152, -106, 174}}}};
constexpr MachinSet kTwoOnly = {3, {26, 4801, 8749, 0}, {{{18, -2, 8, 0}}}};
constexpr int kExponentRange = 8;  // |exponent of 3, 5, 7| tried in the reduction
// Integers up to this many bits are reduced whole; longer ones keep this many leading bits
// for the reduction and divide the rest out.
constexpr size_t kShortArgumentBits = 128;
constexpr size_t kLongArgumentHeadBits = 64;
// Error of one fixed-point arctangent: the cut series, the cut divisor and the quotient's
// cut, and the quotient's kNearUnits.
constexpr uint64_t kAtanhErrorUnits = 3 + kNearUnits;

// atanh(p/q) = (p/q) times the sum over n of (p^2/q^2)^n / (2n + 1): a series of one
// ratio, whose powers of p^2 and q^2 depend only on a range's length.
class AtanhSeries : public RatioSeries {
 public:
  explicit AtanhSeries(mpz_srcptr q2) : longTerms_(mpz_size(q2) > 2) {}
  void Denominator(uint64_t n, mpz_ptr b) const override { mpz_set_ui(b, 2 * n + 1); }
  // Terms of several words (the rounds near one) merge as a balanced tree.
  uint64_t LeafRun() const override { return longTerms_ ? 2 : 16; }

 private:
  bool longTerms_;
};

// log2 v for v > 0 of any length.
double Log2(mpz_srcptr v) {
  long exp = 0;
  const double mant = mpz_get_d_2exp(&exp, v);
  return std::log2(mant) + static_cast<double>(exp);
}

// floor(2^bits * atanh(p/q)) within kAtanhErrorUnits, for 0 < p < q.
bool AtanhScaled(mpz_srcptr p, mpz_srcptr q, uint64_t bits, bool twoThreads, CancelToken abort,
                 WorkProgress* progress, mpz_ptr out) {
  // Terms shrink by (p/q)^2; the tail after N terms stays below 2^-(bits+2).
  const double shrinkBits = Log2(q) - Log2(p);
  const uint64_t terms =
      static_cast<uint64_t>((static_cast<double>(bits) + 4.0) / (2.0 * shrinkBits)) + 2;
  Mpz p2, q2;
  MulMpz(p2.get(), p, p);
  MulMpz(q2.get(), q, q);
  RatioSums sums;
  if (!SumRatioSeries(AtanhSeries(q2.get()), p2.get(), q2.get(), terms, twoThreads, abort, &sums,
                      progress))
    return false;
  // atanh(p/q) = (p / q) q^2 T / B = p q T / B.
  Mpz pq;
  MulMpz(pq.get(), p, q);
  MulMpz(sums.T.get(), sums.T.get(), pq.get());
  if (abort.IsCancelled()) return false;
  // The divisor carries more bits than the quotient needs; both lose the surplus.
  const size_t divisorBits = mpz_sizeinbase(sums.B.get(), 2);
  if (divisorBits > bits + 128) {
    const size_t drop = divisorBits - bits - 96;
    mpz_tdiv_q_2exp(sums.B.get(), sums.B.get(), drop);
    mpz_tdiv_q_2exp(sums.T.get(), sums.T.get(), drop);
  }
  mpz_mul_2exp(sums.T.get(), sums.T.get(), bits);
  DivMpzNear(out, sums.T.get(), sums.B.get(), twoThreads);
  return !abort.IsCancelled();
}

// Exponents e such that X / (2^e[0] 3^e[1] 5^e[2] 7^e[3]) is near 1 with a cheap series:
// few bits in its numerator and denominator for the bits each term gains.
std::array<int64_t, kPrimeCount> ChooseReduction(mpz_srcptr X) {
  std::array<double, kPrimeCount> lnPrimes;
  for (int k = 0; k < kPrimeCount; ++k) lnPrimes[k] = std::log(static_cast<double>(kPrimes[k]));
  long exp2 = 0;
  const double mant = mpz_get_d_2exp(&exp2, X);
  const double lnX = std::log(mant) + static_cast<double>(exp2) * lnPrimes[0];
  const double bitsX = std::log2(mant) + static_cast<double>(exp2);
  std::array<int64_t, kPrimeCount> best = {0, 0, 0, 0};
  double bestCost = INFINITY;
  for (int b = -kExponentRange; b <= kExponentRange; ++b) {
    for (int c = -kExponentRange; c <= kExponentRange; ++c) {
      for (int d = -kExponentRange; d <= kExponentRange; ++d) {
        const std::array<int64_t, kPrimeCount> e0 = {0, b, c, d};
        double rest = lnX;
        for (int k = 1; k < kPrimeCount; ++k) rest -= static_cast<double>(e0[k]) * lnPrimes[k];
        const double a = std::nearbyint(rest / lnPrimes[0]);
        rest -= a * lnPrimes[0];
        const std::array<int64_t, kPrimeCount> e = {static_cast<int64_t>(a), b, c, d};
        // Bits of numerator and denominator, and bits gained per term.
        double num = bitsX, den = 0;
        for (int k = 0; k < kPrimeCount; ++k) {
          const double w = std::fabs(static_cast<double>(e[k])) * std::log2(kPrimes[k]);
          (e[k] > 0 ? den : num) += w;
        }
        const double size = std::max(num, den);
        const double gain = std::fabs(rest) < 1e-300 ? 4000.0 : -std::log2(std::fabs(rest));
        const double cost = (4.0 * size - 2.0 * gain + 22.0) / (2.0 * gain + 2.0);
        if (cost < bestCost) {
          bestCost = cost;
          best = e;
        }
      }
    }
  }
  return best;
}

// V += 2^bits * ln(num / den) for num, den > 0: 2 atanh((num - den) / (num + den)).
// Adds at most 2 * kAtanhErrorUnits of error.
bool AddLogOfFraction(mpz_srcptr num, mpz_srcptr den, uint64_t bits, bool twoThreads,
                      CancelToken abort, WorkProgress* progress, mpz_ptr V) {
  Mpz p, q, g, atanh;
  mpz_sub(p.get(), num, den);
  if (mpz_sgn(p.get()) == 0) return true;
  mpz_add(q.get(), num, den);
  mpz_gcd(g.get(), p.get(), q.get());
  mpz_divexact(p.get(), p.get(), g.get());
  mpz_divexact(q.get(), q.get(), g.get());
  const bool negative = mpz_sgn(p.get()) < 0;
  mpz_abs(p.get(), p.get());
  if (!AtanhScaled(p.get(), q.get(), bits, twoThreads, abort, progress, atanh.get())) return false;
  mpz_mul_2exp(atanh.get(), atanh.get(), 1);
  if (negative) {
    mpz_sub(V, V, atanh.get());
  } else {
    mpz_add(V, V, atanh.get());
  }
  return true;
}

// ln(X * 2^twos * 10^t) for X of at most kShortArgumentBits bits: ln 2 ... ln 7 by the
// Machin-like set and the rest near 1 as one exact fraction.
LogSeriesStatus ShortLog(mpz_srcptr X, int64_t twos, int64_t t, uint64_t bits, bool twoThreads,
                         CancelToken abort, WorkProgress* progress, mpz_ptr V,
                         uint64_t* errorUnits) {
  // ln x = sum of e[k] ln p[k] + ln(num / den); 10^t adds t to the exponents of 2 and 5.
  std::array<int64_t, kPrimeCount> e = ChooseReduction(X);
  Mpz num, den, power;
  mpz_set(num.get(), X);
  mpz_set_ui(den.get(), 1);
  for (int k = 0; k < kPrimeCount; ++k) {
    mpz_ui_pow_ui(power.get(), kPrimes[k], static_cast<unsigned long>(std::llabs(e[k])));
    MulMpz(e[k] > 0 ? den.get() : num.get(), e[k] > 0 ? den.get() : num.get(), power.get());
  }
  e[0] += t + twos;
  e[2] += t;
  // The coefficients of the arctangents.
  const MachinSet& set = e[1] == 0 && e[2] == 0 && e[3] == 0 ? kTwoOnly : kFourPrimes;
  std::array<int64_t, kPrimeCount> coeff = {0, 0, 0, 0};
  for (int k = 0; k < kPrimeCount; ++k) {
    for (int j = 0; j < set.size; ++j) coeff[j] += e[k] * set.coeff[k][j];
  }
  if (progress != nullptr) {
    progress->ExpectSteps(static_cast<int>(std::count_if(coeff.begin(), coeff.end(),
                                                         [](int64_t c) { return c != 0; })) +
                          (mpz_cmp(num.get(), den.get()) != 0 ? 1 : 0));
  }
  mpz_set_ui(V, 0);
  uint64_t err = 1;
  Mpz one, atanh;
  mpz_set_ui(one.get(), 1);
  for (int j = 0; j < set.size; ++j) {
    if (coeff[j] == 0) continue;
    mpz_set_ui(power.get(), set.denominators[j]);
    if (!AtanhScaled(one.get(), power.get(), bits, twoThreads, abort, progress, atanh.get()))
      return LogSeriesStatus::kAborted;
    mpz_mul_si(atanh.get(), atanh.get(), static_cast<long>(coeff[j]));
    mpz_add(V, V, atanh.get());
    err += kAtanhErrorUnits * static_cast<uint64_t>(std::llabs(coeff[j]));
  }
  if (!AddLogOfFraction(num.get(), den.get(), bits, twoThreads, abort, progress, V)) {
    return LogSeriesStatus::kAborted;
  }
  *errorUnits = err + 2 * kAtanhErrorUnits;
  return abort.IsCancelled() ? LogSeriesStatus::kAborted : LogSeriesStatus::kDone;
}

// V += 2^bits * ln(U / 2^bits) for U within 2^(bits - s) of 2^bits, s >= 2: each round
// divides U by a short fraction 1 + d/2^m that matches its leading bits, which doubles the
// bits known to be 1, and adds the logarithm of that fraction; once U is within
// 2^(bits/2) of 1 its logarithm is U - 1 to one unit. Error: 2 kAtanhErrorUnits + 2 +
// kNearUnits units per round, and one at the end.
bool AddLogNearOne(mpz_ptr U, uint64_t bits, uint64_t s, bool twoThreads, CancelToken abort,
                   WorkProgress* progress, mpz_ptr V, uint64_t* errorUnits) {
  Mpz eps, d, num, den;
  for (;;) {
    mpz_set_ui(eps.get(), 1);
    mpz_mul_2exp(eps.get(), eps.get(), bits);
    mpz_sub(eps.get(), U, eps.get());
    if (2 * s >= bits + 2 || mpz_sgn(eps.get()) == 0) {
      mpz_add(V, V, eps.get());  // ln(1 + e) = e - e^2/2 + ...; e^2/2 is below a unit
      *errorUnits += 1;
      return !abort.IsCancelled();
    }
    const uint64_t m = std::min<uint64_t>(2 * s, bits);
    // d = eps / 2^(bits - m), cut toward zero: |d| < 2^(m - s).
    mpz_tdiv_q_2exp(d.get(), eps.get(), bits - m);
    mpz_set_ui(den.get(), 1);
    mpz_mul_2exp(den.get(), den.get(), m);
    mpz_add(num.get(), den.get(), d.get());
    if (!AddLogOfFraction(num.get(), den.get(), bits, twoThreads, abort, progress, V)) return false;
    // U = U * 2^m / (2^m + d): what is left lies within 2^-(m-1) of 1.
    mpz_mul_2exp(U, U, m);
    DivMpzNear(U, U, num.get(), twoThreads);
    if (abort.IsCancelled()) return false;
    *errorUnits += 2 * kAtanhErrorUnits + 2 + kNearUnits;
    s = m - 1;
  }
}

// The rounds AddLogNearOne takes from s bits known (fewer if U reaches 1 exactly).
int NearOneRounds(uint64_t bits, uint64_t s) {
  int rounds = 0;
  for (; 2 * s < bits + 2; ++rounds) s = std::min<uint64_t>(2 * s, bits) - 1;
  return rounds;
}

}  // namespace

LogSeriesStatus LogBySeries(mpz_srcptr X, int64_t t, uint64_t bits, bool twoThreads,
                            CancelToken abort, mpz_ptr V, uint64_t* errorUnits,
                            WorkProgress* progress) {
  const size_t length = mpz_sizeinbase(X, 2);
  if (length <= kShortArgumentBits) {
    return ShortLog(X, 0, t, bits, twoThreads, abort, progress, V, errorUnits);
  }
  // Each round costs about as much as one series of the short way.
  if (progress != nullptr) progress->ExpectSteps(NearOneRounds(bits, kLongArgumentHeadBits - 2));
  // X = head * 2^shift * (1 + small): the head by the short way, the rest near 1.
  const uint64_t shift = length - kLongArgumentHeadBits;
  Mpz head, U;
  mpz_tdiv_q_2exp(head.get(), X, shift);
  const LogSeriesStatus status = ShortLog(head.get(), static_cast<int64_t>(shift), t, bits,
                                          twoThreads, abort, progress, V, errorUnits);
  if (status != LogSeriesStatus::kDone) return status;
  // U = 2^bits * X / (head * 2^shift), within 2^(bits - head bits + 1) of 2^bits.
  mpz_mul_2exp(U.get(), X, bits);
  mpz_mul_2exp(head.get(), head.get(), shift);
  DivMpzNear(U.get(), U.get(), head.get(), twoThreads);
  if (abort.IsCancelled()) return LogSeriesStatus::kAborted;
  *errorUnits += 1 + kNearUnits;
  if (!AddLogNearOne(U.get(), bits, kLongArgumentHeadBits - 2, twoThreads, abort, progress, V,
                     errorUnits))
    return LogSeriesStatus::kAborted;
  return LogSeriesStatus::kDone;
}

}  // namespace vpx
