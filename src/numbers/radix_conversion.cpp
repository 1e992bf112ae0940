#include "numbers/radix_conversion.h"

#include <algorithm>
#include <memory>
#include <tuple>
#include <vector>

#include "numbers/decimal_ntt.h"
#include "numbers/math_decimal.h"
#include "numbers/mpz_product.h"
#include "numbers/second_thread.h"

// GMP 6's product modulo B^n - 1 (exported, though not public API): the tree needs only the
// middle of each product, and the wrapped product skips most of the rest.
#if __GNU_MP_VERSION == 6 && !defined(VPX_PUBLIC_GMP_ONLY)
extern "C" {
void __gmpn_mulmod_bnm1(mp_ptr, mp_size_t, mp_srcptr, mp_size_t, mp_srcptr, mp_size_t, mp_ptr);
mp_size_t __gmpn_mulmod_bnm1_next_size(mp_size_t);
}
#define VPX_WRAPPED_PRODUCTS 1
#endif

namespace vpx {
namespace {

constexpr double kLog2Of10 = 3.3219280948873623;
// Fractions of at most this many digits convert as one leaf, by repeated limb products
// (quadratic, but short).
constexpr uint64_t kLeafDigitsMax = 360;
// Longer ones split at multiples of kLeafUnitDigits * 2^i, down to leaves of at most that
// many digits. A node of 2^(i+1) units wraps its product into about
// (2 log2(10) - 1) * 176 * 2^i / 64 = 15.5 * 2^i limbs (plus a few): 97% of a transform
// length. Units set by the length alone (the digits over a power of two) filled 50 to 100%.
constexpr uint64_t kLeafUnitDigits = 176;
// Fractions carrying more than twice this many bits beyond their digits and slack lose the
// rest first.
constexpr uint64_t kTrimSpareBits = 128;
// Below this many digits a second thread costs more than it saves.
constexpr uint64_t kTwoThreadMinDigits = 50'000;
constexpr uint32_t kChunkDigits = 19;

// Products with a power of five shorter than this go through plain mpz_mul.
constexpr size_t kWrapMinLimbs = 100;
// From this many limbs of the power of five the wrapped products go through the vector
// transforms (GMP's wrapped product below).
constexpr size_t kTransformWrapMinLimbs = 128;

// A node's fraction is A / 2^p; the value it stands for lies in [A - lo, A + hi] / 2^p.
struct Slack {
  uint64_t lo;
  uint64_t hi;
};

// ceil(x / 2^s).
uint64_t CeilShift(uint64_t x, uint64_t s) {
  if (x == 0) return 0;
  if (s >= 64) return 1;
  return (x >> s) + ((x & ((uint64_t{1} << s) - 1)) != 0 ? 1 : 0);
}

uint64_t Distance(uint64_t a, uint64_t b) {
  return a > b ? a - b : b - a;
}

uint64_t BitLength(uint64_t x) {
  return x == 0 ? 0 : 64 - static_cast<uint64_t>(__builtin_clzll(x));
}

// An upper bound for log2(10^n), rounded up past any rounding of the double product.
uint64_t DecimalBitsUpper(uint64_t n) {
  return static_cast<uint64_t>(static_cast<double>(n) * kLog2Of10) + 2;
}

void WriteChunk(uint64_t v, uint32_t width, char* out) {
  for (uint32_t j = width; j-- > 0;) {
    out[j] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
}

uint64_t PowerOfTen(uint32_t e) {
  uint64_t v = 1;
  while (e-- > 0) v *= 10;
  return v;
}

// Whether bits [from, 64 * size) of the limbs are all equal to `bit`.
bool TopBitsAll(const mp_limb_t* a, size_t size, uint64_t from, bool bit) {
  const mp_limb_t full = bit ? ~mp_limb_t{0} : 0;
  size_t limb = static_cast<size_t>(from / 64);
  const uint64_t offset = from % 64;
  if (offset != 0) {
    const mp_limb_t mask = ~mp_limb_t{0} << offset;
    if ((a[limb] & mask) != (full & mask)) return false;
    ++limb;
  }
  for (; limb < size; ++limb) {
    if (a[limb] != full) return false;
  }
  return true;
}

class FractionTree {
 public:
  FractionTree(uint64_t digits, bool twoThreads, CancelToken abort)
      : abort_(abort),
        twoThreads_(twoThreads),
        leaf_(digits <= kLeafDigitsMax ? digits : kLeafUnitDigits) {}
  // A tree for the second thread: the same leaves and powers of five (all made by the time
  // it runs, so only read), its own scratch.
  explicit FractionTree(const FractionTree& shared)
      : abort_(shared.abort_), leaf_(shared.leaf_), fives_(shared.fives_) {}
  FractionTree& operator=(const FractionTree&) = delete;

  FractionDigitsStatus Node(mpz_ptr A, uint64_t p, Slack e, uint64_t n, char* out) {
    if (n <= leaf_) return Leaf(A, p, e, n, out);
    if (abort_.IsCancelled()) return FractionDigitsStatus::kCancelled;
    uint32_t level = 0;
    while ((leaf_ << (level + 1)) < n) ++level;
    const bool bothHalves = twoThreads_ && n >= kTwoThreadMinDigits;
    uint64_t nh = leaf_ << level;
    mpz_srcptr five = nullptr;
    // Halves done at once should take about as long: the split at three quarters of the
    // units, when nearer the middle, costs one product of two powers of five.
    const uint64_t threeQuarters = level >= 2 ? 3 * (leaf_ << (level - 2)) : 0;
    if (bothHalves && Distance(2 * threeQuarters, n) < Distance(2 * nh, n)) {
      nh = threeQuarters;
      MulMpz(splitFive_.get(), FivePower(level - 1), FivePower(level - 2));
      five = splitFive_.get();
    } else {
      five = FivePower(level);
    }
    const uint64_t nl = n - nh;
    const uint64_t fiveBits = mpz_sizeinbase(five, 2);
    const uint64_t t = nh + fiveBits;  // 2^t > 10^nh
    if (p <= t + 1) return FractionDigitsStatus::kUnsettled;
    const uint64_t pl = p - t;
    // frac(A * 10^nh / 2^p) = frac(L * 5^nh / 2^(p - nh)) with L = A mod 2^(p - nh), as A's
    // top nh bits only reach the integer part; to pl bits, it is bits [fiveBits, p - nh) of
    // L * 5^nh. A wrapped product may read them one unit high (a carry from the wrapped top).
    Mpz low, right;
    mpz_tdiv_r_2exp(low.get(), A, p - nh);
    const uint64_t carry = Product(low.get(), five, p - nh, right.get()) ? 1 : 0;
    if (abort_.IsCancelled()) return FractionDigitsStatus::kCancelled;
    mpz_tdiv_q_2exp(right.get(), right.get(), fiveBits);
    mpz_tdiv_r_2exp(right.get(), right.get(), pl);
    // The true value's integer part must be certain: no wrap past 0 or 1 within the slack.
    if (mpz_cmp_ui(right.get(), e.lo + carry) < 0) return FractionDigitsStatus::kUnsettled;
    {
      Mpz top;
      mpz_add_ui(top.get(), right.get(), e.hi);
      mpz_add_ui(top.get(), top.get(), 1);
      if (mpz_sizeinbase(top.get(), 2) > pl) return FractionDigitsStatus::kUnsettled;
    }
    const Slack lowSlack{e.lo + carry, e.hi + 1};
    // The high digits need only the top bits; the low ones' bits go.
    const double lowBits = static_cast<double>(nl) * kLog2Of10 - 2;
    const uint64_t s = lowBits > 0 ? static_cast<uint64_t>(lowBits) : 0;
    const Slack highSlack{CeilShift(e.lo, s), CeilShift(e.hi, s) + 1};
    if (bothHalves) {
      twoThreads_ = false;  // the top node only
      return BothHalves(A, p - s, highSlack, nh, right.get(), pl, lowSlack, nl, s, out);
    }
    FractionDigitsStatus status = Node(right.get(), pl, lowSlack, nl, out + nh);
    if (status != FractionDigitsStatus::kDone) return status;
    mpz_tdiv_q_2exp(A, A, s);
    return Node(A, p - s, highSlack, nh, out);
  }

 private:
  // out = A * five, or, for long operands, that product modulo 2^K - 1 with K >= p + 64
  // (true): then A * five < 2^(p + bits(five)) wraps only its top below bit bits(five) - 64,
  // which can carry one unit into the bits above. A top that would wrap onto all of them
  // leaves those bits all zero or all one, and the checks reject both.
  bool Product(mpz_srcptr A, mpz_srcptr five, [[maybe_unused]] uint64_t p, mpz_ptr out) {
    if (WrapByTransforms(A, five, p, out)) return true;
#ifdef VPX_WRAPPED_PRODUCTS
    const mp_size_t an = static_cast<mp_size_t>(mpz_size(A));
    const mp_size_t bn = static_cast<mp_size_t>(mpz_size(five));
    if (static_cast<size_t>(bn) >= kWrapMinLimbs && an >= bn) {
      const mp_size_t rn = __gmpn_mulmod_bnm1_next_size(static_cast<mp_size_t>((p + 64 + 63) / 64));
      if (an <= rn) {
        // GMP asks for 2rn + 4 limbs; the largest product comes first, so this grows once.
        if (scratch_.size() < static_cast<size_t>(3 * rn + 64))
          scratch_.resize(static_cast<size_t>(3 * rn + 64));
        mp_ptr r = mpz_limbs_write(out, rn);
        std::fill_n(r, rn, mp_limb_t{0});
        __gmpn_mulmod_bnm1(r, rn, mpz_limbs_read(A), an, mpz_limbs_read(five), bn, scratch_.data());
        mpz_limbs_finish(out, rn);
        return true;
      }
    }
#endif
    ReserveBits(out, mpz_sizeinbase(A, 2) + mpz_sizeinbase(five, 2));
    MulMpz(out, A, five);
    return false;
  }

  // The wrapped product on the vector transforms, with K = 64 m for m a power of two: the
  // power of five is transformed once per length and serves every node of its level.
  bool WrapByTransforms(mpz_srcptr A, mpz_srcptr five, uint64_t p, mpz_ptr out) {
    const size_t an = mpz_size(A), bn = mpz_size(five);
    if (bn < kTransformWrapMinLimbs || an < bn || !mynum::VectorNttAvailable()) return false;
    const size_t m = mynum::NttWrapLength(static_cast<size_t>((p + 64 + 63) / 64));
    if (an > m) return false;
    const mynum::NttTransforms& transformed = FiveTransform(five, m);
    auto* r = reinterpret_cast<uint64_t*>(mpz_limbs_write(out, static_cast<mp_size_t>(m)));
    mynum::MulModDecimalLimbsNtt(reinterpret_cast<const uint64_t*>(mpz_limbs_read(A)), an,
                                 transformed, r, CancelToken{}, mynum::kBinaryLimbDigits, false);
    mpz_limbs_finish(out, static_cast<mp_size_t>(m));
    return true;
  }

  const mynum::NttTransforms& FiveTransform(mpz_srcptr five, size_t m) {
    for (const auto& [power, length, transformed] : fiveTransforms_) {
      if (power == five && length == m) return *transformed;
    }
    fiveTransforms_.emplace_back(five, m,
                                 mynum::TransformForWrapProducts(
                                     reinterpret_cast<const uint64_t*>(mpz_limbs_read(five)),
                                     mpz_size(five), m, CancelToken{}, mynum::kBinaryLimbDigits));
    return *std::get<2>(fiveTransforms_.back());
  }

  // 5^(leaf_ * 2^level), squared up from the level below.
  mpz_srcptr FivePower(uint32_t level) {
    std::vector<std::unique_ptr<Mpz>>& fives = *fives_;
    while (fives.size() <= level) {
      auto next = std::make_unique<Mpz>();
      if (fives.empty()) {
        mpz_ui_pow_ui(next->get(), 5, leaf_);
      } else {
        ReserveBits(next->get(), 2 * mpz_sizeinbase(fives.back()->get(), 2));
        MulMpz(next->get(), fives.back()->get(), fives.back()->get());
      }
      fives.push_back(std::move(next));
    }
    return fives[level]->get();
  }

  // The digits by repeated products of the whole fraction with 10^19; exact, so the only
  // doubt is whether the slack crosses a digit boundary, read from the final remainder.
  FractionDigitsStatus Leaf(mpz_srcptr A, uint64_t p, Slack e, uint64_t n, char* out) {
    const size_t m = static_cast<size_t>((p + 63) / 64);
    const uint64_t shift = 64 * m - p;
    std::vector<mp_limb_t> a(m, 0);
    {
      Mpz scaled;
      mpz_mul_2exp(scaled.get(), A, shift);
      if (mpz_size(scaled.get()) > m) return FractionDigitsStatus::kUnsettled;
      std::copy_n(mpz_limbs_read(scaled.get()), mpz_size(scaled.get()), a.begin());
    }
    for (uint64_t done = 0; done < n;) {
      const uint32_t width = static_cast<uint32_t>(std::min<uint64_t>(kChunkDigits, n - done));
      const mp_limb_t carry = mpn_mul_1(a.data(), a.data(), static_cast<mp_size_t>(m),
                                        static_cast<mp_limb_t>(PowerOfTen(width)));
      WriteChunk(carry, width, out + done);
      done += width;
    }
    // Remainder G (units 2^-64m): the digits hold for [A - lo, A + hi] when
    // G >= lo * 2^shift * 10^n and G + hi * 2^shift * 10^n < 2^64m.
    const uint64_t total = 64 * m;
    if (e.lo != 0) {
      const uint64_t from = BitLength(e.lo) + shift + DecimalBitsUpper(n);
      if (from >= total || TopBitsAll(a.data(), m, from, false))
        return FractionDigitsStatus::kUnsettled;
    }
    const uint64_t from = BitLength(e.hi) + shift + DecimalBitsUpper(n);
    if (from >= total || TopBitsAll(a.data(), m, from, true))
      return FractionDigitsStatus::kUnsettled;
    return FractionDigitsStatus::kDone;
  }

  // The top node's halves at once: the low digits on a second thread (from its own copy of
  // the fraction), the high ones here; the same digits as one after the other.
  FractionDigitsStatus BothHalves(mpz_ptr A, uint64_t ph, Slack eh, uint64_t nh, mpz_srcptr right,
                                  uint64_t pl, Slack el, uint64_t nl, uint64_t s, char* out) {
    FractionDigitsStatus low = FractionDigitsStatus::kDone;
    SecondThreadTask task([&] {
      // Made on the second thread, inside its scope: its transforms are that thread's
      // blocks, freed before the scope ends even when it fails.
      FractionTree helper(*this);
      Mpz copy;
      mpz_set(copy.get(), right);
      low = helper.Node(copy.get(), pl, el, nl, out + nh);
    });
    mpz_tdiv_q_2exp(A, A, s);
    const FractionDigitsStatus high = Node(A, ph, eh, nh, out);
    task.Join();
    return low != FractionDigitsStatus::kDone ? low : high;
  }

  CancelToken abort_;
  bool twoThreads_ = false;
  uint64_t leaf_ = 1;
  std::shared_ptr<std::vector<std::unique_ptr<Mpz>>> fives_ =
      std::make_shared<std::vector<std::unique_ptr<Mpz>>>();
  std::vector<mp_limb_t> scratch_;
  Mpz splitFive_;  // the top node's power of five, when not one of fives_
  // Transforms of the powers of five by length, for this tree's thread only.
  std::vector<std::tuple<mpz_srcptr, size_t, std::shared_ptr<const mynum::NttTransforms>>>
      fiveTransforms_;
};

}  // namespace

uint64_t FractionBitsFor(uint64_t digits, uint32_t guardBits) {
  return DecimalBitsUpper(digits) + guardBits;
}

FractionDigitsStatus FractionDigits(mpz_srcptr V, uint64_t bits, uint64_t U, uint64_t digits,
                                    CancelToken abort, std::string* out, bool twoThreads) {
  Mpz A;
  mpz_add_ui(A.get(), V, U);
  if (mpz_sgn(V) < 0 || mpz_sizeinbase(A.get(), 2) > bits) return FractionDigitsStatus::kUnsettled;
  if (digits == 0) return FractionDigitsStatus::kDone;
  mpz_set(A.get(), V);
  // Bits far below the last digit's and the slack's only slow every node down: they go, and
  // the slack widens by the unit they could add.
  const uint64_t kept = DecimalBitsUpper(digits) + 2 * BitLength(U) + kTrimSpareBits;
  if (bits > kept + kTrimSpareBits) {
    mpz_tdiv_q_2exp(A.get(), A.get(), bits - kept);
    U = CeilShift(U, bits - kept) + 1;
    bits = kept;
  }
  const size_t start = out->size();
  out->resize(start + digits);
  FractionTree tree(digits, twoThreads, abort);
  const FractionDigitsStatus status = tree.Node(A.get(), bits, {0, U}, digits, out->data() + start);
  if (status != FractionDigitsStatus::kDone) out->resize(start);
  return status;
}

}  // namespace vpx
