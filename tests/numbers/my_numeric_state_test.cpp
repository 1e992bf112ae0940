// Construction, buffers, state setters, queries and the layout check of MyNumeric.
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

TEST_F(MyNumericStateTest, SetResultSizeChangesDefaultAndBufferSizes) {
  MyNumeric a;
  a.SetResultSize(500);
  MyNumeric b;
  EXPECT_EQ(b.GetResultSize(), 500u);
  EXPECT_EQ(b.GetParam().BuffSize, 1010u);
  EXPECT_EQ(b.GetParam().SubBuffSize, 1010u);
  EXPECT_EQ(b.GetParam().TempBuffSize, 1010u);

  MyNumeric c;
  c.SetResultSize(7);  // default becomes 7
  b.SetResultSize(0);  // back to the current default, which stays
  EXPECT_EQ(b.GetResultSize(), 7u);
  EXPECT_EQ(MyNumeric::GetDefaultResultSize(), 7u);

  c.SetResultSize(200'000'000);
  EXPECT_EQ(c.GetResultSize(), 100'000'000u);
  EXPECT_EQ(MyNumeric::GetDefaultResultSize(), 100'000'000u);
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

TEST_F(MyNumericStateTest, AssignmentGrowsShortMainBuffer) {
  MyNumeric big = Num(std::string(300, '7'));
  MyNumeric fresh;
  fresh = big;
  EXPECT_EQ(fresh.GetParam().BuffSize, 400u);
  EXPECT_EQ(fresh.ToString(), std::string(300, '7'));
  EXPECT_LAYOUT_OK(fresh);
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
