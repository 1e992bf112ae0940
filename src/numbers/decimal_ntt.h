// The product of large decimal limb numbers (base 10^19, or 10^17) by number-theoretic
// transforms over three primes (below 2^50 on the vector kernels of ntt_ifma.h, below 2^62
// on the scalar ones), with no binary expansion of the limbs (the Kronecker product of
// decimal_limbs.h spreads each limb over more than twice its bits), their wrap-around
// product modulo 10^(digits m) - 1, and the same product of binary (GMP) limbs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "host/cancel_token.h"

namespace vpx::mynum {

// Longest product one transform takes (limbs of a x b, 5 million digits); their twiddle
// tables grow with the length (96 bytes per coefficient).
constexpr size_t kNttMaxLimbs = size_t{1} << 18;

// Whether a product of `limbs` limbs (both operands together; for a wrap-around product,
// its length) goes through the transforms rather than a binary product: from the crossover
// (kNttLeastLimbs in decimal_ntt.cpp) on; beyond one transform's length in blocks.
bool UseNttForProduct(size_t limbs);
// Tests: the crossover (0: the default; SIZE_MAX: never).
void SetNttLeastLimbsForTest(size_t limbs);
// Tests: the block length of products longer than one transform (0: the default).
void SetNttBlockLimbsForTest(size_t limbs);
// Tests: the scalar transforms even where the vector ones could run.
void SetScalarNttForTest(bool scalar);
// Whether the vector (AVX-512 IFMA) transforms run on this processor.
bool VectorNttAvailable();
// Drops the twiddle tables kept for the process (rebuilt when next needed), so that a
// failed allocation can be tried again; true when that freed any.
bool ReleaseTransformTableCaches();
// Drops the twiddle tables longer than those kept for the process (built for products of
// more than about 2.5 million digits and kept for the next ones until a job ends).
void ReleaseLongTransformTables();

// out[0 .. na + nb) = a x b, every limb below 10^limbDigits (19, or 17 for the quotient's
// slot limbs), the shorter operand at most 2^26 limbs; a and b may be the same array (a
// square: one transform fewer). Beyond kNttMaxLimbs both are cut into blocks, each
// transformed once, and the blocks' products summed in the transforms (the token polled
// after each transform and each pointwise product). twoThreads: one prime's transforms run on a
// second thread (same result) where NttSplitsPrimes. Throws DecimalCancelled when the token is
// cancelled between transforms, std::bad_alloc when memory runs out.
void MulDecimalLimbsNtt(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, uint64_t* out,
                        CancelToken cancel, bool twoThreads = false, uint32_t limbDigits = 19);

// The same product for limbs of 64 bits (GMP's limbs of a binary number), the shorter
// operand at most 2^26 limbs.
void MulBinaryLimbsNtt(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, uint64_t* out,
                       CancelToken cancel, bool twoThreads = false);

// limbDigits of binary limbs (base 2^64) for the wrap-around products below.
constexpr uint32_t kBinaryLimbDigits = 0;

// The length m >= minLength of a wrap-around product (the transform's length).
size_t NttWrapLength(size_t minLength);

// out[0 .. m) = a x b mod (10^(limbDigits m) - 1) for m from NttWrapLength (at most
// kNttMaxLimbs), na, nb <= m: one transform of length m, without the zero padding of the
// full product. Zero may come out as m limbs of 10^limbDigits - 1. twoThreads and throws
// as above.
void MulModDecimalLimbsNtt(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, size_t m,
                           uint64_t* out, CancelToken cancel, uint32_t limbDigits = 19,
                           bool twoThreads = false);

// An operand's transforms at one wrap-around length, made once for several wrap-around
// products with it (each then takes two transforms per prime instead of three).
struct NttTransforms;
// b[0 .. nb) (nb <= m, m from NttWrapLength) transformed at length m, for limbs of
// limbDigits (kBinaryLimbDigits: binary). Throws as above.
std::shared_ptr<const NttTransforms> TransformForWrapProducts(const uint64_t* b, size_t nb,
                                                              size_t m, CancelToken cancel,
                                                              uint32_t limbDigits = 19);
size_t TransformLength(const NttTransforms& t);
// out[0 .. m) = a x b mod (10^(limbDigits m) - 1) with b's transforms at length m, na <= m.
void MulModDecimalLimbsNtt(const uint64_t* a, size_t na, const NttTransforms& b, uint64_t* out,
                           CancelToken cancel, uint32_t limbDigits, bool twoThreads);

// Transforms this long (coefficients) split their primes with a second core when the caller
// allows it; shorter ones stay on the caller's thread, as two cores working on one such
// product cost more time than they save. Measured on two cores, 1 / 2 threads, real and CPU
// ms: operands of 20,000 limbs 3.1 / 2.8 real, 3.1 / 4.2 CPU; 100,000 limbs 12.5 / 11.9,
// 12.5 / 18.4; 130,000 limbs 45.8 / 41.6, 44.9 / 48.9; 260,000 limbs 102 / 85, 101 / 100.
constexpr size_t kNttTwoThreadLimbs = size_t{1} << 18;
// Whether a transform of this many coefficients splits its primes when allowed.
bool NttSplitsPrimes(size_t coefficients);
// Tests: the threshold above (0: the default).
void SetNttTwoThreadLimbsForTest(size_t limbs);

}  // namespace vpx::mynum
