#include "ui/history_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/qt_text.h"
#include "ui/widget_style.h"

namespace vpx::ui {
namespace {
constexpr int kTextColumn = 0;
constexpr int kIndexColumn = 1;

QString IndexText(int i) {
  return QString::asprintf("%4u", static_cast<unsigned>(i));
}
}  // namespace

CInputHistoryDlg::CInputHistoryDlg(CGRingMemT<std::string>* ring, QWidget* parent)
    : QDialog(parent),
      ring_(ring),
      list_(new QTreeWidget(this)),
      input_(new QPushButton(QStringLiteral("入力"), this)) {
  setWindowTitle(QStringLiteral("入力履歴"));
  setModal(false);
  list_->setFont(ConsoleFont());
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setColumnCount(2);
  list_->setHeaderLabels({QStringLiteral("入力データ"), QStringLiteral("Index")});
  list_->headerItem()->setTextAlignment(kIndexColumn, Qt::AlignCenter);
  list_->header()->setStretchLastSection(false);
  list_->header()->moveSection(list_->header()->visualIndex(kIndexColumn), 0);
  auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
  input_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(input_);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addLayout(buttons);
  resize(480, 320);

  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    if (item != nullptr) emit insertRequested(list_->indexOfTopLevelItem(item));
  });
  connect(input_, &QPushButton::clicked, this, &CInputHistoryDlg::OnInput);
  connect(cancel, &QPushButton::clicked, this, &CInputHistoryDlg::reject);
  for (QWidget* w : {static_cast<QWidget*>(list_), static_cast<QWidget*>(input_),
                     static_cast<QWidget*>(cancel)}) {
    w->installEventFilter(this);
  }
}

bool CInputHistoryDlg::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
  }
  return QDialog::eventFilter(watched, e);
}

void CInputHistoryDlg::Refresh() {
  const int n = ring_ == nullptr ? 0 : static_cast<int>(ring_->GetCount());
  const int m = list_->topLevelItemCount();
  for (int i = 0; i < n; ++i) {
    QTreeWidgetItem* item = i < m ? list_->topLevelItem(i) : new QTreeWidgetItem(list_);
    item->setText(kTextColumn, Qs(ring_->GetFromOldData(static_cast<uint32_t>(i))));
    item->setText(kIndexColumn, IndexText(i));
    item->setTextAlignment(kIndexColumn, Qt::AlignCenter);
  }
  for (int i = m - 1; i >= n; --i) delete list_->takeTopLevelItem(i);
}

void CInputHistoryDlg::OnInput() {
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  if (!selected.isEmpty()) emit insertRequested(list_->indexOfTopLevelItem(selected.first()));
  emit focusViewRequested();
  hide();
}

void CInputHistoryDlg::reject() {
  emit focusViewRequested();
  hide();
}

void CInputHistoryDlg::keyPressEvent(QKeyEvent* e) {
  // Enter neither presses "入力" nor closes the dialog.
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    e->accept();
    return;
  }
  QDialog::keyPressEvent(e);
}

void CInputHistoryDlg::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  FitColumns();
}

void CInputHistoryDlg::FitColumns() {
  const int width = list_->width();
  const int indexWidth = static_cast<int>(width * 0.12);
  list_->setColumnWidth(kIndexColumn, indexWidth);
  list_->setColumnWidth(kTextColumn, std::max(0, width - indexWidth - 4));
}

}  // namespace vpx::ui
