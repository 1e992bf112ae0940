// One test suite for every view that can show the result list (the window's, the
// terminal's, the tests' fake): an engine drives the view under test, and after adds,
// loads, deletes and job retirements, also under the hold, the view's rows are exactly the
// entries, in order. Instantiate with a type whose static Make() returns a new view.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/commands/lists/list_file_commands.h"
#include "engine/engine.h"
#include "engine/shortcut_array.h"
#include "engine/thread_dlg.h"
#include "host/sjis.h"
#include "support/fake_ui.h"

namespace vpx::test {

// A job body for the suite: waits until released (or cancelled), then leaves its
// argument as its STRING value.
inline std::atomic<bool>& SuiteJobsMayEnd() {
  static std::atomic<bool> mayEnd{false};
  return mayEnd;
}

template <typename ViewMaker>
class ResultListViewSuite : public ::testing::Test {
 protected:
  // MakeFileCRC(STRING) returns a STRING; its ID carries the suite's job here.
  static constexpr FuncId kJobId = FuncId::MakeFileCRC;

  void SetUp() override {
    view_ = ViewMaker::Make();
    fake_.ui.resultList = view_.get();
    engine_ = std::make_unique<CVorpexEngine>(fake_.ui);
    engine_->Jobs().SetServiceIntervalMs(5);
    ASSERT_EQ(engine_->Start(), 1);
    engine_->Handlers().AddCommand(kJobId, [](ICommandContext& c, FuncId id, CMyFuncData& call) {
      return c.QueueJob(id, call, JobStartFailureTexts{});
    });
    engine_->Handlers().AddJobBody(kJobId, [](CMyThreadDlg& job) {
      while (!SuiteJobsMayEnd().load() && !job.IsCancelled())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      job.TextResult() = job.GetCallData().GetArgText(0);
      return 1;
    });
    SuiteJobsMayEnd() = false;
  }
  void TearDown() override {
    SuiteJobsMayEnd() = true;
    engine_.reset();
    std::remove(listFile_.c_str());
  }

  void Type(const std::string& line) {
    fake_.console.TypeLine(line);
    engine_->ExecuteInputLine();
    fake_.console.TakeOutput();
  }
  template <typename Cond>
  bool PumpUntil(Cond cond) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!cond()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      fake_.queue.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    fake_.queue.Pump();
    return true;
  }
  int Entries() {
    engine_->AcquireListLock();
    const int count = engine_->ShortCutArray().GetCount();
    engine_->ReleaseListLock();
    return count;
  }
  void Select(const std::vector<int>& rows) {
    view_->ClearSelection();
    for (int row : rows) view_->SetRowSelected(row, true);
  }

  // Row i shows entry i: its text (a reserved one its command line), its index, its type
  // letter.
  void ExpectRowsAreTheEntries() {
    ASSERT_TRUE(engine_->AcquireListLock());
    CVXShortCutArray& entries = engine_->ShortCutArray();
    ASSERT_EQ(view_->GetRowCount(), entries.GetCount());
    for (int i = 0; i < entries.GetCount(); ++i) {
      SCOPED_TRACE("row " + std::to_string(i));
      CMyFuncResult record;
      ASSERT_EQ(entries.GetAt(static_cast<uint32_t>(i), record), 1);
      std::string text;
      if (record.reserved != 0) {
        text = record.callData.GetLineText();
      } else {
        ASSERT_EQ(record.GetResultValueText(text), 1);
      }
      EXPECT_EQ(view_->GetCellText(i, 0), text);
      EXPECT_EQ(view_->GetCellText(i, 1), std::to_string(i));
      EXPECT_EQ(view_->GetCellText(i, 2), record.GetTypeLetter());
      // A row keeps the item data it was made with; a reserved row's is its job.
      if (record.reserved != 0) {
        EXPECT_EQ(view_->GetItemData(i), reinterpret_cast<uintptr_t>(record.owner));
      }
    }
    engine_->ReleaseListLock();
  }
  std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    for (int i = 0; i < view_->GetRowCount(); ++i) texts.push_back(view_->GetCellText(i, 0));
    return texts;
  }

  FakeUi fake_;
  std::unique_ptr<IListView> view_;
  std::unique_ptr<CVorpexEngine> engine_;
  std::string listFile_ = "result_list_view_suite.vxl";
};

TYPED_TEST_SUITE_P(ResultListViewSuite);

