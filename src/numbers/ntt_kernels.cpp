#include "numbers/ntt_kernels.h"

#include <algorithm>
#include <atomic>
#include <bit>

#include "numbers/decimal_ntt.h"
#include "numbers/ntt_ifma.h"
#include "numbers/ntt_scalar.h"

namespace vpx::mynum {
namespace {

std::atomic<bool> g_scalarForTest{false};

// The kernels of one set of primes (Set: the functions and tables of ntt_scalar.h or
// ntt_ifma.h).
template <class Set>
class KernelsOf final : public TransformKernels {
 public:
  const PrimeField& Field(int i) const override { return Set::kFields[i]; }
  std::shared_ptr<const void> TablesFor(size_t length, CancelToken cancel) const override {
    return Set::TablesFor(length, cancel);
  }
  void LoadForward(int i, const void* tables, const uint64_t* limbs, size_t n, size_t length,
                   uint64_t* to, Wrap wrap) const override {
    Set::LoadForward(i, Of(tables), limbs, n, length, to, wrap);
  }
  void MulPointwise(int i, uint64_t* a, const uint64_t* b, size_t n) const override {
    Set::MulPointwise(i, a, b, n);
  }
  void MulAddPointwise(int i, uint64_t* sum, const uint64_t* x, const uint64_t* y,
                       size_t n) const override {
    Set::MulAddPointwise(i, sum, x, y, n);
  }
  void InverseScaled(int i, const void* tables, uint64_t* a, size_t length, uint64_t* out, size_t n,
                     Wrap wrap) const override {
    Set::InverseScaled(i, Of(tables), a, length, out, n, wrap);
  }
  void AddResidues(int i, uint64_t* acc, const uint64_t* x, size_t n,
                   bool subtract) const override {
    Set::AddResidues(i, acc, x, n, subtract);
  }
  void HalveResidues(int i, uint64_t* a, size_t n) const override { Set::HalveResidues(i, a, n); }
  void CoefficientWords(uint64_t* r1, uint64_t* r2, uint64_t* r3, size_t n) const override {
    Set::CoefficientWords(r1, r2, r3, n);
  }

