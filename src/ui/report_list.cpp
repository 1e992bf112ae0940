#include "ui/report_list.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>
#include <set>

#include "host/sjis.h"
#include "host/trace_log.h"
#include "ui/qt_text.h"
#include "ui/widget_style.h"

namespace vpx::ui {
namespace {

// Puts the elapsed time of the row before column 0's text.
class ElapsedDelegate : public QStyledItemDelegate {
 public:
  explicit ElapsedDelegate(CReportList* list) : QStyledItemDelegate(list), list_(list) {}

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() == 0) option->text = list_->ElapsedPrefix(index.row()) + option->text;
  }

 private:
  CReportList* list_;
};

QColor ToQColor(RgbColour c) {
  return QColor(c.r, c.g, c.b);
}

}  // namespace

namespace {

std::vector<QString> Headings(const std::vector<ReportColumn>& columns) {
  std::vector<QString> headings;
  for (const ReportColumn& c : columns) headings.push_back(c.heading);
  return headings;
}

std::vector<Qt::Alignment> Alignments(const std::vector<ReportColumn>& columns) {
  std::vector<Qt::Alignment> alignments;
  for (const ReportColumn& c : columns) alignments.push_back(c.alignment);
  return alignments;
}

void TraceUnshownText() {
  // Shown with its bytes escaped; the row keeps the bytes themselves.
  WriteTrace(SJ("※　Shift-JIS として表示できない項目です。CReportList::SetCellText()\n"));
}

}  // namespace

CReportList::CReportList(const std::vector<ReportColumn>& columns,
                         const std::vector<int>& visualOrder, QWidget* parent)
    : QTreeView(parent),
      columns_(columns),
      model_(new ReportModel(Headings(columns), Alignments(columns), this)) {
  setModel(model_);
  setFont(ConsoleFont());
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  for (int i = 0; i < model_->columnCount(); ++i) setColumnWidth(i, columns_[i].width);
  for (int visual = 0; visual < static_cast<int>(visualOrder.size()); ++visual) {
    header()->moveSection(header()->visualIndex(visualOrder[visual]), visual);
  }
  SetColours({0, 0, 0}, {255, 255, 255});
}

int CReportList::GetRowCount() {
  return model_->Count();
}

int CReportList::InsertRow(int pos, const std::string& text) {
  bool converted = true;
  const int landed = model_->Insert(pos, text, converted);
  if (!converted) TraceUnshownText();
  return landed;
}

bool CReportList::SetCellText(int row, int column, const std::string& text) {
  bool converted = true;
  if (!model_->SetCell(row, column, text, converted)) return false;
  if (!converted) TraceUnshownText();
  return true;
}

std::string CReportList::GetCellText(int row, int column) {
  return model_->Cell(row, column);
}

bool CReportList::SetItemData(int row, uintptr_t data) {
  if (!model_->SetData(row, data)) return false;
  if (showElapsed_ && started_.count(data) == 0) started_[data].start();
  ForgetUnusedStartTimes();
  return true;
}

uintptr_t CReportList::GetItemData(int row) {
  return model_->Data(row);
}

bool CReportList::DeleteRow(int row) {
  if (!model_->Valid(row)) return false;
  return DeleteRows({row});
}

bool CReportList::DeleteRows(const std::vector<int>& rows) {
  for (int row : rows)
    if (!model_->Valid(row)) return false;
  // A reset (many scattered rows) would move the view back to the top.
  const int scrolled = verticalScrollBar()->value();
  model_->Remove(rows);
  verticalScrollBar()->setValue(scrolled);
  ForgetUnusedStartTimes();
  return true;
}

void CReportList::NumberRows(int column, int first) {
  model_->Number(column, first);
}

bool CReportList::DeleteAllRows() {
  model_->Clear();
  started_.clear();
  stopped_.clear();
  return true;
}

