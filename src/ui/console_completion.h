// Completion in the window's console: Tab completes the function name before the caret
// (the rest of a unique name and its "(", or the part all candidates share, listing them),
// and after "Name(" the signatures are shown as a hint beside the caret.
#pragma once

#include <QObject>
#include <QString>

namespace vpx::ui {

class CConsoleEdit;

class CConsoleCompletion : public QObject {
  Q_OBJECT
 public:
  // Attaches itself to console (and is deleted with it).
  explicit CConsoleCompletion(CConsoleEdit* console);

  // What Tab does at the caret; returns the hint text shown (empty when none).
  QString CompleteAtCaret();
  // The signatures of the call open before the caret, one per line; empty outside a call.
  QString HintAtCaret() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString TextBeforeCaret() const;
  void ShowHint(const QString& text);

  CConsoleEdit* console_;
};

}  // namespace vpx::ui
