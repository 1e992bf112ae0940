#include "numeric/decimal_limbs.h"

#include <gmp.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace vpx::mynum {
namespace {

static_assert(GMP_NUMB_BITS == 64, "the slots assume 64-bit limbs without nails");

// The slots' extraction reads three binary limbs.
constexpr unsigned kLeastSlotBits = 128;
constexpr size_t kPollSlots = 1u << 16;

using Binary = std::vector<mp_limb_t>;

// Bits of a slot that holds a sum of `terms` limb products, (10^19 - 1)^2 each, kept below
// 2^bits.
unsigned SlotBits(size_t terms) {
  const unsigned __int128 square = static_cast<unsigned __int128>(kLimbBase - 1) * (kLimbBase - 1);
  mp_limb_t x[3] = {static_cast<mp_limb_t>(square), static_cast<mp_limb_t>(square >> 64), 0};
  x[2] = mpn_mul_1(x, x, 2, static_cast<mp_limb_t>(terms));
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

// Resolves the slots of the binary product into out[0 .. limbs), carrying upward.
void UnpackSlots(const Binary& r, size_t slots, unsigned slot, uint64_t* out, size_t limbs,
                 CancelToken cancel) {
  mp_limb_t carry[3] = {0, 0, 0};
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
  UnpackSlots(r, na + nb - 1, slot, out, limbs, cancel);
}

}  // namespace vpx::mynum
