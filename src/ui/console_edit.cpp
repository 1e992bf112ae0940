#include "ui/console_edit.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QThread>
#include <QWheelEvent>
#include <algorithm>
#include <vector>

#include "host/sjis.h"
#include "host/trace_log.h"
#include "ui/qt_text.h"
#include "ui/widget_style.h"

namespace vpx::ui {
namespace {

// Block state of a block that continues the line of the block before it.
constexpr int kContinuation = 1;
// Character property that marks program output (kept whatever format is merged later).
constexpr int kOutputProperty = QTextFormat::UserProperty + 1;

// Characters that make up one number or word for a double-click.
bool IsWordChar(QChar ch) {
  return ch.isLetterOrNumber() || ch == QChar('.') || ch == QChar('_');
}

// A key's text that inserts (printable characters and tab), as opposed to control codes.
bool IsInsertingText(const QString& text) {
  if (text.isEmpty()) return false;
  return std::all_of(text.begin(), text.end(), [](QChar ch) {
    return ch.category() != QChar::Other_Control || ch == QChar('\t');
  });
}

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
  setFont(ConsoleFont(kConsolePoints));
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
  output_.setProperty(kOutputProperty, true);
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
      WriteTrace(SJ("※　Shift-JIS に変換できない文字を含む行です。CConsoleEdit::GetLine()[") +
                 FirstCharacterWithoutSjisForm(text.toStdString()) + "]\n");
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
  const QTextCursor at = textCursor();
  if (!MakeEditable(at.selectionStart(), at.selectionEnd())) return;
  QTextCursor c = textCursor();
  c.insertText(text, typing_);
  setTextCursor(c);
  ensureCursorVisible();
}

void CConsoleEdit::SafeCut() {
  const QTextCursor at = textCursor();
  if (TouchesOutput(at.selectionStart(), at.selectionEnd())) {
    moveCursor(QTextCursor::End);
    return;
  }
  cut();
}

bool CConsoleEdit::IsOutputBlock(const QTextBlock& b) const {
  for (QTextBlock::iterator it = b.begin(); !it.atEnd(); ++it) {
    if (it.fragment().charFormat().boolProperty(kOutputProperty)) return true;
  }
  return false;
}

bool CConsoleEdit::TouchesOutput(int from, int to) const {
  QTextBlock b = document()->findBlock(from);
  if (from >= to) return b.isValid() && IsOutputBlock(b);
  for (; b.isValid() && b.position() < to; b = b.next()) {
    if (IsOutputBlock(b)) return true;
    // Removing this block's break joins the next line to it.
    const int breakAt = b.position() + b.length() - 1;
    if (breakAt >= from && breakAt < to && b.next().isValid() && IsOutputBlock(b.next()))
      return true;
  }
  return false;
}

bool CConsoleEdit::MakeEditable(int from, int to) {
  if (!TouchesOutput(from, to)) return true;
  moveCursor(QTextCursor::End);
  const int end = textCursor().position();
  return !TouchesOutput(end, end);
}

QTextBlock CConsoleEdit::LineStart(QTextBlock b) const {
  while (IsContinuation(b) && b.previous().isValid()) b = b.previous();
  return b;
}

QTextBlock CConsoleEdit::LineEnd(QTextBlock b) const {
  while (b.next().isValid() && IsContinuation(b.next())) b = b.next();
  return b;
}

void CConsoleEdit::SelectLogicalWord(int position) {
  QTextDocument* doc = document();
  const QTextBlock block = doc->findBlock(position);
  if (!block.isValid()) return;
  const QTextBlock first = LineStart(block);
  const QTextBlock last = LineEnd(block);
  const int lineStart = first.position();
  const int lineEnd = last.position() + last.length() - 1;
  // Block breaks inside the line are no characters of it: step over them.
  auto isBreak = [&](int at) { return doc->characterAt(at) == QChar::ParagraphSeparator; };
  auto wordAt = [&](int at) {
    return at >= lineStart && at < lineEnd && !isBreak(at) && IsWordChar(doc->characterAt(at));
  };
  int at = position;
  if (!wordAt(at) && wordAt(at - 1)) --at;
  if (!wordAt(at)) return;
  int start = at;
  for (int p = at - 1; p >= lineStart; --p) {
    if (isBreak(p)) continue;
    if (!wordAt(p)) break;
    start = p;
  }
  int end = at + 1;
  for (int p = at + 1; p < lineEnd; ++p) {
    if (isBreak(p)) continue;
    if (!wordAt(p)) break;
    end = p + 1;
  }
  QTextCursor c(doc);
  c.setPosition(start);
  c.setPosition(end, QTextCursor::KeepAnchor);
  setTextCursor(c);
}

void CConsoleEdit::SelectLogicalLine(int position) {
  const QTextBlock block = document()->findBlock(position);
  if (!block.isValid()) return;
  const QTextBlock last = LineEnd(block);
  QTextCursor c(document());
  c.setPosition(LineStart(block).position());
  c.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
  setTextCursor(c);
}

int CConsoleEdit::FontPoints() const {
  return font().pointSize();
}

void CConsoleEdit::ZoomBy(int points) {
  QFont f = font();
  f.setPointSize(std::clamp(f.pointSize() + points, kMinPoints, kMaxPoints));
  setFont(f);
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
  emit textRefused(QString::fromStdString(FirstCharacterWithoutSjisForm(text.toStdString())));
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
  if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier)) {
    // Zoom keys: '+' needs Shift on a Japanese keyboard.
    if (key == Qt::Key_Plus || key == Qt::Key_Equal || key == Qt::Key_Minus || key == Qt::Key_0) {
      if (key == Qt::Key_0)
        ZoomBy(kConsolePoints - FontPoints());
      else
        ZoomBy(key == Qt::Key_Minus ? -1 : 1);
      return;
    }
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
        SafeCut();
        return;
      case Qt::Key_Z:
        undo();
        return;
      default:
        break;
    }
  }
  if (HandleEditKey(e)) return;
  QPlainTextEdit::keyPressEvent(e);
}

