#include "ui/console_completion.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QTimer>
#include <QToolTip>

#include "help/func_help.h"
#include "ui/console_edit.h"

namespace vpx::ui {
namespace {

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
    : QObject(console), console_(console) {
  console->installEventFilter(this);
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

QString CConsoleCompletion::CompleteAtCaret() {
  const QString before = TextBeforeCaret();
  int start = before.size();
  while (start > 0 && IsNameChar(before[start - 1])) --start;
  const QString prefix = before.mid(start);
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
  QString list;
  for (const std::string& name : names)
    list += (list.isEmpty() ? QString() : QStringLiteral("\n")) + QString::fromStdString(name);
  ShowHint(list);
  return list;
}

void CConsoleCompletion::ShowHint(const QString& text) {
  if (text.isEmpty()) {
    QToolTip::hideText();
    return;
  }
  const QPoint at = console_->cursorRect().bottomLeft();
  QToolTip::showText(console_->viewport()->mapToGlobal(at), text, console_);
}

bool CConsoleCompletion::eventFilter(QObject* watched, QEvent* event) {
  if (watched != console_ || event->type() != QEvent::KeyPress) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
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
