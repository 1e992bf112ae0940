#include "numbers/bignum_memory.h"

#include <gmp.h>
#include <gtest/gtest.h>
#include <mpfr.h>

#include <functional>
#include <string>

#include "numbers/math_decimal.h"
#include "numbers/math_exp_log.h"
#include "numbers/math_factorial.h"
#include "numbers/math_roots.h"
#include "numbers/radix_conversion.h"

namespace vpx {
namespace {

// Blocks held once MPFR's caches are gone: what must remain after a discarded computation.
long SettledLiveBlocks() {
  mpfr_free_cache();
  return LiveBignumBlocksForTest();
}

// Fails the 1st, 2nd, 3rd ... allocation of the computation in turn. Every failure must
// reach the caller as an exception, free every block the computation held, and leave
// the libraries able to compute the right value afterwards.
void ExpectEveryFailureRecovers(const std::function<std::string()>& compute) {
  const std::string expected = compute();
  const long baseline = SettledLiveBlocks();
  long failures = 0;
  for (long k = 0;; ++k) {
    FailBignumAllocationAfterForTest(k);
    bool failed = false;
    try {
      BignumScope scope;
      EXPECT_EQ(compute(), expected) << "allocation " << k;
    } catch (const std::bad_alloc&) {
      failed = true;
    }
    FailBignumAllocationAfterForTest(-1);
    if (!failed) break;
    ++failures;
    ASSERT_EQ(SettledLiveBlocks(), baseline) << "blocks left after failing allocation " << k;
    ASSERT_EQ(compute(), expected) << "wrong value after failing allocation " << k;
  }
  EXPECT_GT(failures, 0) << "the computation allocated nothing through GMP/MPFR";
}

TEST(BignumMemory, FailedAllocationsInRootsAndPowersUnwindAndLeaveNothing) {
  ExpectEveryFailureRecovers(
      [] { return SquareRootDigits(DecimalDigits::FromText("2"), 300).ToText(); });
  ExpectEveryFailureRecovers([] {
    DecimalDigits out;
    PowDigits(DecimalDigits::FromText("1.5"), 700, 400, &out);
    return out.ToText();
  });
}

TEST(BignumMemory, FailedAllocationsInMpfrCachesAndSeriesUnwindAndLeaveNothing) {
  ExpectEveryFailureRecovers([] {
    DecimalDigits out;
    LogEDigits(DecimalDigits::FromText("3"), 300, CancelToken(), &out);
    return out.ToText();
  });
  ExpectEveryFailureRecovers([] {
    DecimalDigits out;
    NapierDigits(300, false, CancelToken(), &out);
    return out.ToText();
  });
  ExpectEveryFailureRecovers([] {
    DecimalDigits out;
    ComputeFactorial(400, 2000, CancelToken(), &out);
    return out.ToText() + " " + std::to_string(FactorialDigitCount(3'000'000));
  });
}

// Products into integers that had no limbs yet (a power of an integer, a short root), and
// the fraction tree's products.
TEST(BignumMemory, FailedAllocationsInExactPowersAndFractionDigitsUnwindAndLeaveNothing) {
  ExpectEveryFailureRecovers([] {
    DecimalDigits power;
    const std::string x = "98765432109876543210987654321098765432109876543210987654321";
    PowDigits(DecimalDigits::FromText(x + std::string(200, '0')), 3, 1000, &power);
    return power.ToText() + " " + SquareRootDigits(DecimalDigits::FromText("2"), 600).ToText();
  });
  ExpectEveryFailureRecovers([] {
    const uint64_t digits = 7000;
    const uint64_t bits = FractionBitsFor(digits);
    Mpz V;
    mpz_ui_pow_ui(V.get(), 3, bits * 63 / 100);  // some fraction below one
    std::string out;
    FractionDigits(V.get(), bits, 1, digits, nullptr, &out);
    return out;
  });
}

// GMP frees an integer's limbs before allocating the new ones; a failure there must not
// make the integer's own clean-up free them a second time (ASan would report it).
TEST(BignumMemory, IntegerWhoseRegrowthFailedIsFreedOnce) {
  const long baseline = SettledLiveBlocks();
  try {
    BignumScope scope;
    Mpz a, b, product;
    mpz_ui_pow_ui(a.get(), 7, 5000);
    mpz_ui_pow_ui(b.get(), 3, 5000);
    mpz_set_ui(product.get(), 1);  // small limbs that the product outgrows
    FailBignumAllocationAfterForTest(0);
    mpz_mul(product.get(), a.get(), b.get());
    ADD_FAILURE() << "the allocation did not fail";
  } catch (const BignumOutOfMemory&) {
  }
  FailBignumAllocationAfterForTest(-1);
  EXPECT_EQ(SettledLiveBlocks(), baseline);
}

// A cancelled token stops the library at its next allocation, within the scope that
// carries it (and scopes nested in it) only; every block the interrupted call held is freed.
TEST(BignumMemory, CancelledScopeStopsTheLibraryAtItsNextAllocation) {
  Mpz seven;
  mpz_ui_pow_ui(seven.get(), 7, 20000);
  const long baseline = LiveBignumBlocksForTest();
  CancelFlag flag{0};
  bool thrown = false;
  try {
    BignumScope scope(&flag);
    Mpz a, b, product;
    mpz_ui_pow_ui(a.get(), 7, 20000);  // allowed while the flag is down
    mpz_ui_pow_ui(b.get(), 3, 20000);
    flag.store(1);
    BignumScope nested;  // keeps the outer token
    mpz_mul(product.get(), a.get(), b.get());
    ADD_FAILURE() << "the product was not stopped";
  } catch (const BignumCancelled&) {
    thrown = true;
  }
  EXPECT_TRUE(thrown);
  EXPECT_EQ(LiveBignumBlocksForTest(), baseline);
  // The same for integers made by mpz_inits (their own dummy limbs before the first growth).
  thrown = false;
  try {
    BignumScope scope(&flag);
    mpz_t x, y;
    mpz_inits(x, y, nullptr);
    try {
      mpz_mul(y, seven.get(), seven.get());
    } catch (...) {
      mpz_clears(x, y, nullptr);
      throw;
    }
  } catch (const BignumCancelled&) {
    thrown = true;
  }
  EXPECT_TRUE(thrown);
  EXPECT_EQ(LiveBignumBlocksForTest(), baseline);
  // Outside that scope, and in a scope without a token, the raised flag stops nothing.
  BignumScope plain;
  Mpz c;
  mpz_ui_pow_ui(c.get(), 7, 20000);
  EXPECT_EQ(mpz_sizeinbase(c.get(), 7), 20001u);
}

TEST(BignumMemory, ScopeFreesLeftoversOnlyWhenUnwound) {
  const long baseline = LiveBignumBlocksForTest();
  try {
    BignumScope scope;
    mpz_t orphan;  // never cleared, like a temporary of interrupted library code
    mpz_init_set_ui(orphan, 1);
    mpz_mul_2exp(orphan, orphan, 1 << 16);
    throw BignumOutOfMemory();
  } catch (const BignumOutOfMemory&) {
  }
  EXPECT_EQ(LiveBignumBlocksForTest(), baseline);

  mpz_t kept;
  {
    BignumScope outer;
    {
      BignumScope inner;
      mpz_init_set_ui(kept, 1);
      mpz_mul_2exp(kept, kept, 1 << 16);
    }
  }
  EXPECT_EQ(LiveBignumBlocksForTest(), baseline + 1);  // a finished scope keeps results
  EXPECT_EQ(mpz_sizeinbase(kept, 2), (1u << 16) + 1);
  mpz_clear(kept);
  EXPECT_EQ(LiveBignumBlocksForTest(), baseline);
}

}  // namespace
}  // namespace vpx
