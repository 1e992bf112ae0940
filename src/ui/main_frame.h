// CMainFrame: the application's main window — caption, menu bar, status bar, About box —
// holding the main view. A close request while jobs run only starts the shut-down; the
// window closes once the engine has ended.
#pragma once

#include <QMainWindow>

namespace vpx::ui {

class CVorpexView;

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  CMainFrame();
  ~CMainFrame() override;

  // Runs the view's initial update; false when start-up failed (the frame then closes).
  bool Initialise();
  CVorpexView* View() const { return view_; }
  void ShowAbout();

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void BuildMenuBar();

  CVorpexView* view_;
};

}  // namespace vpx::ui