TYPED_TEST_P(ResultListViewSuite, RowsStayTheEntriesThroughAddsLoadsAndDeletes) {
  for (int i = 1; i <= 6; ++i) this->Type("AddIntToList(" + std::to_string(i * 11) + ")");
  this->Type("AddStrToList(\"seven\")");
  this->ExpectRowsAreTheEntries();
  ASSERT_EQ(SaveShortCutList(*this->engine_, this->listFile_), 1);
  ASSERT_EQ(LoadShortCutList(*this->engine_, this->listFile_), 1);  // entries 8 to 14
  ASSERT_EQ(this->Entries(), 15);
  this->ExpectRowsAreTheEntries();
  // Scattered rows, two of them neighbours, row 0 among them (it stays).
  this->Select({0, 2, 3, 7, 14});
  this->engine_->Results().DeleteSelectedRows();
  EXPECT_THAT(this->Texts(), ::testing::ElementsAre("0", "11", "44", "55", "66", "11", "22", "33",
                                                    "44", "55", "66"));
  EXPECT_TRUE(this->view_->GetSelectedRows().empty());  // a second press deletes nothing
  this->engine_->Results().DeleteSelectedRows();
  EXPECT_EQ(this->Entries(), 11);
  this->ExpectRowsAreTheEntries();
  this->Type("DelList(1)");  // the command removes one entry the same way
  this->Type("DelList(8, 100)");
  EXPECT_THAT(this->Texts(), ::testing::ElementsAre("0", "44", "55", "66", "11", "22", "33", "44"));
  this->ExpectRowsAreTheEntries();
}

TYPED_TEST_P(ResultListViewSuite, SelectAllThenDeleteLeavesEntryZeroAndRunningJobs) {
  this->Type("AddIntToList(5)");
  this->Type("MakeFileCRC(\"job\")");
  ASSERT_TRUE(this->PumpUntil([&] { return this->Entries() == 3; }));
  this->Type("AddStrToList(\"after\")");
  this->engine_->Results().SelectAllRows();
  EXPECT_THAT(this->view_->GetSelectedRows(), ::testing::ElementsAre(0, 1, 2, 3));
  this->engine_->Results().DeleteSelectedRows();
  EXPECT_THAT(this->Texts(), ::testing::ElementsAre("0", "MakeFileCRC(\"job\")"));
  this->ExpectRowsAreTheEntries();
  SuiteJobsMayEnd() = true;
  ASSERT_TRUE(this->PumpUntil([&] { return this->engine_->IsIdle(); }));
  EXPECT_THAT(this->Texts(), ::testing::ElementsAre("0", "job"));
  this->ExpectRowsAreTheEntries();
}

TYPED_TEST_P(ResultListViewSuite, RetirementsUnderTheHoldWaitAndThenFillTheirOwnRows) {
  this->Type("MakeFileCRC(\"first\")");
  ASSERT_TRUE(this->PumpUntil([&] { return this->Entries() == 2; }));
  this->Type("AddIntToList(7)");
  this->Type("MakeFileCRC(\"second\")");
  ASSERT_TRUE(this->PumpUntil([&] { return this->Entries() == 4; }));
  this->ExpectRowsAreTheEntries();
  this->engine_->Results().HoldList();
  SuiteJobsMayEnd() = true;
  // Under the hold the ended jobs keep their reserved rows; the user's own changes go on.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  this->fake_.queue.Pump();
  this->Select({2});
  this->engine_->Results().DeleteSelectedRows();
  this->ExpectRowsAreTheEntries();
  EXPECT_THAT(this->Texts(),
              ::testing::ElementsAre("0", "MakeFileCRC(\"first\")", "MakeFileCRC(\"second\")"));
  EXPECT_FALSE(this->engine_->IsIdle());
  this->engine_->Results().ReleaseListHold();
  ASSERT_TRUE(this->PumpUntil([&] { return this->engine_->IsIdle(); }));
  EXPECT_THAT(this->Texts(), ::testing::ElementsAre("0", "first", "second"));
  this->ExpectRowsAreTheEntries();
}

REGISTER_TYPED_TEST_SUITE_P(ResultListViewSuite, RowsStayTheEntriesThroughAddsLoadsAndDeletes,
                            SelectAllThenDeleteLeavesEntryZeroAndRunningJobs,
                            RetirementsUnderTheHoldWaitAndThenFillTheirOwnRows);

}  // namespace vpx::test
