#include "cli/memory_list_view.h"

#include <utility>

namespace vpx::cli {

int MemoryListView::GetRowCount() {
  return static_cast<int>(rows_.size());
}

int MemoryListView::InsertRow(int pos, const std::string& text) {
  if (pos < 0) return -1;
  if (pos > static_cast<int>(rows_.size())) pos = static_cast<int>(rows_.size());
  Row row;
  row.cells.push_back(text);
  rows_.insert(rows_.begin() + pos, std::move(row));
  return pos;
}

bool MemoryListView::SetCellText(int row, int column, const std::string& text) {
  if (!Valid(row) || column < 0) return false;
  auto& cells = rows_[row].cells;
  if (static_cast<int>(cells.size()) <= column) cells.resize(column + 1);
  cells[column] = text;
  return true;
}

std::string MemoryListView::GetCellText(int row, int column) {
  if (!Valid(row) || column < 0 || column >= static_cast<int>(rows_[row].cells.size())) return {};
  return rows_[row].cells[column];
}

bool MemoryListView::SetItemData(int row, uintptr_t data) {
  if (!Valid(row)) return false;
  rows_[row].data = data;
  return true;
}

uintptr_t MemoryListView::GetItemData(int row) {
  return Valid(row) ? rows_[row].data : 0;
}

bool MemoryListView::DeleteRow(int row) {
  if (!Valid(row)) return false;
  rows_.erase(rows_.begin() + row);
  return true;
}

bool MemoryListView::DeleteRows(const std::vector<int>& rows) {
  for (int row : rows)
    if (!Valid(row)) return false;
  if (rows.empty()) return true;
  EraseSortedPositions(rows_, rows);
  return true;
}

bool MemoryListView::DeleteAllRows() {
  rows_.clear();
  return true;
}

std::vector<int> MemoryListView::GetSelectedRows() {
  std::vector<int> selected;
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].selected) selected.push_back(static_cast<int>(i));
  return selected;
}

void MemoryListView::SetRowSelected(int row, bool selected) {
  if (Valid(row)) rows_[row].selected = selected;
}

void MemoryListView::SetColours(RgbColour, RgbColour) {}

}  // namespace vpx::cli
