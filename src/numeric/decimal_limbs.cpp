#include "numeric/decimal_limbs.h"

#include <gmp.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <numeric>

// GMP 6 exports its wrap-around product (not public API): rp[0 .. rn) = a b mod
// (2^(64 rn) - 1), fastest at the sizes next_size returns. Elsewhere a full product is folded.
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

// The slots' extraction reads three binary limbs.
constexpr unsigned kLeastSlotBits = 128, kMostSlotBits = 191;
constexpr size_t kPollSlots = 1u << 16;

using Binary = std::vector<mp_limb_t>;

// Bits of a slot that holds a sum of `terms` limb products, (10^19 - 1)^2 each, kept below
// 2^bits - 1 (the binary wrap-around product's second zero is all ones).
unsigned SlotBits(size_t terms) {
  const unsigned __int128 square = static_cast<unsigned __int128>(kLimbBase - 1) * (kLimbBase - 1);
  mp_limb_t x[3] = {static_cast<mp_limb_t>(square), static_cast<mp_limb_t>(square >> 64), 0};
  x[2] = mpn_mul_1(x, x, 2, static_cast<mp_limb_t>(terms));
  mpn_add_1(x, x, 3, 1);
  unsigned bits = x[2] != 0 ? 128 + std::bit_width(x[2]) : 64 + std::bit_width(x[1]);
  return std::max(bits, kLeastSlotBits);
}

// Limb i at bit i * slot of a binary number (Kronecker substitution).
Binary Spread(const uint64_t* limbs, size_t n, unsigned slot) {
  Binary out(n * slot / 64 + 2, 0);
  for (size_t i = 0; i < n; ++i) {
    size_t pos = i * slot;
    unsigned off = pos & 63;
    out[pos >> 6] |= limbs[i] << off;
    if (off != 0) out[(pos >> 6) + 1] |= limbs[i] >> (64 - off);
  }
  while (out.size() > 1 && out.back() == 0) out.pop_back();
  return out;
}

// The slot bits at pos (128 <= slot < 192) as three limbs.
void ExtractSlot(const Binary& r, size_t pos, unsigned slot, mp_limb_t v[3]) {
  size_t w = pos >> 6;
  unsigned off = pos & 63;
  auto at = [&](size_t i) -> mp_limb_t { return i < r.size() ? r[i] : 0; };
  for (size_t k = 0; k < 3; ++k) {
    v[k] = off == 0 ? at(w + k) : (at(w + k) >> off) | (at(w + k + 1) << (64 - off));
  }
  unsigned top = slot - 128;
  v[2] &= top == 0 ? 0 : (~mp_limb_t{0} >> (64 - top));
}

// Resolves the slots of the binary product into out[0 .. limbs), carrying upward; the
// carry out of the top stays in carry.
void UnpackSlots(const Binary& r, size_t slots, unsigned slot, uint64_t* out, size_t limbs,
                 mp_limb_t carry[3], CancelToken cancel) {
  for (size_t j = 0; j < limbs; ++j) {
    if ((j & (kPollSlots - 1)) == kPollSlots - 1 && cancel.IsCancelled()) {
      throw DecimalCancelled{};
    }
    mp_limb_t v[3] = {0, 0, 0};
    if (j < slots) ExtractSlot(r, j * slot, slot, v);
    mpn_add_n(v, v, carry, 3);
    out[j] = mpn_divrem_1(carry, 0, v, 3, kLimbBase);
  }
}

// x += y + carry in base 10^19 (x, y below the base, carry 0 or 1).
void AddLimb(uint64_t& x, uint64_t y, uint64_t& carry) {
  const uint64_t s = x + carry;  // at most the base: no overflow
  carry = s >= kLimbBase - y;
  x = carry ? s - (kLimbBase - y) : s + y;
}

