// The square root of a short fraction X / D as a long binary fraction, without a division:
// Newton's iteration for the inverse root and one Karp-Markstein step, with an error bound
// proven from the iteration rather than checked by squaring the result.
#pragma once

#include <gmp.h>

#include <cstdint>

#include "host/cancel_token.h"

namespace vpx {

// Fractions shorter than this many bits take an integer square root instead.
constexpr uint64_t kNewtonRootMinBits = 512;

// For y = sqrt(X / D) with 0.01 <= X / D < 1 and bits >= kNewtonRootMinBits: r with
// r - 1 <= y * 2^bits <= r + 2. Polls abort between its products; false when raised.
bool ShortRootTimesPowerOfTwo(uint64_t X, uint64_t D, uint64_t bits, CancelToken abort, mpz_ptr r);

}  // namespace vpx
