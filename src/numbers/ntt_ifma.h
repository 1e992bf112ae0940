// Number-theoretic transforms modulo three primes below 2^50 on the 52-bit multiply-adds of
// AVX-512 IFMA: eight butterflies per group of instructions where the processor has them.
// The transform products (decimal_ntt.cpp) use them in place of their scalar transforms;
// both compute the exact convolution, so the products are the same either way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "host/cancel_token.h"
#include "numbers/ntt_prime_field.h"

namespace vpx::mynum::ifma {

// Whether this processor and its system run the kernels.
bool Available();

// Shortest transform the kernels take: their last three stages work on sixteen values at a
// time, the stage before them on eight.
constexpr size_t kLeastLength = 64;

// c * 2^32 + 1 below 2^50, largest first, each with a generator of its group: lazy residues
// below 4p stay below 2^52, the multiply-adds' width, and their product (2^149.99) holds
// every coefficient of limbs below 2^64 for operands up to 2^21 limbs.
constexpr uint64_t kPrimes[3] = {0x3fff300000001ULL, 0x3ffed00000001ULL, 0x3ffeb00000001ULL};
constexpr uint64_t kGenerators[3] = {5, 7, 3};
constexpr size_t kMostLength = size_t{1} << 32;

// The twiddle factors of the three primes for transforms up to a length.
struct Tables;
// Tables up to 2^17 are kept for the process (as the million-digit products use them);
// longer ones are built for the caller, null when the token is cancelled meanwhile. Throws
// std::bad_alloc.
std::shared_ptr<const Tables> TablesFor(size_t length, CancelToken cancel);

// Drops the tables kept for the process when no product holds them (memory ran short);
// true when there were any. Never waits for a table being built.
bool ReleaseCachedTables();
// Drops the tables longer than those kept for the process.
void ReleaseLongTables();

// to[0 .. length) = the forward transform modulo prime i of limbs[0 .. n) padded with zeros
// (kLeastLength <= length <= the tables' length), in bit-reversed order, residues below 2p.
// The words past the length fold onto the start (added, or with alternating signs when
// negacyclic).
void LoadForward(int i, const Tables& t, const uint64_t* limbs, size_t n, size_t length,
                 uint64_t* to, Wrap wrap);
// a[k] = a[k] b[k] / 2^52 mod p for k < n (inputs below 2p, results below p).
void MulPointwise(int i, uint64_t* a, const uint64_t* b, size_t n);
// sum[k] = sum[k] + x[k] y[k] / 2^52 mod p (sum below p, x and y below 2p; results below p).
void MulAddPointwise(int i, uint64_t* sum, const uint64_t* x, const uint64_t* y, size_t n);
// The inverse transform of a[0 .. length) (bit-reversed order in, residues below 4p) divided
// by the length, the pointwise products' factor 2^-52 undone: out[0 .. n) in natural order,
// residues below p (out may be a). Negacyclic: the inverse of LoadForward's weighting too.
void InverseScaled(int i, const Tables& t, uint64_t* a, size_t length, uint64_t* out, size_t n,
                   Wrap wrap);

// acc[k] = acc[k] + x[k] (or - x[k]) mod p for k < n, residues below p.
void AddResidues(int i, uint64_t* acc, const uint64_t* x, size_t n, bool subtract);
// a[k] = a[k] / 2 mod p for k < n, residues below p.
void HalveResidues(int i, uint64_t* a, size_t n);

// n coefficients from their residues r1, r2, r3 (each below its prime) by Garner's
// reconstruction, in place: the three 64-bit words of each, least significant in r1.
void CoefficientWords(uint64_t* r1, uint64_t* r2, uint64_t* r3, size_t n);

}  // namespace vpx::mynum::ifma
