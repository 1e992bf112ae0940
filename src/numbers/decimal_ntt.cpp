#include "numbers/decimal_ntt.h"

#include <gmp.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <memory>
#include <mutex>
#include <vector>

#include "numbers/decimal_limb_kernels.h"
#include "numbers/decimal_slots.h"
#include "numbers/second_thread.h"

namespace vpx::mynum {
namespace {

// Transforms up to this length share twiddle tables kept for the process (12 MB at most):
// the million-digit product and quotient need 2^17, and building a table that long takes
// about a fifth of the product's time. Longer ones build their own.
constexpr size_t kCachedTransformLength = size_t{1} << 17;
constexpr size_t kPollCoefficients = size_t{1} << 15;
// Products of at least this many limbs may go through the transforms. Measured with
// bench_math's BM_LimbProduct (limbs: Kronecker product through GMP / transforms, at
// lengths 2^k): 1024: 131 / 97 us, 4096: 807 / 473, 8192: 2158 / 1036, 32768: 10065 /
// 4844, 131072: 57180 / 20371. The transforms pad to the next power of two, so below
// kNttAlwaysLimbs they take a product only when that pads it by a third at most (the
// padded transform costs as much as the binary product at twice the ratio above).
constexpr size_t kNttLeastLimbs = 1024;
constexpr size_t kNttAlwaysLimbs = 8192;
std::atomic<size_t> g_nttLeastForTest{0};
// Products longer than one transform (beyond kNttMaxLimbs) are cut into blocks of this
// many limbs; tests lower it. For operands of N limbs in blocks of c, each prime takes
// about 4N log2(2c) butterflies and 2N^2 / c pointwise products: at the cap (N = 2.6
// million) blocks of 2^18 limbs do about a seventh less work than blocks of 2^17, and
// their transforms (length 2^19, some 10 ms each) keep a cancel prompt. Their twiddle
// tables (48 MB) are built for the product and freed with it.
constexpr size_t kBlockLimbs = size_t{1} << 18;
std::atomic<size_t> g_blockLimbsForTest{0};
// Sums of limb products up to 2^26 * 10^38 stay below the product of the primes.
constexpr size_t kMostProductLimbs = size_t{1} << 26;

size_t BlockLimbs() {
  const size_t test = g_blockLimbsForTest.load(std::memory_order_relaxed);
  return test != 0 ? test : kBlockLimbs;
}

constexpr uint64_t InverseModWord(uint64_t p) {
  uint64_t x = p;  // correct to 3 bits for odd p; each step doubles them
  for (int i = 0; i < 5; ++i) x *= 2 - p * x;
  return x;
}

// Arithmetic modulo one prime p < 2^62: Montgomery products (R = 2^64) for the pointwise
// products and the constants (kept multiplied by R, so that a Montgomery product with one
// of them gives a plain residue); the transforms' fixed twiddles use Shoup's products.
struct PrimeField {
  uint64_t p;
  uint64_t generator;
  uint64_t pinv;  // p^-1 mod 2^64

  explicit constexpr PrimeField(uint64_t prime, uint64_t g)
      : p(prime), generator(g), pinv(InverseModWord(prime)) {}

