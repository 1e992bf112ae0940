// CMainFrame: the application's main window — caption, menu bar, status bar, About box —
// holding the main view. A close request while jobs run only starts the shut-down (and the
// window says so); the window closes once the engine has ended, and the application ends
// with it, whatever dialogs are open.
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

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void BuildMenuBar();

  CVorpexView* view_;
  QLabel* holdNotice_;
  CLockIndicators* locks_;
};

}  // namespace vpx::ui
