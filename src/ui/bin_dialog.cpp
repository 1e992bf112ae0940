#include "ui/bin_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "host/sjis.h"
#include "host/text_format.h"
#include "ui/bin_find_bar.h"
#include "ui/data_inspector.h"
#include "ui/qt_text.h"
#include "ui/widget_style.h"

namespace vpx::ui {
namespace {

constexpr int kLineChars = kBinOffsetChars + 3 * kBinLineBytes + kBinLineBytes;
// What the window manager adds around a window (title bar and borders), at most.
constexpr int kFrameAllowanceHeight = 40;
constexpr int kFrameAllowanceWidth = 16;
// Offset of each further cascaded display.
constexpr int kCascadeStep = 28;
constexpr int kCascadeCycle = 8;
constexpr int64_t kLastPage = INT64_MAX;
// Bytes the inspector reads from the clicked one on (a 64-bit value).
constexpr int64_t kInspectedBytes = 8;
// Characters of a hexadecimal cell without its blank.
constexpr int kHexDigits = 2;

// Parses a decimal or "0x" hexadecimal offset; -1 when the text is none.
int64_t ParseOffset(const QString& text) {
  QString t = text.trimmed();
  int base = 10;
  if (t.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) {
    t = t.mid(2);
    base = 16;
  }
  bool ok = false;
  const qlonglong value = t.toLongLong(&ok, base);
  return ok && value >= 0 ? value : -1;
}

QTextCharFormat Coloured(int r, int g, int b) {
  QTextCharFormat f;
  f.setForeground(QColor(r, g, b));
  return f;
}

}  // namespace

CMyBinDialog::CMyBinDialog()
    : page_(new QPlainTextEdit(this)),
      pageBar_(new QScrollBar(Qt::Horizontal, this)),
      blockBar_(new QScrollBar(Qt::Horizontal, this)),
      goTo_(new QLineEdit(this)),
      goToMessage_(new QLabel(this)),
      find_(new CBinFindBar(this)),
      inspector_(new CDataInspector(this)) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setModal(false);
  page_->setReadOnly(true);
  page_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  page_->setFont(ConsoleFont());
  page_->setWordWrapMode(QTextOption::NoWrap);
  QPalette p = page_->palette();
  p.setColor(QPalette::Base, QColor(0, 0, 0));
  p.setColor(QPalette::Text, QColor(255, 0, 0));
  page_->setPalette(p);
  page_->installEventFilter(this);
  page_->viewport()->installEventFilter(this);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &CMyBinDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CMyBinDialog::reject);

  goTo_->setPlaceholderText(QStringLiteral("10進 / 0x16進"));
  goTo_->setToolTip(QStringLiteral("表示するバイトのオフセット (Ctrl+G)"));
  // Enter in the box goes to the offset and goes no further (it would press OK).
  goTo_->installEventFilter(this);
  auto* goToShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this);
  connect(goToShortcut, &QShortcut::activated, this, [this] {
    goTo_->setFocus();
    goTo_->selectAll();
  });
  goToMessage_->setStyleSheet(QStringLiteral("color: #c00000;"));
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(new QLabel(QStringLiteral("移動先:"), this));
  bottom->addWidget(goTo_);
  bottom->addWidget(goToMessage_, 1);
  bottom->addWidget(buttons);

  auto* findShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
  connect(findShortcut, &QShortcut::activated, find_, &CBinFindBar::FocusPattern);
  auto* nextShortcut = new QShortcut(QKeySequence(Qt::Key_F3), this);
  connect(nextShortcut, &QShortcut::activated, this, [this] { SearchFromCurrent(true); });
  auto* previousShortcut = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this);
  connect(previousShortcut, &QShortcut::activated, this, [this] { SearchFromCurrent(false); });
  connect(find_, &CBinFindBar::searchRequested, this,
          [this](bool forward) { SearchFromCurrent(forward); });
  connect(find_, &CBinFindBar::found, this, [this](qint64 offset, qint64 length, bool) {
    if (ShowByte(offset, length)) lastMatch_ = offset;
  });

  auto* middle = new QHBoxLayout;
  middle->addWidget(page_, 1);
  middle->addWidget(inspector_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(find_);
  layout->addLayout(middle, 1);
  layout->addWidget(pageBar_);
  layout->addWidget(blockBar_);
  layout->addLayout(bottom);

  for (QScrollBar* bar : {pageBar_, blockBar_}) {
    bar->setRange(0, 0);
    bar->setSingleStep(1);
    bar->setPageStep(1);  // a click in the trough moves by one page or block
  }
  // Each move is handled after the scroll notification, as a posted message would be.
  connect(pageBar_, &QScrollBar::valueChanged, this, [this] {
    if (!syncing_)
      QMetaObject::invokeMethod(
          this, [this] { OnBarMoved(false); }, Qt::QueuedConnection);
  });
  connect(blockBar_, &QScrollBar::valueChanged, this, [this] {
    if (!syncing_)
      QMetaObject::invokeMethod(
          this, [this] { OnBarMoved(true); }, Qt::QueuedConnection);
  });

  const QFontMetrics fm(page_->font());
  const int textWidth = fm.horizontalAdvance(QString(kLineChars + 2, QChar('0')));
  const int textHeight = fm.lineSpacing() * kBinPageLines + 12;
  page_->setMinimumWidth(textWidth + page_->verticalScrollBar()->sizeHint().width() + 12);
  page_->setMinimumHeight(fm.lineSpacing() * 4);
  wanted_ = QSize(page_->minimumWidth() + inspector_->minimumWidth() + 36, textHeight + 166);
  resize(wanted_);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    FitInto(screen->availableGeometry());
  SetPlainCaption();
}