 private:
  static const typename Set::Tables& Of(const void* tables) {
    return *static_cast<const typename Set::Tables*>(tables);
  }
};

struct ScalarSet {
  using Tables = scalar62::Tables;
  static constexpr const PrimeField* kFields = scalar62::kFields;
  static constexpr auto TablesFor = &scalar62::TablesFor;
  static constexpr auto LoadForward = &scalar62::LoadForward;
  static constexpr auto MulPointwise = &scalar62::MulPointwise;
  static constexpr auto MulAddPointwise = &scalar62::MulAddPointwise;
  static constexpr auto InverseScaled = &scalar62::InverseScaled;
  static constexpr auto AddResidues = &scalar62::AddResidues;
  static constexpr auto HalveResidues = &scalar62::HalveResidues;
  static void CoefficientWords(uint64_t* r1, uint64_t* r2, uint64_t* r3, size_t n) {
    Garner(scalar62::kFields).Words(r1, r2, r3, n);
  }
};

constexpr PrimeField kIfmaFields[3] = {
    PrimeField(ifma::kPrimes[0], ifma::kGenerators[0]),
    PrimeField(ifma::kPrimes[1], ifma::kGenerators[1]),
    PrimeField(ifma::kPrimes[2], ifma::kGenerators[2]),
};

struct IfmaSet {
  using Tables = ifma::Tables;
  static constexpr const PrimeField* kFields = kIfmaFields;
  static constexpr auto TablesFor = &ifma::TablesFor;
  static constexpr auto LoadForward = &ifma::LoadForward;
  static constexpr auto MulPointwise = &ifma::MulPointwise;
  static constexpr auto MulAddPointwise = &ifma::MulAddPointwise;
  static constexpr auto InverseScaled = &ifma::InverseScaled;
  static constexpr auto AddResidues = &ifma::AddResidues;
  static constexpr auto HalveResidues = &ifma::HalveResidues;
  static constexpr auto CoefficientWords = &ifma::CoefficientWords;
};

const KernelsOf<ScalarSet> kScalarKernels;
const KernelsOf<IfmaSet> kIfmaKernels;

}  // namespace

const TransformKernels& KernelsFor(size_t length, size_t shorter, bool binaryLimbs) {
  const size_t most = binaryLimbs ? kVectorMostBinaryLimbs : kVectorMostDecimalLimbs;
  const TransformKernels* vector = VectorKernels();
  if (vector == nullptr || length < ifma::kLeastLength || length > ifma::kMostLength ||
      shorter > most)
    return kScalarKernels;
  return *vector;
}

const TransformKernels* VectorKernels() {
  if (g_scalarForTest.load(std::memory_order_relaxed) || !ifma::Available()) return nullptr;
  return &kIfmaKernels;
}

void SetScalarNttForTest(bool scalar) {
  g_scalarForTest.store(scalar, std::memory_order_relaxed);
}

bool VectorNttAvailable() {
  return ifma::Available();
}

void ReleaseLongTransformTables() {
  ifma::ReleaseLongTables();
  scalar62::ReleaseLongTables();
}

bool ReleaseTransformTableCaches() {
  const bool vector = ifma::ReleaseCachedTables();
  const bool scalar = scalar62::ReleaseCachedTables();
  return vector || scalar;
}

namespace {

// The pieces of the binary digits of n rounded up to a multiple of grain (a power of two
// below full).
TransformPieces PiecesOfGrain(size_t n, size_t full, size_t grain) {
  TransformPieces plan{};
  const size_t rounded = (n + grain - 1) / grain * grain;
  for (size_t bit = full / 2; bit >= grain; bit /= 2) {
    if ((rounded & bit) == 0) continue;
    plan.length[plan.count++] = bit;
    plan.total += bit;
  }
  return plan;
}

}  // namespace

TransformPieces CyclicPlan(size_t length) {
  TransformPieces plan{};
  plan.length[0] = plan.total = length;
  plan.count = 1;
  return plan;
}

TransformPieces PlanPieces(size_t n, size_t least) {
  const size_t full = std::max(std::bit_ceil(n), least);
  TransformPieces best = CyclicPlan(full);
  // Each piece beyond the first costs about a twentieth of the whole transform in passes
  // over the operands and the residues (measured with binary products of 2^11 to 2^17
  // coefficients: four pieces covering 15/16 of the length took 7% longer than one
  // transform; two covering 3/4 took a quarter less).
  constexpr size_t kPieceCostSixteenths = 1;  // of full, against 16 for the whole length
  size_t bestCost = 16 * full;
  for (size_t grain = full / 2; grain >= least && grain >= full / (1 << (kMostPieces));
       grain /= 2) {
    const TransformPieces plan = PiecesOfGrain(n, full, grain);
    if (plan.count == 0 || plan.total >= full) continue;
    const size_t cost = 16 * plan.total + kPieceCostSixteenths * (plan.count - 1) * full;
    if (cost < bestCost) {
      bestCost = cost;
      best = plan;
    }
  }
  return best;
}

void CombinePieces(const TransformKernels& k, int i, uint64_t* r, const TransformPieces& plan,
                   uint64_t* out, size_t n) {
  // c = r_0 + (x^L0 + 1) u with u = c div (x^L0 + 1) of fewer than L1 + L2 ... terms; modulo
  // each later piece x^L0 is 1, so u's residue there is (r_m - r_0 folded onto L_m) / 2.
  // The same step on u's residues gives its own quotient's, and so on.
  uint64_t* piece[kMostPieces];
  for (size_t p = 0, at = 0; p < plan.count; at += plan.length[p++]) piece[p] = r + at;
  for (size_t j = 0; j + 1 < plan.count; ++j) {
    for (size_t m = j + 1; m < plan.count; ++m) {
      const size_t lm = plan.length[m];
      const bool negacyclic = plan.WrapOf(m) == Wrap::kNegacyclic;
      for (size_t t = 0; t * lm < plan.length[j]; ++t)
        k.AddResidues(i, piece[m], piece[j] + t * lm, lm, !negacyclic || (t & 1) == 0);
      k.HalveResidues(i, piece[m], lm);
    }
  }
  // c = r_0 + (x^L0 + 1)(r_1 + (x^L1 + 1)(r_2 ...)), built from the innermost: each partial
  // value is shorter than the next piece's length, so its copy shifted by that length does
  // not overlap it; only the outermost reaches n.
  size_t size = std::min(plan.length[plan.count - 1], n);
  std::copy_n(piece[plan.count - 1], size, out);
  for (size_t j = plan.count - 1; j-- > 0;) {
    const size_t lj = plan.length[j];
    const size_t shifted = lj < n ? std::min(size, n - lj) : 0;
    std::copy_n(out, shifted, out + lj);
    k.AddResidues(i, out, piece[j], size, false);
    std::copy(piece[j] + size, piece[j] + std::min(lj, n), out + size);
    size = std::min(n, lj + size);
  }
}

Garner::Garner(const PrimeField* fields) : f_(fields), p1_(fields[0].p), p2_(fields[1].p) {
  const PrimeField &f1 = fields[0], &f2 = fields[1], &f3 = fields[2];
  // Inverses times R, so that one Montgomery product divides by them.
  inv12_ = f2.ToMontgomery(f2.PowPlain(f1.p % f2.p, f2.p - 2));
  inv13_ = f3.ToMontgomery(f3.PowPlain(f1.p % f3.p, f3.p - 2));
  inv23_ = f3.ToMontgomery(f3.PowPlain(f2.p % f3.p, f3.p - 2));
  const Uint128 p12 = Uint128{f1.p} * f2.p;
  const Uint128 lo = Uint128{static_cast<uint64_t>(p12)} * f3.p;
  const Uint128 hi = Uint128{static_cast<uint64_t>(p12 >> 64)} * f3.p + (lo >> 64);
  modulus_.w[0] = static_cast<uint64_t>(lo);
  modulus_.w[1] = static_cast<uint64_t>(hi);
  modulus_.w[2] = static_cast<uint64_t>(hi >> 64);
}

void Garner::Words(uint64_t* r1s, uint64_t* r2s, uint64_t* r3s, size_t n) const {
  const PrimeField &f2 = f_[1], &f3 = f_[2];
  for (size_t k = 0; k < n; ++k) {
    const uint64_t r1 = r1s[k];
    const uint64_t k2 = f2.Mul(f2.Sub(r2s[k], f2.Reduce(r1)), inv12_);
    const uint64_t t = f3.Mul(f3.Sub(r3s[k], f3.Reduce(r1)), inv13_);
    const Words3 x = Value(r1, k2, f3.Mul(f3.Sub(t, f3.Reduce(k2)), inv23_));
    r1s[k] = x.w[0];
    r2s[k] = x.w[1];
    r3s[k] = x.w[2];
  }
}

}  // namespace vpx::mynum
