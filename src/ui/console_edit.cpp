#include "ui/console_edit.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QThread>
#include <vector>

#include "fileops/trace_log.h"
#include "host/sjis.h"
#include "ui/qt_text.h"
#include "ui/widget_style.h"

namespace vpx::ui {
namespace {

// Block state of a block that continues the line of the block before it.
constexpr int kContinuation = 1;

bool IsContinuation(const QTextBlock& b) {
  return b.userState() == kContinuation;
}

// Runs work on the widget's thread and waits for it.
template <typename F>
void OnWidgetThread(QObject* widget, F&& work) {
  if (QThread::currentThread() == widget->thread()) {
    work();
  } else {
    QMetaObject::invokeMethod(widget, std::forward<F>(work), Qt::BlockingQueuedConnection);
  }
}

}  // namespace

CConsoleEdit::CConsoleEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setFont(ConsoleFont());
  QPalette p = palette();
  p.setColor(QPalette::Base, QColor(0, 0, 0));
  p.setColor(QPalette::Text, QColor(255, 255, 255));
  setPalette(p);
  // Digits have no word boundaries: wrapping anywhere keeps long lines linear to lay out.
  setWordWrapMode(QTextOption::WrapAnywhere);
  setUndoRedoEnabled(true);
  typing_.setForeground(QColor(255, 255, 255));
  typing_.setFontWeight(QFont::Normal);
  output_.setForeground(QColor(0, 223, 223));
  output_.setFontWeight(QFont::Bold);
  setCurrentCharFormat(typing_);
}

int CConsoleEdit::GetLineCount() {
  int count = 0;
  OnWidgetThread(this, [&] {
    for (QTextBlock b = document()->firstBlock(); b.isValid(); b = b.next()) {
      if (!IsContinuation(b)) ++count;
    }
  });
  return count;
}

std::string CConsoleEdit::GetLine(int n) {
  std::string line;
  OnWidgetThread(this, [&] {
    int index = -1;
    QString text;
    for (QTextBlock b = document()->firstBlock(); b.isValid(); b = b.next()) {
      if (!IsContinuation(b)) ++index;
      if (index == n) text += b.text();
      if (index > n) break;
    }
    if (!QtToSjis(text, line)) {
      WriteTrace(SJ("※　Shift-JIS に変換できない文字を含む行です。CConsoleEdit::GetLine()\n"));
      line.clear();
    }
  });
  return line;
}

void CConsoleEdit::AppendOutput(const std::string& text) {
  OnWidgetThread(this, [&] {
    QString shown;
    const bool clean = SjisToQt(text, shown);
    AppendLines(shown, output_);
    if (!clean) {
      // Never silently: the bytes shown as \xNN are named and the raw text is traced.
      WriteTrace(SJ("※　Shift-JIS として表示できない出力です。CConsoleEdit::AppendOutput()\n"));
      WriteTrace(text + "\n");
      AppendLines(Qs(SJ("　※　Shift-JIS として表示できないバイトを \\xNN で示しました。\r\n")),
                  output_);
    }
  });
}

void CConsoleEdit::AppendTyped(const QString& text) {
  AppendLines(text, typing_);
}

void CConsoleEdit::InsertAtCaret(const QString& text) {
  QTextCursor c = textCursor();
  c.insertText(text, typing_);
  setTextCursor(c);
}

QString CConsoleEdit::LogicalText() const {
  return JoinedText(0, document()->characterCount() - 1);
}

void CConsoleEdit::CopyAll() {
  selectAll();
  copy();
  moveCursor(QTextCursor::End);
}

void CConsoleEdit::AppendLines(const QString& text, const QTextCharFormat& format) {
  QString normal = text;
  normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  normal.replace(QChar('\r'), QChar('\n'));
  const QStringList lines = normal.split(QChar('\n'));

  // Appends are not undoable; like the original edit control, they end the undo history.
  document()->setUndoRedoEnabled(false);
  QTextCursor c(document());
  c.movePosition(QTextCursor::End);
  const int appendStart = c.block().position();
  c.beginEditBlock();
  // One insertion: line ends and chunk ends become block separators; then the blocks that
  // continue a line are marked.
  QString joined;
  joined.reserve(normal.size() + normal.size() / kChunkChars + 1);
  std::vector<bool> continues;
  for (int i = 0; i < lines.size(); ++i) {
    if (i > 0) {
      joined += QChar::ParagraphSeparator;
      continues.push_back(false);
    }
    const QString& line = lines[i];
    for (int at = 0; at < line.size(); at += kChunkChars) {
      if (at > 0) {
        joined += QChar::ParagraphSeparator;
        continues.push_back(true);
      }
      joined += QStringView(line).mid(at, kChunkChars);
    }
  }
  QTextBlock first = c.block();
  c.insertText(joined, format);
  QTextBlock b = first.next();
  for (size_t i = 0; i < continues.size() && b.isValid(); ++i, b = b.next()) {
    b.setUserState(continues[i] ? kContinuation : -1);
  }
  c.endEditBlock();
  DropOldestLines(appendStart);
  document()->setUndoRedoEnabled(true);
  RestoreTypingFormat();
}

