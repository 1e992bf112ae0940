// Arithmetic of MyNumeric: the edge cases of addition, subtraction, multiplication,
// division, remainder, comparison, doubling, halving and the digit-place steps.
#include "numeric_test_support.h"

namespace vpx::test {
namespace {

using MyNumericArithTest = NumericTest;

enum class Op { kAdd, kSub, kMul, kDiv, kSurplus };

std::string Apply(const std::string& a, Op op, const std::string& b, uint32_t resultSize = 0,
                  NumStatus* status = nullptr) {
  MyNumeric x = Num(a);
  MyNumeric y = Num(b);
  if (resultSize != 0) {
    uint32_t saved = MyNumeric::GetDefaultResultSize();
    x.SetResultSize(resultSize);
    SetDefaultResultSize(saved);
  }
  NumStatus r = NumStatus::kOk;
  switch (op) {
    case Op::kAdd:
      r = x.Add(y);
      break;
    case Op::kSub:
      r = x.Sub(y);
      break;
    case Op::kMul:
      r = x.Mul(y);
      break;
    case Op::kDiv:
      r = x.Div(y);
      break;
    case Op::kSurplus:
      r = x.Surplus(y);
      break;
  }
  if (status != nullptr) *status = r;
  EXPECT_EQ(x.VerifyLayout(), 0) << a << " op " << b << "\n" << x.GetErrorText();
  return x.ToString();
}

TEST_F(MyNumericArithTest, AdditionCarriesAndKeepsFractionWidth) {
  EXPECT_EQ(Apply("999", Op::kAdd, "1"), "1000");
  EXPECT_EQ(Apply("0.5", Op::kAdd, "0.5"), "1.0");
  EXPECT_EQ(Refreshed(Num("1.0")), "1");
  EXPECT_EQ(Apply("1", Op::kAdd, "0.50"), "1.50");
  EXPECT_EQ(Apply("0.001", Op::kAdd, "99999.999"), "100000.000");
  EXPECT_EQ(Apply("-5", Op::kAdd, "8"), "3");
  EXPECT_EQ(Apply("5", Op::kAdd, "-8"), "-3");
  EXPECT_EQ(Apply("-5", Op::kAdd, "-8"), "-13");
  MyNumeric x = Num("4.5");
  x.Add(x);
  EXPECT_EQ(x.ToString(), "9.0");
}

TEST_F(MyNumericArithTest, AdditionFitsIntoResultSize) {
  EXPECT_EQ(Apply("123.456", Op::kAdd, "0", 5), "123.46");
  EXPECT_EQ(Apply("123.454", Op::kAdd, "0", 5), "123.45");
  EXPECT_EQ(Apply("-123.455", Op::kAdd, "-0", 5), "-123.46");
  EXPECT_EQ(Apply("-123.455", Op::kAdd, "0", 5), "-123.45") << "unlike signs subtract, which cuts";
  EXPECT_EQ(Apply("123456", Op::kAdd, "1", 5), "99999 (E)");
  EXPECT_EQ(Apply("-99999", Op::kAdd, "-1", 5), "-99999 (E)");
  EXPECT_EQ(Apply("99.996", Op::kAdd, "0", 4), "100.00");
}

TEST_F(MyNumericArithTest, SubtractionSignsAndZero) {
  EXPECT_EQ(Apply("5", Op::kSub, "8"), "-3");
  EXPECT_EQ(Apply("-5", Op::kSub, "3"), "-8");
  EXPECT_EQ(Apply("-5", Op::kSub, "-8"), "3");
  EXPECT_EQ(Apply("0.3", Op::kSub, "0.25"), "0.05");
  EXPECT_EQ(Apply("1000", Op::kSub, "0.001"), "999.999");
  MyNumeric x = Num("3");
  x.Sub(Num("3"));
  EXPECT_EQ(x.ToString(), "0");
  EXPECT_TRUE(x.IsZero());
  EXPECT_FALSE(x.IsMinus());
  MyNumeric y = Num("-7.5");
  y.Sub(y);
  EXPECT_TRUE(y.IsZero());
  EXPECT_EQ(Apply("123.456", Op::kSub, "0", 5), "123.45") << "subtraction cuts without rounding";
}

TEST_F(MyNumericArithTest, MultiplicationSignsFractionsAndFitting) {
  EXPECT_EQ(Apply("2", Op::kMul, "-3"), "-6");
  EXPECT_EQ(Apply("-2", Op::kMul, "-3"), "6");
  EXPECT_EQ(Apply("0.5", Op::kMul, "0.5"), "0.25");
  EXPECT_EQ(Apply("0.5", Op::kMul, "0.2"), "0.1");
  EXPECT_EQ(Apply("-2", Op::kMul, "0"), "0");
  EXPECT_EQ(Apply("1.25", Op::kMul, "1.25", 3), "1.56");
  EXPECT_EQ(Apply("1.5", Op::kMul, "1.5", 2), "2.3");
  EXPECT_EQ(Apply("99999", Op::kMul, "99999", 5), "99999 (E)");
  EXPECT_EQ(Apply("9.95", Op::kMul, "1", 2), "10");
  MyNumeric x = Num("12.5");
  x.Mul(x);
  EXPECT_EQ(x.ToString(), "156.25");
}

TEST_F(MyNumericArithTest, DivisionKeepsResultSizeDigitsCut) {
  EXPECT_EQ(Refreshed(Num(Apply("1", Op::kDiv, "3", 10))), "0.333333333");
  EXPECT_EQ(Refreshed(Num(Apply("10", Op::kDiv, "4", 10))), "2.5");
  EXPECT_EQ(Refreshed(Num(Apply("7", Op::kDiv, "7", 10))), "1");
  EXPECT_EQ(Refreshed(Num(Apply("2", Op::kDiv, "3", 5))), "0.6666");
  EXPECT_EQ(Refreshed(Num(Apply("-1", Op::kDiv, "8", 10))), "-0.125");
  EXPECT_EQ(Refreshed(Num(Apply("1", Op::kDiv, "-0.004", 10))), "-250");
  EXPECT_EQ(Refreshed(Num(Apply("0.000", Op::kDiv, "3", 10))), "0");
  EXPECT_EQ(Apply("1E30", Op::kDiv, "1", 10), "9999999999 (E)");
  EXPECT_EQ(Refreshed(Num(Apply("1", Op::kDiv, "1E30", 10))), "0");
  // A quotient whose integer part uses every kept digit.
  EXPECT_EQ(Refreshed(Num(Apply("99999", Op::kDiv, "1", 5))), "99999");
  EXPECT_EQ(Refreshed(Num(Apply("12345", Op::kDiv, "1", 5))), "12345");
}

TEST_F(MyNumericArithTest, DivisionByZeroLeavesDividend) {
  for (const char* zero : {"0", "0.000", "-0"}) {
    NumStatus status = NumStatus::kOk;
    EXPECT_EQ(Apply("12.5", Op::kDiv, zero, 0, &status), "12.5");
    EXPECT_EQ(status, NumStatus::kDivisorZero);
  }
  EXPECT_NE(TraceText().find("MyNumeric::Div()"), std::string::npos);
}

TEST_F(MyNumericArithTest, SurplusTruncatesTowardZero) {
  EXPECT_EQ(Refreshed(Num(Apply("7", Op::kSurplus, "3"))), "1");
  EXPECT_EQ(Refreshed(Num(Apply("-7", Op::kSurplus, "3"))), "-1");
  EXPECT_EQ(Refreshed(Num(Apply("7.5", Op::kSurplus, "2"))), "1.5");
  EXPECT_EQ(Refreshed(Num(Apply("7", Op::kSurplus, "-3"))), "1");
  NumStatus status = NumStatus::kOk;
  Apply("7", Op::kSurplus, "0", 0, &status);
  EXPECT_EQ(status, NumStatus::kDivisorZero);
}

TEST_F(MyNumericArithTest, ComparisonAlignsAtThePoint) {
  EXPECT_EQ(Num("1.5").MyNumericCompare(Num("1.50")), 0);
  EXPECT_EQ(Num("1.5").MyNumericCompare(Num("1.500001")), -1);
  EXPECT_EQ(Num("-2").MyNumericCompare(Num("-10")), 1);
  EXPECT_EQ(Num("-10").MyNumericCompare(Num("-2")), -1);
  EXPECT_EQ(Num("0").MyNumericCompare(Num("-0")), 1)
      << "a zero with its minus sign counts as negative";
  EXPECT_EQ(Num("007").MyNumericCompare(Num("7")), 0);
  EXPECT_EQ(Num("100").MyNumericCompare(Num("99.99")), 1);
  EXPECT_TRUE(Num("0.09").IsLess(Num("0.1")));
  EXPECT_TRUE(Num("3").IsGreater(Num("-3")));
}

TEST_F(MyNumericArithTest, DoubleAndHalve) {
  for (auto [in, out] :
       {std::pair{"5", "10"}, {"4", "8"}, {"-7", "-14"}, {"0", "0"}, {"9.95", "19.90"}}) {
    MyNumeric x = Num(in);
    EXPECT_EQ(x.Double(), NumStatus::kOk);
    EXPECT_EQ(x.ToString(), out);
    EXPECT_LAYOUT_OK(x);
  }
  MyNumeric x = Num("11");
  EXPECT_EQ(x.Halve(), 1);
  EXPECT_EQ(x.ToString(), "5");
  MyNumeric y = Num("0.3");
  EXPECT_EQ(y.Halve(), 0);
  EXPECT_EQ(y.ToString(), "0.15");
  // Doubling at the very end of the buffer grows the number.
  MyNumeric z = Num(std::string(300, '9'));
  for (int i = 0; i < 50; ++i) z.Double();
  EXPECT_EQ(z.GetValidSize(), 316u);
  EXPECT_LAYOUT_OK(z);
}

TEST_F(MyNumericArithTest, IntegerStepsHandleSignsAndFitting) {
  MyNumeric x = Num("5");
  x.Add(-3, 0, 0);
  EXPECT_EQ(x.ToString(), "2");
  x.Sub(5, 0, 0);
  EXPECT_EQ(x.ToString(), "-3");
  x.Add(3, 0, 0);
  EXPECT_TRUE(x.IsZero());
  EXPECT_EQ(x.ToString(), "0");
  MyNumeric y = Num("-999");
  y.Sub(1, 0, 0);
  EXPECT_EQ(y.ToString(), "-1000");
  MyNumeric z = Num("1.23456");
  z.Add(1, 4, 0);
  EXPECT_EQ(z.ToString(), "2.235");
  EXPECT_EQ(z.GetResultSize(), 4u);
  MyNumeric w = Num("0.5");
  w.Sub(1, 0, 0);
  EXPECT_EQ(w.ToString(), "-0.5");
  EXPECT_LAYOUT_OK(w);
}

TEST_F(MyNumericArithTest, UnitsAtDigitPlaces) {
  MyNumeric x = Num("9.99");
  x.AddAtDigit(1, -2);
  EXPECT_EQ(x.ToString(), "10.00");
  x.SubAtDigit(1, 1);
  EXPECT_EQ(x.ToString(), "0.00");
  MyNumeric y = Num("0.25");
  y.SubAtDigit(0, 0);
  EXPECT_EQ(y.ToString(), "-0.75");
  y.AddAtDigit(0, 0);
  EXPECT_EQ(y.ToString(), "0.25");
  MyNumeric z = Num("-5");
  z.AddAtDigit(0, 5);  // the place is clamped to just above the top digit
  EXPECT_EQ(z.ToString(), "5");
  EXPECT_LAYOUT_OK(z);
}

TEST_F(MyNumericArithTest, ShiftPointTruncateAndClearFraction) {
  MyNumeric x = Num("123.45");
  x.ClearFraction();
  EXPECT_EQ(x.ToString(), "123");
  MyNumeric neg = Num("-2.7");
  neg.ClearFraction();
  EXPECT_EQ(neg.ToString(), "-2");
  MyNumeric pi = Num("3.14159");
  EXPECT_EQ(pi.TruncateDigits(3), NumStatus::kOk);
  EXPECT_EQ(pi.ToString(), "3.14");
  MyNumeric t = Num("123.4");
  t.TruncateDigits(2);
  EXPECT_EQ(t.ToString(), "99 (E)");
  MyNumeric s = Num("12.5");
  s.ShiftPoint(3);
  EXPECT_EQ(s.ToString(), "12500");
  s.ShiftPoint(-6);
  EXPECT_EQ(s.ToString(), "0.012500");
  EXPECT_EQ(Refreshed(s), "0.0125");
  EXPECT_LAYOUT_OK(s);
}

}  // namespace
}  // namespace vpx::test
