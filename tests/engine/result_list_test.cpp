// The result list: array and rows moving together, index 0, reserved entries, row texts,
// repair of a count mismatch, hold colours and the front end's list operations.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "language/func_catalogue.h"
#include "support/engine_fixture.h"

namespace vpx::test {
namespace {

class ResultList : public ::testing::Test, public EngineFixture {
 protected:
  CMyFuncResult Text(const std::string& utf8) {
    CMyFuncResult record;
    record.type = 4;
    record.text = ToSjis(utf8);
    return record;
  }
  void AddTexts(int n) {
    for (int i = 1; i <= n; ++i)
      ASSERT_EQ(engine.AddDataToListAndShortCut(Text("e" + std::to_string(i)), true), i);
  }
};

TEST_F(ResultList, RemovingAnEntryRenumbersTheRowsAndMovesItemData) {
  AddTexts(5);
  for (int r = 0; r < 6; ++r) fake.resultList.SetItemData(r, 100 + r);
  EXPECT_EQ(engine.RemoveAtListAndShortCut(3, true), 5);
  ASSERT_EQ(RowCount(), 5);
  EXPECT_EQ(EntryCount(), 5);
  const char* texts[] = {nullptr, "e1", "e2", "e4", "e5"};
  for (int r = 0; r < 5; ++r) {
    EXPECT_EQ(RowIndex(r), std::to_string(r));
    if (r > 0) {
      EXPECT_EQ(RowText(r), texts[r]);
    }
  }
  EXPECT_EQ(fake.resultList.GetItemData(3), 104u);
  EXPECT_EQ(fake.resultList.GetItemData(4), 105u);
}

TEST_F(ResultList, EntryZeroIsNeverRemoved) {
  EXPECT_EQ(engine.RemoveAtListAndShortCut(0, true), -1);
  EXPECT_EQ(Output(),
            std::vector<std::string>{"※　ショートカットのインデックス0は削除できません。"});
  EXPECT_EQ(EntryCount(), 1);
}

TEST_F(ResultList, ReservedEntryCannotBeRemoved) {
  CMyFuncResult reserved = Text("x");
  reserved.reserved = 1;
  ASSERT_EQ(engine.AddDataToListAndShortCut(reserved, true), 1);
  EXPECT_EQ(engine.Results().IsShortCutItemReserved(1, true), 1);
  EXPECT_EQ(engine.RemoveAtListAndShortCut(1, true), -1);
  EXPECT_EQ(EntryCount(), 2);
  EXPECT_EQ(RowCount(), 2);
}

TEST_F(ResultList, ReservedRowShowsTheCommandLine) {
  CMyFuncResult reserved = Text("");
  reserved.reserved = 1;
  reserved.callData.SetLineText("MakeFileCRC(\"a\")");
  ASSERT_EQ(engine.AddDataToListAndShortCut(reserved, true), 1);
  EXPECT_EQ(RowText(1), "MakeFileCRC(\"a\")");
}

TEST_F(ResultList, LongTextIsCutTo1000BytesInTheRowOnly) {
  std::string text(999, 'a');
  text += "漢";  // a two-byte character across the limit is left out whole
  text += "bbb";
  ASSERT_EQ(engine.AddDataToListAndShortCut(Text(text), true), 1);
  EXPECT_EQ(fake.resultList.GetCellText(1, 0), std::string(999, 'a'));
  CMyFuncResult stored;
  ASSERT_EQ(engine.ShortCutArray().GetAt(1, stored), 1);
  EXPECT_EQ(stored.text.size(), 1004u);
}

TEST_F(ResultList, SaturatedValueKeepsItsMarkAtTheEndOfTheCutRow) {
  const std::string digits(1200, '9');
  ASSERT_EQ(engine.AddDataToListAndShortCut(Text(digits + " (E)"), true), 1);
  const std::string row = fake.resultList.GetCellText(1, 0);
  EXPECT_EQ(row.size(), 1000u);
  EXPECT_EQ(row, std::string(996, '9') + " (E)");
  // A text that only fits uncut is shown as it is.
  ASSERT_EQ(engine.AddDataToListAndShortCut(Text(std::string(996, '9') + " (E)"), true), 2);
  EXPECT_EQ(fake.resultList.GetCellText(2, 0), std::string(996, '9') + " (E)");
}

// A number's row is made from only as much of its text as the row shows; it must come out
// as the whole text cut like a text row, both in a new row and in entry 0's rewritten one.
TEST_F(ResultList, NumberRowsAreTheirTextCutAtTheLimit) {
  struct Case {
    std::string value;  // the number's text (SetByString), or nines for a saturated one
    uint32_t saturatedNines;
    bool minus;
    std::string text;  // its whole text
    std::string row;
  };
  const std::string digits999(999, '4');
  const std::string nines996(996, '9');
  const std::vector<Case> cases = {
      {"-" + digits999, 0, false, "-" + digits999, "-" + digits999},
      {"1." + digits999, 0, false, "1." + digits999, "1." + digits999.substr(0, 998)},
      {"-1." + digits999, 0, false, "-1." + digits999, "-1." + digits999.substr(0, 997)},
      {"", 996, false, nines996 + " (E)", nines996 + " (E)"},
      {"", 997, false, nines996 + "9 (E)", nines996 + " (E)"},
      {"", 2000, true, "-" + std::string(2000, '9') + " (E)", "-" + nines996.substr(1) + " (E)"},
  };
  int index = 0;
  for (const Case& c : cases) {
    CMyFuncResult record;
    record.type = kRetFloat;
    if (c.saturatedNines != 0) {
      ASSERT_EQ(record.number.SetSaturatedNines(c.saturatedNines, c.minus), NumStatus::kOk);
    } else {
      ASSERT_EQ(record.number.SetByString(c.value), NumStatus::kOk);
    }
    ASSERT_EQ(record.number.ToString(), c.text);
    ASSERT_EQ(engine.AddDataToListAndShortCut(record, true), ++index);
    EXPECT_EQ(fake.resultList.GetCellText(index, 0), c.row) << c.text.size();
    ASSERT_EQ(engine.SetResultToListAndShortCut(record, true), 1);
    EXPECT_EQ(fake.resultList.GetCellText(0, 0), c.row) << c.text.size();
  }
}

TEST_F(ResultList, VoidRecordGetsNoRowAndCannotBecomeEntryZero) {
  CMyFuncResult voidRecord;
  EXPECT_EQ(engine.AddDataToList(voidRecord, true), 0);
  EXPECT_EQ(engine.AddDataToListAndShortCut(voidRecord, true), -1);
  EXPECT_EQ(EntryCount(), 1);
  EXPECT_EQ(engine.SetResultToListAndShortCut(voidRecord, true), 1);
  EXPECT_EQ(Output(), std::vector<std::string>{"※　結果データの登録に失敗。"});
}

TEST_F(ResultList, CountMismatchIsRepairedByTheNextStoreOfEntryZero) {
  AddTexts(3);
  fake.resultList.DeleteRow(2);  // the rows no longer match the array
  EXPECT_EQ(engine.SetResultToListAndShortCut(Text("fresh"), true), 1);
  EXPECT_EQ(EntryCount(), 1);
  ASSERT_EQ(RowCount(), 1);
  EXPECT_EQ(RowText(0), "fresh");
  EXPECT_EQ(engine.AddDataToListAndShortCut(Text("next"), true), 1);
  EXPECT_EQ(RowIndex(1), "1");
}

TEST_F(ResultList, IndexedOverwriteBeyondTheEndFailsSilently) {
  EXPECT_EQ(engine.Results().SetResultToListAndShortCut(5, Text("x"), true), -1);
  EXPECT_TRUE(Output().empty());
  AddTexts(1);
  EXPECT_EQ(engine.Results().SetResultToListAndShortCut(1, Text("y"), true), 1);
  EXPECT_EQ(RowText(1), "y");
}

TEST_F(ResultList, HoldRecoloursBothListsAndReleaseRestoresThem) {
  engine.Results().HoldList();
  EXPECT_TRUE(engine.Results().IsListHeld());
  EXPECT_EQ(fake.resultList.background, (RgbColour{0, 0, 255}));
  EXPECT_EQ(fake.jobList.textColour, (RgbColour{255, 0, 0}));
  // The holder still works on the list.
  EXPECT_EQ(engine.AddDataToListAndShortCut(Text("while held"), true), 1);
  engine.Results().ReleaseListHold();
  EXPECT_FALSE(engine.Results().IsListHeld());
  EXPECT_EQ(fake.resultList.background, (RgbColour{0, 0, 0}));
  EXPECT_EQ(fake.jobList.textColour, (RgbColour{255, 255, 255}));
}

TEST_F(ResultList, DeletingSelectedRowsSkipsRowZeroAndReservedEntries) {
  AddTexts(3);
  CMyFuncResult reserved = Text("r");
  reserved.reserved = 1;
  engine.AddDataToListAndShortCut(reserved, true);  // entry 4
  engine.Results().SelectAllRows();
  engine.Results().DeleteSelectedRows();
  ASSERT_EQ(EntryCount(), 2);
  EXPECT_EQ(engine.Results().IsShortCutItemReserved(1, true), 1);
  EXPECT_EQ(RowIndex(1), "1");
  EXPECT_TRUE(fake.resultList.GetSelectedRows().empty());
}

TEST_F(ResultList, AddButtonAddsTheChosenPathAsAStringEntry) {
  EXPECT_EQ(engine.AddFilePathEntry(), 0);  // cancelled
  fake.dialogs.fileChosen = true;
  fake.dialogs.chosenFiles = {"/tmp/chosen.bin"};
  EXPECT_EQ(engine.AddFilePathEntry(), 1);
  EXPECT_EQ(RowText(1), "/tmp/chosen.bin");
  EXPECT_EQ(RowType(1), "S");
}

}  // namespace
}  // namespace vpx::test
