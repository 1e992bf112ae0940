#include "numbers/math_decimal.h"

#include <gtest/gtest.h>

#include <string>

namespace vpx {
namespace {

// Long conversions are split by powers of ten; zeros inside a part must survive.
TEST(FromScaledInteger, LongIntegersKeepEveryDigitAcrossTheirParts) {
  Mpz W;
  mpz_ui_pow_ui(W.get(), 10, 400000);
  mpz_add_ui(W.get(), W.get(), 12345);
  const DecimalDigits x = FromScaledInteger(W.get(), 5, false);
  ASSERT_EQ(x.digits.size(), 400001u - 5 + 5);
  EXPECT_EQ(x.intDigits, 400001u - 5);
  EXPECT_EQ(x.digits.front(), '1');
  EXPECT_EQ(x.digits.find_first_not_of('0', 1), 400001u - 5);
  EXPECT_EQ(x.digits.substr(x.digits.size() - 5), "12345");

  mpz_ui_pow_ui(W.get(), 10, 380001);
  mpz_sub_ui(W.get(), W.get(), 1);
  const DecimalDigits nines = FromScaledInteger(W.get(), 0, false);
  EXPECT_EQ(nines.digits, std::string(380001, '9'));
}

TEST(FromScaledInteger, PadsSmallValuesWithFractionZeros) {
  Mpz W;
  mpz_set_ui(W.get(), 7);
  EXPECT_EQ(FromScaledInteger(W.get(), 3, true).ToText(), "-0.007");
  EXPECT_EQ(FromScaledInteger(W.get(), 0, false).ToText(), "7");
}

TEST(FromScaledInteger, StopsWhenCancelled) {
  Mpz W;
  mpz_ui_pow_ui(W.get(), 10, 400000);
  CancelFlag abort{1};
  DecimalDigits out = DecimalDigits::FromText("5");
  EXPECT_FALSE(FromScaledInteger(W.get(), 0, false, &abort, &out));
  EXPECT_EQ(out.ToText(), "5");
}

}  // namespace
}  // namespace vpx
