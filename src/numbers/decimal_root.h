// The square root of a short integer times a power of ten straight in decimal limbs:
// Newton's iteration for the inverse root on the decimal transforms, its precision doubling,
// then one exact square that proves every digit. No binary form, so no radix conversion.
#pragma once

#include <cstdint>
#include <string>

#include "host/cancel_token.h"

namespace vpx {

enum class DecimalRootStatus { kDone, kUnproven, kCancelled };

// Whether a root of this many digits takes the decimal route (from the crossover
// kDecimalRootLeastDigits in decimal_root.cpp on; shorter ones take the binary route).
bool UseDecimalRoot(uint64_t rootDigits);
// Tests: the crossover (0: the default).
void SetDecimalRootLeastDigitsForTest(uint64_t digits);
// The largest X the decimal root takes.
constexpr uint64_t kDecimalRootMostX = 10'000'000'000'000'000ULL;  // 10^16

// Digit values (most significant first, no leading zeros) of floor(sqrt(X * 10^(2h))) for
// 0 < X <= kDecimalRootMostX. kUnproven when the estimate could not be corrected within a few
// units (the caller computes another way); kCancelled when abort was raised. Polls abort
// between the products; out of memory ends in std::bad_alloc as GMP's allocations do.
DecimalRootStatus DecimalRootDigits(uint64_t X, uint64_t h, CancelToken abort, std::string* digits);

// Tests: how many roots came out unproven (never, unless the iteration is wrong).
uint64_t DecimalRootUnproven();

}  // namespace vpx
