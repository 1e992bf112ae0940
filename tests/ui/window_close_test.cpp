// Closing the main window: a close by the user asks first when jobs would be cancelled or
// entries are not saved (a signal's close does not); the application's event loop ends
// whatever dialogs are open and whatever jobs run (a computation that cannot see its cancel
// flag is abandoned, a job that polls it is cancelled); while jobs stop, the window says that
// it is closing. A cancelled job's row stops its elapsed time and says it is being cancelled.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "engine/engine.h"
#include "engine/func_result.h"
#include "engine/thread_dlg.h"
#include "host/trace_log.h"
#include "language/func_catalogue.h"
#include "language/func_data.h"
#include "ui/history_dialog.h"
#include "ui/main_frame.h"
#include "ui/report_list.h"
#include "ui/ui_test_app.h"
#include "ui/vorpex_view.h"

namespace vpx::ui {
namespace {

using namespace std::chrono_literals;
using test::App;
using test::PumpUntil;

constexpr int kWatchdogMs = 20000;  // a hang, not a speed limit
constexpr FuncId kCancellableId = FuncId::MakeClearedFile;
constexpr FuncId kComputationId = FuncId::Factorial;

std::atomic<bool> g_release{false};
std::atomic<int> g_running{0};

int CancellableBody(CMyThreadDlg& job) {
  ++g_running;
  while (!g_release && !job.IsCancelled()) std::this_thread::sleep_for(2ms);
  return 1;
}

// Ignores its cancel flag, as a computation inside a number library does.
int StuckBody(CMyThreadDlg&) {
  ++g_running;
  while (!g_release) std::this_thread::sleep_for(2ms);
  return 1;
}

class WindowClose : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    g_release = false;
    g_running = 0;
    dir_ = std::filesystem::temp_directory_path() / ("vorpex_close_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    InitTraceLog((dir_ / "trace.txt").string());
    frame_ = std::make_unique<CMainFrame>();
    frame_->show();
    ASSERT_TRUE(frame_->Initialise());
    view_ = frame_->View();
    CVorpexEngine* engine = view_->Engine();
    engine->Handlers().AddJobBody(kCancellableId, CancellableBody);
    engine->Handlers().AddJobBody(kComputationId, StuckBody, JobShutdown::kAbandon);
  }
  void TearDown() override {
    frame_.reset();
    g_release = true;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWatchdogMs);
    while (CMyThreadDlg::AbandonedStillRunning() > 0 && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(2ms);
    std::filesystem::remove_all(dir_);
  }

  void Queue(FuncId id, const std::string& line) {
    CMyFuncData call;
    call.SetLineText(line);
    ASSERT_EQ(view_->Engine()->QueueJob(id, call, {}), 1);
  }

  // Runs the application's event loop until it ends; false when the watchdog ended it.
  bool RunEventLoopUntilItEnds() {
    bool timedOut = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
      timedOut = true;
      QCoreApplication::exit(1);
    });
    watchdog.start(kWatchdogMs);
    App().exec();
    return !timedOut;
  }

  // The next close question is answered with the button labelled answer; its text and
  // buttons are kept.
  void AnswerCloseQuestion(const QString& answer) {
    QTimer::singleShot(0, [this, answer] {
      ASSERT_TRUE(PumpUntil(
          [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; }));
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      question_ = box->text();
      buttons_.clear();
      QAbstractButton* chosen = nullptr;
      for (QAbstractButton* button : box->buttons()) {
        buttons_ << button->text();
        if (button->text() == answer) chosen = button;
      }
      ASSERT_NE(chosen, nullptr);
      chosen->click();
    });
  }

  std::filesystem::path dir_;
  std::unique_ptr<CMainFrame> frame_;
  CVorpexView* view_ = nullptr;
  QString question_;
  QStringList buttons_;
};

TEST_F(WindowClose, ACloseWithAJobRunningAsksAndCancelKeepsItRunning) {
  Queue(kCancellableId, "MakeClearedFile(\"x\", 1)");
  ASSERT_TRUE(PumpUntil([] { return g_running.load() == 1; }));
  AnswerCloseQuestion(QStringLiteral("キャンセル"));
  frame_->close();
  // The job's reserved entry is not saved either.
  EXPECT_EQ(question_, QStringLiteral("実行中のジョブが 1 件あります。\n"
                                      "保存していないショートカットがあります。"));
  EXPECT_TRUE(buttons_.contains(QStringLiteral("終了")));
  EXPECT_TRUE(frame_->isVisible());
  EXPECT_FALSE(view_->Engine()->IsShutdownRequested());
  test::PumpFor(100);
  EXPECT_EQ(view_->Engine()->LiveJobCount(), 1);
  g_release = true;
}

