#include "ui/bin_dialog.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <filesystem>
#include <fstream>

#include "ui/ui_test_app.h"

namespace vpx::ui {
namespace {

class BinDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::App();
    path_ = std::filesystem::temp_directory_path() / "vorpex_bin_dialog_test.bin";
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
  EXPECT_TRUE(dialog.windowTitle().contains(QStringLiteral("ClickedPosition[ 37 ]")));
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

TEST_F(BinDialogTest, MissingFileOpensNothing) {
  CMyBinDialog dialog;
  EXPECT_EQ(dialog.DispFileData(path_.string(), 0, 0), 0);
  EXPECT_EQ(dialog.DispFileData("", 0, 0), 0);
}

}  // namespace
}  // namespace vpx::ui
