// The console of the main view: black, typed text white, program output bold cyan, and the
// engine's IConsole (line count, read a line, append output). The text is a read-only
// transcript (output and entered lines) followed by the input region, the text typed since;
// an edit aimed at the transcript is moved to the end of the text. Enter takes the input
// region's lines; they wait, shown, between the transcript and the input region until run,
// and output lands just before the lines still waiting. Output lines longer than a row are
// held in one block per row, so a million-digit line lays out at once and wraps evenly;
// reading, selecting and copying join them again.
#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <QTextBlock>
#include <string>
#include <vector>

#include "host/ui_host.h"

class QTimer;

namespace vpx::ui {

class CConsoleEdit : public QPlainTextEdit, public IConsole {
  Q_OBJECT
 public:
  // Characters the text holds at most; the oldest lines go first.
  static constexpr int kTextLimit = 4194304;
  // Characters of one block of a long output line while the console has no width yet.
  static constexpr int kChunkChars = 100;
  // Below this many characters a row the output keeps fixed chunks (a console too narrow to
  // read would otherwise split a long line into very many blocks).
  static constexpr int kMinRowChars = 8;
  // Block state of a block that continues the line of the block before it.
  static constexpr int kContinuation = 1;

  explicit CConsoleEdit(QWidget* parent = nullptr);

  // IConsole, GUI thread (other threads are moved there).
  int GetLineCount() override;
  std::string GetLine(int n) override;
  void AppendOutput(const std::string& text) override;

  // Appends text at the end in the typing style, not undoable (F3).
  void AppendTyped(const QString& text);

  // Enter: puts a line break at the end and takes the input region's lines, which wait
  // between the transcript and the new input region until BeginRun.
  QStringList EnterInput();
  // The next waiting line, chars long with its line break, is being run: it joins the
  // transcript, and the output that follows lands after it.
  void BeginRun(int chars);
  // The next waiting lines, chars long with their breaks, are not run: they go back to the
  // start of the input region to be edited.
  void ReturnWaitingToInput(int chars);
  // Where the input region starts; everything before it is read-only.
  int InputStart() const;
  // The input region's text, lines joined with "\n".
  QString InputText() const;
  // Inserts text at the caret, undoable (history entries, chosen paths, paste).
  void InsertAtCaret(const QString& text);
  // Whole console text with long lines joined (copy all).
  QString LogicalText() const;
  // Selects everything, copies it and moves the caret to the end.
  void CopyAll();
  // Cut that never takes the transcript: a selection touching it only moves the caret.
  void SafeCut();
  // True when removing the characters [from, to) or inserting at from (from == to) would
  // change the transcript.
  bool TouchesTranscript(int from, int to) const;
  // Selects the whole number or word under position across the line's blocks.
  void SelectLogicalWord(int position);
  // Selects the whole logical line holding position, without its line break.
  void SelectLogicalLine(int position);

  // Console font size in points (Ctrl+plus/minus, Ctrl+wheel).
  // The default keeps IPAGothic's full stop apart from its comma at 96 dpi.
  static constexpr int kConsolePoints = 12;
  static constexpr int kMinPoints = 6;
  static constexpr int kMaxPoints = 36;
  int FontPoints() const;
  // Changes the font size, keeps the caret visible and soon rewraps the long output lines.
  void ZoomBy(int points);
  void ResetZoom();
  // Splits the long output lines again into rows of the current width and font.
  void Rewrap();

 signals:
  // Enter was pressed: the input region's lines, taken at that moment, are to be run.
  void linesEntered(const QStringList& lines);
  void historyRequested();  // F1
  void recallRequested();   // F3
  void contextMenuRequested(const QPoint& globalPos);
  // Typed or pasted text without a Shift-JIS form was refused.
  // character: "U+301C", the first character of the text without a Shift-JIS form.
  void textRefused(const QString& character);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  QMimeData* createMimeDataFromSelection() const override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  bool Accepts(const QString& text);
  // Moves the caret to the end when the edit [from, to) would touch output; false when even
  // there it would (the edit is then dropped).
  bool MakeEditable(int from, int to);
  bool IsOutputBlock(const QTextBlock& b) const;
  bool HandleEditKey(QKeyEvent* e);
  // Moves the caret to the end when it or the selection lies in the transcript.
  void LeaveTranscript();
  QTextBlock LineStart(QTextBlock b) const;
  QTextBlock LineEnd(QTextBlock b) const;
  // Inserts output lines at the output position, not undoable. Taken by value: a text
  // handed over by move has its line ends changed in place, not in a copy.
  void InsertOutput(QString text);
  // Inserts typed text at position at of the input region, not undoable.
  void InsertPlain(int at, const QString& text);
  // Characters of each row line takes at the current width; empty before the console is
  // shown (or while it is too narrow).
  std::vector<int> RowLengths(QStringView line) const;
  // The rows line is held in: as wide as the console, or fixed chunks without a width.
  std::vector<int> RowsOf(QStringView line) const;
  // Appends line to joined with paragraph separators after each of its rows but the last;
  // one continuation mark per separator is added to continues.
  static void AppendRows(QString& joined, QStringView line, const std::vector<int>& rows,
                         std::vector<bool>& continues);
  void RewrapLine(QTextBlock first, QTextBlock last);
  void DropOldestLines(int keepFrom);
  void ShiftPositions(int from, int delta);
  void RestoreTypingFormat(bool caretWasInInput);
  QString JoinedText(int from, int to) const;

  QTextCharFormat typing_;
  QTextCharFormat output_;
  // End of the transcript of run lines (output lands here), and start of the input region;
  // the lines entered and not yet run lie between.
  int outputAt_ = 0;
  int inputStart_ = 0;
  int wrappedWidth_ = -1;  // viewport width the output rows were split for
  QTimer* rewrapTimer_;
  // Where and when the last double-click was, to tell a triple-click.
  QPoint lastDoubleClickAt_;
  qint64 lastDoubleClickMs_ = -1;
};

}  // namespace vpx::ui
