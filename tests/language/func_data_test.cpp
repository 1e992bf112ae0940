#include "language/func_data.h"

#include <gtest/gtest.h>

#include <stdexcept>

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

// A call is reused for the next line: after Clear only the new arguments count.
TEST(CMyFuncData, AClearedCallCarriesNoArgumentOfThePreviousLine) {
  CMyFuncData data;
  data.AddArgument("a", kKindString, MyNumeric());
  data.AddArgument("", kKindFloat, Number("1.5"));
  data.SetArgTypeStr();
  ASSERT_EQ(data.GetArgTypeStr(), "SF");
  data.Clear();
  EXPECT_EQ(data.GetArgCount(), 0);
  data.AddArgument("", kKindInt, Number("-2"));
  data.SetArgTypeStr();
  EXPECT_EQ(data.GetArgTypeStr(), "I");
  EXPECT_EQ(data.GetArgValue(0).ToString(), "-2");
  EXPECT_THROW(data.GetArgText(1), std::out_of_range);
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