  // a * b / R mod p for a * b < p * 2^64.
  uint64_t Mul(uint64_t a, uint64_t b) const {
    const Uint128 t = Uint128{a} * b;
    const uint64_t m = static_cast<uint64_t>(t) * pinv;
    const uint64_t hi = static_cast<uint64_t>(t >> 64);
    const uint64_t mh = static_cast<uint64_t>((Uint128{m} * p) >> 64);
    return hi >= mh ? hi - mh : hi - mh + p;
  }
  uint64_t Add(uint64_t a, uint64_t b) const {
    const uint64_t s = a + b;
    return s >= p ? s - p : s;
  }
  uint64_t Sub(uint64_t a, uint64_t b) const { return a >= b ? a - b : a - b + p; }
  // Plain modular arithmetic for the tables' set-up.
  uint64_t MulPlain(uint64_t a, uint64_t b) const {
    return static_cast<uint64_t>(Uint128{a} * b % p);
  }
  uint64_t PowPlain(uint64_t a, uint64_t e) const {
    uint64_t r = 1;
    for (; e != 0; e >>= 1, a = MulPlain(a, a)) {
      if (e & 1) r = MulPlain(r, a);
    }
    return r;
  }
  uint64_t ToMontgomery(uint64_t a) const {
    return static_cast<uint64_t>((Uint128{a % p} << 64) % p);
  }
  uint64_t Reduce(uint64_t a) const {  // a < 3p (a limb, or a residue of a larger prime)
    a = a >= 2 * p ? a - 2 * p : a;
    return a >= p ? a - p : a;
  }
  uint64_t ReduceBelowTwice(uint64_t a) const {  // a < 3p; enough for the transforms
    return a >= 2 * p ? a - 2 * p : a;
  }
};

// c * 2^32 + 1, below 2^62: transforms of any length up to 2^32.
constexpr PrimeField kFields[3] = {
    PrimeField(0x3fffffee00000001ULL, 3),
    PrimeField(0x3fffffb400000001ULL, 19),
    PrimeField(0x3fffffa000000001ULL, 3),
};
// Sums of limb products up to 2^26 * 10^38 stay below the product of the primes (2^185.9).
static_assert(kNttMaxLimbs <= (size_t{1} << 26));

// A fixed factor w with its Shoup quotient floor(w * 2^64 / p): x * w mod p for any 64-bit x
// with two low products and one high one, within [0, 2p).
struct Twiddle {
  uint64_t w;
  uint64_t quotient;
};

inline uint64_t MulTwiddle(uint64_t x, Twiddle t, uint64_t p) {
  const uint64_t q = static_cast<uint64_t>((Uint128{x} * t.quotient) >> 64);
  return x * t.w - q * p;
}

// Per stage of half-length h (1, 2, 4 ...), entry h + j is the root of unity of order 2h
// to the power j (forward) or -j (inverse); the entries serve every length.
struct Twiddles {
  size_t length = 0;
  std::vector<Twiddle> forward[3];
  std::vector<Twiddle> inverse[3];
};

// The tables of `length` entries; those of `from` (a shorter table) are copied, as every
// stage's entries serve every length.
std::shared_ptr<const Twiddles> BuildTwiddles(size_t length, const Twiddles* from) {
  auto t = std::make_shared<Twiddles>();
  t->length = length;
  const size_t kept = from != nullptr ? from->length : 1;
  for (int i = 0; i < 3; ++i) {
    const PrimeField& f = kFields[i];
    std::vector<Twiddle>& fw = t->forward[i];
    std::vector<Twiddle>& iv = t->inverse[i];
    fw.assign(std::max<size_t>(length, 2), Twiddle{});
    iv.assign(fw.size(), Twiddle{});
    if (from != nullptr) {
      std::copy_n(from->forward[i].begin(), kept, fw.begin());
      std::copy_n(from->inverse[i].begin(), kept, iv.begin());
    }
    // From the Montgomery form r = w 2^64 mod p: w 2^64 = q p + r, so the Shoup quotient q
    // is -r / p modulo 2^64, one product with p^-1 (no 128-bit division).
    auto entry = [&f](uint64_t montgomery) {
      return Twiddle{f.Mul(montgomery, 1), (0 - montgomery) * f.pinv};
    };
    for (size_t h = kept; h < length; h <<= 1) {
      const uint64_t w = f.ToMontgomery(f.PowPlain(f.generator, (f.p - 1) / (2 * h)));
      const uint64_t wi = f.ToMontgomery(f.PowPlain(f.generator, (f.p - 1) - (f.p - 1) / (2 * h)));
      uint64_t a = f.ToMontgomery(1), b = a;
      for (size_t j = 0; j < h; ++j) {
        fw[h + j] = entry(a);
        iv[h + j] = entry(b);
        a = f.Mul(a, w);
        b = f.Mul(b, wi);
      }
    }
  }
  return t;
}

std::shared_ptr<const Twiddles> TwiddlesFor(size_t length) {
  static std::mutex mutex;
  static std::shared_ptr<const Twiddles> cached;
  std::lock_guard lock(mutex);
  if (length > kCachedTransformLength) {
    if (!cached || cached->length < kCachedTransformLength)
      cached = BuildTwiddles(kCachedTransformLength, cached.get());
    return BuildTwiddles(length, cached.get());
  }
  if (!cached || cached->length < length) {
    const size_t grown = std::max(length, cached ? 2 * cached->length : size_t{1024});
    cached = BuildTwiddles(std::min(grown, kCachedTransformLength), cached.get());
  }
  return cached;
}

// One forward butterfly: (u, v) to (u + v, (u - v) w), both kept below 2p.
inline void ForwardButterfly(uint64_t& x, uint64_t& y, Twiddle w, uint64_t p) {
  const uint64_t p2 = 2 * p, u = x, v = y;
  const uint64_t s = u + v;
  x = s >= p2 ? s - p2 : s;
  y = MulTwiddle(u - v + p2, w, p);
}

// One inverse butterfly: (u, v) to (u + v w, u - v w), u first brought below 2p.
inline void InverseButterfly(uint64_t& x, uint64_t& y, Twiddle w, uint64_t p) {
  const uint64_t p2 = 2 * p;
  uint64_t u = x;
  if (u >= p2) u -= p2;
  const uint64_t v = MulTwiddle(y, w, p);
  x = u + v;
  y = u - v + p2;
}

// Natural order in, bit-reversed order out; residues in [0, 2p) (Harvey's lazy butterflies).
// The stages from half-length h on (h = length / 2 for a whole transform; 0 when done).
// Two stages at a time: each group of four values is read and written once for both (the
// same butterflies in the same order per value, so the same result, with half the passes
// over arrays that outgrow the caches).
void Forward(uint64_t* a, size_t length, size_t h, const Twiddle* w, uint64_t p) {
  const uint64_t p2 = 2 * p;
  if (h == 0) return;
  for (; h >= 4; h >>= 2) {
    const size_t q = h / 2;
    const Twiddle* wh = w + h;
    const Twiddle* wq = w + q;
    for (size_t block = 0; block < length; block += 2 * h) {
      uint64_t* x = a + block;
      for (size_t j = 0; j < q; ++j) {
        uint64_t u0 = x[j], u1 = x[j + q], u2 = x[j + h], u3 = x[j + h + q];
        ForwardButterfly(u0, u2, wh[j], p);
        ForwardButterfly(u1, u3, wh[j + q], p);
        ForwardButterfly(u0, u1, wq[j], p);
        ForwardButterfly(u2, u3, wq[j], p);
        x[j] = u0;
        x[j + q] = u1;
        x[j + h] = u2;
        x[j + h + q] = u3;
      }
    }
  }
  if (h == 2) {
    for (size_t block = 0; block < length; block += 4) {
      ForwardButterfly(a[block], a[block + 2], w[2], p);
      ForwardButterfly(a[block + 1], a[block + 3], w[3], p);
    }
  }
  for (size_t j = 0; j < length; j += 2) {  // the last stage multiplies by 1
    const uint64_t u = a[j], v = a[j + 1];
    const uint64_t s = u + v, d = u - v + p2;
    a[j] = s >= p2 ? s - p2 : s;
    a[j + 1] = d >= p2 ? d - p2 : d;
  }
}

// Bit-reversed order in (residues below 4p), natural order out in [0, 4p), not divided by
// the length. Two stages at a time, as Forward.
void Inverse(uint64_t* a, size_t length, const Twiddle* w, uint64_t p) {
  size_t h = 1;
  for (; 4 * h <= length; h <<= 2) {
    const Twiddle* wh = w + h;
    const Twiddle* w2h = w + 2 * h;
    for (size_t block = 0; block < length; block += 4 * h) {
      uint64_t* x = a + block;
      for (size_t j = 0; j < h; ++j) {
        uint64_t u0 = x[j], u1 = x[j + h], u2 = x[j + 2 * h], u3 = x[j + 3 * h];
        InverseButterfly(u0, u1, wh[j], p);
        InverseButterfly(u2, u3, wh[j], p);
        InverseButterfly(u0, u2, w2h[j], p);
        InverseButterfly(u1, u3, w2h[j + h], p);
        x[j] = u0;
        x[j + h] = u1;
        x[j + 2 * h] = u2;
        x[j + 3 * h] = u3;
      }
    }
  }
  if (h < length) {
    const Twiddle* wh = w + h;
    for (size_t j = 0; j < h; ++j) InverseButterfly(a[j], a[j + h], wh[j], p);
  }
}

// The limbs as residues below 2p, zero-padded to the length, and the transform's first
// stage too when they fill at most half of it (its other inputs are zeros then). Returns
// the half-length the transform goes on with.
size_t Load(const uint64_t* limbs, size_t n, size_t length, const PrimeField& f, const Twiddle* w,
            uint64_t* to) {
  for (size_t i = 0; i < n; ++i) to[i] = f.ReduceBelowTwice(limbs[i]);
  const size_t h = length / 2;
  if (n > h || h == 0) {
    std::fill(to + n, to + length, 0);
    return h;
  }
  std::fill(to + n, to + h, 0);
  for (size_t j = 0; j < n; ++j) to[h + j] = MulTwiddle(to[j], w[h + j], f.p);
  std::fill(to + h + n, to + length, 0);
  return h / 2;
}

// Working arrays come from the big-number allocation functions, so that running out of
// memory here fails like it does inside GMP (and tests can make it fail).
template <class T>
struct BignumAllocator {
  using value_type = T;
  BignumAllocator() = default;
  template <class U>
  explicit BignumAllocator(const BignumAllocator<U>&) {}
  T* allocate(size_t n) {
    void* (*alloc)(size_t) = nullptr;
    mp_get_memory_functions(&alloc, nullptr, nullptr);
    return static_cast<T*>(alloc(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) {
    void (*release)(void*, size_t) = nullptr;
    mp_get_memory_functions(nullptr, nullptr, &release);
    release(p, n * sizeof(T));
  }
  // Elements start uninitialised: every array is written before it is read.
  template <class U>
  void construct(U* p) {
    ::new (static_cast<void*>(p)) U;
  }
  bool operator==(const BignumAllocator&) const = default;
};

using Residues = std::vector<uint64_t, BignumAllocator<uint64_t>>;

void PollCancel(CancelToken cancel) {
  if (cancel.IsCancelled()) throw DecimalCancelled{};
}

// The coefficients a x b modulo prime i into res[0 .. n).
}  // namespace

// An operand's transforms modulo each prime at one length.
struct NttTransforms {
  size_t length = 0;
  Residues prime[3];
};

namespace {

// bReady: b's transform modulo prime i made before (b and nb unused then).
void ConvolveModPrime(int i, const uint64_t* a, size_t na, const uint64_t* b, size_t nb,
                      size_t length, const Twiddles& tw, uint64_t* res, size_t n, Residues& fa,
                      Residues& fb, CancelToken cancel, const uint64_t* bReady = nullptr) {
  const PrimeField& f = kFields[i];
  const bool square = a == b && na == nb;
  const Twiddle* w = tw.forward[i].data();
  Forward(fa.data(), length, Load(a, na, length, f, w, fa.data()), w, f.p);
  PollCancel(cancel);
  if (!square && bReady == nullptr) {
    Forward(fb.data(), length, Load(b, nb, length, f, w, fb.data()), w, f.p);
    PollCancel(cancel);
  }
  const uint64_t* g = bReady != nullptr ? bReady : square ? fa.data() : fb.data();
  // Residues below 2p: their product stays below p * 2^64.
  for (size_t k = 0; k < length; ++k) fa[k] = f.Mul(fa[k], g[k]);
  Inverse(fa.data(), length, tw.inverse[i].data(), f.p);
  PollCancel(cancel);
  // R^2 / length undoes the pointwise products' 1/R and the inverse's factor length.
  const uint64_t scale =
      f.MulPlain(f.ToMontgomery(f.ToMontgomery(1)), f.PowPlain(length % f.p, f.p - 2));
  for (size_t k = 0; k < n; ++k) res[k] = f.Mul(fa[k], scale);
}

// Zeroes v[0 .. n) in slices with a poll between them: the first touch of a fresh array of
// a cap-sized product's coefficients (tens of megabytes) faults its pages in, which took up
// to 400 ms on a busy machine as one fill.
void ZeroPolling(uint64_t* v, size_t n, CancelToken cancel) {
  constexpr size_t kSlice = 8 * kPollCoefficients;
  for (size_t from = 0; from < n; from += kSlice) {
    PollCancel(cancel);
    std::fill(v + from, v + std::min(n, from + kSlice), 0);
  }
}

// The coefficients of a x b modulo prime i into res[0 .. na + nb - 1) for operands cut into
// blocks of c limbs: each block is transformed once (length 2c or more), the products of the blocks
// that fall on the same block of the product are summed pointwise, and each such sum takes
// one inverse; the product's blocks overlap by c. The token is polled after every
// transform and every pointwise product.
void ConvolveBlocksModPrime(int i, const uint64_t* a, size_t na, const uint64_t* b, size_t nb,
                            size_t c, const Twiddles& tw, uint64_t* res, CancelToken cancel) {
  const PrimeField& f = kFields[i];
  const size_t length = std::bit_ceil(2 * c);
  const Twiddle* w = tw.forward[i].data();
  auto transforms = [&](const uint64_t* x, size_t n) {
    Residues t((n + c - 1) / c * length);
    for (size_t from = 0; from < n; from += c) {
      uint64_t* to = t.data() + from / c * length;
      Forward(to, length, Load(x + from, std::min(c, n - from), length, f, w, to), w, f.p);
      PollCancel(cancel);
    }
    return t;
  };
  const bool square = a == b && na == nb;
  const Residues fa = transforms(a, na);
  const Residues fb = square ? Residues{} : transforms(b, nb);
  const uint64_t* g = square ? fa.data() : fb.data();
  const size_t ka = (na + c - 1) / c, kb = (nb + c - 1) / c, n = na + nb - 1;
  const uint64_t scale =
      f.MulPlain(f.ToMontgomery(f.ToMontgomery(1)), f.PowPlain(length % f.p, f.p - 2));
  ZeroPolling(res, n, cancel);
  Residues sum(length);
  for (size_t k = 0; k + 1 < ka + kb; ++k) {
    std::fill(sum.begin(), sum.end(), 0);
    for (size_t ia = k >= kb ? k - kb + 1 : 0; ia <= std::min(k, ka - 1); ++ia) {
      const uint64_t* x = fa.data() + ia * length;
      const uint64_t* y = g + (k - ia) * length;
      for (size_t j = 0; j < length; ++j) sum[j] = f.Add(sum[j], f.Mul(x[j], y[j]));
      PollCancel(cancel);
    }
    Inverse(sum.data(), length, tw.inverse[i].data(), f.p);
    PollCancel(cancel);
    uint64_t* to = res + k * c;
    const size_t count = std::min(length, n - k * c);
    for (size_t j = 0; j < count; ++j) to[j] = f.Add(to[j], f.Mul(sum[j], scale));
  }
}

// A carry of three words, least significant first.
struct Carry {
  uint64_t w[3] = {0, 0, 0};
  bool Zero() const { return (w[0] | w[1] | w[2]) == 0; }
};

// x + carry into base Base: the limb returned, the rest left in carry. x and carry stay
// below 2^190.
template <uint64_t Base>
uint64_t CarryLimb(uint64_t x0, uint64_t x1, uint64_t x2, Carry& carry) {
  Uint128 s = Uint128{x0} + carry.w[0];
  const uint64_t w0 = static_cast<uint64_t>(s);
  s = (s >> 64) + x1 + carry.w[1];
  const uint64_t w1 = static_cast<uint64_t>(s);
  const uint64_t w2 = static_cast<uint64_t>(s >> 64) + x2 + carry.w[2];
  uint64_t limb = 0, r = 0;
  carry.w[2] = w2 / Base;  // zero for 10^19: w2 is below 2^62 then
  carry.w[1] = DivRemByBase<Base>(w2 % Base, w1, &r);
  carry.w[0] = DivRemByBase<Base>(r, w0, &limb);
  return limb;
}

// Garner's reconstruction of the coefficients from their three residues, carried in base
// Base into out[0 .. n); returns the carry out of the top.
template <uint64_t Base>
Carry Reconstruct(const uint64_t* r1s, const uint64_t* r2s, const uint64_t* r3s, size_t n,
                  uint64_t* out, CancelToken cancel) {
  const PrimeField &f1 = kFields[0], &f2 = kFields[1], &f3 = kFields[2];
  // Inverses times R, so that one Montgomery product divides by them.
  const uint64_t inv12 = f2.ToMontgomery(f2.PowPlain(f1.p % f2.p, f2.p - 2));
  const uint64_t inv13 = f3.ToMontgomery(f3.PowPlain(f1.p % f3.p, f3.p - 2));
  const uint64_t inv23 = f3.ToMontgomery(f3.PowPlain(f2.p % f3.p, f3.p - 2));
  Carry carry;
  for (size_t k = 0; k < n; ++k) {
    if ((k & (kPollCoefficients - 1)) == kPollCoefficients - 1) PollCancel(cancel);
    const uint64_t r1 = r1s[k];
    const uint64_t k2 = f2.Mul(f2.Sub(r2s[k], f2.Reduce(r1)), inv12);
    const uint64_t t = f3.Mul(f3.Sub(r3s[k], f3.Reduce(r1)), inv13);
    const uint64_t k3 = f3.Mul(f3.Sub(t, f3.Reduce(k2)), inv23);
    // x = r1 + p1 * (k2 + p2 * k3), three words
    const Uint128 u = Uint128{f2.p} * k3 + k2;
    const Uint128 lo = Uint128{f1.p} * static_cast<uint64_t>(u);
    const Uint128 mid = (lo >> 64) + Uint128{f1.p} * static_cast<uint64_t>(u >> 64);
    const Uint128 low = Uint128{static_cast<uint64_t>(lo)} + r1;
    const Uint128 high = (low >> 64) + static_cast<uint64_t>(mid);
    out[k] = CarryLimb<Base>(static_cast<uint64_t>(low), static_cast<uint64_t>(high),
                             static_cast<uint64_t>(high >> 64) + static_cast<uint64_t>(mid >> 64),
                             carry);
  }
  return carry;
}

// The coefficients of a x b modulo the transform length (all of them when n covers the
// whole product), modulo each prime: three arrays of n residues.
Residues Convolve(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, size_t length,
                  size_t n, CancelToken cancel, bool twoThreads,
                  const NttTransforms* bReady = nullptr) {
  const bool square = a == b && na == nb;
  const bool ownB = !square && bReady == nullptr;
  std::shared_ptr<const Twiddles> tw = TwiddlesFor(length);
  Residues residues(3 * n);
  auto convolve = [&](int i, Residues& fa, Residues& fb) {
    ConvolveModPrime(i, a, na, b, nb, length, *tw, residues.data() + i * n, n, fa, fb, cancel,
                     bReady != nullptr ? bReady->prime[i].data() : nullptr);
  };
  Residues fa(length), fb(ownB ? length : 0);
  Residues fa2(twoThreads ? length : 0), fb2(twoThreads && ownB ? length : 0);
  std::unique_ptr<SecondThreadTask> other;
  if (twoThreads) other = std::make_unique<SecondThreadTask>([&] { convolve(2, fa2, fb2); });
  for (int i = 0; i < (twoThreads ? 2 : 3); ++i) convolve(i, fa, fb);
  if (other) other->Join();
  return residues;
}

// The same in blocks of c limbs (ConvolveBlocksModPrime).
Residues ConvolveBlocks(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, size_t c,
                        CancelToken cancel, bool twoThreads) {
  std::shared_ptr<const Twiddles> tw = TwiddlesFor(std::bit_ceil(2 * c));
  const size_t n = na + nb - 1;
  Residues residues(3 * n);
  auto convolve = [&](int i) {
    ConvolveBlocksModPrime(i, a, na, b, nb, c, *tw, residues.data() + i * n, cancel);
  };
  std::unique_ptr<SecondThreadTask> other;
  if (twoThreads) other = std::make_unique<SecondThreadTask>([&] { convolve(2); });
  for (int i = 0; i < (twoThreads ? 2 : 3); ++i) convolve(i);
  if (other) other->Join();
  return residues;
}

template <uint64_t Base>
void MulLimbsNtt(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, uint64_t* out,
                 CancelToken cancel, bool twoThreads) {
  const size_t limbs = na + nb;
  if (!TrimFactors(a, na, b, nb, out)) return;
  const size_t n = na + nb - 1;  // coefficients
  const size_t block = BlockLimbs();
  const Residues residues = na + nb > 2 * block
                                ? ConvolveBlocks(a, na, b, nb, block, cancel, twoThreads)
                                : Convolve(a, na, b, nb, std::bit_ceil(n), n, cancel, twoThreads);
  // The product has n + 1 limbs, so the carry left is one limb.
  out[n] = Reconstruct<Base>(residues.data(), residues.data() + n, residues.data() + 2 * n, n, out,
                             cancel)
               .w[0];
  std::fill(out + n + 1, out + limbs, 0);
}

template <uint64_t Base>
void MulModLimbsNtt(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, size_t m,
                    uint64_t* out, CancelToken cancel, bool twoThreads,
                    const NttTransforms* bReady = nullptr) {
  while (na > 0 && a[na - 1] == 0) --na;
  while (nb > 0 && b[nb - 1] == 0) --nb;
  if (na == 0 || (nb == 0 && bReady == nullptr)) {
    std::fill(out, out + m, 0);
    return;
  }
  // The transform's products are cyclic: coefficient k sums the products of the limbs
  // whose places add up to k modulo m, which is the product modulo Base^m - 1.
  const Residues residues = Convolve(a, na, b, nb, m, m, cancel, twoThreads, bReady);
  Carry carry = Reconstruct<Base>(residues.data(), residues.data() + m, residues.data() + 2 * m, m,
                                  out, cancel);
  // Base^m = 1: the carry out of the top counts at the bottom (twice at most).
  for (size_t j = 0; !carry.Zero(); j = (j + 1) % m) out[j] = CarryLimb<Base>(out[j], 0, 0, carry);
}

}  // namespace

bool UseNttForProduct(size_t limbs) {
  const size_t test = g_nttLeastForTest.load(std::memory_order_relaxed);
  if (test != 0) return limbs >= test && limbs <= kMostProductLimbs;
  if (limbs < kNttLeastLimbs || limbs > kMostProductLimbs) return false;
  return limbs >= kNttAlwaysLimbs || 3 * std::bit_ceil(limbs) <= 4 * limbs;
}

void SetNttLeastLimbsForTest(size_t limbs) {
  g_nttLeastForTest.store(limbs, std::memory_order_relaxed);
}

void SetNttBlockLimbsForTest(size_t limbs) {
  g_blockLimbsForTest.store(limbs, std::memory_order_relaxed);
}

void MulDecimalLimbsNtt(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, uint64_t* out,
                        CancelToken cancel, bool twoThreads, uint32_t limbDigits) {
  if (limbDigits == kSlotLimbDigits) {
    MulLimbsNtt<kSlotLimbBase>(a, na, b, nb, out, cancel, twoThreads);
  } else {
    MulLimbsNtt<kLimbBase>(a, na, b, nb, out, cancel, twoThreads);
  }
}

std::shared_ptr<const NttTransforms> TransformForWrapProducts(const uint64_t* b, size_t nb,
                                                              size_t m, CancelToken cancel) {
  std::shared_ptr<const Twiddles> tw = TwiddlesFor(m);
  auto t = std::make_shared<NttTransforms>();
  t->length = m;
  for (int i = 0; i < 3; ++i) {
    const PrimeField& f = kFields[i];
    const Twiddle* w = tw->forward[i].data();
    Residues& to = t->prime[i];
    to.resize(m);
    Forward(to.data(), m, Load(b, nb, m, f, w, to.data()), w, f.p);
    PollCancel(cancel);
  }
  return t;
}

size_t TransformLength(const NttTransforms& t) {
  return t.length;
}

void MulModDecimalLimbsNtt(const uint64_t* a, size_t na, const NttTransforms& b, uint64_t* out,
                           CancelToken cancel, uint32_t limbDigits, bool twoThreads) {
  if (limbDigits == kSlotLimbDigits) {
    MulModLimbsNtt<kSlotLimbBase>(a, na, nullptr, 0, b.length, out, cancel, twoThreads, &b);
  } else {
    MulModLimbsNtt<kLimbBase>(a, na, nullptr, 0, b.length, out, cancel, twoThreads, &b);
  }
}

size_t NttWrapLength(size_t minLength) {
  return std::bit_ceil(std::max<size_t>(minLength, 2));
}

void MulModDecimalLimbsNtt(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, size_t m,
                           uint64_t* out, CancelToken cancel, uint32_t limbDigits,
                           bool twoThreads) {
  if (limbDigits == kSlotLimbDigits) {
    MulModLimbsNtt<kSlotLimbBase>(a, na, b, nb, m, out, cancel, twoThreads);
  } else {
    MulModLimbsNtt<kLimbBase>(a, na, b, nb, m, out, cancel, twoThreads);
  }
}

}  // namespace vpx::mynum
