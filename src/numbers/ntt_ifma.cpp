#include "numbers/ntt_ifma.h"

#include <immintrin.h>

#include <algorithm>
#include <bit>
#include <vector>

#include "numbers/ntt_table_cache.h"

// GCC 12's AVX-512 headers start some vectors from their own undefined value on purpose.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// Only the kernels are built for AVX-512 IFMA (the attribute, not a file-wide option), so
// nothing shared with the rest of the program is, and they run only after Available().
#define VPX_IFMA __attribute__((target("avx512f,avx512dq,avx512ifma")))

namespace vpx::mynum::ifma {
namespace {

using Uint128 = unsigned __int128;
constexpr uint64_t kMask52 = (uint64_t{1} << 52) - 1;

constexpr uint64_t InverseModWord(uint64_t p) {
  uint64_t x = p;  // correct to 3 bits for odd p; each step doubles them
  for (int i = 0; i < 5; ++i) x *= 2 - p * x;
  return x;
}

uint64_t MulMod(uint64_t a, uint64_t b, uint64_t p) {
  return static_cast<uint64_t>(Uint128{a} * b % p);
}

uint64_t PowMod(uint64_t a, uint64_t e, uint64_t p) {
  uint64_t r = 1;
  for (; e != 0; e >>= 1, a = MulMod(a, a, p)) {
    if (e & 1) r = MulMod(r, a, p);
  }
  return r;
}

// a * b / 2^64 mod p (Montgomery), for the tables' running powers.
uint64_t MontMul64(uint64_t a, uint64_t b, uint64_t p, uint64_t pinv) {
  const Uint128 t = Uint128{a} * b;
  const uint64_t m = static_cast<uint64_t>(t) * pinv;
  const uint64_t hi = static_cast<uint64_t>(t >> 64);
  const uint64_t mh = static_cast<uint64_t>((Uint128{m} * p) >> 64);
  return hi >= mh ? hi - mh : hi - mh + p;
}

}  // namespace

// Per prime and direction, entry h + j is the root of unity of order 2h to the power j
// (forward) or -j (inverse) with its Shoup quotient floor(w 2^52 / p); the entries of a
// stage serve every length, so a longer table starts as a copy of a shorter one.
// scale[i][k]: 2^104 / 2^k modulo prime i, so that one Montgomery product divides by the
// length and undoes the pointwise products' 2^-52.
// chain[i][d][k]: the weights of a negacyclic transform of length 2^k (the root of order
// 2^(k+1) to the powers 0 ... 31, forward times 2^52, inverse times scale[i][k]) and the
// step root^32 times 2^52 that advances them.
struct WeightChain {
  uint64_t first[32];
  uint64_t step;
};
struct Tables {
  size_t length = 0;
  std::vector<uint64_t> w[3][2], quotient[3][2];
  uint64_t scale[3][64];
  std::vector<WeightChain> chain[3][2];
};

namespace {

std::shared_ptr<const Tables> BuildTables(size_t length, const Tables* from, CancelToken cancel) {
  auto t = std::make_shared<Tables>();
  t->length = std::max<size_t>(length, 2);
  const size_t kept = from != nullptr ? from->length : 1;
  for (int i = 0; i < 3; ++i) {
    const uint64_t p = kPrimes[i], pinv = InverseModWord(p), pinv52 = pinv & kMask52;
    const uint64_t r64 = static_cast<uint64_t>((Uint128{1} << 64) % p);
    const uint64_t two52 = (uint64_t{1} << 52) % p;
    const uint64_t half = (p + 1) / 2;
    uint64_t scale = MulMod(two52, two52, p);
    for (int k = 0; k < 64; ++k, scale = MulMod(scale, half, p)) t->scale[i][k] = scale;
    for (int d = 0; d < 2; ++d) {
      for (size_t k = 0; (size_t{1} << k) <= t->length; ++k) {
        const uint64_t e = (p - 1) >> (k + 1);
        const uint64_t root = PowMod(kGenerators[i], d == 0 ? e : p - 1 - e, p);
        WeightChain chain;
        uint64_t power = d == 0 ? two52 : t->scale[i][k];
        for (uint64_t& x : chain.first) {
          x = power;
          power = MulMod(power, root, p);
        }
        chain.step = MulMod(PowMod(root, 32, p), two52, p);
        t->chain[i][d].push_back(chain);
      }
    }
    for (int d = 0; d < 2; ++d) {
      std::vector<uint64_t>& w = t->w[i][d];
      std::vector<uint64_t>& q = t->quotient[i][d];
      w.resize(t->length);
      q.resize(t->length);
      if (from != nullptr) {
        std::copy_n(from->w[i][d].begin(), kept, w.begin());
        std::copy_n(from->quotient[i][d].begin(), kept, q.begin());
      }
      for (size_t h = kept; h < t->length; h <<= 1) {
        if (cancel.IsCancelled()) return nullptr;
        const uint64_t e = (p - 1) / (2 * h);
        const uint64_t root = PowMod(kGenerators[i], d == 0 ? e : p - 1 - e, p);
        const uint64_t step = MulMod(root, r64, p);  // in Montgomery form
        uint64_t a = r64;                            // root^0 in Montgomery form
        for (size_t j = 0; j < h; ++j) {
          // w 2^52 = q p + r: q is -r / p modulo 2^52.
          const uint64_t r = MontMul64(a, two52, p, pinv);
          w[h + j] = MontMul64(a, 1, p, pinv);
          q[h + j] = ((0 - r) * pinv52) & kMask52;
          a = MontMul64(a, step, p, pinv);
        }
      }
    }
  }
  return t;
}

using V = __m512i;

// A prime's constants in every lane.
struct Lanes {
  V p, p2, pinv52, mask;
};

VPX_IFMA inline Lanes LanesOf(int i) {
  const uint64_t p = kPrimes[i];
  return {_mm512_set1_epi64(static_cast<long long>(p)),
          _mm512_set1_epi64(static_cast<long long>(2 * p)),
          _mm512_set1_epi64(static_cast<long long>(InverseModWord(p) & kMask52)),
          _mm512_set1_epi64(static_cast<long long>(kMask52))};
}

// x - m where x >= m, else x (unsigned: the wrapped difference is larger).
VPX_IFMA inline V SubIfAtLeast(V x, V m) {
  return _mm512_min_epu64(x, _mm512_sub_epi64(x, m));
}

// x w mod p in [0, 2p) for x below 2^52 (Shoup: q = floor(x wq / 2^52) is the quotient or
// one less, and x w - q p fits the low 52 bits).
VPX_IFMA inline V MulTwiddle(V x, V w, V wq, const Lanes& c) {
  const V zero = _mm512_setzero_si512();
  const V q = _mm512_madd52hi_epu64(zero, x, wq);
  const V xw = _mm512_madd52lo_epu64(zero, x, w);
  const V qp = _mm512_madd52lo_epu64(zero, q, c.p);
  return _mm512_and_si512(_mm512_sub_epi64(xw, qp), c.mask);
}

// a b / 2^52 mod p in [0, p) for a b < p 2^52 (Montgomery: m p has the low half of a b, so
// the difference of the high halves is exact and within (-p, p)).
VPX_IFMA inline V MulMontgomery(V a, V b, const Lanes& c) {
  const V zero = _mm512_setzero_si512();
  const V lo = _mm512_madd52lo_epu64(zero, a, b);
  const V hi = _mm512_madd52hi_epu64(zero, a, b);
  const V m = _mm512_madd52lo_epu64(zero, lo, c.pinv52);
  const V r = _mm512_sub_epi64(hi, _mm512_madd52hi_epu64(zero, m, c.p));
  return _mm512_min_epu64(r, _mm512_add_epi64(r, c.p));
}

// (u, v) to (u + v, (u - v) w), inputs and outputs below 2p.
VPX_IFMA inline void ForwardButterfly(V& x, V& y, V w, V wq, const Lanes& c) {
  const V u = x, v = y;
  x = SubIfAtLeast(_mm512_add_epi64(u, v), c.p2);
  y = MulTwiddle(_mm512_add_epi64(_mm512_sub_epi64(u, v), c.p2), w, wq, c);
}

// (u, v) to (u + v w, u - v w), inputs and outputs below 4p.
VPX_IFMA inline void InverseButterfly(V& x, V& y, V w, V wq, const Lanes& c) {
  const V u = SubIfAtLeast(x, c.p2);
  const V t = MulTwiddle(y, w, wq, c);
  x = _mm512_add_epi64(u, t);
  y = _mm512_add_epi64(_mm512_sub_epi64(u, t), c.p2);
}

VPX_IFMA inline V Load(const uint64_t* p) {
  return _mm512_loadu_si512(p);
}
VPX_IFMA inline void Store(uint64_t* p, V v) {
  _mm512_storeu_si512(p, v);
}

// The three stages of half-length 4, 2 and 1 on sixteen values (A, B): each stage gathers
// the butterflies' two sides into u and v, and puts them back after.
struct SmallStage {
  V pickU, pickV, backLo, backHi;
};

VPX_IFMA inline SmallStage SmallStageOf(int h) {
  switch (h) {
    case 4:
      return {_mm512_setr_epi64(0, 1, 2, 3, 8, 9, 10, 11),
              _mm512_setr_epi64(4, 5, 6, 7, 12, 13, 14, 15),
              _mm512_setr_epi64(0, 1, 2, 3, 8, 9, 10, 11),
              _mm512_setr_epi64(4, 5, 6, 7, 12, 13, 14, 15)};
    case 2:
      return {_mm512_setr_epi64(0, 1, 4, 5, 8, 9, 12, 13),
              _mm512_setr_epi64(2, 3, 6, 7, 10, 11, 14, 15),
              _mm512_setr_epi64(0, 1, 8, 9, 2, 3, 10, 11),
              _mm512_setr_epi64(4, 5, 12, 13, 6, 7, 14, 15)};
    default:
      return {_mm512_setr_epi64(0, 2, 4, 6, 8, 10, 12, 14),
              _mm512_setr_epi64(1, 3, 5, 7, 9, 11, 13, 15),
              _mm512_setr_epi64(0, 8, 1, 9, 2, 10, 3, 11),
              _mm512_setr_epi64(4, 12, 5, 13, 6, 14, 7, 15)};
  }
}

// The twiddles of stage h (4, 2 or 1) repeated across the lanes.
VPX_IFMA inline V SmallTwiddles(const uint64_t* w, int h) {
  switch (h) {
    case 4:
      return _mm512_broadcast_i64x4(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + 4)));
    case 2:
      return _mm512_broadcast_i64x2(_mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 2)));
    default:
      return _mm512_set1_epi64(static_cast<long long>(w[1]));
  }
}