std::vector<int> CReportList::GetSelectedRows() {
  std::vector<int> rows;
  for (const QItemSelectionRange& range : selectionModel()->selection()) {
    for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

void CReportList::SetRowSelected(int row, bool selected) {
  if (!model_->Valid(row)) return;
  selectionModel()->select(model_->index(row, 0), (selected ? QItemSelectionModel::Select
                                                            : QItemSelectionModel::Deselect) |
                                                      QItemSelectionModel::Rows);
}

void CReportList::SelectAllRows() {
  if (model_->Count() == 0) return;
  const QItemSelection all(model_->index(0, 0),
                           model_->index(model_->Count() - 1, model_->columnCount() - 1));
  selectionModel()->select(all, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void CReportList::ClearSelection() {
  selectionModel()->clearSelection();
}

void CReportList::EditFirstSelectedRow() {
  const std::vector<int> rows = GetSelectedRows();
  if (!rows.empty()) edit(model_->index(rows.front(), 0));
}

void CReportList::ScrollToRow(int row) {
  if (model_->Valid(row)) scrollTo(model_->index(row, 0));
}

void CReportList::SetColours(RgbColour background, RgbColour text) {
  QPalette p = palette();
  for (QPalette::ColorRole role : {QPalette::Base, QPalette::AlternateBase, QPalette::Window}) {
    p.setColor(role, ToQColor(background));
  }
  p.setColor(QPalette::Text, ToQColor(text));
  p.setColor(QPalette::WindowText, ToQColor(text));
  setPalette(p);
  viewport()->update();
}

void CReportList::ShowElapsedTime() {
  showElapsed_ = true;
  setItemDelegate(new ElapsedDelegate(this));
  connect(&tick_, &QTimer::timeout, this, [this] {
    if (model_->Count() > 0) viewport()->update();
  });
  tick_.start(1000);
}

QString CReportList::ElapsedPrefix(int row) const {
  if (!showElapsed_) return QString();
  if (!model_->Valid(row)) return QString();
  const uintptr_t data = model_->Data(row);
  auto it = started_.find(data);
  if (it == started_.end()) return QString();
  auto stop = stopped_.find(data);
  const qint64 s = (stop != stopped_.end() ? stop->second.elapsedMs : it->second.elapsed()) / 1000;
  const QString mark = stop != stopped_.end() ? stop->second.mark : QString();
  const int percent = percent_ ? percent_(data) : -1;
  const QString done = percent >= 0 ? QString::asprintf("%d%% ", percent) : QString();
  if (s >= 3600) {
    return mark + QString::asprintf("%lld:%02lld:%02lld ", s / 3600, (s / 60) % 60, s % 60) + done;
  }
  return mark + QString::asprintf("%lld:%02lld ", s / 60, s % 60) + done;
}

void CReportList::StopElapsedTime(uintptr_t data, const QString& mark) {
  auto it = started_.find(data);
  if (it == started_.end() || stopped_.count(data) != 0) return;
  stopped_[data] = Stopped{it->second.elapsed(), mark};
  viewport()->update();
}

void CReportList::FitFirstColumn() {
  int others = 0;
  for (int i = 1; i < model_->columnCount(); ++i) others += columnWidth(i);
  setColumnWidth(0, std::max(0, viewport()->width() - others));
}

void CReportList::resizeEvent(QResizeEvent* e) {
  QTreeView::resizeEvent(e);
  FitFirstColumn();
}

void CReportList::contextMenuEvent(QContextMenuEvent* e) {
  emit contextMenuRequested(e->globalPos());
}

void CReportList::keyPressEvent(QKeyEvent* e) {
  if (e->matches(QKeySequence::Copy)) {
    emit copyRequested();
    return;
  }
  if (e->key() == Qt::Key_Delete && e->modifiers() == Qt::NoModifier) {
    emit deleteRequested();
    return;
  }
  QTreeView::keyPressEvent(e);
}

void CReportList::ForgetUnusedStartTimes() {
  if (!showElapsed_) return;
  std::set<uintptr_t> held;
  for (int i = 0; i < model_->Count(); ++i) held.insert(model_->Data(i));
  std::erase_if(started_, [&held](const auto& entry) { return held.count(entry.first) == 0; });
  std::erase_if(stopped_, [&held](const auto& entry) { return held.count(entry.first) == 0; });
}

}  // namespace vpx::ui
