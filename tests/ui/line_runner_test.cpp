// Lines entered in the window's console run exactly as they were when Enter was pressed,
// each once and in order, also when typed faster than they run or while a dialog of the
// running line waits; several lines entered at once run as a batch does; an unregistered
// call gets a second line naming what was probably meant.
#include "ui/line_runner.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <string>

#include "engine/command_context.h"
#include "engine/ring_memory.h"
#include "engine/thread_dlg.h"
#include "host/sjis.h"
#include "host/trace_log.h"
#include "language/func_data.h"
#include "ui/console_edit.h"
#include "ui/main_frame.h"
#include "ui/ui_test_app.h"
#include "ui/vorpex_view.h"
#include "ui/window_fixture.h"

namespace vpx::ui {
namespace {

using test::App;
using test::PumpUntil;

class LineRunnerTest : public test::WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    if (HasFatalFailure()) return;
    connect = QObject::connect(view_->Runner(), &CLineRunner::lineRun,
                               [this](const QString& line, LineStatus) { runs_ << line; });
  }
  void TearDown() override {
    QObject::disconnect(connect);
    WindowFixture::TearDown();
  }

  // Key by key, as typed; Enter for each line break.
  void TypeKeys(const QString& text) {
    for (QChar ch : text) {
      if (ch == QChar('\n'))
        test::PressKey(console_, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
      else
        test::PressKey(console_, Qt::Key_unknown, Qt::NoModifier, QString(ch));
    }
  }
  bool RunsReach(int count) {
    return PumpUntil([&] { return runs_.size() >= count && view_->Runner()->WaitingCount() == 0; });
  }
  // The console's lines, the empty input line at the end left out.
  QStringList Transcript() const {
    QStringList lines = console_->LogicalText().split(QChar('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
  }
  // The lines after the first one equal to line.
  QStringList After(const QString& line, int count) const {
    const QStringList lines = Transcript();
    const int at = static_cast<int>(lines.indexOf(line));
    if (at < 0) return {};
    return lines.mid(at + 1, count);
  }

  QStringList runs_;
  QMetaObject::Connection connect;
};

TEST_F(LineRunnerTest, ThreePastedLinesRunInOrderEachFollowedByItsResult) {
  QApplication::clipboard()->setText(
      QStringLiteral("AddInt(1, 2)\nAddInt(30, 40)\nAddInt(500, 600)"));
  test::PressKey(console_, Qt::Key_V, Qt::ControlModifier);
  TypeKeys(QStringLiteral("\n"));
  ASSERT_TRUE(RunsReach(3));
  EXPECT_EQ(runs_, (QStringList{QStringLiteral("AddInt(1, 2)"), QStringLiteral("AddInt(30, 40)"),
                                QStringLiteral("AddInt(500, 600)")}));
  const QString signature = QStringLiteral("　INT AddInt(INT, INT)");
  EXPECT_EQ(Transcript().mid(Transcript().size() - 9),
            (QStringList{QStringLiteral("AddInt(1, 2)"), signature, QStringLiteral("　3"),
                         QStringLiteral("AddInt(30, 40)"), signature, QStringLiteral("　70"),
                         QStringLiteral("AddInt(500, 600)"), signature, QStringLiteral("　1100")}));
  EXPECT_EQ(console_->InputText(), QString());
}

TEST_F(LineRunnerTest, LinesTypedFasterThanTheyRunEachRunOnceInOrderExactlyAsTyped) {
  // All three are typed and entered before the first has run.
  TypeKeys(QStringLiteral("AddInt(1, 1)\nAddInt(2, 2)\nSubInt(9, 3)\nAddInt("));
  EXPECT_EQ(runs_.size(), 0);
  ASSERT_TRUE(RunsReach(3));
  test::PumpFor(100);
  EXPECT_EQ(runs_, (QStringList{QStringLiteral("AddInt(1, 1)"), QStringLiteral("AddInt(2, 2)"),
                                QStringLiteral("SubInt(9, 3)")}));
  EXPECT_EQ(After(QStringLiteral("AddInt(1, 1)"), 2).value(1), QStringLiteral("　2"));
  EXPECT_EQ(After(QStringLiteral("AddInt(2, 2)"), 2).value(1), QStringLiteral("　4"));
  EXPECT_EQ(After(QStringLiteral("SubInt(9, 3)"), 2).value(1), QStringLiteral("　6"));
  EXPECT_EQ(console_->InputText(), QStringLiteral("AddInt("));  // typed after, not entered
  CGRingMemT<std::string>& history = view_->Engine()->InputHistory();
  ASSERT_EQ(history.GetCount(), 3u);
  EXPECT_EQ(history.GetFromOldData(0), "SubInt(9, 3)");
  EXPECT_EQ(history.GetFromOldData(2), "AddInt(1, 1)");
}

int AskingHandler(ICommandContext& context, FuncId, CMyFuncData&) {
  context.GetUi().dialogs->MessageBox(SJ("確認してください。"));
  context.EchoLine("answered");
  return 1;
}

TEST_F(LineRunnerTest, LinesTypedWhileADialogOfTheRunningLineWaitsRunAfterIt) {
  view_->Engine()->Handlers().AddCommand(FuncId::GetCurDir, AskingHandler);
  bool typedDuringDialog = false;
  QTimer::singleShot(50, [&] {
    ASSERT_TRUE(PumpUntil([] { return QApplication::activeModalWidget() != nullptr; }));
    // The line runs inside the dialog's event loop; keys reach the console meanwhile.
    TypeKeys(QStringLiteral("AddInt(4, 4)\nAddInt(5, 5)\n"));
    test::PumpFor(100);
    typedDuringDialog = runs_.isEmpty();
    QApplication::activeModalWidget()->close();
  });
  TypeKeys(QStringLiteral("GetCurDir()\n"));
  ASSERT_TRUE(RunsReach(3));
  EXPECT_TRUE(typedDuringDialog);
  EXPECT_EQ(runs_, (QStringList{QStringLiteral("GetCurDir()"), QStringLiteral("AddInt(4, 4)"),
                                QStringLiteral("AddInt(5, 5)")}));
  const QStringList lines = Transcript();
  const qsizetype answered = lines.indexOf(QStringLiteral("　answered"));
  const qsizetype fourth = lines.indexOf(QStringLiteral("AddInt(4, 4)"));
  ASSERT_GE(answered, 0);
  EXPECT_GT(fourth, answered);  // the dialog line's output is not split by the next line
  EXPECT_EQ(lines.mid(fourth),
            (QStringList{QStringLiteral("AddInt(4, 4)"), QStringLiteral("　INT AddInt(INT, INT)"),
                         QStringLiteral("　8"), QStringLiteral("AddInt(5, 5)"),
                         QStringLiteral("　INT AddInt(INT, INT)"), QStringLiteral("　10")}));
}

TEST_F(LineRunnerTest, ABatchStopsAtItsFirstLineNotDoneAndGivesTheRestBackToTheInput) {
  QApplication::clipboard()->setText(
      QStringLiteral("AddInt(1, 2)\n\nNoSuchCall(1)\nAddInt(5, 6)\nAddInt(7, 8)"));
  test::PressKey(console_, Qt::Key_V, Qt::ControlModifier);
  TypeKeys(QStringLiteral("\n"));
  ASSERT_TRUE(RunsReach(2));
  test::PumpFor(100);
  // The blank line separates; it runs nothing.
  EXPECT_EQ(runs_, (QStringList{QStringLiteral("AddInt(1, 2)"), QStringLiteral("NoSuchCall(1)")}));
  EXPECT_EQ(console_->InputText(), QStringLiteral("AddInt(5, 6)\nAddInt(7, 8)"));
  EXPECT_FALSE(Transcript().contains(QStringLiteral("　11")));
}

TEST_F(LineRunnerTest, ABatchLineWaitsForTheJobsOfTheLinesBeforeIt) {
  static std::atomic<bool> finish{false};
  finish = false;
  constexpr FuncId kJobId = FuncId::MakeClearedFile;
  view_->Engine()->Handlers().AddJobBody(kJobId, [](CMyThreadDlg& job) {
    while (!finish && !job.IsCancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return 1;
  });
  CMyFuncData call;
  call.SetLineText("MakeClearedFile(\"w\", 1)");
  ASSERT_EQ(view_->Engine()->QueueJob(kJobId, call, {}), 1);
  QApplication::clipboard()->setText(QStringLiteral("AddInt(1, 1)\nAddInt(2, 2)"));
  test::PressKey(console_, Qt::Key_V, Qt::ControlModifier);
  TypeKeys(QStringLiteral("\n"));
  ASSERT_TRUE(PumpUntil([&] { return runs_.size() == 1; }));
  test::PumpFor(300);
  EXPECT_EQ(runs_.size(), 1);
  EXPECT_EQ(view_->Runner()->WaitingCount(), 1);
  finish = true;
  ASSERT_TRUE(RunsReach(2));
  EXPECT_EQ(runs_.last(), QStringLiteral("AddInt(2, 2)"));
}

TEST_F(LineRunnerTest, AnUnregisteredCallGetsASecondLineWithTheOverloadsOrTheClosestNames) {
  const QString unregistered = QStringLiteral("　未登録な命令です。");
  const QString addInt = QStringLiteral(
      "　候補: AddInt(INT, INT) / AddInt(INT, UINT) / AddInt(UINT, INT) / "
      "AddInt(UINT, UINT)");
  TypeKeys(QStringLiteral("addint(1, 2)\n"));
  ASSERT_TRUE(RunsReach(1));
  EXPECT_EQ(After(QStringLiteral("addint(1, 2)"), 2), (QStringList{unregistered, addInt}));
  TypeKeys(QStringLiteral("AddInt(\"a\", 2)\n"));  // a text where a number belongs
  ASSERT_TRUE(RunsReach(2));
  EXPECT_EQ(After(QStringLiteral("AddInt(\"a\", 2)"), 2), (QStringList{unregistered, addInt}));
  TypeKeys(QStringLiteral("Factorail(5)\n"));
  ASSERT_TRUE(RunsReach(3));
  EXPECT_EQ(After(QStringLiteral("Factorail(5)"), 2),
            (QStringList{unregistered, QStringLiteral("　候補: Factorial(UINT)")}));
  TypeKeys(QStringLiteral("Qwzxv(5)\n"));  // nothing close
  ASSERT_TRUE(RunsReach(4));
  EXPECT_EQ(After(QStringLiteral("Qwzxv(5)"), 2), QStringList{unregistered});
}

}  // namespace
}  // namespace vpx::ui
