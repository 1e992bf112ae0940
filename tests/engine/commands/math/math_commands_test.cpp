// The math commands typed into an engine on the recording fakes: echoes, recorded results,
// messages, limits and the result-size settings they leave behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "numbers/my_numeric.h"
#include "support/engine_fixture.h"

namespace vpx::test {
namespace {

using ::testing::ElementsAre;

class MathCommands : public ::testing::Test, public EngineFixture {
 protected:
  MathCommands() { MyNumeric().SetResultSize(100); }
  ~MathCommands() override { MyNumeric().SetResultSize(100); }

  // The lines echoed after the signature line.
  std::vector<std::string> Run(const std::string& line) {
    std::vector<std::string> out = Type(line);
    if (!out.empty()) out.erase(out.begin());
    return out;
  }
  std::string Previous() { return ToUtf8(engine.PreviousResult().GetResultText()); }
  std::string Entry0() { return RowText(0); }
  // The full text of an entry's number (the list view shows only its head).
  std::string EntryNumberText(uint32_t index) {
    CMyFuncResult entry;
    if (!engine.AcquireListLock()) return "(list lock)";
    const int found = engine.ShortCutArray().GetAt(index, entry);
    engine.ReleaseListLock();
    return found == 1 ? entry.number.ToString() : "(no entry)";
  }
};

TEST_F(MathCommands, FourOperationsEchoAndRecordTheirResults) {
  EXPECT_THAT(Run("Add(0.1, 0.2)"), ElementsAre("0.3"));
  EXPECT_EQ(Previous(), "【直前の結果】FLOAT : 0.3");
  EXPECT_EQ(Entry0(), "0.3");
  EXPECT_THAT(Run("Sub(1, 1)"), ElementsAre("0"));
  EXPECT_THAT(Run("Mul(-2, 3)"), ElementsAre("-6"));
  EXPECT_THAT(Run("Div(1, 4)"), ElementsAre("0.25"));
  EXPECT_THAT(Run("Div(1, 3)"), ElementsAre("0." + std::string(99, '3')));
}

TEST_F(MathCommands, DivisionByZeroIsReportedAndRecordsNothing) {
  Run("Add(5, 2)");
  EXPECT_THAT(Run("Div(7, 0)"), ElementsAre("※　ゼロで除算しようとしました。"));
  EXPECT_THAT(Run("Surplus(7, 0.000)"), ElementsAre("※　ゼロで除算しようとしました。"));
  EXPECT_THAT(Run("Pow(0, -1)"), ElementsAre("※　ゼロで除算しようとしました。"));
  EXPECT_EQ(Previous(), "【直前の結果】FLOAT : 7");
  EXPECT_EQ(Entry0(), "7");
}

TEST_F(MathCommands, SurplusKeepsTheDividendsSignAndFloorCutsTowardZero) {
  EXPECT_THAT(Run("Surplus(10, 3)"), ElementsAre("1"));
  EXPECT_THAT(Run("Surplus(-7, 3)"), ElementsAre("-1"));
  EXPECT_THAT(Run("Surplus(7.5, 2)"), ElementsAre("1.5"));
  EXPECT_THAT(Run("Floor(2.9)"), ElementsAre("2"));
  EXPECT_THAT(Run("Floor(-2.9)"), ElementsAre("-2"));
  EXPECT_THAT(Run("Floor(-0.5)"), ElementsAre("0"));
  EXPECT_THAT(Run("Floor(0.5e1)"), ElementsAre("5"));
  EXPECT_THAT(Run("Floor(-0.05e2)"), ElementsAre("-5"));
}

TEST_F(MathCommands, PowHandlesZeroNegativeAndHugeExponents) {
  EXPECT_THAT(Run("Pow(2, 10)"), ElementsAre("1024"));
  EXPECT_THAT(Run("Pow(2, 0)"), ElementsAre("1"));
  EXPECT_THAT(Run("Pow(2, -2)"), ElementsAre("0.25"));
  EXPECT_THAT(Run("Pow(10, 200)"), ElementsAre(std::string(100, '9') + " (E)"));
  EXPECT_THAT(Run("Pow(2, 2000000000)"), ElementsAre(std::string(100, '9') + " (E)"));
  EXPECT_THAT(Run("Pow(1, 2000000000)"), ElementsAre("1"));
  EXPECT_EQ(Previous(), "【直前の結果】FLOAT : 1");
}

TEST_F(MathCommands, SquareRootCases) {
  EXPECT_THAT(Run("SqRoot(4)"), ElementsAre("2"));
  EXPECT_THAT(Run("SqRoot(0.25, 10)"), ElementsAre("0.5"));
  EXPECT_THAT(Run("SqRoot(2, 10)"), ElementsAre("1.414213562"));
  EXPECT_THAT(Run("SqRoot(0)"), ElementsAre("0"));
  EXPECT_EQ(Previous(), "【直前の結果】FLOAT : 0");
  EXPECT_THAT(Run("SqRoot(-4)"), ElementsAre("※　負の数は使えません。"));
  EXPECT_EQ(Previous(), "【直前の結果】FLOAT : 0");
}

TEST_F(MathCommands, DigitCountsBecomeTheProcessDefaultResultSize) {
  Run("SqRoot(2, 10)");
  EXPECT_EQ(MyNumeric::GetDefaultResultSize(), 10u);
  EXPECT_THAT(Run("Div(1, 3)"), ElementsAre("0.333333333"));
  Run("GetNapier(10)");
  EXPECT_EQ(MyNumeric::GetDefaultResultSize(), 40u);  // twice the 2·10 factorial digits
  Run("LogE(2, 10)");
  EXPECT_EQ(MyNumeric::GetDefaultResultSize(), 10u);
  Run("SqRoot(2, 2000000)");
  EXPECT_EQ(MyNumeric::GetDefaultResultSize(), 1000000u);
}

TEST_F(MathCommands, NapierGivesETruncated) {
  EXPECT_THAT(Run("GetNapier(10)"), ElementsAre("2.718281828"));
  std::vector<std::string> out = Run("GetNapier(0)");
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].size(), 101u);  // 100 digits and the point
  EXPECT_EQ(out[0].substr(0, 12), "2.7182818284");
}

