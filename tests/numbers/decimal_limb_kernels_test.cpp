// The word kernels and the transform product on base-10^19 (and 10^17) limbs: the
// division-free quotients against 128-bit division, and the schoolbook, transform and
// wrap-around products against the binary products over random, all-nines and
// length-boundary operands.
#include "numbers/decimal_limb_kernels.h"

#include <gmp.h>
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "each_transform_kernel.h"
#include "numbers/bignum_memory.h"
#include "numbers/decimal_ntt.h"
#include "numbers/decimal_slots.h"
#include "numbers/ntt_kernels.h"

namespace vpx::mynum {
namespace {

using Limbs = std::vector<uint64_t>;

TEST(DecimalLimbKernels, QuotientByTheLimbBaseMatchesDivision) {
  std::mt19937_64 rng(7);
  const uint64_t edges[] = {0, 1, kLimbBase - 1, kLimbBase / 2, ~uint64_t{0}};
  std::vector<std::pair<uint64_t, uint64_t>> cases;
  for (uint64_t hi : {uint64_t{0}, uint64_t{1}, kLimbBase - 1, kLimbBase - 2}) {
    for (uint64_t lo : edges) cases.emplace_back(hi, lo);
  }
  for (int i = 0; i < 100000; ++i) cases.emplace_back(rng() % kLimbBase, rng());
  for (auto [hi, lo] : cases) {
    const Uint128 v = (Uint128{hi} << 64) | lo;
    uint64_t rem = 0;
    const uint64_t q = DivRemLimbBase(hi, lo, &rem);
    ASSERT_EQ(q, static_cast<uint64_t>(v / kLimbBase)) << hi << " " << lo;
    ASSERT_EQ(rem, static_cast<uint64_t>(v % kLimbBase)) << hi << " " << lo;
  }
}

TEST(DecimalLimbKernels, QuotientByTheSlotBaseMatchesDivision) {
  std::mt19937_64 rng(8);
  constexpr uint64_t kBase = kSlotLimbBase;
  std::vector<std::pair<uint64_t, uint64_t>> cases;
  for (uint64_t hi : {uint64_t{0}, uint64_t{1}, kBase - 1, kBase - 2}) {
    for (uint64_t lo : {uint64_t{0}, uint64_t{1}, kBase - 1, kBase, ~uint64_t{0}})
      cases.emplace_back(hi, lo);
  }
  for (int i = 0; i < 100000; ++i) cases.emplace_back(rng() % kBase, rng());
  for (auto [hi, lo] : cases) {
    const Uint128 v = (Uint128{hi} << 64) | lo;
    uint64_t rem = 0;
    const uint64_t q = DivRemByBase<kBase>(hi, lo, &rem);
    ASSERT_EQ(q, static_cast<uint64_t>(v / kBase)) << hi << " " << lo;
    ASSERT_EQ(rem, static_cast<uint64_t>(v % kBase)) << hi << " " << lo;
  }
}

class DecimalLimbTransforms : public EachTransformKernel {};
VPX_FOR_EACH_TRANSFORM_KERNEL(DecimalLimbTransforms);

Limbs RandomLimbs(std::mt19937_64& rng, size_t n) {
  Limbs v(n);
  const int kind = static_cast<int>(rng() % 4);
  for (auto& x : v) x = kind == 0 ? kLimbBase - 1 : rng() % kLimbBase;  // all nines: carries
  if (kind == 1 && n > 2) v[rng() % n] = 0;
  if (n > 0 && v.back() == 0) v.back() = 1;
  return v;
}

// Every product of a x b (and the square of a) against the Kronecker product.
void ExpectSameProducts(const Limbs& a, const Limbs& b) {
  Limbs expected(a.size() + b.size()), ntt(a.size() + b.size(), 7), school(a.size() + b.size(), 7);
  MulDecimalLimbs(a.data(), a.size(), b.data(), b.size(), expected.data(), CancelToken{});
  MulDecimalLimbsNtt(a.data(), a.size(), b.data(), b.size(), ntt.data(), CancelToken{});
  ASSERT_EQ(ntt, expected) << a.size() << " x " << b.size();
  if (a.size() * b.size() <= 100000) {
    MulLimbsSchoolbook(a.data(), a.size(), b.data(), b.size(), school.data());
    ASSERT_EQ(school, expected) << a.size() << " x " << b.size();
  }
  Limbs square(2 * a.size()), nttSquare(2 * a.size(), 7);
  MulDecimalLimbs(a.data(), a.size(), a.data(), a.size(), square.data(), CancelToken{});
  MulDecimalLimbsNtt(a.data(), a.size(), a.data(), a.size(), nttSquare.data(), CancelToken{});
  ASSERT_EQ(nttSquare, square) << a.size() << " squared";
}

TEST_P(DecimalLimbTransforms, ProductsAgreeWithTheKroneckerProduct) {
  BignumScope scope;
  std::mt19937_64 rng(11);
  for (int i = 0; i < 400; ++i) {
    const size_t na = 1 + rng() % 200, nb = 1 + rng() % 200;
    ExpectSameProducts(RandomLimbs(rng, na), RandomLimbs(rng, nb));
  }
  // Coefficient counts at and beside powers of two (the transform's length), and lengths
  // beyond the twiddles kept for the process.
  for (auto [na, nb] : {std::pair<size_t, size_t>{1, 1},
                        {512, 513},
                        {512, 512},
                        {1000, 25},
                        {4096, 4097},
                        {30000, 2768},
                        {40000, 30000}}) {
    ExpectSameProducts(RandomLimbs(rng, na), RandomLimbs(rng, nb));
  }
  // A few limbs above a power of two (a transform of m = 2048 and a short one), and a
  // multiple of 10^(19 m) - 1, whose product modulo the long piece's x^m + 1 is not zero
  // but whose wrap-around would be.
  for (auto [na, nb] : {std::pair<size_t, size_t>{1100, 1100}, {1408, 1408}, {1409, 1408}}) {
    ExpectSameProducts(RandomLimbs(rng, na), RandomLimbs(rng, nb));
  }
  ExpectSameProducts(Limbs(1024, kLimbBase - 1), RandomLimbs(rng, 300));
  // Up to 3m/2 coefficients from the transforms modulo x^m + 1 and x^(m/2) - 1 (m = 2048):
  // 3072 coefficients at most, an operand of m limbs at most; just past either bound the
  // product takes one transform of 2m.
  for (auto [na, nb] : {std::pair<size_t, size_t>{2048, 1025},
                        {1536, 1537},
                        {1537, 1537},
                        {2048, 1026},
                        {2049, 1000}}) {
    ExpectSameProducts(RandomLimbs(rng, na), RandomLimbs(rng, nb));
  }
  ExpectSameProducts(Limbs(2048, kLimbBase - 1), Limbs(1025, kLimbBase - 1));
  // Zero operands and top zero limbs.
  ExpectSameProducts(Limbs{0, 0}, RandomLimbs(rng, 5));
  ExpectSameProducts(Limbs{5, 0, 0}, Limbs{kLimbBase - 1, 0});
}

// Limbs below 10^17: random, or all 10^17 - 1 (the largest coefficients and carries).
Limbs RandomSlotLimbs(std::mt19937_64& rng, size_t n, bool nines) {
  Limbs v(n);
  for (auto& x : v) x = nines ? kSlotLimbBase - 1 : rng() % kSlotLimbBase;
  if (n > 0 && v.back() == 0) v.back() = 1;
  return v;
}

// The slot-limb transforms against the binary slot product: the full product, and the
// wrap-around product against the full one folded, at and beside the transform lengths.
TEST_P(DecimalLimbTransforms, SlotLimbTransformsAgreeWithTheBinarySlotProduct) {
  BignumScope scope;
  std::mt19937_64 rng(12);
  for (auto [na, nb] : {std::pair<size_t, size_t>{1, 1},
                        {2, 1},
                        {63, 1},
                        {64, 64},
                        {64, 65},
                        {1000, 24},
                        {1024, 1024},
                        {1025, 1023},
                        {5000, 4000}}) {
    for (bool nines : {false, true}) {
      const Limbs a = RandomSlotLimbs(rng, na, nines), b = RandomSlotLimbs(rng, nb, nines);
      Limbs expected(na + nb), ntt(na + nb, 7);
      SetNttLeastLimbsForTest(~size_t{0});
      MulSlotLimbs(a.data(), na, b.data(), nb, expected.data(), CancelToken{});
      SetNttLeastLimbsForTest(0);
      MulDecimalLimbsNtt(a.data(), na, b.data(), nb, ntt.data(), CancelToken{}, false,
                         kSlotLimbDigits);
      ASSERT_EQ(ntt, expected) << na << " x " << nb << (nines ? " nines" : "");
      for (size_t minLength : {nb, na, na + nb - 1, na + nb}) {
        const size_t m = NttWrapLength(minLength);
        ASSERT_GE(m, minLength);
        if (na > m || nb > m) continue;
        Limbs wrapped(m, 7);
        MulModDecimalLimbsNtt(a.data(), na, b.data(), nb, m, wrapped.data(), CancelToken{},
                              kSlotLimbDigits);
        EXPECT_EQ(wrapped, FoldSlotLimbs(expected.data(), expected.size(), m))
            << na << " x " << nb << " mod " << m << (nines ? " nines" : "");
      }
    }
  }
}

// The wrap-around product of base-10^19 limbs against the full product folded by hand.
TEST_P(DecimalLimbTransforms, WrapAroundTransformOfFullLimbsFoldsTheProduct) {
  BignumScope scope;
  std::mt19937_64 rng(13);
  for (size_t n : {size_t{3}, size_t{64}, size_t{700}}) {
    const Limbs a = RandomLimbs(rng, n), b = RandomLimbs(rng, n);
    Limbs full(2 * n);
    MulDecimalLimbs(a.data(), n, b.data(), n, full.data(), CancelToken{});
    const size_t m = NttWrapLength(n);
    // full mod (10^(19 m) - 1): add the limbs above m onto the ones below, carries wrapping.
    Limbs folded(m, 0);
    Uint128 carry = 0;
    for (int round = 0; round < 3; ++round) {
      for (size_t j = 0; j < m; ++j) {
        Uint128 v = Uint128{folded[j]} + carry;
        if (round == 0) {
          for (size_t k = j; k < full.size(); k += m) v += full[k];
        }
        folded[j] = static_cast<uint64_t>(v % kLimbBase);
        carry = v / kLimbBase;
      }
    }
    ASSERT_EQ(carry, 0u);
    Limbs wrapped(m, 7);
    MulModDecimalLimbsNtt(a.data(), n, b.data(), n, m, wrapped.data(), CancelToken{});
    EXPECT_EQ(wrapped, folded) << n << " limbs mod " << m;
  }
}

// Products longer than one transform, cut into blocks (here of a few limbs, so that many
// blocks fall on each block of the product): the same limbs as the Kronecker product, for
// balanced, unbalanced, square, all-nines and slot-limb operands.
TEST_P(DecimalLimbTransforms, ProductsInTransformBlocksAgreeWithTheBinaryProducts) {
  BignumScope scope;
  std::mt19937_64 rng(14);
  for (size_t block : {size_t{4}, size_t{37}}) {
    SetNttBlockLimbsForTest(block);
    for (auto [na, nb] : {std::pair<size_t, size_t>{block, block + 1},
                          {2 * block, 2 * block},
                          {9 * block + 3, 2 * block - 1},
                          {1, 40 * block},
                          {300, 301}}) {
      ExpectSameProducts(RandomLimbs(rng, na), RandomLimbs(rng, nb));
      for (bool nines : {false, true}) {
        const Limbs a = RandomSlotLimbs(rng, na, nines), b = RandomSlotLimbs(rng, nb, nines);
        Limbs expected(na + nb), ntt(na + nb, 7), twoThreads(na + nb, 7);
        SetNttLeastLimbsForTest(~size_t{0});
        MulSlotLimbs(a.data(), na, b.data(), nb, expected.data(), CancelToken{});
        SetNttLeastLimbsForTest(0);
        MulDecimalLimbsNtt(a.data(), na, b.data(), nb, ntt.data(), CancelToken{}, false,
                           kSlotLimbDigits);
        EXPECT_EQ(ntt, expected) << na << " x " << nb << " in blocks of " << block;
        MulDecimalLimbsNtt(a.data(), na, b.data(), nb, twoThreads.data(), CancelToken{}, true,
                           kSlotLimbDigits);
        EXPECT_EQ(twoThreads, expected) << na << " x " << nb << " on two threads";
      }
    }
  }
  SetNttBlockLimbsForTest(0);
}

TEST_P(DecimalLimbTransforms, ACancelledBlockProductThrows) {
  SetNttBlockLimbsForTest(64);
  CancelFlag cancelled{1};
  Limbs a(5000, 3), out(10000);
  EXPECT_THROW(MulDecimalLimbsNtt(a.data(), a.size(), a.data(), a.size(), out.data(), &cancelled),
               DecimalCancelled);
  SetNttBlockLimbsForTest(0);
}

TEST(DecimalLimbKernels, ProductByOneWordCarriesOut) {
  Limbs a(50, kLimbBase - 1);
  Limbs expected(51);
  const Limbs w{kLimbBase - 1};
  MulDecimalLimbs(a.data(), a.size(), w.data(), 1, expected.data(), CancelToken{});
  const uint64_t carry = MulLimbsByWord(a.data(), a.size(), kLimbBase - 1);
  a.push_back(carry);
  EXPECT_EQ(a, expected);
}

TEST_P(DecimalLimbTransforms, ACancelledTransformProductThrows) {
  CancelFlag cancelled{1};
  Limbs a(5000, 3), out(10000);
  EXPECT_THROW(MulDecimalLimbsNtt(a.data(), a.size(), a.data(), a.size(), out.data(), &cancelled),
               DecimalCancelled);
}

// Binary (GMP) limbs against mpn_mul: random and all-ones limbs (the largest coefficients),
// coefficient counts beside the shortest vector transform (32 and 33 coefficients), one
// transform, blocks, two threads.
TEST_P(DecimalLimbTransforms, BinaryLimbProductsAgreeWithGmp) {
  BignumScope scope;
  std::mt19937_64 rng(15);
  auto check = [&](size_t na, size_t nb, bool ones) {
    Limbs a(na), b(nb);
    for (auto* v : {&a, &b})
      for (auto& x : *v) x = ones ? ~uint64_t{0} : rng();
    Limbs expected(na + nb), ntt(na + nb, 7), twoThreads(na + nb, 7);
    const auto* ga = reinterpret_cast<const mp_limb_t*>(a.data());
    const auto* gb = reinterpret_cast<const mp_limb_t*>(b.data());
    auto* ge = reinterpret_cast<mp_limb_t*>(expected.data());
    if (na >= nb) {
      mpn_mul(ge, ga, na, gb, nb);
    } else {
      mpn_mul(ge, gb, nb, ga, na);
    }
    MulBinaryLimbsNtt(a.data(), na, b.data(), nb, ntt.data(), CancelToken{});
    ASSERT_EQ(ntt, expected) << na << " x " << nb << (ones ? " ones" : "");
    SetNttTwoThreadLimbsForTest(1);  // the split that only long products take
    MulBinaryLimbsNtt(a.data(), na, b.data(), nb, twoThreads.data(), CancelToken{}, true);
    SetNttTwoThreadLimbsForTest(0);
    ASSERT_EQ(twoThreads, expected) << na << " x " << nb << " on two threads";
  };
  // 1100 x 1100 and 1024 x 300 are products of a few limbs above a power of two, made from
  // transforms of several lengths (1024 ones: operands of the longest piece's length).
  for (auto [na, nb] : {std::pair<size_t, size_t>{1, 1},
                        {16, 17},
                        {17, 17},
                        {33, 32},
                        {1000, 25},
                        {1100, 1100},
                        {1024, 300},
                        {2048, 1025},
                        {1536, 1537},
                        {2048, 1026},
                        {4096, 4097},
                        {30000, 2768}}) {
    check(na, nb, false);
    check(na, nb, true);
  }
  SetNttBlockLimbsForTest(37);
  check(300, 301, true);
  check(9 * 37 + 3, 2 * 37 - 1, false);
  SetNttBlockLimbsForTest(0);
}

// The tables kept for the process can be dropped when memory runs short, once; products
// after that rebuild them and stay right.
TEST_P(DecimalLimbTransforms, DroppedTablesAreRebuiltForTheNextProduct) {
  BignumScope scope;
  std::mt19937_64 rng(16);
  const Limbs a = RandomLimbs(rng, 3000), b = RandomLimbs(rng, 2900);
  Limbs before(a.size() + b.size()), after(a.size() + b.size());
  MulDecimalLimbsNtt(a.data(), a.size(), b.data(), b.size(), before.data(), CancelToken{});
  EXPECT_TRUE(ReleaseTransformTableCaches());
  EXPECT_FALSE(ReleaseTransformTableCaches());
  MulDecimalLimbsNtt(a.data(), a.size(), b.data(), b.size(), after.data(), CancelToken{});
  EXPECT_EQ(after, before);
}

// Tables longer than those kept for the process are built once for products of that length
// and serve the next ones (a series' top products), until a job ends and drops them.
TEST_P(DecimalLimbTransforms, LongTablesServeTheNextProductsUntilReleased) {
  BignumScope scope;
  const TransformKernels& k = KernelsFor(size_t{1} << 18, 1, true);
  const size_t longLength = size_t{1} << 18;  // beyond the kept 2^17
  const std::shared_ptr<const void> first = k.TablesFor(longLength, CancelToken{});
  const std::shared_ptr<const void> shorter = k.TablesFor(longLength / 2 + 1, CancelToken{});
  const std::shared_ptr<const void> again = k.TablesFor(longLength, CancelToken{});
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(again, first);
  EXPECT_EQ(shorter, first);  // a length between the kept and the long one
  ReleaseLongTransformTables();
  EXPECT_NE(k.TablesFor(longLength, CancelToken{}), first);
  ReleaseLongTransformTables();
}

}  // namespace
}  // namespace vpx::mynum
