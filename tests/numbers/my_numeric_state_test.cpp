// Construction, buffers, state setters, queries and the layout check of MyNumeric.
#include "numbers/mynum_buffers.h"
#include "numeric_test_support.h"
#include "support/fake_ui.h"

namespace vpx {

// Reaches states that no public operation produces.
class MyNumericTestAccess {
 public:
  static void MarkFloating(MyNumeric& n, int32_t exp) {
    n.Float = 1;
    n.iExp = exp;
  }
};

}  // namespace vpx

namespace vpx::test {
namespace {

using MyNumericStateTest = NumericTest;

TEST_F(MyNumericStateTest, DefaultNumberIsNormalisedZero) {
  MyNumeric n;
  EXPECT_EQ(n.ToString(), "0");
  EXPECT_EQ(n.GetValidSize(), 1u);
  EXPECT_EQ(n.GetIntSize(), 1u);
  EXPECT_EQ(n.GetSPSize(), 0u);
  EXPECT_TRUE(n.IsZero());
  EXPECT_EQ(n.VerifyLayout(), 0);
  EXPECT_TRUE(n.GetErrorText().empty());
}

TEST_F(MyNumericStateTest, SetResultSizeIsInheritedByLaterNumbersAndBoundsTheirResults) {
  MyNumeric a;
  a.SetResultSize(500);
  MyNumeric b = Num("1");
  EXPECT_EQ(b.GetResultSize(), 500u);
  // The result size is what a computation may keep, not what a number reserves: the
  // quotient still has its 500 digits (the first place 0 among them).
  ASSERT_EQ(b.Div(Num("3")), NumStatus::kOk);
  b.RefreshValidPartSize();
  EXPECT_EQ(b.ToString(), "0." + std::string(499, '3'));
  EXPECT_LAYOUT_OK(b);

  MyNumeric c;
  c.SetResultSize(7);  // default becomes 7
  b.SetResultSize(0);  // back to the current default, which stays
  EXPECT_EQ(b.GetResultSize(), 7u);
  EXPECT_EQ(MyNumeric::GetDefaultResultSize(), 7u);

  c.SetResultSize(200'000'000);
  EXPECT_EQ(c.GetResultSize(), 100'000'000u);
  EXPECT_EQ(MyNumeric::GetDefaultResultSize(), 100'000'000u);
}

// A number kept in a result entry or an argument holds its value, not buffers sized for
// the result size it may compute to.
TEST_F(MyNumericStateTest, StorageFollowsTheValueNotTheResultSize) {
  MyNumeric setter;
  setter.SetResultSize(1'000'000);
  for (uint32_t digits : {1u, 5u, 10'000u}) {
    const MyNumeric value = Num(std::string(digits, '7'));
    MyNumeric copy(value);
    MyNumeric assigned;
    assigned = value;
    for (const MyNumeric* n : {&copy, &assigned}) {
      const MyNumericParam p = n->GetParam();
      EXPECT_LT(p.BuffSize, 2 * digits + 64) << digits;
      EXPECT_EQ(p.SubBuffSize, 0u) << digits;
      EXPECT_EQ(p.TempBuffSize, 0u) << digits;
      EXPECT_EQ(n->GetResultSize(), 1'000'000u);
      EXPECT_EQ(n->ToString(), std::string(digits, '7'));
    }
  }
  MyNumeric fresh;
  EXPECT_LT(fresh.GetParam().BuffSize, 64u);
  // Such a number grows on demand: a carry out of the top, a product, a long quotient.
  MyNumeric nines = Num("99999");
  ASSERT_EQ(nines.AddAtDigit(1, 0), NumStatus::kOk);
  EXPECT_EQ(nines.ToString(), "100000");
  MyNumeric square(nines);
  ASSERT_EQ(square.Mul(nines), NumStatus::kOk);
  EXPECT_EQ(square.ToString(), "10000000000");
  MyNumeric third = Num("1");
  ASSERT_EQ(third.Div(Num("3")), NumStatus::kOk);
  third.RefreshValidPartSize();
  EXPECT_EQ(third.GetValidSize(), 1'000'000u);
  EXPECT_LAYOUT_OK(third);
}

// A run read or set in one go gets a buffer holding all its digits right up to the digit
// limit; only a longer run is refused, as too large rather than as memory running out.
TEST_F(MyNumericStateTest, RunBufferHoldsEveryDigitCountUpToTheLimit) {
  for (uint32_t digits : {1u, 99'999'990u, 99'999'998u, 99'999'999u, 100'000'000u}) {
    EXPECT_GE(mynum::RunBufferSize(digits), digits + 2) << digits;
    EXPECT_LE(mynum::RunBufferSize(digits), mynum::kBuffLimit) << digits;
  }
  EXPECT_EQ(mynum::RunBufferSize(5), 15u);
  const uint8_t one = 1;
  MyNumeric n;
  // A one followed by zeros: the run has as many digits as the integer part.
  ASSERT_EQ(n.SetDigitsMsdFirst(&one, 1, 100'000'000u, false), NumStatus::kOk);
  EXPECT_EQ(n.GetValidSize(), 100'000'000u);
  EXPECT_EQ(n.GetDigitAtPlace(99'999'999), 1);
  EXPECT_EQ(n.GetDigitAtPlace(0), 0);
  MyNumeric longer;
  EXPECT_EQ(longer.SetDigitsMsdFirst(&one, 1, 100'000'001u, false), NumStatus::kTooLarge);
  EXPECT_EQ(longer.ToString(), "0");
}

TEST_F(MyNumericStateTest, SetByUIntAndSetByInt) {
  MyNumeric n;
  n.SetByUInt(4294967295u);
  EXPECT_EQ(n.ToString(), "4294967295");
  EXPECT_EQ(n.GetValidSize(), 10u);
  n.SetByUInt(1000000000u);
  EXPECT_EQ(n.ToString(), "1000000000");
  n.SetByUInt(0);
  EXPECT_EQ(n.ToString(), "0");
  EXPECT_TRUE(n.IsZero());
  n.SetByInt(-5);
  EXPECT_EQ(n.ToString(), "-5");
  n.SetByInt(INT32_MIN);
  EXPECT_EQ(n.ToString(), "-2147483648");
  EXPECT_LAYOUT_OK(n);
}

TEST_F(MyNumericStateTest, SettersClearOverflowAndKeepLayout) {
  MyNumeric n = Num("123");
  n.SetResultSize(2);
  n.SetAllNines(10);
  EXPECT_EQ(n.ToString(), "99 (E)");
  n.SetOne();
  EXPECT_EQ(n.ToString(), "1");
  EXPECT_LAYOUT_OK(n);
  n.SetMax();
  EXPECT_EQ(n.ToString(), "99");
  n.SetZero();
  EXPECT_EQ(n.ToString(), "0");
  n.SetUnderflowZero(10);
  EXPECT_EQ(n.ToString(), "0.0");
  EXPECT_TRUE(n.IsZero());
  EXPECT_LAYOUT_OK(n);
}

TEST_F(MyNumericStateTest, AssignmentReplacesAShortBufferAndKeepsALongOne) {
  MyNumeric big = Num(std::string(300, '7'));
  MyNumeric fresh;
  fresh = big;
  EXPECT_EQ(fresh.ToString(), std::string(300, '7'));
  EXPECT_GE(fresh.GetParam().BuffSize, 302u);  // room for the digits and a carry
  EXPECT_LAYOUT_OK(fresh);
  // A buffer long enough is reused: assigning a short value leaves it in place.
  const uint8_t* before = fresh.GetParam().pbBuff;
  const MyNumeric small = Num("-4.5");
  fresh = small;
  EXPECT_EQ(fresh.GetParam().pbBuff, before);
  EXPECT_EQ(fresh.ToString(), "-4.5");
  EXPECT_LAYOUT_OK(fresh);
  // The assigned value computes on its own: a carry that needs a new top digit.
  fresh = big;
  fresh.SetResultSize(400);
  ASSERT_EQ(fresh.Add(Num(std::string(300, '3'))), NumStatus::kOk);
  EXPECT_EQ(fresh.ToString(), "1" + std::string(299, '1') + "0");
  EXPECT_EQ(big.ToString(), std::string(300, '7'));
}

TEST_F(MyNumericStateTest, CopiesKeepValueFlagsAndTakeNewIds) {
  MyNumeric n = Num("-12.050");
  MyNumeric copy(n);
  MyNumeric light(&n);
  EXPECT_EQ(copy.ToString(), "-12.050");
  EXPECT_EQ(light.ToString(), "-12.050");
  EXPECT_EQ(light.GetParam().SubBuffSize, 0u);
  EXPECT_LAYOUT_OK(copy);
  EXPECT_LAYOUT_OK(light);

  // A saturated value keeps its mark through copies (results are stored by copy).
  MyNumeric sat = Num("123456");
  sat.SetResultSize(5);
  sat.Add(Num("1"));
  MyNumeric satCopy(sat);
  MyNumeric satAssigned;
  satAssigned = sat;
  EXPECT_EQ(satCopy.ToString(), "99999 (E)");
  EXPECT_EQ(satAssigned.ToString(), "99999 (E)");
}

TEST_F(MyNumericStateTest, MovedNumbersKeepTheirDigits) {
  MyNumeric n = Num("98765.4321");
  MyNumeric moved(std::move(n));
  EXPECT_EQ(moved.ToString(), "98765.4321");
  MyNumeric other;
  other.Swap(moved);
  EXPECT_EQ(other.ToString(), "98765.4321");
  EXPECT_EQ(moved.ToString(), "0");
}

TEST_F(MyNumericStateTest, QueriesOnFractionsAndSigns) {
  MyNumeric n = Num("007.2500");
  uint32_t i = 0, f = 0;
  EXPECT_EQ(n.GetValidPartSize(&i, &f), 1);
  EXPECT_EQ(i, 1u);
  EXPECT_EQ(f, 2u);
  EXPECT_EQ(n.GetValidPartSize(nullptr, &f), 0);
  EXPECT_TRUE(n.HasFractionPart());
  EXPECT_FALSE(n.IsInteger());
  EXPECT_TRUE(Num("5.000").IsUnsignedInteger());
  EXPECT_FALSE(Num("-5").IsUnsignedInteger());
  EXPECT_TRUE(Num("-5.00").IsInteger());
  EXPECT_EQ(n.GetDigitAtPlace(0), 7);
  EXPECT_EQ(n.GetDigitAtPlace(-2), 5);
  EXPECT_EQ(n.GetDigitAtPlace(-5), -1);

  n.RefreshValidPartSize();
  EXPECT_EQ(n.ToString(), "7.25");
  MyNumeric negZero = Num("-0.000");
  EXPECT_TRUE(negZero.IsMinus());
  negZero.RefreshValidPartSize();
  EXPECT_FALSE(negZero.IsMinus());
  EXPECT_TRUE(negZero.IsZero());
  EXPECT_EQ(negZero.ToString(), "0");
}

TEST_F(MyNumericStateTest, DigitFormRoundTrips) {
  MyNumeric n = Num("-0012.3400");
  uint32_t intDigits = 0;
  std::string digits = n.GetDigitsMsdFirst(&intDigits);
  EXPECT_EQ(digits, std::string("\1\2\3\4", 4));
  EXPECT_EQ(intDigits, 2u);
  MyNumeric back;
  back.SetDigitsMsdFirst(reinterpret_cast<const uint8_t*>(digits.data()), 4, 2, true);
  EXPECT_EQ(back.ToString(), "-12.34");
  back.SetDigitsMsdFirst(reinterpret_cast<const uint8_t*>("\5"), 1, 0, false);
  EXPECT_EQ(back.ToString(), "0.5");
  back.SetDigitsMsdFirst(reinterpret_cast<const uint8_t*>("\5"), 1, 3, false);
  EXPECT_EQ(back.ToString(), "500");
  EXPECT_LAYOUT_OK(back);
}

TEST_F(MyNumericStateTest, VerifyLayoutReportsBrokenInvariantsAndTraceDumpsFields) {
  MyNumeric n = Num("12.5");
  n.TraceParameter();
  std::string trace = TraceText();
  EXPECT_NE(trace.find("------------------TraceParameter-------------------"), std::string::npos);
  EXPECT_NE(trace.find("ValidSize[3], ResultSize[100], MaxSize[110], iExp[0]"), std::string::npos);
}

TEST_F(MyNumericStateTest, ReserveKeepsValueAndCentres) {
  MyNumeric n = Num("31415");
  EXPECT_EQ(n.Reserve(5000), NumStatus::kOk);
  EXPECT_EQ(n.GetParam().BuffSize, 5000u);
  EXPECT_EQ(n.GetParam().LSD, (5000u - 5u) / 2);
  EXPECT_EQ(n.ToString(), "31415");
  EXPECT_EQ(n.Reserve(100'000'003), NumStatus::kTooLarge);
  EXPECT_LAYOUT_OK(n);
}

TEST_F(MyNumericStateTest, MisshapenFloatingFormBeepsThroughTheUserInterface) {
  FakeUi ui;
  MyNumeric n = Num("12.5");  // two integer digits: not the floating layout
  MyNumericTestAccess::MarkFloating(n, 1);
  EXPECT_EQ(n.FloatToNormal(), NumStatus::kOk);
  EXPECT_EQ(ui.dialogs.beeps, 1);
  EXPECT_EQ(n.ToString(), "125");
  EXPECT_LAYOUT_OK(n);
}

}  // namespace
}  // namespace vpx::test
