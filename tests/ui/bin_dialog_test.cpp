#include "ui/bin_dialog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <filesystem>
#include <fstream>
#include <string>

#include "ui/ui_test_app.h"

namespace vpx::ui {
namespace {

class BinDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::App();
    path_ = std::filesystem::temp_directory_path() /
            ("vorpex_bin_dialog_test_" + std::to_string(getpid()) + ".bin");
  }
  void TearDown() override { std::filesystem::remove(path_); }

  // A file of size bytes, byte i = 'a' + i % 26, with marker at the start of block 1.
  void MakeFile(int64_t size, int64_t markerAt = -1) {
    std::ofstream out(path_, std::ios::binary);
    for (int64_t i = 0; i < size; ++i) out.put(static_cast<char>('a' + i % 26));
    if (markerAt >= 0) {
      out.seekp(markerAt);
      out.write("\xAB\xCD", 2);
    }
  }

  std::filesystem::path path_;
};

TEST_F(BinDialogTest, FiveBytesFromOffsetNineteenShowOneLineAtSixteen) {
  MakeFile(64);
  CMyBinDialog dialog;
  ASSERT_EQ(dialog.DispFileData(path_.string(), 19, 23), 1);
  QTextDocument* doc = dialog.PageEdit()->document();
  ASSERT_EQ(doc->blockCount(), 1);
  const QString expected = QStringLiteral("00000000000016 : ") + QString(9, ' ') +
                           QStringLiteral("74 75 76 77 78 ") + QString(24, ' ') +
                           QStringLiteral("   tuvwx        ");
  EXPECT_EQ(doc->firstBlock().text(), expected);
  EXPECT_EQ(dialog.windowTitle(),
            QStringLiteral("簡易バイナリ表示　") + QString::fromStdString(path_.string()));
  // The three parts carry their colours.
  QTextBlock::iterator it = doc->firstBlock().begin();
  EXPECT_EQ(it.fragment().charFormat().foreground().color(), QColor(0, 223, 223));
  ++it;
  EXPECT_EQ(it.fragment().charFormat().foreground().color(), QColor(255, 255, 255));
  ++it;
  EXPECT_EQ(it.fragment().charFormat().foreground().color(), QColor(255, 255, 0));
}

TEST_F(BinDialogTest, CaptionNamesTheClickedByteAndNotTheOffsetColumn) {
  MakeFile(64);
  CMyBinDialog dialog;
  ASSERT_EQ(dialog.DispFileData(path_.string(), 0, 0), 1);
  QTextCursor c = dialog.PageEdit()->textCursor();
  c.setPosition(dialog.PageEdit()->document()->findBlockByNumber(2).position() + 17 + 3 * 5);
  dialog.PageEdit()->setTextCursor(c);
  dialog.ShowCaretPosition();
  EXPECT_TRUE(dialog.windowTitle().contains(QStringLiteral("ClickedPosition[ 37 ] (0x25) ")));
  c.setPosition(dialog.PageEdit()->document()->findBlockByNumber(2).position() + 3);
  dialog.PageEdit()->setTextCursor(c);
  dialog.ShowCaretPosition();
  EXPECT_FALSE(dialog.windowTitle().contains(QStringLiteral("ClickedPosition")));
}

TEST_F(BinDialogTest, MovingTheLowerBarShowsTheNextBlockAndTheUpperBarPagesWithinIt) {
  const int64_t block = 4999680;
  MakeFile(block + 3000, block);
  CMyBinDialog dialog;
  ASSERT_EQ(dialog.DispFileData(path_.string(), 0, 15), 1);
  EXPECT_EQ(dialog.BlockBar()->maximum(), 1);
  dialog.BlockBar()->setValue(1);
  ASSERT_TRUE(test::PumpUntil([&] { return dialog.Model().BlockPosition() == 1; }));
  EXPECT_EQ(dialog.Model().PageOffset(), block);
  EXPECT_TRUE(dialog.PageEdit()->document()->firstBlock().text().startsWith(
      QStringLiteral("00000004999680 : AB CD ")));
  EXPECT_EQ(dialog.PageBar()->maximum(), 3);  // 3000 bytes: four pages, the last one short
  EXPECT_EQ(dialog.PageBar()->value(), 0);
  dialog.PageBar()->setValue(3);
  ASSERT_TRUE(test::PumpUntil([&] { return dialog.Model().PagePosition() == 3; }));
  EXPECT_EQ(dialog.Model().PageOffset(), block + 3 * 992);
  EXPECT_EQ(dialog.Model().PageLength(), 3000 - 3 * 992);
  // Back to block 0: a backward move shows that block's last page.
  dialog.BlockBar()->setValue(0);
  ASSERT_TRUE(test::PumpUntil([&] { return dialog.Model().BlockPosition() == 0; }));
  EXPECT_EQ(dialog.Model().PagePosition(), dialog.Model().PageCount() - 1);
}