CMyBinDialog::~CMyBinDialog() = default;

int CMyBinDialog::DispFileData(const std::string& name, int64_t first, int64_t last) {
  loading_ = true;
  const int result = model_.DispFileData(name, first, last);
  loading_ = false;
  if (result == 0) return 0;
  find_->SetFile(name);
  current_ = lastMatch_ = -1;
  inspector_->ShowBytes(nullptr, 0, 0);
  SetPlainCaption();
  SyncBars();
  DrawPage();
  return 1;
}

void CMyBinDialog::DestroyRegisteredWindow() {
  delete this;
}

void CMyBinDialog::accept() {
  hide();
  emit closedByUser(this);
}

void CMyBinDialog::reject() {
  hide();
  emit closedByUser(this);
}

void CMyBinDialog::FitInto(const QRect& available) {
  // The page area scrolls when the screen is too low for a whole page.
  resize(std::min(wanted_.width(), available.width() - kFrameAllowanceWidth),
         std::min(wanted_.height(), available.height() - kFrameAllowanceHeight));
}

bool CMyBinDialog::ShowPage(int64_t block, int64_t page) {
  if (drawing_ || loading_) return false;
  if (block != model_.BlockPosition() || model_.PageCount() == 0) {
    loading_ = true;
    std::string error;
    const bool ok = model_.MoveBlock(block, error);
    loading_ = false;
    if (!ok) {
      QMessageBox::warning(this, windowTitle(),
                           Qs(SJ("※　ファイルからの読込に失敗しました。\r\n") + error));
      SyncBars();
      DrawPage();
      return false;
    }
  }
  model_.MovePage(page);
  SyncBars();
  DrawPage();
  return true;
}

void CMyBinDialog::StepPage(int direction) {
  const int64_t page = model_.PagePosition() + direction;
  const int64_t block = model_.BlockPosition();
  if (page >= 0 && page < model_.PageCount()) {
    ShowPage(block, page);
  } else if (direction > 0 && block + 1 < model_.BlockCount()) {
    ShowPage(block + 1, 0);
  } else if (direction < 0 && block > 0) {
    ShowPage(block - 1, kLastPage);
  }
}

void CMyBinDialog::ShowFileEnd(bool last) {
  if (last)
    ShowPage(std::max<int64_t>(0, model_.BlockCount() - 1), kLastPage);
  else
    ShowPage(0, 0);
}

QString CMyBinDialog::GoToMessage() const {
  return goToMessage_->text();
}

void CMyBinDialog::SetGoToMessage(const QString& text) {
  goToMessage_->setText(text);
}

bool CMyBinDialog::GoToOffset(const QString& text) {
  const int64_t offset = ParseOffset(text);
  if (offset < 0) {
    SetGoToMessage(QStringLiteral("※　オフセットが数値ではありません。[ %1 ]").arg(text.trimmed()));
    return false;
  }
  if (offset >= model_.FileSize()) {
    SetGoToMessage(QStringLiteral("※　オフセットがファイルの範囲外です。[ %1 ]　サイズ %2 Byte")
                       .arg(text.trimmed())
                       .arg(Qs(FormatByteCount(model_.FileSize()))));
    return false;
  }
  if (!ShowByte(offset)) return false;
  SetGoToMessage(QString());
  lastMatch_ = -1;
  return true;
}

