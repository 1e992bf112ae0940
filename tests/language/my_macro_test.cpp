#include "language/my_macro.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/shortcut_array.h"
#include "host/sjis.h"
#include "language/trace_capture.h"
#include "support/fake_ui.h"

namespace vpx {
namespace {

class CMyMacroRegistered : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(macro.RegisterFuncTable(), 1); }
  int Resolve(const std::string& line) {
    CMyFuncData call;
    return macro.AnalyseAndGetID(line, call);
  }
  CMyMacro macro;
};

TEST_F(CMyMacroRegistered, RegistersEveryTableRowInOrder) {
  ASSERT_EQ(macro.GetRegisteredNum(), static_cast<uint32_t>(GetFuncTableRowCount()));
  EXPECT_EQ(macro.GetFuncName(0), "NOP");
  EXPECT_EQ(macro.GetRegisterdMacroInfo(1), "INT AddInt(INT, INT)");
  EXPECT_EQ(macro.GetFuncName(125), "Test");
  EXPECT_EQ(macro.GetIndexFromID(999999), 125);
  EXPECT_EQ(macro.GetIndexFromID(4242), -1);
}

TEST_F(CMyMacroRegistered, IntegerPairsSelectTheFirstOverload) {
  EXPECT_EQ(Resolve("AddInt(1, 2)"), 1);
  EXPECT_EQ(Resolve("AddInt(-1, 2)"), 1);
  EXPECT_EQ(Resolve("AddInt(1, -2)"), 1);
  EXPECT_EQ(Resolve("SubInt(5, -3)"), 6);
  EXPECT_EQ(Resolve("AddInt(1.5, 2)"), -1);
  EXPECT_EQ(Resolve("Add(1, 2)"), 17);  // FLOAT parameters take integers
  EXPECT_EQ(Resolve("Pow(1.5, -2)"), 24);
}

TEST_F(CMyMacroRegistered, ArgumentCountAndKindsPickTheOverload) {
  EXPECT_EQ(Resolve("SqRoot(2)"), 26);
  EXPECT_EQ(Resolve("SqRoot(2, 100)"), 27);
  EXPECT_EQ(Resolve("DelList(3)"), 302);
  EXPECT_EQ(Resolve("DelList(3, 5)"), 303);
  EXPECT_EQ(Resolve("DelList(-3)"), -1);  // a UINT position refuses a negative number
  EXPECT_EQ(Resolve("AddStrToList()"), 300);
  EXPECT_EQ(Resolve("AddStrToList(\"x\")"), 301);
  EXPECT_EQ(Resolve("ToStrHex(1.5)"), 10);
  EXPECT_EQ(Resolve("ToStrHex(15)"), 10);
  EXPECT_EQ(Resolve("ToStrHex(\"1F\")"), 11);
  EXPECT_EQ(Resolve("CopyFileSect(\"a\", \"b\", 0, 100)"), 203);
  EXPECT_EQ(Resolve("GetCurDir()"), 100);
}

TEST_F(CMyMacroRegistered, UnknownNamesAndUnfitArgumentsAreUnregistered) {
  EXPECT_EQ(Resolve("addint(1, 2)"), -1);
  EXPECT_EQ(Resolve("AddInt(1,,2)"), -1);
  EXPECT_EQ(Resolve("DelList(1, abc)"), 302);  // the argument before the bad one remains
  EXPECT_EQ(Resolve("AddInt((1),2)"), -1);
}

TEST_F(CMyMacroRegistered, HitCopiesTheParsedCallWithTheLineButLeavesTheID) {
  CMyFuncData call;
  const std::string line = "INT CopyFileSect(\"a\", \"b\", 0, 100)";
  ASSERT_EQ(macro.AnalyseAndGetID(line, call), 203);
  EXPECT_EQ(call.GetArgTypeStr(), "SSUU");
  EXPECT_EQ(call.GetArgText(1), "b");
  EXPECT_EQ(call.GetLineText(), line);
  EXPECT_EQ(call.GetID(), -1);
  EXPECT_EQ(macro.GetMacroInfo(203), "INT CopyFileSect(STRING, STRING, UINT, INT)");
}

TEST_F(CMyMacroRegistered, MissSetsOnlyTheLineText) {
  CMyFuncData call;
  call.SetFuncName("old");
  EXPECT_EQ(macro.AnalyseAndGetID("Nothing(1)", call), -1);
  EXPECT_EQ(call.GetFuncName(), "old");
  EXPECT_EQ(call.GetLineText(), "Nothing(1)");
  EXPECT_EQ(macro.AnalyseAndGetID(nullptr, &call), -1);
}