template <bool kForward>
VPX_IFMA inline void SmallButterflies(V& a, V& b, const SmallStage& s, V w, V wq, const Lanes& c) {
  V u = _mm512_permutex2var_epi64(a, s.pickU, b);
  V v = _mm512_permutex2var_epi64(a, s.pickV, b);
  if constexpr (kForward) {
    ForwardButterfly(u, v, w, wq, c);
  } else {
    InverseButterfly(u, v, w, wq, c);
  }
  a = _mm512_permutex2var_epi64(u, s.backLo, v);
  b = _mm512_permutex2var_epi64(u, s.backHi, v);
}

// The stages of half-length 4, 2, 1 (forward) or 1, 2, 4 (inverse) over the whole array.
template <bool kForward>
VPX_IFMA void SmallStages(uint64_t* a, size_t length, const uint64_t* w, const uint64_t* wq,
                          const Lanes& c) {
  constexpr int kOrder[3] = {kForward ? 4 : 1, 2, kForward ? 1 : 4};
  SmallStage stage[3];
  V tw[3], tq[3];
  for (int s = 0; s < 3; ++s) {
    stage[s] = SmallStageOf(kOrder[s]);
    tw[s] = SmallTwiddles(w, kOrder[s]);
    tq[s] = SmallTwiddles(wq, kOrder[s]);
  }
  for (size_t k = 0; k < length; k += 16) {
    V x = Load(a + k), y = Load(a + k + 8);
    for (int s = 0; s < 3; ++s) SmallButterflies<kForward>(x, y, stage[s], tw[s], tq[s], c);
    Store(a + k, x);
    Store(a + k + 8, y);
  }
}

