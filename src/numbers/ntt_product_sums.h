// Sums of signed products of binary (GMP) limb numbers that share factors, on the vector
// transforms: each factor is transformed once, each sum is formed in the transforms and
// takes one inverse transform. The binary splitting merges its ranges through it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vpx::mynum {

// A factor's magnitude: n > 0 limbs, the top one nonzero.
struct LimbFactor {
  const uint64_t* limbs;
  size_t n;
};

// sign * factor[x] * factor[y].
struct LimbProductTerm {
  size_t x, y;
  bool negative;
};

// One sum of at most kMostSumTerms terms.
constexpr size_t kMostSumTerms = 2;
struct LimbSum {
  LimbProductTerm terms[kMostSumTerms];
  size_t count;
};

// Limbs a sum's result needs: its longest product's and one for the sum's carry.
size_t LimbSumRoom(const LimbFactor* factors, const LimbSum& sum);

// outs[k][0 .. LimbSumRoom) = |sums[k]|, sizes[k] its limb count without top zeros, negative
// for a negative sum. False, with nothing written, where the vector transforms cannot take
// them (no IFMA, or too long for their primes); the caller multiplies otherwise. Throws
// std::bad_alloc as the big-number allocation functions do.
bool MulSumsOfBinaryLimbs(const LimbFactor* factors, const LimbSum* sums, size_t count,
                          uint64_t* const* outs, int64_t* sizes, bool twoThreads);

}  // namespace vpx::mynum
