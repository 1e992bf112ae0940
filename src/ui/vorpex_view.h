// CVorpexView: the main view, the whole working surface of the window — the console on
// top, the running-job list, the shortcut list and the four buttons below — laid out by
// fixed proportions on every resize. It owns the engine and the widgets that serve it as
// its user interface, and turns keys, menus and buttons into engine operations.
#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "engine/engine.h"
#include "host/ui_host.h"

class QMenu;
class QPushButton;

namespace vpx::ui {

class CConsoleEdit;
class CReportList;
class CInputHistoryDlg;
class CMyBinDialog;
class CQtGuiQueue;
class CQtDialogs;
class CQtClipboard;
class CListFileActions;
class CLineRunner;

class CVorpexView : public QWidget, public IBinaryDisplay {
  Q_OBJECT
 public:
  explicit CVorpexView(QWidget* parent = nullptr);
  ~CVorpexView() override;

  // The initial update: engine start-up, history dialog, first layout. False after the
  // start-up's failure message; the frame then closes.
  bool InitialUpdate();
  // A close request: true when the frame may close now; while jobs run it only asks the
  // engine to shut down, and the frame is asked again when the engine has ended.
  bool RequestClose();
  // True once a close has started the shut-down, or when the engine never started.
  bool IsClosing() const { return !started_ || shutdownAsked_; }
  // The frame is closing: the binary displays and the history dialog go with it, so no
  // window of the process is left.
  void CloseDialogs();
  // File-open dialog; the chosen path is inserted at the console caret, quoted or not.
  void InsertChosenPath(bool quoted);

  // Opens a binary display on the request's range, placed at the view's top-right corner.
  int OpenBinaryDisplay(const BinaryDisplayRequest& request) override;
  // The binary display as the dump command opens it: the inclusive range first..last.
  int OpenBinaryDialog(const std::string& name, int64_t first, int64_t last);

  CVorpexEngine* Engine() const { return engine_.get(); }
  CConsoleEdit* Console() const { return console_; }
  CReportList* ResultList() const { return resultList_; }
  CReportList* JobList() const { return jobList_; }
  CInputHistoryDlg* HistoryDialog() const { return history_; }
  QPushButton* Button(int index) const { return buttons_[index]; }  // ADD, SAVE, LOAD, DEL
  QMenu* ConsoleMenu() const { return consoleMenu_; }
  QMenu* ListMenu() const { return listMenu_; }
  QMenu* JobMenu() const { return jobMenu_; }
  CListFileActions* ListFiles() const { return listFiles_.get(); }
  CLineRunner* Runner() const { return runner_; }
  // Places the controls for the current client size.
  void LayoutControls();
  void ShowHistory();
  void RecallLastLine();
  void InsertHistoryEntry(int index);
  // Sets the cancel flag of the job in the selected row of the running-job list; its row
  // then shows that it is being cancelled, with its elapsed time stopped.
  void CancelSelectedJob();
  // Starts in-place editing of the first selected shortcut row (its text is not kept).
  void EditSelectedShortcut();
  // The whole value of entry index (not the row's cut text); empty when there is none.
  QString EntryValue(int index);
  // Puts the whole values of the selected result rows on the clipboard, one per line.
  void CopySelectedValues();
  // Holds or releases the result list and says so in the status bar.
  void SetListHold(bool hold);
  // A job's result is in its entry: status bar text and the entry scrolled into view.
  void OnJobRetired(const RetiredJob& job);
  // The status text for a retired job, "【完了】[7] CheckFileCRC(…) CRCが一致しました。".
  static QString RetiredJobText(const RetiredJob& job);

 signals:
  // The engine has ended after a shutdown request: the frame may close now.
  void closeFrameRequested();
  void statusMessage(const QString& text, int timeoutMs = 5000);
  // A close request found jobs running: they are being cancelled before the window closes.
  void closingStarted();
  // The result list was held (true) or released.
  void holdChanged(bool held);

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  void BuildMenus();
  void ConnectControls();
  void OnBinaryDialogClosed(CMyBinDialog* dialog);
  void ShutDownEngine();

  CConsoleEdit* console_;
  CReportList* jobList_;
  CReportList* resultList_;
  QPushButton* buttons_[4];
  QMenu* consoleMenu_ = nullptr;
  QMenu* listMenu_ = nullptr;
  QMenu* jobMenu_ = nullptr;
  CLineRunner* runner_ = nullptr;
  CInputHistoryDlg* history_ = nullptr;
  bool layoutReady_ = false;
  bool started_ = false;
  bool shutdownAsked_ = false;
  int binaryOpened_ = 0;  // binary displays opened so far (their cascade)

  std::unique_ptr<CQtGuiQueue> queue_;
  std::unique_ptr<CQtDialogs> dialogs_;
  std::unique_ptr<CQtClipboard> clipboard_;
  UserInterface ui_;
  std::unique_ptr<CVorpexEngine> engine_;
  std::unique_ptr<CListFileActions> listFiles_;
};

}  // namespace vpx::ui
