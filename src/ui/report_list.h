// A report-style list view (the result list and the running-job list): columns shown in
// their own visual order, whole-row selection, colours for the hold state, the engine's
// IListView. The rows live in a ReportModel and are drawn on demand, so long lists cost
// only what is shown; selecting all and removing many rows work on ranges.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/ui_host.h"
#include "ui/report_model.h"

namespace vpx::ui {

struct ReportColumn {
  QString heading;
  Qt::Alignment alignment;
  int width;  // pixels; column 0 takes what the others leave
};

class CReportList : public QTreeView, public IListView {
  Q_OBJECT
 public:
  // columns in creation order; visualOrder lists them as shown, by creation index.
  CReportList(const std::vector<ReportColumn>& columns, const std::vector<int>& visualOrder,
              QWidget* parent = nullptr);

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
  void NumberRows(int column, int first) override;
  void SelectAllRows() override;
  void ClearSelection() override;

  ReportModel* Rows() const { return model_; }
  QModelIndex RowIndex(int row) const { return model_->index(row, 0); }
  // Opens column 0's editor on the first selected row, if any.
  void EditFirstSelectedRow();
  void ScrollToRow(int row);

  // Shows in column 0, before the text, how long each row's item has been in the list,
  // updated every second (the running-job list).
  void ShowElapsedTime();
  // After the elapsed time, the percentage percent(item data) gives for the row, none when
  // it gives a negative value; refreshed with the time.
  void ShowPercentages(std::function<int(uintptr_t)> percent) { percent_ = std::move(percent); }
  // "m:ss " (or "h:mm:ss ") for the row, with "45% " after it when the row's item reports
  // it; empty when elapsed time is not shown.
  QString ElapsedPrefix(int row) const;
  // The item's time stops where it is, and mark is shown before it (a cancelled job).
  void StopElapsedTime(uintptr_t data, const QString& mark);
  // Column 0 takes the client width the other columns leave.
  void FitFirstColumn();
  // Column 0's whole text also as the row's tooltip (names cut by a narrow list).
  void ShowTextAsToolTip() { model_->SetToolTips(true); }

 signals:
  void contextMenuRequested(const QPoint& globalPos);
  // Ctrl+C in the list.
  void copyRequested();
  // The Delete key in the list.
  void deleteRequested();

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void ForgetUnusedStartTimes();

  std::vector<ReportColumn> columns_;
  ReportModel* model_;
  bool showElapsed_ = false;
  std::function<int(uintptr_t)> percent_;
  QTimer tick_;
  // Start of each item-data value still held by a row; rows that move keep their start.
  std::map<uintptr_t, QElapsedTimer> started_;
  struct Stopped {
    qint64 elapsedMs;
    QString mark;
  };
  std::map<uintptr_t, Stopped> stopped_;
};

}  // namespace vpx::ui
