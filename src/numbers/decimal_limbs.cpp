#include "numbers/decimal_limbs.h"

#include <gmp.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>

namespace vpx::mynum {
namespace {

static_assert(GMP_NUMB_BITS == 64, "the slots assume 64-bit limbs without nails");

// The slots' extraction reads three binary limbs.
constexpr unsigned kLeastSlotBits = 128;
constexpr size_t kPollSlots = 1u << 16;

using Binary = std::vector<mp_limb_t>;

// One mpn_mul of this many limbs takes about 0.2 s here and allocates at least every
// 0.1 s; longer ones go up to 0.8 s between allocations (measured), so they are split for
// a cancel to end them within 0.2 s. The price: the longest product the cap allows takes
// 10 s in pieces instead of 3 s in one.
constexpr size_t kMostMonolithicLimbs = size_t{1} << 19;
std::atomic<size_t> g_mostMonolithicForTest{0};

void Poll(CancelToken cancel) {
  if (cancel.IsCancelled()) throw DecimalCancelled{};
}

// r[0 .. an + bn) = a (an limbs, an >= bn) x b in slices of a no longer than `slice`.
void MulSlices(const mp_limb_t* a, size_t an, const mp_limb_t* b, size_t bn, mp_limb_t* r,
               size_t slice, CancelToken cancel) {
  std::fill(r, r + an + bn, 0);
  Binary piece(slice + bn);
  for (size_t from = 0; from < an; from += slice) {
    const size_t len = std::min(slice, an - from);
    if (len >= bn) {
      MulBinaryInPieces(a + from, len, b, bn, piece.data(), cancel);
    } else {
      MulBinaryInPieces(b, bn, a + from, len, piece.data(), cancel);
    }
    mpn_add(r + from, r + from, static_cast<mp_size_t>(an + bn - from), piece.data(),
            static_cast<mp_size_t>(len + bn));
  }
}

// Karatsuba: a = a1 X + a0, b = b1 X + b0 with X = 2^(64 h), h < bn.
void MulHalves(const mp_limb_t* a, size_t an, const mp_limb_t* b, size_t bn, mp_limb_t* r,
               CancelToken cancel) {
  const bool square = a == b && an == bn;
  const size_t h = (an + 1) / 2, n1 = an - h, m1 = bn - h;
  MulBinaryInPieces(a, h, b, h, r, cancel);                    // a0 b0
  MulBinaryInPieces(a + h, n1, b + h, m1, r + 2 * h, cancel);  // a1 b1
  Binary sa(h + 1), sb;
  sa[h] = mpn_add(sa.data(), a, static_cast<mp_size_t>(h), a + h, static_cast<mp_size_t>(n1));
  if (!square) {
    sb.resize(h + 1);
    sb[h] = mpn_add(sb.data(), b, static_cast<mp_size_t>(h), b + h, static_cast<mp_size_t>(m1));
  }
  const Binary& rb = square ? sa : sb;
  Binary middle(2 * h + 2);
  MulBinaryInPieces(sa.data(), h + 1, rb.data(), h + 1, middle.data(), cancel);
  const auto nm = static_cast<mp_size_t>(middle.size());
  mpn_sub(middle.data(), middle.data(), nm, r, static_cast<mp_size_t>(2 * h));
  mpn_sub(middle.data(), middle.data(), nm, r + 2 * h, static_cast<mp_size_t>(n1 + m1));
  // a0 b1 + a1 b0 is below 2^(64 (an + bn - h)).
  auto len = static_cast<mp_size_t>(std::min(middle.size(), an + bn - h));
  while (len > 0 && middle[len - 1] == 0) --len;
  if (len > 0) mpn_add(r + h, r + h, static_cast<mp_size_t>(an + bn - h), middle.data(), len);
}

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

// The `count` low digit values of v into out, least significant first.
void UnpackWord(uint64_t v, size_t count, uint8_t* out) {
  for (size_t k = 0; k < count; ++k, v /= 10) out[k] = static_cast<uint8_t>(v % 10);
}

}  // namespace

DecimalLimbs PackLimbs(const uint8_t* d, size_t n, int64_t shift, uint32_t limbDigits) {
  const int64_t total = static_cast<int64_t>(n) + shift;
  if (total <= 0) return {};
  DecimalLimbs out((static_cast<size_t>(total) + limbDigits - 1) / limbDigits);
  for (size_t i = 0; i < out.size(); ++i) {
    const auto lo = static_cast<int64_t>(i * limbDigits);
    const int64_t hi = std::min<int64_t>(lo + limbDigits, total);
    uint64_t v = 0;
    if (lo >= shift) {
      const uint8_t* p = d + (lo - shift);
      for (int64_t j = hi - lo; j-- > 0;) v = v * 10 + p[j];
    } else {
      for (int64_t p = hi; p-- > lo;) v = v * 10 + (p >= shift ? d[p - shift] : 0);
    }
    out[i] = v;
  }
  while (!out.empty() && out.back() == 0) out.pop_back();
  return out;
}

void UnpackLimbs(const uint64_t* l, size_t n, uint32_t limbDigits, uint8_t* out, size_t digits) {
  // A whole limb in two halves: two short chains of divisions the processor overlaps,
  // rather than one long one.
  constexpr uint32_t kLowDigits = 10;
  constexpr uint64_t kLow = 10'000'000'000;  // 10^10
  for (size_t place = 0, i = 0; place < digits; ++i) {
    const uint64_t v = i < n ? l[i] : 0;
    const size_t count = std::min<size_t>(limbDigits, digits - place);
    if (count == limbDigits && limbDigits > kLowDigits) {
      UnpackWord(v % kLow, kLowDigits, out + place);
      UnpackWord(v / kLow, limbDigits - kLowDigits, out + place + kLowDigits);
    } else {
      UnpackWord(v, count, out + place);
    }
    place += count;
  }
}

DecimalLimbs PackDecimalLimbs(const uint8_t* d, size_t n) {
  return PackLimbs(d, n, 0, kLimbDigits);
}

void UnpackDecimalLimbs(const uint64_t* l, size_t n, uint8_t* out, size_t digits) {
  UnpackLimbs(l, n, kLimbDigits, out, digits);
}

bool TrimFactors(const uint64_t* a, size_t& na, const uint64_t* b, size_t& nb, uint64_t* out) {
  const size_t limbs = na + nb;
  while (na > 0 && a[na - 1] == 0) --na;
  while (nb > 0 && b[nb - 1] == 0) --nb;
  if (na != 0 && nb != 0) return true;
  std::fill(out, out + limbs, 0);
  return false;
}

void MulDecimalLimbs(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, uint64_t* out,
                     CancelToken cancel) {
  const size_t limbs = na + nb;
  if (!TrimFactors(a, na, b, nb, out)) return;
  const bool square = a == b && na == nb;
  const unsigned slot = SlotBits(std::min(na, nb));
  Binary sa = Spread(a, na, slot);
  Binary sb = square ? Binary{} : Spread(b, nb, slot);
  if (cancel.IsCancelled()) throw DecimalCancelled{};
  const Binary& rb = square ? sa : sb;
  if (sa.size() < rb.size()) std::swap(sa, sb);
  Binary r(sa.size() + rb.size());
  WithCancellableAllocations(cancel, [&] {
    MulBinaryInPieces(sa.data(), sa.size(), rb.data(), rb.size(), r.data(), cancel);
  });
  sa = Binary{};
  sb = Binary{};
  if (cancel.IsCancelled()) throw DecimalCancelled{};
  UnpackSlots(r, na + nb - 1, slot, out, limbs, cancel);
}

void MulBinaryInPieces(const uint64_t* a, size_t an, const uint64_t* b, size_t bn, uint64_t* r,
                       CancelToken cancel) {
  Poll(cancel);
  const size_t most = MostMonolithicLimbs();
  if (an <= most) {
    if (a == b && an == bn) {
      mpn_sqr(r, a, static_cast<mp_size_t>(an));
    } else {
      mpn_mul(r, a, static_cast<mp_size_t>(an), b, static_cast<mp_size_t>(bn));
    }
  } else if (2 * bn <= an + 1) {
    MulSlices(a, an, b, bn, r, std::max(bn, most), cancel);
  } else {
    MulHalves(a, an, b, bn, r, cancel);
  }
  Poll(cancel);
}

size_t MostMonolithicLimbs() {
  const size_t test = g_mostMonolithicForTest.load(std::memory_order_relaxed);
  return test != 0 ? test : kMostMonolithicLimbs;
}

void SetMostMonolithicLimbsForTest(size_t limbs) {
  g_mostMonolithicForTest.store(limbs, std::memory_order_relaxed);
}

}  // namespace vpx::mynum
