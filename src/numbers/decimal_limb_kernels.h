// Word-level kernels on base-10^19 limbs (see decimal_limbs.h): the division of a two-word
// value by 10^19 without a division instruction, and the product of limbs by one word
// and the schoolbook product of short operands. The
// factorial's leaves and the transform product reduce their sums with them.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "numbers/decimal_limbs.h"

namespace vpx::mynum {

using Uint128 = unsigned __int128;

// 10^19 has its top bit set, so the two-word quotient by it needs no normalising shift:
// the reciprocal floor((2^128 - 1) / 10^19) - 2^64 (Moller and Granlund).
constexpr uint64_t kLimbBaseReciprocal =
    static_cast<uint64_t>(~Uint128{0} / kLimbBase - (Uint128{1} << 64));

// (hi * 2^64 + lo) / 10^19 with its remainder in *rem; requires hi < 10^19.
inline uint64_t DivRemLimbBase(uint64_t hi, uint64_t lo, uint64_t* rem) {
  Uint128 q = Uint128{kLimbBaseReciprocal} * hi + ((Uint128{hi} << 64) | lo);
  uint64_t q1 = static_cast<uint64_t>(q >> 64) + 1;
  const uint64_t q0 = static_cast<uint64_t>(q);
  uint64_t r = lo - q1 * kLimbBase;
  // Taken about half the time: without a branch, which would mispredict.
  const uint64_t over = 0 - static_cast<uint64_t>(r > q0);
  q1 += over;
  r += over & kLimbBase;
  if (r >= kLimbBase) {  // rare
    ++q1;
    r -= kLimbBase;
  }
  *rem = r;
  return q1;
}

// (hi * 2^64 + lo) / Base with its remainder in *rem, for any Base below 2^64 and
// hi < Base: the same quotient on Base shifted to its top bit (Moller and Granlund).
template <uint64_t Base>
inline uint64_t DivRemByBase(uint64_t hi, uint64_t lo, uint64_t* rem) {
  if constexpr (Base == kLimbBase) {
    return DivRemLimbBase(hi, lo, rem);
  } else {
    constexpr int kShift = std::countl_zero(Base);
    constexpr uint64_t kDivisor = Base << kShift;
    constexpr uint64_t kReciprocal =
        static_cast<uint64_t>(~Uint128{0} / kDivisor - (Uint128{1} << 64));
    static_assert(kShift > 0 && kShift < 64);
    const uint64_t u1 = (hi << kShift) | (lo >> (64 - kShift));
    const uint64_t u0 = lo << kShift;
    const Uint128 q = Uint128{kReciprocal} * u1 + ((Uint128{u1} << 64) | u0);
    uint64_t q1 = static_cast<uint64_t>(q >> 64) + 1;
    uint64_t r = u0 - q1 * kDivisor;
    if (r > static_cast<uint64_t>(q)) {
      --q1;
      r += kDivisor;
    }
    if (r >= kDivisor) {
      ++q1;
      r -= kDivisor;
    }
    *rem = r >> kShift;
    return q1;
  }
}

// a[0 .. n) *= w (w < 10^19) in place; returns the limb carried out.
uint64_t MulLimbsByWord(uint64_t* a, size_t n, uint64_t w);

// out[0 .. na + nb) = a x b by schoolbook rows, for operands too short for a transform or a
// binary product to pay off; out must not overlap a or b.
void MulLimbsSchoolbook(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, uint64_t* out);

}  // namespace vpx::mynum
