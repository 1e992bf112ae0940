#include "ui/bin_dialog.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

#include "host/sjis.h"
#include "ui/qt_text.h"
#include "ui/widget_style.h"

namespace vpx::ui {
namespace {

constexpr int kLineChars = kBinOffsetChars + 3 * kBinLineBytes + kBinLineBytes;

QTextCharFormat Coloured(int r, int g, int b) {
  QTextCharFormat f;
  f.setForeground(QColor(r, g, b));
  return f;
}

}  // namespace

CMyBinDialog::CMyBinDialog()
    : page_(new QPlainTextEdit(this)),
      pageBar_(new QScrollBar(Qt::Horizontal, this)),
      blockBar_(new QScrollBar(Qt::Horizontal, this)) {
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

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(page_, 1);
  layout->addWidget(pageBar_);
  layout->addWidget(blockBar_);
  layout->addWidget(buttons);

  for (QScrollBar* bar : {pageBar_, blockBar_}) {
    bar->setRange(0, 0);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    connect(bar, &QScrollBar::actionTriggered, this,
            [this, bar](int action) { OnBarAction(bar, action); });
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
  int textHeight = fm.lineSpacing() * kBinPageLines + 12;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    textHeight = std::min(textHeight, screen->availableGeometry().height() - 160);
  }
  page_->setMinimumWidth(textWidth + page_->verticalScrollBar()->sizeHint().width() + 12);
  resize(page_->minimumWidth() + 24, textHeight + 120);
  SetPlainCaption();
}

CMyBinDialog::~CMyBinDialog() = default;

int CMyBinDialog::DispFileData(const std::string& name, int64_t first, int64_t last) {
  loading_ = true;
  const int result = model_.DispFileData(name, first, last);
  loading_ = false;
  if (result == 0) return 0;
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

void CMyBinDialog::OnBarAction(QScrollBar* bar, int action) {
  // Clicks beside the thumb get no handling of their own: the position stays.
  if (action == QAbstractSlider::SliderPageStepAdd ||
      action == QAbstractSlider::SliderPageStepSub) {
    bar->setSliderPosition(bar->value());
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
  const QTextCursor c = page_->textCursor();
  const int64_t offset = model_.ByteOffsetAt(c.blockNumber(), c.positionInBlock());
  if (offset < 0) {
    SetPlainCaption();
    return;
  }
  setWindowTitle(QStringLiteral("簡易バイナリ表示　ClickedPosition[ %1 ] ").arg(offset) +
                 Qs(model_.FileName()));
}

bool CMyBinDialog::eventFilter(QObject* watched, QEvent* e) {
  if ((watched == page_->viewport() && e->type() == QEvent::MouseButtonRelease) ||
      (watched == page_ && e->type() == QEvent::KeyRelease)) {
    const bool handled = QDialog::eventFilter(watched, e);
    ShowCaretPosition();
    return handled;
  }
  return QDialog::eventFilter(watched, e);
}

}  // namespace vpx::ui
