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
  std::shared_ptr<const void> TablesFor(size_t length) const override {
    return Set::TablesFor(length);
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

Garner::Garner(const PrimeField* fields) : f_(fields) {
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

Words3 Garner::Value(uint64_t r1, uint64_t r2, uint64_t r3) const {
  const PrimeField &f1 = f_[0], &f2 = f_[1], &f3 = f_[2];
  const uint64_t k2 = f2.Mul(f2.Sub(r2, f2.Reduce(r1)), inv12_);
  const uint64_t t = f3.Mul(f3.Sub(r3, f3.Reduce(r1)), inv13_);
  const uint64_t k3 = f3.Mul(f3.Sub(t, f3.Reduce(k2)), inv23_);
  // x = r1 + p1 * (k2 + p2 * k3), three words
  const Uint128 u = Uint128{f2.p} * k3 + k2;
  const Uint128 lo = Uint128{f1.p} * static_cast<uint64_t>(u);
  const Uint128 mid = (lo >> 64) + Uint128{f1.p} * static_cast<uint64_t>(u >> 64);
  const Uint128 low = Uint128{static_cast<uint64_t>(lo)} + r1;
  const Uint128 high = (low >> 64) + static_cast<uint64_t>(mid);
  Words3 x;
  x.w[0] = static_cast<uint64_t>(low);
  x.w[1] = static_cast<uint64_t>(high);
  x.w[2] = static_cast<uint64_t>(high >> 64) + static_cast<uint64_t>(mid >> 64);
  return x;
}

}  // namespace vpx::mynum