TEST_F(CMyMacroRegistered, ParseFailureHandsBackThePartlyFilledCall) {
  CMyFuncData call;
  call.SetFuncName("old");
  EXPECT_EQ(macro.AnalyseAndGetID("AddInt((1),2)", call), -1);
  EXPECT_EQ(call.GetFuncName(), "AddInt");
  EXPECT_EQ(call.GetArgCount(), 0);
}

TEST_F(CMyMacroRegistered, ShortCutReferencesReadTheHandedArray) {
  CVXShortCutArray shortcuts;
  CMyFuncResult record;
  shortcuts.AddData(record);
  record.type = kRetUInt;
  record.number.SetByString("4");
  shortcuts.AddData(record);
  macro.SetShortCutArray(&shortcuts);
  CMyFuncData call;
  EXPECT_EQ(macro.AnalyseAndGetID("DelList($1, $ 1)", call), 303);
  EXPECT_EQ(call.GetArgValue(1).ToString(), "4");
  EXPECT_EQ(Resolve("DelList($0)"), -1);  // entry 0 is VOID
}

TEST_F(CMyMacroRegistered, RenderingsShowVoidInsideParenthesesAndMessagesWhenMissing) {
  EXPECT_EQ(macro.GetMacroInfo(100), "STRING GetCurDir(VOID)");
  EXPECT_EQ(macro.GetMacroInfo(4242), SJ("マクロ識別IDの検索に失敗"));
  const int past = GetFuncTableRowCount();
  EXPECT_EQ(
      macro.GetRegisterdMacroInfo(past),
      SJ("※　指定インデックスは範囲外です。GetRegisterdMacroInfo( ") + std::to_string(past) + " )");
  EXPECT_EQ(macro.GetFuncName(past),
            SJ("※　指定インデックスは登録されている範囲を超えています。GetFuncName( ") +
                std::to_string(past) + " )");
}

TEST(CMyMacroRegistration, DuplicateIdIsRefusedSilently) {
  test::TraceCapture trace;
  CMyMacro macro;
  EXPECT_EQ(macro.RegFuncData("A", kRetInt, "I", 7), 1);
  EXPECT_EQ(macro.RegFuncData("B", kRetUInt, "U", 7), 0);
  EXPECT_EQ(macro.GetRegisteredNum(), 1u);
  EXPECT_EQ(macro.GetFuncName(0), "A");
  EXPECT_EQ(trace.Text(), "");
}

TEST(CMyMacroRegistration, InvalidArgumentsAreRefusedWithATrace) {
  test::TraceCapture trace;
  CMyMacro macro;
  EXPECT_EQ(macro.RegFuncData(nullptr, kRetInt, "I", 1), 0);
  EXPECT_EQ(macro.RegFuncData("A", 5, "I", 2), 0);
  EXPECT_EQ(macro.RegFuncData("A", 0xFFFFFFFFu, "I", 3), 0);
  EXPECT_EQ(macro.RegFuncData("A", kRetInt, nullptr, 4), 0);
  EXPECT_EQ(macro.GetRegisteredNum(), 0u);
  const std::string text = trace.Text();
  const std::string message =
      test::TraceCapture::Stored(SJ("※　引数が無効です。CMyMacro::RegFuncData()\n"));
  size_t count = 0;
  for (size_t at = text.find(message); at != std::string::npos; at = text.find(message, at + 1))
    ++count;
  EXPECT_EQ(count, 4u);
}

TEST(CMyMacroRegistration, EmptyIdTextFailsTheWholeTableWithAMessageBox) {
  test::FakeUi ui;
  const FuncTableRow table[] = {{"A", "INT", "I", "1"}, {"B", "INT", "I", ""}, {"", "", "", ""}};
  CMyMacro macro;
  EXPECT_EQ(macro.RegisterFuncTable(table), 0);
  EXPECT_EQ(macro.GetRegisteredNum(), 0u);
  auto boxes = ui.dialogs.TakeMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], SJ("※　マクロ関数の初期化登録に失敗しました。"));
}

TEST(CMyMacroRegistration, RefusedRowsAreLeftOutAndIdTextsReadAsPrefixes) {
  test::FakeUi ui;
  const FuncTableRow table[] = {{"A", "INT", "I", "12abc"},
                                {"B", "INT", "I", "12"},
                                {"C", "BYTE", "U", "13"},
                                {"", "", "", ""}};
  CMyMacro macro;
  EXPECT_EQ(macro.RegisterFuncTable(table), 1);
  ASSERT_EQ(macro.GetRegisteredNum(), 2u);
  EXPECT_EQ(macro.GetMacroInfo(12), "INT A(INT)");
  EXPECT_EQ(macro.GetMacroInfo(13), "VOID C(UINT)");  // an unknown type word is VOID
  EXPECT_TRUE(ui.dialogs.TakeMessageBoxes().empty());
}

}  // namespace
}  // namespace vpx
