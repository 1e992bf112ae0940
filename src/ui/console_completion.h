// Completion in the window's console: Tab completes the function name before the caret
// (the rest of a unique name and its "(", or the part all candidates share and a popup of
// them to pick from), and after "Name(" the signatures are shown as a hint beside the caret.
#pragma once

#include <QObject>
#include <QString>

class QCompleter;
class QKeyEvent;
class QStringListModel;

namespace vpx::ui {

class CConsoleEdit;

class CConsoleCompletion : public QObject {
  Q_OBJECT
 public:
  // Attaches itself to console (and is deleted with it).
  explicit CConsoleCompletion(CConsoleEdit* console);

  // What Tab does at the caret; returns the hint text shown, or the candidates offered in
  // the popup one per line (empty when none).
  QString CompleteAtCaret();
  // The signature hint shown beside the caret now (empty when none).
  const QString& ShownHint() const { return shownHint_; }
  // The popup of candidates (visible while the user picks one).
  QCompleter* Popup() const { return completer_; }
  // The signatures of the call open before the caret, one per line; empty outside a call.
  QString HintAtCaret() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString TextBeforeCaret() const;
  // The function-name characters just before the caret.
  QString PrefixAtCaret() const;
  void ShowHint(const QString& text);
  // Shows the hint at the caret once the events being handled are done.
  void ShowHintSoon();
  void OfferCandidates(const QStringList& names, const QString& prefix);
  void TakeCandidate(const QString& name);
  // Enter, Return or Tab in the popup: the current candidate is taken; true when handled.
  bool PickFromPopup(const QKeyEvent* key);
  void FollowTyping();

  CConsoleEdit* console_;
  QStringListModel* candidates_;
  QCompleter* completer_;
  QString shownHint_;
  // A name was picked from the popup: its hint is shown again when the console gets the
  // focus back, until a key is typed.
  bool hintAfterPopup_ = false;
};

}  // namespace vpx::ui
