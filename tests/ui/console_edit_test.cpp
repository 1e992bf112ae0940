#include "ui/console_edit.h"

#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QMimeData>
#include <QTextBlock>
#include <QTextLayout>
#include <QWheelEvent>
#include <algorithm>

#include "host/sjis.h"
#include "ui/ui_test_app.h"

namespace vpx::ui {
namespace {

using test::App;

class ConsoleEditTest : public ::testing::Test {
 protected:
  // The application exists before the console member, also when a test runs alone.
  struct AppFirst {
    AppFirst() { App(); }
  } app_;
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

TEST_F(ConsoleEditTest, EnterWithTheCaretOnAnEarlierLineTakesTheWholeInputRegion) {
  console.AppendTyped(QStringLiteral("first\nsecond"));
  QTextCursor c = console.textCursor();
  c.setPosition(2);
  console.setTextCursor(c);
  QList<QStringList> entered;
  QObject::connect(&console, &CConsoleEdit::linesEntered,
                   [&](const QStringList& lines) { entered << lines; });
  test::PressKey(&console, Qt::Key_Return);
  ASSERT_EQ(entered.size(), 1);
  EXPECT_EQ(entered[0], (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
  ASSERT_EQ(console.GetLineCount(), 3);
  EXPECT_EQ(console.GetLine(1), "second");
  EXPECT_EQ(console.GetLine(2), "");
  EXPECT_EQ(console.InputText(), QString());
  // An empty input region is entered as one empty line.
  test::PressKey(&console, Qt::Key_Enter);
  ASSERT_EQ(entered.size(), 2);
  EXPECT_EQ(entered[1], QStringList{QString()});
}

void PlaceCaret(CConsoleEdit& console, int position, int anchor = -1) {
  QTextCursor c = console.textCursor();
  c.setPosition(anchor < 0 ? position : anchor);
  if (anchor >= 0) c.setPosition(position, QTextCursor::KeepAnchor);
  console.setTextCursor(c);
}

// Types text key by key, as a user would.
void TypeKeys(CConsoleEdit& console, const QString& text) {
  for (QChar ch : text) test::PressKey(&console, Qt::Key_unknown, Qt::NoModifier, QString(ch));
}

TEST_F(ConsoleEditTest, EarlierInputLinesAreReadOnlyAndEditsThereLandAtTheEnd) {
  TypeKeys(console, QStringLiteral("AddInt(1, 2)"));
  test::PressKey(&console, Qt::Key_Return);
  console.BeginRun(13);
  console.AppendOutput(SJ("　3\r\n"));
  const QString old = QStringLiteral("AddInt(1, 2)");
  auto firstLine = [&] { return console.document()->firstBlock().text(); };
  // A key, Backspace, Delete and a paste with the caret inside the entered line.
  PlaceCaret(console, 7);
  TypeKeys(console, QStringLiteral("9"));
  PlaceCaret(console, 7);
  test::PressKey(&console, Qt::Key_Backspace);
  PlaceCaret(console, 3, 0);
  test::PressKey(&console, Qt::Key_Delete);
  QApplication::clipboard()->setText(QStringLiteral(", 5"));
  PlaceCaret(console, 4);
  test::PressKey(&console, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(firstLine(), old);
  EXPECT_EQ(console.InputText(), QStringLiteral(", 5"));  // "9" then its Backspace at the end
  // Text dropped or inserted there (history entries, chosen paths) goes to the end too.
  PlaceCaret(console, 2);
  console.InsertAtCaret(QStringLiteral("X"));
  EXPECT_EQ(firstLine(), old);
  EXPECT_EQ(console.InputText(), QStringLiteral(", 5X"));
  // Cut takes nothing from the transcript; selecting and copying it still work.
  PlaceCaret(console, 6, 0);
  test::PressKey(&console, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(firstLine(), old);
  PlaceCaret(console, 6, 0);
  test::PressKey(&console, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("AddInt"));
  // Backspace at the start of the input line would join it to the transcript: dropped.
  for (int i = 0; i < 6; ++i) test::PressKey(&console, Qt::Key_Backspace);
  EXPECT_EQ(console.InputText(), QString());
  EXPECT_EQ(console.document()->blockCount(), 3);
  EXPECT_TRUE(console.TouchesTranscript(console.InputStart() - 1, console.InputStart()));
  EXPECT_FALSE(console.TouchesTranscript(console.InputStart(), console.InputStart()));
}

TEST_F(ConsoleEditTest, OutputLandsBeforeLinesStillWaitingAndBeforeTheTypingLine) {
  TypeKeys(console, QStringLiteral("L1"));
  test::PressKey(&console, Qt::Key_Return);
  TypeKeys(console, QStringLiteral("L2"));
  test::PressKey(&console, Qt::Key_Return);
  TypeKeys(console, QStringLiteral("L3 typing"));
  PlaceCaret(console, console.document()->characterCount() - 5);  // before "ping"
  console.BeginRun(3);
  console.AppendOutput(SJ("　out1\r\n"));
  EXPECT_EQ(console.LogicalText(), QStringLiteral("L1\n　out1\nL2\nL3 typing"));
  EXPECT_EQ(console.InputText(), QStringLiteral("L3 typing"));
  // The caret stayed where it was in the typing line.
  TypeKeys(console, QStringLiteral("_"));
  EXPECT_EQ(console.InputText(), QStringLiteral("L3 ty_ping"));
  // L2 is not run: it goes back to the input region, ahead of the typing line.
  console.ReturnWaitingToInput(3);
  EXPECT_EQ(console.LogicalText(), QStringLiteral("L1\n　out1\nL2\nL3 ty_ping"));
  EXPECT_EQ(console.InputText(), QStringLiteral("L2\nL3 ty_ping"));
  console.AppendOutput(SJ("　out2\r\n"));
  EXPECT_EQ(console.LogicalText(), QStringLiteral("L1\n　out1\n　out2\nL2\nL3 ty_ping"));
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

// One output text of several lines: each line end (CR LF, LF or a lone CR) ends a line,
// empty lines stay, and a long line among them keeps its digits and the characters beside
// them (one with a backslash as its trail byte).
TEST_F(ConsoleEditTest, OutputOfSeveralLinesKeepsEveryLineAndItsEnd) {
  const std::string digits(1234, '3');
  console.AppendOutput(SJ("　ソ\r\n\r\nb\rc\n") + digits + SJ("表\r\n"));
  ASSERT_EQ(console.GetLineCount(), 6);
  const std::vector<std::string> lines = {SJ("　ソ"), "", "b", "c", digits + SJ("表"), ""};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(console.GetLine(i), lines[i]) << i;
  EXPECT_EQ(console.LogicalText(), QString::fromStdString("　ソ\n\nb\nc\n" + digits + "表\n"));
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

// Format of the character just before position.
QTextCharFormat FormatBefore(CConsoleEdit& console, int position) {
  QTextCursor c(console.document());
  c.setPosition(position);
  return c.charFormat();
}

void SendMouse(QWidget* viewport, QEvent::Type type, const QPoint& at) {
  QMouseEvent e(type, QPointF(at), viewport->mapToGlobal(QPointF(at)), Qt::LeftButton,
                type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &e);
}

TEST_F(ConsoleEditTest, EditsAimedAtOutputLandAtTheEndAndLeaveTheOutputIntact) {
  console.AppendOutput(SJ("　2.718281828\r\n"));
  const QString output = QStringLiteral("　2.718281828");
  // A typed character with the caret inside the value.
  PlaceCaret(console, 4);
  test::PressKey(&console, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
  EXPECT_EQ(console.document()->firstBlock().text(), output);
  EXPECT_EQ(console.document()->lastBlock().text(), QStringLiteral("x"));
  // A selection inside the output replaced by typing, and deleted.
  PlaceCaret(console, 5, 2);
  test::PressKey(&console, Qt::Key_Y, Qt::NoModifier, QStringLiteral("y"));
  PlaceCaret(console, 6, 1);
  test::PressKey(&console, Qt::Key_Delete);
  PlaceCaret(console, 3);
  test::PressKey(&console, Qt::Key_Backspace);  // acts on the user's line at the end
  EXPECT_EQ(console.document()->firstBlock().text(), output);
  EXPECT_EQ(console.document()->lastBlock().text(), QStringLiteral("x"));
  // Backspace at the start of the user's line would join it to the output: dropped.
  test::PressKey(&console, Qt::Key_Backspace);
  test::PressKey(&console, Qt::Key_Backspace);
  EXPECT_EQ(console.document()->blockCount(), 2);
  EXPECT_EQ(console.document()->firstBlock().text(), output);
  // Paste and cut with the caret in the output.
  QApplication::clipboard()->setText(QStringLiteral("AddInt(1, 2)"));
  PlaceCaret(console, 8, 2);
  test::PressKey(&console, Qt::Key_V, Qt::ControlModifier);
  PlaceCaret(console, 8, 2);
  test::PressKey(&console, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(console.document()->firstBlock().text(), output);
  EXPECT_EQ(console.document()->lastBlock().text(), QStringLiteral("AddInt(1, 2)"));
}

TEST_F(ConsoleEditTest, TypedTextStaysWhiteAfterClickingOutputCopyAllAndUndo) {
  console.AppendOutput(SJ("　結果の値\r\n"));
  auto typeAndCheck = [&](const QString& ch) {
    test::PressKey(&console, Qt::Key_A, Qt::NoModifier, ch);
    const QTextCharFormat f = FormatBefore(console, console.textCursor().position());
    EXPECT_EQ(f.foreground().color(), QColor(255, 255, 255)) << ch.toStdString();
    EXPECT_NE(f.fontWeight(), QFont::Bold) << ch.toStdString();
  };
  PlaceCaret(console, 3);  // a click on the output
  console.moveCursor(QTextCursor::End);
  typeAndCheck(QStringLiteral("a"));
  PlaceCaret(console, 2);
  typeAndCheck(QStringLiteral("b"));
  console.CopyAll();
  typeAndCheck(QStringLiteral("c"));
  test::PressKey(&console, Qt::Key_Z, Qt::ControlModifier);
  typeAndCheck(QStringLiteral("d"));
  EXPECT_EQ(console.document()->firstBlock().text(), QStringLiteral("　結果の値"));
}

TEST_F(ConsoleEditTest, DoubleAndTripleClickSelectAcrossTheBlocksOfALongLine) {
  QString digits;
  for (int i = 0; i < 100000; ++i) digits += QChar('0' + (i * 7 + 3) % 10);
  console.AppendOutput(SJ("　") + digits.toStdString() + "\r\n");
  console.resize(600, 300);
  console.show();
  QCoreApplication::processEvents();
  // A spot in the middle of the line's last visible block.
  QTextCursor at(console.document());
  at.setPosition(50005);
  console.setTextCursor(at);
  console.ensureCursorVisible();
  const QPoint spot = console.cursorRect(at).center();
  QWidget* viewport = console.viewport();
  SendMouse(viewport, QEvent::MouseButtonPress, spot);
  SendMouse(viewport, QEvent::MouseButtonRelease, spot);
  SendMouse(viewport, QEvent::MouseButtonDblClick, spot);
  SendMouse(viewport, QEvent::MouseButtonRelease, spot);
  test::PressKey(&console, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), digits);  // the number alone
  SendMouse(viewport, QEvent::MouseButtonPress, spot);
  SendMouse(viewport, QEvent::MouseButtonRelease, spot);
  test::PressKey(&console, Qt::Key_C, Qt::ControlModifier);
  const QString line = QApplication::clipboard()->text();
  EXPECT_EQ(line, QStringLiteral("　") + digits);  // the whole line, without breaks
  EXPECT_EQ(std::count_if(line.begin(), line.end(), [](QChar ch) { return ch.isDigit(); }), 100000);
}

TEST_F(ConsoleEditTest, ZoomKeysAndCtrlWheelChangeTheFontSizeWithinLimits) {
  const int start = console.FontPoints();
  EXPECT_GE(start, 10);  // 9 points makes IPAGothic's full stop look like a comma
  test::PressKey(&console, Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(console.FontPoints(), start + 1);
  test::PressKey(&console, Qt::Key_Minus, Qt::ControlModifier);
  test::PressKey(&console, Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(console.FontPoints(), start - 1);
  QWheelEvent up(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 240), Qt::NoButton,
                 Qt::ControlModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(console.viewport(), &up);
  EXPECT_EQ(console.FontPoints(), start + 1);
  for (int i = 0; i < 60; ++i) test::PressKey(&console, Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(console.FontPoints(), CConsoleEdit::kMinPoints);
  test::PressKey(&console, Qt::Key_0, Qt::ControlModifier);
  EXPECT_EQ(console.FontPoints(), CConsoleEdit::kConsolePoints);
  EXPECT_EQ(console.toPlainText(), QString());  // no key typed anything
}

// True when every block of the logical line starting at first lays out in one row that
// Qt's own layout could not extend by one more digit (the rows are full), but the last.
testing::AssertionResult RowsAreFull(CConsoleEdit& console, QTextBlock first, int& rows) {
  QFont bold = console.font();
  bold.setWeight(QFont::Bold);
  const qreal width = console.viewport()->width() - 2 * console.document()->documentMargin();
  rows = 0;
  for (QTextBlock b = first; b.isValid() && (b == first || b.userState() == 1); b = b.next()) {
    ++rows;
    console.document()->documentLayout()->blockBoundingRect(b);  // lays the block out
    if (b.layout()->lineCount() != 1)
      return testing::AssertionFailure() << "block " << rows << " wraps";
    if (b.next().isValid() && b.next().userState() == 1) {
      QTextLayout wider(b.text() + QChar('0'), bold, console.viewport());
      QTextOption option;
      option.setWrapMode(QTextOption::WrapAnywhere);
      wider.setTextOption(option);
      wider.beginLayout();
      for (QTextLine line = wider.createLine(); line.isValid(); line = wider.createLine())
        line.setLineWidth(width);
      wider.endLayout();
      if (wider.lineCount() != 2)
        return testing::AssertionFailure() << "row " << rows << " has room for more";
    }
  }
  return testing::AssertionSuccess();
}

TEST_F(ConsoleEditTest, LongOutputWrapsAtTheConsolesWidthAndAgainAfterAResize) {
  console.resize(620, 300);
  console.show();
  QCoreApplication::processEvents();
  const std::string digits(4321, '8');
  console.AppendOutput(SJ("　") + digits + "\r\n");
  int rows = 0;
  EXPECT_TRUE(RowsAreFull(console, console.document()->firstBlock(), rows));
  EXPECT_GT(rows, 40);
  console.resize(433, 300);
  QCoreApplication::processEvents();
  ASSERT_TRUE(test::PumpUntil([&] {
    int now = 0;
    return RowsAreFull(console, console.document()->firstBlock(), now) && now > rows;
  }));
  EXPECT_EQ(console.GetLine(0), SJ("　") + digits);
  // A larger font holds fewer digits a row: split again once the zooming pauses.
  int narrower = 0;
  RowsAreFull(console, console.document()->firstBlock(), narrower);
  test::PressKey(&console, Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_TRUE(test::PumpUntil([&] {
    int now = 0;
    return RowsAreFull(console, console.document()->firstBlock(), now) && now > narrower;
  }));
  EXPECT_EQ(console.LogicalText(), QStringLiteral("　") + QString::fromStdString(digits) + "\n");
}

TEST_F(ConsoleEditTest, ZoomingInKeepsTheCaretLineInView) {
  console.resize(500, 260);
  console.show();
  for (int i = 0; i < 120; ++i) console.AppendOutput(SJ("　line ") + std::to_string(i) + "\r\n");
  TypeKeys(console, QStringLiteral("AddInt("));
  QCoreApplication::processEvents();
  for (int i = 0; i < 8; ++i) {
    test::PressKey(&console, Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    QCoreApplication::processEvents();
    EXPECT_TRUE(console.viewport()->rect().contains(console.cursorRect()))
        << "after zoom " << i + 1;
  }
  test::PressKey(&console, Qt::Key_0, Qt::ControlModifier);
  QCoreApplication::processEvents();
  EXPECT_TRUE(console.viewport()->rect().contains(console.cursorRect()));
}

}  // namespace
}  // namespace vpx::ui
