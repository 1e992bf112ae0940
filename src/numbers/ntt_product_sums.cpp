#include "numbers/ntt_product_sums.h"

#include <algorithm>
#include <bit>
#include <vector>

#include "host/cancel_token.h"
#include "numbers/decimal_ntt.h"
#include "numbers/ntt_ifma.h"
#include "numbers/ntt_kernels.h"
#include "numbers/second_thread.h"

namespace vpx::mynum {
namespace {

// Longest transform a set of sums takes (the million-digit merges need 2^18).
constexpr size_t kMostLength = size_t{1} << 24;
// A sum's coefficients stay below 2^128 times the sum of its terms' shorter lengths: below
// the primes' product (2^149.99) when that is 2^21, below half of it when 2^20 (a sum of
// mixed signs, whose negative coefficients are the residues above the half).
constexpr size_t kMostUnsignedShorter = size_t{1} << 21;
constexpr size_t kMostSignedShorter = size_t{1} << 20;

size_t Coefficients(const LimbFactor* f, const LimbProductTerm& t) {
  return f[t.x].n + f[t.y].n - 1;
}

bool MixedSigns(const LimbSum& s) {
  for (size_t j = 1; j < s.count; ++j)
    if (s.terms[j].negative != s.terms[0].negative) return true;
  return false;
}

bool FitsThePrimes(const LimbFactor* f, const LimbSum& s) {
  size_t shorter = 0;
  for (size_t j = 0; j < s.count; ++j) shorter += std::min(f[s.terms[j].x].n, f[s.terms[j].y].n);
  return shorter <= (MixedSigns(s) ? kMostSignedShorter : kMostUnsignedShorter);
}

size_t SumCoefficients(const LimbFactor* f, const LimbSum& s) {
  size_t n = 0;
  for (size_t j = 0; j < s.count; ++j) n = std::max(n, Coefficients(f, s.terms[j]));
  return n;
}

// The sums' coefficients modulo prime i: res[k][i * n_k ...], piece after piece of the plan.
struct PrimeWork {
  const TransformKernels& kernels;
  const void* tables;
  const TransformPieces& plan;
  const LimbFactor* factors;
  size_t factorCount;
  const LimbSum* sums;
  size_t count;
  std::vector<Residues>* residues;

  // The arrays one thread's primes share (allocated once for them all).
  struct Scratch {
    std::vector<Residues> transformed, pieces;
    Residues sum, negated;
  };

  void Run(int i, Scratch& scratch) const {
    const bool several = plan.count > 1;
    scratch.transformed.resize(factorCount);
    scratch.pieces.resize(several ? count : 0);
    for (auto& r : scratch.pieces) r.resize(plan.total);
    for (size_t p = 0, at = 0; p < plan.count; at += plan.length[p++]) {
      TransformFactors(i, plan.length[p], plan.WrapOf(p), scratch);
      for (size_t k = 0; k < count; ++k) {
        const size_t n = SumCoefficients(factors, sums[k]);
        uint64_t* out = several ? scratch.pieces[k].data() + at : (*residues)[k].data() + i * n;
        SumModPiece(i, sums[k], plan.length[p], plan.WrapOf(p), scratch,
                    several ? plan.length[p] : n, out);
      }
    }
    if (!several) return;
    for (size_t k = 0; k < count; ++k) {
      const size_t n = SumCoefficients(factors, sums[k]);
      CombinePieces(kernels, i, scratch.pieces[k].data(), plan, (*residues)[k].data() + i * n, n);
    }
  }

 private:
  // Every factor of the sums transformed once at this piece's length.
  void TransformFactors(int i, size_t length, Wrap wrap, Scratch& scratch) const {
    std::vector<bool> done(factorCount, false);
    for (size_t k = 0; k < count; ++k) {
      for (size_t j = 0; j < sums[k].count; ++j) {
        for (size_t f : {sums[k].terms[j].x, sums[k].terms[j].y}) {
          if (done[f]) continue;
          done[f] = true;
          scratch.transformed[f].resize(plan.length[0]);
          kernels.LoadForward(i, tables, factors[f].limbs, factors[f].n, length,
                              scratch.transformed[f].data(), wrap);
        }
      }
    }
  }

