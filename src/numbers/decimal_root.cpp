#include "numbers/decimal_root.h"

#include <gmp.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "numbers/bignum_memory.h"
#include "numbers/decimal_limbs.h"
#include "numbers/decimal_ntt.h"
#include "numbers/decimal_slots.h"
#include "numbers/math_decimal.h"
#include "numbers/mpz_newton.h"

namespace vpx {
namespace {

using mynum::DecimalCancelled;
using Limbs = mynum::SlotLimbs;
using mynum::AddInPlace;
using mynum::Compare;
using mynum::SubInPlace;
using mynum::Trim;
constexpr uint64_t kBase = mynum::kSlotLimbBase;  // b = 10^17
constexpr uint32_t kDigits = mynum::kSlotLimbDigits;
// Limbs of the starting inverse root, exact from GMP.
constexpr size_t kStartLimbs = 2;
// Guard limbs of the inverse root beyond the root's own.
constexpr size_t kGuardLimbs = 2;
// The estimate is off by at most a unit or two; more corrections mean it went wrong.
constexpr int kMaxCorrections = 8;

// Roots shorter than this take the binary route. On the vector transforms (the square root
// of 2, one thread, best of five, binary / decimal ms): 300,000 digits: 6.6 / 8.0, 600,000:
// 14.2 / 25.2 (a padded length), 700,000: 17.9 / 16.9, 850,000: 25.6 / 18.7, 1,000,000:
// 29.1 / 19.8. Without them the decimal route lost at every length.
constexpr uint64_t kDecimalRootLeastDigits = 700'000;

std::atomic<uint64_t> g_unproven{0};
std::atomic<uint64_t> g_leastDigits{kDecimalRootLeastDigits};

struct Unproven {};

// v *= x for x < b.
void MulSmall(Limbs& v, uint64_t x) {
  unsigned __int128 carry = 0;
  for (uint64_t& limb : v) {
    const unsigned __int128 p = static_cast<unsigned __int128>(limb) * x + carry;
    limb = static_cast<uint64_t>(p % kBase);
    carry = p / kBase;
  }
  while (carry != 0) {
    v.push_back(static_cast<uint64_t>(carry % kBase));
    carry /= kBase;
  }
  Trim(v);
}

// v = floor(v / 2).
void Halve(Limbs& v) {
  uint64_t carry = 0;
  for (size_t i = v.size(); i-- > 0;) {
    const uint64_t cur = carry * kBase + v[i];  // below 2b
    v[i] = cur / 2;
    carry = cur & 1;
  }
  Trim(v);
}

Limbs Product(const Limbs& a, const Limbs& b, CancelToken abort) {
  if (a.empty() || b.empty()) return {};
  Limbs out(a.size() + b.size());
  mynum::MulSlotLimbs(a.data(), a.size(), b.data(), b.size(), out.data(), abort);
  Trim(out);
  return out;
}

// v * b^k.
Limbs ShiftUp(const Limbs& v, size_t k) {
  Limbs out(k, 0);
  out.insert(out.end(), v.begin(), v.end());
  Trim(out);
  return out;
}

// floor(v / b^k).
Limbs ShiftDown(const Limbs& v, size_t k) {
  if (v.size() <= k) return {};
  return Limbs(v.begin() + static_cast<std::ptrdiff_t>(k), v.end());
}

uint64_t PowerOfTen(uint32_t e) {
  uint64_t v = 1;
  while (e-- > 0) v *= 10;
  return v;
}

// V = floor(b^k / sqrt(X)) from GMP, for a short k.
Limbs StartingInverseRoot(uint64_t X, size_t k) {
  Mpz v;
  mpz_ui_pow_ui(v.get(), kBase, 2 * k);
  mpz_tdiv_q_ui(v.get(), v.get(), X);
  SqrtMpz(v.get(), v.get());
  Limbs out;
  while (mpz_sgn(v.get()) != 0) out.push_back(mpz_tdiv_q_ui(v.get(), v.get(), kBase));
  return out;
}

// V ~ b^P / sqrt(X) within a few units. From V ~ b^q / sqrt(X), one Newton step to p limbs,
// p <= 2q - 1: E = b^(2q) - X V^2, V' = V b^(p-q) + V E / (2 b^(3q-p)). Its relative
// error goes from e to 3/2 e^2 plus the cut, so a unit of V stays a unit or two of V'.
Limbs InverseRoot(uint64_t X, size_t P, CancelToken abort) {
  size_t q = std::min(kStartLimbs, P);
  Limbs V = StartingInverseRoot(X, q);
  while (q < P) {
    const size_t p = std::min(2 * q - 1, P);
    Limbs T = Product(V, V, abort);
    MulSmall(T, X);
    Limbs unit(2 * q + 1, 0);
    unit[2 * q] = 1;
    const bool negative = Compare(T, unit) > 0;
    if (negative) {
      SubInPlace(T, unit);
    } else {
      SubInPlace(unit, T);
      T.swap(unit);
    }
    Limbs correction = ShiftDown(Product(V, T, abort), 3 * q - p);
    Halve(correction);
    V = ShiftUp(V, p - q);
    if (!negative) {
      AddInPlace(V, correction);
    } else if (Compare(V, correction) > 0) {
      SubInPlace(V, correction);
    } else {
      throw Unproven{};
    }
    q = p;
    if (abort.IsCancelled()) throw DecimalCancelled{};
  }
  return V;
}

// X * 10^e as limbs.
Limbs ScaledByTen(uint64_t X, uint64_t e) {
  Limbs v{X};
  MulSmall(v, PowerOfTen(static_cast<uint32_t>(e % kDigits)));
  return ShiftUp(v, e / kDigits);
}

// floor(sqrt(X) 10^h) within a unit or two. Short roots: r = X V 10^h / b^P with
// V ~ b^P / sqrt(X), the guard limbs keeping V's error in r below a unit (sqrt(X) <= 10^8).
// Long ones take V to about half the limbs only, y0 = X V 10^h / b^Q exactly, and one
// Karp-Markstein step r = y0 + (N - y0^2) V / (2 b^Q 10^h), N = X 10^(2h), whose error
// (3/2) y0 e^2 for V's relative error e ~ 10^8 / b^Q is far below a unit.
Limbs EstimateRoot(uint64_t X, uint64_t h, CancelToken abort) {
  const size_t z = h / kDigits;
  const size_t P = (h + kDigits - 1) / kDigits + kGuardLimbs;
  const size_t Q = P / 2 + kGuardLimbs;
  const uint64_t tenPower = PowerOfTen(static_cast<uint32_t>(h % kDigits));
  if (Q + kGuardLimbs >= P || z < Q) {
    Limbs r = InverseRoot(X, P, abort);
    MulSmall(r, X);
    MulSmall(r, tenPower);
    return ShiftDown(r, P - z);
  }
  const Limbs V = InverseRoot(X, Q, abort);
  Limbs Y = V;
  MulSmall(Y, X);
  MulSmall(Y, tenPower);  // y0 = Y b^(z - Q)
  Limbs D = ShiftUp(Product(Y, Y, abort), 2 * (z - Q));
  const Limbs N = ScaledByTen(X, 2 * h);
  const bool negative = Compare(D, N) > 0;
  if (negative) {
    SubInPlace(D, N);
  } else {
    Limbs rest = N;
    SubInPlace(rest, D);
    D.swap(rest);
  }
  // Limbs of D below its top Q + 3 move the step by far less than a unit.
  const size_t w = D.size() > Q + 3 ? D.size() - Q - 3 : 0;
  // D V / (2 b^Q 10^h) = D V 10^(17 - h mod 17) / (2 b^(Q + z + 1)).
  Limbs step = Product(ShiftDown(D, w), V, abort);
  MulSmall(step, PowerOfTen(kDigits - static_cast<uint32_t>(h % kDigits)));
  if (w > Q + z + 1) throw Unproven{};
  step = ShiftDown(step, Q + z + 1 - w);
  Halve(step);
  Limbs r = ShiftUp(Y, z - Q);
  if (!negative) {
    AddInPlace(r, step);
  } else if (Compare(r, step) > 0) {
    SubInPlace(r, step);
  } else {
    throw Unproven{};
  }
  return r;
}

// r with r^2 <= N < (r + 1)^2, from an r a few units off: one exact square, then steps of
// 2r + 1.
void CorrectRoot(Limbs& r, const Limbs& N, CancelToken abort) {
  Limbs square = Product(r, r, abort);
  auto step = [&r] {  // 2r + 1
    Limbs s = r;
    AddInPlace(s, r);
    AddInPlace(s, Limbs{1});
    return s;
  };
  int corrections = 0;
  while (Compare(square, N) > 0) {
    if (++corrections > kMaxCorrections || r.empty()) throw Unproven{};
    SubInPlace(r, Limbs{1});
    SubInPlace(square, step());
  }
  for (;;) {
    Limbs next = square;
    AddInPlace(next, step());
    if (Compare(next, N) > 0) break;
    if (++corrections > kMaxCorrections) throw Unproven{};
    square.swap(next);
    AddInPlace(r, Limbs{1});
  }
}

std::string DigitText(const Limbs& r) {
  std::string text(r.size() * kDigits, '0');
  mynum::UnpackLimbs(r.data(), r.size(), kDigits, reinterpret_cast<uint8_t*>(text.data()),
                     text.size());
  while (text.size() > 1 && text.back() == 0) text.pop_back();
  std::reverse(text.begin(), text.end());
  for (char& c : text) c = static_cast<char>('0' + c);
  return text;
}

}  // namespace

DecimalRootStatus DecimalRootDigits(uint64_t X, uint64_t h, CancelToken abort,
                                    std::string* digits) {
  try {
    mynum::WithCancellableAllocations(abort, [&] {
      Limbs r = EstimateRoot(X, h, abort);
      CorrectRoot(r, ScaledByTen(X, 2 * h), abort);
      *digits = DigitText(r);
    });
    return DecimalRootStatus::kDone;
  } catch (const DecimalCancelled&) {
    return DecimalRootStatus::kCancelled;
  } catch (const Unproven&) {
    g_unproven.fetch_add(1, std::memory_order_relaxed);
    return DecimalRootStatus::kUnproven;
  }
}

bool UseDecimalRoot(uint64_t rootDigits) {
  const uint64_t least = g_leastDigits.load(std::memory_order_relaxed);
  // The default crossover holds on the vector transforms only.
  if (least == kDecimalRootLeastDigits && !mynum::VectorNttAvailable()) return false;
  return rootDigits >= least;
}

void SetDecimalRootLeastDigitsForTest(uint64_t digits) {
  g_leastDigits.store(digits == 0 ? kDecimalRootLeastDigits : digits, std::memory_order_relaxed);
}

uint64_t DecimalRootUnproven() {
  return g_unproven.load(std::memory_order_relaxed);
}

}  // namespace vpx
