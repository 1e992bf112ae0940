// The console of the main view: black, typed text white, program output bold cyan, Enter
// always entering the last line, and the engine's IConsole (line count, read a line,
// append output). Output lines longer than a chunk are held in continuation blocks, so a
// million-digit line lays out at once; reading and copying join them again.
#pragma once

#include <QPlainTextEdit>
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

 signals:
  // Enter was pressed: the line break is in; the last completed line is to be run.
  void lineEntered();
  void historyRequested();  // F1
  void recallRequested();   // F3
  void contextMenuRequested(const QPoint& globalPos);
  // Typed or pasted text without a Shift-JIS form was refused.
  void textRefused();

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  QMimeData* createMimeDataFromSelection() const override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  bool Accepts(const QString& text);
  void AppendLines(const QString& text, const QTextCharFormat& format);
  void DropOldestLines(int keepFrom);
  void RestoreTypingFormat();
  QString JoinedText(int from, int to) const;

  QTextCharFormat typing_;
  QTextCharFormat output_;
};

}  // namespace vpx::ui