TEST_F(WindowClose, UnsavedEntriesAreNamedAndCanBeSavedBeforeClosing) {
  CMyFuncResult record;
  record.type = kRetString;
  record.text = "kept";
  ASSERT_EQ(view_->Engine()->AddDataToListAndShortCut(record, true), 1);
  AnswerCloseQuestion(QStringLiteral("キャンセル"));
  frame_->close();
  EXPECT_EQ(question_, QStringLiteral("保存していないショートカットがあります。"));
  for (const char* label : {"保存して終了", "終了", "キャンセル"})
    EXPECT_TRUE(buttons_.contains(QString::fromUtf8(label))) << label;
  EXPECT_EQ(buttons_.size(), 3);
  EXPECT_TRUE(frame_->isVisible());
}

TEST_F(WindowClose, ASignalsCloseDoesNotAsk) {
  Queue(kCancellableId, "MakeClearedFile(\"x\", 1)");
  ASSERT_TRUE(PumpUntil([] { return g_running.load() == 1; }));
  QTimer::singleShot(0, frame_.get(), &CMainFrame::CloseWithoutAsking);
  ASSERT_TRUE(RunEventLoopUntilItEnds());
  EXPECT_FALSE(frame_->isVisible());
}

TEST_F(WindowClose, ClosingWithABinaryDisplayAndTheHistoryDialogOpenEndsTheEventLoop) {
  const std::string file = (dir_ / "data.bin").string();
  std::ofstream(file, std::ios::binary) << std::string(64, 'a');
  ASSERT_EQ(view_->OpenBinaryDialog(file, 0, 63), 1);
  view_->ShowHistory();
  ASSERT_TRUE(view_->HistoryDialog()->isVisible());
  QTimer::singleShot(0, frame_.get(), &QWidget::close);
  ASSERT_TRUE(RunEventLoopUntilItEnds());
  EXPECT_FALSE(frame_->isVisible());
  EXPECT_FALSE(view_->HistoryDialog()->isVisible());
  for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible()) << w;
}

TEST_F(WindowClose, ClosingWithJobsRunningSaysSoAndEndsTheEventLoopOnceTheyStop) {
  Queue(kCancellableId, "MakeClearedFile(\"x\", 1)");
  Queue(kComputationId, "Factorial(9999999)");
  ASSERT_TRUE(PumpUntil([] { return g_running.load() == 2; }));
  AnswerCloseQuestion(QStringLiteral("終了"));
  frame_->close();
  EXPECT_TRUE(question_.startsWith(QStringLiteral("実行中のジョブが 2 件あります。")));
  EXPECT_TRUE(frame_->isVisible());
  EXPECT_TRUE(frame_->windowTitle().contains(QStringLiteral("終了処理中")));
  ASSERT_TRUE(RunEventLoopUntilItEnds());
  EXPECT_FALSE(frame_->isVisible());
  EXPECT_EQ(CMyThreadDlg::AbandonedStillRunning(), 1);  // the stuck computation, left behind
}

TEST_F(WindowClose, CancelledJobStopsItsElapsedTimeAndSaysSoWhileTheListIsHeld) {
  Queue(kComputationId, "Factorial(9999999)");
  CReportList* jobs = view_->JobList();
  ASSERT_TRUE(PumpUntil([&] { return jobs->GetRowCount() == 1; }));
  view_->Engine()->Results().HoldList();
  jobs->SetRowSelected(0, true);
  view_->CancelSelectedJob();
  const QString shown = jobs->ElapsedPrefix(0);
  EXPECT_TRUE(shown.startsWith(QStringLiteral("中断中 0:0"))) << shown.toStdString();
  test::PumpFor(1100);  // a running counter would have moved on by a second
  EXPECT_EQ(jobs->ElapsedPrefix(0), shown);
  EXPECT_EQ(jobs->GetRowCount(), 1);
  view_->Engine()->Results().ReleaseListHold();
  g_release = true;
  EXPECT_TRUE(PumpUntil([&] { return jobs->GetRowCount() == 0; }));
}

}  // namespace
}  // namespace vpx::ui
