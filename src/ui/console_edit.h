// The console of the main view: black, typed text white, program output bold cyan, Enter
// always entering the last line, and the engine's IConsole (line count, read a line,
// append output). Output lines longer than a chunk are held in continuation blocks, so a
// million-digit line lays out at once; reading, selecting and copying join them again.
// Program output is read-only: an edit aimed at it is moved to the end of the text.
#pragma once

#include <QPlainTextEdit>
#include <QTextBlock>
#include <string>

#include "host/ui_host.h"

namespace vpx::ui {

class CConsoleEdit : public QPlainTextEdit, public IConsole {
  Q_OBJECT
 public:
  // Characters the text holds at most; the oldest lines go first.
  static constexpr int kTextLimit = 4194304;
  // Characters of one block of a long output line.
  static constexpr int kChunkChars = 100;

  explicit CConsoleEdit(QWidget* parent = nullptr);

  // IConsole, GUI thread (other threads are moved there).
  int GetLineCount() override;
  std::string GetLine(int n) override;
  void AppendOutput(const std::string& text) override;

  // Appends text at the end in the typing style, not undoable (F3).
  void AppendTyped(const QString& text);
  // Inserts text at the caret, undoable (history entries, chosen paths, paste).
  void InsertAtCaret(const QString& text);
  // Whole console text with long lines joined (copy all).
  QString LogicalText() const;
  // Selects everything, copies it and moves the caret to the end.
  void CopyAll();
  // Cut that never takes program output: a selection touching it only moves the caret.
  void SafeCut();
  // True when removing the characters [from, to) or inserting at from (from == to) would
  // change program output.
  bool TouchesOutput(int from, int to) const;
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
  void ZoomBy(int points);

 signals:
  // Enter was pressed: the line break is in; the last completed line is to be run.
  void lineEntered();
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
  QTextBlock LineStart(QTextBlock b) const;
  QTextBlock LineEnd(QTextBlock b) const;
  void AppendLines(const QString& text, const QTextCharFormat& format);
  void DropOldestLines(int keepFrom);
  void RestoreTypingFormat();
  QString JoinedText(int from, int to) const;

  QTextCharFormat typing_;
  QTextCharFormat output_;
  // Where and when the last double-click was, to tell a triple-click.
  QPoint lastDoubleClickAt_;
  qint64 lastDoubleClickMs_ = -1;
};

}  // namespace vpx::ui
