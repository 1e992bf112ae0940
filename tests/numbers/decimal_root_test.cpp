// The decimal square root against GMP's integer root: argument and length edges, exact
// squares and their neighbours, transforms forced short, one and two cores, failed
// allocations and cancels.
#include "numbers/decimal_root.h"

#include <gmp.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <chrono>
#include <new>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "numbers/bignum_memory.h"
#include "numbers/decimal_ntt.h"
#include "numbers/math_decimal.h"
#include "numbers/math_roots.h"

namespace vpx {
namespace {

// floor(sqrt(X * 10^(2h))) by GMP.
std::string GmpRoot(uint64_t X, uint64_t h) {
  Mpz n;
  mpz_ui_pow_ui(n.get(), 10, 2 * h);
  mpz_mul_ui(n.get(), n.get(), X);
  mpz_sqrt(n.get(), n.get());
  std::string text(mpz_sizeinbase(n.get(), 10) + 2, '\0');
  mpz_get_str(text.data(), 10, n.get());
  text.resize(text.find('\0'));
  return text;
}

std::string DecimalRoot(uint64_t X, uint64_t h) {
  std::string digits;
  EXPECT_EQ(DecimalRootDigits(X, h, CancelToken{}, &digits), DecimalRootStatus::kDone)
      << X << " " << h;
  return digits;
}

// Squares, their neighbours (roots just below an integer end in runs of nines), powers of
// ten (runs of zeros) and the largest argument.
const std::vector<uint64_t> kEdgeArguments = {1,
                                              2,
                                              3,
                                              4,
                                              5,
                                              8,
                                              9,
                                              10,
                                              99,
                                              100,
                                              101,
                                              99'980'001,  // 9999^2
                                              99'980'000,
                                              99'980'002,
                                              9'999'999'800'000'001,  // (10^8 - 1)^2
                                              9'999'999'800'000'000,
                                              9'999'999'800'000'002,
                                              9'999'999'999'999'999,
                                              kDecimalRootMostX};

// Lengths around the 17-digit limb and the guard limbs.
const std::vector<uint64_t> kEdgeLengths = {0, 1, 2, 16, 17, 18, 33, 34, 35, 50, 51, 52, 100, 333};

TEST(DecimalRootDigits, MatchesGmpAtArgumentAndLimbEdges) {
  for (uint64_t X : kEdgeArguments) {
    for (uint64_t h : kEdgeLengths) EXPECT_EQ(DecimalRoot(X, h), GmpRoot(X, h)) << X << " " << h;
  }
}

// Transforms from the shortest products on, at lengths around their sizes (powers of two
// and three quarters of them, in 17-digit limbs).
TEST(DecimalRootDigits, MatchesGmpOnTheTransformsAtTheirLengthEdges) {
  mynum::SetNttLeastLimbsForTest(8);
  for (uint64_t X :
       std::vector<uint64_t>{2, 99'980'001, 9'999'999'800'000'000, kDecimalRootMostX}) {
    for (uint64_t limbs : std::vector<uint64_t>{64, 96, 128, 192, 256, 1024}) {
      for (uint64_t h : {limbs * 17 - 35, limbs * 17 - 1, limbs * 17, limbs * 17 + 18}) {
        EXPECT_EQ(DecimalRoot(X, h), GmpRoot(X, h)) << X << " " << h;
      }
    }
  }
  mynum::SetNttLeastLimbsForTest(0);
}

TEST(DecimalRootDigits, MatchesGmpForRandomArgumentsAndLengths) {
  std::mt19937_64 random(2611);
  for (int round = 0; round < 60; ++round) {
    const uint64_t X = 1 + random() % kDecimalRootMostX;
    const uint64_t h = random() % (round < 50 ? 3000 : 40000);
    EXPECT_EQ(DecimalRoot(X, h), GmpRoot(X, h)) << X << " " << h;
  }
  EXPECT_EQ(DecimalRootUnproven(), 0u);
}

// Runs r(X, h) on a thread allowed one core only, so that the products take one thread.
std::string RootOnOneCore(uint64_t X, uint64_t h) {
  std::string digits;
  std::thread worker([&] {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    pthread_setaffinity_np(pthread_self(), sizeof(one), &one);
    digits = DecimalRoot(X, h);
  });
  worker.join();
  return digits;
}

TEST(DecimalRootDigits, OneCoreAndTwoGiveTheSameDigits) {
  // Long enough for the products' two-thread transforms.
  const uint64_t h = 200000;
  const std::string both = DecimalRoot(3, h);
  EXPECT_EQ(RootOnOneCore(3, h), both);
  EXPECT_EQ(both, GmpRoot(3, h));
}

// Every allocation failing in turn reaches the caller as bad_alloc, leaves no block behind,
// and the next root is right.
TEST(DecimalRootDigits, FailedAllocationsUnwindAndLeaveNothing) {
  const uint64_t h = 60000;
  const std::string expected = GmpRoot(7, h);
  const long baseline = LiveBignumBlocksForTest();
  int failures = 0;
  for (long k = 0; k < 400; ++k) {
    FailBignumAllocationAfterForTest(k);
    std::string digits;
    bool failed = false;
    try {
      BignumScope scope;
      EXPECT_EQ(DecimalRootDigits(7, h, CancelToken{}, &digits), DecimalRootStatus::kDone);
    } catch (const std::bad_alloc&) {
      failed = true;
    }
    FailBignumAllocationAfterForTest(-1);
    ASSERT_EQ(LiveBignumBlocksForTest(), baseline) << "allocation " << k;
    if (!failed) {
      EXPECT_EQ(digits, expected);
      break;
    }
    ++failures;
  }
  EXPECT_GT(failures, 3);
}

TEST(DecimalRootDigits, StopsWhenCancelledMidway) {
  CancelFlag flag{0};
  std::string digits = "untouched";
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    flag = 1;
  });
  const DecimalRootStatus status = DecimalRootDigits(2, 2'000'000, &flag, &digits);
  canceller.join();
  EXPECT_EQ(status, DecimalRootStatus::kCancelled);
  EXPECT_EQ(digits, "untouched");
}

std::string Root(const std::string& x, uint32_t size) {
  return SquareRootDigits(DecimalDigits::FromText(x), size).ToText();
}

// The square root command's digits are the same by the decimal route as by the binary one,
// for arguments that scale to short and to too-long integers, odd and even powers of ten,
// values below one and exact roots.
TEST(DecimalRootDigits, SquareRootsAreTheSameByEitherRoute) {
  const std::vector<std::string> args = {"2",
                                         "0.02",
                                         "0.5",
                                         "99.99",
                                         "1.44",
                                         "0.000000000000000000000000000000042",
                                         "1000000000000000",
                                         "999999999999999.9",
                                         "99999999999999999999",
                                         "12345678901234567890123"};
  for (const std::string& x : args) {
    for (uint32_t size : {1u, 17u, 18u, 35u, 200u, 1701u}) {
      SetDecimalRootLeastDigitsForTest(UINT64_MAX);
      const std::string binary = Root(x, size);
      SetDecimalRootLeastDigitsForTest(1);
      EXPECT_EQ(Root(x, size), binary) << "sqrt(" << x << ") size " << size;
    }
  }
  SetDecimalRootLeastDigitsForTest(0);
  EXPECT_EQ(DecimalRootUnproven(), 0u);
}

}  // namespace
}  // namespace vpx
