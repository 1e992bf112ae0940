// ReportModel: the rows of a report list as a table model. Each row keeps its cells as the
// engine's Shift-JIS bytes and one item-data word; the texts shown are made only for the
// rows a view draws. Bulk removal and renumbering touch each row once.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "host/ui_host.h"

namespace vpx::ui {

class ReportModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  static constexpr int kMaxColumns = 3;
  ReportModel(std::vector<QString> headings, std::vector<Qt::Alignment> alignments,
              QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  int Count() const { return static_cast<int>(rows_.size()); }
  bool Valid(int row) const { return row >= 0 && row < Count(); }
  // Inserts a row at pos (clamped to the ends) with column 0 set; where it landed.
  // converted as for SetCell.
  int Insert(int pos, const std::string& text, bool& converted);
  // False for a row or column out of range. converted tells whether the bytes were
  // Shift-JIS that could be shown as they are.
  bool SetCell(int row, int column, const std::string& text, bool& converted);
  const std::string& Cell(int row, int column) const;
  // The cell as shown: its bytes as text, escaped where they are not Shift-JIS.
  QString Shown(int row, int column) const;
  bool SetData(int row, uintptr_t data);
  uintptr_t Data(int row) const { return Valid(row) ? rows_[row].data : 0; }
  // Removes the rows (ascending, no repeats, in range).
  void Remove(const std::vector<int>& rows);
  void Clear();
  // Sets column to each row's position for rows from first on. The texts are written when
  // first needed, so removals one after the other renumber the rows once.
  void Number(int column, int first);
  // Column 0 shows the whole text as its tooltip.
  void SetToolTips(bool on) { toolTips_ = on; }

 private:
  struct Row {
    std::array<std::string, kMaxColumns> raw;
    uintptr_t data = 0;
  };
  // Above this many separate runs of rows a removal resets the model instead of
  // announcing each run.
  static constexpr size_t kMaxAnnouncedRuns = 32;

  std::vector<QString> headings_;
  std::vector<Qt::Alignment> alignments_;
  // Writes the positions Number left to write.
  void WritePendingNumbers() const;

  // Rows and the numbering still to write change when cells are read (logically const).
  mutable std::vector<Row> rows_;
  static constexpr int kNothingPending = -1;
  mutable int pendingColumn_ = kNothingPending;
  mutable int pendingFirst_ = 0;
  bool toolTips_ = false;
};

}  // namespace vpx::ui
