#include "language/func_data.h"

#include <gtest/gtest.h>

namespace vpx {
namespace {

MyNumeric Number(const char* text) {
  MyNumeric n;
  n.SetByString(text);
  return n;
}

TEST(CMyFuncData, KindStringHasOneLetterPerArgumentOrV) {
  CMyFuncData data;
  data.SetArgTypeStr();
  EXPECT_EQ(data.GetArgCount(), 0);
  EXPECT_EQ(data.GetArgTypeStr(), "V");
  data.AddArgument("", kKindUInt, Number("1"));
  data.AddArgument("", kKindInt, Number("-2"));
  data.AddArgument("", kKindFloat, Number("1.5"));
  data.AddArgument("s", kKindString, MyNumeric());
  data.AddArgument("", 9, MyNumeric());
  data.SetArgTypeStr();
  EXPECT_EQ(data.GetArgTypeStr(), "UIFSV");
}

TEST(CMyFuncData, ClearKeepsIdAndLineText) {
  CMyFuncData data;
  data.SetID(203);
  data.SetLineText("line");
  data.SetFuncName("Name");
  data.AddArgument("a", kKindString, MyNumeric());
  data.SetArgTypeStr();
  data.Clear();
  EXPECT_EQ(data.GetID(), 203);
  EXPECT_EQ(data.GetLineText(), "line");
  EXPECT_EQ(data.GetFuncName(), "");
  EXPECT_EQ(data.GetArgCount(), 0);
  EXPECT_EQ(data.GetArgTypeStr(), "");
}

TEST(CMyFuncData, CopiesOwnTheirNumbers) {
  CMyFuncData original;
  original.AddArgument("", kKindUInt, Number("12345678901234567890"));
  CMyFuncData copy = original;
  MyNumeric& value = const_cast<MyNumeric&>(copy.GetArgValue(0));
  value.SetByString("7");
  EXPECT_EQ(original.GetArgValue(0).ToString(), "12345678901234567890");
  EXPECT_EQ(copy.GetArgValue(0).ToString(), "7");
}

}  // namespace
}  // namespace vpx
