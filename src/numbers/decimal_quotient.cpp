// The decimal quotient on base-10^17 limbs: one Newton reciprocal of the divisor's top
// limbs, quotient blocks estimated from it, and each block settled exactly against the
// remainder. The remainder after a block is known to be small, so only its low limbs are
// unknown: a wrap-around product mod 10^(17 m) - 1 gives them at about half the cost of
// the full product.
#include <gmp.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "numbers/bignum_memory.h"
#include "numbers/decimal_limbs.h"
#include "numbers/decimal_product.h"
#include "numbers/decimal_slots.h"
#include "numbers/math_decimal.h"
#include "numbers/mpz_newton.h"
#include "numbers/mynum_kernels.h"

namespace vpx::mynum {
namespace {

using Limbs = SlotLimbs;
constexpr uint64_t kBase = kSlotLimbBase;
constexpr uint32_t kDigits = kSlotLimbDigits;

// Reciprocals of at most this many limbs come exactly from GMP.
constexpr size_t kReciprocalBaseLimbs = 8;
// The quotient is found in blocks of about this many limbs for every limb of the divisor
// (numerator / denominator), at least kLeastBlockLimbs: a smaller reciprocal and cheaper
// estimates against more settling products. Measured flat from a third to the whole
// divisor (bench/bench_math.cpp, the quotient row).
constexpr size_t kBlockPerDivisorNum = 1, kBlockPerDivisorDen = 2;
constexpr size_t kLeastBlockLimbs = 16;
// Limbs of the remainder kept below the quotient block in an estimate.
constexpr size_t kEstimateGuard = 3;
// More correction steps than this means the estimate went wrong: settle it another way.
constexpr int kMaxCorrections = 16;

std::atomic<uint64_t> g_fallbacks{0};

// An estimate further off than the error bounds allow (the caller divides another way).
struct EstimateOff {};

const Limbs kOne{1};

// (x - y) mod (10^(17 m) - 1) for x, y of m limbs each.
Limbs SubCyclic(const Limbs& x, const Limbs& y) {
  Limbs out(x.size());
  uint64_t borrow = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    const uint64_t t = y[i] + borrow;
    borrow = x[i] < t;
    out[i] = borrow ? x[i] + (kBase - t) : x[i] - t;
  }
  // The limbs hold x - y + 10^(17 m), which is at least 1: take 1 off for the cyclic value.
  for (size_t i = 0; borrow != 0; ++i) {
    borrow = out[i] == 0;
    out[i] = borrow ? kBase - 1 : out[i] - 1;
  }
  return out;
}

struct Signed {
  bool negative = false;
  Limbs magnitude;  // trimmed
};

// The cyclic value c read as a number of magnitude below 10^(17 keep): its top limbs are
// all zero (positive) or all 10^17 - 1 (negative). Anything else: the estimate was off.
Signed ReadSigned(const Limbs& c, size_t keep) {
  const auto high = c.begin() + static_cast<std::ptrdiff_t>(keep);
  Signed v;
  if (std::all_of(high, c.end(), [](uint64_t x) { return x == 0; })) {
    v.magnitude.assign(c.begin(), high);
  } else if (std::all_of(high, c.end(), [](uint64_t x) { return x == kBase - 1; })) {
    v.magnitude.resize(keep);
    for (size_t i = 0; i < keep; ++i) v.magnitude[i] = kBase - 1 - c[i];
    v.negative = true;
  } else {
    throw EstimateOff{};
  }
  Trim(v.magnitude);
  if (v.magnitude.empty()) v.negative = false;
  return v;
}

// Y with |Y - b^(2k) / D| <= 2 (b = 10^17) for D = d[0 .. k) with its top limb at least
// b / 10.
Limbs Reciprocal(const uint64_t* d, size_t k, CancelToken cancel) {
  if (cancel.IsCancelled()) throw DecimalCancelled{};
  if (k <= kReciprocalBaseLimbs) {
    Mpz y, den;
    mpz_ui_pow_ui(y.get(), kBase, 2 * k);
    mpz_set_ui(den.get(), 0);
    for (size_t i = k; i-- > 0;) {
      mpz_mul_ui(den.get(), den.get(), kBase);
      mpz_add_ui(den.get(), den.get(), d[i]);
    }
    DivMpz(y.get(), nullptr, y.get(), den.get());
    Limbs out;
    while (mpz_sgn(y.get()) != 0) out.push_back(mpz_tdiv_q_ui(y.get(), y.get(), kBase));
    return out;
  }
  // From the top l limbs, then one Newton step: Y = yh b^(k-l) + yh E / b^(2l) with
  // E = b^(k+l) - D yh, which is below 13 b^k in magnitude: only the low
  // k + 2 limbs of D yh are unknown.
  const size_t l = k / 2 + 2;
  const Limbs yh = Reciprocal(d + (k - l), l, cancel);
  const Limbs p = MulModSlotLimbs(d, k, yh.data(), yh.size(), k + 2, cancel);
  Limbs unit(p.size(), 0);
  unit[(k + l) % p.size()] = 1;
  const Signed e = ReadSigned(SubCyclic(unit, p), k + 1);
  // Limbs of E below l - 1 change the step by less than one unit.
  const size_t t = l - 1;
  Limbs y(k - l, 0);
  y.insert(y.end(), yh.begin(), yh.end());
  if (e.magnitude.size() > t) {
    const size_t ne = e.magnitude.size() - t;
    Limbs step(yh.size() + ne);
    MulSlotLimbs(yh.data(), yh.size(), e.magnitude.data() + t, ne, step.data(), cancel);
    Limbs correction(step.begin() + static_cast<std::ptrdiff_t>(std::min(step.size(), l + 1)),
                     step.end());
    Trim(correction);
    if (!e.negative) {
      AddInPlace(y, correction);
    } else if (Compare(y, correction) > 0) {
      SubInPlace(y, correction);
    }
  }
  return y;
}

// With r < B b^top and est near floor(r / (B b^e)): r becomes r mod (B b^e) and est the
// exact block of the quotient. r - est B b^e is below a few B b^e in magnitude, so it
// comes from both sides mod b^m - 1 with m > |B| + 1.
// byDivisor: the wrap-around products with B modulo b^m - 1, m > |B| + 1.
void Settle(Limbs& r, size_t e, const Limbs& b, const WrapProductsBy& byDivisor, Limbs& est,
            CancelToken cancel) {
  const size_t keep = b.size() + 1;
  const Limbs p = byDivisor.Times(est.data(), est.size(), cancel);
  const Limbs high =
      r.size() > e ? FoldSlotLimbs(r.data() + e, r.size() - e, p.size()) : Limbs(p.size(), 0);
  Signed v = ReadSigned(SubCyclic(high, p), keep);
  int corrections = 0;
  auto count = [&] {
    if (++corrections > kMaxCorrections) throw EstimateOff{};
  };
  while (v.negative) {
    count();
    if (est.empty()) throw EstimateOff{};
    SubInPlace(est, kOne);
    if (Compare(v.magnitude, b) <= 0) {
      Limbs rest = b;
      SubInPlace(rest, v.magnitude);
      v.magnitude.swap(rest);
      v.negative = false;
    } else {
      SubInPlace(v.magnitude, b);
    }
  }
  while (Compare(v.magnitude, b) >= 0) {
    count();
    SubInPlace(v.magnitude, b);
    AddInPlace(est, kOne);
  }
  r.resize(e, 0);
  r.insert(r.end(), v.magnitude.begin(), v.magnitude.end());
  Trim(r);
}

// quotient = floor(r / B) where r < B b^|quotient| and B's top limb is at least b / 10.
void DivideLimbs(Limbs r, const Limbs& b, Limbs& quotient, CancelToken cancel) {
  const size_t lb = b.size(), lq = quotient.size();
  if (r.size() > lb + lq) throw EstimateOff{};
  const size_t most = std::max(lb * kBlockPerDivisorNum / kBlockPerDivisorDen, kLeastBlockLimbs);
  const size_t blocks = (lq + most - 1) / most;
  const size_t s = (lq + blocks - 1) / blocks;
  // The reciprocal of the divisor's top k limbs (padded when it is shorter).
  const size_t k = s + kEstimateGuard - 1;
  Limbs d(k, 0);
  const size_t from = lb > k ? lb - k : 0;
  std::copy(b.begin() + static_cast<std::ptrdiff_t>(from), b.end(), d.end() - (lb - from));
  const Limbs y = Reciprocal(d.data(), k, cancel);
  const WrapProductsBy byDivisor(b.data(), b.size(), lb + 2, cancel);
  for (size_t top = lq; top > 0;) {
    if (cancel.IsCancelled()) throw DecimalCancelled{};
    const size_t e = top > s ? top - s : 0;
    // r / (B b^e) ~ (r / b^c) Y / b^(k + lb + e - c), B ~ D b^(lb - k).
    const size_t c = lb + e > kEstimateGuard ? lb + e - kEstimateGuard : 0;
    const size_t shift = k + lb + e - c;
    Limbs est;
    if (r.size() > c) {
      Limbs product(r.size() - c + y.size());
      MulSlotLimbs(r.data() + c, r.size() - c, y.data(), y.size(), product.data(), cancel);
      if (product.size() > shift) {
        est.assign(product.begin() + static_cast<std::ptrdiff_t>(shift), product.end());
      }
      Trim(est);
    }
    Settle(r, e, b, byDivisor, est, cancel);
    if (est.size() > top - e) throw EstimateOff{};
    std::copy(est.begin(), est.end(), quotient.begin() + static_cast<std::ptrdiff_t>(e));
    top = e;
  }
}

void DivNewton(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb, int64_t shift,
               uint8_t* q, uint32_t places, CancelToken cancel) {
  std::memset(q, 0, places);
  if (static_cast<int64_t>(na) + shift <= 0) return;
  // Both scaled so that the divisor's top limb has all 17 digits; the quotient stays.
  const uint32_t fill = (kDigits - nb % kDigits) % kDigits;
  const Limbs divisor = PackLimbs(b, nb, fill, kDigits);
  Limbs quotient((places + kDigits - 1) / kDigits, 0);
  DivideLimbs(PackLimbs(a, na, shift + fill, kDigits), divisor, quotient, cancel);
  UnpackLimbs(quotient.data(), quotient.size(), kDigits, q, places);
}

}  // namespace

DecimalStatus DivDecimal(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb,
                         int64_t shift, uint8_t* q, uint32_t places, CancelToken cancel) {
  try {
    BignumScope scope;
    try {
      DivNewton(a, na, b, nb, shift, q, places, cancel);
      return DecimalStatus::kDone;
    } catch (const EstimateOff&) {
      g_fallbacks.fetch_add(1, std::memory_order_relaxed);
    }
    return DivGmp(a, na, b, nb, shift, q, places) ? DecimalStatus::kDone : DecimalStatus::kNoMemory;
  } catch (const DecimalCancelled&) {
    std::memset(q, 0, places);
    return DecimalStatus::kCancelled;
  } catch (const std::bad_alloc&) {
    return DecimalStatus::kNoMemory;
  }
}

uint64_t DivDecimalFallbacks() {
  return g_fallbacks.load(std::memory_order_relaxed);
}

}  // namespace vpx::mynum
