// The rows of long output lines: each row of the console's width is a block of its own, so
// that a million-digit line lays out at once and still wraps evenly at the console's edge;
// after a resize or a zoom the lines are split again.
#include <QFontMetricsF>
#include <QTextBlock>
#include <algorithm>
#include <array>

#include "ui/console_edit.h"

namespace vpx::ui {

std::vector<int> CConsoleEdit::RowsOf(QStringView line) const {
  std::vector<int> rows = RowLengths(line);
  if (!rows.empty()) return rows;
  for (qsizetype at = 0; at < line.size(); at += kChunkChars)
    rows.push_back(static_cast<int>(std::min<qsizetype>(kChunkChars, line.size() - at)));
  if (rows.empty()) rows.push_back(0);
  return rows;
}

void CConsoleEdit::AppendRows(QString& joined, QStringView line, const std::vector<int>& rows,
                              std::vector<bool>& continues) {
  int at = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (i > 0) {
      joined += QChar::ParagraphSeparator;
      continues.push_back(true);
    }
    joined += line.mid(at, rows[i]);
    at += rows[i];
  }
}

std::vector<int> CConsoleEdit::RowLengths(QStringView line) const {
  std::vector<int> rows;
  if (!isVisible()) return rows;
  QFont bold = font();
  bold.setWeight(QFont::Bold);
  const QFontMetricsF metrics(bold, viewport());
  // The width the document lays a block out in.
  const qreal width = viewport()->width() - 2 * document()->documentMargin();
  if (width < metrics.averageCharWidth() * kMinRowChars) return rows;
  std::array<qreal, 256> narrow{};  // advances of the Latin-1 characters, as met
  auto advance = [&](QChar ch) {
    if (ch.unicode() >= narrow.size()) return metrics.horizontalAdvance(ch);
    qreal& known = narrow[ch.unicode()];
    if (known == 0) known = metrics.horizontalAdvance(ch);
    return known;
  };
  qreal used = 0;
  int start = 0;
  for (int i = 0; i < line.size(); ++i) {
    const qreal w = advance(line[i]);
    if (used + w > width && i > start) {
      rows.push_back(i - start);
      start = i;
      used = 0;
    }
    used += w;
  }
  rows.push_back(static_cast<int>(line.size()) - start);
  return rows;
}

void CConsoleEdit::Rewrap() {
  if (!isVisible()) return;
  wrappedWidth_ = viewport()->width();
  const QTextCursor caret = textCursor();
  const bool caretInInput = caret.selectionStart() >= InputStart();
  const int fromEnd = document()->characterCount() - caret.position();
  document()->setUndoRedoEnabled(false);
  for (QTextBlock b = document()->firstBlock(); b.isValid() && b.position() < outputAt_;) {
    const QTextBlock last = LineEnd(b);
    const QTextBlock next = last.next();
    if (IsOutputBlock(b)) RewrapLine(b, last);
    b = next;
  }
  document()->setUndoRedoEnabled(true);
  if (caretInInput) {
    // The caret keeps its place in the input region; a selection in the transcript is gone.
    QTextCursor c(document());
    c.setPosition(std::max(document()->characterCount() - fromEnd, InputStart()));
    setTextCursor(c);
    ensureCursorVisible();
  }
}

void CConsoleEdit::RewrapLine(QTextBlock first, QTextBlock last) {
  const int start = first.position();
  const int end = last.position() + last.length() - 1;
  const QString line = JoinedText(start, end);
  const std::vector<int> rows = RowsOf(line);
  std::vector<int> blocks;
  for (QTextBlock b = first; b.isValid() && b.position() <= end; b = b.next())
    blocks.push_back(b.length() - 1);
  if (blocks == rows) return;
  std::vector<bool> continues;
  QString joined;
  joined.reserve(line.size() + static_cast<qsizetype>(rows.size()));
  AppendRows(joined, line, rows, continues);
  QTextCursor c(document());
  c.setPosition(start);
  c.setPosition(end, QTextCursor::KeepAnchor);
  c.beginEditBlock();
  c.insertText(joined, output_);
  QTextBlock b = document()->findBlock(start);
  b.setUserState(-1);
  b = b.next();
  for (size_t i = 0; i < continues.size() && b.isValid(); ++i, b = b.next())
    b.setUserState(kContinuation);
  c.endEditBlock();
  ShiftPositions(end + 1, static_cast<int>(joined.size()) - (end - start));
}

}  // namespace vpx::ui
