#include "ui/console_edit.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QResizeEvent>
#include <QTextBlock>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "host/sjis.h"
#include "host/trace_log.h"
#include "ui/qt_text.h"
#include "ui/widget_style.h"

namespace vpx::ui {
namespace {

// Character property that marks program output (kept whatever format is merged later).
constexpr int kOutputProperty = QTextFormat::UserProperty + 1;
// Quiet time after the last resize before the output rows are split again.
constexpr int kRewrapDelayMs = 120;

// Line breaks of any kind as "\n" (CR LF and a lone CR become LF), in place.
void ToLineFeeds(QString& text) {
  // Only a text that has a CR is touched: one that is shared is then copied once.
  if (!text.contains(QChar('\r'))) return;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QChar('\r'), QChar('\n'));
}

// The same for a text that is kept as it is.
QString WithLineFeeds(QString text) {
  ToLineFeeds(text);
  return text;
}

// Marks the blocks from first on as lines of their own (not continuations), up to end.
void MarkLineStarts(QTextBlock first, int end) {
  for (QTextBlock b = first; b.isValid() && b.position() <= end; b = b.next()) b.setUserState(-1);
}

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
  return b.userState() == CConsoleEdit::kContinuation;
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

CConsoleEdit::CConsoleEdit(QWidget* parent)
    : QPlainTextEdit(parent), rewrapTimer_(new QTimer(this)) {
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
  rewrapTimer_->setSingleShot(true);
  rewrapTimer_->setInterval(kRewrapDelayMs);
  connect(rewrapTimer_, &QTimer::timeout, this, &CConsoleEdit::Rewrap);
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
    InsertOutput(std::move(shown));
    if (!clean) {
      // Never silently: the bytes shown as \xNN are named and the raw text is traced.
      WriteTrace(SJ("※　Shift-JIS として表示できない出力です。CConsoleEdit::AppendOutput()\n"));
      WriteTrace(text + "\n");
      InsertOutput(Qs(SJ("　※　Shift-JIS として表示できないバイトを \\xNN で示しました。\r\n")));
    }
  });
}

void CConsoleEdit::AppendTyped(const QString& text) {
  const int end = document()->characterCount() - 1;
  InsertPlain(end, WithLineFeeds(text));
  moveCursor(QTextCursor::End);
  setCurrentCharFormat(typing_);
  ensureCursorVisible();
}

// Input only: the text lands at or after the input region's start, which stays.
void CConsoleEdit::InsertPlain(int at, const QString& text) {
  // Not undoable: it ends the undo history, so that an undo never reaches past it.
  document()->setUndoRedoEnabled(false);
  QTextCursor c(document());
  c.setPosition(at);
  const QTextBlock first = c.block();
  c.insertText(text, typing_);
  MarkLineStarts(first.next(), c.position());
  document()->setUndoRedoEnabled(true);
}

int CConsoleEdit::InputStart() const {
  return std::clamp(inputStart_, 0, document()->characterCount() - 1);
}

QString CConsoleEdit::InputText() const {
  return JoinedText(InputStart(), document()->characterCount() - 1);
}

QStringList CConsoleEdit::EnterInput() {
  const QString region = InputText();
  document()->setUndoRedoEnabled(false);
  QTextCursor c(document());
  c.movePosition(QTextCursor::End);
  c.insertBlock(QTextBlockFormat(), typing_);
  c.block().setUserState(-1);
  document()->setUndoRedoEnabled(true);
  setTextCursor(c);
  setCurrentCharFormat(typing_);
  inputStart_ = c.position();
  ensureCursorVisible();
  return region.split(QChar('\n'));
}

void CConsoleEdit::BeginRun(int chars) {
  outputAt_ = std::min(outputAt_ + chars, InputStart());
}

void CConsoleEdit::ReturnWaitingToInput(int chars) {
  const int from = outputAt_;
  const int to = std::min(from + chars, InputStart());
  if (to <= from) return;
  const QString lines = JoinedText(from, to - 1);
  document()->setUndoRedoEnabled(false);
  QTextCursor c(document());
  c.setPosition(from);
  c.setPosition(to, QTextCursor::KeepAnchor);
  c.removeSelectedText();
  document()->setUndoRedoEnabled(true);
  inputStart_ -= to - from;
  // Before what has been typed since, which stays a line of its own.
  const bool typedSince = InputStart() < document()->characterCount() - 1;
  InsertPlain(InputStart(), typedSince ? lines + QChar('\n') : lines);
}