// A carry out of the top limb of a cyclic number counts at the bottom (10^(19 m) = 1).
void WrapCarry(uint64_t* out, size_t m, mp_limb_t carry[3]) {
  for (size_t j = 0; carry[0] != 0 || carry[1] != 0 || carry[2] != 0; j = (j + 1) % m) {
    mp_limb_t v[3] = {out[j], 0, 0};
    mpn_add_n(v, v, carry, 3);
    out[j] = mpn_divrem_1(carry, 0, v, 3, kLimbBase);
  }
}

// Slot width and length of a cyclic product: slot * limbs = 64 * binary exactly, binary a
// size GMP's wrap-around product likes, limbs >= minLength.
struct CyclicShape {
  unsigned slot = 0;
  size_t limbs = 0;
  mp_size_t binary = 0;
};

mp_size_t NextWrapSize(mp_size_t n) {
#ifdef VPX_GMP_MULMOD
  return __gmpn_mulmod_bnm1_next_size(n);
#else
  return n;
#endif
}

CyclicShape ChooseCyclic(size_t minLength, size_t terms) {
  const unsigned least = SlotBits(terms);
  CyclicShape best;
  // Multiples of 8 keep the binary size's needed factor (slot / gcd(slot, 64)) small.
  for (unsigned slot = (least + 7) / 8 * 8; slot <= std::min(least + 48, kMostSlotBits); slot += 8) {
    const auto factor = static_cast<mp_size_t>(slot / std::gcd(slot, 64u));
    auto x = static_cast<mp_size_t>((minLength * slot + 63) / 64);
    for (int tries = 0; tries < 64; ++tries) {
      mp_size_t rn = NextWrapSize(x);
      if (rn % factor == 0) {
        if (best.slot == 0 || rn < best.binary) {
          best = {slot, static_cast<size_t>(rn) * 64 / slot, rn};
        }
        break;
      }
      x = (rn / factor + 1) * factor;
    }
  }
  return best;
}

// r[0 .. rn) = a b mod (2^(64 rn) - 1), a and b below 2^(64 rn), b no longer than a.
Binary WrapProduct(const Binary& a, const Binary& b, mp_size_t rn) {
  Binary r(static_cast<size_t>(rn));
  const auto an = static_cast<mp_size_t>(a.size()), bn = static_cast<mp_size_t>(b.size());
#ifdef VPX_GMP_MULMOD
  // GMP asks for rn + 4 + (at most rn) limbs of scratch; left unset, it is written first.
  auto scratch = std::make_unique_for_overwrite<mp_limb_t[]>(2 * static_cast<size_t>(rn) + 8);
  __gmpn_mulmod_bnm1(r.data(), rn, a.data(), an, b.data(), bn, scratch.get());
#else
  Binary full(a.size() + b.size());
  mpn_mul(full.data(), a.data(), an, b.data(), bn);
  const auto total = static_cast<mp_size_t>(full.size());
  mpn_copyi(r.data(), full.data(), std::min(rn, total));
  mp_limb_t carry = 0;
  for (mp_size_t from = rn; from < total; from += rn) {
    carry += mpn_add(r.data(), r.data(), rn, full.data() + from, std::min(rn, total - from));
  }
  while (carry != 0) carry = mpn_add_1(r.data(), r.data(), rn, carry);
#endif
  return r;
}

}  // namespace

DecimalLimbs PackDecimalLimbs(const uint8_t* d, size_t n) {
  DecimalLimbs out((n + kLimbDigits - 1) / kLimbDigits);
  for (size_t i = 0; i < out.size(); ++i) {
    size_t lo = i * kLimbDigits, hi = std::min<size_t>(lo + kLimbDigits, n);
    uint64_t v = 0;
    for (size_t j = hi; j-- > lo;) v = v * 10 + d[j];
    out[i] = v;
  }
  while (!out.empty() && out.back() == 0) out.pop_back();
  return out;
}

void UnpackDecimalLimbs(const uint64_t* l, size_t n, uint8_t* out, size_t digits) {
  for (size_t place = 0, i = 0; place < digits; ++i) {
    uint64_t v = i < n ? l[i] : 0;
    size_t count = std::min<size_t>(kLimbDigits, digits - place);
    for (size_t k = 0; k < count; ++k) {
      out[place + k] = static_cast<uint8_t>(v % 10);
      v /= 10;
    }
    place += count;
  }
}

