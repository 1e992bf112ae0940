// The binary display's find bar, data inspector, go-to messages and the wheel and arrow
// moves across page and block ends.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QWheelEvent>
#include <filesystem>
#include <fstream>

#include "ui/bin_dialog.h"
#include "ui/bin_find_bar.h"
#include "ui/data_inspector.h"
#include "ui/ui_test_app.h"

namespace vpx::ui {
namespace {

constexpr int64_t kBlock = 4999680;  // the block of files up to 4999680 * 32768 bytes

class BinDialogFindTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::App();
    path_ = std::filesystem::temp_directory_path() /
            ("vorpex_bin_find_test_" + std::to_string(getpid()) + ".bin");
  }
  void TearDown() override { std::filesystem::remove(path_); }

  // size bytes of 'a' + i % 26, with the bytes of marker written at each of markers.
  void MakeFile(int64_t size, std::initializer_list<int64_t> markers = {},
                const std::string& marker = "\xAB\xCD") {
    std::ofstream out(path_, std::ios::binary);
    for (int64_t i = 0; i < size; ++i) out.put(static_cast<char>('a' + i % 26));
    for (int64_t at : markers) {
      out.seekp(at);
      out.write(marker.data(), static_cast<std::streamsize>(marker.size()));
    }
  }

  // Searches like F3 / Shift+F3 and waits until the match is shown or the search ended.
  void Search(CMyBinDialog& dialog, bool forward) {
    bool ended = false;
    auto a = QObject::connect(dialog.FindBar(), &CBinFindBar::found, [&] { ended = true; });
    auto b = QObject::connect(dialog.FindBar(), &CBinFindBar::notFound, [&] { ended = true; });
    if (dialog.SearchFromCurrent(forward)) {
      EXPECT_TRUE(test::PumpUntil([&] { return ended; }));
    }
    QObject::disconnect(a);
    QObject::disconnect(b);
  }

  static QString Selected(const CMyBinDialog& dialog) {
    return dialog.PageEdit()->textCursor().selectedText();
  }

  std::filesystem::path path_;
};

TEST_F(BinDialogFindTest, FindsForwardIntoTheNextBlockSelectsTheMatchAndWrapsWithAMessage) {
  MakeFile(kBlock + 5000, {100, kBlock + 10});
  CMyBinDialog dialog;
  ASSERT_EQ(dialog.DispFileData(path_.string(), 0, 0), 1);
  dialog.FindBar()->PatternBox()->setText(QStringLiteral("AB CD"));
  Search(dialog, true);
  EXPECT_EQ(dialog.CurrentByte(), 100);
  EXPECT_EQ(Selected(dialog), QStringLiteral("AB CD"));
  Search(dialog, true);  // the next one lies in the second block
  EXPECT_EQ(dialog.CurrentByte(), kBlock + 10);
  EXPECT_EQ(dialog.Model().BlockPosition(), 1);
  EXPECT_EQ(Selected(dialog), QStringLiteral("AB CD"));
  EXPECT_TRUE(dialog.FindBar()->Message().startsWith(QStringLiteral("見つかりました。")));
  Search(dialog, true);  // none after it: round to the first
  EXPECT_EQ(dialog.CurrentByte(), 100);
  EXPECT_TRUE(dialog.FindBar()->Message().contains(QStringLiteral("先頭から続けました")));
  Search(dialog, false);  // none before it: round to the last
  EXPECT_EQ(dialog.CurrentByte(), kBlock + 10);
  EXPECT_TRUE(dialog.FindBar()->Message().contains(QStringLiteral("末尾から続けました")));
  Search(dialog, false);
  EXPECT_EQ(dialog.CurrentByte(), 100);
}