TEST_F(MathCommands, PiGivesPiTruncatedWithNapiersDigitRules) {
  EXPECT_THAT(Run("GetPi(10)"), ElementsAre("3.141592653"));
  EXPECT_EQ(Entry0(), "3.141592653");
  EXPECT_EQ(MyNumeric::GetDefaultResultSize(), 10u);
  std::vector<std::string> out = Run("GetPi(0)");
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].size(), 101u);  // 100 digits and the point
  EXPECT_EQ(out[0].substr(out[0].size() - 6), "117067");
  out = Run("GetPi(20000)");
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].size(), 20001u);
}

TEST_F(MathCommands, LongPiRunsAsAJobAndFillsItsReservedEntry) {
  EXPECT_THAT(Run("GetPi(20001)"), ElementsAre());
  ASSERT_TRUE(WaitIdle());
  const std::string pi = EntryNumberText(1);
  EXPECT_EQ(pi.size(), 20002u);
  EXPECT_EQ(pi.substr(0, 12), "3.1415926535");
  EXPECT_EQ(MyNumeric::GetDefaultResultSize(), 20001u);
}

// Up to 100,000 digits e is echoed at once; beyond, a job fills its reserved entry with
// the same digits.
TEST_F(MathCommands, LongNapierRunsAsAJobWithTheInlineDigits) {
  std::vector<std::string> out = Run("GetNapier(100000)");
  ASSERT_EQ(out.size(), 1u);
  ASSERT_EQ(out[0].size(), 100001u);
  EXPECT_THAT(Run("GetNapier(100001)"), ElementsAre());
  ASSERT_TRUE(WaitIdle());
  const std::string e = EntryNumberText(1);
  ASSERT_EQ(e.size(), 100002u);
  EXPECT_EQ(e.substr(0, out[0].size()), out[0]);
  EXPECT_EQ(MyNumeric::GetDefaultResultSize(), 400004u);
}

TEST_F(MathCommands, LogEInlineCases) {
  EXPECT_THAT(Run("LogE(2, 10)"), ElementsAre("0.693147180"));
  EXPECT_THAT(Run("LogE(1000, 5)"), ElementsAre("6.9077"));
  EXPECT_THAT(Run("LogE(1, 10)"), ElementsAre("0"));
  EXPECT_THAT(Run("LogE(0, 10)"), ElementsAre("-" + std::string(20, '9') + " (E)"));
  EXPECT_THAT(Run("LogE(2, 1000001)"),
              ElementsAre("※　桁数が大きすぎます。1,000,000桁以下にしてください。"));
  EXPECT_THAT(Run("LogE(-2, 10)"), ElementsAre("※　負の数は使えません。"));
}

