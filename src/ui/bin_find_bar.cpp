#include "ui/bin_find_bar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "files/find_in_file.h"
#include "host/sjis.h"
#include "ui/qt_text.h"

namespace vpx::ui {
namespace {

enum PatternMode { kHexMode = 0, kTextMode = 1 };

// Enter in the pattern box searches forward; it goes no further (it would press OK).
class EnterSearches : public QObject {
 public:
  explicit EnterSearches(CBinFindBar* bar) : QObject(bar), bar_(bar) {}
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(e)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        const bool backward = (static_cast<QKeyEvent*>(e)->modifiers() & Qt::ShiftModifier) != 0;
        emit bar_->searchRequested(!backward);
        return true;
      }
    }
    return QObject::eventFilter(watched, e);
  }

 private:
  CBinFindBar* bar_;
};

}  // namespace

CBinFindBar::CBinFindBar(QWidget* parent)
    : QWidget(parent),
      pattern_(new QLineEdit(this)),
      mode_(new QComboBox(this)),
      next_(new QPushButton(QStringLiteral("次を検索"), this)),
      previous_(new QPushButton(QStringLiteral("前を検索"), this)),
      stop_(new QPushButton(QStringLiteral("中止"), this)),
      message_(new QLabel(this)) {
  mode_->addItem(QStringLiteral("16進"));
  mode_->addItem(QStringLiteral("文字列"));
  pattern_->setPlaceholderText(QStringLiteral("DE AD BE EF / 文字列 (Ctrl+F)"));
  pattern_->installEventFilter(new EnterSearches(this));
  next_->setToolTip(QStringLiteral("F3"));
  previous_->setToolTip(QStringLiteral("Shift+F3"));
  for (QPushButton* button : {next_, previous_, stop_}) button->setAutoDefault(false);
  stop_->setEnabled(false);
  connect(next_, &QPushButton::clicked, this, [this] { emit searchRequested(true); });
  connect(previous_, &QPushButton::clicked, this, [this] { emit searchRequested(false); });
  connect(stop_, &QPushButton::clicked, this, &CBinFindBar::Stop);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel(QStringLiteral("検索:"), this));
  layout->addWidget(mode_);
  layout->addWidget(pattern_, 1);
  layout->addWidget(next_);
  layout->addWidget(previous_);
  layout->addWidget(stop_);
  layout->addWidget(message_, 1);
  message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

CBinFindBar::~CBinFindBar() {
  cancel_.store(1);
  JoinWorker();
}

void CBinFindBar::FocusPattern() {
  pattern_->setFocus();
  pattern_->selectAll();
}

QString CBinFindBar::Message() const {
  return message_->text();
}

void CBinFindBar::ShowMessage(const QString& text, bool failure) {
  message_->setText(text);
  message_->setStyleSheet(failure ? QStringLiteral("color: #c00000;") : QString());
}

void CBinFindBar::JoinWorker() {
  if (worker_.joinable()) worker_.join();
}

bool CBinFindBar::Search(bool forward, int64_t from, bool inclusive) {
  if (IsSearching()) return false;
  std::string typed;
  if (!QtToSjis(pattern_->text(), typed)) {
    ShowMessage(QStringLiteral("※　Shift-JISにない文字があります。"), true);
    return false;
  }
  FileResult<std::string> pattern =
      mode_->currentIndex() == kHexMode ? ParseHexPattern(typed) : TextPattern(typed);
  if (!pattern) {
    ShowMessage(Qs(pattern.error().text), true);
    return false;
  }
  JoinWorker();
  cancel_.store(0);
  finished_.store(false);
  stop_->setEnabled(true);
  ShowMessage(QStringLiteral("検索中…"), false);
  const int64_t length = static_cast<int64_t>(pattern.value().size());
  worker_ = std::thread(
      [this, forward, from, inclusive, file = file_, bytes = std::move(pattern.value()), length] {
        FileResult<int64_t> result = 0;
        bool wrapped = false;
        if (forward) {
          result = FindInFile(file, bytes, inclusive ? from : from + 1, &cancel_);
          if (result && result.value() < 0) {
            wrapped = true;
            result = FindInFile(file, bytes, 0, &cancel_);
          }
        } else {
          result = FindLastInFile(file, bytes, from, &cancel_);
          if (result && result.value() < 0) {
            wrapped = true;
            result = FindLastInFile(file, bytes, -1, &cancel_);
          }
        }
        const int64_t offset = result ? result.value() : -1;
        std::string failure = result ? std::string() : result.error().text;
        finished_.store(true);
        QMetaObject::invokeMethod(
            this,
            [this, offset, wrapped, forward, failure, length] {
              Finish(offset, wrapped, forward, failure, length);
            },
            Qt::QueuedConnection);
      });
  return true;
}

void CBinFindBar::Stop() {
  cancel_.store(1);
}

void CBinFindBar::Finish(int64_t offset, bool wrapped, bool forward, const std::string& failure,
                         int64_t length) {
  JoinWorker();
  stop_->setEnabled(false);
  if (!failure.empty() || offset < 0) {
    ShowMessage(failure.empty() ? Qs(SJ("※　見つかりませんでした。")) : Qs(failure), true);
    emit notFound();
    return;
  }
  const QString where = Qs(FoundAtText(offset));
  const QString wrapText =
      forward ? QStringLiteral("ファイルの末尾まで検索したので、先頭から続けました。")
              : QStringLiteral("ファイルの先頭まで検索したので、末尾から続けました。");
  ShowMessage((wrapped ? wrapText : QStringLiteral("見つかりました。")) + where, false);
  emit found(offset, length, wrapped);
}

}  // namespace vpx::ui
