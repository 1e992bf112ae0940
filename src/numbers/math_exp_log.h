// The number e and natural logarithms to a chosen number of digits, with every kept digit
// proven: e and logarithms by series summed with binary splitting in GMP integers, with an
// error bound that must settle each digit before it is kept.
#pragma once

#include <cstdint>

#include "host/job_progress.h"
#include "numbers/math_decimal.h"
#include "numbers/my_numeric.h"
#include "numbers/radix_conversion.h"

namespace vpx {

// e truncated to `digits` significant digits (0 counts as 1): 10 gives 2.718281828. The
// series may use a second core with twoThreads. Polls abort between its products; false
// (and *out untouched) when raised. progress (may be null) reaches its end with the digits.
// guardBits: spare bits of the binary fraction whose digits are kept (tests lower them to
// force the decimal route).
bool NapierDigits(uint32_t digits, bool twoThreads, CancelToken abort, DecimalDigits* out,
                  JobProgress* progress = nullptr, uint32_t guardBits = kFractionGuardBits);

// ln x for x > 0, truncated toward zero to `digits` digits counted from the units digit
// (ln 2 to 10 digits is 0.693147180, its trailing zero kept); an integer part longer than
// that is kept whole.
// The series may use a second core with twoThreads; the first attempt keeps guardBits
// beyond the kept digits (tests lower it to force the settling path). Polls abort between
// its products; false (and *out untouched) when raised. progress (may be null) reaches its
// end with the digits.
constexpr uint32_t kLogGuardBits = 64;
bool LogEDigits(const DecimalDigits& x, uint32_t digits, CancelToken abort, DecimalDigits* out,
                bool twoThreads = false, uint32_t guardBits = kLogGuardBits,
                JobProgress* progress = nullptr);

}  // namespace vpx
