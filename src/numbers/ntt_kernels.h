// The two sets of transform kernels behind the transform products: scalar transforms modulo
// primes below 2^62 on every processor, vector (AVX-512 IFMA) ones modulo primes below 2^50
// where the processor has them; the choice between them, and the working arrays.
#pragma once

#include <gmp.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "host/cancel_token.h"
#include "numbers/ntt_prime_field.h"

namespace vpx::mynum {

// One prime's share of a transform product on one set of three primes: tables, transforms
// and pointwise products (the functions of ntt_scalar.h or ntt_ifma.h).
class TransformKernels {
 public:
  virtual ~TransformKernels() = default;
  virtual const PrimeField& Field(int i) const = 0;
  // The three primes' fields, largest first.
  const PrimeField* Fields() const { return &Field(0); }
  // The tables for transforms up to length; null when the token was cancelled while a long
  // one was built.
  virtual std::shared_ptr<const void> TablesFor(size_t length, CancelToken cancel) const = 0;
  virtual void LoadForward(int i, const void* tables, const uint64_t* limbs, size_t n,
                           size_t length, uint64_t* to, Wrap wrap = Wrap::kCyclic) const = 0;
  virtual void MulPointwise(int i, uint64_t* a, const uint64_t* b, size_t n) const = 0;
  virtual void MulAddPointwise(int i, uint64_t* sum, const uint64_t* x, const uint64_t* y,
                               size_t n) const = 0;
  virtual void InverseScaled(int i, const void* tables, uint64_t* a, size_t length, uint64_t* out,
                             size_t n, Wrap wrap = Wrap::kCyclic) const = 0;
  // acc[k] = acc[k] +- x[k] and a[k] = a[k] / 2 modulo prime i (residues below it).
  virtual void AddResidues(int i, uint64_t* acc, const uint64_t* x, size_t n,
                           bool subtract) const = 0;
  virtual void HalveResidues(int i, uint64_t* a, size_t n) const = 0;
  // n coefficients from their residues r1, r2, r3 (below each prime), in place: the three
  // 64-bit words of each (Garner's reconstruction), least significant in r1.
  virtual void CoefficientWords(uint64_t* r1, uint64_t* r2, uint64_t* r3, size_t n) const = 0;
};

// Longest shorter operand whose coefficients the vector kernels' primes hold: 2^21 (2^64)^2
// and 2^23 (10^19)^2 stay below their product (2^149.99).
constexpr size_t kVectorMostBinaryLimbs = size_t{1} << 21;
constexpr size_t kVectorMostDecimalLimbs = size_t{1} << 23;

// The vector kernels where the processor has them, the transform is long enough for them and
// their primes hold the coefficients (the shorter operand's limbs bound their count); the
// scalar ones otherwise.
const TransformKernels& KernelsFor(size_t length, size_t shorter, bool binaryLimbs);
// The vector kernels, or null where they cannot run (or tests asked for the scalar ones).
const TransformKernels* VectorKernels();

// A product of n coefficients as transforms of several lengths that add up to n or a little
// more, instead of one transform of bit_ceil(n) (up to twice n): distinct powers of two,
// longest first, negacyclic (modulo x^L + 1) but for the last, cyclic (modulo x^L - 1).
// These moduli are coprime and their product has degree total >= n, so the residues fix the
// product (CombinePieces). Operands of any length fold onto each piece.
constexpr size_t kMostPieces = 4;
struct TransformPieces {
  size_t length[kMostPieces];
  size_t count;
  size_t total;  // the lengths' sum
  Wrap WrapOf(size_t piece) const { return piece + 1 == count ? Wrap::kCyclic : Wrap::kNegacyclic; }
};
// The pieces for n coefficients, each at least `least` long and at least a sixteenth of
// bit_ceil(n) (shorter pieces would save little and cost a pass over the operands each).
TransformPieces PlanPieces(size_t n, size_t least);
// One cyclic transform of `length`: a wrap-around product's plan.
TransformPieces CyclicPlan(size_t length);
// c[0 .. n) modulo prime i of k from its residues modulo the pieces, r[0 .. plan.total)
// (each piece's residues in order, below p; r is overwritten), into out[0 .. n).
void CombinePieces(const TransformKernels& k, int i, uint64_t* r, const TransformPieces& plan,
                   uint64_t* out, size_t n);

// Working arrays come from the big-number allocation functions, so that running out of
// memory here fails like it does inside GMP (and tests can make it fail).
template <class T>
struct BignumAllocator {
  using value_type = T;
  BignumAllocator() = default;
  template <class U>
  explicit BignumAllocator(const BignumAllocator<U>&) {}
  T* allocate(size_t n) {
    void* (*alloc)(size_t) = nullptr;
    mp_get_memory_functions(&alloc, nullptr, nullptr);
    return static_cast<T*>(alloc(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) {
    void (*release)(void*, size_t) = nullptr;
    mp_get_memory_functions(nullptr, nullptr, &release);
    release(p, n * sizeof(T));
  }
  // Elements start uninitialised: every array is written before it is read.
  template <class U>
  void construct(U* p) {
    ::new (static_cast<void*>(p)) U;
  }
  bool operator==(const BignumAllocator&) const = default;
};

using Residues = std::vector<uint64_t, BignumAllocator<uint64_t>>;

// A value of three words, least significant first.
struct Words3 {
  uint64_t w[3] = {0, 0, 0};
};

// Garner's reconstruction of coefficients from their residues modulo three primes on
// scalar words: the mixed-radix digits k2, k3 and the value below the primes' product as
// three words.
class Garner {
 public:
  explicit Garner(const PrimeField* fields);
  // The coefficients' words from r1, r2, r3 in place (as TransformKernels::CoefficientWords).
  void Words(uint64_t* r1, uint64_t* r2, uint64_t* r3, size_t n) const;
  // r1 + p1 (k2 + p2 k3).
  Words3 Value(uint64_t r1, uint64_t k2, uint64_t k3) const {
    const Uint128 u = Uint128{p2_} * k3 + k2;
    const Uint128 lo = Uint128{p1_} * static_cast<uint64_t>(u);
    const Uint128 mid = (lo >> 64) + Uint128{p1_} * static_cast<uint64_t>(u >> 64);
    const Uint128 low = Uint128{static_cast<uint64_t>(lo)} + r1;
    const Uint128 high = (low >> 64) + static_cast<uint64_t>(mid);
    Words3 x;
    x.w[0] = static_cast<uint64_t>(low);
    x.w[1] = static_cast<uint64_t>(high);
    x.w[2] = static_cast<uint64_t>(high >> 64) + static_cast<uint64_t>(mid >> 64);
    return x;
  }
  // The product of the three primes.
  const Words3& Modulus() const { return modulus_; }

 private:
  const PrimeField* f_;
  uint64_t p1_, p2_;
  uint64_t inv12_, inv13_, inv23_;
  Words3 modulus_;
};

}  // namespace vpx::mynum
