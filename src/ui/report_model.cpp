#include "ui/report_model.h"

#include <algorithm>
#include <utility>

#include "ui/qt_text.h"

namespace vpx::ui {
namespace {

const std::string kNoText;

// Whether the bytes can be shown as they are; plain ASCII needs no conversion to tell.
bool Showable(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      QString shown;
      return SjisToQt(text, shown);
    }
  }
  return true;
}

}  // namespace

ReportModel::ReportModel(std::vector<QString> headings, std::vector<Qt::Alignment> alignments,
                         QObject* parent)
    : QAbstractTableModel(parent),
      headings_(std::move(headings)),
      alignments_(std::move(alignments)) {
  headings_.resize(std::min<size_t>(headings_.size(), kMaxColumns));
  alignments_.resize(headings_.size(), Qt::AlignLeft | Qt::AlignVCenter);
}

int ReportModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Count();
}

int ReportModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(headings_.size());
}

QVariant ReportModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !Valid(index.row()) || index.column() >= columnCount()) return {};
  const Row& row = rows_[index.row()];
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return Shown(index.row(), column);
    case Qt::ToolTipRole:
      return column == 0 && toolTips_ ? QVariant(Shown(index.row(), 0)) : QVariant();
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(alignments_[column]);
    case Qt::UserRole:
      return column == 0 ? QVariant::fromValue<quint64>(row.data) : QVariant();
    default:
      return {};
  }
}

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) return headings_[section];
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(alignments_[section]);
  return {};
}

Qt::ItemFlags ReportModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
  // Column 0 opens an editor only when asked to (the value shown selected for copying);
  // the editor never writes back.
  if (index.column() == 0) f |= Qt::ItemIsEditable;
  return f;
}

int ReportModel::Insert(int pos, const std::string& text, bool& converted) {
  WritePendingNumbers();
  const int landed = std::clamp(pos, 0, Count());
  Row row;
  converted = Showable(text);
  row.raw[0] = text;
  beginInsertRows(QModelIndex(), landed, landed);
  rows_.insert(rows_.begin() + landed, std::move(row));
  endInsertRows();
  return landed;
}

bool ReportModel::SetCell(int row, int column, const std::string& text, bool& converted) {
  if (!Valid(row) || column < 0 || column >= columnCount()) return false;
  WritePendingNumbers();
  converted = Showable(text);
  rows_[row].raw[column] = text;
  const QModelIndex at = index(row, column);
  emit dataChanged(at, at);
  return true;
}

const std::string& ReportModel::Cell(int row, int column) const {
  if (!Valid(row) || column < 0 || column >= columnCount()) return kNoText;
  WritePendingNumbers();
  return rows_[row].raw[column];
}

QString ReportModel::Shown(int row, int column) const {
  QString shown;
  SjisToQt(Cell(row, column), shown);
  return shown;
}

bool ReportModel::SetData(int row, uintptr_t data) {
  if (!Valid(row)) return false;
  rows_[row].data = data;
  return true;
}

void ReportModel::Remove(const std::vector<int>& rows) {
  if (rows.empty()) return;
  // Numbers still to write start no later than the first row that moves.
  pendingFirst_ = std::min(pendingFirst_, rows.front());
  // Runs of consecutive rows, each removed as one range.
  std::vector<std::pair<int, int>> runs;
  for (int row : rows) {
    if (!runs.empty() && runs.back().second + 1 == row) {
      runs.back().second = row;
    } else {
      runs.emplace_back(row, row);
    }
  }
  if (runs.size() <= kMaxAnnouncedRuns) {
    for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
      beginRemoveRows(QModelIndex(), it->first, it->second);
      rows_.erase(rows_.begin() + it->first, rows_.begin() + it->second + 1);
      endRemoveRows();
    }
    return;
  }
  // Many scattered rows: one pass over the list, announced as a new content.
  beginResetModel();
  EraseSortedPositions(rows_, rows);
  endResetModel();
}

void ReportModel::Clear() {
  pendingColumn_ = kNothingPending;
  beginResetModel();
  rows_.clear();
  endResetModel();
}

void ReportModel::Number(int column, int first) {
  if (column < 0 || column >= columnCount()) return;
  first = std::max(first, 0);
  if (pendingColumn_ != kNothingPending && pendingColumn_ != column) WritePendingNumbers();
  pendingFirst_ = pendingColumn_ == column ? std::min(pendingFirst_, first) : first;
  pendingColumn_ = column;
  if (first < Count()) emit dataChanged(index(first, column), index(Count() - 1, column));
}

void ReportModel::WritePendingNumbers() const {
  if (pendingColumn_ == kNothingPending) return;
  for (int row = pendingFirst_; row < Count(); ++row)
    rows_[row].raw[pendingColumn_] = std::to_string(row);
  pendingColumn_ = kNothingPending;
}

}  // namespace vpx::ui