bool CConsoleEdit::HandleEditKey(QKeyEvent* e) {
  const QString typed = e->text();
  if (IsInsertingText(typed)) {
    if (!Accepts(typed)) return true;
    const QTextCursor at = textCursor();
    if (!MakeEditable(at.selectionStart(), at.selectionEnd())) return true;
    // Typed text is inserted here so that it is white whatever format the caret picked up.
    QTextCursor c = textCursor();
    c.insertText(typed, typing_);
    setTextCursor(c);
    ensureCursorVisible();
    return true;
  }
  const int key = e->key();
  if (key != Qt::Key_Backspace && key != Qt::Key_Delete) return false;
  const bool word = (e->modifiers() & Qt::ControlModifier) != 0;
  const auto removed = [&] {
    QTextCursor c = textCursor();
    if (!c.hasSelection()) {
      if (key == Qt::Key_Backspace)
        c.movePosition(word ? QTextCursor::PreviousWord : QTextCursor::PreviousCharacter,
                       QTextCursor::KeepAnchor);
      else
        c.movePosition(word ? QTextCursor::NextWord : QTextCursor::NextCharacter,
                       QTextCursor::KeepAnchor);
    }
    return std::make_pair(c.selectionStart(), c.selectionEnd());
  };
  auto [from, to] = removed();
  if (!TouchesOutput(from, to)) return false;
  moveCursor(QTextCursor::End);
  std::tie(from, to) = removed();
  // At the end the key acts on the user's line, or nowhere when that would touch output.
  return TouchesOutput(from, to);
}

void CConsoleEdit::inputMethodEvent(QInputMethodEvent* e) {
  if (!Accepts(e->commitString())) {
    e->setCommitString(QString());
  }
  if (!e->commitString().isEmpty()) {
    const QTextCursor at = textCursor();
    if (!MakeEditable(at.selectionStart(), at.selectionEnd())) {
      e->setCommitString(QString());
    } else if (!textCursor().hasSelection()) {
      setCurrentCharFormat(typing_);
    }
  }
  QPlainTextEdit::inputMethodEvent(e);
}

void CConsoleEdit::mouseDoubleClickEvent(QMouseEvent* e) {
  QPlainTextEdit::mouseDoubleClickEvent(e);
  if (e->button() != Qt::LeftButton) return;
  SelectLogicalWord(cursorForPosition(e->position().toPoint()).position());
  lastDoubleClickAt_ = e->position().toPoint();
  lastDoubleClickMs_ = QDateTime::currentMSecsSinceEpoch();
}

void CConsoleEdit::mousePressEvent(QMouseEvent* e) {
  const QPoint at = e->position().toPoint();
  const bool triple =
      e->button() == Qt::LeftButton && lastDoubleClickMs_ >= 0 &&
      QDateTime::currentMSecsSinceEpoch() - lastDoubleClickMs_ <=
          QApplication::doubleClickInterval() &&
      (at - lastDoubleClickAt_).manhattanLength() <= QApplication::startDragDistance();
  lastDoubleClickMs_ = -1;
  if (triple) {
    SelectLogicalLine(cursorForPosition(at).position());
    e->accept();
    return;
  }
  QPlainTextEdit::mousePressEvent(e);
}

void CConsoleEdit::wheelEvent(QWheelEvent* e) {
  if (e->modifiers() & Qt::ControlModifier) {
    const int steps = e->angleDelta().y() / 120;
    if (steps != 0) ZoomBy(steps);
    e->accept();
    return;
  }
  QPlainTextEdit::wheelEvent(e);
}

void CConsoleEdit::dropEvent(QDropEvent* e) {
  // Text dragged inside the console is copied, never moved: its source may be output.
  if (e->source() == this) e->setDropAction(Qt::CopyAction);
  QPlainTextEdit::dropEvent(e);
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
