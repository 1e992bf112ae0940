// CMainFrame: the application's main window — caption, menu bar, status bar, About box —
// holding the main view. A close request of the user first asks when jobs would be cancelled
// or entries are not saved; signals and the desktop's logout close without asking. A close
// while jobs run only starts the shut-down (and the window says so); the window closes once
// the engine has ended, and the application ends with it, whatever dialogs are open.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <memory>

namespace vpx::ui {

class CVorpexView;
class CLockIndicators;

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  CMainFrame();
  ~CMainFrame() override;

  // Runs the view's initial update; false when start-up failed (the frame then closes).
  bool Initialise();
  CVorpexView* View() const { return view_; }
  CLockIndicators* LockIndicators() const { return locks_; }
  // The text shown while the result list is held; hidden otherwise.
  QLabel* HoldNotice() const { return holdNotice_; }
  void ShowAbout();
  // The caption and the status bar say that jobs are being cancelled before the close.
  void ShowClosing();
  // The About box, sized to its text and caption.
  std::unique_ptr<QDialog> CreateAboutBox();
  // What closing now would lose, one sentence a line; empty when nothing.
  QString CloseLossText();
  // Closes without asking (signals, the desktop's logout).
  Q_INVOKABLE void CloseWithoutAsking();

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void BuildMenuBar();
  void BuildViewMenu();
  // Asks before a close that would lose jobs or unsaved entries; true to go on closing
  // (after saving, when that was chosen and succeeded).
  bool ConfirmClose();

  bool askBeforeClose_ = true;
  CVorpexView* view_;
  QLabel* holdNotice_;
  CLockIndicators* locks_;
};

}  // namespace vpx::ui