// Natural order in, bit-reversed order out, residues below 2p; the stages from half-length h
// on, two at a time while both are eight values wide or more (each group of four values read
// and written once for both), then the last three on sixteen values at a time.
VPX_IFMA void Forward(uint64_t* a, size_t length, size_t h, const uint64_t* w, const uint64_t* wq,
                      const Lanes& c) {
  for (; h >= 16; h >>= 2) {
    const size_t q = h / 2;
    for (size_t block = 0; block < length; block += 2 * h) {
      uint64_t* x = a + block;
      for (size_t j = 0; j < q; j += 8) {
        V u0 = Load(x + j), u1 = Load(x + j + q), u2 = Load(x + j + h), u3 = Load(x + j + h + q);
        ForwardButterfly(u0, u2, Load(w + h + j), Load(wq + h + j), c);
        ForwardButterfly(u1, u3, Load(w + h + j + q), Load(wq + h + j + q), c);
        const V w1 = Load(w + q + j), q1 = Load(wq + q + j);
        ForwardButterfly(u0, u1, w1, q1, c);
        ForwardButterfly(u2, u3, w1, q1, c);
        Store(x + j, u0);
        Store(x + j + q, u1);
        Store(x + j + h, u2);
        Store(x + j + h + q, u3);
      }
    }
  }
  if (h == 8) {
    const V w8 = Load(w + 8), q8 = Load(wq + 8);
    for (size_t block = 0; block < length; block += 16) {
      V u = Load(a + block), v = Load(a + block + 8);
      ForwardButterfly(u, v, w8, q8, c);
      Store(a + block, u);
      Store(a + block + 8, v);
    }
  }
  SmallStages<true>(a, length, w, wq, c);
}