bool CMyBinDialog::ShowByte(int64_t offset, int64_t length) {
  if (offset < 0 || offset >= model_.FileSize() || model_.BlockSize() <= 0) return false;
  const CBinaryBlock& shown = model_.Block();
  // The first block may be placed around the requested range: use it while it holds the byte.
  const bool inShown = offset >= shown.Start() && offset < shown.Start() + shown.Count();
  const int64_t block = inShown ? model_.BlockPosition() : offset / model_.BlockSize();
  if (!inShown && !ShowPage(block, 0)) return false;
  const int64_t start = model_.Block().Start();
  if (offset < start || offset >= start + model_.Block().Count()) return false;
  ShowPage(block, (offset - start) / kBinPageBytes);
  // The bytes' hexadecimal cells selected, as far as the page goes.
  const int64_t pageEnd = model_.PageOffset() + model_.PageLength();
  const int64_t last = std::min(offset + std::max<int64_t>(length, 1), pageEnd) - 1;
  auto cellPosition = [this](int64_t at, int extra) {
    const int line = static_cast<int>(at / kBinLineBytes - model_.PageOffset() / kBinLineBytes);
    const QTextBlock row = page_->document()->findBlockByNumber(line);
    return row.isValid()
               ? row.position() + kBinOffsetChars + 3 * static_cast<int>(at % kBinLineBytes) + extra
               : -1;
  };
  const int anchor = cellPosition(offset, 0);
  const int end = cellPosition(last, kHexDigits);
  if (anchor >= 0 && end >= 0) {
    // The caret stays on the first byte's cell, the selection reaching to the last.
    QTextCursor c(page_->document());
    c.setPosition(end);
    c.setPosition(anchor, QTextCursor::KeepAnchor);
    page_->setTextCursor(c);
    page_->ensureCursorVisible();
  }
  ShowCaretPosition();
  return true;
}

bool CMyBinDialog::SearchFromCurrent(bool forward) {
  // From the byte after a match just found, else from the current byte itself; before any
  // byte is chosen, from the page shown.
  const int64_t from = current_ >= 0 ? current_ : model_.PageOffset();
  const bool onMatch = lastMatch_ >= 0 && lastMatch_ == current_;
  return find_->Search(forward, from, !onMatch);
}

void CMyBinDialog::ShowInspector(int64_t offset) {
  const CBinaryBlock& block = model_.Block();
  if (offset < block.Start() || offset >= block.Start() + block.Count()) {
    inspector_->ShowBytes(nullptr, 0, 0);
    return;
  }
  const int64_t count = std::min(kInspectedBytes, block.Start() + block.Count() - offset);
  inspector_->ShowBytes(block.Data() + (offset - block.Start()), static_cast<size_t>(count),
                        offset);
}

bool CMyBinDialog::HandleLineStep(int direction) {
  const QTextCursor c = page_->textCursor();
  const int lines = page_->document()->blockCount();
  if ((direction > 0 && c.blockNumber() < lines - 1) || (direction < 0 && c.blockNumber() > 0))
    return false;
  const int column = c.positionInBlock();
  const int64_t before = model_.PageOffset();
  StepPage(direction);
  if (model_.PageOffset() == before) return true;  // at a file end
  const QTextBlock row =
      direction > 0 ? page_->document()->firstBlock() : page_->document()->lastBlock();
  QTextCursor moved(row);
  moved.setPosition(row.position() + std::min(column, row.length() - 1));
  page_->setTextCursor(moved);
  page_->ensureCursorVisible();
  ShowCaretPosition();
  return true;
}

bool CMyBinDialog::HandleWheel(QWheelEvent* e) {
  QScrollBar* bar = page_->verticalScrollBar();
  const int delta = e->angleDelta().y();
  if (delta == 0) return false;
  const bool down = delta < 0;
  if (down ? bar->value() < bar->maximum() : bar->value() > bar->minimum()) return false;
  const int64_t before = model_.PageOffset();
  StepPage(down ? 1 : -1);
  if (model_.PageOffset() != before) bar->setValue(down ? bar->minimum() : bar->maximum());
  return true;
}

bool CMyBinDialog::HandlePageKey(QKeyEvent* e) {
  const bool ctrl = (e->modifiers() & Qt::ControlModifier) != 0;
  switch (e->key()) {
    case Qt::Key_PageDown:
      StepPage(1);
      return true;
    case Qt::Key_PageUp:
      StepPage(-1);
      return true;
    case Qt::Key_Down:
    case Qt::Key_Up:
      if (ctrl || (e->modifiers() & Qt::ShiftModifier) != 0) return false;
      return HandleLineStep(e->key() == Qt::Key_Down ? 1 : -1);
    case Qt::Key_Home:
    case Qt::Key_End:
      if (!ctrl) return false;
      ShowFileEnd(e->key() == Qt::Key_End);
      return true;
    default:
      return false;
  }
}

