#include "ui/console_completion.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStringListModel>
#include <QTextBlock>
#include <QTimer>
#include <QToolTip>

#include "help/func_help.h"
#include "ui/console_edit.h"

namespace vpx::ui {
namespace {

// How long after a pick from the popup its hint is shown once more.
constexpr int kHintAfterPopupMs = 250;

bool IsNameChar(QChar c) {
  return c.isLetterOrNumber() || c == QLatin1Char('_');
}

QString CommonPrefix(const std::vector<std::string>& names) {
  std::string common = names.front();
  for (const std::string& name : names) {
    size_t n = 0;
    while (n < common.size() && n < name.size() && common[n] == name[n]) ++n;
    common.resize(n);
  }
  return QString::fromStdString(common);
}

}  // namespace

CConsoleCompletion::CConsoleCompletion(CConsoleEdit* console)
    : QObject(console),
      console_(console),
      candidates_(new QStringListModel(this)),
      completer_(new QCompleter(candidates_, this)) {
  completer_->setWidget(console);
  completer_->setCompletionMode(QCompleter::PopupCompletion);
  completer_->setCaseSensitivity(Qt::CaseSensitive);
  connect(completer_, qOverload<const QString&>(&QCompleter::activated), this,
          &CConsoleCompletion::TakeCandidate);
  connect(console, &CConsoleEdit::textChanged, this, &CConsoleCompletion::FollowTyping);
  console->installEventFilter(this);
  // Ahead of the completer's own filter, which would hand the picking key on to the
  // console (running the line on Enter).
  completer_->popup()->installEventFilter(this);
}

QString CConsoleCompletion::TextBeforeCaret() const {
  const QTextCursor cursor = console_->textCursor();
  // Only the line being typed, at the end of the console, completes.
  if (cursor.block() != console_->document()->lastBlock()) return QString();
  return cursor.block().text().left(cursor.positionInBlock());
}

QString CConsoleCompletion::HintAtCaret() const {
  QString text;
  for (const std::string& signature : help::SignatureHint(TextBeforeCaret().toStdString()))
    text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + QString::fromStdString(signature);
  return text;
}

QString CConsoleCompletion::PrefixAtCaret() const {
  const QString before = TextBeforeCaret();
  int start = before.size();
  while (start > 0 && IsNameChar(before[start - 1])) --start;
  return before.mid(start);
}

QString CConsoleCompletion::CompleteAtCaret() {
  const QString prefix = PrefixAtCaret();
  if (prefix.isEmpty()) {
    const QString hint = HintAtCaret();
    ShowHint(hint);
    return hint;
  }
  const std::vector<std::string> names = help::CompleteFunctionName(prefix.toStdString());
  if (names.empty()) return QString();
  if (names.size() == 1) {
    console_->InsertAtCaret(QString::fromStdString(names.front()).mid(prefix.size()) +
                            QLatin1Char('('));
    const QString hint = HintAtCaret();
    ShowHint(hint);
    return hint;
  }
  const QString common = CommonPrefix(names);
  if (common.size() > prefix.size()) console_->InsertAtCaret(common.mid(prefix.size()));
  QStringList list;
  for (const std::string& name : names) list << QString::fromStdString(name);
  OfferCandidates(list, common);
  return list.join(QLatin1Char('\n'));
}

void CConsoleCompletion::OfferCandidates(const QStringList& names, const QString& prefix) {
  ShowHint(QString());
  candidates_->setStringList(names);
  completer_->setCompletionPrefix(prefix);
  QRect at = console_->cursorRect();
  at.setWidth(completer_->popup()->sizeHintForColumn(0) +
              completer_->popup()->verticalScrollBar()->sizeHint().width());
  completer_->complete(at);
  completer_->popup()->setCurrentIndex(completer_->completionModel()->index(0, 0));
}

// The picked name replaces the part typed so far and opens its call.
void CConsoleCompletion::TakeCandidate(const QString& name) {
  const QString prefix = PrefixAtCaret();
  if (!name.startsWith(prefix)) return;
  console_->InsertAtCaret(name.mid(prefix.size()) + QLatin1Char('('));
  // The hint is kept now (ShownHint) and shown again as the focus and the activation come
  // back to the console from the closed popup: each of them hides a tooltip shown before.
  shownHint_ = HintAtCaret();
  hintAfterPopup_ = !shownHint_.isEmpty();
  ShowHintSoon();
  // The window system's focus, activation and crossing events of the closed popup arrive
  // later still; the hint is shown again once they have.
  QTimer::singleShot(kHintAfterPopupMs, this, [this] {
    if (hintAfterPopup_) ShowHint(HintAtCaret());
  });
}

void CConsoleCompletion::ShowHintSoon() {
  QTimer::singleShot(0, this, [this] { ShowHint(HintAtCaret()); });
}

// Typing on while the popup is open narrows it; a character that is no part of a name
// closes it.
void CConsoleCompletion::FollowTyping() {
  QAbstractItemView* popup = completer_->popup();
  if (!popup->isVisible()) return;
  const QString prefix = PrefixAtCaret();
  if (prefix.isEmpty()) {
    popup->hide();
    return;
  }
  completer_->setCompletionPrefix(prefix);
  if (completer_->completionCount() == 0) {
    popup->hide();
    return;
  }
  popup->setCurrentIndex(completer_->completionModel()->index(0, 0));
}

void CConsoleCompletion::ShowHint(const QString& text) {
  shownHint_ = text;
  if (text.isEmpty()) {
    QToolTip::hideText();
    return;
  }
  const QPoint at = console_->cursorRect().bottomLeft();
  QToolTip::showText(console_->viewport()->mapToGlobal(at), text, console_);
}

bool CConsoleCompletion::PickFromPopup(const QKeyEvent* key) {
  if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter && key->key() != Qt::Key_Tab)
    return false;
  QAbstractItemView* popup = completer_->popup();
  const QModelIndex current = popup->currentIndex();
  popup->hide();
  if (current.isValid()) TakeCandidate(current.data().toString());
  return true;
}

bool CConsoleCompletion::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched == console_ && hintAfterPopup_ &&
      (type == QEvent::FocusIn || type == QEvent::WindowActivate ||
       type == QEvent::ActivationChange))
    ShowHintSoon();
  if (type != QEvent::KeyPress) return false;
  if (watched == console_) hintAfterPopup_ = false;  // typing on takes over
  const auto* key = static_cast<QKeyEvent*>(event);
  if (watched == completer_->popup()) return PickFromPopup(key);
  if (watched != console_) return false;
  if (completer_->popup()->isVisible()) {
    // The popup has taken these keys already (picking or closing); the console must not
    // run the line on Enter.
    switch (key->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Escape:
      case Qt::Key_Tab:
      case Qt::Key_Backtab:
        return true;
      default:
        break;
    }
  }
  if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
    ShowHint(QString());  // the line is run: its hint would cover the output
    return false;
  }
  if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier) {
    CompleteAtCaret();
    return true;  // a tab character is never part of a call
  }
  if (key->text() == QStringLiteral("(")) {
    // After the console has taken the key.
    QTimer::singleShot(0, this, [this] { ShowHint(HintAtCaret()); });
  }
  return false;
}

}  // namespace vpx::ui
