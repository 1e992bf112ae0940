// The number syntax of SetByString, the decimal text forms and the machine-integer
// conversions.
#include "numeric_test_support.h"

namespace vpx::test {
namespace {

using MyNumericTextTest = NumericTest;

std::string Parsed(const std::string& text) {
  MyNumeric n;
  if (n.SetByString(text) != NumStatus::kOk) return "rejected";
  EXPECT_EQ(n.VerifyLayout(), 0) << text << "\n" << n.GetErrorText();
  return n.ToString();
}

TEST_F(MyNumericTextTest, DecimalFormsKeepTypedDigits) {
  EXPECT_EQ(Parsed("007"), "7");
  EXPECT_EQ(Parsed("000"), "0");
  EXPECT_EQ(Parsed(".5"), "0.5");
  EXPECT_EQ(Parsed("5."), "5");
  EXPECT_EQ(Parsed("1.500"), "1.500");
  EXPECT_EQ(Parsed("-12.050"), "-12.050");
  EXPECT_EQ(Parsed(" 1 2 3 "), "123");
  EXPECT_EQ(Parsed("--5"), "-5");
  EXPECT_EQ(Parsed("0.000"), "0");
  EXPECT_EQ(Parsed("-0"), "-0");
  MyNumeric n = Num("1.500");
  EXPECT_EQ(n.GetSPSize(), 3u);
  EXPECT_EQ(Num(".5").GetIntSize(), 1u);
}

TEST_F(MyNumericTextTest, ExponentFormsShiftThePoint) {
  EXPECT_EQ(Parsed("1.5E3"), "1500");
  EXPECT_EQ(Parsed("15E-1"), "1.5");
  EXPECT_EQ(Parsed("12e0"), "12");
  EXPECT_EQ(Parsed("1E-3"), "0.001");
  EXPECT_EQ(Parsed("1E200"), std::string(100, '9') + " (E)");
  EXPECT_EQ(Parsed("1E"), "rejected");
  EXPECT_EQ(Parsed("E5"), "rejected");
  EXPECT_EQ(Parsed("1E00000000001"), "rejected");
  EXPECT_EQ(Parsed("1E0000000001"), "10");
  EXPECT_EQ(Parsed("1E5E2"), "rejected");
  EXPECT_EQ(Parsed("1E2-"), "rejected");
}

TEST_F(MyNumericTextTest, AnExponentMovingThePointPastLeadingZerosLeavesNoneInFront) {
  // The point moves over the units digit 0 and the fraction's leading zeros.
  EXPECT_EQ(Parsed("0.5e1"), "5");
  EXPECT_EQ(Parsed("-.5e1"), "-5");
  EXPECT_EQ(Parsed("0.05e2"), "5");
  EXPECT_EQ(Parsed("0.05e1"), "0.5");
  EXPECT_EQ(Parsed("0.0012e3"), "1.2");
  EXPECT_EQ(Parsed("0.0012e5"), "120");
  EXPECT_EQ(Parsed("-0.50e1"), "-5.0");  // a typed trailing zero stays
  EXPECT_EQ(Parsed("00.5e2"), "50");
  EXPECT_EQ(Parsed("0.5e-1"), "0.05");
  EXPECT_EQ(Parsed("-0.05e-2"), "-0.0005");
  // Zeros stay one zero whatever the exponent; the sign is kept as typed.
  EXPECT_EQ(Parsed("0.0e5"), "0");
  EXPECT_EQ(Parsed("-0.00e3"), "-0");
  EXPECT_EQ(Parsed("0e-4"), "0");
  // The integer part is whole and its digit count right for the conversions that read it.
  MyNumeric n = Num("0.05e2");
  EXPECT_EQ(n.GetIntSize(), 1u);
  EXPECT_EQ(n.GetAsInt(), 5);
  EXPECT_EQ(Num("-0.125e3").GetIntSize(), 3u);
}

TEST_F(MyNumericTextTest, HexadecimalAndBinaryForms) {
  EXPECT_EQ(Parsed("0x1F"), "31");
  EXPECT_EQ(Parsed("0x00ff"), "255");
  EXPECT_EQ(Parsed("-0x10"), "16");
  EXPECT_EQ(Parsed("0xEB"), "235");
  EXPECT_EQ(Parsed("0X10"), "rejected");
  EXPECT_EQ(Parsed("1x10"), "rejected");
  EXPECT_EQ(Parsed("0x1G"), "rejected");
  EXPECT_EQ(Parsed("1011B"), "11");
  EXPECT_EQ(Parsed("1011b  "), "11");
  EXPECT_EQ(Parsed("1021B"), "rejected");
  EXPECT_EQ(Parsed("10B1"), "rejected");
  EXPECT_EQ(Parsed("1.1B"), "rejected");
  // The binary form leaves the process default result size alone.
  EXPECT_EQ(Parsed(std::string(400, '1') + "B").size(), 121u);
  EXPECT_EQ(MyNumeric::GetDefaultResultSize(), 100u);
}

TEST_F(MyNumericTextTest, TextsWithoutDigitsOrWithStrayCharactersAreRejected) {
  for (const char* bad :
       {"-", "   ", "5-", "1..2", "1.2.", "+5", "abc", "1,000", "0x-1", ".", "-."}) {
    MyNumeric n = Num("42");
    EXPECT_EQ(n.SetByString(bad), NumStatus::kNotANumber) << bad;
    EXPECT_EQ(n.ToString(), "42") << "a rejected text leaves the number as it was";
  }
  MyNumeric n;
  EXPECT_EQ(n.SetByString(""), NumStatus::kBadOperand);
  EXPECT_NE(TraceText().find("iLen[0]"), std::string::npos);
}

TEST_F(MyNumericTextTest, GetDataAsStrDigitCounts) {
  MyNumeric n = Num("123.45");
  std::string s;
  n.GetDataAsStr(&s, 2);
  EXPECT_EQ(s, "12");
  n.GetDataAsStr(&s, 4);
  EXPECT_EQ(s, "123.4");
  n.GetDataAsStr(&s, 8);
  EXPECT_EQ(s, "000123.45");
  n.GetDataAsStr(&s, 0);
  EXPECT_EQ(s, "123.45");
  EXPECT_EQ(Num("-7").ToString(), "-7");
  EXPECT_EQ(n.GetDataAsStr(nullptr, 0), 0);
}

TEST_F(MyNumericTextTest, FloatDataAsStrGivesLeadingDigitsAndExponent) {
  char buf[10];
  int exp = 99;
  int len = Num("12345678901234").GetFloatDataAsStr(buf, &exp, sizeof buf);
  EXPECT_EQ(std::string(buf, len), "1.23456789");
  EXPECT_EQ(exp, 13);
  len = Num("0.00250").GetFloatDataAsStr(buf, &exp, sizeof buf);
  EXPECT_EQ(std::string(buf, len), "2.5");
  EXPECT_EQ(exp, -3);
  exp = 77;
  len = Num("7").GetFloatDataAsStr(buf, &exp, sizeof buf);
  EXPECT_EQ(std::string(buf, len), "7");
  EXPECT_EQ(exp, 77);
  EXPECT_EQ(Num("7").GetFloatDataAsStr(nullptr, &exp, 10), 0);
}

TEST_F(MyNumericTextTest, MachineIntegersSaturate) {
  EXPECT_EQ(Num("4294967296").GetAsUInt(), 4294967295u);
  EXPECT_EQ(Num("4294967295").GetAsUInt(), 4294967295u);
  EXPECT_EQ(Num("-1").GetAsUInt(), 0u);
  EXPECT_EQ(Num("12.9").GetAsUInt(), 12u);
  EXPECT_EQ(Num("123456789012").GetAsUInt(), 4294967295u);
  EXPECT_EQ(Num("-2147483648").GetAsInt(), INT32_MIN);
  EXPECT_EQ(Num("2147483647").GetAsInt(), INT32_MAX);
  EXPECT_EQ(Num("3000000000").GetAsInt(), INT32_MAX);
  EXPECT_EQ(Num("-3000000000").GetAsInt(), INT32_MIN);
  EXPECT_EQ(Num("-12.7").GetAsInt(), -12);
  EXPECT_EQ(Num("9223372036854775807").GetAsInt64(), INT64_MAX);
  EXPECT_EQ(Num("-9223372036854775808").GetAsInt64(), INT64_MIN);
  EXPECT_EQ(Num("-9223372036854775807").GetAsInt64(), -9223372036854775807LL);
  EXPECT_EQ(Num("123456789012345678901").GetAsInt64(), INT64_MAX);
  EXPECT_EQ(Num("-300").GetAsInt64(), -300);
  EXPECT_EQ(Num("126").GetAsChar(), 126);
  EXPECT_EQ(Num("127").GetAsChar(), 127);
  EXPECT_EQ(Num("-128").GetAsChar(), -128);
  EXPECT_EQ(Num("-1000").GetAsChar(), -128);
  EXPECT_EQ(Num("-5").GetAsChar(), -5);
}

}  // namespace
}  // namespace vpx::test
