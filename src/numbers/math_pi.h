// The number pi to a chosen number of digits, every kept digit proven: Chudnovsky's series
// summed by binary splitting, with more guard digits whenever the cut lands too close to a
// digit boundary.
#pragma once

#include <cstdint>

#include "host/job_progress.h"
#include "numbers/math_decimal.h"
#include "numbers/my_numeric.h"

namespace vpx {

constexpr uint32_t kPiGuardDigits = 12;

// pi cut to `digits` significant digits (0 counts as 1): 10 gives 3.141592653.
// twoThreads lets the series use a second core (same digits either way). guardDigits is
// the first attempt's margin (tests lower it to force the settling path). Polls abort;
// false (and *out untouched) when raised. progress (may be null) reaches its end with the
// digits.
bool PiDigits(uint32_t digits, bool twoThreads, CancelToken abort, DecimalDigits* out,
              uint32_t guardDigits = kPiGuardDigits, JobProgress* progress = nullptr);

}  // namespace vpx