TEST_F(BinDialogFindTest, AfterPagingTheSearchStartsFromThePageShown) {
  MakeFile(3000, {100, 500, 2500});
  CMyBinDialog dialog;
  ASSERT_EQ(dialog.DispFileData(path_.string(), 0, 0), 1);
  dialog.FindBar()->PatternBox()->setText(QStringLiteral("ABCD"));
  Search(dialog, true);
  EXPECT_EQ(dialog.CurrentByte(), 100);
  test::PressKey(dialog.PageEdit(), Qt::Key_PageDown);  // bytes 992 to 1983
  EXPECT_EQ(dialog.Model().PageOffset(), 992);
  EXPECT_EQ(dialog.CurrentByte(), -1);
  Search(dialog, true);
  EXPECT_EQ(dialog.CurrentByte(), 2500);
  test::PressKey(dialog.PageEdit(), Qt::Key_PageUp);  // bytes 992 to 1983 again
  Search(dialog, false);
  EXPECT_EQ(dialog.CurrentByte(), 500);
  test::PressKey(dialog.PageEdit(), Qt::Key_PageUp);  // the first page
  test::PressKey(dialog.PageEdit(), Qt::Key_PageDown);
  test::PressKey(dialog.PageEdit(), Qt::Key_PageUp);
  Search(dialog, false);  // none before the first page: round to the last
  EXPECT_EQ(dialog.CurrentByte(), 2500);
}

TEST_F(BinDialogFindTest, FindsTextAndSaysSoWhenThePatternIsAbsentOrRefused) {
  MakeFile(3000);
  CMyBinDialog dialog;
  ASSERT_EQ(dialog.DispFileData(path_.string(), 0, 0), 1);
  CBinFindBar* bar = dialog.FindBar();
  bar->ModeBox()->setCurrentIndex(1);
  bar->PatternBox()->setText(QStringLiteral("xyz"));
  Search(dialog, true);
  EXPECT_EQ(dialog.CurrentByte(), 23);
  bar->PatternBox()->setText(QStringLiteral("zz"));
  Search(dialog, true);
  EXPECT_EQ(bar->Message(), QStringLiteral("※　見つかりませんでした。"));
  EXPECT_EQ(dialog.CurrentByte(), 23);
  bar->ModeBox()->setCurrentIndex(0);
  bar->PatternBox()->setText(QStringLiteral("AB C"));
  EXPECT_FALSE(dialog.SearchFromCurrent(true));
  EXPECT_EQ(bar->Message(), QStringLiteral("※　16進パターンの桁数が奇数です。[ AB C ]"));
  bar->PatternBox()->setText(QStringLiteral(""));
  EXPECT_FALSE(dialog.SearchFromCurrent(true));
  EXPECT_EQ(bar->Message(), QStringLiteral("※　検索パターンが空です。"));
}

TEST_F(BinDialogFindTest, ARunningSearchCanBeStopped) {
  MakeFile(64);
  std::filesystem::resize_file(path_, int64_t{4} << 30);  // sparse: seconds of reading
  CMyBinDialog dialog;
  ASSERT_EQ(dialog.DispFileData(path_.string(), 0, 0), 1);
  dialog.FindBar()->PatternBox()->setText(QStringLiteral("FF FF"));
  bool ended = false;
  QObject::connect(dialog.FindBar(), &CBinFindBar::notFound, [&] { ended = true; });
  ASSERT_TRUE(dialog.SearchFromCurrent(true));
  EXPECT_TRUE(dialog.FindBar()->IsSearching());
  EXPECT_TRUE(dialog.FindBar()->StopButton()->isEnabled());
  EXPECT_FALSE(dialog.SearchFromCurrent(true));  // one search at a time
  dialog.FindBar()->StopButton()->click();
  ASSERT_TRUE(test::PumpUntil([&] { return ended; }));
  EXPECT_EQ(dialog.FindBar()->Message(), QStringLiteral("※　中断しました。"));
  EXPECT_FALSE(dialog.FindBar()->StopButton()->isEnabled());
}

