// The window's report list: the shared result-list view suite, its model-backed rows
// (ranges for select all and deletion, texts rendered from the engine's bytes), and the
// Delete key of the result list doing what the DEL button does.
#include "ui/report_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QPushButton>
#include <QScrollBar>
#include <filesystem>
#include <string>

#include "engine/engine.h"
#include "host/sjis.h"
#include "host/trace_log.h"
#include "language/func_catalogue.h"
#include "support/result_list_view_suite.h"
#include "ui/main_frame.h"
#include "ui/ui_test_app.h"
#include "ui/vorpex_view.h"

namespace vpx::ui {
namespace {

std::vector<ReportColumn> Columns() {
  return {{QStringLiteral("text"), Qt::AlignLeft | Qt::AlignVCenter, 100},
          {QStringLiteral("Index"), Qt::AlignCenter, 40},
          {QStringLiteral("型"), Qt::AlignCenter, 20}};
}

struct ReportListMaker {
  static std::unique_ptr<IListView> Make() {
    test::App();
    auto list = std::make_unique<CReportList>(Columns(), std::vector<int>{1, 2, 0});
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    return list;
  }
};

}  // namespace
}  // namespace vpx::ui

namespace vpx::test {
INSTANTIATE_TYPED_TEST_SUITE_P(WindowView, ResultListViewSuite, vpx::ui::ReportListMaker);
}  // namespace vpx::test

namespace vpx::ui {
namespace {

class ReportListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::App();
    list_ = std::make_unique<CReportList>(Columns(), std::vector<int>{1, 2, 0});
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  }
  void Fill(int rows) {
    for (int i = 0; i < rows; ++i) {
      ASSERT_EQ(list_->InsertRow(i, "r" + std::to_string(i)), i);
      list_->SetCellText(i, 1, std::to_string(i));
      list_->SetItemData(i, static_cast<uintptr_t>(1000 + i));
    }
  }
  std::unique_ptr<CReportList> list_;
};

TEST_F(ReportListTest, SelectAllIsOneRangeOverEveryRow) {
  Fill(5000);
  list_->SelectAllRows();
  EXPECT_EQ(list_->selectionModel()->selection().size(), 1);
  const std::vector<int> rows = list_->GetSelectedRows();
  ASSERT_EQ(rows.size(), 5000u);
  EXPECT_EQ(rows.front(), 0);
  EXPECT_EQ(rows.back(), 4999);
  list_->ClearSelection();
  EXPECT_TRUE(list_->GetSelectedRows().empty());
}

TEST_F(ReportListTest, DeletingScatteredRowsKeepsTheRestWithTheirDataAndScroll) {
  Fill(400);
  list_->resize(200, 300);
  list_->scrollTo(list_->RowIndex(200), QAbstractItemView::PositionAtTop);
  const int scrolled = list_->verticalScrollBar()->value();
  ASSERT_GT(scrolled, 0);
  // Every third row from 3 up: far more separate runs than are announced one by one.
  std::vector<int> removed;
  for (int row = 3; row < 400; row += 3) removed.push_back(row);
  ASSERT_TRUE(list_->DeleteRows(removed));
  list_->NumberRows(1, removed.front());
  ASSERT_EQ(list_->GetRowCount(), 400 - static_cast<int>(removed.size()));
  EXPECT_EQ(list_->GetCellText(3, 0), "r4");
  EXPECT_EQ(list_->GetCellText(3, 1), "3");
  EXPECT_EQ(list_->GetItemData(3), 1004u);
  EXPECT_EQ(list_->GetCellText(list_->GetRowCount() - 1, 0), "r398");
  EXPECT_EQ(list_->verticalScrollBar()->value(), scrolled);
  // A few neighbours go as one range each.
  ASSERT_TRUE(list_->DeleteRows({1, 2}));
  EXPECT_EQ(list_->GetCellText(1, 0), "r4");
  EXPECT_FALSE(list_->DeleteRows({0, 100000}));  // a row that is not there: nothing goes
  EXPECT_EQ(list_->GetCellText(0, 0), "r0");
}