void CConsoleEdit::ShiftPositions(int from, int delta) {
  if (outputAt_ >= from) outputAt_ += delta;
  if (inputStart_ >= from) inputStart_ += delta;
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
  if (TouchesTranscript(at.selectionStart(), at.selectionEnd())) {
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

bool CConsoleEdit::TouchesTranscript(int from, int to) const {
  // Inserting at the input region's start is typing on the input line; removing the break
  // before it would join the input to the transcript.
  return std::min(from, to) < InputStart();
}

bool CConsoleEdit::MakeEditable(int from, int to) {
  if (!TouchesTranscript(from, to)) return true;
  moveCursor(QTextCursor::End);
  const int end = textCursor().position();
  return !TouchesTranscript(end, end);
}

void CConsoleEdit::LeaveTranscript() {
  const QTextCursor at = textCursor();
  MakeEditable(at.selectionStart(), at.selectionEnd());
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
  // The rows are split again once the zooming (a turn of the wheel is many steps) pauses.
  rewrapTimer_->start();
  // The scroll range counts the rows of the old size until the editor sees a resize; then
  // the caret's line, which the view's top line would otherwise push out, is brought back.
  QResizeEvent same(size(), size());
  QPlainTextEdit::resizeEvent(&same);
  ensureCursorVisible();
}

void CConsoleEdit::ResetZoom() {
  ZoomBy(kConsolePoints - FontPoints());
}

void CConsoleEdit::resizeEvent(QResizeEvent* e) {
  QPlainTextEdit::resizeEvent(e);
  if (viewport()->width() != wrappedWidth_) rewrapTimer_->start();
}

QString CConsoleEdit::LogicalText() const {
  return JoinedText(0, document()->characterCount() - 1);
}

void CConsoleEdit::CopyAll() {
  selectAll();
  copy();
  moveCursor(QTextCursor::End);
}

void CConsoleEdit::InsertOutput(QString text) {
  if (text.isEmpty()) return;
  ToLineFeeds(text);
  if (text.endsWith(QChar('\n'))) text.chop(1);  // output always ends its line
  // One insertion: line ends and row ends become block separators; then the blocks that
  // continue a line are marked. The last separator ends the output before the next line.
  // The lines are read where they stand and their rows written once, into joined.
  QString joined;
  joined.reserve(text.size() + text.size() / kMinRowChars + 2);
  std::vector<bool> continues;
  for (qsizetype from = 0;;) {
    const qsizetype lf = text.indexOf(QChar('\n'), from);
    const QStringView line = QStringView(text).mid(from, (lf < 0 ? text.size() : lf) - from);
    AppendRows(joined, line, RowsOf(line), continues);
    joined += QChar::ParagraphSeparator;
    continues.push_back(false);
    if (lf < 0) break;
    from = lf + 1;
  }
  text = QString();  // given back before the document makes its own copy of joined
  const QTextCursor caret = textCursor();
  const bool caretInInput = caret.selectionStart() >= InputStart();
  const int at = std::min(outputAt_, InputStart());
  // Output is not undoable: it ends the undo history, so that an undo never reaches past it.
  document()->setUndoRedoEnabled(false);
  QTextCursor c(document());
  c.setPosition(at);
  c.beginEditBlock();
  QTextBlock first = c.block();
  c.insertText(joined, output_);
  first.setUserState(-1);
  QTextBlock b = first.next();
  for (size_t i = 0; i < continues.size() && b.isValid(); ++i, b = b.next()) {
    b.setUserState(continues[i] ? kContinuation : -1);
  }
  c.endEditBlock();
  outputAt_ = at;
  ShiftPositions(at, static_cast<int>(joined.size()));
  DropOldestLines(at);
  document()->setUndoRedoEnabled(true);
  RestoreTypingFormat(caretInInput);
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
  outputAt_ = std::max(outputAt_ - cut, 0);
  inputStart_ = std::max(inputStart_ - cut, 0);
}

void CConsoleEdit::RestoreTypingFormat(bool caretInInput) {
  // A caret in the input region was carried along; a selection in the transcript is left
  // for copying.
  if (!caretInInput) return;
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
    // The line break always lands at the end, so what runs is the input region, taken now:
    // keys typed after Enter cannot change it.
    const QStringList lines = EnterInput();
    emit linesEntered(lines);
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
        ResetZoom();
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
  if (e->matches(QKeySequence::Cut)) {
    SafeCut();
    return;
  }
  // The other keys that edit act on the input line.
  if (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::DeleteEndOfLine) ||
      e->matches(QKeySequence::DeleteCompleteLine) || e->matches(QKeySequence::Undo) ||
      e->matches(QKeySequence::Redo))
    LeaveTranscript();
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
  if (!TouchesTranscript(from, to)) return false;
  moveCursor(QTextCursor::End);
  std::tie(from, to) = removed();
  // At the end the key acts on the input line, or nowhere when that would touch the
  // transcript.
  return TouchesTranscript(from, to);
}

void CConsoleEdit::inputMethodEvent(QInputMethodEvent* e) {
  if (!Accepts(e->commitString())) {
    e->setCommitString(QString());
  }
  if (!e->commitString().isEmpty() || !e->preeditString().isEmpty()) {
    LeaveTranscript();
    if (!textCursor().hasSelection()) setCurrentCharFormat(typing_);
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