void CConsoleEdit::DropOldestLines(int keepFrom) {
  const int excess = document()->characterCount() - kTextLimit;
  if (excess <= 0) return;
  // Cut at the first line start that brings the text under the limit, but never into
  // the text just appended.
  int cut = keepFrom;
  for (QTextBlock b = document()->firstBlock().next(); b.isValid() && b.position() < keepFrom;
       b = b.next()) {
    if (!IsContinuation(b) && b.position() >= excess) {
      cut = b.position();
      break;
    }
  }
  QTextCursor c(document());
  c.setPosition(0);
  c.setPosition(cut, QTextCursor::KeepAnchor);
  c.removeSelectedText();
}

void CConsoleEdit::RestoreTypingFormat() {
  moveCursor(QTextCursor::End);
  setCurrentCharFormat(typing_);
  ensureCursorVisible();
}

QString CConsoleEdit::JoinedText(int from, int to) const {
  QString out;
  for (QTextBlock b = document()->findBlock(from); b.isValid() && b.position() <= to;
       b = b.next()) {
    if (b.position() > from && !IsContinuation(b)) out += QChar('\n');
    const int start = std::max(from - b.position(), 0);
    const int end = std::min(to - b.position(), b.length() - 1);
    if (end > start) out += b.text().mid(start, end - start);
  }
  return out;
}

bool CConsoleEdit::Accepts(const QString& text) {
  std::string sjis;
  if (text.isEmpty() || QtToSjis(text, sjis)) return true;
  QApplication::beep();
  emit textRefused();
  return false;
}

void CConsoleEdit::keyPressEvent(QKeyEvent* e) {
  const int key = e->key();
  const Qt::KeyboardModifiers mods = e->modifiers();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    // The line break always lands at the end, so the line run is the last one.
    moveCursor(QTextCursor::End);
    QTextCursor c = textCursor();
    c.insertBlock(QTextBlockFormat(), typing_);
    c.block().setUserState(-1);
    setTextCursor(c);
    ensureCursorVisible();
    emit lineEntered();
    return;
  }
  if (key == Qt::Key_F1) {
    emit historyRequested();
    return;
  }
  if (key == Qt::Key_F3) {
    emit recallRequested();
    return;
  }
  if ((mods & Qt::ControlModifier) && !(mods & (Qt::ShiftModifier | Qt::AltModifier))) {
    switch (key) {
      case Qt::Key_C:
        copy();
        return;
      case Qt::Key_V:
        paste();
        return;
      case Qt::Key_X:
        cut();
        return;
      case Qt::Key_Z:
        undo();
        return;
      default:
        break;
    }
  }
  const QString typed = e->text();
  if (!Accepts(typed)) return;
  QPlainTextEdit::keyPressEvent(e);
}

void CConsoleEdit::inputMethodEvent(QInputMethodEvent* e) {
  if (!Accepts(e->commitString())) {
    e->setCommitString(QString());
  }
  QPlainTextEdit::inputMethodEvent(e);
}

void CConsoleEdit::contextMenuEvent(QContextMenuEvent* e) {
  emit contextMenuRequested(e->globalPos());
}

QMimeData* CConsoleEdit::createMimeDataFromSelection() const {
  const QTextCursor c = textCursor();
  auto* data = new QMimeData;
  data->setText(JoinedText(c.selectionStart(), c.selectionEnd()));
  return data;
}

bool CConsoleEdit::canInsertFromMimeData(const QMimeData* source) const {
  return source->hasText();
}

void CConsoleEdit::insertFromMimeData(const QMimeData* source) {
  if (!source->hasText()) return;
  const QString text = source->text();
  if (!Accepts(text)) return;
  InsertAtCaret(text);
}

}  // namespace vpx::ui
