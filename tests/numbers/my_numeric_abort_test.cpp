// Cancelling a long multiplication through the cancel token leaves a well-formed number
// holding a partial product x * (low digits of y).
#include <gmp.h>

#include <random>
#include <thread>

#include "numeric_test_support.h"

namespace vpx::test {
namespace {

std::string RandomInteger(std::mt19937& rng, int digits) {
  std::string s(1, static_cast<char>('1' + rng() % 9));
  for (int i = 1; i < digits; ++i) s.push_back(static_cast<char>('0' + rng() % 10));
  return s;
}

// True when product = x * (y mod 10^k) for some k.
bool IsPartialProduct(const std::string& product, const std::string& x, const std::string& y) {
  mpz_t p, a, q, r;
  mpz_inits(p, a, q, r, nullptr);
  mpz_set_str(p, product.c_str(), 10);
  mpz_set_str(a, x.c_str(), 10);
  mpz_tdiv_qr(q, r, p, a);
  bool ok = mpz_sgn(r) == 0;
  if (ok && mpz_sgn(q) != 0) {
    char* low = mpz_get_str(nullptr, 10, q);
    std::string lowText(low);
    test::FreeGmpString(low);
    ok = lowText.size() <= y.size() &&
         y.compare(y.size() - lowText.size(), lowText.size(), lowText) == 0;
  }
  mpz_clears(p, a, q, r, nullptr);
  return ok;
}

class MyNumericAbortThreads : public NumericTest {};

TEST_F(MyNumericAbortThreads, RaisedFlagStopsAfterTheFirstRowOnEitherKernel) {
  std::mt19937 rng(3);
  std::string x = RandomInteger(rng, 400), y = RandomInteger(rng, 400);
  for (bool gmp : {false, true}) {
    if (gmp)
      ForceGmp();
    else
      ForcePerDigit();
    CancelFlag flag{1};
    MyNumeric a(&flag);
    ASSERT_EQ(a.SetByString(x), NumStatus::kOk);
    a.SetResultSize(5000);
    ASSERT_EQ(a.Mul(Num(y)), NumStatus::kOk);
    EXPECT_EQ(a.VerifyLayout(), 0) << a.GetErrorText();
    std::string low = y.substr(y.size() - 9);
    mpz_t expect;
    mpz_init_set_str(expect, x.c_str(), 10);
    mpz_mul_ui(expect, expect, std::stoul(low));
    char* text = mpz_get_str(nullptr, 10, expect);
    EXPECT_EQ(a.ToString(), text);
    test::FreeGmpString(text);
    mpz_clear(expect);
  }
}

TEST_F(MyNumericAbortThreads, CancelFromAnotherThreadLeavesPartialProduct) {
  ForcePerDigit();
  std::mt19937 rng(4);
  std::string x = RandomInteger(rng, 20000), y = RandomInteger(rng, 20000);
  CancelFlag flag{0};
  MyNumeric a(&flag);
  ASSERT_EQ(a.SetByString(x), NumStatus::kOk);
  a.SetResultSize(50000);
  MyNumeric b = Num(y);
  std::thread canceller([&flag] { flag.store(1, std::memory_order_relaxed); });
  ASSERT_EQ(a.Mul(b), NumStatus::kOk);
  canceller.join();
  EXPECT_EQ(a.VerifyLayout(), 0) << a.GetErrorText();
  EXPECT_TRUE(IsPartialProduct(a.ToString(), x, y));
}

}  // namespace
}  // namespace vpx::test
