// Products from transforms of several lengths: the plans cover every coefficient with
// coprime pieces, and the residues modulo the pieces give back the coefficients.
#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <vector>

#include "each_transform_kernel.h"
#include "numbers/ntt_kernels.h"

namespace vpx::mynum {
namespace {

constexpr size_t kLeast = 64;

TEST(TransformPieces, PlansCoverTheProductWithShorterCoprimePieces) {
  for (size_t n = 1; n <= 5000; ++n) {
    const TransformPieces plan = PlanPieces(n, kLeast);
    const size_t full = std::max(std::bit_ceil(n), kLeast);
    ASSERT_GE(plan.total, n) << n;
    ASSERT_LE(plan.count, kMostPieces) << n;
    if (plan.count == 1) {
      ASSERT_EQ(plan.length[0], full) << n;
      continue;
    }
    ASSERT_LT(plan.total, full) << n;
    size_t sum = 0;
    for (size_t p = 0; p < plan.count; ++p) {
      ASSERT_TRUE(std::has_single_bit(plan.length[p])) << n;
      ASSERT_GE(plan.length[p], kLeast) << n;
      if (p > 0) {
        ASSERT_LT(plan.length[p], plan.length[p - 1]) << n;
      }
      sum += plan.length[p];
    }
    ASSERT_EQ(sum, plan.total) << n;
  }
  // Two pieces cover three quarters; a product just above a power of two takes a short one.
  EXPECT_EQ(PlanPieces(3 * 1024, kLeast).count, 2u);
  EXPECT_EQ(PlanPieces(2049, kLeast).length[1], 256u);
  EXPECT_EQ(PlanPieces(4096, kLeast).count, 1u);
}

class PieceResidues : public EachTransformKernel {};
VPX_FOR_EACH_TRANSFORM_KERNEL(PieceResidues);

// c folded onto x^L + 1 (alternating signs) or x^L - 1, modulo the prime.
std::vector<uint64_t> Fold(const PrimeField& f, const std::vector<uint64_t>& c, size_t length,
                           Wrap wrap) {
  std::vector<uint64_t> r(length, 0);
  for (size_t j = 0; j < c.size(); ++j) {
    const bool minus = wrap == Wrap::kNegacyclic && (j / length) % 2 == 1;
    r[j % length] = minus ? f.Sub(r[j % length], c[j]) : f.Add(r[j % length], c[j]);
  }
  return r;
}

// Every shape of plan, up to four pieces, filled to its total or short of it (top zeros; a
// sum of products shorter than the longest one of its set fills less than the first
// piece), with residues at both ends of the range: each coefficient comes back exactly.
TEST_P(PieceResidues, CoefficientsComeBackFromTheirResiduesModuloEachPiece) {
  const TransformKernels& k = KernelsFor(1024, 1, true);
  std::mt19937_64 rng(3);
  const std::vector<std::vector<size_t>> shapes = {
      {512, 256, 128, 64}, {512, 64}, {256, 128}, {1024, 256, 64}};
  for (const auto& lengths : shapes) {
    TransformPieces plan{};
    for (size_t length : lengths) {
      plan.length[plan.count++] = length;
      plan.total += length;
    }
    for (int i = 0; i < 3; ++i) {
      const PrimeField& f = k.Field(i);
      for (size_t n : {plan.total, plan.total - 37, plan.length[0] - 5}) {
        std::vector<uint64_t> c(n);
        for (auto& x : c) x = rng() % 3 == 0 ? f.p - 1 : rng() % f.p;
        std::vector<uint64_t> r;
        for (size_t p = 0; p < plan.count; ++p) {
          const auto piece = Fold(f, c, plan.length[p], plan.WrapOf(p));
          r.insert(r.end(), piece.begin(), piece.end());
        }
        std::vector<uint64_t> out(n, 7);
        CombinePieces(k, i, r.data(), plan, out.data(), n);
        ASSERT_EQ(out, c) << plan.count << " pieces from " << lengths[0] << ", prime " << i << ", "
                          << n << " coefficients";
      }
    }
  }
}

}  // namespace
}  // namespace vpx::mynum
