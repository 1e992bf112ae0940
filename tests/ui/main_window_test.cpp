#include <gtest/gtest.h>
#include <unistd.h>

#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTextBlock>
#include <QTreeWidget>
#include <atomic>
#include <filesystem>
#include <string>

#include "engine/engine.h"
#include "engine/func_result.h"
#include "engine/thread_dlg.h"
#include "host/sjis.h"
#include "host/trace_log.h"
#include "language/func_data.h"
#include "ui/console_edit.h"
#include "ui/history_dialog.h"
#include "ui/main_frame.h"
#include "ui/report_list.h"
#include "ui/ui_test_app.h"
#include "ui/vorpex_view.h"
#include "ui/window_fixture.h"

namespace vpx::ui {
namespace {

using test::App;
using test::PumpUntil;

class MainWindowTest : public test::WindowFixture {
 protected:
  // Types line at the end, puts the caret on the first line and presses Enter.
  void Enter(const QString& line) {
    console_->moveCursor(QTextCursor::End);
    console_->insertPlainText(line);
    console_->moveCursor(QTextCursor::Start);
    const int before = console_->document()->blockCount();
    test::PressKey(console_, Qt::Key_Return);
    PumpUntil([&] { return console_->document()->blockCount() > before + 1; }, 10000);
    QCoreApplication::processEvents();
  }

