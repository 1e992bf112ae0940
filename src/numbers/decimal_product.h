// Decimal-native product and quotient of digit strings (one digit value per byte, least
// significant first): digits packed into base-10^19 limbs, multiplied by the decimal
// transforms (or, below their crossover, by Kronecker substitution through one mpn_mul),
// and divided by a Newton reciprocal with exact settling.
#pragma once

#include <cstdint>

#include "host/cancel_token.h"

namespace vpx::mynum {

enum class DecimalStatus { kDone, kCancelled, kNoMemory };

// out[0 .. na+nb) = a x b. The token is polled between the packing, the binary product
// and the unpacking; on a cancel out holds nothing of use.
DecimalStatus MulDecimal(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb, uint8_t* out,
                         CancelToken cancel);

// Quotient digits of floor(A * 10^shift / B) into q[0 .. places), as DivLong: A = a[0 .. na),
// B = b[0 .. nb) with b's top digit nonzero, shift may be negative, the quotient below
// 10^places. Blocks of the quotient come from one Newton reciprocal of the divisor, each
// settled exactly against the remainder. On a cancel q holds zeros.
DecimalStatus DivDecimal(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb,
                         int64_t shift, uint8_t* q, uint32_t places, CancelToken cancel);
// How often DivDecimal found its estimate too far off and divided through GMP instead;
// never, unless the reciprocal is wrong (tests watch it).
uint64_t DivDecimalFallbacks();

}  // namespace vpx::mynum
