// n! computed in base-10^19 limbs, so that its decimal digits need no radix conversion:
// n! = ((n/2)!)^2 * swing(n), the prime swing being a product of prime powers gathered
// into words and multiplied by a balanced tree. Callers hold a BignumScope.
#pragma once

#include <cstdint>

#include "host/cancel_token.h"
#include "host/job_progress.h"
#include "numbers/decimal_limbs.h"

namespace vpx::mynum {

// n! as limbs (least significant first, no top zero limbs). twoThreads: the top level's
// swing is gathered on a second thread while the recursion runs on this one; the result is
// the same. progress (may be null) is started and advanced per level up to its total.
// Throws DecimalCancelled when the token is cancelled, std::bad_alloc when memory runs out.
DecimalLimbs DecimalFactorial(uint32_t n, bool twoThreads, CancelToken cancel,
                              JobProgress* progress);

}  // namespace vpx::mynum
