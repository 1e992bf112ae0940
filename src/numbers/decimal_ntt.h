// The product of large base-10^19 limb numbers by number-theoretic transforms over three
// primes near 2^62, with no binary expansion of the limbs (the Kronecker product of
// decimal_limbs.h spreads each limb over more than twice its bits).
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/cancel_token.h"

namespace vpx::mynum {

// Longest product the transforms take (limbs of a x b, 5 million digits); their twiddle
// tables grow with the length (96 bytes per coefficient).
constexpr size_t kNttMaxLimbs = size_t{1} << 18;

// out[0 .. na + nb) = a x b, every limb below 10^19, na + nb <= kNttMaxLimbs; a and b may
// be the same array (a square: one transform fewer). twoThreads: one prime's transforms run
// on a second thread (same result). Throws DecimalCancelled when the token is cancelled
// between transforms, std::bad_alloc when memory runs out.
void MulDecimalLimbsNtt(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, uint64_t* out,
                        CancelToken cancel, bool twoThreads = false);

}  // namespace vpx::mynum
