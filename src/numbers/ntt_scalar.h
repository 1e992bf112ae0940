// Number-theoretic transforms modulo three primes below 2^62 on scalar 64-bit words, for
// every processor: the transform products (decimal_ntt.cpp) use them where the IFMA kernels
// (ntt_ifma.h) cannot run, with the same interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "host/cancel_token.h"
#include "numbers/ntt_prime_field.h"

namespace vpx::mynum::scalar62 {

// c * 2^32 + 1, below 2^62: transforms of any length up to 2^32.
constexpr PrimeField kFields[3] = {
    PrimeField(0x3fffffee00000001ULL, 3),
    PrimeField(0x3fffffb400000001ULL, 19),
    PrimeField(0x3fffffa000000001ULL, 3),
};
// Sums of limb products up to 2^26 * 10^38 (or 2^57 * 2^128) stay below the product of the
// primes (2^185.9).

// The twiddle factors of the three primes for transforms up to a length.
struct Tables;
// Tables up to 2^17 are kept for the process; longer ones are built for the caller, null
// when the token is cancelled meanwhile. Throws std::bad_alloc.
std::shared_ptr<const Tables> TablesFor(size_t length, CancelToken cancel);

// Drops the tables kept for the process when no product holds them (memory ran short);
// true when there were any. Never waits for a table being built.
bool ReleaseCachedTables();
// Drops the tables longer than those kept for the process.
void ReleaseLongTables();

// to[0 .. length) = the forward transform modulo prime i of limbs[0 .. n) padded with zeros,
// in bit-reversed order, residues below 2p. The words past the length fold onto the start
// (added, or with alternating signs when negacyclic).
void LoadForward(int i, const Tables& t, const uint64_t* limbs, size_t n, size_t length,
                 uint64_t* to, Wrap wrap);
// a[k] = a[k] b[k] / 2^64 mod p for k < n (inputs below 2p, results below p).
void MulPointwise(int i, uint64_t* a, const uint64_t* b, size_t n);
// sum[k] = sum[k] + x[k] y[k] / 2^64 mod p (sum below p, x and y below 2p; results below p).
void MulAddPointwise(int i, uint64_t* sum, const uint64_t* x, const uint64_t* y, size_t n);
// The inverse transform of a[0 .. length) (bit-reversed order in) divided by the length, the
// pointwise products' factor 2^-64 undone: out[0 .. n) in natural order, residues below p.
// Negacyclic: the inverse of LoadForward's weighting too.
void InverseScaled(int i, const Tables& t, uint64_t* a, size_t length, uint64_t* out, size_t n,
                   Wrap wrap);

// acc[k] = acc[k] + x[k] (or - x[k]) mod p for k < n, residues below p.
void AddResidues(int i, uint64_t* acc, const uint64_t* x, size_t n, bool subtract);
// a[k] = a[k] / 2 mod p for k < n, residues below p.
void HalveResidues(int i, uint64_t* a, size_t n);

}  // namespace vpx::mynum::scalar62