// Bit-reversed order in (residues below 4p), natural order out below 4p, not divided by the
// length: the first three stages on sixteen values, then two at a time, as Forward.
VPX_IFMA void Inverse(uint64_t* a, size_t length, const uint64_t* w, const uint64_t* wq,
                      const Lanes& c) {
  SmallStages<false>(a, length, w, wq, c);
  size_t h = 8;
  for (; 4 * h <= length; h <<= 2) {
    for (size_t block = 0; block < length; block += 4 * h) {
      uint64_t* x = a + block;
      for (size_t j = 0; j < h; j += 8) {
        V u0 = Load(x + j), u1 = Load(x + j + h), u2 = Load(x + j + 2 * h),
          u3 = Load(x + j + 3 * h);
        const V w1 = Load(w + h + j), q1 = Load(wq + h + j);
        InverseButterfly(u0, u1, w1, q1, c);
        InverseButterfly(u2, u3, w1, q1, c);
        InverseButterfly(u0, u2, Load(w + 2 * h + j), Load(wq + 2 * h + j), c);
        InverseButterfly(u1, u3, Load(w + 3 * h + j), Load(wq + 3 * h + j), c);
        Store(x + j, u0);
        Store(x + j + h, u1);
        Store(x + j + 2 * h, u2);
        Store(x + j + 3 * h, u3);
      }
    }
  }
  if (h < length) {
    for (size_t j = 0; j < h; j += 8) {
      V u = Load(a + j), v = Load(a + j + h);
      InverseButterfly(u, v, Load(w + h + j), Load(wq + h + j), c);
      Store(a + j, u);
      Store(a + j + h, v);
    }
  }
}

// The lanes of the group of eight at k that lie below n (the last group may be partial).
inline __mmask8 GroupMask(size_t k, size_t n) {
  return n - k >= 8 ? static_cast<__mmask8>(0xff) : static_cast<__mmask8>((1u << (n - k)) - 1);
}

// How ReduceWords stores a word's residue: as it is, or added to or subtracted from the
// residue in place (operands folded onto a shorter transform).
enum class Fold { kSet, kAdd, kSubtract };

// Words below 2^64 as residues below 2p: x = h 2^52 + l is l + h (2^52 mod p), below
// 2^52 + 2^51 as 2^52 mod p = 4 (2^50 - p) is below 2^39 for these primes; two conditional
// subtractions bring it below 2p.
template <Fold kFold>
VPX_IFMA void ReduceWords(int i, const uint64_t* limbs, size_t n, uint64_t* to, const Lanes& c) {
  const uint64_t p = kPrimes[i];
  static_assert(((uint64_t{1} << 52) - 4 * kPrimes[2]) < (uint64_t{1} << 39));
  const V high = _mm512_set1_epi64(static_cast<long long>((uint64_t{1} << 52) - 4 * p));
  const V p4 = _mm512_set1_epi64(static_cast<long long>(4 * p));
  for (size_t k = 0; k < n; k += 8) {
    const __mmask8 m = GroupMask(k, n);
    const V x = _mm512_maskz_loadu_epi64(m, limbs + k);
    V r = _mm512_madd52lo_epu64(_mm512_and_si512(x, c.mask), _mm512_srli_epi64(x, 52), high);
    r = SubIfAtLeast(SubIfAtLeast(r, p4), c.p2);
    if constexpr (kFold != Fold::kSet) {
      const V old = _mm512_maskz_loadu_epi64(m, to + k);
      r = kFold == Fold::kAdd ? _mm512_add_epi64(old, r)
                              : _mm512_sub_epi64(_mm512_add_epi64(old, c.p2), r);
      r = SubIfAtLeast(r, c.p2);
    }
    _mm512_mask_storeu_epi64(to + k, m, r);
  }
}

