// Arithmetic modulo one prime below 2^63 on 64-bit words: Montgomery products for pointwise
// products and constants, plain products for the set-up of tables. The transform products
// use it for the reconstruction of coefficients and for their scalar transforms.
#pragma once

#include <cstdint>

namespace vpx::mynum {

using Uint128 = unsigned __int128;

// How a transform of length m wraps its operand: cyclic (the product modulo x^m - 1; words
// past m fold onto the start) or negacyclic (modulo x^m + 1: the words weighted by the
// powers of a root of order 2m, which the tables of length 2m hold).
enum class Wrap { kCyclic, kNegacyclic };

constexpr uint64_t InverseModWord(uint64_t p) {
  uint64_t x = p;  // correct to 3 bits for odd p; each step doubles them
  for (int i = 0; i < 5; ++i) x *= 2 - p * x;
  return x;
}

// Arithmetic modulo one prime p < 2^62: Montgomery products (R = 2^64) for the pointwise
// products and the constants (kept multiplied by R, so that a Montgomery product with one
// of them gives a plain residue); the transforms' fixed twiddles use Shoup's products.
struct PrimeField {
  uint64_t p;
  uint64_t generator;
  uint64_t pinv;  // p^-1 mod 2^64

  explicit constexpr PrimeField(uint64_t prime, uint64_t g)
      : p(prime), generator(g), pinv(InverseModWord(prime)) {}

  // a * b / R mod p for a * b < p * 2^64.
  uint64_t Mul(uint64_t a, uint64_t b) const {
    const Uint128 t = Uint128{a} * b;
    const uint64_t m = static_cast<uint64_t>(t) * pinv;
    const uint64_t hi = static_cast<uint64_t>(t >> 64);
    const uint64_t mh = static_cast<uint64_t>((Uint128{m} * p) >> 64);
    return hi >= mh ? hi - mh : hi - mh + p;
  }
  uint64_t Add(uint64_t a, uint64_t b) const {
    const uint64_t s = a + b;
    return s >= p ? s - p : s;
  }
  uint64_t Sub(uint64_t a, uint64_t b) const { return a >= b ? a - b : a - b + p; }
  // Plain modular arithmetic for the tables' set-up.
  uint64_t MulPlain(uint64_t a, uint64_t b) const {
    return static_cast<uint64_t>(Uint128{a} * b % p);
  }
  uint64_t PowPlain(uint64_t a, uint64_t e) const {
    uint64_t r = 1;
    for (; e != 0; e >>= 1, a = MulPlain(a, a)) {
      if (e & 1) r = MulPlain(r, a);
    }
    return r;
  }
  uint64_t ToMontgomery(uint64_t a) const {
    return static_cast<uint64_t>((Uint128{a % p} << 64) % p);
  }
  uint64_t Reduce(uint64_t a) const {  // a < 3p (a limb, or a residue of a larger prime)
    a = a >= 2 * p ? a - 2 * p : a;
    return a >= p ? a - p : a;
  }
};

}  // namespace vpx::mynum
