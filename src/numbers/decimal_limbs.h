// Decimal numbers as base-10^19 limbs (least significant first) and their product by
// Kronecker substitution through one GMP multiplication: the decimal product below the
// transforms' crossover (decimal_ntt.h). Callers hold a BignumScope.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/cancel_token.h"
#include "numbers/bignum_memory.h"

namespace vpx::mynum {

constexpr uint32_t kLimbDigits = 19;
constexpr uint64_t kLimbBase = 10'000'000'000'000'000'000ULL;  // 10^19 < 2^64

using DecimalLimbs = std::vector<uint64_t>;

// Thrown by the limb routines when their token is cancelled; the operation's entry point
// catches it (with std::bad_alloc) and reports a status.
struct DecimalCancelled {};

// Limbs of the digit values d[0 .. n) (least significant first), without top zero limbs.
DecimalLimbs PackDecimalLimbs(const uint8_t* d, size_t n);

// The low `digits` digit values of the limbs l[0 .. n) into out[0 .. digits); digits beyond
// the limbs are zero.
void UnpackDecimalLimbs(const uint64_t* l, size_t n, uint8_t* out, size_t digits);

// The same for limbs of limbDigits digits (base 10^limbDigits), the digit values times
// 10^shift (a negative shift drops low digits).
DecimalLimbs PackLimbs(const uint8_t* d, size_t n, int64_t shift, uint32_t limbDigits);
void UnpackLimbs(const uint64_t* l, size_t n, uint32_t limbDigits, uint8_t* out, size_t digits);

// Drops the top zero limbs of both operands; false (out[0 .. na + nb) zeroed) when either is
// zero, so that there is nothing left to multiply.
bool TrimFactors(const uint64_t* a, size_t& na, const uint64_t* b, size_t& nb, uint64_t* out);

// out[0 .. na + nb) = a x b, every limb below 10^19; a and b may be the same array (a
// square). The token is polled between the stages and while the slots are resolved, and
// GMP's allocations inside the binary product throw once it is cancelled; a huge product
// is split into pieces with a poll between them. A cancel ends it as DecimalCancelled.
void MulDecimalLimbs(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, uint64_t* out,
                     CancelToken cancel);

// r[0 .. an + bn) = a x b in binary (an >= bn > 0; a == b with an == bn squares): one
// mpn_mul when it is short enough to stop within a fraction of a second at its
// allocations, otherwise Karatsuba halves or slices of a, the token polled between them
// (DecimalCancelled). GMP's allocations stop it only under a BignumScope with the token.
void MulBinaryInPieces(const uint64_t* a, size_t an, const uint64_t* b, size_t bn, uint64_t* r,
                       CancelToken cancel);

// The most limbs of an operand of one binary product (mpn_mul, mpn_sqr or wrap-around).
size_t MostMonolithicLimbs();
// Tests: set it (0: the default).
void SetMostMonolithicLimbsForTest(size_t limbs);

// Runs run() under a BignumScope carrying the token: GMP's allocations in it stop once the
// token is cancelled, which ends run() as DecimalCancelled (a cancel of an outer scope's
// token passes through as it is when this token has no flag).
template <typename Run>
void WithCancellableAllocations(CancelToken cancel, Run&& run) {
  try {
    BignumScope scope(cancel);
    run();
  } catch (const BignumCancelled&) {
    if (!cancel.HasFlag()) throw;
    throw DecimalCancelled{};
  }
}

}  // namespace vpx::mynum
