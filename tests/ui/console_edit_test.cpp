#include "ui/console_edit.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QTextBlock>

#include "host/sjis.h"
#include "ui/ui_test_app.h"

namespace vpx::ui {
namespace {

using test::App;

class ConsoleEditTest : public ::testing::Test {
 protected:
  void SetUp() override { App(); }
  CConsoleEdit console;
};

TEST_F(ConsoleEditTest, OutputLinesAreBoldInTheOutputColourAndTypingStaysWhite) {
  console.AppendOutput(SJ("　結果\r\n"));
  const QTextBlock out = console.document()->firstBlock();
  EXPECT_EQ(out.text(), QStringLiteral("　結果"));
  const QTextCharFormat f = out.begin().fragment().charFormat();
  EXPECT_EQ(f.foreground().color(), QColor(0, 223, 223));
  EXPECT_EQ(f.fontWeight(), QFont::Bold);
  EXPECT_EQ(console.currentCharFormat().foreground().color(), QColor(255, 255, 255));
  EXPECT_NE(console.currentCharFormat().fontWeight(), QFont::Bold);
  EXPECT_EQ(console.GetLineCount(), 2);
  EXPECT_EQ(console.GetLine(0), SJ("　結果"));
  EXPECT_EQ(console.GetLine(1), "");
}

TEST_F(ConsoleEditTest, EnterOnAnEarlierLineBreaksAfterTheLastLine) {
  console.AppendTyped(QStringLiteral("first\nsecond"));
  QTextCursor c = console.textCursor();
  c.setPosition(2);
  console.setTextCursor(c);
  int entered = 0;
  QObject::connect(&console, &CConsoleEdit::lineEntered, [&] { ++entered; });
  test::PressKey(&console, Qt::Key_Return);
  EXPECT_EQ(entered, 1);
  ASSERT_EQ(console.GetLineCount(), 3);
  EXPECT_EQ(console.GetLine(0), "first");
  EXPECT_EQ(console.GetLine(1), "second");
  EXPECT_EQ(console.GetLine(2), "");
}

TEST_F(ConsoleEditTest, LongOutputLineReadsAndCopiesWithoutInsertedBreaks) {
  const std::string digits(1234, '7');
  console.AppendOutput("1" + digits + "\r\n");
  EXPECT_GT(console.document()->blockCount(), 10);  // held in short blocks
  EXPECT_EQ(console.GetLineCount(), 2);
  EXPECT_EQ(console.GetLine(0), "1" + digits);
  EXPECT_EQ(console.LogicalText(), QString::fromStdString("1" + digits + "\n"));
  console.CopyAll();
  EXPECT_EQ(QApplication::clipboard()->text(), QString::fromStdString("1" + digits + "\n"));
  // A partial selection across two blocks of the long line copies just its digits.
  QTextCursor c = console.textCursor();
  c.setPosition(95);
  c.setPosition(205, QTextCursor::KeepAnchor);
  console.setTextCursor(c);
  console.copy();
  EXPECT_EQ(QApplication::clipboard()->text(), QString(108, QChar('7')));  // 2 block ends
}

TEST_F(ConsoleEditTest, TextPastTheLimitDropsTheOldestLinesAndKeepsTheNewest) {
  console.AppendOutput("oldest line\r\n");
  const std::string million(1000000, '5');
  for (int i = 0; i < 4; ++i) console.AppendOutput(million + "\r\n");
  console.AppendOutput("9" + million + "\r\n");
  EXPECT_LE(console.document()->characterCount(), CConsoleEdit::kTextLimit);
  const int n = console.GetLineCount();
  EXPECT_EQ(console.GetLine(n - 2), "9" + million);
  EXPECT_NE(console.GetLine(0), "oldest line");
  EXPECT_EQ(console.GetLine(0), million);  // whole lines go, never a part of one
}

TEST_F(ConsoleEditTest, OutputThatIsNotShiftJisIsShownEscapedAndReported) {
  console.AppendOutput("ab\x81\r\n");
  EXPECT_EQ(console.document()->firstBlock().text(), QStringLiteral("ab\\x81"));
  EXPECT_NE(console.toPlainText().indexOf(QStringLiteral("\\xNN")), -1);
}

TEST_F(ConsoleEditTest, TypedCharactersWithoutShiftJisFormAreRefused) {
  int refused = 0;
  QObject::connect(&console, &CConsoleEdit::textRefused, [&] { ++refused; });
  test::PressKey(&console, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("😀"));
  test::PressKey(&console, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
  EXPECT_EQ(refused, 1);
  EXPECT_EQ(console.toPlainText(), QStringLiteral("a"));
}

}  // namespace
}  // namespace vpx::ui
