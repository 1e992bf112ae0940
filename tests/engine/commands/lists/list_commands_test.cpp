// The list and clipboard commands typed at the console.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/engine_fixture.h"

namespace vpx::test {
namespace {

using ::testing::ElementsAre;

class ListCommands : public ::testing::Test, public EngineFixture {
 protected:
  void AddStrings(int n) {
    for (int i = 1; i <= n; ++i) Type("AddStrToList(\"s" + std::to_string(i) + "\")");
  }
};

TEST_F(ListCommands, DelListOfIndexZeroIsOutOfRange) {
  EXPECT_THAT(Type("DelList(0)"),
              ElementsAre("INT DelList(UINT)",
                          "※　指定インデックスはショートカットリストの範囲外です。ErrIndex[0] / "
                          "ListNum[1]"));
  EXPECT_EQ(EntryCount(), 1);
}

TEST_F(ListCommands, DelListReversedRangeDeletesAndCounts) {
  AddStrings(6);
  EXPECT_THAT(Type("DelList(5, 2)"),
              ElementsAre("INT DelList(UINT, UINT)", "[4]個のショートカットを削除しました。"));
  ASSERT_EQ(EntryCount(), 3);
  EXPECT_EQ(RowText(1), "s1");
  EXPECT_EQ(RowText(2), "s6");
  EXPECT_EQ(RowIndex(2), "2");
}

TEST_F(ListCommands, DelListRangeBeyondTheEndStopsAtTheLastEntry) {
  AddStrings(3);
  EXPECT_THAT(Type("DelList(2, 99)"),
              ElementsAre("INT DelList(UINT, UINT)", "[2]個のショートカットを削除しました。"));
  EXPECT_EQ(EntryCount(), 2);
}

TEST_F(ListCommands, DelListSingleReportsTheIndex) {
  AddStrings(2);
  EXPECT_THAT(Type("DelList(2)"),
              ElementsAre("INT DelList(UINT)", "Index[2] のショートカットを削除しました。"));
  EXPECT_THAT(Type("DelList(2)"),
              ElementsAre("INT DelList(UINT)",
                          "※　指定インデックスはショートカットリストの範囲外です。ErrIndex[2] / "
                          "ListNum[2]"));
}

TEST_F(ListCommands, AddStrToListNeedsAStringPreviousResult) {
  Type("AddInt(1, 2)");
  EXPECT_THAT(Type("AddStrToList()"),
              ElementsAre("INT AddStrToList(VOID)", "※　直前の結果は文字列を返していません。"));
  Type("SetString(\"abc\")");
  EXPECT_THAT(Type("AddStrToList()"), ElementsAre("INT AddStrToList(VOID)"));
  EXPECT_EQ(RowText(1), "abc");
}

TEST_F(ListCommands, AddIntToListClassifiesTheNumber) {
  Type("AddIntToList(7)");
  Type("AddIntToList(-7)");
  Type("AddIntToList(1.5)");
  Type("AddIntToList(2.0)");
  Type("SetIntToList(1, -4.00)");
  EXPECT_EQ(RowType(1), "I");
  EXPECT_EQ(RowType(2), "I");
  EXPECT_EQ(RowType(3), "F");
  EXPECT_EQ(RowType(4), "U");
  EXPECT_EQ(RowText(2), "-7");
}

TEST_F(ListCommands, AddResultToListCopiesThePreviousResult) {
  Type("AddInt(40, 2)");
  Type("AddResultToList()");
  EXPECT_EQ(RowText(1), "42");
  EXPECT_EQ(RowType(1), "I");
}

TEST_F(ListCommands, GetListDataMakesEntryZeroAndThePreviousResultEqualToTheEntry) {
  AddStrings(2);
  EXPECT_THAT(Type("GetListData(2)"), ElementsAre("INT GetListData(UINT)", "s2"));
  EXPECT_EQ(RowText(0), "s2");
  EXPECT_EQ(RowType(0), "S");
  EXPECT_THAT(Type("GetResultData()"),
              ElementsAre("VOID GetResultData(VOID)", "【直前の結果】STRING : s2"));
  EXPECT_THAT(Type("GetListData(9)"),
              ElementsAre("INT GetListData(UINT)",
                          "※　ショートカットリストからのデータ取得失敗。Index[9]"));
}

TEST_F(ListCommands, SetStrAndSetIntOverwriteExistingEntriesOnly) {
  AddStrings(1);
  EXPECT_THAT(Type("SetStrToList(1, \"new\")"), ElementsAre("INT SetStrToList(UINT, STRING)"));
  EXPECT_EQ(RowText(1), "new");
  EXPECT_THAT(Type("SetIntToList(1, -3)"), ElementsAre("VOID SetIntToList(UINT, FLOAT)"));
  EXPECT_EQ(RowText(1), "-3");
  EXPECT_EQ(RowType(1), "I");
  EXPECT_THAT(Type("SetStrToList(5, \"x\")"), ElementsAre("INT SetStrToList(UINT, STRING)"));
  EXPECT_EQ(EntryCount(), 2);
}

TEST_F(ListCommands, CopyListOverwritesAppendsOrDoesNothing) {
  AddStrings(3);
  EXPECT_THAT(Type("CopyList(3, 3)"), ElementsAre("VOID CopyList(INT, UINT)"));
  EXPECT_EQ(EntryCount(), 4);
  Type("CopyList(3, 1)");
  EXPECT_EQ(RowText(1), "s3");
  Type("CopyList(2, 100)");
  ASSERT_EQ(EntryCount(), 5);
  EXPECT_EQ(RowText(4), "s2");
  EXPECT_THAT(Type("CopyList(9, 1)"),
              ElementsAre("VOID CopyList(INT, UINT)",
                          "※　コピー元インデックスは範囲外です。ListItemCount[5]"));
}

TEST_F(ListCommands, ListToClipCountsBytes) {
  Type("AddStrToList(\"hello world!\")");
  EXPECT_THAT(Type("ListToClip(1)"),
              ElementsAre("STRING ListToClip(UINT)", "クリップボードに 12 文字コピーしました。"));
  EXPECT_EQ(fake.clipboard.text, "hello world!");
  Type("AddStrToList(\"日本\")");
  EXPECT_THAT(Type("ListToClip(2)"),
              ElementsAre("STRING ListToClip(UINT)", "クリップボードに 4 文字コピーしました。"));
  EXPECT_THAT(Type("ListToClip(3)"),
              ElementsAre("STRING ListToClip(UINT)",
                          "※　指定インデックスはショートカットリストの範囲外です。Index[3] / "
                          "ListCount[3]"));
}

TEST_F(ListCommands, ClipboardRoundTrips) {
  EXPECT_THAT(Type("GetClip()"),
              ElementsAre("STRING GetClip(VOID)", "※　クリップボードからのデータ取得に失敗。"));
  Type("SetString(\"clip me\")");
  EXPECT_THAT(Type("ResultToClip()"), ElementsAre("INT ResultToClip(VOID)", "clip me"));
  EXPECT_EQ(fake.clipboard.text, "clip me");
  fake.clipboard.SetText("from clipboard");
  EXPECT_THAT(Type("GetClip()"), ElementsAre("STRING GetClip(VOID)", "from clipboard"));
  EXPECT_EQ(RowText(0), "from clipboard");
  Type("AddClipToList()");
  ASSERT_EQ(EntryCount(), 2);
  EXPECT_EQ(RowText(1), "from clipboard");
}

TEST_F(ListCommands, ReservedEntriesAreNeitherOverwrittenNorCopied) {
  CMyFuncResult reserved;
  reserved.type = 4;
  reserved.reserved = 1;
  ASSERT_EQ(engine.AddDataToListAndShortCut(reserved, true), 1);
  const std::string text = "※　ショートカット[1]は計算スレッドに予約されています。";
  EXPECT_THAT(Type("SetStrToList(1, \"x\")"), ElementsAre("INT SetStrToList(UINT, STRING)", text));
  EXPECT_THAT(Type("CopyList(1, 100)"), ElementsAre("VOID CopyList(INT, UINT)", text));
  EXPECT_THAT(Type("CopyList(0, 1)"), ElementsAre("VOID CopyList(INT, UINT)", text));
  EXPECT_THAT(Type("GetListData(1)"), ElementsAre("INT GetListData(UINT)", text));
  EXPECT_THAT(Type("DelList(1)"),
              ElementsAre("INT DelList(UINT)", "※　Index[1] のショートカットは計算終了待ちです。"));
  EXPECT_EQ(EntryCount(), 2);
  EXPECT_EQ(engine.Results().IsShortCutItemReserved(1, true), 1);
}

}  // namespace
}  // namespace vpx::test
