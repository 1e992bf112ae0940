// The decimal-native product and quotient against the GMP kernels with radix conversion:
// random operands of every size class (most small, a few large), carry-heavy all-nine
// operands, limb and block edges, exact and off-by-one quotients, products split into
// pieces, the slot products of the quotient, cancellation and failed allocations.
#include "numbers/decimal_product.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "numbers/bignum_memory.h"
#include "numbers/decimal_limbs.h"
#include "numbers/decimal_ntt.h"
#include "numbers/decimal_slots.h"
#include "numbers/math_decimal.h"
#include "numbers/mynum_kernels.h"
#include "numeric_test_support.h"

namespace vpx::mynum {
namespace {

using Digits = std::vector<uint8_t>;

// n digits, least significant first, top digit nonzero when topNonzero.
Digits Random(std::mt19937& rng, size_t n, bool topNonzero = true) {
  Digits d(n);
  for (auto& x : d) x = static_cast<uint8_t>(rng() % 10);
  // Runs of nines and zeros provoke long carries.
  if (n > 4 && rng() % 3 == 0) {
    size_t from = rng() % n, len = rng() % (n - from) + 1;
    std::fill(d.begin() + from, d.begin() + from + len, rng() % 2 ? 9 : 0);
  }
  if (topNonzero && n > 0) d[n - 1] = static_cast<uint8_t>(1 + rng() % 9);
  return d;
}

std::string Text(const Digits& d) {
  std::string s;
  for (size_t i = d.size(); i-- > 0;) s += static_cast<char>('0' + d[i]);
  return s;
}

void ExpectSameProduct(const Digits& a, const Digits& b) {
  auto na = static_cast<uint32_t>(a.size()), nb = static_cast<uint32_t>(b.size());
  Digits ours(na + nb, 7), theirs(na + nb, 7);
  ASSERT_EQ(MulDecimal(a.data(), na, b.data(), nb, ours.data(), CancelToken{}),
            DecimalStatus::kDone);
  ASSERT_TRUE(MulGmp(a.data(), na, b.data(), nb, theirs.data()));
  ASSERT_EQ(ours, theirs) << Text(a) << " x " << Text(b);
}

// Both quotients of floor(A 10^shift / B) into the places a quotient of that size needs.
void ExpectSameQuotient(const Digits& a, const Digits& b, int64_t shift) {
  auto na = static_cast<uint32_t>(a.size()), nb = static_cast<uint32_t>(b.size());
  int64_t len = static_cast<int64_t>(na) + shift;
  auto places = static_cast<uint32_t>(std::max<int64_t>(1, len - nb + 1));
  Digits ours(places, 7), theirs(places, 7);
  const uint64_t fallbacks = DivDecimalFallbacks();
  ASSERT_EQ(DivDecimal(a.data(), na, b.data(), nb, shift, ours.data(), places, CancelToken{}),
            DecimalStatus::kDone);
  ASSERT_TRUE(DivGmp(a.data(), na, b.data(), nb, shift, theirs.data(), places));
  ASSERT_EQ(ours, theirs) << Text(a) << " e" << shift << " / " << Text(b);
  ASSERT_EQ(DivDecimalFallbacks(), fallbacks) << "the Newton estimate was off";
}

TEST(DecimalProductTest, ProductsMatchGmpOverSizeClasses) {
  std::mt19937 rng(1601);
  // {count, longest}: many short operands, fewer long ones.
  const std::vector<std::pair<int, size_t>> classes = {
      {3000, 60}, {400, 400}, {40, 4000}, {3, 60000}};
  for (auto [count, longest] : classes) {
    for (int i = 0; i < count; ++i) {
      Digits a = Random(rng, 1 + rng() % longest, rng() % 4 != 0);
      Digits b = Random(rng, 1 + rng() % longest, rng() % 4 != 0);
      ExpectSameProduct(a, b);
    }
  }
}

TEST(DecimalProductTest, SlotBoundariesAndSquaresMatchGmp) {
  std::mt19937 rng(1602);
  // Limb edges (19 digits), all nines (largest slot sums), zeros, unbalanced, squares.
  for (size_t n : {1u, 18u, 19u, 20u, 37u, 38u, 39u, 1000u, 9500u}) {
    Digits nines(n, 9), zeros(n, 0);
    ExpectSameProduct(nines, nines);
    ExpectSameProduct(nines, Digits(3 * n + 1, 9));
    ExpectSameProduct(zeros, nines);
    Digits a = Random(rng, n);
    Digits out(2 * n);
    ASSERT_EQ(MulDecimal(a.data(), static_cast<uint32_t>(n), a.data(), static_cast<uint32_t>(n),
                         out.data(), CancelToken{}),
              DecimalStatus::kDone);
    Digits copy = a, theirs(2 * n);
    ASSERT_TRUE(MulGmp(a.data(), static_cast<uint32_t>(n), copy.data(), static_cast<uint32_t>(n),
                       theirs.data()));
    ASSERT_EQ(out, theirs) << "square of " << n << " digits";
  }
  ExpectSameProduct(Random(rng, 1), Random(rng, 20000));
  ExpectSameProduct(Random(rng, 50), Random(rng, 20000));
}

// 20 and 39 digits end one digit into a limb; top zero digits make no limb.
TEST(DecimalProductTest, LimbsRoundTripDigitsEndingInsideALimb) {
  std::mt19937_64 rng(7);
  for (size_t n : {1u, 18u, 19u, 20u, 38u, 39u, 57u}) {
    Digits d(n);
    for (auto& v : d) v = static_cast<uint8_t>(rng() % 10);
    d.back() = 7;
    DecimalLimbs l = PackDecimalLimbs(d.data(), n);
    EXPECT_EQ(l.size(), (n + kLimbDigits - 1) / kLimbDigits);
    Digits back(n + 5, 9);
    UnpackDecimalLimbs(l.data(), l.size(), back.data(), back.size());
    EXPECT_EQ(Digits(back.begin(), back.begin() + n), d) << n;
    EXPECT_EQ(Digits(back.begin() + n, back.end()), Digits(5, 0)) << n;
  }
  const uint8_t zeros[40] = {3};
  EXPECT_EQ(PackDecimalLimbs(zeros, 40), DecimalLimbs{3});
}

TEST(DecimalProductTest, QuotientsMatchGmpOverSizeClasses) {
  std::mt19937 rng(1603);
  const std::vector<std::pair<int, size_t>> classes = {{1500, 40}, {200, 400}, {20, 3000}};
  for (auto [count, longest] : classes) {
    for (int i = 0; i < count; ++i) {
      Digits a = Random(rng, 1 + rng() % longest);
      Digits b = Random(rng, 1 + rng() % longest);
      int64_t shift = static_cast<int64_t>(rng() % (longest + 1)) -
                      static_cast<int64_t>(rng() % 3 == 0 ? rng() % a.size() : 0);
      ExpectSameQuotient(a, b, shift);
    }
  }
  // A few long ones on both sides of the Newton base case: short and long divisors.
  ExpectSameQuotient(Random(rng, 20000), Random(rng, 9000), 0);
  ExpectSameQuotient(Random(rng, 3), Random(rng, 700), 12000);
  ExpectSameQuotient(Random(rng, 15000), Random(rng, 30), 100);
}

TEST(DecimalProductTest, ExactAndOneShortQuotientsSettleExactly) {
  // n = q b and n = q b - 1 sit right at the correction's boundary.
  std::mt19937 rng(1604);
  for (size_t qn : {1u, 150u, 170u, 400u, 2500u}) {
    for (size_t bn : {19u, 160u, 1200u}) {
      Digits q = Random(rng, qn), b = Random(rng, bn);
      Digits n(qn + bn);
      ASSERT_TRUE(MulGmp(q.data(), static_cast<uint32_t>(qn), b.data(), static_cast<uint32_t>(bn),
                         n.data()));
      while (n.back() == 0) n.pop_back();
      ExpectSameQuotient(n, b, 0);
      size_t i = 0;
      while (n[i] == 0) n[i++] = 9;
      --n[i];
      while (!n.empty() && n.back() == 0) n.pop_back();
      if (!n.empty()) ExpectSameQuotient(n, b, 0);
      ExpectSameQuotient(Digits(bn, 9), b, static_cast<int64_t>(qn));
    }
  }
}

TEST(DecimalProductTest, RaisedCancelFlagStopsProductAndQuotient) {
  std::mt19937 rng(1605);
  CancelFlag flag{1};
  Digits a = Random(rng, 5000), b = Random(rng, 3000), out(8000);
  EXPECT_EQ(MulDecimal(a.data(), 5000, b.data(), 3000, out.data(), &flag),
            DecimalStatus::kCancelled);
  Digits q(2001, 5);
  EXPECT_EQ(DivDecimal(a.data(), 5000, b.data(), 3000, 0, q.data(), 2001, &flag),
            DecimalStatus::kCancelled);
  EXPECT_EQ(q, Digits(2001, 0));
}

TEST(DecimalProductTest, FailedGmpAllocationReportsNoMemoryAndLeavesNothing) {
  // Operands long enough that mpn_mul takes its scratch from the allocator.
  std::mt19937 rng(1607);
  Digits a = Random(rng, 200000), b = Random(rng, 150000);
  Digits expected(350000), out(350000), q(50001);
  ASSERT_EQ(MulDecimal(a.data(), 200000, b.data(), 150000, expected.data(), CancelToken{}),
            DecimalStatus::kDone);
  const long baseline = LiveBignumBlocksForTest();
  FailBignumAllocationAfterForTest(0);
  DecimalStatus product = MulDecimal(a.data(), 200000, b.data(), 150000, out.data(), {});
  FailBignumAllocationAfterForTest(0);
  DecimalStatus quotient = DivDecimal(a.data(), 200000, b.data(), 150000, 0, q.data(), 50001, {});
  FailBignumAllocationAfterForTest(-1);
  EXPECT_EQ(product, DecimalStatus::kNoMemory);
  EXPECT_EQ(quotient, DecimalStatus::kNoMemory);
  EXPECT_EQ(LiveBignumBlocksForTest(), baseline);
  ASSERT_EQ(MulDecimal(a.data(), 200000, b.data(), 150000, out.data(), CancelToken{}),
            DecimalStatus::kDone);
  EXPECT_EQ(out, expected);
}

// Limb edges of the quotient (17-digit limbs, a divisor padded to whole limbs) and of the
// blocks it is found in: divisors and quotients one digit either side of whole limbs.
TEST(DecimalProductTest, QuotientsAtLimbAndBlockEdgesMatchGmp) {
  std::mt19937 rng(1608);
  for (size_t bn : {16u, 17u, 18u, 33u, 34u, 35u, 51u, 52u, 289u, 290u, 580u}) {
    for (size_t qn : {1u, 16u, 17u, 18u, 34u, 35u, 271u, 272u, 273u, 545u, 1200u}) {
      Digits b = Random(rng, bn);
      Digits a = Random(rng, bn + qn - 1);
      ExpectSameQuotient(a, b, 0);
      ExpectSameQuotient(a, b, static_cast<int64_t>(rng() % 40));
      ExpectSameQuotient(a, b, -static_cast<int64_t>(rng() % (a.size() / 2 + 1)));
    }
  }
}

// n - 1 for n > 0 (digits least significant first, trimmed).
Digits MinusOne(Digits n) {
  size_t i = 0;
  while (n[i] == 0) n[i++] = 9;
  --n[i];
  while (!n.empty() && n.back() == 0) n.pop_back();
  return n;
}

Digits Plus(Digits a, const Digits& b) {
  a.resize(std::max(a.size(), b.size()) + 1, 0);
  int carry = 0;
  for (size_t k = 0; k < a.size(); ++k) {
    int t = a[k] + (k < b.size() ? b[k] : 0) + carry;
    carry = t / 10;
    a[k] = static_cast<uint8_t>(t % 10);
  }
  while (a.back() == 0) a.pop_back();
  return a;
}

// Quotients whose digits are long runs of 9s and 0s, by divisors whose low half is all 9s
// (their top limbs understate them, so estimates overshoot), with remainder 0, b - 1 and
// the dividend one short of an exact multiple: the settling must step both ways.
TEST(DecimalProductTest, QuotientsOfNinesAndZerosRunsMatchGmp) {
  std::mt19937 rng(1609);
  for (size_t bn : {20u, 170u, 700u}) {
    for (int kind = 0; kind < 3; ++kind) {
      Digits b = Random(rng, bn);
      if (kind == 1) std::fill(b.begin(), b.begin() + bn / 2, 9);
      if (kind == 2) {  // 1000999...9: the smallest top limb over the largest tail
        std::fill(b.begin(), b.end(), 9);
        std::fill(b.end() - 4, b.end(), 0);
        b.back() = 1;
      }
      for (size_t qn : {40u, 400u, 2000u}) {
        for (uint8_t fill : {uint8_t{9}, uint8_t{0}}) {
          Digits q(qn, fill);
          q.back() = 1;
          q[qn / 2] = 5;  // one digit breaks the run in the middle
          Digits n(qn + bn);
          ASSERT_TRUE(MulGmp(q.data(), static_cast<uint32_t>(qn), b.data(),
                             static_cast<uint32_t>(bn), n.data()));
          while (n.back() == 0) n.pop_back();
          ExpectSameQuotient(n, b, 0);
          ExpectSameQuotient(MinusOne(n), b, 0);
          ExpectSameQuotient(Plus(n, MinusOne(b)), b, 0);
        }
      }
    }
  }
}

// n random base-10^17 limbs.
SlotLimbs RandomSlotLimbs(std::mt19937_64& rng, size_t n) {
  SlotLimbs v(n);
  for (auto& x : v) x = rng() % kSlotLimbBase;
  return v;
}

// The decimal text of base-10^17 limbs, most significant first, without leading zeros.
std::string SlotText(const SlotLimbs& v) {
  std::string s;
  for (size_t i = v.size(); i-- > 0;) {
    std::string limb = std::to_string(v[i]);
    s += std::string(kSlotLimbDigits - limb.size(), '0') + limb;
  }
  s.erase(0, std::min(s.find_first_not_of('0'), s.size() - 1));
  return s;
}

// The wrap-around product equals the full product folded, for slots of two binary limbs
// and (more than 2^15 products in a slot) three; the full one equals GMP's.
TEST(DecimalProductTest, SlotProductsAndWrapAroundsAgreeWithGmp) {
  std::mt19937_64 rng(1613);
  for (auto [na, nb] : std::vector<std::pair<size_t, size_t>>{
           {1, 1}, {3, 2}, {40, 40}, {700, 33}, {2000, 1999}, {33000, 32800}}) {
    SlotLimbs a = RandomSlotLimbs(rng, na), b = RandomSlotLimbs(rng, nb);
    SlotLimbs full(na + nb);
    MulSlotLimbs(a.data(), na, b.data(), nb, full.data(), CancelToken{});
    Mpz x, y;
    mpz_set_str(x.get(), SlotText(a).c_str(), 10);
    mpz_set_str(y.get(), SlotText(b).c_str(), 10);
    mpz_mul(x.get(), x.get(), y.get());
    char* text = mpz_get_str(nullptr, 10, x.get());
    EXPECT_EQ(SlotText(full), text) << na << " x " << nb;
    test::FreeGmpString(text);
    for (size_t minLength : {size_t{1}, nb, na + nb - 1}) {
      SlotLimbs wrapped = MulModSlotLimbs(a.data(), na, b.data(), nb, minLength, CancelToken{});
      ASSERT_GE(wrapped.size(), minLength);
      EXPECT_EQ(wrapped, FoldSlotLimbs(full.data(), full.size(), wrapped.size()))
          << na << " x " << nb << " mod " << wrapped.size();
    }
  }
}

// Several wrap-around products with one divisor, its transforms made once: each equals the
// full product folded to the same length, whichever way the products go; a zero factor
// gives zero.
TEST(DecimalProductTest, WrapAroundsByOneOperandEqualTheFoldedFullProducts) {
  std::mt19937_64 rng(1616);
  for (size_t least : {size_t{4}, ~size_t{0}}) {
    SetNttLeastLimbsForTest(least);
    for (size_t nb : {size_t{30}, size_t{1500}}) {
      const SlotLimbs b = RandomSlotLimbs(rng, nb);
      const WrapProductsBy byB(b.data(), nb, nb + 2, CancelToken{});
      for (size_t na : {size_t{1}, nb / 2, nb + 1}) {
        const SlotLimbs a = RandomSlotLimbs(rng, na);
        SlotLimbs full(na + nb);
        MulSlotLimbs(a.data(), na, b.data(), nb, full.data(), CancelToken{});
        const SlotLimbs wrapped = byB.Times(a.data(), na, CancelToken{});
        ASSERT_GE(wrapped.size(), nb + 2);
        EXPECT_EQ(wrapped, FoldSlotLimbs(full.data(), full.size(), wrapped.size()))
            << na << " x " << nb << " least " << least;
      }
      const SlotLimbs zero(3, 0);
      const SlotLimbs none = byB.Times(zero.data(), zero.size(), CancelToken{});
      ASSERT_GE(none.size(), nb + 2);
      EXPECT_TRUE(std::all_of(none.begin(), none.end(), [](uint64_t x) { return x == 0; }));
    }
  }
  SetNttLeastLimbsForTest(0);
}

// With the transforms taking every product from a few limbs on, products and quotients
// (whose slot and wrap-around products then all go through them) still match GMP: limb
// and transform-length edges (19 digits a limb, lengths 2^k coefficients), runs of nines
// and zeros.
TEST(DecimalProductTest, ProductsAndQuotientsByTransformsMatchGmpAtTheirEdges) {
  std::mt19937 rng(1614);
  SetNttLeastLimbsForTest(4);
  for (size_t limbs : {2u, 3u, 4u, 16u, 17u, 64u, 65u, 512u, 513u}) {
    for (int delta : {-1, 0, 1}) {
      const size_t n = limbs * kLimbDigits + static_cast<size_t>(delta);
      ExpectSameProduct(Random(rng, n), Random(rng, n));
      ExpectSameProduct(Digits(n, 9), Digits(n + 19, 9));
      ExpectSameProduct(Random(rng, n), Random(rng, 3 * n + 7));
    }
  }
  for (int i = 0; i < 40; ++i) {
    const size_t bn = 40 + rng() % 3000, qn = 1 + rng() % 4000;
    ExpectSameQuotient(Random(rng, bn + qn), Random(rng, bn), 0);
  }
  for (uint8_t fill : {uint8_t{9}, uint8_t{0}}) {
    Digits b = Random(rng, 1700), a = Random(rng, 5000);
    std::fill(a.begin() + 1000, a.begin() + 4000, fill);
    ExpectSameQuotient(a, b, 300);
    ExpectSameQuotient(Digits(5000, 9), Digits(1700, 9), 0);
  }
  SetNttLeastLimbsForTest(0);
}

// Binary products split into Karatsuba halves and slices (as the longest ones are, so that
// a cancel can stop them) give the same digits.
TEST(DecimalProductTest, ProductsAndQuotientsInPiecesMatchGmp) {
  std::mt19937 rng(1610);
  SetNttLeastLimbsForTest(~size_t{0});
  SetMostMonolithicLimbsForTest(40);
  for (int i = 0; i < 60; ++i) {
    Digits a = Random(rng, 1 + rng() % 6000), b = Random(rng, 1 + rng() % 6000);
    ExpectSameProduct(a, b);
    if (i % 3 == 0) ExpectSameProduct(a, Random(rng, 1 + rng() % 200));  // slices
  }
  for (size_t n : {999u, 4000u}) {
    Digits a = Random(rng, n), square(2 * n), theirs(2 * n);
    ASSERT_EQ(MulDecimal(a.data(), static_cast<uint32_t>(n), a.data(), static_cast<uint32_t>(n),
                         square.data(), CancelToken{}),
              DecimalStatus::kDone);
    Digits copy = a;
    ASSERT_TRUE(MulGmp(a.data(), static_cast<uint32_t>(n), copy.data(), static_cast<uint32_t>(n),
                       theirs.data()));
    EXPECT_EQ(square, theirs) << "square of " << n << " digits";
  }
  ExpectSameQuotient(Random(rng, 9000), Random(rng, 3000), 0);
  ExpectSameQuotient(Random(rng, 300), Random(rng, 2500), 5000);
  SetMostMonolithicLimbsForTest(0);
  SetNttLeastLimbsForTest(0);
}

// A product by transforms in blocks, cancelled from another thread once its coefficient
// arrays are taken: it ends as cancelled, with every block freed. Should the product win
// the race, a longer one is tried.
TEST(DecimalProductThreads, CancelFromAnotherThreadEndsABlockTransformProduct) {
  std::mt19937 rng(2612);
  SetNttBlockLimbsForTest(1024);
  const long baseline = LiveBignumBlocksForTest();
  bool cancelled = false;
  for (size_t n = 400'000; n <= 1'600'000 && !cancelled; n *= 2) {
    Digits a = Random(rng, n), b = Random(rng, n), out(2 * n);
    CancelFlag flag{0};
    auto product = std::async(std::launch::async, [&] {
      return MulDecimal(a.data(), static_cast<uint32_t>(n), b.data(), static_cast<uint32_t>(n),
                        out.data(), &flag);
    });
    while (LiveBignumBlocksForTest() == baseline &&
           product.wait_for(std::chrono::microseconds(50)) != std::future_status::ready) {
    }
    flag.store(1);
    const DecimalStatus status = product.get();
    EXPECT_NE(status, DecimalStatus::kNoMemory);
    cancelled = status == DecimalStatus::kCancelled;
    EXPECT_EQ(LiveBignumBlocksForTest(), baseline);
  }
  SetNttBlockLimbsForTest(0);
  EXPECT_TRUE(cancelled);
}

// A product in many pieces, cancelled from another thread once GMP is at work in it: it
// ends as cancelled and every block GMP held is freed. Should the product win the race,
// a longer one is tried.
TEST(DecimalProductThreads, CancelFromAnotherThreadEndsAProductInPieces) {
  std::mt19937 rng(1611);
  SetNttLeastLimbsForTest(~size_t{0});
  SetMostMonolithicLimbsForTest(4096);
  const long baseline = LiveBignumBlocksForTest();
  bool cancelled = false;
  for (size_t n = 200'000; n <= 800'000 && !cancelled; n *= 2) {
    Digits a = Random(rng, n), b = Random(rng, n), out(2 * n);
    CancelFlag flag{0};
    auto product = std::async(std::launch::async, [&] {
      return MulDecimal(a.data(), static_cast<uint32_t>(n), b.data(), static_cast<uint32_t>(n),
                        out.data(), &flag);
    });
    while (LiveBignumBlocksForTest() == baseline &&
           product.wait_for(std::chrono::microseconds(50)) != std::future_status::ready) {
    }
    flag.store(1);
    const DecimalStatus status = product.get();
    EXPECT_NE(status, DecimalStatus::kNoMemory);
    cancelled = status == DecimalStatus::kCancelled;
    EXPECT_EQ(LiveBignumBlocksForTest(), baseline);
  }
  SetMostMonolithicLimbsForTest(0);
  SetNttLeastLimbsForTest(0);
  EXPECT_TRUE(cancelled);
}

// Every GMP allocation of a quotient failing in turn: each failure reports no memory and
// leaves no block behind, and the quotient is right once allocation works again.
TEST(DecimalProductTest, QuotientFailingAtEachAllocationLeavesNothing) {
  std::mt19937 rng(1612);
  Digits a = Random(rng, 60000), b = Random(rng, 25000);
  const uint32_t places = 35001;
  Digits expected(places), q(places);
  ASSERT_TRUE(DivGmp(a.data(), 60000, b.data(), 25000, 0, expected.data(), places));
  const long baseline = LiveBignumBlocksForTest();
  int failures = 0;
  for (long k = 0; k < 400; ++k) {
    FailBignumAllocationAfterForTest(k);
    const DecimalStatus status =
        DivDecimal(a.data(), 60000, b.data(), 25000, 0, q.data(), places, CancelToken{});
    FailBignumAllocationAfterForTest(-1);
    ASSERT_EQ(LiveBignumBlocksForTest(), baseline) << "allocation " << k;
    if (status == DecimalStatus::kDone) {
      EXPECT_EQ(q, expected) << "allocation " << k;
      break;
    }
    ASSERT_EQ(status, DecimalStatus::kNoMemory);
    ++failures;
  }
  EXPECT_GT(failures, 0);
  FailBignumAllocationAfterForTest(-1);
}

// The same for a product by the transforms (their working arrays come from the big-number
// allocator): each failure reports no memory and leaves no block behind.
TEST(DecimalProductTest, TransformProductFailingAtEachAllocationLeavesNothing) {
  std::mt19937 rng(1615);
  const Digits a = Random(rng, 50000), b = Random(rng, 45000);
  Digits expected(95000), out(95000);
  ASSERT_TRUE(MulGmp(a.data(), 50000, b.data(), 45000, expected.data()));
  const long baseline = LiveBignumBlocksForTest();
  int failures = 0;
  for (long k = 0; k < 50; ++k) {
    FailBignumAllocationAfterForTest(k);
    const DecimalStatus status = MulDecimal(a.data(), 50000, b.data(), 45000, out.data(), {});
    FailBignumAllocationAfterForTest(-1);
    ASSERT_EQ(LiveBignumBlocksForTest(), baseline) << "allocation " << k;
    if (status == DecimalStatus::kDone) {
      EXPECT_EQ(out, expected) << "allocation " << k;
      break;
    }
    ASSERT_EQ(status, DecimalStatus::kNoMemory);
    ++failures;
  }
  EXPECT_GT(failures, 0);
}

// Signed decimal text of n digits with the point somewhere inside.
std::string DecimalText(std::mt19937& rng, size_t n) {
  std::string s = Text(Random(rng, n));
  s.insert(1 + rng() % s.size(), ".");
  if (s.back() == '.') s.pop_back();
  return (rng() % 2 ? "-" : "") + s;
}

class DecimalCrossoverTest : public test::NumericTest {
 protected:
  // The text of x op y with the per-digit loops and with the decimal kernels forced.
  template <typename Op>
  void ExpectSameEitherWay(const std::string& x, const std::string& y, uint32_t resultSize, Op op) {
    std::string texts[2];
    for (int fast = 0; fast < 2; ++fast) {
      if (fast != 0) {
        ForceGmp();
      } else {
        ForcePerDigit();
      }
      MyNumeric a = test::Num(x);
      a.SetResultSize(resultSize);
      ASSERT_EQ(op(a, test::Num(y)), NumStatus::kOk) << x << ", " << y;
      texts[fast] = test::Refreshed(a);
    }
    ASSERT_EQ(texts[0], texts[1]) << x << ", " << y << " R" << resultSize;
  }
};

TEST_F(DecimalCrossoverTest, MulAndDivAgreeWithPerDigitLoopsAroundTheCrossovers) {
  std::mt19937 rng(1606);
  auto mul = [](MyNumeric& a, const MyNumeric& b) { return a.Mul(b); };
  auto div = [](MyNumeric& a, const MyNumeric& b) { return a.Div(b); };
  for (int i = 0; i < 120; ++i) {
    size_t na = 20 + rng() % 60, nb = 20 + rng() % 60;
    std::string x = DecimalText(rng, na), y = DecimalText(rng, nb);
    // Result sizes below the product's width exercise the rounding and saturation.
    ExpectSameEitherWay(x, y, static_cast<uint32_t>(na + nb - rng() % 8), mul);
    ExpectSameEitherWay(x, y, static_cast<uint32_t>(10 + rng() % 120), div);
  }
  ExpectSameEitherWay("99999999999999999999999999999999999", "9.9", 5, mul);  // saturates
}

}  // namespace
}  // namespace vpx::mynum
