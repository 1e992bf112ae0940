// Tab in the window's console: a unique name is completed with its "(" and the signature
// hint; several candidates complete their shared part and are offered in a popup, where
// Enter picks one without running the line; an unknown prefix changes nothing.
#include "ui/console_completion.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolTip>

#include "ui/console_edit.h"
#include "ui/ui_test_app.h"

namespace vpx::ui {
namespace {

class ConsoleCompletionTest : public ::testing::Test {
 protected:
  void Type(const QString& text) {
    console_.moveCursor(QTextCursor::End);
    console_.AppendTyped(text);
    console_.moveCursor(QTextCursor::End);
  }
  QString LastLine() const { return console_.document()->lastBlock().text(); }

  bool appReady_ = (test::App(), true);  // before the widgets
  CConsoleEdit console_;
  CConsoleCompletion* completion_ = new CConsoleCompletion(&console_);
};

TEST_F(ConsoleCompletionTest, UniqueNameGetsItsParenthesisAndSignatureHint) {
  Type(QStringLiteral("GetFileS"));
  EXPECT_EQ(completion_->CompleteAtCaret(), QStringLiteral("UINT GetFileSize(STRING)"));
  EXPECT_EQ(LastLine(), QStringLiteral("GetFileSize("));
}

TEST_F(ConsoleCompletionTest, CopyCompletesNothingSharedAndListsTheCandidates) {
  Type(QStringLiteral("AddInt($1, Cop"));
  EXPECT_EQ(completion_->CompleteAtCaret(),
            QStringLiteral("CopyFileSect\nCopyFileSectR\nCopyList"));
  EXPECT_EQ(LastLine(), QStringLiteral("AddInt($1, Copy"));
}

TEST_F(ConsoleCompletionTest, EnterInThePopupPicksTheCandidateWithoutRunningTheLine) {
  int entered = 0;
  QObject::connect(&console_, &CConsoleEdit::linesEntered, [&] { ++entered; });
  Type(QStringLiteral("AddInt($1, Cop"));
  completion_->CompleteAtCaret();
  QAbstractItemView* popup = completion_->Popup()->popup();
  ASSERT_TRUE(popup->isVisible());
  EXPECT_EQ(completion_->Popup()->completionCount(), 3);
  // Typing on narrows the list to the two section copies.
  QKeyEvent f(QEvent::KeyPress, Qt::Key_F, Qt::ShiftModifier, QStringLiteral("F"));
  QCoreApplication::sendEvent(popup, &f);
  EXPECT_EQ(LastLine(), QStringLiteral("AddInt($1, CopyF"));
  EXPECT_EQ(completion_->Popup()->completionCount(), 2);
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QCoreApplication::sendEvent(popup, &down);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  QCoreApplication::sendEvent(popup, &enter);
  EXPECT_FALSE(popup->isVisible());
  EXPECT_EQ(LastLine(), QStringLiteral("AddInt($1, CopyFileSectR("));
  EXPECT_EQ(entered, 0);
}

TEST_F(ConsoleCompletionTest, ANamePickedFromThePopupGetsItsSignatureHint) {
  console_.show();
  console_.activateWindow();  // tooltips show over the active window only
  ASSERT_TRUE(test::PumpUntil([&] { return console_.isActiveWindow(); }));
  Type(QStringLiteral("CopyF"));
  completion_->CompleteAtCaret();
  QAbstractItemView* popup = completion_->Popup()->popup();
  ASSERT_TRUE(popup->isVisible());
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  QCoreApplication::sendEvent(popup, &enter);
  EXPECT_EQ(LastLine(), QStringLiteral("CopyFileSect("));
  // Shown once the popup has gone: its closing would hide a hint shown before.
  const QString hint = QStringLiteral("INT CopyFileSect(STRING, STRING, UINT, INT)");
  EXPECT_EQ(completion_->ShownHint(), hint);
  test::PumpFor(50);
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), hint);
}

TEST_F(ConsoleCompletionTest, RunningTheLineTakesTheSignatureHintAway) {
  Type(QStringLiteral("GetFileS"));
  completion_->CompleteAtCaret();
  ASSERT_EQ(completion_->ShownHint(), QStringLiteral("UINT GetFileSize(STRING)"));
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  QCoreApplication::sendEvent(&console_, &enter);
  EXPECT_EQ(completion_->ShownHint(), QString());
}

TEST_F(ConsoleCompletionTest, UnknownPrefixChangesNothing) {
  Type(QStringLiteral("Xyz"));
  EXPECT_EQ(completion_->CompleteAtCaret(), QString());
  EXPECT_EQ(LastLine(), QStringLiteral("Xyz"));
}

TEST_F(ConsoleCompletionTest, TabKeyInsideACallShowsTheOverloadsAndInsertsNoTab) {
  Type(QStringLiteral("DumpFile(\"a.bin\", "));
  EXPECT_EQ(completion_->HintAtCaret(),
            QStringLiteral("INT DumpFile(STRING)\nINT DumpFile(STRING, UINT, UINT)"));
  QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
  QCoreApplication::sendEvent(&console_, &tab);
  EXPECT_EQ(LastLine(), QStringLiteral("DumpFile(\"a.bin\", "));
}

}  // namespace
}  // namespace vpx::ui
