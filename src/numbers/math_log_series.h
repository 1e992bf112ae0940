// Natural logarithms of decimals by series summed with binary splitting: ln 2, ln 3, ln 5
// and ln 7 from four arctangent-hyperbolic series of reciprocals, the rest of a short
// argument, divided by a nearby product of those primes, from one more series, and the
// rest of a long argument by rounds that each double its leading bits known to be 1.
#pragma once

#include <gmp.h>

#include <cstdint>

#include "numbers/my_numeric.h"
#include "numbers/work_progress.h"

namespace vpx {

enum class LogSeriesStatus { kDone, kAborted };

// ln(X * 10^t) for X > 0 in fixed point with `bits` fraction bits:
// |*V - 2^bits * ln x| <= *errorUnits. twoThreads lets each series use a
// second core (same result either way). Polls abort between products. progress (may be
// null): each series is a step of its current stage, which should expect no steps of its own.
LogSeriesStatus LogBySeries(mpz_srcptr X, int64_t t, uint64_t bits, bool twoThreads,
                            CancelToken abort, mpz_ptr V, uint64_t* errorUnits,
                            WorkProgress* progress = nullptr);

}  // namespace vpx