TEST_F(MathCommands, LongLogarithmsAndFactorialsFillTheirReservedEntries) {
  EXPECT_THAT(Run("LogE(2, 31)"), ElementsAre());
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(MyNumeric::GetDefaultResultSize(), 31u);
  // Run one after the other: both jobs set the process-wide default.
  EXPECT_THAT(Run("Factorial(10)"), ElementsAre());
  ASSERT_TRUE(WaitIdle());
  ASSERT_EQ(RowCount(), 3);
  EXPECT_EQ(RowText(1), "0.693147180559945309417232121458");
  EXPECT_EQ(RowText(2), "3628800");
  EXPECT_EQ(MyNumeric::GetDefaultResultSize(), 1000000u);
  EXPECT_THAT(Run("Factorial(10000000)"),
              ElementsAre("※　大きすぎる数値です。10,000,000未満である必要があります。"));
}

TEST_F(MathCommands, FactorialBeyondAMillionDigitsSaturatesAtOnce) {
  Run("Factorial(9999999)");
  ASSERT_TRUE(WaitIdle());
  const std::string text = EntryNumberText(1);
  EXPECT_EQ(text.size(), 1000000u + 4);
  EXPECT_EQ(text.substr(text.size() - 8), "9999 (E)");
}

TEST_F(MathCommands, FactorialDigitQueries) {
  EXPECT_THAT(Run("GetFactorialDigitSize(0)"), ElementsAre("1"));
  EXPECT_THAT(Run("GetFactorialDigitSize(5)"), ElementsAre("3"));
  EXPECT_THAT(Run("GetFactorialDigitSize(100000)"), ElementsAre("456574"));
  EXPECT_EQ(Previous(), "【直前の結果】UINT : 456574");
  EXPECT_THAT(Run("GetFactorialDigitSize(100001)"),
              ElementsAre("※　階乗データが大きすぎます。10万以下のみ利用できます。"));
  EXPECT_EQ(Previous(), "【直前の結果】UINT : 456574");
  EXPECT_THAT(Run("GetFactorialDataFromDigitSize(5)"), ElementsAre("8"));
  EXPECT_THAT(Run("GetFactorialDataFromDigitSize(0)"), ElementsAre("0"));
  EXPECT_THAT(Run("GetFactorialDataFromDigitSize(1000000)"), ElementsAre("100000"));
}

TEST_F(MathCommands, DigitQueriesReportTheFieldsAsTyped) {
  EXPECT_THAT(Run("GetDigitSize(1.500)"), ElementsAre("指定データは 4 桁です。"));
  EXPECT_THAT(Run("GetIntSize(007)"), ElementsAre("指定データの整数部分は 1 桁です。"));
  EXPECT_THAT(Run("GetFloatSize(1.500)"), ElementsAre("指定データの小数以下は 3 桁です。"));
  EXPECT_EQ(Entry0(), "3");
  EXPECT_THAT(Run("GetDigitData(123.45, 0)"), ElementsAre("0 桁目は [ 3 ] です。"));
  EXPECT_THAT(Run("GetDigitData(123.45, 2)"), ElementsAre("2 桁目は [ 1 ] です。"));
  EXPECT_THAT(Run("GetDigitData(123.45, -2)"), ElementsAre("-2 桁目は [ 5 ] です。"));
  EXPECT_EQ(Entry0(), "5");
  EXPECT_THAT(Run("GetDigitData(123.45, 3)"),
              ElementsAre("※　3 桁目は数値の範囲を超えています。整数部分 3 桁 / 小数部分 2 桁"));
  EXPECT_THAT(Run("GetDigitData(123.45, -3)"),
              ElementsAre("※　-3 桁目は数値の範囲を超えています。整数部分 3 桁 / 小数部分 2 桁"));
  EXPECT_EQ(Entry0(), "5");
}

TEST_F(MathCommands, StrLenCountsBytes) {
  EXPECT_THAT(Run("StrLen(\"日本\")"), ElementsAre("4"));
  EXPECT_THAT(Run("StrLen(\"abc\")"), ElementsAre("3"));
}

