// ResultList on its own, on a recording view: deleting a scattered selection in one pass,
// the reservations of jobs, and the hold with what it tells its owner.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/gui_bridge.h"
#include "engine/result_list.h"
#include "host/sjis.h"
#include "language/func_catalogue.h"
#include "support/fake_ui.h"

namespace vpx::test {
namespace {

CMyFuncResult Text(const std::string& text) {
  CMyFuncResult record;
  record.type = kRetString;
  record.text = text;
  return record;
}

class ResultListAlone : public ::testing::Test {
 protected:
  ResultListAlone()
      : bridge_(&fake_.queue),
        list_(bridge_, &fake_.resultList,
              ResultList::Sinks{[this](const std::string& t) { echoed_.push_back(t); },
                                [this](const std::string& t) { boxes_.push_back(t); },
                                [this](bool held) { holds_.push_back(held); }}) {}

  // Entries "e0" to "e<n-1>".
  void Fill(int n) {
    for (int i = 0; i < n; ++i)
      ASSERT_EQ(list_.AddDataToListAndShortCut(Text("e" + std::to_string(i)), true), i);
  }
  std::vector<std::string> Column(int column) {
    std::vector<std::string> cells;
    for (int r = 0; r < fake_.resultList.GetRowCount(); ++r)
      cells.push_back(fake_.resultList.GetCellText(r, column));
    return cells;
  }
  std::vector<std::string> EntryTexts() {
    std::vector<std::string> texts;
    for (int i = 0; i < list_.Entries().GetCount(); ++i) {
      CMyFuncResult record;
      list_.Entries().GetAt(static_cast<uint32_t>(i), record);
      texts.push_back(record.reserved != 0 ? "reserved" : record.text);
    }
    return texts;
  }

  FakeUi fake_;
  GuiBridge bridge_;
  std::vector<std::string> echoed_, boxes_;
  std::vector<bool> holds_;
  ResultList list_;
};

TEST_F(ResultListAlone, DeletingAScatteredSelectionRemovesEntriesAndRowsTogether) {
  Fill(10);
  CMyFuncResult reserved = Text("");
  reserved.reserved = 1;
  reserved.owner = reinterpret_cast<CMyThreadDlg*>(0x50);
  reserved.callData.SetLineText("Job()");
  ASSERT_EQ(list_.AddDataToListAndShortCut(reserved, true), 10);
  for (int row : {0, 2, 3, 5, 9, 10}) fake_.resultList.SetRowSelected(row, true);
  list_.DeleteSelectedRows();
  // Row 0 and the reserved entry stay; rows 2, 3, 5 and 9 go.
  EXPECT_THAT(EntryTexts(), ::testing::ElementsAre("e0", "e1", "e4", "e6", "e7", "e8", "reserved"));
  EXPECT_THAT(Column(0), ::testing::ElementsAre("e0", "e1", "e4", "e6", "e7", "e8", "Job()"));
  EXPECT_THAT(Column(1), ::testing::ElementsAre("0", "1", "2", "3", "4", "5", "6"));
  EXPECT_EQ(fake_.resultList.GetItemData(6), 0x50u);
  EXPECT_TRUE(fake_.resultList.GetSelectedRows().empty());
  // New rows land after the last one.
  EXPECT_EQ(list_.AddDataToListAndShortCut(Text("new"), true), 7);
  EXPECT_EQ(fake_.resultList.GetCellText(7, 1), "7");
}

TEST_F(ResultListAlone, DeletingWhileRowsAndEntriesDifferRemovesNothing) {
  Fill(3);
  fake_.resultList.InsertRow(3, "stray");
  fake_.resultList.SetRowSelected(1, true);
  list_.DeleteSelectedRows();
  EXPECT_EQ(list_.Entries().GetCount(), 3);
  EXPECT_EQ(fake_.resultList.GetRowCount(), 4);
  // The next store of entry 0 rebuilds both.
  EXPECT_EQ(list_.SetResultToListAndShortCut(Text("z"), true), 1);
  EXPECT_EQ(fake_.resultList.GetRowCount(), 1);
  EXPECT_EQ(list_.Entries().GetCount(), 1);
}

TEST_F(ResultListAlone, SelectAllSelectsEveryRow) {
  Fill(4);
  list_.SelectAllRows();
  EXPECT_THAT(fake_.resultList.GetSelectedRows(), ::testing::ElementsAre(0, 1, 2, 3));
}

TEST_F(ResultListAlone, ReservationIsFilledByItsOwnerOnly) {
  Fill(1);
  auto* owner = reinterpret_cast<CMyThreadDlg*>(0x70);
  CMyFuncResult reserved = Text("");
  reserved.reserved = 1;
  reserved.owner = owner;
  reserved.callData.SetLineText("Long()");
  EXPECT_EQ(list_.AddReservation(reserved), 2);
  EXPECT_EQ(fake_.resultList.GetCellText(1, 0), "Long()");
  CMyFuncResult result = Text("value");
  EXPECT_EQ(list_.FillReservation(reinterpret_cast<CMyThreadDlg*>(0x71), 1, result, true),
            ResultList::kNoReservation);
  EXPECT_EQ(list_.FillReservation(owner, 1, result, true), 1);
  EXPECT_EQ(fake_.resultList.GetCellText(1, 0), "value");
  EXPECT_EQ(list_.IsShortCutItemReserved(1, true), 0);
  // Filled once: the owner has nothing reserved any more.
  EXPECT_EQ(list_.FillReservation(owner, 1, result, true), ResultList::kNoReservation);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(ResultListAlone, HoldTellsItsOwnerAndIsReleasedOnce) {
  list_.HoldList();
  EXPECT_TRUE(list_.IsListHeld());
  list_.HoldList();  // held already: nothing changes
  EXPECT_TRUE(list_.IsListHeld());
  list_.ReleaseListHold();
  EXPECT_FALSE(list_.IsListHeld());
  EXPECT_THAT(holds_, ::testing::ElementsAre(true, true, false));
  // The lock is free again: another thread gets it.
  bool had = false;
  std::thread other([&] {
    had = list_.AcquireLock();
    if (had) list_.ReleaseLock();
  });
  other.join();
  EXPECT_TRUE(had);
}

}  // namespace
}  // namespace vpx::test
