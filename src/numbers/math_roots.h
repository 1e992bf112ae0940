// Square roots and integer powers of decimal values, computed exactly (GMP integers) or
// with guarded MPFR approximations whose every kept digit is proven, then fitted to a
// result size by the number class's rules.
#pragma once

#include <cstdint>

#include "numbers/math_decimal.h"
#include "numbers/radix_conversion.h"

namespace vpx {

// sqrt(x) for x >= 0, truncated to resultSize digits counted from the first integer
// digit (a value below one counts its units digit 0); an integer part longer than
// resultSize saturates to nines.
DecimalDigits SquareRootDigits(const DecimalDigits& x, uint32_t resultSize);
// As above, polling abort between its products; false (and *out untouched) when raised.
// guardBits: the fraction's spare bits (tests lower them to force the exact route).
bool SquareRootDigits(const DecimalDigits& x, uint32_t resultSize, CancelToken abort,
                      DecimalDigits* out, uint32_t guardBits = kFractionGuardBits);

enum class PowStatus { kOk, kDivisionByZero };

// x^n fitted to resultSize. n > 0: rounded half up on the magnitude to resultSize digits
// (the multiplication rule), an integer part longer than resultSize saturating to nines.
// n < 0: 1 / x^|n| cut as division cuts its quotient. n = 0: 1. Never loops |n| times.
PowStatus PowDigits(const DecimalDigits& x, int32_t n, uint32_t resultSize, DecimalDigits* out);

}  // namespace vpx