TEST_F(BinDialogTest, PageKeysAndTroughClicksCrossBlocksAndReachBothEnds) {
  const int64_t block = 4999680;
  MakeFile(block + 3000, block);
  CMyBinDialog dialog;
  ASSERT_EQ(dialog.DispFileData(path_.string(), 0, 15), 1);
  QPlainTextEdit* page = dialog.PageEdit();
  test::PressKey(page, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(dialog.Model().BlockPosition(), 1);
  EXPECT_EQ(dialog.Model().PagePosition(), 3);
  for (int i = 0; i < 4; ++i) test::PressKey(page, Qt::Key_PageUp);
  EXPECT_EQ(dialog.Model().BlockPosition(), 0);  // crossed back into block 0 ...
  EXPECT_EQ(dialog.Model().PagePosition(), dialog.Model().PageCount() - 1);  // ... its last page
  EXPECT_EQ(dialog.PageBar()->value(), dialog.Model().PageCount() - 1);
  test::PressKey(page, Qt::Key_PageDown);
  EXPECT_EQ(dialog.Model().BlockPosition(), 1);
  EXPECT_EQ(dialog.Model().PageOffset(), block);
  EXPECT_TRUE(
      page->document()->firstBlock().text().startsWith(QStringLiteral("00000004999680 : AB CD ")));
  test::PressKey(page, Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(dialog.Model().PageOffset(), 0);
  // A click in the upper bar's trough moves one page.
  dialog.PageBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  ASSERT_TRUE(test::PumpUntil([&] { return dialog.Model().PagePosition() == 1; }));
  EXPECT_EQ(dialog.Model().PageOffset(), 992);
}

TEST_F(BinDialogTest, GoToOffsetOpensTheBlockAndPageOfAByteInAFiveGigabyteFile) {
  constexpr int64_t kSize = 5000000000;
  constexpr int64_t kTarget = 4000000123;  // 0xEE6B287B
  {
    std::ofstream out(path_, std::ios::binary);
    out.seekp(kTarget);
    out.write("\x5A", 1);
  }
  std::filesystem::resize_file(path_, kSize);  // sparse: no real data is written
  CMyBinDialog dialog;
  ASSERT_EQ(dialog.DispFileData(path_.string(), 0, 0), 1);
  EXPECT_FALSE(dialog.GoToOffset(QStringLiteral("12ab")));
  EXPECT_FALSE(dialog.GoToOffset(QString::number(kSize)));  // one past the end
  EXPECT_TRUE(dialog.GoToOffset(QString::number(kSize - 1)));
  EXPECT_EQ(dialog.Model().BlockPosition(), dialog.Model().BlockCount() - 1);
  ASSERT_TRUE(dialog.GoToOffset(QStringLiteral("0xEE6B287B")));
  const CBinaryViewModel& m = dialog.Model();
  EXPECT_EQ(m.BlockPosition(), kTarget / m.BlockSize());
  EXPECT_LE(m.PageOffset(), kTarget);
  EXPECT_LT(kTarget, m.PageOffset() + m.PageLength());
  EXPECT_EQ(dialog.BlockBar()->value(), m.BlockPosition());
  EXPECT_TRUE(
      dialog.windowTitle().contains(QStringLiteral("ClickedPosition[ 4000000123 ] (0xEE6B287B) ")));
  const QTextCursor caret = dialog.PageEdit()->textCursor();
  EXPECT_EQ(caret.block().text().mid(caret.positionInBlock(), 2), QStringLiteral("5A"));
  // Decimal gives the same place; Enter in the box (Ctrl+G) does not close the window.
  EXPECT_TRUE(dialog.GoToOffset(QStringLiteral("4000000123")));
  dialog.show();
  dialog.GoToBox()->setText(QStringLiteral("0x10"));
  test::PressKey(dialog.GoToBox(), Qt::Key_Return);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.Model().PageOffset(), 0);
}

TEST_F(BinDialogTest, WindowFitsALowScreenAndGoesBesideTheMainWindowOrCascades) {
  MakeFile(64);
  CMyBinDialog dialog;
  ASSERT_EQ(dialog.DispFileData(path_.string(), 0, 0), 1);
  const QRect laptop(0, 0, 1366, 738);  // 768 pixels less a panel
  dialog.FitInto(laptop);
  EXPECT_LE(dialog.height() + 32, laptop.height());
  EXPECT_LE(dialog.width(), laptop.width());
  dialog.FitInto(QRect(0, 0, 1920, 1050));
  EXPECT_GT(dialog.height(), 738);  // a tall screen shows the whole page

  const QSize size(700, 700);
  // Room to the right of the main window.
  EXPECT_EQ(PlaceBinaryDialog(QRect(0, 0, 800, 600), size, QRect(0, 0, 1920, 1050), 0),
            QPoint(800, 0));
  // Room only to the left.
  EXPECT_EQ(PlaceBinaryDialog(QRect(1000, 50, 800, 600), size, QRect(0, 0, 1920, 1050), 0),
            QPoint(300, 50));
  // No room on either side: cascaded, further for each display open, inside the screen.
  const QRect mainFrame(100, 0, 1000, 700);
  const QPoint first = PlaceBinaryDialog(mainFrame, size, laptop, 0);
  const QPoint second = PlaceBinaryDialog(mainFrame, size, laptop, 1);
  EXPECT_EQ(first, QPoint(128, 28));
  EXPECT_EQ(second, QPoint(156, 38));  // clamped: its bottom stays on the screen
  EXPECT_TRUE(laptop.contains(QRect(second, size)));
}

TEST_F(BinDialogTest, MissingFileOpensNothing) {
  CMyBinDialog dialog;
  EXPECT_EQ(dialog.DispFileData(path_.string(), 0, 0), 0);
  EXPECT_EQ(dialog.DispFileData("", 0, 0), 0);
}

}  // namespace
}  // namespace vpx::ui
