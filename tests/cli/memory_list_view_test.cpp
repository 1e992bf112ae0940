// The terminal's list view: the shared result-list view suite, and its own row operations.
#include "cli/memory_list_view.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/result_list_view_suite.h"

namespace vpx::test {
namespace {

struct MemoryViewMaker {
  static std::unique_ptr<IListView> Make() { return std::make_unique<cli::MemoryListView>(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(MemoryView, ResultListViewSuite, MemoryViewMaker);

std::vector<std::string> Column(IListView& view, int column) {
  std::vector<std::string> cells;
  for (int row = 0; row < view.GetRowCount(); ++row) cells.push_back(view.GetCellText(row, column));
  return cells;
}

TEST(MemoryListView, InsertClampsToTheEndsAndRefusesNegativePositions) {
  cli::MemoryListView view;
  EXPECT_EQ(view.InsertRow(5, "a"), 0);
  EXPECT_EQ(view.InsertRow(0, "b"), 0);
  EXPECT_EQ(view.InsertRow(9, "c"), 2);
  EXPECT_EQ(view.InsertRow(-1, "d"), -1);
  EXPECT_THAT(Column(view, 0), ::testing::ElementsAre("b", "a", "c"));
  EXPECT_FALSE(view.SetCellText(3, 0, "x"));
  EXPECT_EQ(view.GetCellText(0, 7), "");
}

TEST(MemoryListView, DeletingRowsKeepsTheOthersInOrderWithTheirDataAndSelection) {
  cli::MemoryListView view;
  for (int i = 0; i < 8; ++i) {
    view.InsertRow(i, std::string(1, static_cast<char>('a' + i)));
    view.SetItemData(i, static_cast<uintptr_t>(100 + i));
  }
  view.SetRowSelected(6, true);
  ASSERT_TRUE(view.DeleteRows({0, 2, 3, 7}));
  EXPECT_THAT(Column(view, 0), ::testing::ElementsAre("b", "e", "f", "g"));
  EXPECT_EQ(view.GetItemData(1), 104u);
  EXPECT_THAT(view.GetSelectedRows(), ::testing::ElementsAre(3));
  view.NumberRows(1, 1);
  EXPECT_THAT(Column(view, 1), ::testing::ElementsAre("", "1", "2", "3"));
  EXPECT_FALSE(view.DeleteRows({2, 4}));  // row 4 is not there: nothing is removed
  EXPECT_EQ(view.GetRowCount(), 4);
  view.SelectAllRows();
  EXPECT_THAT(view.GetSelectedRows(), ::testing::ElementsAre(0, 1, 2, 3));
  view.ClearSelection();
  EXPECT_TRUE(view.GetSelectedRows().empty());
}

}  // namespace
}  // namespace vpx::test
