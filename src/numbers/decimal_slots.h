// Decimal numbers as base-10^17 limbs (least significant first): the full and the
// wrap-around products of the decimal quotient, by the decimal transforms from their
// crossover on, and below it in Kronecker slots of whole binary limbs (two, or three for
// sums of more than kMostSlotTerms products). Whole-limb slots let the binary wrap-around
// product take almost any size; the transforms' wrap-around is cyclic by nature. Either
// way a product mod 10^(17 m) - 1 costs about half the full one. Callers hold a
// BignumScope.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "host/cancel_token.h"
#include "numbers/decimal_ntt.h"

namespace vpx::mynum {

constexpr uint32_t kSlotLimbDigits = 17;
constexpr uint64_t kSlotLimbBase = 100'000'000'000'000'000ULL;  // 10^17
// Two binary limbs hold this many limb products and a carry: 2^15 10^34 + 2^72 < 2^128 - 1.
constexpr size_t kMostSlotTerms = size_t{1} << 15;

using SlotLimbs = std::vector<uint64_t>;

// Arithmetic on whole base-10^17 numbers held as limb vectors (least significant first).
// Drops the top zero limbs.
void Trim(SlotLimbs& v);
// -1, 0 or 1 as a <, = or > b (both trimmed).
int Compare(const SlotLimbs& a, const SlotLimbs& b);
// a += b.
void AddInPlace(SlotLimbs& a, const SlotLimbs& b);
// a -= b where a >= b; a comes out trimmed.
void SubInPlace(SlotLimbs& a, const SlotLimbs& b);

// out[0 .. na + nb) = a x b, every limb below 10^17.
void MulSlotLimbs(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, uint64_t* out,
                  CancelToken cancel);

// a x b mod (10^(17 m) - 1) in m limbs, for some m >= minLength; operands of any length.
// Zero may come out as m limbs of 10^17 - 1.
SlotLimbs MulModSlotLimbs(const uint64_t* a, size_t na, const uint64_t* b, size_t nb,
                          size_t minLength, CancelToken cancel);

// Wrap-around products of several operands with one b: a x b mod (10^(17 m) - 1) for one
// m >= minLength, as MulModSlotLimbs; when they go through the transforms, b's are made
// once. b must outlive the object.
class WrapProductsBy {
 public:
  WrapProductsBy(const uint64_t* b, size_t nb, size_t minLength, CancelToken cancel);
  SlotLimbs Times(const uint64_t* a, size_t na, CancelToken cancel) const;

 private:
  const uint64_t* b_;
  size_t nb_;
  size_t minLength_;
  std::shared_ptr<const NttTransforms> transforms_;  // null: each product on its own
};

// v[0 .. n) mod (10^(17 m) - 1) in m limbs.
SlotLimbs FoldSlotLimbs(const uint64_t* v, size_t n, size_t m);

}  // namespace vpx::mynum
