#include "numbers/math_factorial.h"

#include <gmp.h>
#include <gtest/gtest.h>
#include <mpfr.h>

#include <atomic>
#include <chrono>
#include <future>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "numbers/bignum_memory.h"

namespace vpx {
namespace {

using namespace std::chrono_literals;

// n! as decimal text from GMP.
std::string GmpFactorialText(uint32_t n) {
  Mpz f;
  mpz_fac_ui(f.get(), n);
  std::string text(mpz_sizeinbase(f.get(), 10) + 2, '\0');
  mpz_get_str(text.data(), 10, f.get());
  text.resize(text.find('\0'));
  return text;
}

std::string FactorialText(uint32_t n, bool twoThreads = false) {
  DecimalDigits out;
  EXPECT_TRUE(ComputeFactorial(n, UINT32_MAX, nullptr, &out, twoThreads)) << n;
  EXPECT_EQ(out.intDigits, out.digits.size()) << n;
  return out.digits;
}

// Digits of n! counted on GMP's exact factorial.
uint64_t ExactFactorialDigits(uint32_t n) {
  Mpz f;
  mpz_fac_ui(f.get(), n);
  return DecimalDigitCount(f.get());
}

TEST(FactorialDigitTable, StartsAndEndsAsDocumented) {
  const uint32_t* table = FactorialDigitTable();
  const uint32_t first[] = {1, 1, 1, 1, 2, 3, 3, 4, 5, 6};
  for (uint32_t n = 0; n < 10; ++n) EXPECT_EQ(table[n], first[n]) << n;
  EXPECT_EQ(table[kFactorialTableLastIndex], 456574u);
}

TEST(FactorialDigitTable, AgreesWithGmpFactorialsForSmallArguments) {
  const uint32_t* table = FactorialDigitTable();
  // Every entry to 2,000, then a spread of larger ones.
  Mpz f;
  mpz_set_ui(f.get(), 1);
  for (uint32_t n = 1; n <= 2000; ++n) {
    mpz_mul_ui(f.get(), f.get(), n);
    ASSERT_EQ(table[n], DecimalDigitCount(f.get())) << n;
  }
  for (uint32_t n : {2500u, 9999u, 10000u, 25000u, 65535u, 99999u, 100000u}) {
    EXPECT_EQ(table[n], ExactFactorialDigits(n)) << n;
  }
}

// Every entry is proven by an enclosure of log10(n!) summed with outward rounding: the
// floor of both ends must agree with the entry.
TEST(FactorialDigitTable, EveryEntryLiesInsideARigorousLogarithmEnclosure) {
  const uint32_t* table = FactorialDigitTable();
  mpfr_t lo, hi, term, arg, floorLo, floorHi;
  mpfr_inits2(96, lo, hi, term, arg, floorLo, floorHi, static_cast<mpfr_ptr>(nullptr));
  mpfr_set_ui(lo, 0, MPFR_RNDN);
  mpfr_set_ui(hi, 0, MPFR_RNDN);
  for (uint32_t n = 2; n <= kFactorialTableLastIndex; ++n) {
    mpfr_set_ui(arg, n, MPFR_RNDN);
    mpfr_log10(term, arg, MPFR_RNDD);
    mpfr_add(lo, lo, term, MPFR_RNDD);
    mpfr_log10(term, arg, MPFR_RNDU);
    mpfr_add(hi, hi, term, MPFR_RNDU);
    mpfr_floor(floorLo, lo);
    mpfr_floor(floorHi, hi);
    ASSERT_TRUE(mpfr_equal_p(floorLo, floorHi)) << "enclosure too wide at " << n;
    ASSERT_EQ(table[n], mpfr_get_ui(floorLo, MPFR_RNDN) + 1) << n;
  }
  mpfr_clears(lo, hi, term, arg, floorLo, floorHi, static_cast<mpfr_ptr>(nullptr));
}

TEST(FactorialDigitCount, IsExactBeyondTheTable) {
  EXPECT_EQ(FactorialDigitCount(205022), 1000000u);
  EXPECT_EQ(FactorialDigitCount(205023), ExactFactorialDigits(205023));
  EXPECT_EQ(FactorialDigitCount(123457), ExactFactorialDigits(123457));
  EXPECT_EQ(FactorialDigitCount(0), 1u);
  EXPECT_EQ(FactorialDigitCount(1), 1u);
}

TEST(FindFactorialByDigitCount, FindsTheFirstFactorialOfThatLength) {
  EXPECT_EQ(FindFactorialByDigitCount(0), 0u);
  EXPECT_EQ(FindFactorialByDigitCount(1), 1u);
  EXPECT_EQ(FindFactorialByDigitCount(2), 4u);
  EXPECT_EQ(FindFactorialByDigitCount(5), 8u);
  EXPECT_EQ(FindFactorialByDigitCount(456574), 100000u);
  EXPECT_EQ(FindFactorialByDigitCount(456575), 100000u);
  EXPECT_EQ(FindFactorialByDigitCount(1000000), 100000u);
  // Every digit count: the answer is the first index whose factorial is at least that long.
  const uint32_t* table = FactorialDigitTable();
  for (uint32_t d = 2; d < 3000; ++d) {
    uint32_t n = FindFactorialByDigitCount(d);
    ASSERT_GE(table[n], d) << d;
    ASSERT_LT(table[n - 1], d) << d;
  }
}

TEST(ComputeFactorial, GivesExactFactorialsUpToTheDigitLimit) {
  DecimalDigits out;
  ASSERT_TRUE(ComputeFactorial(10, 1000000, nullptr, &out));
  EXPECT_EQ(out.ToText(), "3628800");
  ASSERT_TRUE(ComputeFactorial(0, 1000000, nullptr, &out));
  EXPECT_EQ(out.ToText(), "1");
  Mpz f;
  mpz_fac_ui(f.get(), 3000);
  std::string expected(mpz_sizeinbase(f.get(), 10) + 2, '\0');
  mpz_get_str(expected.data(), 10, f.get());
  expected.resize(expected.find('\0'));
  ASSERT_EQ(expected.size(), 9131u);
  ASSERT_TRUE(ComputeFactorial(3000, 9131, nullptr, &out));
  EXPECT_EQ(out.digits, expected);
  EXPECT_FALSE(out.overflow);
}

TEST(ComputeFactorial, AgreesWithGmpForEveryArgumentUpTo3000) {
  Mpz f;
  mpz_set_ui(f.get(), 1);
  std::string expected;
  for (uint32_t n = 0; n <= 3000; ++n) {
    if (n > 1) mpz_mul_ui(f.get(), f.get(), n);
    expected.resize(mpz_sizeinbase(f.get(), 10) + 2);
    mpz_get_str(expected.data(), 10, f.get());
    expected.resize(expected.find('\0'));
    ASSERT_EQ(FactorialText(n), expected) << n;
  }
}

// Powers of two and their neighbours change the depth of the recursion, squares of primes
// and primes the top swing's factors; the largest reach the transform product's longest
// lengths and the cached twiddles' end.
TEST(ComputeFactorial, AgreesWithGmpWhereTheRecursionChangesShape) {
  for (uint32_t n : {4095u, 4096u, 16129u, 32769u, 63001u, 65521u, 131071u, 131072u, 205022u,
                     259081u, 262147u}) {
    ASSERT_EQ(FactorialText(n), GmpFactorialText(n)) << n;
  }
}

TEST(ComputeFactorial, SaturatesToNinesBeyondTheDigitLimit) {
  DecimalDigits out;
  ASSERT_TRUE(ComputeFactorial(3000, 9130, nullptr, &out));
  EXPECT_EQ(out.ToText(), std::string(9130, '9') + " (E)");
  ASSERT_TRUE(ComputeFactorial(9999999, 1000000, nullptr, &out));
  EXPECT_TRUE(out.overflow);
  EXPECT_EQ(out.digits.size(), 1000000u);
  ASSERT_TRUE(ComputeFactorial(205023, 1000000, nullptr, &out));
  EXPECT_TRUE(out.overflow);
}

// log10(100503!) = 459089.0005: beyond the table the estimate cannot tell whether it has
// 459,089 digits or one more, so the factorial is computed and then counted.
TEST(ComputeFactorial, SettlesABorderlineLengthBeyondTheTableByCounting) {
  DecimalDigits out;
  ASSERT_TRUE(ComputeFactorial(100503, 459089, nullptr, &out));
  EXPECT_TRUE(out.overflow);
  EXPECT_EQ(out.digits.size(), 459089u);
  ASSERT_TRUE(ComputeFactorial(100503, 459090, nullptr, &out));
  EXPECT_FALSE(out.overflow);
  EXPECT_EQ(out.digits, GmpFactorialText(100503));
}

TEST(ComputeFactorial, StopsWhenCancelled) {
  CancelFlag abort{1};
  DecimalDigits out = DecimalDigits::FromText("5");
  EXPECT_FALSE(ComputeFactorial(1000, 1000000, &abort, &out));
  EXPECT_EQ(out.ToText(), "5");
}

TEST(ComputeFactorial, ReportsProgressUpToTheWhole) {
  JobProgress progress;
  DecimalDigits out;
  std::atomic<bool> done{false};
  std::vector<double> seen;
  std::thread watcher([&] {
    while (!done.load()) {
      seen.push_back(progress.Fraction());
      std::this_thread::yield();
    }
  });
  EXPECT_TRUE(ComputeFactorial(100000, UINT32_MAX, nullptr, &out, false, &progress));
  done.store(true);
  watcher.join();
  EXPECT_EQ(progress.Fraction(), 1.0);
  for (size_t i = 1; i < seen.size(); ++i) {
    if (seen[i - 1] >= 0) {
      ASSERT_GE(seen[i], seen[i - 1]) << i;
    }
  }
}

TEST(FactorialThreads, OneAndTwoThreadsGiveTheSameDigits) {
  for (uint32_t n : {19999u, 20000u, 65537u, 150001u}) {
    EXPECT_EQ(FactorialText(n, true), FactorialText(n, false)) << n;
  }
}

// The flag goes up once a third of the work is done (the last levels take most of it), so
// the computation sees it in the middle whatever the machine's speed.
TEST(FactorialThreads, ACancelFromAnotherThreadEndsTheComputation) {
  for (bool twoThreads : {false, true}) {
    CancelFlag abort{0};
    JobProgress progress;
    DecimalDigits out = DecimalDigits::FromText("5");
    auto run = std::async(std::launch::async, [&] {
      return ComputeFactorial(205022, 1000000, &abort, &out, twoThreads, &progress);
    });
    while (progress.Fraction() < 0.34 && run.wait_for(0s) != std::future_status::ready) {
      std::this_thread::yield();
    }
    abort.store(1);
    ASSERT_EQ(run.wait_for(10s), std::future_status::ready) << twoThreads;
    EXPECT_FALSE(run.get()) << twoThreads;
    EXPECT_EQ(out.ToText(), "5") << twoThreads;
  }
}

// Fails the k-th big-number allocation of n! for k = 0 ... limit (or until the computation
// allocates fewer blocks); the number of computations that failed.
long FailAllocationsInTurn(uint32_t n, bool twoThreads, long limit) {
  // MPFR's caches (the digit count uses MPFR) are freed by a failing scope: not counted.
  auto settled = [] {
    mpfr_free_cache();
    return LiveBignumBlocksForTest();
  };
  const long baseline = settled();
  long failures = 0;
  for (long k = 0; k <= limit; ++k) {
    FailBignumAllocationAfterForTest(k);
    bool failed = false;
    try {
      BignumScope scope;
      DecimalDigits out;
      ComputeFactorial(n, UINT32_MAX, nullptr, &out, twoThreads);
    } catch (const std::bad_alloc&) {
      failed = true;
    }
    FailBignumAllocationAfterForTest(-1);
    if (!failed) break;
    ++failures;
    EXPECT_EQ(settled(), baseline) << "after failing allocation " << k << " of " << n << "!";
  }
  return failures;
}

// A failed allocation at any point, on either thread, reaches the caller as bad_alloc and
// leaves no block behind; the next computation is right.
TEST(FactorialThreads, FailedAllocationsUnwindAndLeaveNothing) {
  for (bool twoThreads : {false, true}) {
    EXPECT_GT(FailAllocationsInTurn(40000, twoThreads, 1000), 3) << twoThreads;
    EXPECT_EQ(FactorialText(40000, twoThreads), GmpFactorialText(40000));
  }
  // Here the second thread's swing reaches the transform product early, so several of the
  // first failures happen there and must be raised again on the calling thread.
  EXPECT_EQ(FailAllocationsInTurn(205022, true, 20), 21);
}

}  // namespace
}  // namespace vpx
