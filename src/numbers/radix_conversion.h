// Decimal digits of a binary fraction by a scaled remainder tree: each node multiplies its
// fraction by a power of ten and keeps only the fractional bits its right half needs, so the
// conversion costs one product per node and no division. Every digit is proven.
#pragma once

#include <gmp.h>

#include <cstdint>
#include <string>

#include "host/cancel_token.h"

namespace vpx {

enum class FractionDigitsStatus { kDone, kUnsettled, kCancelled };

// Bits beyond the digits' own that a fraction should carry; the tree spends about one per
// level and the rest makes an unsettled digit (a cut beside a long run of 9s or 0s) rare.
constexpr uint32_t kFractionGuardBits = 96;

// Bits a fraction needs for `digits` decimal digits with guardBits to spare.
uint64_t FractionBitsFor(uint64_t digits, uint32_t guardBits = kFractionGuardBits);

// Appends the first `digits` decimal digits ('0'..'9') of y, known only as
// V / 2^bits <= y <= (V + U) / 2^bits, to *out: floor(y * 10^digits), zero padded, each one
// proven. kUnsettled (and *out as it was) when the bits cannot prove them: two values of the
// range differ in a kept digit, or a run of some guardBits / 3.3 nines or zeros lies across
// the cut or one of the tree's inner splits, or bits are too few. kCancelled when abort is
// raised (polled between products). twoThreads: the top split's two halves run at once,
// giving the same digits.
FractionDigitsStatus FractionDigits(mpz_srcptr V, uint64_t bits, uint64_t U, uint64_t digits,
                                    CancelToken abort, std::string* out, bool twoThreads = false);

}  // namespace vpx
