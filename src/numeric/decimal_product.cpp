#include "numeric/decimal_product.h"

#include <gmp.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <vector>

#include "numeric/bignum_memory.h"
#include "numeric/decimal_limbs.h"
#include "numeric/mynum_kernels.h"

namespace vpx::mynum {
namespace {

// Below these sizes the per-digit rows and the restoring division are quicker.
constexpr size_t kSchoolbookDigits = 48;
constexpr size_t kNewtonBaseDigits = 40;
// More correction steps than this means the estimate went wrong: settle it another way.
constexpr int kMaxCorrections = 16;

using Digits = std::vector<uint8_t>;
using Cancelled = DecimalCancelled;

std::atomic<uint64_t> g_fallbacks{0};

void MulDecimalOrThrow(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb, uint8_t* out,
                       CancelToken cancel) {
  const size_t digits = static_cast<size_t>(na) + nb;
  const bool square = a == b && na == nb;
  DecimalLimbs la = PackDecimalLimbs(a, na);
  DecimalLimbs lb = square ? DecimalLimbs{} : PackDecimalLimbs(b, nb);
  const DecimalLimbs& rb = square ? la : lb;
  if (la.empty() || rb.empty()) {
    std::memset(out, 0, digits);
    return;
  }
  DecimalLimbs product(la.size() + rb.size());
  MulDecimalLimbs(la.data(), la.size(), rb.data(), rb.size(), product.data(), cancel);
  UnpackDecimalLimbs(product.data(), product.size(), out, digits);
}

// --- digit strings for the division: least significant first, no top zeros (zero: empty) ---

void Trim(Digits& v) {
  while (!v.empty() && v.back() == 0) v.pop_back();
}

int Compare(const Digits& a, const Digits& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = a.size(); i-- > 0;) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

// a -= b where a >= b.
void SubInPlace(Digits& a, const Digits& b) {
  int borrow = 0;
  for (size_t i = 0; i < a.size() && (i < b.size() || borrow != 0); ++i) {
    int t = a[i] - (i < b.size() ? b[i] : 0) - borrow;
    borrow = t < 0;
    a[i] = static_cast<uint8_t>(t + (borrow ? 10 : 0));
  }
  Trim(a);
}

void AddInPlace(Digits& a, const Digits& b) {
  if (a.size() < b.size()) a.resize(b.size(), 0);
  int carry = 0;
  for (size_t i = 0; i < a.size() && (i < b.size() || carry != 0); ++i) {
    int t = a[i] + (i < b.size() ? b[i] : 0) + carry;
    carry = t >= 10;
    a[i] = static_cast<uint8_t>(t - (carry ? 10 : 0));
  }
  if (carry != 0) a.push_back(1);
}

// Digits [from, from + count) of v, trimmed.
Digits Slice(const Digits& v, size_t from, size_t count) {
  Digits out;
  if (from < v.size()) out.assign(v.begin() + from, v.begin() + std::min(v.size(), from + count));
  Trim(out);
  return out;
}

Digits ShiftUp(const Digits& v, size_t places) {
  if (v.empty()) return v;
  Digits out(places, 0);
  out.insert(out.end(), v.begin(), v.end());
  return out;
}

Digits PowerOfTen(size_t e) {
  Digits out(e + 1, 0);
  out[e] = 1;
  return out;
}

size_t LowZeros(const Digits& v) {
  size_t i = 0;
  while (i < v.size() && v[i] == 0) ++i;
  return i;
}

// Low zeros (scaled dividends, padded divisors) are left out of the product itself.
Digits Product(const Digits& a, const Digits& b, CancelToken cancel) {
  if (a.empty() || b.empty()) return Digits{};
  size_t za = LowZeros(a), zb = LowZeros(b);
  Digits out(a.size() + b.size(), 0);
  auto na = static_cast<uint32_t>(a.size() - za), nb = static_cast<uint32_t>(b.size() - zb);
  uint8_t* dest = out.data() + za + zb;
  if (std::min(na, nb) < kSchoolbookDigits) {
    MulSchoolbook(a.data() + za, na, b.data() + zb, nb, dest, CancelToken{});
  } else {
    MulDecimalOrThrow(a.data() + za, na, b.data() + zb, nb, dest, cancel);
  }
  Trim(out);
  return out;
}

// Y with |Y - 10^(2p) / bp| within a few units, where bp has exactly p digits.
Digits Reciprocal(const Digits& bp, size_t p, CancelToken cancel) {
  if (cancel.IsCancelled()) throw Cancelled{};
  if (p <= kNewtonBaseDigits) {
    Digits one = PowerOfTen(2 * p);
    Digits y(p + 2, 0);
    DivLong(one.data(), static_cast<uint32_t>(one.size()), bp.data(), static_cast<uint32_t>(p), 0,
            y.data(), static_cast<uint32_t>(y.size()));
    Trim(y);
    return y;
  }
  // Half the precision from the top digits, then one Newton step:
  // Y = yh 10^(p-l) + yh (10^(p+l) - bp yh) / 10^(2l).
  size_t l = (p + 1) / 2 + 3;
  Digits yh = Reciprocal(Slice(bp, p - l, l), l, cancel);
  Digits error = PowerOfTen(p + l);
  Digits u = Product(bp, yh, cancel);
  bool below = Compare(u, error) <= 0;
  if (below) {
    SubInPlace(error, u);
  } else {
    SubInPlace(u, error);
    error.swap(u);
  }
  // The correction is about 10^(p-l) and needs only the top l + 4 digits of the error.
  size_t drop = error.size() > l + 4 ? error.size() - (l + 4) : 0;
  Digits step = Product(yh, Slice(error, drop, error.size()), cancel);
  Digits correction =
      drop >= 2 * l ? ShiftUp(step, drop - 2 * l) : Slice(step, 2 * l - drop, step.size());
  Digits y = ShiftUp(yh, p - l);
  if (below) {
    AddInPlace(y, correction);
  } else if (Compare(y, correction) > 0) {
    SubInPlace(y, correction);
  }
  return y;
}

// Settles q against r = q b + rest, leaving r = rest with 0 <= rest < b. False when q is
// further off than expected.
bool Settle(Digits& r, const Digits& b, Digits& q, CancelToken cancel) {
  Digits qb = Product(q, b, cancel);
  const Digits one{1};
  if (Compare(qb, r) > 0) {
    SubInPlace(qb, r);  // the remainder is -qb
    for (int i = 0; i < kMaxCorrections; ++i) {
      SubInPlace(q, one);
      if (Compare(qb, b) <= 0) {
        r = b;
        SubInPlace(r, qb);
        return true;
      }
      SubInPlace(qb, b);
    }
    return false;
  }
  SubInPlace(r, qb);
  for (int i = 0; i < kMaxCorrections; ++i) {
    if (Compare(r, b) < 0) return true;
    SubInPlace(r, b);
    AddInPlace(q, one);
  }
  return false;
}

// The working dividend floor(A 10^shift), len > 0 digits.
Digits ScaledDividend(const uint8_t* a, uint32_t na, int64_t shift, size_t len) {
  Digits n(len, 0);
  if (shift >= 0) {
    std::memcpy(n.data() + shift, a, na);
  } else {
    std::memcpy(n.data(), a - shift, len);
  }
  Trim(n);
  return n;
}

// False when the correction gave up (the caller divides another way).
bool DivNewton(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb, int64_t shift,
               uint8_t* q, uint32_t places, CancelToken cancel) {
  std::memset(q, 0, places);
  const int64_t len = static_cast<int64_t>(na) + shift;
  if (len <= 0) return true;
  Digits n = ScaledDividend(a, na, shift, static_cast<size_t>(len));
  Digits bd(b, b + nb);
  // A reciprocal of half the quotient's precision, used for the upper and the lower half
  // of the quotient in turn (each half settled exactly against the remainder).
  const size_t p = static_cast<size_t>(places) + 3;
  const size_t h = std::min(p, (p + 1) / 2 + 3);
  const size_t chunk = h - 3;
  // bh: the divisor's top h digits (or the divisor padded to h digits); B ~ bh 10^(nb - h).
  Digits bh = nb >= h ? Slice(bd, nb - h, h) : ShiftUp(bd, h - nb);
  Digits y = Reciprocal(bh, h, cancel);
  // r < B 10^top holds throughout; the quotient digits [e, top) are r / (B 10^e).
  for (size_t top = places; top > 0;) {
    size_t e = top > chunk ? top - chunk : 0;
    size_t cut = n.size() > h + 2 ? n.size() - (h + 2) : 0;
    if (cut > h + nb + e) return false;  // r is not below B 10^top: not the promised quotient
    Digits est = Product(Slice(n, cut, n.size()), y, cancel);
    Digits part = Slice(est, h + nb + e - cut, est.size());
    if (!Settle(n, ShiftUp(bd, e), part, cancel)) return false;
    const size_t count = std::min(part.size(), top - e);
    if (count > 0) std::memcpy(q + e, part.data(), count);  // an empty part has no data
    top = e;
  }
  return true;
}

}  // namespace

DecimalStatus MulDecimal(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb, uint8_t* out,
                         CancelToken cancel) {
  try {
    BignumScope scope;
    MulDecimalOrThrow(a, na, b, nb, out, cancel);
    return DecimalStatus::kDone;
  } catch (const Cancelled&) {
    return DecimalStatus::kCancelled;
  } catch (const std::bad_alloc&) {
    return DecimalStatus::kNoMemory;
  }
}

DecimalStatus DivDecimal(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb,
                         int64_t shift, uint8_t* q, uint32_t places, CancelToken cancel) {
  try {
    BignumScope scope;
    if (DivNewton(a, na, b, nb, shift, q, places, cancel)) return DecimalStatus::kDone;
    g_fallbacks.fetch_add(1, std::memory_order_relaxed);
    return DivGmp(a, na, b, nb, shift, q, places) ? DecimalStatus::kDone : DecimalStatus::kNoMemory;
  } catch (const Cancelled&) {
    return DecimalStatus::kCancelled;
  } catch (const std::bad_alloc&) {
    return DecimalStatus::kNoMemory;
  }
}

uint64_t DivDecimalFallbacks() {
  return g_fallbacks.load(std::memory_order_relaxed);
}

}  // namespace vpx::mynum
