// The function reference window: searching narrows the list, the selection's entry is shown,
// and the insert button puts the call at the console's caret.
#include "ui/func_reference_window.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "help/func_help.h"
#include "ui/console_edit.h"
#include "ui/ui_test_app.h"

namespace vpx::ui {
namespace {

TEST(FuncReferenceWindow, SearchNarrowsTheListAndShowsTheFirstMatch) {
  test::App();
  CFuncReferenceWindow window(nullptr, nullptr);
  EXPECT_EQ(window.ListedCount(), static_cast<int>(help::FuncHelpEntries().size()));
  window.Filter(QStringLiteral("*crc"));
  EXPECT_EQ(window.ListedCount(), 2);
  EXPECT_EQ(window.SelectedName(), QStringLiteral("MakeFileCRC"));
  EXPECT_TRUE(window.ShownText().startsWith(QStringLiteral("MakeFileCRC：")));
  window.Filter(QStringLiteral("NoSuchName"));
  EXPECT_EQ(window.ListedCount(), 0);
  EXPECT_EQ(window.SelectedName(), QString());
}

TEST(FuncReferenceWindow, InsertPutsTheCallAtTheConsoleCaret) {
  test::App();
  CConsoleEdit console;
  console.AppendTyped(QStringLiteral("AddInt(1, "));
  CFuncReferenceWindow window(&console, nullptr);
  window.Filter(QStringLiteral("floor"));
  window.InsertIntoConsole();
  EXPECT_TRUE(console.toPlainText().endsWith(QStringLiteral("AddInt(1, Floor(")))
      << console.toPlainText().toStdString();
}

TEST(FuncReferenceWindow, SearchAlsoMatchesTheDescriptionsAfterTheNames) {
  test::App();
  CFuncReferenceWindow window(nullptr, nullptr);
  window.Filter(QStringLiteral("階乗"));
  ASSERT_GE(window.ListedCount(), 1);
  EXPECT_EQ(window.SelectedName(), QStringLiteral("Factorial"));
  window.Filter(QStringLiteral("floor"));  // the name first, then entries mentioning it
  EXPECT_EQ(window.SelectedName(), QStringLiteral("Floor"));
  window.Filter(QStringLiteral("*階乗*"));  // a pattern matches names only
  EXPECT_EQ(window.ListedCount(), 0);
}

TEST(FuncReferenceWindow, InsertingGivesTheFocusBackToTheConsole) {
  test::App();
  QWidget main;
  auto* console = new CConsoleEdit(&main);
  main.show();
  CFuncReferenceWindow* window = CFuncReferenceWindow::ShowFor(&main, console);
  ASSERT_TRUE(test::PumpUntil([&] { return window->isActiveWindow(); }));
  window->Filter(QStringLiteral("Factorial"));
  window->InsertIntoConsole();
  EXPECT_TRUE(test::PumpUntil([&] { return main.isActiveWindow(); }));
  EXPECT_EQ(QApplication::focusWidget(), console);
  EXPECT_EQ(console->InputText(), QStringLiteral("Factorial("));
}

TEST(FuncReferenceWindow, OpensBesideTheMainWindowWhereTheScreenHasRoom) {
  const QSize frame(8, 32);
  const QRect screen(0, 0, 1920, 1080);
  // Room on the right: there, at full size.
  EXPECT_EQ(PlaceReferenceWindow(QRect(100, 50, 800, 600), screen, frame),
            QRect(900, 50, 820, 560));
  // Room only on the left, narrowed to fit: the frame ends where the main window begins.
  const QRect left = PlaceReferenceWindow(QRect(1000, 50, 920, 600), screen, frame);
  EXPECT_EQ(left, QRect(1000 - 820 - 8, 50, 820, 560));
  // Exactly the narrowest width beside it still fits; a pixel less does not.
  const QRect narrow(0, 0, 1366, 768);
  EXPECT_EQ(PlaceReferenceWindow(QRect(0, 0, 1366 - 480 - 8, 600), narrow, frame).width(), 480);
  const QRect over = PlaceReferenceWindow(QRect(0, 0, 1366 - 479 - 8, 600), narrow, frame);
  EXPECT_EQ(over, QRect(1366 - 828, 0, 820, 560));  // against the screen's right edge
  // A short screen shortens it.
  EXPECT_EQ(PlaceReferenceWindow(QRect(0, 0, 800, 400), QRect(0, 0, 1920, 500), frame).height(),
            500 - 32);
}

}  // namespace
}  // namespace vpx::ui
