#include "ui/report_list.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyledItemDelegate>
#include <algorithm>
#include <set>

#include "host/sjis.h"
#include "host/trace_log.h"
#include "ui/qt_text.h"
#include "ui/widget_style.h"

namespace vpx::ui {
namespace {

constexpr int kRawRole = Qt::UserRole + 1;  // the engine's Shift-JIS bytes of a cell
constexpr int kDataRole = Qt::UserRole;     // the row's item data (column 0)

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

CReportList::CReportList(const std::vector<ReportColumn>& columns,
                         const std::vector<int>& visualOrder, QWidget* parent)
    : QTreeWidget(parent), columns_(columns) {
  setFont(ConsoleFont());
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setColumnCount(static_cast<int>(columns_.size()));
  QStringList headings;
  for (const ReportColumn& c : columns_) headings << c.heading;
  setHeaderLabels(headings);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  for (int i = 0; i < columnCount(); ++i) {
    setColumnWidth(i, columns_[i].width);
    headerItem()->setTextAlignment(i, columns_[i].alignment);
  }
  for (int visual = 0; visual < static_cast<int>(visualOrder.size()); ++visual) {
    header()->moveSection(header()->visualIndex(visualOrder[visual]), visual);
  }
  SetColours({0, 0, 0}, {255, 255, 255});
}

int CReportList::GetRowCount() {
  return topLevelItemCount();
}

int CReportList::InsertRow(int pos, const std::string& text) {
  const int landed = std::clamp(pos, 0, topLevelItemCount());
  auto* item = new QTreeWidgetItem;
  for (int i = 0; i < columnCount(); ++i) item->setTextAlignment(i, columns_[i].alignment);
  insertTopLevelItem(landed, item);
  if (!SetCellText(landed, 0, text)) {
    delete takeTopLevelItem(landed);
    return -1;
  }
  return landed;
}

bool CReportList::SetCellText(int row, int column, const std::string& text) {
  QTreeWidgetItem* item = topLevelItem(row);
  if (item == nullptr || column < 0 || column >= columnCount()) return false;
  QString shown;
  if (!SjisToQt(text, shown)) {
    // Shown with its bytes escaped; the row keeps the bytes themselves.
    WriteTrace(SJ("※　Shift-JIS として表示できない項目です。CReportList::SetCellText()\n"));
  }
  item->setText(column, shown);
  if (column == 0 && textToolTips_) item->setToolTip(0, shown);
  item->setData(column, kRawRole, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
  return true;
}

std::string CReportList::GetCellText(int row, int column) {
  QTreeWidgetItem* item = topLevelItem(row);
  if (item == nullptr || column < 0 || column >= columnCount()) return std::string();
  return item->data(column, kRawRole).toByteArray().toStdString();
}

bool CReportList::SetItemData(int row, uintptr_t data) {
  QTreeWidgetItem* item = topLevelItem(row);
  if (item == nullptr) return false;
  item->setData(0, kDataRole, QVariant::fromValue<quint64>(data));
  if (showElapsed_ && started_.count(data) == 0) started_[data].start();
  ForgetUnusedStartTimes();
  return true;
}

uintptr_t CReportList::GetItemData(int row) {
  QTreeWidgetItem* item = topLevelItem(row);
  return item == nullptr ? 0 : static_cast<uintptr_t>(item->data(0, kDataRole).toULongLong());
}

bool CReportList::DeleteRow(int row) {
  QTreeWidgetItem* item = takeTopLevelItem(row);
  if (item == nullptr) return false;
  delete item;
  ForgetUnusedStartTimes();
  return true;
}

bool CReportList::DeleteAllRows() {
  clear();
  started_.clear();
  stopped_.clear();
  return true;
}

std::vector<int> CReportList::GetSelectedRows() {
  std::vector<int> rows;
  for (QTreeWidgetItem* item : selectedItems()) rows.push_back(indexOfTopLevelItem(item));
  std::sort(rows.begin(), rows.end());
  return rows;
}

void CReportList::SetRowSelected(int row, bool selected) {
  if (QTreeWidgetItem* item = topLevelItem(row)) item->setSelected(selected);
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
    if (topLevelItemCount() > 0) viewport()->update();
  });
  tick_.start(1000);
}

QString CReportList::ElapsedPrefix(int row) const {
  if (!showElapsed_) return QString();
  const QTreeWidgetItem* item = topLevelItem(row);
  if (item == nullptr) return QString();
  const auto data = static_cast<uintptr_t>(item->data(0, kDataRole).toULongLong());
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
  for (int i = 1; i < columnCount(); ++i) others += columnWidth(i);
  setColumnWidth(0, std::max(0, viewport()->width() - others));
}

void CReportList::resizeEvent(QResizeEvent* e) {
  QTreeWidget::resizeEvent(e);
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
  QTreeWidget::keyPressEvent(e);
}

void CReportList::ForgetUnusedStartTimes() {
  if (!showElapsed_) return;
  std::set<uintptr_t> held;
  for (int i = 0; i < topLevelItemCount(); ++i) held.insert(GetItemData(i));
  std::erase_if(started_, [&held](const auto& entry) { return held.count(entry.first) == 0; });
  std::erase_if(stopped_, [&held](const auto& entry) { return held.count(entry.first) == 0; });
}

}  // namespace vpx::ui
