// Products of large GMP integers through the transform products of decimal_ntt.h, which
// beat GMP's own from a few thousand limbs on; shorter ones stay with mpz_mul. The series,
// roots and conversions that work on binary integers multiply through here.
#pragma once

#include <gmp.h>

#include <cstddef>

namespace vpx {

// r = a * b (r may be a or b). twoThreads: one prime's transforms on a second core. Throws
// what the big-number allocation functions throw when memory runs out, as mpz_mul does.
void MulMpz(mpz_ptr r, mpz_srcptr a, mpz_srcptr b, bool twoThreads = false);

// One signed sum of products for MulMpzSums: result = a0 b0 (+ a1 b1).
struct MpzProductSum {
  mpz_ptr result;
  mpz_srcptr a[2];
  mpz_srcptr b[2];
  size_t count;  // 1 or 2
};
constexpr size_t kMostMpzSums = 4;

// Each sum's result (results may be operands of any sum; at most kMostMpzSums sums): on
// the vector transforms with each distinct factor transformed once and each sum formed
// before its one inverse transform, where the products would go through the transforms;
// else by MulMpz and mpz_add. Throws as MulMpz.
void MulMpzSums(const MpzProductSum* sums, size_t count, bool twoThreads = false);

// Whether a product of operands of these limb counts goes through the transforms.
bool MpzProductUsesTransforms(size_t na, size_t nb);

// Tests and benchmarks: the shortest operand (limbs) that goes through the transforms
// (0: the default; SIZE_MAX: never).
void SetMpzTransformLeastLimbsForTest(size_t limbs);

}  // namespace vpx