void MulDecimalLimbs(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, uint64_t* out,
                     CancelToken cancel) {
  const size_t limbs = na + nb;
  while (na > 0 && a[na - 1] == 0) --na;
  while (nb > 0 && b[nb - 1] == 0) --nb;
  if (na == 0 || nb == 0) {
    std::fill(out, out + limbs, 0);
    return;
  }
  const bool square = a == b && na == nb;
  const unsigned slot = SlotBits(std::min(na, nb));
  Binary sa = Spread(a, na, slot);
  Binary sb = square ? Binary{} : Spread(b, nb, slot);
  if (cancel.IsCancelled()) throw DecimalCancelled{};
  Binary r;
  if (square) {
    r.resize(2 * sa.size());
    mpn_sqr(r.data(), sa.data(), static_cast<mp_size_t>(sa.size()));
  } else {
    if (sa.size() < sb.size()) std::swap(sa, sb);
    r.resize(sa.size() + sb.size());
    mpn_mul(r.data(), sa.data(), static_cast<mp_size_t>(sa.size()), sb.data(),
            static_cast<mp_size_t>(sb.size()));
  }
  sa = Binary{};
  sb = Binary{};
  if (cancel.IsCancelled()) throw DecimalCancelled{};
  mp_limb_t carry[3] = {0, 0, 0};
  UnpackSlots(r, na + nb - 1, slot, out, limbs, carry, cancel);
}

DecimalLimbs FoldDecimalLimbs(const uint64_t* v, size_t n, size_t m) {
  DecimalLimbs out(m, 0);
  for (size_t from = 0; from < n; from += m) {
    const size_t len = std::min(m, n - from);
    uint64_t carry = 0;
    for (size_t j = 0; j < len; ++j) AddLimb(out[j], v[from + j], carry);
    for (size_t j = len; j < m && carry != 0; ++j) AddLimb(out[j], 0, carry);
    for (size_t j = 0; carry != 0; ++j) AddLimb(out[j], 0, carry);  // wraps once at most
  }
  return out;
}

DecimalLimbs MulModDecimalLimbs(const uint64_t* a, size_t na, const uint64_t* b, size_t nb,
                                size_t minLength, CancelToken cancel) {
  while (na > 0 && a[na - 1] == 0) --na;
  while (nb > 0 && b[nb - 1] == 0) --nb;
  const CyclicShape shape = ChooseCyclic(std::max<size_t>(minLength, 1), std::min(na, nb));
  const size_t m = shape.limbs;
  DecimalLimbs out(m, 0);
  if (na == 0 || nb == 0) return out;
  DecimalLimbs fa, fb;
  if (na > m) {
    fa = FoldDecimalLimbs(a, na, m);
    a = fa.data(), na = m;
  }
  if (nb > m) {
    fb = FoldDecimalLimbs(b, nb, m);
    b = fb.data(), nb = m;
  }
  Binary sa = Spread(a, na, shape.slot);
  Binary sb = Spread(b, nb, shape.slot);
  if (sa.size() < sb.size()) std::swap(sa, sb);
  if (cancel.IsCancelled()) throw DecimalCancelled{};
  Binary r = WrapProduct(sa, sb, shape.binary);
  sa = Binary{};
  sb = Binary{};
  if (cancel.IsCancelled()) throw DecimalCancelled{};
  // 2^(64 rn) - 1 stands for zero; every true slot sum is below 2^slot - 1.
  if (std::all_of(r.begin(), r.end(), [](mp_limb_t x) { return x == ~mp_limb_t{0}; })) return out;
  mp_limb_t carry[3] = {0, 0, 0};
  UnpackSlots(r, m, shape.slot, out.data(), m, carry, cancel);
  WrapCarry(out.data(), m, carry);
  return out;
}

}  // namespace vpx::mynum