  // The sum's products added in the transforms, inverted into out[0 .. n).
  void SumModPiece(int i, const LimbSum& s, size_t length, Wrap wrap, Scratch& scratch, size_t n,
                   uint64_t* out) const {
    const uint64_t p = kernels.Field(i).p;
    // Signs as in the reconstruction: a sum whose terms are all negative is summed positive.
    const bool mixed = MixedSigns(s);
    uint64_t* sum = out;  // at least length long: the sum is inverted in place
    if (n < length) {
      scratch.sum.resize(length);
      sum = scratch.sum.data();
    }
    std::fill(sum, sum + length, 0);
    for (size_t j = 0; j < s.count; ++j) {
      const uint64_t* y = scratch.transformed[s.terms[j].y].data();
      if (mixed && s.terms[j].negative) {
        // -y as 2p - y: still below the pointwise product's bound (2p).
        scratch.negated.resize(length);
        for (size_t m = 0; m < length; ++m) scratch.negated[m] = 2 * p - y[m];
        y = scratch.negated.data();
      }
      kernels.MulAddPointwise(i, sum, scratch.transformed[s.terms[j].x].data(), y, length);
    }
    kernels.InverseScaled(i, tables, sum, length, out, n, wrap);
  }
};

// a + b modulo 2^192.
Words3 Add3(const Words3& a, const Words3& b) {
  Words3 r;
  Uint128 s = Uint128{a.w[0]} + b.w[0];
  r.w[0] = static_cast<uint64_t>(s);
  s = (s >> 64) + a.w[1] + b.w[1];
  r.w[1] = static_cast<uint64_t>(s);
  r.w[2] = static_cast<uint64_t>(s >> 64) + a.w[2] + b.w[2];
  return r;
}

bool Above(const Words3& a, const Words3& b) {
  for (int j = 2; j >= 0; --j)
    if (a.w[j] != b.w[j]) return a.w[j] > b.w[j];
  return false;
}

// The coefficients carried in base 2^64 into out[0 .. n + 2), in two's complement when
// signed (residues above half the modulus stand for negative coefficients); returns whether
// the value is negative (then out holds its magnitude).
bool CarryCoefficients(const TransformKernels& kernels, uint64_t* r, size_t n, bool isSigned,
                       uint64_t* out) {
  kernels.CoefficientWords(r, r + n, r + 2 * n, n);
  const Garner garner(kernels.Fields());
  Words3 half = garner.Modulus(), minus;
  half.w[0] = (half.w[0] >> 1) | (half.w[1] << 63);
  half.w[1] = (half.w[1] >> 1) | (half.w[2] << 63);
  half.w[2] >>= 1;
  for (int j = 0; j < 3; ++j) minus.w[j] = ~garner.Modulus().w[j];
  minus = Add3(minus, Words3{{1, 0, 0}});  // -modulus modulo 2^192
  Words3 carry;
  for (size_t k = 0; k < n; ++k) {
    Words3 x{{r[k], r[n + k], r[2 * n + k]}};
    if (isSigned && Above(x, half)) x = Add3(x, minus);
    const Words3 s = Add3(x, carry);
    out[k] = s.w[0];
    carry.w[0] = s.w[1];
    carry.w[1] = s.w[2];
    carry.w[2] = isSigned && static_cast<int64_t>(s.w[2]) < 0 ? ~uint64_t{0} : 0;
  }
  out[n] = carry.w[0];
  out[n + 1] = carry.w[1];
  if (carry.w[2] == 0) return false;
  // Two's complement of the n + 2 limbs: the magnitude.
  uint64_t borrow = 1;
  for (size_t k = 0; k < n + 2; ++k) {
    const uint64_t v = ~out[k] + borrow;
    borrow = borrow != 0 && v == 0 ? 1 : 0;
    out[k] = v;
  }
  return true;
}

}  // namespace

size_t LimbSumRoom(const LimbFactor* factors, const LimbSum& sum) {
  return SumCoefficients(factors, sum) + 2;
}

bool MulSumsOfBinaryLimbs(const LimbFactor* factors, const LimbSum* sums, size_t count,
                          uint64_t* const* outs, int64_t* sizes, bool twoThreads) {
  const TransformKernels* kernels = VectorKernels();
  if (kernels == nullptr || count == 0) return false;
  size_t longest = 0, factorCount = 0;
  for (size_t k = 0; k < count; ++k) {
    if (sums[k].count == 0 || sums[k].count > kMostSumTerms || !FitsThePrimes(factors, sums[k]))
      return false;
    longest = std::max(longest, SumCoefficients(factors, sums[k]));
    for (size_t j = 0; j < sums[k].count; ++j)
      factorCount = std::max({factorCount, sums[k].terms[j].x + 1, sums[k].terms[j].y + 1});
  }
  const TransformPieces plan = PlanPieces(longest, ifma::kLeastLength);
  if (plan.length[0] > kMostLength) return false;
  const std::shared_ptr<const void> tables = kernels->TablesFor(plan.length[0], CancelToken{});
  std::vector<Residues> residues(count);
  for (size_t k = 0; k < count; ++k) residues[k].resize(3 * SumCoefficients(factors, sums[k]));
  const PrimeWork work{*kernels, tables.get(), plan, factors, factorCount, sums, count, &residues};
  twoThreads = twoThreads && NttSplitsPrimes(plan.total);
  {
    std::unique_ptr<SecondThreadTask> other;
    if (twoThreads) {
      other = std::make_unique<SecondThreadTask>([&] {
        PrimeWork::Scratch scratch;
        work.Run(2, scratch);
      });
    }
    PrimeWork::Scratch scratch;
    for (int i = 0; i < (twoThreads ? 2 : 3); ++i) work.Run(i, scratch);
    if (other) other->Join();
  }
  for (size_t k = 0; k < count; ++k) {
    const size_t n = SumCoefficients(factors, sums[k]);
    const bool mixed = MixedSigns(sums[k]);
    // A sum of one sign was formed from the magnitudes.
    const bool below = CarryCoefficients(*kernels, residues[k].data(), n, mixed, outs[k]);
    const bool negative = mixed ? below : sums[k].terms[0].negative;
    size_t size = n + 2;
    while (size > 0 && outs[k][size - 1] == 0) --size;
    sizes[k] = negative ? -static_cast<int64_t>(size) : static_cast<int64_t>(size);
  }
  return true;
}

}  // namespace vpx::mynum
