#include "numbers/ntt_kernels.h"

#include <atomic>

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
                   uint64_t* to) const override {
    Set::LoadForward(i, Of(tables), limbs, n, length, to);
  }
  void MulPointwise(int i, uint64_t* a, const uint64_t* b, size_t n) const override {
    Set::MulPointwise(i, a, b, n);
  }
  void MulAddPointwise(int i, uint64_t* sum, const uint64_t* x, const uint64_t* y,
                       size_t n) const override {
    Set::MulAddPointwise(i, sum, x, y, n);
  }
  void InverseScaled(int i, const void* tables, uint64_t* a, size_t length, uint64_t* out,
                     size_t n) const override {
    Set::InverseScaled(i, Of(tables), a, length, out, n);
  }
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

bool ReleaseTransformTableCaches() {
  const bool vector = ifma::ReleaseCachedTables();
  const bool scalar = scalar62::ReleaseCachedTables();
  return vector || scalar;
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
