#include "language/my_func_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/shortcut_array.h"
#include "host/sjis.h"
#include "language/func_catalogue.h"
#include "language/trace_capture.h"

namespace vpx {
namespace {

struct Parsed {
  int ok = 0;
  CMyFuncData data;
};

Parsed Parse(const std::string& line, const CVXShortCutArray* shortcuts = nullptr) {
  CMyFuncParser parser(shortcuts);
  Parsed p;
  p.ok = parser.CheckAndSetString(line);
  p.data = parser.GetFuncData();
  return p;
}

std::string Digits(const MyNumeric& n) {
  return n.ToString();
}

TEST(CMyFuncParserGrammar, ReturnTypeWordAndBlanksDoNotChangeTheCall) {
  for (const char* line : {"AddInt(1,2)", "AddInt ( 1 , 2 )", "INT AddInt(1, 2)", "FOO AddInt(1,2)",
                           "INT AddInt (1,2)", "   AddInt(1,2)"}) {
    SCOPED_TRACE(line);
    Parsed p = Parse(line);
    ASSERT_EQ(p.ok, 1);
    EXPECT_EQ(p.data.GetFuncName(), "AddInt");
    EXPECT_EQ(p.data.GetArgTypeStr(), "UU");
    EXPECT_EQ(Digits(p.data.GetArgValue(1)), "2");
  }
  CMyFuncParser parser;
  ASSERT_EQ(parser.CheckAndSetString("INT AddInt(1, 2)"), 1);
  ASSERT_EQ(parser.GetWords().size(), 2u);
  EXPECT_EQ(parser.GetWords()[0], "INT");
  EXPECT_EQ(parser.GetArgListText(), "1, 2");
}

TEST(CMyFuncParserGrammar, RefusesLinesWithoutAProperNameBeforeTheParenthesis) {
  for (const char* line :
       {"A B AddInt(1,2)", "AddInt 1,2", "(AddInt(1,2)", "Add\tInt(1,2)", "Add-Int(1,2)",
        "\"x\" AddInt(1,2)", "AddInt(1,2", "AddInt((1),2)", "", "   ", "(1)"}) {
    SCOPED_TRACE(line);
    EXPECT_EQ(Parse(line).ok, 0);
  }
  EXPECT_EQ(Parse("\x83\x41 AddInt(1)").ok, 0);  // a two-byte character before "("
}

TEST(CMyFuncParserGrammar, EmptyArgumentListGivesKindStringV) {
  test::TraceCapture trace;
  for (const char* line : {"GetCurDir()", "GetCurDir( )", "GetCurDir() abc", "GetCurDir()(1)"}) {
    SCOPED_TRACE(line);
    Parsed p = Parse(line);
    ASSERT_EQ(p.ok, 1);
    EXPECT_EQ(p.data.GetArgCount(), 0);
    EXPECT_EQ(p.data.GetArgTypeStr(), "V");
  }
  EXPECT_TRUE(trace.Contains(SJ("※　引数が無効。CheckArgGrammar()\n")));
}

TEST(CMyFuncParserGrammar, TextAfterTheClosingParenthesisIsIgnored) {
  Parsed p = Parse("AddInt(1,2)(3)");
  ASSERT_EQ(p.ok, 1);
  EXPECT_EQ(p.data.GetArgTypeStr(), "UU");
  EXPECT_EQ(Parse("1x(2)").data.GetFuncName(), "1x");  // names may start with a digit
  EXPECT_EQ(Parse("_~(2)").data.GetFuncName(), "_~");
  EXPECT_EQ(Parse("addint(1,2)").data.GetFuncName(), "addint");
}

TEST(CMyFuncParserArguments, FailingArgumentKeepsTheArgumentsBeforeIt) {
  test::TraceCapture trace;
  Parsed p = Parse("AddInt(1,,2)");
  ASSERT_EQ(p.ok, 1);
  EXPECT_EQ(p.data.GetArgTypeStr(), "U");
  EXPECT_TRUE(trace.Contains(SJ("※　引数が無効。CheckArgCluster()\n")));
  p = Parse("DelList(1, abc)");
  EXPECT_EQ(p.data.GetArgTypeStr(), "U");
  p = Parse("AddInt(-1, \"x\"y, 3)");
  EXPECT_EQ(p.data.GetArgTypeStr(), "I");
  EXPECT_EQ(Parse("AddStrToList(abc)").data.GetArgCount(), 0);
  EXPECT_EQ(Parse("AddInt(1,)").data.GetArgTypeStr(), "U");
}

TEST(CMyFuncParserArguments, NumberKindsFollowSignAndFractionDigits) {
  Parsed p = Parse("F(1, -2, 1.5, \"s\", 0x1F, 2.000, 1e3)");
  ASSERT_EQ(p.ok, 1);
  EXPECT_EQ(p.data.GetArgTypeStr(), "UIFSUUU");
  EXPECT_EQ(p.data.GetArgText(0), "");
  EXPECT_EQ(Digits(p.data.GetArgValue(1)), "-2");
  EXPECT_EQ(Digits(p.data.GetArgValue(2)), "1.5");
  EXPECT_EQ(Digits(p.data.GetArgValue(4)), "31");
  EXPECT_TRUE(p.data.GetArgValue(3).IsZero());
}

TEST(CMyFuncParserStrings, CommasAndParenthesesInsideQuotesBelongToTheString) {
  Parsed p = Parse("SetString(\"a,b\", \"(x)\")");
  ASSERT_EQ(p.ok, 1);
  ASSERT_EQ(p.data.GetArgTypeStr(), "SS");
  EXPECT_EQ(p.data.GetArgText(0), "a,b");
  EXPECT_EQ(p.data.GetArgText(1), "(x)");
  p = Parse("SetString(\")\")");
  EXPECT_EQ(p.data.GetArgText(0), ")");
}

TEST(CMyFuncParserStrings, BackslashQuoteIsTheOnlyEscape) {
  Parsed p = Parse(R"(SetString("say \"hi\" a\b\\n"))");
  ASSERT_EQ(p.data.GetArgTypeStr(), "S");
  EXPECT_EQ(p.data.GetArgText(0), R"(say "hi" a\b\\n)");
}

TEST(CMyFuncParserStrings, OnlyBlanksMayStandAroundTheQuotes) {
  EXPECT_EQ(Parse("AddStrToList(\"abc\"x)").data.GetArgCount(), 0);
  EXPECT_EQ(Parse("AddStrToList(x\"abc\")").data.GetArgCount(), 0);
  EXPECT_EQ(Parse("AddStrToList(\"a\"\"b\")").data.GetArgCount(), 0);
  Parsed p = Parse("AddStrToList( \"abc\"  )");
  ASSERT_EQ(p.data.GetArgTypeStr(), "S");
  EXPECT_EQ(p.data.GetArgText(0), "abc");
  EXPECT_EQ(Parse("AddStrToList(\"\")").data.GetArgTypeStr(), "S");
}

TEST(CMyFuncParserTwoByte, TrailByteBackslashIsNeitherEscapeNorQuoteGuard) {
  const std::string hyou = "\x95\x5C";  // its trail byte is 0x5C
  Parsed p = Parse("SetString(\"" + hyou + "\", \"" + hyou + hyou + "\")");
  ASSERT_EQ(p.data.GetArgTypeStr(), "SS");
  EXPECT_EQ(p.data.GetArgText(0), hyou);
  EXPECT_EQ(p.data.GetArgText(1), hyou + hyou);
}

TEST(CMyFuncParserTwoByte, CommasAndQuotesAreFoundOnlyBetweenCharacters) {
  const std::string katakanaA = "\x83\x41";
  Parsed p = Parse("SetString(\"" + katakanaA + ",x\")");
  ASSERT_EQ(p.data.GetArgTypeStr(), "S");
  EXPECT_EQ(p.data.GetArgText(0), katakanaA + ",x");
  EXPECT_EQ(Parse("SetString(\"a\x82").ok, 0);  // a lead byte cut off at the line's end
  EXPECT_EQ(Parse("SetString(\"a\x82\")").data.GetArgText(0), "a\x82");
}

class CMyFuncParserShortCuts : public ::testing::Test {
 protected:
  void SetUp() override {
    CMyFuncResult record;
    shortcuts.AddData(record);  // entry 0: VOID
    record.type = kRetUInt;
    record.number.SetByString("5");
    shortcuts.AddData(record);  // entry 1: UINT 5
    record.type = kRetString;
    record.number.SetZero();
    record.text = "txt";
    shortcuts.AddData(record);  // entry 2: STRING
    for (int i = 3; i < 13; ++i) shortcuts.AddData(CMyFuncResult());
    record.type = kRetInt;
    record.text.clear();
    record.number.SetByString("-7");
    shortcuts.SetAt(12, record);
  }
  CVXShortCutArray shortcuts;
};

TEST_F(CMyFuncParserShortCuts, ReferenceTakesKindTextAndNumberOfTheEntry) {
  Parsed p = Parse("F($1, $2, $ 1 2)", &shortcuts);
  ASSERT_EQ(p.data.GetArgTypeStr(), "USI");
  EXPECT_EQ(Digits(p.data.GetArgValue(0)), "5");
  EXPECT_EQ(p.data.GetArgText(1), "txt");
  EXPECT_EQ(Digits(p.data.GetArgValue(2)), "-7");
}

TEST_F(CMyFuncParserShortCuts, VoidOrMissingEntryMakesTheArgumentInvalid) {
  EXPECT_EQ(Parse("F($ )", &shortcuts).data.GetArgCount(), 0);  // blanks only: entry 0, VOID
  EXPECT_EQ(Parse("F($1, $13)", &shortcuts).data.GetArgTypeStr(), "U");
  EXPECT_EQ(Parse("F($99999999999999999999)", &shortcuts).data.GetArgCount(), 0);
  EXPECT_EQ(Parse("F($1)").data.GetArgCount(), 0);  // no array handed to the parser
}

TEST_F(CMyFuncParserShortCuts, EntryOfARunningOrFailedJobHasNoValueToUse) {
  CMyFuncResult running;
  running.type = kRetUInt;
  running.reserved = 1;
  shortcuts.SetAt(3, running);
  CMyFuncResult failed;
  failed.type = kRetUInt;
  failed.overrideFlag = 1;
  failed.overrideText = "x";
  shortcuts.SetAt(4, failed);
  EXPECT_EQ(Parse("F($3)", &shortcuts).data.GetArgCount(), 0);
  EXPECT_EQ(Parse("F($4)", &shortcuts).data.GetArgCount(), 0);
  EXPECT_EQ(Parse("F($1)", &shortcuts).data.GetArgCount(), 1);
}

TEST(CMyFuncParserShortCutNumber, ReadsDollarAndDigitsWithBlanksAnywhere) {
  EXPECT_EQ(CMyFuncParser::GetShortCutNumber("$2"), 2);
  EXPECT_EQ(CMyFuncParser::GetShortCutNumber(" $ 1 2 "), 12);
  EXPECT_EQ(CMyFuncParser::GetShortCutNumber("$ "), 0);
  EXPECT_EQ(CMyFuncParser::GetShortCutNumber("$"), -1);
  EXPECT_EQ(CMyFuncParser::GetShortCutNumber("2$"), -1);
  EXPECT_EQ(CMyFuncParser::GetShortCutNumber("$1$"), -1);
  EXPECT_EQ(CMyFuncParser::GetShortCutNumber("$1a"), -1);
  EXPECT_EQ(CMyFuncParser::GetShortCutNumber("$1\x83\x41"), -1);
}

TEST(CMyFuncParserLimits, LongLinesAndHugeNumbersParse) {
  std::string text(99'980, 'x');
  Parsed p = Parse("SetString(\"" + text + "\")");
  ASSERT_EQ(p.data.GetArgTypeStr(), "S");
  EXPECT_EQ(p.data.GetArgText(0).size(), text.size());
  std::string digits = "1" + std::string(99'999, '0');
  p = Parse("Factorial(" + digits + ")");
  ASSERT_EQ(p.data.GetArgTypeStr(), "U");
  EXPECT_EQ(p.data.GetArgValue(0).GetIntSize(), 100'000u);
  std::string commas = "F(1";
  for (int i = 0; i < 20'000; ++i) commas += ",1";
  EXPECT_EQ(Parse(commas + ")").data.GetArgCount(), 20'001);
}

TEST(CMyFuncParserFailures, AbsentLineIsTraced) {
  test::TraceCapture trace;
  CMyFuncParser parser;
  EXPECT_EQ(parser.CheckAndSetString(nullptr), 0);
  EXPECT_TRUE(trace.Contains(SJ("※　引数が無効。CheckAndSetString()\n")));
}

}  // namespace
}  // namespace vpx
