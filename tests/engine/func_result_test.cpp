#include "engine/func_result.h"

#include <gtest/gtest.h>

#include <string>

#include "host/sjis.h"
#include "language/func_catalogue.h"

namespace vpx {
namespace {

MyNumeric Number(const char* text) {
  MyNumeric n;
  n.SetByString(text);
  return n;
}

// A record that never received a value (or received a VOID one) has nothing to show or
// to put on the clipboard, however it was filled before.
TEST(CMyFuncResultValueText, AbsentForAFreshRecordAndAfterAVoidResult) {
  CMyFuncResult fresh;
  std::string text = "untouched";
  EXPECT_EQ(fresh.GetResultValueText(text), 0);
  EXPECT_EQ(text, "untouched");
  EXPECT_EQ(fresh.GetTypeLetter(), "V");
  EXPECT_EQ(fresh.GetResultText(), SJ("【直前の結果】VOID : "));
  CMyFuncData call;
  CMyFuncResult record;
  const MyNumeric value = Number("12345");
  ASSERT_EQ(record.SetData(&call, 17, &value), 1);
  ASSERT_EQ(record.GetResultValueText(text), 1);
  EXPECT_EQ(text, "12345");
  ASSERT_EQ(record.SetData(&call, 308, &value), 1);  // GetResultData: VOID
  EXPECT_EQ(record.GetResultValueText(text), 0);
  EXPECT_EQ(record.GetResultText(), SJ("【直前の結果】VOID : "));
}

// Every entry of the result list is a copy of a record: a small value in it holds a
// buffer sized to the value, whatever result size the process computes with, and of its
// call the record keeps the line, ID and name (what a list file saves), not the arguments.
TEST(CMyFuncResultCopy, HoldsStorageSizedToItsValue) {
  MyNumeric setter;
  const uint32_t saved = MyNumeric::GetDefaultResultSize();
  setter.SetResultSize(1'000'000);
  CMyFuncData call;
  call.SetLineText("AddInt(12340, 5)");
  call.SetID(1);
  call.SetFuncName("AddInt");
  call.AddArgument("", kKindInt, Number("12340"));
  call.AddArgument("", kKindInt, Number("5"));
  call.SetArgTypeStr();
  const MyNumeric sum = Number("12345");
  CMyFuncResult record;
  ASSERT_EQ(record.SetData(&call, 1, &sum), 1);  // AddInt
  const CMyFuncResult entry(record);
  const MyNumericParam p = entry.number.GetParam();
  EXPECT_LT(p.BuffSize, 64u);
  EXPECT_EQ(p.SubBuffSize + p.TempBuffSize, 0u);
  EXPECT_EQ(entry.number.ToString(), "12345");
  EXPECT_EQ(entry.number.GetResultSize(), 1'000'000u);
  EXPECT_EQ(entry.callData.GetLineText(), "AddInt(12340, 5)");
  EXPECT_EQ(entry.callData.GetID(), 1);
  EXPECT_EQ(entry.callData.GetFuncName(), "AddInt");
  EXPECT_EQ(entry.Signature(), "INT AddInt(INT, INT)");
  EXPECT_EQ(call.GetArgCount(), 2) << "the call itself keeps its arguments";
  // 300,000 entries fit the terminal's budget only while a record stays this small.
  EXPECT_LE(sizeof(CMyFuncResult), 168u);
  EXPECT_LE(sizeof(MyNumeric), 72u);
  setter.SetResultSize(saved);
}

TEST(CMyFuncResultSetData, TakesTypeAndTableSignatureFromTheId) {
  CMyFuncData call;
  call.SetFuncName("GetCurDir");
  CMyFuncResult record;
  record.reserved = 1;
  record.number = Number("9");
  const std::string dir = "/tmp";
  ASSERT_EQ(record.SetData(&call, 100, &dir), 1);
  EXPECT_EQ(record.type, kRetString);
  EXPECT_EQ(record.Signature(), "STRING GetCurDir()");
  EXPECT_EQ(record.text, "/tmp");
  EXPECT_TRUE(record.number.IsZero());
  EXPECT_EQ(record.reserved, 0u);
  EXPECT_EQ(record.callData.GetFuncName(), "GetCurDir");
  EXPECT_EQ(record.GetResultText(), SJ("【直前の結果】STRING : /tmp"));
  EXPECT_EQ(record.GetTypeLetter(), "S");
  // The text is shown as a C string: up to its first NUL byte.
  record.text = std::string("ab\0cd", 5);
  EXPECT_EQ(record.GetResultText(), SJ("【直前の結果】STRING : ab"));
}

TEST(CMyFuncResultSetData, NumericTypesKeepTheNumberAndEmptyTheText) {
  CMyFuncData call;
  CMyFuncResult record;
  record.text = "stale";
  const MyNumeric value = Number("-12.050");
  ASSERT_EQ(record.SetData(&call, 17, &value), 1);
  EXPECT_EQ(record.type, kRetFloat);
  EXPECT_EQ(record.text, "");
  EXPECT_EQ(record.GetResultText(), SJ("【直前の結果】FLOAT : -12.050"));
  std::string text;
  ASSERT_EQ(record.GetResultValueText(text), 1);
  EXPECT_EQ(text, "-12.050");
  EXPECT_EQ(record.GetTypeLetter(), "F");
}

TEST(CMyFuncResultSetData, ValueOfTheOtherFormIsConverted) {
  CMyFuncData call;
  CMyFuncResult record;
  const std::string digits = "42";
  ASSERT_EQ(record.SetData(&call, 216, &digits), 1);  // GetFileSize: UINT
  EXPECT_EQ(record.number.ToString(), "42");
  const MyNumeric value = Number("7");
  ASSERT_EQ(record.SetData(&call, 107, &value), 1);  // SetString: STRING
  EXPECT_EQ(record.text, "7");
  ASSERT_EQ(record.SetData(&call, 308, &value), 1);  // GetResultData: VOID
  EXPECT_TRUE(record.number.IsZero());
  std::string text;
  EXPECT_EQ(record.GetResultValueText(text), 0);
}

TEST(CMyFuncResultSetData, RefusesAbsentCallValueOrUnsetId) {
  CMyFuncData call;
  CMyFuncResult record;
  const MyNumeric value = Number("1");
  EXPECT_EQ(record.SetData(nullptr, 1, &value), 0);
  EXPECT_EQ(record.SetData(&call, 1, static_cast<const MyNumeric*>(nullptr)), 0);
  EXPECT_EQ(record.SetData(&call, -1, &value), 0);
  EXPECT_EQ(record.id, -1);
}

TEST(CMyFuncResultDisplay, OverrideThenReservedThenTypeDecideTheText) {
  CMyFuncData call;
  CMyFuncResult record;
  const MyNumeric value = Number("5");
  record.SetData(&call, 21, &value);  // Factorial: UINT
  std::string text;
  record.GetResultValueText(text);
  EXPECT_EQ(text, "5");
  EXPECT_EQ(record.GetTypeLetter(), "U");

  record.reserved = 1;
  record.text = "running";
  record.GetResultValueText(text);
  EXPECT_EQ(text, "running");

  record.overrideFlag = 1;
  record.overrideText = "cancelled";
  record.GetResultValueText(text);
  EXPECT_EQ(text, "cancelled");
  EXPECT_EQ(record.GetTypeLetter(), "S");
}

TEST(CMyFuncResultCopy, CopiesEveryFieldDeeply) {
  CMyFuncData call;
  call.SetFuncName("Factorial");
  CMyFuncResult original;
  const MyNumeric value = Number("123456789012345678901234567890");
  original.SetData(&call, 21, &value);
  original.owner = reinterpret_cast<const CMyThreadDlg*>(&call);
  original.reserved = 1;
  CMyFuncResult copy = original;
  EXPECT_EQ(copy.owner, original.owner);
  EXPECT_EQ(copy.reserved, 1u);
  EXPECT_EQ(copy.callData.GetFuncName(), "Factorial");
  copy.number.SetByString("1");
  EXPECT_EQ(original.number.ToString(), "123456789012345678901234567890");
}

// The line and the name share one text: setting either, in any order and more than once,
// leaves the other as it was, including an empty one and a line that ends like the name.
TEST(CMyCallSummary, LineAndNameAreSetIndependently) {
  CMyCallSummary summary;
  EXPECT_EQ(summary.GetLineText(), "");
  EXPECT_EQ(summary.GetFuncName(), "");
  EXPECT_EQ(summary.GetID(), -1);
  summary.SetFuncName("Add");
  summary.SetLineText("Add(1, 2) Add");
  EXPECT_EQ(summary.GetLineText(), "Add(1, 2) Add");
  EXPECT_EQ(summary.GetFuncName(), "Add");
  summary.SetFuncName("Factorial");
  summary.SetLineText(std::string("x\0y", 3));
  EXPECT_EQ(summary.GetLineText(), std::string("x\0y", 3));
  EXPECT_EQ(summary.GetFuncName(), "Factorial");
  summary.SetLineText("");
  EXPECT_EQ(summary.GetLineText(), "");
  EXPECT_EQ(summary.GetFuncName(), "Factorial");
  summary.SetFuncName("");
  summary.SetID(21);
  EXPECT_EQ(summary.GetLineText(), "");
  EXPECT_EQ(summary.GetFuncName(), "");
  EXPECT_EQ(summary.GetID(), 21);
}

// The table's name of the ID is not stored but read back; any other name, an empty one
// included, is kept as given, also when the ID changes afterwards. Copies are independent.
TEST(CMyCallSummary, NameSurvivesIdChangesWhetherOrNotItIsTheTablesName) {
  CMyCallSummary summary;
  summary.SetID(1);
  EXPECT_EQ(summary.GetFuncName(), "") << "a name never given is not the table's";
  summary.SetFuncName("AddInt");
  summary.SetLineText("AddInt(12340, 5)");
  const CMyCallSummary copy(summary);
  summary.SetID(21);
  EXPECT_EQ(summary.GetFuncName(), "AddInt");
  EXPECT_EQ(summary.GetLineText(), "AddInt(12340, 5)");
  summary.SetFuncName("Factorial");
  summary.SetID(1);
  EXPECT_EQ(summary.GetFuncName(), "Factorial");
  EXPECT_EQ(copy.GetID(), 1);
  EXPECT_EQ(copy.GetFuncName(), "AddInt");
  EXPECT_EQ(copy.GetLineText(), "AddInt(12340, 5)");
  CMyCallSummary assigned;
  assigned = summary;
  summary = CMyCallSummary();
  EXPECT_EQ(assigned.GetFuncName(), "Factorial");
  EXPECT_EQ(assigned.GetID(), 1);
  EXPECT_EQ(summary.GetID(), -1);
  EXPECT_EQ(summary.GetLineText(), "");
}

// A record's call comes from the parsed call it was set from, replacing the previous one.
TEST(CMyCallSummary, SetDataTakesLineIdAndNameOfTheCall) {
  CMyFuncData first;
  first.SetLineText("Factorial(5)");
  first.SetFuncName("Factorial");
  first.SetID(21);
  CMyFuncResult record;
  const MyNumeric value = Number("120");
  ASSERT_EQ(record.SetData(&first, 21, &value), 1);
  CMyFuncData second;
  second.SetLineText("GetCurDir()");
  second.SetFuncName("GetCurDir");
  const std::string dir = "/";
  ASSERT_EQ(record.SetData(&second, 100, &dir), 1);
  EXPECT_EQ(record.callData.GetLineText(), "GetCurDir()");
  EXPECT_EQ(record.callData.GetFuncName(), "GetCurDir");
  EXPECT_EQ(record.callData.GetID(), -1);
  EXPECT_EQ(record.Signature(), "STRING GetCurDir()");
}

}  // namespace
}  // namespace vpx