TEST_F(MathCommands, RenderingsAreRecordedAsText) {
  EXPECT_THAT(Run("ToStrHex(255)"), ElementsAre("FF"));
  EXPECT_EQ(Previous(), "【直前の結果】STRING : FF");
  EXPECT_THAT(Run("ToStrHex(-1)"), ElementsAre("FF"));
  EXPECT_THAT(Run("ToStrHex(-129)"), ElementsAre("FF7F"));
  EXPECT_THAT(Run("ToStrHex(-255)"), ElementsAre("FF01"));
  EXPECT_THAT(Run("ToStrBin(-129)"), ElementsAre("1111111101111111"));
  EXPECT_THAT(Run("ToStrBin(0)"), ElementsAre("00000000"));
  EXPECT_THAT(Run("ToStrDec(\"0x10\")"), ElementsAre("16"));
  EXPECT_THAT(Run("ToStrHex(\"not a number\")"), ElementsAre("0"));
  EXPECT_THAT(Run("ToStrBin(\"5\")"), ElementsAre("00000101"));
}

TEST_F(MathCommands, StrToIntReadsEveryNumberFormAndKeepsTheIntegerPart) {
  EXPECT_THAT(Run(R"(StrToInt("12.9"))"), ElementsAre("12"));
  EXPECT_EQ(Previous(), "【直前の結果】INT : 12");
  EXPECT_EQ(Entry0(), "12");
  EXPECT_THAT(Run(R"(StrToInt("-12.9"))"), ElementsAre("-12"));
  EXPECT_THAT(Run(R"(StrToInt("-0.5"))"), ElementsAre("0"));
  EXPECT_THAT(Run(R"(StrToInt("0x1F"))"), ElementsAre("31"));
  EXPECT_THAT(Run(R"(StrToInt("101B"))"), ElementsAre("5"));
  EXPECT_THAT(Run(R"(StrToInt("1.5e2"))"), ElementsAre("150"));
  EXPECT_THAT(Run("AddInt($0, 1)"), ElementsAre("151"));
  EXPECT_THAT(Run(R"(StrToInt("0.5e1"))"), ElementsAre("5"));
  EXPECT_THAT(Run(R"(StrToInt("-.5e1"))"), ElementsAre("-5"));
  EXPECT_THAT(Run(R"(StrToInt("0.05e2"))"), ElementsAre("5"));
  EXPECT_THAT(Run(R"(StrToInt("0.05e1"))"), ElementsAre("0"));
}

TEST_F(MathCommands, StrToIntOfATextWithoutANumberRecordsNothing) {
  Run(R"(StrToInt("7"))");
  EXPECT_THAT(Run(R"(StrToInt("abc"))"), ElementsAre("※　数値として読めない文字列です。[abc]"));
  EXPECT_THAT(Run(R"(StrToInt(""))"), ElementsAre("※　数値として読めない文字列です。[]"));
  EXPECT_EQ(Previous(), "【直前の結果】INT : 7");
  EXPECT_EQ(Entry0(), "7");
}

TEST_F(MathCommands, IntToStrReadsTheTextsBytesBigEndian) {
  EXPECT_THAT(Run(R"(IntToStr("PK"))"), ElementsAre("20555"));        // 0x504B
  EXPECT_THAT(Run(R"(IntToStr("%PDF"))"), ElementsAre("626017350"));  // 0x25504446
  EXPECT_THAT(Run(R"(IntToStr(""))"), ElementsAre("0"));
  EXPECT_THAT(Run(R"(IntToStr("あ"))"), ElementsAre("33440"));  // Shift-JIS 82 A0
  EXPECT_EQ(Previous(), "【直前の結果】INT : 33440");
  EXPECT_THAT(Run("ToStrHex($0)"), ElementsAre("82A0"));
}

TEST_F(MathCommands, AddUIntAddsAndKeepsThePreviousResultOnly) {
  EXPECT_THAT(Type("AddUInt(4294967295, 1)"),
              ElementsAre("UINT AddUInt(UINT, UINT)", "4294967296"));
  EXPECT_EQ(Previous(), "【直前の結果】UINT : 4294967296");
  EXPECT_EQ(Entry0(), "0");  // as AddInt: entry 0 is not rewritten
}

}  // namespace
}  // namespace vpx::test
