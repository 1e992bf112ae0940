// The function reference window: searching narrows the list, the selection's entry is shown,
// and the insert button puts the call at the console's caret.
#include "ui/func_reference_window.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vpx::ui
