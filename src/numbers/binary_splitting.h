// Sums of hypergeometric series by binary splitting in GMP integers, shared by pi, the
// logarithm and e. The sum is S = sum over n of a(n)/b(n) * p(n0)...p(n) / (q(n0)...q(n)),
// kept exact as T / (B * Q); long sums may split their top level across two threads.
#pragma once

#include <gmp.h>

#include <cstdint>

#include "numbers/math_decimal.h"
#include "numbers/my_numeric.h"
#include "numbers/work_progress.h"

namespace vpx {

// One series: the factors of its term n. b stays 1 for series without denominators.
class SplitSeries {
 public:
  virtual ~SplitSeries() = default;
  virtual void Term(uint64_t n, mpz_ptr p, mpz_ptr q, mpz_ptr a, mpz_ptr b) const = 0;
  virtual bool HasDenominators() const = 0;
  // Ranges this short are summed term after term: 16 for terms of a word or two (measured:
  // 15% faster than a tree down to single terms); series of long terms take fewer, as
  // each step of a run multiplies the whole run by a term.
  virtual uint64_t LeafRun() const { return 16; }
};

// The exact partial products and sum of a range of terms.
struct SplitSums {
  Mpz P, Q, T, B;  // B stays 1 without denominators
};

// Sums terms n0 ... n1-1 (n0 < n1) into out. needP: whether out->P is wanted (the top of a
// sum rarely needs it). twoThreads: the two halves of the top level run at the same time;
// the result is the same either way. Polls abort between products; false when raised.
// progress (may be null): the sum is its next step, counted as the splitting tree's merges.
bool SumSeries(const SplitSeries& series, uint64_t n0, uint64_t n1, bool needP, bool twoThreads,
               CancelToken abort, SplitSums* out, WorkProgress* progress = nullptr);

// A series of one ratio r = p / q (p, q > 0), as the arctangents': S = sum over n in
// [0, N) of r^n / b(n). The partial products of p and q are the powers p^m and q^m of a
// range's length m: made once per length, not per range, nor merged; each merge is
// T = T1 B2 q^m2 + p^m1 B1 T2 and B = B1 B2.
class RatioSeries {
 public:
  virtual ~RatioSeries() = default;
  virtual void Denominator(uint64_t n, mpz_ptr b) const = 0;
  // Ranges this short are summed term after term (as SplitSeries::LeafRun).
  virtual uint64_t LeafRun() const { return 16; }
};

// A sum over a range as T / (B q^(m-1)) for the range's length m; the whole sum as q T / B.
struct RatioSums {
  Mpz T, B;
};

// Sums terms 0 ... terms-1 (terms > 0) of the series of ratio p / q into out, the whole sum
// as q T / B; otherwise as SumSeries.
bool SumRatioSeries(const RatioSeries& series, mpz_srcptr p, mpz_srcptr q, uint64_t terms,
                    bool twoThreads, CancelToken abort, RatioSums* out,
                    WorkProgress* progress = nullptr);

// Whether a second thread can help (more than one core).
bool SecondCoreAvailable();

}  // namespace vpx