  QTextBlock FindBlock(const QString& text) {
    for (QTextBlock b = console_->document()->firstBlock(); b.isValid(); b = b.next()) {
      if (b.text() == text) return b;
    }
    return QTextBlock();
  }
};

TEST_F(MainWindowTest, EnterRunsTheLastLineAndEchoesInTheOutputColour) {
  Enter(QStringLiteral("an earlier line"));
  Enter(QStringLiteral("AddInt(1, 2)"));
  const QTextBlock signature = FindBlock(QStringLiteral("　INT AddInt(INT, INT)"));
  ASSERT_TRUE(signature.isValid()) << console_->toPlainText().toStdString();
  const QTextBlock value = signature.next();
  EXPECT_EQ(value.text(), QStringLiteral("　3"));
  const QTextCharFormat f = value.begin().fragment().charFormat();
  EXPECT_EQ(f.foreground().color(), QColor(0, 223, 223));
  EXPECT_EQ(f.fontWeight(), QFont::Bold);
}

TEST_F(MainWindowTest, F3RecallsAnUnregisteredLine) {
  Enter(QStringLiteral("NoSuchCommand(1)"));
  ASSERT_TRUE(FindBlock(QString::fromStdString(
                            "\xE3\x80\x80\xE6\x9C\xAA\xE7\x99\xBB\xE9\x8C\xB2\xE3\x81\xAA"
                            "\xE5\x91\xBD\xE4\xBB\xA4\xE3\x81\xA7\xE3\x81\x99\xE3\x80\x82"))
                  .isValid());
  test::PressKey(console_, Qt::Key_F3);
  EXPECT_EQ(console_->document()->lastBlock().text(), QStringLiteral("NoSuchCommand(1)"));
}

TEST_F(MainWindowTest, HistoryAfterSeventeenLinesHoldsLinesTwoToSeventeenNewestFirst) {
  for (int i = 1; i <= 17; ++i) Enter(QStringLiteral("Line%1()").arg(i));
  test::PressKey(console_, Qt::Key_F1);
  CInputHistoryDlg* history = view_->HistoryDialog();
  ASSERT_TRUE(history->isVisible());
  QTreeWidget* list = history->List();
  ASSERT_EQ(list->topLevelItemCount(), 16);
  for (int row = 0; row < 16; ++row) {
    EXPECT_EQ(list->topLevelItem(row)->text(0), QStringLiteral("Line%1()").arg(17 - row));
    EXPECT_EQ(list->topLevelItem(row)->text(1), QString::asprintf("%4d", row));
  }
  // Choosing an entry inserts it at the caret without running it.
  const int blocks = console_->document()->blockCount();
  list->setCurrentItem(list->topLevelItem(3));
  history->InputButton()->click();
  QCoreApplication::processEvents();
  EXPECT_FALSE(history->isVisible());
  EXPECT_EQ(console_->document()->lastBlock().text(), QStringLiteral("Line14()"));
  EXPECT_EQ(console_->document()->blockCount(), blocks);
}

TEST_F(MainWindowTest, HeldListTurnsBlueAndRedAndKeepsAJobFromStarting) {
  static std::atomic<bool> finish{false};
  finish = false;
  constexpr FuncId kJobId = FuncId::MakeClearedFile;
  view_->Engine()->Handlers().AddJobBody(kJobId, [](CMyThreadDlg& job) {
    while (!finish && !job.IsCancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return 1;
  });
  CReportList* results = view_->ResultList();
  CReportList* jobs = view_->JobList();
  view_->Engine()->Results().HoldList();
  EXPECT_EQ(results->palette().color(QPalette::Base), QColor(0, 0, 255));
  EXPECT_EQ(results->palette().color(QPalette::Text), QColor(255, 0, 0));
  EXPECT_EQ(jobs->palette().color(QPalette::Base), QColor(0, 0, 255));

  CMyFuncData call;
  call.SetLineText("MakeClearedFile(\"x\", 1)");
  ASSERT_EQ(view_->Engine()->QueueJob(kJobId, call, {}), 1);
  test::PumpFor(300);
  EXPECT_EQ(jobs->GetRowCount(), 0);
  EXPECT_EQ(results->GetRowCount(), 1);

  view_->Engine()->Results().ReleaseListHold();
  EXPECT_EQ(results->palette().color(QPalette::Base), QColor(0, 0, 0));
  EXPECT_EQ(results->palette().color(QPalette::Text), QColor(255, 255, 255));
  ASSERT_TRUE(PumpUntil([&] { return jobs->GetRowCount() == 1; }));
  EXPECT_EQ(jobs->GetCellText(0, 0), "MakeClearedFile(\"x\", 1)");
  EXPECT_TRUE(jobs->ElapsedPrefix(0).startsWith(QStringLiteral("0:0")));
  finish = true;
  EXPECT_TRUE(PumpUntil([&] { return jobs->GetRowCount() == 0; }));
}

TEST_F(MainWindowTest, RunningJobShowsItsPercentageAfterTheElapsedTimeOnceItReportsOne) {
  static std::atomic<bool> finish{false};
  finish = false;
  constexpr FuncId kJobId = FuncId::MakeClearedFile;
  view_->Engine()->Handlers().AddJobBody(kJobId, [](CMyThreadDlg& job) {
    while (!finish && !job.IsCancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return 1;
  });
  CMyFuncData call;
  call.SetLineText("MakeClearedFile(\"p\", 1)");
  ASSERT_EQ(view_->Engine()->QueueJob(kJobId, call, {}), 1);
  CReportList* jobs = view_->JobList();
  ASSERT_TRUE(PumpUntil([&] { return jobs->GetRowCount() == 1; }));
  const QRegularExpression timeOnly(QStringLiteral("^0:0\\d $"));
  EXPECT_TRUE(timeOnly.match(jobs->ElapsedPrefix(0)).hasMatch())
      << jobs->ElapsedPrefix(0).toStdString();

  // The job's progress, as its body would set it.
  JobProgress& progress = reinterpret_cast<CMyThreadDlg*>(jobs->GetItemData(0))->Progress();
  progress.Start(200);
  EXPECT_TRUE(jobs->ElapsedPrefix(0).endsWith(QStringLiteral(" 0% ")));
  progress.Advance(91);
  const QRegularExpression withPercent(QStringLiteral("^0:0\\d 45% $"));
  EXPECT_TRUE(withPercent.match(jobs->ElapsedPrefix(0)).hasMatch())
      << jobs->ElapsedPrefix(0).toStdString();
  progress.Advance(108);  // 199 of 200 is not yet done
  EXPECT_TRUE(jobs->ElapsedPrefix(0).endsWith(QStringLiteral(" 99% ")));
  finish = true;
  EXPECT_TRUE(PumpUntil([&] { return jobs->GetRowCount() == 0; }));
}

TEST_F(MainWindowTest, CancellingTheSelectedJobEndsItAsCancelled) {
  constexpr FuncId kJobId = FuncId::MakeClearedFile;
  view_->Engine()->Handlers().AddJobBody(kJobId, [](CMyThreadDlg& job) {
    while (!job.IsCancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return 0;
  });
  CMyFuncData call;
  call.SetLineText("MakeClearedFile(\"y\", 1)");
  ASSERT_EQ(view_->Engine()->QueueJob(kJobId, call, {}), 1);
  CReportList* jobs = view_->JobList();
  ASSERT_TRUE(PumpUntil([&] { return jobs->GetRowCount() == 1; }));
  jobs->SetRowSelected(0, true);
  view_->CancelSelectedJob();
  ASSERT_TRUE(PumpUntil([&] { return jobs->GetRowCount() == 0; }));
  CReportList* results = view_->ResultList();
  ASSERT_EQ(results->GetRowCount(), 2);
  EXPECT_EQ(results->GetCellText(1, 0), SJ("※　中断しました。"));
}

TEST_F(MainWindowTest, MinimumSizeKeepsEveryControlInsideWithDelAtTheBottomRight) {
  frame_->resize(640, 430);
  QCoreApplication::processEvents();
  const QRect client = view_->rect();
  ASSERT_GT(client.height(), 300);
  QWidget* controls[] = {console_,         view_->JobList(), view_->ResultList(), view_->Button(0),
                         view_->Button(1), view_->Button(2), view_->Button(3)};
  for (QWidget* w : controls) {
    EXPECT_TRUE(client.contains(w->geometry())) << w->metaObject()->className();
    EXPECT_GT(w->width(), 0);
    EXPECT_GT(w->height(), 0);
  }
  const QRect del = view_->Button(3)->geometry();
  EXPECT_EQ(view_->Button(3)->text(), QStringLiteral("DEL"));
  EXPECT_GE(del.bottom(), client.bottom() - 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_LT(view_->Button(i)->geometry().bottom(), del.top());
  }
  for (QWidget* w : controls) {
    if (w != console_) {
      EXPECT_LE(w->geometry().right(), del.right());
    }
  }
  EXPECT_EQ(console_->height(), static_cast<int>(client.height() * 0.7));
  EXPECT_EQ(view_->JobList()->width(), static_cast<int>(client.width() * 0.2));
}

CMyFuncResult IntRecord(const std::string& digits) {
  CMyFuncResult record;
  record.type = 1;
  EXPECT_EQ(record.number.SetByString(digits), NumStatus::kOk);
  return record;
}

TEST_F(MainWindowTest, RowCopyPutsTheEntrysWholeValueOnTheClipboard) {
  std::string digits(35660, '0');
  for (size_t i = 0; i < digits.size(); ++i) digits[i] = static_cast<char>('1' + i % 9);
  ASSERT_EQ(view_->Engine()->AddDataToListAndShortCut(IntRecord(digits), true), 1);
  CReportList* results = view_->ResultList();
  EXPECT_EQ(results->GetCellText(1, 0).size(), 1000u);  // the row shows a cut text
  results->SetRowSelected(1, true);
  QApplication::clipboard()->clear();
  test::PressKey(results, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), digits);
  // The list menu's entry does the same.
  QApplication::clipboard()->clear();
  QAction* copyValue = nullptr;
  for (QAction* a : view_->ListMenu()->actions())
    if (a->text() == QStringLiteral("値をコピー")) copyValue = a;
  ASSERT_NE(copyValue, nullptr);
  copyValue->trigger();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), digits);
  // So does Ctrl+C in the row's in-place editor with its text selected.
  QApplication::clipboard()->clear();
  results->clearSelection();
  results->SetRowSelected(1, true);
  view_->EditSelectedShortcut();
  QLineEdit* editor = results->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  test::PressKey(editor, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), digits);
}

TEST_F(MainWindowTest, RetiredJobIsNamedInTheStatusBarAndScrolledIntoView) {
  static std::atomic<bool> finish{false};
  finish = false;
  constexpr FuncId kCheckCrcId = FuncId::CheckFileCRC;
  view_->Engine()->Handlers().AddJobBody(kCheckCrcId, [](CMyThreadDlg& job) {
    while (!finish && !job.IsCancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    job.TextResult() = SJ("CRCが一致しました。[ 1234ABCD ]");
    job.NumericResult().SetByString("0");
    return 1;
  });
  CReportList* results = view_->ResultList();
  for (int i = 1; i <= 60; ++i)
    ASSERT_EQ(view_->Engine()->AddDataToListAndShortCut(IntRecord(std::to_string(i)), true), i);
  const std::string call = "CheckFileCRC(\"a.bin\", \"1234ABCD\")";
  CMyFuncData data;
  data.SetLineText(call);
  ASSERT_EQ(view_->Engine()->QueueJob(kCheckCrcId, data, {}), 1);
  CReportList* jobs = view_->JobList();
  ASSERT_TRUE(PumpUntil([&] { return jobs->GetRowCount() == 1; }));
  EXPECT_EQ(jobs->RowIndex(0).data(Qt::ToolTipRole).toString().toStdString(),
            call);  // the whole call
  results->scrollToTop();
  const QModelIndex entry = results->RowIndex(61);
  ASSERT_TRUE(entry.isValid());
  EXPECT_FALSE(results->viewport()->rect().intersects(results->visualRect(entry)));
  finish = true;
  ASSERT_TRUE(PumpUntil([&] { return !frame_->statusBar()->currentMessage().isEmpty(); }));
  EXPECT_EQ(frame_->statusBar()->currentMessage(),
            QStringLiteral("【完了】[61] CheckFileCRC(\"a.bin\", \"1234ABCD\") "
                           "CRCが一致しました。[ 1234ABCD ]"));
  EXPECT_TRUE(results->viewport()->rect().intersects(results->visualRect(entry)));
  EXPECT_EQ(results->GetCellText(61, 0), "0");
}

TEST_F(MainWindowTest, RetiredJobTextShortensLongCallsAndMarksFailures) {
  RetiredJob job;
  job.index = 7;
  job.callText = "CopyFileSect(\"/very/long/source/path.bin\", \"/another/long/path.bin\", 0, 9)";
  job.message = SJ("【完了】10 バイトのデータをコピーしました。");
  EXPECT_EQ(CVorpexView::RetiredJobText(job),
            QStringLiteral("【完了】[7] CopyFileSect(…) 10 バイトのデータをコピーしました。"));
  job.message = SJ("※　中断しました。");
  job.failed = true;
  EXPECT_EQ(CVorpexView::RetiredJobText(job),
            QStringLiteral("【終了】[7] CopyFileSect(…) ※　中断しました。"));
  job.failed = false;
  const QString prefix = QStringLiteral("【完了】[7] CopyFileSect(…) ");
  job.message = std::string(200, '7');
  EXPECT_EQ(CVorpexView::RetiredJobText(job), prefix + QString(79, '7') + QStringLiteral("…"));
  job.message = std::string(35660, '9') + " (E)";  // a saturated factorial keeps its mark
  EXPECT_EQ(CVorpexView::RetiredJobText(job), prefix + QString(75, '9') + QStringLiteral("… (E)"));
  // Only the start of a long message is read: what it shows must not depend on where that
  // start ends (inside two-byte characters, on a mark that does not end the message).
  job.message.clear();
  job.rowText = std::string(1'000'000, '8');
  EXPECT_EQ(CVorpexView::RetiredJobText(job), prefix + QString(79, '8') + QStringLiteral("…"));
  std::string kanji;
  for (int i = 0; i < 400; ++i) kanji += SJ("漢");
  job.rowText = "7" + kanji;
  EXPECT_EQ(CVorpexView::RetiredJobText(job),
            prefix + "7" + QString(78, QChar(0x6F22)) + QStringLiteral("…"));
  for (size_t at : {316u, 320u}) {
    job.rowText = std::string(at, '6') + " (E)" + std::string(1000, '6');
    EXPECT_EQ(CVorpexView::RetiredJobText(job), prefix + QString(79, '6') + QStringLiteral("…"));
  }
}

TEST_F(MainWindowTest, HoldingTheListSaysJobsWaitUntilReleased) {
  EXPECT_FALSE(frame_->HoldNotice()->isVisible());
  view_->SetListHold(true);
  EXPECT_TRUE(frame_->HoldNotice()->isVisible());
  EXPECT_TRUE(frame_->HoldNotice()->text().contains(QStringLiteral("保持解除")));
  view_->SetListHold(false);
  EXPECT_FALSE(frame_->HoldNotice()->isVisible());
}

}  // namespace
}  // namespace vpx::ui
