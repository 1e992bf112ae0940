// MemoryListView: a list view without a window for the terminal front end, which shows no
// list: rows with their cells, item data and selection, kept in memory.
#pragma once

#include <string>
#include <vector>

#include "host/ui_host.h"

namespace vpx::cli {

class MemoryListView : public IListView {
 public:
  int GetRowCount() override;
  int InsertRow(int pos, const std::string& text) override;
  bool SetCellText(int row, int column, const std::string& text) override;
  std::string GetCellText(int row, int column) override;
  bool SetItemData(int row, uintptr_t data) override;
  uintptr_t GetItemData(int row) override;
  bool DeleteRow(int row) override;
  bool DeleteAllRows() override;
  std::vector<int> GetSelectedRows() override;
  void SetRowSelected(int row, bool selected) override;
  void SetColours(RgbColour background, RgbColour text) override;
  bool DeleteRows(const std::vector<int>& rows) override;

 private:
  struct Row {
    std::vector<std::string> cells;
    uintptr_t data = 0;
    bool selected = false;
  };
  bool Valid(int row) const { return row >= 0 && row < static_cast<int>(rows_.size()); }

  std::vector<Row> rows_;
};

}  // namespace vpx::cli