// limbs[0 .. n) modulo x^length -+ 1 as residues below 2p in to[0 .. min(n, length)).
VPX_IFMA void ReduceFolded(int i, const uint64_t* limbs, size_t n, size_t length, Wrap wrap,
                           uint64_t* to, const Lanes& c) {
  ReduceWords<Fold::kSet>(i, limbs, std::min(n, length), to, c);
  for (size_t from = length, t = 1; from < n; from += length, ++t) {
    const size_t count = std::min(length, n - from);
    if (wrap == Wrap::kNegacyclic && (t & 1) != 0) {
      ReduceWords<Fold::kSubtract>(i, limbs + from, count, to, c);
    } else {
      ReduceWords<Fold::kAdd>(i, limbs + from, count, to, c);
    }
  }
}

// to[k] = from[k] times the k-th weight of the chain for k < n (from below 4p, results below
// p). The powers run in four chains of eight lanes, each advanced by root^32 per step,
// rather than read from a table: a table of a long transform's weights streams from memory.
VPX_IFMA void WeightByPowers(const WeightChain& chain, const uint64_t* from, uint64_t* to, size_t n,
                             const Lanes& c) {
  constexpr size_t kChains = 4;
  const V step = _mm512_set1_epi64(static_cast<long long>(chain.step));
  V w[kChains];
  for (size_t j = 0; j < kChains; ++j) w[j] = _mm512_loadu_si512(chain.first + 8 * j);
  for (size_t k = 0; k < n; k += 8 * kChains) {
    for (size_t j = 0; j < kChains; ++j) {
      const size_t at = k + 8 * j;
      if (at < n) {
        const __mmask8 m = GroupMask(at, n);
        const V x = _mm512_maskz_loadu_epi64(m, from + at);
        _mm512_mask_storeu_epi64(to + at, m, MulMontgomery(x, w[j], c));
      }
      w[j] = MulMontgomery(w[j], step, c);
    }
  }
}

VPX_IFMA void LoadForwardIfma(int i, const Tables& t, const uint64_t* limbs, size_t n,
                              size_t length, uint64_t* to, Wrap wrap) {
  const Lanes c = LanesOf(i);
  const uint64_t* w = t.w[i][0].data();
  const uint64_t* wq = t.quotient[i][0].data();
  ReduceFolded(i, limbs, n, length, wrap, to, c);
  n = std::min(n, length);
  if (wrap == Wrap::kNegacyclic)
    WeightByPowers(t.chain[i][0][std::countr_zero(length)], to, to, n, c);
  size_t h = length / 2;
  std::fill(to + n, to + length, 0);
  if (n <= h) {
    // The first stage's other inputs are zeros: (u, 0) becomes (u, u w).
    for (size_t k = 0; k < n; k += 8) {
      const __mmask8 m = GroupMask(k, n);
      const V x = _mm512_maskz_loadu_epi64(m, to + k);
      const V y = MulTwiddle(x, _mm512_maskz_loadu_epi64(m, w + h + k),
                             _mm512_maskz_loadu_epi64(m, wq + h + k), c);
      _mm512_mask_storeu_epi64(to + h + k, m, y);
    }
    h /= 2;
  }
  Forward(to, length, h, w, wq, c);
}

VPX_IFMA void MulPointwiseIfma(int i, uint64_t* a, const uint64_t* b, size_t n) {
  const Lanes c = LanesOf(i);
  for (size_t k = 0; k < n; k += 8) {
    const __mmask8 m = GroupMask(k, n);
    const V x = _mm512_maskz_loadu_epi64(m, a + k), y = _mm512_maskz_loadu_epi64(m, b + k);
    _mm512_mask_storeu_epi64(a + k, m, MulMontgomery(x, y, c));
  }
}