TEST_F(ReportListTest, RowsRemovedOneAtATimeShowTheirNewPositions) {
  Fill(10);
  // As DelList removes a range: highest first, renumbering after each.
  for (int row : {7, 5, 2}) {
    ASSERT_TRUE(list_->DeleteRow(row));
    list_->NumberRows(1, row);
  }
  std::vector<std::string> texts, numbers;
  for (int r = 0; r < list_->GetRowCount(); ++r) {
    texts.push_back(list_->GetCellText(r, 0));
    numbers.push_back(list_->RowIndex(r).siblingAtColumn(1).data().toString().toStdString());
  }
  EXPECT_THAT(texts, ::testing::ElementsAre("r0", "r1", "r3", "r4", "r6", "r8", "r9"));
  EXPECT_THAT(numbers, ::testing::ElementsAre("0", "1", "2", "3", "4", "5", "6"));
  // A new row after them takes the next position.
  ASSERT_EQ(list_->InsertRow(7, "new"), 7);
  list_->SetCellText(7, 1, "7");
  EXPECT_EQ(list_->GetCellText(6, 1), "6");
}

TEST_F(ReportListTest, RowsShowTheTextsOfTheEngineBytesAndKeepTheBytes) {
  Fill(1);
  const std::string sjis = SJ("結果");
  ASSERT_TRUE(list_->SetCellText(0, 0, sjis));
  const QModelIndex cell = list_->RowIndex(0);
  EXPECT_EQ(cell.data(Qt::DisplayRole).toString(), QStringLiteral("結果"));
  EXPECT_EQ(list_->GetCellText(0, 0), sjis);
  EXPECT_EQ(cell.siblingAtColumn(1).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
            Qt::AlignCenter);
  EXPECT_FALSE(list_->SetCellText(0, 3, "x"));  // no such column
  EXPECT_FALSE(list_->SetCellText(1, 0, "x"));  // no such row
}

TEST_F(ReportListTest, DeleteKeyAsksForDeletionAndCtrlCForCopying) {
  int deletes = 0;
  int copies = 0;
  QObject::connect(list_.get(), &CReportList::deleteRequested, [&] { ++deletes; });
  QObject::connect(list_.get(), &CReportList::copyRequested, [&] { ++copies; });
  test::PressKey(list_.get(), Qt::Key_Delete);
  test::PressKey(list_.get(), Qt::Key_C, Qt::ControlModifier);
  test::PressKey(list_.get(), Qt::Key_Delete, Qt::ShiftModifier);  // not the Delete key alone
  EXPECT_EQ(deletes, 1);
  EXPECT_EQ(copies, 1);
}

class ResultListKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::App();
    trace_ = std::filesystem::temp_directory_path() /
             ("vorpex_report_list_test_trace_" + std::to_string(getpid()) + ".txt");
    InitTraceLog(trace_.string());
    frame_ = std::make_unique<CMainFrame>();
    frame_->show();
    ASSERT_TRUE(frame_->Initialise());
    view_ = frame_->View();
  }
  void TearDown() override {
    frame_.reset();
    std::filesystem::remove(trace_);
  }
  void AddEntries(int count) {
    for (int i = 1; i <= count; ++i) {
      CMyFuncResult record;
      record.type = kRetString;
      record.text = "e" + std::to_string(i);
      ASSERT_EQ(view_->Engine()->AddDataToListAndShortCut(record, true), i);
    }
  }

  std::filesystem::path trace_;
  std::unique_ptr<CMainFrame> frame_;
  CVorpexView* view_ = nullptr;
};

TEST_F(ResultListKeysTest, DeleteKeyRemovesTheSelectedRowsButNotEntryZeroAndClearsTheSelection) {
  AddEntries(4);
  CReportList* results = view_->ResultList();
  results->SetRowSelected(0, true);
  results->SetRowSelected(2, true);
  results->SetRowSelected(3, true);
  test::PressKey(results, Qt::Key_Delete);
  ASSERT_EQ(results->GetRowCount(), 3);
  EXPECT_EQ(results->GetCellText(0, 0), "0");
  EXPECT_EQ(results->GetCellText(1, 0), "e1");
  EXPECT_EQ(results->GetCellText(2, 0), "e4");
  EXPECT_EQ(results->GetCellText(2, 1), "2");
  EXPECT_TRUE(results->GetSelectedRows().empty());
  // A second press has nothing selected and deletes nothing.
  test::PressKey(results, Qt::Key_Delete);
  EXPECT_EQ(results->GetRowCount(), 3);
}

}  // namespace
}  // namespace vpx::ui