void CMyBinDialog::OnBarMoved(bool block) {
  if (drawing_ || loading_) return;
  if (block) {
    if (blockBar_->value() == model_.BlockPosition()) return;
    loading_ = true;
    std::string error;
    const bool ok = model_.MoveBlock(blockBar_->value(), error);
    loading_ = false;
    if (!ok) {
      QMessageBox::warning(this, windowTitle(),
                           Qs(SJ("※　ファイルからの読込に失敗しました。\r\n") + error));
    }
  } else {
    if (pageBar_->value() == model_.PagePosition()) return;
    model_.MovePage(pageBar_->value());
  }
  SyncBars();
  DrawPage();
}

void CMyBinDialog::SyncBars() {
  syncing_ = true;
  blockBar_->setRange(0, static_cast<int>(std::max<int64_t>(0, model_.BlockCount() - 1)));
  blockBar_->setValue(static_cast<int>(model_.BlockPosition()));
  pageBar_->setRange(0, static_cast<int>(std::max<int64_t>(0, model_.PageCount() - 1)));
  pageBar_->setValue(static_cast<int>(model_.PagePosition()));
  syncing_ = false;
}

void CMyBinDialog::DrawPage() {
  if (drawing_) return;
  drawing_ = true;
  current_ = -1;  // a new page: searches start from it until a byte is chosen
  page_->clear();
  QTextCursor c(page_->document());
  const QTextCharFormat offsetFormat = Coloured(0, 223, 223);
  const QTextCharFormat hexFormat = Coloured(255, 255, 255);
  const QTextCharFormat charFormat = Coloured(255, 255, 0);
  c.beginEditBlock();
  bool firstLine = true;
  for (const BinaryLine& line : model_.FormatPage()) {
    if (!firstLine) c.insertBlock();
    firstLine = false;
    c.insertText(Qs(line.offset), offsetFormat);
    c.insertText(Qs(line.hex), hexFormat);
    c.insertText(Qs(line.chars), charFormat);
  }
  c.endEditBlock();
  page_->moveCursor(QTextCursor::Start);
  drawing_ = false;
}

void CMyBinDialog::SetPlainCaption() {
  setWindowTitle(QStringLiteral("簡易バイナリ表示　") + Qs(model_.FileName()));
}

void CMyBinDialog::ShowCaretPosition() {
  // A selection (a match, a go-to target) stands for its first byte.
  const QTextBlock row = page_->document()->findBlock(page_->textCursor().selectionStart());
  const int64_t offset =
      model_.ByteOffsetAt(row.blockNumber(), page_->textCursor().selectionStart() - row.position());
  if (offset < 0) {
    SetPlainCaption();
    return;
  }
  current_ = offset;
  ShowInspector(offset);
  setWindowTitle(QStringLiteral("簡易バイナリ表示　ClickedPosition[ %1 ] (0x%2) ")
                     .arg(offset)
                     .arg(QString::number(offset, 16).toUpper()) +
                 Qs(model_.FileName()));
}

bool CMyBinDialog::eventFilter(QObject* watched, QEvent* e) {
  if (watched == goTo_ && e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (!GoToOffset(goTo_->text())) QApplication::beep();
      return true;
    }
  }
  if (watched == goTo_ && e->type() == QEvent::KeyRelease) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) SetGoToMessage(QString());
  }
  if (watched == page_ && e->type() == QEvent::KeyPress &&
      HandlePageKey(static_cast<QKeyEvent*>(e)))
    return true;
  if (watched == page_->viewport() && e->type() == QEvent::Wheel &&
      HandleWheel(static_cast<QWheelEvent*>(e)))
    return true;
  if ((watched == page_->viewport() && e->type() == QEvent::MouseButtonRelease) ||
      (watched == page_ && e->type() == QEvent::KeyRelease)) {
    const bool handled = QDialog::eventFilter(watched, e);
    ShowCaretPosition();
    return handled;
  }
  return QDialog::eventFilter(watched, e);
}

QPoint PlaceBinaryDialog(const QRect& mainFrame, const QSize& dialogFrame, const QRect& available,
                         int openCount) {
  const int top =
      std::clamp(mainFrame.top(), available.top(),
                 std::max(available.top(), available.bottom() + 1 - dialogFrame.height()));
  if (mainFrame.right() + 1 + dialogFrame.width() <= available.right() + 1)
    return QPoint(mainFrame.right() + 1, top);
  if (mainFrame.left() - dialogFrame.width() >= available.left())
    return QPoint(mainFrame.left() - dialogFrame.width(), top);
  const int step = kCascadeStep * (1 + openCount % kCascadeCycle);
  const int x = std::clamp(mainFrame.left() + step, available.left(),
                           std::max(available.left(), available.right() + 1 - dialogFrame.width()));
  const int y =
      std::clamp(mainFrame.top() + step, available.top(),
                 std::max(available.top(), available.bottom() + 1 - dialogFrame.height()));
  return QPoint(x, y);
}

}  // namespace vpx::ui