VPX_IFMA void MulAddPointwiseIfma(int i, uint64_t* sum, const uint64_t* x, const uint64_t* y,
                                  size_t n) {
  const Lanes c = LanesOf(i);
  for (size_t k = 0; k < n; k += 8) {
    const __mmask8 m = GroupMask(k, n);
    const V product =
        MulMontgomery(_mm512_maskz_loadu_epi64(m, x + k), _mm512_maskz_loadu_epi64(m, y + k), c);
    const V s = _mm512_add_epi64(_mm512_maskz_loadu_epi64(m, sum + k), product);
    _mm512_mask_storeu_epi64(sum + k, m, SubIfAtLeast(s, c.p));
  }
}

VPX_IFMA void InverseScaledIfma(int i, const Tables& t, uint64_t* a, size_t length, uint64_t* out,
                                size_t n, Wrap wrap) {
  const Lanes c = LanesOf(i);
  const uint64_t* w = t.w[i][1].data();
  const uint64_t* wq = t.quotient[i][1].data();
  Inverse(a, length, w, wq, c);
  const uint64_t scale = t.scale[i][std::countr_zero(length)];
  if (wrap == Wrap::kNegacyclic) {
    WeightByPowers(t.chain[i][1][std::countr_zero(length)], a, out, n, c);
    return;
  }
  const V s = _mm512_set1_epi64(static_cast<long long>(scale));
  for (size_t k = 0; k < n; k += 8) {
    const __mmask8 m = GroupMask(k, n);
    const V x = _mm512_maskz_loadu_epi64(m, a + k);
    _mm512_mask_storeu_epi64(out + k, m, MulMontgomery(x, s, c));
  }
}

VPX_IFMA void AddResiduesIfma(int i, uint64_t* acc, const uint64_t* x, size_t n, bool subtract) {
  const Lanes c = LanesOf(i);
  for (size_t k = 0; k < n; k += 8) {
    const __mmask8 m = GroupMask(k, n);
    const V a = _mm512_maskz_loadu_epi64(m, acc + k), b = _mm512_maskz_loadu_epi64(m, x + k);
    const V s = subtract ? _mm512_sub_epi64(_mm512_add_epi64(a, c.p), b) : _mm512_add_epi64(a, b);
    _mm512_mask_storeu_epi64(acc + k, m, SubIfAtLeast(s, c.p));
  }
}

VPX_IFMA void HalveResiduesIfma(int i, uint64_t* a, size_t n) {
  const Lanes c = LanesOf(i);
  const V one = _mm512_set1_epi64(1);
  for (size_t k = 0; k < n; k += 8) {
    const __mmask8 m = GroupMask(k, n);
    const V x = _mm512_maskz_loadu_epi64(m, a + k);
    const V even = _mm512_mask_add_epi64(x, _mm512_test_epi64_mask(x, one), x, c.p);
    _mm512_mask_storeu_epi64(a + k, m, _mm512_srli_epi64(even, 1));
  }
}

// (a - b) mod p for a, b below p.
VPX_IFMA inline V SubMod(V a, V b, V p) {
  const V d = _mm512_sub_epi64(a, b);
  return _mm512_min_epu64(d, _mm512_add_epi64(d, p));
}

// p_from^-1 modulo prime `to`, in Montgomery form (times 2^52).
uint64_t InverseMontgomery(int from, int to) {
  const uint64_t p = kPrimes[to];
  return MulMod(PowMod(kPrimes[from] % p, p - 2, p), (uint64_t{1} << 52) % p, p);
}

// x = r1 + p1 (k2 + p2 k3) (below 2^150) as three 64-bit words, from 52-bit digits: the
// products' halves summed, carried, then regrouped.
VPX_IFMA inline void CombineWords(V r1, V k2, V k3, V& w0, V& w1, V& w2) {
  const V zero = _mm512_setzero_si512(), mask = _mm512_set1_epi64(static_cast<long long>(kMask52));
  const V p1 = _mm512_set1_epi64(static_cast<long long>(kPrimes[0]));
  const V p2 = _mm512_set1_epi64(static_cast<long long>(kPrimes[1]));
  const V lo = _mm512_madd52lo_epu64(k2, p2, k3);  // u = k2 + p2 k3 = u0 + u1 2^52
  const V u0 = _mm512_and_si512(lo, mask);
  const V u1 = _mm512_add_epi64(_mm512_madd52hi_epu64(zero, p2, k3), _mm512_srli_epi64(lo, 52));
  V d0 = _mm512_madd52lo_epu64(r1, p1, u0);  // x = d0 + d1 2^52 + d2 2^104
  V d1 = _mm512_madd52lo_epu64(_mm512_madd52hi_epu64(zero, p1, u0), p1, u1);
  V d2 = _mm512_madd52hi_epu64(zero, p1, u1);
  d1 = _mm512_add_epi64(d1, _mm512_srli_epi64(d0, 52));
  d0 = _mm512_and_si512(d0, mask);
  d2 = _mm512_add_epi64(d2, _mm512_srli_epi64(d1, 52));
  d1 = _mm512_and_si512(d1, mask);
  w0 = _mm512_or_si512(d0, _mm512_slli_epi64(d1, 52));
  w1 = _mm512_or_si512(_mm512_srli_epi64(d1, 12), _mm512_slli_epi64(d2, 40));
  w2 = _mm512_srli_epi64(d2, 24);
}