TEST_F(BinDialogFindTest, GoToExplainsABadOffsetAndSelectsTheTargetByteForTheInspector) {
  MakeFile(2000, {1000}, "\x01\x02\x03\x04\x05\x06\x07\x08");
  CMyBinDialog dialog;
  ASSERT_EQ(dialog.DispFileData(path_.string(), 0, 0), 1);
  EXPECT_FALSE(dialog.GoToOffset(QStringLiteral("12ab")));
  EXPECT_EQ(dialog.GoToMessage(), QStringLiteral("※　オフセットが数値ではありません。[ 12ab ]"));
  EXPECT_FALSE(dialog.GoToOffset(QStringLiteral("2000")));
  EXPECT_EQ(dialog.GoToMessage(),
            QStringLiteral("※　オフセットがファイルの範囲外です。[ 2000 ]　サイズ 2,000 Byte"));
  ASSERT_TRUE(dialog.GoToOffset(QStringLiteral("0x3E8")));
  EXPECT_TRUE(dialog.GoToMessage().isEmpty());
  EXPECT_EQ(Selected(dialog), QStringLiteral("01"));
  EXPECT_EQ(dialog.CurrentByte(), 1000);
  EXPECT_EQ(dialog.Inspector()->ValueOf("u16", 1), "513");
  EXPECT_EQ(dialog.Inspector()->ValueOf("u64", 2), "72623859790382856");  // 0x0102..08
}

TEST_F(BinDialogFindTest, ArrowsAndTheWheelContinueIntoTheNeighbouringPageAndBlock) {
  MakeFile(kBlock + 3000);
  CMyBinDialog dialog;
  ASSERT_EQ(dialog.DispFileData(path_.string(), 0, 0), 1);
  QPlainTextEdit* page = dialog.PageEdit();
  page->moveCursor(QTextCursor::End);
  test::PressKey(page, Qt::Key_Down);
  EXPECT_EQ(dialog.Model().PageOffset(), 992);
  EXPECT_EQ(page->textCursor().blockNumber(), 0);
  test::PressKey(page, Qt::Key_Up);
  EXPECT_EQ(dialog.Model().PageOffset(), 0);
  EXPECT_EQ(page->textCursor().blockNumber(), page->document()->blockCount() - 1);
  // The last page of block 0, then Down on its last line opens block 1.
  ASSERT_TRUE(dialog.GoToOffset(QString::number(kBlock - 1)));
  page->moveCursor(QTextCursor::End);
  test::PressKey(page, Qt::Key_Down);
  EXPECT_EQ(dialog.Model().BlockPosition(), 1);
  EXPECT_EQ(dialog.Model().PageOffset(), kBlock);
  // The wheel at the bottom of a page turns to the next one, at its top to the previous.
  page->verticalScrollBar()->setValue(page->verticalScrollBar()->maximum());
  QWheelEvent down(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(page->viewport(), &down);
  EXPECT_EQ(dialog.Model().PageOffset(), kBlock + 992);
  page->verticalScrollBar()->setValue(page->verticalScrollBar()->minimum());
  QWheelEvent up(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 120), Qt::NoButton,
                 Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(page->viewport(), &up);
  EXPECT_EQ(dialog.Model().PageOffset(), kBlock);
}

TEST_F(BinDialogFindTest, TheWindowWithFindBarAndInspectorFitsA1366By768Screen) {
  MakeFile(64);
  CMyBinDialog dialog;
  ASSERT_EQ(dialog.DispFileData(path_.string(), 0, 0), 1);
  dialog.FitInto(QRect(0, 0, 1366, 738));
  dialog.show();
  EXPECT_LE(dialog.minimumSizeHint().width(), 1366 - 16);
  EXPECT_LE(dialog.minimumSizeHint().height(), 738 - 40);
  EXPECT_LE(dialog.frameGeometry().width(), 1366);
  EXPECT_GE(dialog.PageEdit()->width(), dialog.PageEdit()->minimumWidth());
  EXPECT_GT(dialog.Inspector()->width(), 0);
}

}  // namespace
}  // namespace vpx::ui
