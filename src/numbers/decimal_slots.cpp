#include "numbers/decimal_slots.h"

#include <gmp.h>

#include <algorithm>
#include <memory>

#include "numbers/binary_splitting.h"
#include "numbers/decimal_limbs.h"
#include "numbers/decimal_ntt.h"

// GMP 6 exports its wrap-around product (not public API): rp[0 .. rn) = a b mod
// (2^(64 rn) - 1), fastest at the sizes next_size returns. Elsewhere a full product is
// folded, with the same result.
#if __GNU_MP_VERSION == 6
extern "C" {
void __gmpn_mulmod_bnm1(mp_ptr rp, mp_size_t rn, mp_srcptr ap, mp_size_t an, mp_srcptr bp,
                        mp_size_t bn, mp_ptr tp);
mp_size_t __gmpn_mulmod_bnm1_next_size(mp_size_t n);
}
#define VPX_GMP_MULMOD 1
#endif

namespace vpx::mynum {
namespace {

static_assert(GMP_NUMB_BITS == 64, "the slots assume 64-bit limbs without nails");

constexpr size_t kPollSlots = 1u << 16;

using Binary = std::vector<mp_limb_t>;
using Wide = unsigned __int128;

// Binary limbs per slot: two hold kMostSlotTerms limb products and a carry, three any
// number (up to 2^70).
size_t SlotWidth(size_t terms) {
  return terms <= kMostSlotTerms ? 2 : 3;
}

// Limb i in binary limbs w i .. w i + w - 1, without top zero limbs (at least one limb).
Binary Spread(const uint64_t* v, size_t n, size_t w) {
  Binary out(w * n, 0);
  for (size_t i = 0; i < n; ++i) out[w * i] = v[i];
  while (out.size() > 1 && out.back() == 0) out.pop_back();
  return out;
}

// v = q 10^17 + r with the remainder returned; q must fit 64 bits.
uint64_t DivBase(Wide v, uint64_t& q) {
#if defined(__x86_64__)
  uint64_t r = 0;
  asm("divq %4"
      : "=a"(q), "=d"(r)
      : "a"(static_cast<uint64_t>(v)), "d"(static_cast<uint64_t>(v >> 64)), "rm"(kSlotLimbBase));
  return r;
#else
  q = static_cast<uint64_t>(v / kSlotLimbBase);
  return static_cast<uint64_t>(v % kSlotLimbBase);
#endif
}

// v = carry 10^17 + (returned limb); the carry (below 2^128 / 10^17) comes back in v.
uint64_t SplitBase(Wide& v) {
  const auto high = static_cast<uint64_t>(v >> 64);
  const uint64_t top = high / kSlotLimbBase;  // a constant divisor: a multiplication
  uint64_t low = 0;
  const uint64_t limb = DivBase(
      (static_cast<Wide>(high - top * kSlotLimbBase) << 64) | static_cast<uint64_t>(v), low);
  v = (static_cast<Wide>(top) << 64) | low;
  return limb;
}

// Below this many limbs in the shorter operand the limbs are multiplied directly, the
// columns summed in 128 bits (24 products below 10^34 and a carry stay below 2^128): the
// binary product would be four times as many limb products.
constexpr size_t kDirectLimbs = 24;

// out[0 .. na + nb) = a x b with nb <= min(na, kDirectLimbs).
void MulDirect(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, uint64_t* out) {
  Wide column = 0;
  for (size_t j = 0; j < na + nb; ++j) {
    const size_t first = j >= na ? j - na + 1 : 0, last = std::min(j + 1, nb);
    for (size_t i = first; i < last; ++i) column += static_cast<Wide>(a[j - i]) * b[i];
    out[j] = SplitBase(column);  // column keeps the carry
  }
}

// A carry of up to three binary limbs.
struct Carry {
  mp_limb_t v[3] = {0, 0, 0};
  bool Zero() const { return v[0] == 0 && v[1] == 0 && v[2] == 0; }
};

// out[0 .. limbs) from the slots of width w in r[0 .. rn), carrying upward; returns the
// carry out of the top.
Carry Resolve(const mp_limb_t* r, size_t rn, size_t w, uint64_t* out, size_t limbs,
              CancelToken cancel) {
  auto at = [&](size_t i) -> mp_limb_t { return i < rn ? r[i] : 0; };
  Carry carry;
  Wide wide = 0;
  for (size_t j = 0; j < limbs; ++j) {
    if ((j & (kPollSlots - 1)) == kPollSlots - 1 && cancel.IsCancelled()) {
      throw DecimalCancelled{};
    }
    if (w == 2) {
      wide += at(2 * j) + (static_cast<Wide>(at(2 * j + 1)) << 64);
      out[j] = SplitBase(wide);
    } else {
      mp_limb_t v[3] = {at(3 * j), at(3 * j + 1), at(3 * j + 2)};
      mpn_add_n(v, v, carry.v, 3);
      out[j] = mpn_divrem_1(carry.v, 0, v, 3, kSlotLimbBase);
    }
  }
  if (w == 2) {
    carry.v[0] = static_cast<mp_limb_t>(wide);
    carry.v[1] = static_cast<mp_limb_t>(wide >> 64);
  }
  return carry;
}

// x += y + carry below the base (x, y below it, carry 0 or 1).
void AddLimb(uint64_t& x, uint64_t y, uint64_t& carry) {
  const uint64_t s = x + carry;
  carry = s >= kSlotLimbBase - y;
  x = carry ? s - (kSlotLimbBase - y) : s + y;
}

// A binary size for slots of width w: a multiple of w with at least w minLength limbs, one
// GMP's wrap-around product likes when it can tell.
mp_size_t WrapSize(size_t minLength, size_t w) {
  auto rn = static_cast<mp_size_t>(w * minLength);
  const auto step = static_cast<mp_size_t>(w);
#ifdef VPX_GMP_MULMOD
  for (int tries = 0; tries < 16; ++tries) {
    const mp_size_t next = __gmpn_mulmod_bnm1_next_size(rn);
    if (next % step == 0) return next;
    rn = next + 1;
  }
#endif
  return (rn + step - 1) / step * step;
}

// r[0 .. an + bn) = a b (an >= bn), GMP's allocations throwing once the token is cancelled.
void MulBinary(const Binary& a, const Binary& b, mp_limb_t* r, CancelToken cancel) {
  WithCancellableAllocations(
      cancel, [&] { MulBinaryInPieces(a.data(), a.size(), b.data(), b.size(), r, cancel); });
}

// r[0 .. rn) = a b mod (2^(64 rn) - 1), a and b below 2^(64 rn), b no longer than a.
Binary WrapProduct(const Binary& a, const Binary& b, mp_size_t rn, CancelToken cancel) {
  Binary r(static_cast<size_t>(rn));
#ifdef VPX_GMP_MULMOD
  if (static_cast<size_t>(rn) <= 2 * MostMonolithicLimbs()) {
    // GMP asks for rn + 4 + (at most rn) limbs of scratch; it writes them before it reads.
    auto scratch = std::make_unique_for_overwrite<mp_limb_t[]>(2 * static_cast<size_t>(rn) + 8);
    WithCancellableAllocations(cancel, [&] {
      __gmpn_mulmod_bnm1(r.data(), rn, a.data(), static_cast<mp_size_t>(a.size()), b.data(),
                         static_cast<mp_size_t>(b.size()), scratch.get());
    });
    return r;
  }
#endif
  // The full product folded: the same result, in pieces a cancel can stop.
  Binary full(a.size() + b.size());
  MulBinary(a, b, full.data(), cancel);
  const auto total = static_cast<mp_size_t>(full.size());
  mpn_copyi(r.data(), full.data(), std::min(rn, total));
  mp_limb_t carry = 0;
  for (mp_size_t from = rn; from < total; from += rn) {
    carry += mpn_add(r.data(), r.data(), rn, full.data() + from, std::min(rn, total - from));
  }
  while (carry != 0) carry = mpn_add_1(r.data(), r.data(), rn, carry);
  return r;
}

// a x b mod (10^(17 m) - 1) by cyclic transforms of length m, b's made before.
SlotLimbs MulModByTransforms(const uint64_t* a, size_t na, const NttTransforms& b,
                             CancelToken cancel) {
  const size_t m = TransformLength(b);
  SlotLimbs fa;
  if (na > m) {
    fa = FoldSlotLimbs(a, na, m);
    a = fa.data();
    na = m;
  }
  SlotLimbs out(m);
  MulModDecimalLimbsNtt(a, na, b, out.data(), cancel, kSlotLimbDigits,
                        m >= kNttTwoThreadLimbs && SecondCoreAvailable());
  return out;
}

// a x b mod (10^(17 m) - 1) by cyclic transforms of length m.
SlotLimbs MulModByTransforms(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, size_t m,
                             CancelToken cancel) {
  SlotLimbs fb;
  if (nb > m) {
    fb = FoldSlotLimbs(b, nb, m);
    b = fb.data();
    nb = m;
  }
  return MulModByTransforms(a, na, *TransformForWrapProducts(b, nb, m, cancel), cancel);
}

}  // namespace

void MulSlotLimbs(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, uint64_t* out,
                  CancelToken cancel) {
  const size_t limbs = na + nb;
  if (!TrimFactors(a, na, b, nb, out)) return;
  if (std::min(na, nb) <= kDirectLimbs) {
    if (na >= nb) {
      MulDirect(a, na, b, nb, out);
    } else {
      MulDirect(b, nb, a, na, out);
    }
    std::fill(out + na + nb, out + limbs, 0);
    return;
  }
  if (UseNttForProduct(na + nb)) {
    MulDecimalLimbsNtt(a, na, b, nb, out, cancel,
                       na + nb >= kNttTwoThreadLimbs && SecondCoreAvailable(), kSlotLimbDigits);
    std::fill(out + na + nb, out + limbs, 0);
    return;
  }
  const size_t w = SlotWidth(std::min(na, nb));
  Binary sa = Spread(a, na, w);
  Binary sb = Spread(b, nb, w);
  if (sa.size() < sb.size()) std::swap(sa, sb);
  if (cancel.IsCancelled()) throw DecimalCancelled{};
  Binary r(sa.size() + sb.size());
  MulBinary(sa, sb, r.data(), cancel);
  sa = Binary{};
  sb = Binary{};
  if (cancel.IsCancelled()) throw DecimalCancelled{};
  Resolve(r.data(), r.size(), w, out, limbs, cancel);
}

WrapProductsBy::WrapProductsBy(const uint64_t* b, size_t nb, size_t minLength, CancelToken cancel)
    : b_(b), nb_(nb), minLength_(minLength) {
  while (nb_ > 0 && b_[nb_ - 1] == 0) --nb_;
  const size_t m = NttWrapLength(minLength);
  if (nb_ > 0 && nb_ <= m && UseNttForProduct(minLength) && m <= kNttMaxLimbs)
    transforms_ = TransformForWrapProducts(b_, nb_, m, cancel);
}

SlotLimbs WrapProductsBy::Times(const uint64_t* a, size_t na, CancelToken cancel) const {
  if (transforms_ == nullptr) return MulModSlotLimbs(a, na, b_, nb_, minLength_, cancel);
  while (na > 0 && a[na - 1] == 0) --na;
  if (na == 0) return SlotLimbs(TransformLength(*transforms_), 0);
  return MulModByTransforms(a, na, *transforms_, cancel);
}

SlotLimbs FoldSlotLimbs(const uint64_t* v, size_t n, size_t m) {
  SlotLimbs out(m, 0);
  for (size_t from = 0; from < n; from += m) {
    const size_t len = std::min(m, n - from);
    uint64_t carry = 0;
    for (size_t j = 0; j < len; ++j) AddLimb(out[j], v[from + j], carry);
    for (size_t j = len; j < m && carry != 0; ++j) AddLimb(out[j], 0, carry);
    for (size_t j = 0; carry != 0; ++j) AddLimb(out[j], 0, carry);  // wraps once at most
  }
  return out;
}

SlotLimbs MulModSlotLimbs(const uint64_t* a, size_t na, const uint64_t* b, size_t nb,
                          size_t minLength, CancelToken cancel) {
  while (na > 0 && a[na - 1] == 0) --na;
  while (nb > 0 && b[nb - 1] == 0) --nb;
  const size_t nttLength = NttWrapLength(minLength);
  if (UseNttForProduct(minLength) && nttLength <= kNttMaxLimbs)
    return MulModByTransforms(a, na, b, nb, nttLength, cancel);
  const size_t w = SlotWidth(std::min(na, nb));
  const mp_size_t rn = WrapSize(std::max<size_t>(minLength, 1), w);
  const size_t m = static_cast<size_t>(rn) / w;
  SlotLimbs out(m, 0);
  if (na == 0 || nb == 0) return out;
  SlotLimbs fa, fb;
  if (na > m) {
    fa = FoldSlotLimbs(a, na, m);
    a = fa.data();
    na = m;
  }
  if (nb > m) {
    fb = FoldSlotLimbs(b, nb, m);
    b = fb.data();
    nb = m;
  }
  Binary sa = Spread(a, na, w);
  Binary sb = Spread(b, nb, w);
  if (sa.size() < sb.size()) std::swap(sa, sb);
  if (cancel.IsCancelled()) throw DecimalCancelled{};
  Binary r = WrapProduct(sa, sb, rn, cancel);
  sa = Binary{};
  sb = Binary{};
  if (cancel.IsCancelled()) throw DecimalCancelled{};
  // 2^(64 rn) - 1 stands for zero: every true slot sum is below 2^(64 w) - 1.
  if (std::all_of(r.begin(), r.end(), [](mp_limb_t x) { return x == ~mp_limb_t{0}; })) return out;
  Carry carry = Resolve(r.data(), r.size(), w, out.data(), m, cancel);
  // 10^(17 m) = 1: the carry out of the top counts at the bottom.
  for (size_t j = 0; !carry.Zero(); j = (j + 1) % m) {
    mp_limb_t v[3] = {out[j], 0, 0};
    mpn_add_n(v, v, carry.v, 3);
    out[j] = mpn_divrem_1(carry.v, 0, v, 3, kSlotLimbBase);
  }
  return out;
}

void Trim(SlotLimbs& v) {
  while (!v.empty() && v.back() == 0) v.pop_back();
}

int Compare(const SlotLimbs& a, const SlotLimbs& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = a.size(); i-- > 0;) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

void AddInPlace(SlotLimbs& a, const SlotLimbs& b) {
  if (a.size() < b.size()) a.resize(b.size(), 0);
  uint64_t carry = 0;
  for (size_t i = 0; i < a.size() && (i < b.size() || carry != 0); ++i) {
    const uint64_t s = a[i] + carry, y = i < b.size() ? b[i] : 0;
    carry = s >= kSlotLimbBase - y;
    a[i] = carry ? s - (kSlotLimbBase - y) : s + y;
  }
  if (carry != 0) a.push_back(1);
}

void SubInPlace(SlotLimbs& a, const SlotLimbs& b) {
  uint64_t borrow = 0;
  for (size_t i = 0; i < a.size() && (i < b.size() || borrow != 0); ++i) {
    const uint64_t y = (i < b.size() ? b[i] : 0) + borrow;  // at most the base
    borrow = a[i] < y;
    a[i] = borrow ? a[i] + (kSlotLimbBase - y) : a[i] - y;
  }
  Trim(a);
}

}  // namespace vpx::mynum
