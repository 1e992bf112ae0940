#include "numbers/decimal_ntt.h"

#include <gmp.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <memory>
#include <vector>

#include "numbers/decimal_limb_kernels.h"
#include "numbers/decimal_slots.h"
#include "numbers/ntt_kernels.h"
#include "numbers/second_thread.h"

namespace vpx::mynum {
namespace {

constexpr size_t kPollCoefficients = size_t{1} << 15;
// Products of at least this many limbs may go through the transforms. Measured with
// bench_kernels' BM_LimbProduct (limbs: Kronecker product through GMP / transforms, at
// lengths 2^k), scalar transforms: 1024: 131 / 97 us, 4096: 807 / 473, 8192: 2158 / 1036,
// 131072: 57180 / 20371; vector transforms: 128: 8.1 / 5.1, 256: 19.3 / 10.0, 512: 55 /
// 18.5, 131072: 61195 / 6300. The transforms pad to the next power of two, so below
// the "always" length they take a product only when that pads it by a third at most (the
// padded transform costs as much as the binary product at twice the ratio above).
constexpr size_t kNttLeastLimbs = 1024;
constexpr size_t kNttAlwaysLimbs = 8192;
constexpr size_t kVectorNttLeastLimbs = 128;
constexpr size_t kVectorNttAlwaysLimbs = 256;
std::atomic<size_t> g_nttLeastForTest{0};
// Products longer than one transform (beyond kNttMaxLimbs) are cut into blocks of this
// many limbs; tests lower it. For operands of N limbs in blocks of c, each prime takes
// about 4N log2(2c) butterflies and 2N^2 / c pointwise products: at the cap (N = 2.6
// million) blocks of 2^18 limbs do about a seventh less work than blocks of 2^17, and
// their transforms (length 2^19, some 10 ms each) keep a cancel prompt. Their twiddle
// tables (48 MB) are built for the product and freed with it.
constexpr size_t kBlockLimbs = size_t{1} << 18;
std::atomic<size_t> g_blockLimbsForTest{0};
std::atomic<size_t> g_twoThreadLimbsForTest{0};
// Sums of limb products up to 2^26 * 10^38 stay below the product of the primes.
constexpr size_t kMostProductLimbs = size_t{1} << 26;

size_t BlockLimbs() {
  const size_t test = g_blockLimbsForTest.load(std::memory_order_relaxed);
  return test != 0 ? test : kBlockLimbs;
}

void PollCancel(CancelToken cancel) {
  if (cancel.IsCancelled()) throw DecimalCancelled{};
}

// The kernels' tables for a length; a cancel while long ones are built throws.
std::shared_ptr<const void> TablesOrThrow(const TransformKernels& k, size_t length,
                                          CancelToken cancel) {
  std::shared_ptr<const void> tables = k.TablesFor(length, cancel);
  if (!tables) throw DecimalCancelled{};
  return tables;
}

}  // namespace

// An operand's transforms modulo each prime at one length, with the kernels that made them.
struct NttTransforms {
  size_t length = 0;
  const TransformKernels* kernels = nullptr;
  Residues prime[3];
};

namespace {

// The coefficients a x b modulo prime i and x^length -+ 1 (wrap) into res[0 .. n). bReady:
// b's transform modulo prime i made before (b and nb unused then).
void ConvolveModPrime(const TransformKernels& k, int i, const uint64_t* a, size_t na,
                      const uint64_t* b, size_t nb, size_t length, const void* tables,
                      uint64_t* res, size_t n, Residues& fa, Residues& fb, CancelToken cancel,
                      const uint64_t* bReady = nullptr, Wrap wrap = Wrap::kCyclic) {
  const bool square = a == b && na == nb;
  k.LoadForward(i, tables, a, na, length, fa.data(), wrap);
  PollCancel(cancel);
  if (!square && bReady == nullptr) {
    k.LoadForward(i, tables, b, nb, length, fb.data(), wrap);
    PollCancel(cancel);
  }
  const uint64_t* g = bReady != nullptr ? bReady : square ? fa.data() : fb.data();
  k.MulPointwise(i, fa.data(), g, length);
  k.InverseScaled(i, tables, fa.data(), length, res, n, wrap);
  PollCancel(cancel);
}

// The n coefficients of a x b modulo prime i from its products modulo each piece's
// x^L -+ 1 (fa and fb hold the longest piece; pieces the plan's total).
void ConvolvePiecesModPrime(const TransformKernels& k, int i, const uint64_t* a, size_t na,
                            const uint64_t* b, size_t nb, const TransformPieces& plan,
                            const void* tables, uint64_t* res, size_t n, Residues& fa, Residues& fb,
                            Residues& pieces, CancelToken cancel) {
  for (size_t p = 0, at = 0; p < plan.count; at += plan.length[p++]) {
    ConvolveModPrime(k, i, a, na, b, nb, plan.length[p], tables, pieces.data() + at, plan.length[p],
                     fa, fb, cancel, nullptr, plan.WrapOf(p));
  }
  CombinePieces(k, i, pieces.data(), plan, res, n);
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
// blocks of c limbs: each block is transformed once (length 2c or more), the products of the
// blocks that fall on the same block of the product are summed pointwise, and each such sum
// takes one inverse; the product's blocks overlap by c. The token is polled after every
// transform and every pointwise product.
void ConvolveBlocksModPrime(const TransformKernels& k, int i, const uint64_t* a, size_t na,
                            const uint64_t* b, size_t nb, size_t c, const void* tables,
                            uint64_t* res, CancelToken cancel) {
  const PrimeField& f = k.Field(i);
  const size_t length = std::bit_ceil(2 * c);
  auto transforms = [&](const uint64_t* x, size_t n) {
    Residues t((n + c - 1) / c * length);
    for (size_t from = 0; from < n; from += c) {
      k.LoadForward(i, tables, x + from, std::min(c, n - from), length,
                    t.data() + from / c * length);
      PollCancel(cancel);
    }
    return t;
  };
  const bool square = a == b && na == nb;
  const Residues fa = transforms(a, na);
  const Residues fb = square ? Residues{} : transforms(b, nb);
  const uint64_t* g = square ? fa.data() : fb.data();
  const size_t ka = (na + c - 1) / c, kb = (nb + c - 1) / c, n = na + nb - 1;
  ZeroPolling(res, n, cancel);
  Residues sum(length);
  for (size_t block = 0; block + 1 < ka + kb; ++block) {
    std::fill(sum.begin(), sum.end(), 0);
    for (size_t ia = block >= kb ? block - kb + 1 : 0; ia <= std::min(block, ka - 1); ++ia) {
      k.MulAddPointwise(i, sum.data(), fa.data() + ia * length, g + (block - ia) * length, length);
      PollCancel(cancel);
    }
    const size_t count = std::min(length, n - block * c);
    k.InverseScaled(i, tables, sum.data(), length, sum.data(), count);
    PollCancel(cancel);
    uint64_t* to = res + block * c;
    for (size_t j = 0; j < count; ++j) to[j] = f.Add(to[j], sum[j]);
  }
}

// A carry of three words, least significant first.
struct Carry {
  uint64_t w[3] = {0, 0, 0};
  bool Zero() const { return (w[0] | w[1] | w[2]) == 0; }
};

// Base 0 stands for 2^64: binary limbs.
constexpr uint64_t kBinaryBase = 0;

// x + carry into base Base: the limb returned, the rest left in carry. x and carry stay
// below 2^190.
template <uint64_t Base>
uint64_t CarryLimb(uint64_t x0, uint64_t x1, uint64_t x2, Carry& carry) {
  Uint128 s = Uint128{x0} + carry.w[0];
  const uint64_t w0 = static_cast<uint64_t>(s);
  s = (s >> 64) + x1 + carry.w[1];
  const uint64_t w1 = static_cast<uint64_t>(s);
  const uint64_t w2 = static_cast<uint64_t>(s >> 64) + x2 + carry.w[2];
  if constexpr (Base == kBinaryBase) {
    carry.w[0] = w1;
    carry.w[1] = w2;
    carry.w[2] = 0;
    return w0;
  } else {
    uint64_t limb = 0, r = 0;
    carry.w[2] = w2 / Base;  // zero for 10^19: w2 is below 2^62 then
    carry.w[1] = DivRemByBase<Base>(w2 % Base, w1, &r);
    carry.w[0] = DivRemByBase<Base>(r, w0, &limb);
    return limb;
  }
}

// The coefficients from their three residues (r[0 .. 3n), made the coefficients' words in
// place), carried in base Base into out[0 .. n); returns the carry out of the top.
template <uint64_t Base>
Carry Reconstruct(const TransformKernels& k, uint64_t* r, size_t n, uint64_t* out,
                  CancelToken cancel) {
  k.CoefficientWords(r, r + n, r + 2 * n, n);
  PollCancel(cancel);
  Carry carry;
  for (size_t j = 0; j < n; ++j) {
    if ((j & (kPollCoefficients - 1)) == kPollCoefficients - 1) PollCancel(cancel);
    out[j] = CarryLimb<Base>(r[j], r[n + j], r[2 * n + j], carry);
  }
  return carry;
}

// The coefficients of a x b modulo the plan's transforms (all of them when n covers the
// whole product), modulo each prime of k: three arrays of n residues. A plan of one piece is
// one cyclic transform; several are recombined (ConvolvePiecesModPrime).
Residues Convolve(const TransformKernels& k, const uint64_t* a, size_t na, const uint64_t* b,
                  size_t nb, const TransformPieces& plan, size_t n, CancelToken cancel,
                  bool twoThreads, const NttTransforms* bReady = nullptr) {
  const bool square = a == b && na == nb;
  const bool ownB = !square && bReady == nullptr;
  twoThreads = twoThreads && NttSplitsPrimes(plan.total);
  const size_t length = plan.length[0];
  const std::shared_ptr<const void> tables = TablesOrThrow(k, length, cancel);
  Residues residues(3 * n);
  const size_t scratch = plan.count > 1 ? plan.total : 0;
  auto convolve = [&](int i, Residues& fa, Residues& fb, Residues& r) {
    uint64_t* res = residues.data() + i * n;
    if (scratch != 0) {
      ConvolvePiecesModPrime(k, i, a, na, b, nb, plan, tables.get(), res, n, fa, fb, r, cancel);
      return;
    }
    ConvolveModPrime(k, i, a, na, b, nb, length, tables.get(), res, n, fa, fb, cancel,
                     bReady != nullptr ? bReady->prime[i].data() : nullptr);
  };
  Residues fa(length), fb(ownB ? length : 0), r(scratch);
  Residues fa2(twoThreads ? length : 0), fb2(twoThreads && ownB ? length : 0),
      r2(twoThreads ? scratch : 0);
  std::unique_ptr<SecondThreadTask> other;
  if (twoThreads) other = std::make_unique<SecondThreadTask>([&] { convolve(2, fa2, fb2, r2); });
  for (int i = 0; i < (twoThreads ? 2 : 3); ++i) convolve(i, fa, fb, r);
  if (other) other->Join();
  return residues;
}

// The same in blocks of c limbs (ConvolveBlocksModPrime).
Residues ConvolveBlocks(const TransformKernels& k, const uint64_t* a, size_t na, const uint64_t* b,
                        size_t nb, size_t c, CancelToken cancel, bool twoThreads) {
  const std::shared_ptr<const void> tables = TablesOrThrow(k, std::bit_ceil(2 * c), cancel);
  const size_t n = na + nb - 1;
  Residues residues(3 * n);
  auto convolve = [&](int i) {
    ConvolveBlocksModPrime(k, i, a, na, b, nb, c, tables.get(), residues.data() + i * n, cancel);
  };
  std::unique_ptr<SecondThreadTask> other;
  if (twoThreads) other = std::make_unique<SecondThreadTask>([&] { convolve(2); });
  for (int i = 0; i < (twoThreads ? 2 : 3); ++i) convolve(i);
  if (other) other->Join();
  return residues;
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
  const TransformKernels& k =
      bReady != nullptr ? *bReady->kernels : KernelsFor(m, std::min(na, nb), Base == kBinaryBase);
  // The transform's products are cyclic: coefficient k sums the products of the limbs
  // whose places add up to k modulo m, which is the product modulo Base^m - 1.
  Residues residues = Convolve(k, a, na, b, nb, CyclicPlan(m), m, cancel, twoThreads, bReady);
  Carry carry = Reconstruct<Base>(k, residues.data(), m, out, cancel);
  // Base^m = 1: the carry out of the top counts at the bottom (twice at most).
  for (size_t j = 0; !carry.Zero(); j = (j + 1) % m) out[j] = CarryLimb<Base>(out[j], 0, 0, carry);
}

// The shortest transform of a product's pieces: the vector kernels' least length.
constexpr size_t kLeastPieceLength = 64;

template <uint64_t Base>
void MulLimbsNtt(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, uint64_t* out,
                 CancelToken cancel, bool twoThreads) {
  const size_t limbs = na + nb;
  if (!TrimFactors(a, na, b, nb, out)) return;
  const size_t n = na + nb - 1;  // coefficients
  const size_t block = BlockLimbs();
  const bool blocks = na + nb > 2 * block;
  const TransformPieces plan = PlanPieces(n, kLeastPieceLength);
  const TransformKernels& k =
      KernelsFor(blocks ? std::bit_ceil(2 * block) : plan.length[plan.count - 1], std::min(na, nb),
                 Base == kBinaryBase);
  Residues residues = blocks ? ConvolveBlocks(k, a, na, b, nb, block, cancel, twoThreads)
                             : Convolve(k, a, na, b, nb, plan, n, cancel, twoThreads);
  // The product has n + 1 limbs, so the carry left is one limb.
  out[n] = Reconstruct<Base>(k, residues.data(), n, out, cancel).w[0];
  std::fill(out + n + 1, out + limbs, 0);
}

}  // namespace

bool UseNttForProduct(size_t limbs) {
  const size_t test = g_nttLeastForTest.load(std::memory_order_relaxed);
  if (test != 0) return limbs >= test && limbs <= kMostProductLimbs;
  const bool vector = VectorKernels() != nullptr;
  const size_t least = vector ? kVectorNttLeastLimbs : kNttLeastLimbs;
  const size_t always = vector ? kVectorNttAlwaysLimbs : kNttAlwaysLimbs;
  if (limbs < least || limbs > kMostProductLimbs) return false;
  return limbs >= always || 3 * std::bit_ceil(limbs) <= 4 * limbs;
}

void SetNttLeastLimbsForTest(size_t limbs) {
  g_nttLeastForTest.store(limbs, std::memory_order_relaxed);
}

bool NttSplitsPrimes(size_t coefficients) {
  const size_t test = g_twoThreadLimbsForTest.load(std::memory_order_relaxed);
  return coefficients >= (test != 0 ? test : kNttTwoThreadLimbs);
}

void SetNttTwoThreadLimbsForTest(size_t limbs) {
  g_twoThreadLimbsForTest.store(limbs, std::memory_order_relaxed);
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

void MulBinaryLimbsNtt(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, uint64_t* out,
                       CancelToken cancel, bool twoThreads) {
  MulLimbsNtt<kBinaryBase>(a, na, b, nb, out, cancel, twoThreads);
}

std::shared_ptr<const NttTransforms> TransformForWrapProducts(const uint64_t* b, size_t nb,
                                                              size_t m, CancelToken cancel,
                                                              uint32_t limbDigits) {
  auto t = std::make_shared<NttTransforms>();
  t->length = m;
  t->kernels = &KernelsFor(m, nb, limbDigits == kBinaryLimbDigits);
  const std::shared_ptr<const void> tables = TablesOrThrow(*t->kernels, m, cancel);
  for (int i = 0; i < 3; ++i) {
    t->prime[i].resize(m);
    t->kernels->LoadForward(i, tables.get(), b, nb, m, t->prime[i].data());
    PollCancel(cancel);
  }
  return t;
}

size_t TransformLength(const NttTransforms& t) {
  return t.length;
}

void MulModDecimalLimbsNtt(const uint64_t* a, size_t na, const NttTransforms& b, uint64_t* out,
                           CancelToken cancel, uint32_t limbDigits, bool twoThreads) {
  if (limbDigits == kBinaryLimbDigits) {
    MulModLimbsNtt<kBinaryBase>(a, na, nullptr, 0, b.length, out, cancel, twoThreads, &b);
  } else if (limbDigits == kSlotLimbDigits) {
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
  if (limbDigits == kBinaryLimbDigits) {
    MulModLimbsNtt<kBinaryBase>(a, na, b, nb, m, out, cancel, twoThreads);
  } else if (limbDigits == kSlotLimbDigits) {
    MulModLimbsNtt<kSlotLimbBase>(a, na, b, nb, m, out, cancel, twoThreads);
  } else {
    MulModLimbsNtt<kLimbBase>(a, na, b, nb, m, out, cancel, twoThreads);
  }
}

}  // namespace vpx::mynum
