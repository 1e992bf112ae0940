#include "ui/func_reference_window.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QVBoxLayout>

#include "help/func_help.h"
#include "ui/console_edit.h"

namespace vpx::ui {
namespace {

constexpr const char* kObjectName = "vorpexFuncReference";
constexpr int kEntryRole = Qt::UserRole;
// Title bar and border a window manager adds, allowed for in placing.
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 32;

bool DescribedBy(const help::FuncHelpEntry& entry, const QString& words) {
  return QString::fromUtf8(entry.summary).contains(words, Qt::CaseInsensitive) ||
         QString::fromUtf8(entry.helpText).contains(words, Qt::CaseInsensitive);
}

// The names matching pattern, then (for a pattern without wildcards) the entries whose
// description mentions it: "階乗" finds Factorial.
std::vector<const help::FuncHelpEntry*> Matching(const QString& pattern) {
  const QString words = pattern.trimmed();
  std::vector<const help::FuncHelpEntry*> found;
  if (words.isEmpty()) {
    for (const help::FuncHelpEntry& entry : help::FuncHelpEntries()) found.push_back(&entry);
    return found;
  }
  found = help::FindHelpEntries(words.toStdString());
  if (words.contains(QChar('*')) || words.contains(QChar('?'))) return found;
  for (const help::FuncHelpEntry& entry : help::FuncHelpEntries()) {
    if (std::find(found.begin(), found.end(), &entry) == found.end() && DescribedBy(entry, words))
      found.push_back(&entry);
  }
  return found;
}

const help::FuncHelpEntry* EntryOf(const QListWidgetItem* item) {
  if (item == nullptr) return nullptr;
  return static_cast<const help::FuncHelpEntry*>(item->data(kEntryRole).value<const void*>());
}

}  // namespace

CFuncReferenceWindow::CFuncReferenceWindow(CConsoleEdit* console, QWidget* parent)
    : QDialog(parent),
      console_(console),
      search_(new QLineEdit(this)),
      list_(new QListWidget(this)),
      text_(new QPlainTextEdit(this)),
      insert_(new QPushButton(QStringLiteral("コンソールに挿入(&I)"), this)) {
  setObjectName(kObjectName);
  setWindowTitle(QStringLiteral("関数リファレンス"));
  resize(kWidth, kHeight);
  search_->setPlaceholderText(QStringLiteral("関数名、名前の一部、または * と ? のパターン"));
  search_->setClearButtonEnabled(true);
  text_->setReadOnly(true);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* close = new QPushButton(QStringLiteral("閉じる"), this);

  auto* splitter = new QSplitter(this);
  splitter->addWidget(list_);
  splitter->addWidget(text_);
  splitter->setStretchFactor(1, 3);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(insert_);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(search_);
  layout->addWidget(splitter, 1);
  layout->addLayout(buttons);

  connect(search_, &QLineEdit::textChanged, this, &CFuncReferenceWindow::Filter);
  connect(list_, &QListWidget::currentItemChanged, this, &CFuncReferenceWindow::ShowSelected);
  connect(list_, &QListWidget::itemDoubleClicked, this, &CFuncReferenceWindow::InsertIntoConsole);
  connect(insert_, &QPushButton::clicked, this, &CFuncReferenceWindow::InsertIntoConsole);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  Filter(QString());
}

CFuncReferenceWindow* CFuncReferenceWindow::ShowFor(QWidget* parent, CConsoleEdit* console) {
  auto* window = parent->findChild<CFuncReferenceWindow*>(kObjectName);
  if (window == nullptr) {
    window = new CFuncReferenceWindow(console, parent);
    const QScreen* screen = parent->screen();
    if (screen != nullptr && screen->availableGeometry().isValid()) {
      const QRect at =
          PlaceReferenceWindow(parent->window()->frameGeometry(), screen->availableGeometry(),
                               QSize(kFrameWidth, kFrameHeight));
      window->resize(at.size());
      window->move(at.topLeft());
    }
  }
  window->show();
  window->raise();
  window->activateWindow();
  window->search_->setFocus();
  return window;
}

void CFuncReferenceWindow::Filter(const QString& pattern) {
  list_->clear();
  for (const help::FuncHelpEntry* entry : Matching(pattern)) {
    auto* item = new QListWidgetItem(QString::fromUtf8(entry->name), list_);
    item->setToolTip(QString::fromUtf8(entry->summary));
    item->setData(kEntryRole, QVariant::fromValue(static_cast<const void*>(entry)));
  }
  if (list_->count() > 0) list_->setCurrentRow(0);
  ShowSelected();
}

void CFuncReferenceWindow::ShowSelected() {
  const help::FuncHelpEntry* entry = EntryOf(list_->currentItem());
  text_->setPlainText(entry != nullptr ? QString::fromUtf8(entry->helpText)
                                       : QStringLiteral("当てはまる関数はありません。"));
  insert_->setEnabled(entry != nullptr && console_ != nullptr);
}

int CFuncReferenceWindow::ListedCount() const {
  return list_->count();
}

QString CFuncReferenceWindow::SelectedName() const {
  const help::FuncHelpEntry* entry = EntryOf(list_->currentItem());
  return entry != nullptr ? QString::fromUtf8(entry->name) : QString();
}

QString CFuncReferenceWindow::ShownText() const {
  return text_->toPlainText();
}

void CFuncReferenceWindow::InsertIntoConsole() {
  const QString name = SelectedName();
  if (name.isEmpty() || console_ == nullptr) return;
  console_->InsertAtCaret(name + QLatin1Char('('));
  // Back to the main window, ready to type the arguments.
  QWidget* main = console_->window();
  main->raise();
  main->activateWindow();
  console_->setFocus();
}

QRect PlaceReferenceWindow(const QRect& mainFrame, const QRect& available, const QSize& frame) {
  const int height = std::min(CFuncReferenceWindow::kHeight, available.height() - frame.height());
  const int top =
      std::clamp(mainFrame.top(), available.top(),
                 std::max(available.top(), available.bottom() + 1 - height - frame.height()));
  const int roomRight = available.right() - mainFrame.right() - frame.width();
  const int roomLeft = mainFrame.left() - available.left() - frame.width();
  if (roomRight >= CFuncReferenceWindow::kMinBesideWidth) {
    const int width = std::min(CFuncReferenceWindow::kWidth, roomRight);
    return QRect(mainFrame.right() + 1, top, width, height);
  }
  if (roomLeft >= CFuncReferenceWindow::kMinBesideWidth) {
    const int width = std::min(CFuncReferenceWindow::kWidth, roomLeft);
    return QRect(mainFrame.left() - width - frame.width(), top, width, height);
  }
  const int width = std::min(CFuncReferenceWindow::kWidth, available.width() - frame.width());
  const int x =
      roomRight >= roomLeft ? available.right() + 1 - width - frame.width() : available.left();
  return QRect(x, top, width, height);
}

}  // namespace vpx::ui