VPX_IFMA void CoefficientWordsIfma(uint64_t* r1s, uint64_t* r2s, uint64_t* r3s, size_t n) {
  static const uint64_t inv12 = InverseMontgomery(0, 1), inv13 = InverseMontgomery(0, 2),
                        inv23 = InverseMontgomery(1, 2);
  const Lanes c2 = LanesOf(1), c3 = LanesOf(2);
  const V i12 = _mm512_set1_epi64(static_cast<long long>(inv12));
  const V i13 = _mm512_set1_epi64(static_cast<long long>(inv13));
  const V i23 = _mm512_set1_epi64(static_cast<long long>(inv23));
  for (size_t k = 0; k < n; k += 8) {
    const __mmask8 m = GroupMask(k, n);
    const V r1 = _mm512_maskz_loadu_epi64(m, r1s + k);
    // r1 < p1 < 2 p2 < 2 p3: one subtraction reduces it modulo either.
    const V k2 = MulMontgomery(
        SubMod(_mm512_maskz_loadu_epi64(m, r2s + k), SubIfAtLeast(r1, c2.p), c2.p), i12, c2);
    const V t = MulMontgomery(
        SubMod(_mm512_maskz_loadu_epi64(m, r3s + k), SubIfAtLeast(r1, c3.p), c3.p), i13, c3);
    const V k3 = MulMontgomery(SubMod(t, SubIfAtLeast(k2, c3.p), c3.p), i23, c3);
    V w0, w1, w2;
    CombineWords(r1, k2, k3, w0, w1, w2);
    _mm512_mask_storeu_epi64(r1s + k, m, w0);
    _mm512_mask_storeu_epi64(r2s + k, m, w1);
    _mm512_mask_storeu_epi64(r3s + k, m, w2);
  }
}

}  // namespace

bool Available() {
  static const bool available = __builtin_cpu_supports("avx512f") &&
                                __builtin_cpu_supports("avx512dq") &&
                                __builtin_cpu_supports("avx512ifma");
  return available;
}

namespace {

TableCache<Tables> g_tables(BuildTables);

}  // namespace

std::shared_ptr<const Tables> TablesFor(size_t length, CancelToken cancel) {
  return g_tables.For(length, cancel);
}

void LoadForward(int i, const Tables& t, const uint64_t* limbs, size_t n, size_t length,
                 uint64_t* to, Wrap wrap) {
  LoadForwardIfma(i, t, limbs, n, length, to, wrap);
}

void MulPointwise(int i, uint64_t* a, const uint64_t* b, size_t n) {
  MulPointwiseIfma(i, a, b, n);
}

void MulAddPointwise(int i, uint64_t* sum, const uint64_t* x, const uint64_t* y, size_t n) {
  MulAddPointwiseIfma(i, sum, x, y, n);
}

void InverseScaled(int i, const Tables& t, uint64_t* a, size_t length, uint64_t* out, size_t n,
                   Wrap wrap) {
  InverseScaledIfma(i, t, a, length, out, n, wrap);
}

void CoefficientWords(uint64_t* r1, uint64_t* r2, uint64_t* r3, size_t n) {
  CoefficientWordsIfma(r1, r2, r3, n);
}

void AddResidues(int i, uint64_t* acc, const uint64_t* x, size_t n, bool subtract) {
  AddResiduesIfma(i, acc, x, n, subtract);
}

void HalveResidues(int i, uint64_t* a, size_t n) {
  HalveResiduesIfma(i, a, n);
}

bool ReleaseCachedTables() {
  return g_tables.Release();
}

void ReleaseLongTables() {
  g_tables.ReleaseLong();
}

}  // namespace vpx::mynum::ifma
