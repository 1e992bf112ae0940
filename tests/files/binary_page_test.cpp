#include "files/binary_page.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

TEST(BinaryBlockSize, FirstTableEntryWhoseMultipleCoversTheFile) {
  EXPECT_EQ(BinaryBlockSizeFor(0), 4999680);
  EXPECT_EQ(BinaryBlockSizeFor(4999680LL * 32768), 4999680);
  EXPECT_EQ(BinaryBlockSizeFor(4999680LL * 32768 + 1), 9999369);
  EXPECT_EQ(BinaryBlockSizeFor(29999072LL * 32768 + 1), 32505856);
  EXPECT_EQ(BinaryBlockSizeFor(int64_t{1} << 62), 32505856);
}

TEST(BinaryRangeNormalising, SwapsReversedPairsAndTakesZeroZeroAsTheWholeFile) {
  ByteRange r;
  ASSERT_TRUE(NormaliseBinaryRange(23, 19, 100, r));
  EXPECT_EQ(r.first, 19);
  EXPECT_EQ(r.last, 23);
  ASSERT_TRUE(NormaliseBinaryRange(0, 0, 5000, r));
  EXPECT_EQ(r.last, 4999);
  EXPECT_EQ(FirstPageLength(r), 992);
  ASSERT_TRUE(NormaliseBinaryRange(0, 0, 0, r));
  EXPECT_EQ(r.last, -1);
  EXPECT_EQ(FirstPageLength(r), 0);
  ASSERT_TRUE(NormaliseBinaryRange(1000, 5000, 10000, r));
  EXPECT_EQ(FirstPageLength(r), 992 - 1000 % 16);  // the first page ends on a line end
  EXPECT_FALSE(NormaliseBinaryRange(-1, 5, 100, r));
}

TEST(BinaryBlockPlacement, CentresShortRangesWithAnAlignedMargin) {
  const int64_t block = 4999680;
  const int64_t size = 3 * block;
  ByteRange r;
  ASSERT_TRUE(NormaliseBinaryRange(block + 5, block + 20, size, r));
  const ByteRange s = PlaceFirstBlock(r, size, block);
  const int64_t margin = ((block - 21) / 2) / 16 * 16;
  EXPECT_EQ(s, ByteRange::FromStartLength(block - margin, block));
  ASSERT_TRUE(NormaliseBinaryRange(10, 20, size, r));
  EXPECT_EQ(PlaceFirstBlock(r, size, block).first, 0);  // too close to the start
  ASSERT_TRUE(NormaliseBinaryRange(size - 10, size - 1, size, r));
  const ByteRange end = PlaceFirstBlock(r, size, block);
  EXPECT_EQ(end.End(), size);  // cut at the end of the file
  ASSERT_TRUE(NormaliseBinaryRange(size, size + 5, size, r));
  EXPECT_EQ(PlaceFirstBlock(r, size, block).Length(), 0);
}

TEST(BinaryLineFormat, PartialLineLeavesCellsOutsideThePageBlank) {
  const uint8_t bytes[5] = {'t', 'u', 0x0A, 0x7F, 0xFF};
  const std::vector<BinaryLine> lines = FormatBinaryPage(19, bytes, 5);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].offset, "00000000000016 : ");
  EXPECT_EQ(lines[0].hex, std::string(9, ' ') + "74 75 0A 7F FF " + std::string(24, ' '));
  EXPECT_EQ(lines[0].chars, "   tu...        ");
}

TEST(BinaryLineFormat, ShiftJisPairsShowAsCharactersExceptALeadByteInTheLastColumn) {
  std::string sjis = SJ("あ");
  uint8_t cells[16];
  for (int i = 0; i < 16; ++i) cells[i] = 'A';
  cells[3] = static_cast<uint8_t>(sjis[0]);
  cells[4] = static_cast<uint8_t>(sjis[1]);
  cells[15] = static_cast<uint8_t>(sjis[0]);  // its trail byte is on the next line
  const BinaryLine line = FormatBinaryLine(32, cells, 0, 15);
  EXPECT_EQ(line.chars, "AAA" + sjis + std::string(10, 'A') + ".");
  // A lead byte whose trail byte lies outside the page, and bytes that are no character.
  const BinaryLine cut = FormatBinaryLine(0, cells, 0, 3);
  EXPECT_EQ(cut.chars, "AAA." + std::string(12, ' '));
  const uint8_t odd[16] = {0x80, 0xA0, 0xB1, 0xFD, 0x1F};
  EXPECT_EQ(FormatBinaryLine(0, odd, 0, 4).chars.substr(0, 5),
            ".."
            "\xB1"
            "..");
}

class BinaryViewModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (std::filesystem::temp_directory_path() /
             ("vorpex_binary_page_test_" + std::to_string(getpid()) + ".bin"))
                .string();
  }
  void TearDown() override { std::filesystem::remove(path_); }
  void MakeFile(int64_t size) {
    std::ofstream out(path_, std::ios::binary);
    for (int64_t i = 0; i < size; ++i) out.put(static_cast<char>(i * 7 + i / 256));
  }
  static uint8_t ByteAt(int64_t i) { return static_cast<uint8_t>(i * 7 + i / 256); }
  std::string path_;
};

TEST_F(BinaryViewModelTest, OpensOnTheRangeAndPagesThroughTheBlock) {
  MakeFile(5000);
  CBinaryViewModel m;
  ASSERT_EQ(m.DispFileData(path_, 2000, 2100), 1);
  EXPECT_EQ(m.Block().Start(), 0);
  EXPECT_EQ(m.Block().Count(), 5000);
  EXPECT_EQ(m.PageOffset(), 2000);
  EXPECT_EQ(m.PageLength(), 101);
  EXPECT_EQ(m.PageCount(), 6);
  EXPECT_EQ(m.PagePosition(), 2);
  m.MovePage(5);
  EXPECT_EQ(m.PageOffset(), 5 * 992);
  EXPECT_EQ(m.PageLength(), 5000 - 5 * 992);
  EXPECT_EQ(m.FormatPage().size(), 3u);
  EXPECT_EQ(m.ByteOffsetAt(0, 16), -1);  // the offset column
  EXPECT_EQ(m.ByteOffsetAt(1, 17 + 3 * 2), 5 * 992 + 18);
  EXPECT_EQ(m.ByteOffsetAt(0, 17 + 3 * 16), -1);  // the character column
}

TEST_F(BinaryViewModelTest, APageEndingOnTheFirstByteOfALineShowsThatByteAlone) {
  MakeFile(100);
  CBinaryViewModel m;
  ASSERT_EQ(m.DispFileData(path_, 5, 16), 1);
  EXPECT_EQ(m.PageOffset(), 5);
  EXPECT_EQ(m.PageLength(), 12);
  const std::vector<BinaryLine> lines = m.FormatPage();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].hex.substr(0, 15), std::string(15, ' '));
  EXPECT_EQ(lines[1].offset, "00000000000016 : ");
  EXPECT_EQ(lines[1].hex, Format("%02X ", ByteAt(16)) + std::string(45, ' '));
  EXPECT_EQ(m.ByteOffsetAt(1, 17), 16);
  EXPECT_EQ(m.ByteOffsetAt(1, 17 + 3), -1);  // byte 17 is not on the page
}

TEST_F(BinaryViewModelTest, MovingToAnOverlappingBlockReusesTheLoadedBytes) {
  const int64_t block = 4999680;
  MakeFile(block + 4000);
  CBinaryViewModel m;
  ASSERT_EQ(m.DispFileData(path_, block + 100, block + 200), 1);
  const int64_t firstStart = m.Block().Start();
  ASSERT_GT(firstStart, 0);
  std::string error;
  ASSERT_TRUE(m.MoveBlock(0, error)) << error;
  EXPECT_EQ(m.Block().ReusedByLastLoad(), block - firstStart);
  EXPECT_EQ(m.PagePosition(), m.PageCount() - 1);  // a backward move shows the last page
  for (int64_t i : {int64_t{0}, int64_t{255}, firstStart - 1, firstStart, block - 1}) {
    ASSERT_EQ(m.Block().Data()[i], ByteAt(i)) << i;
  }
  CBinaryViewModel forward;
  ASSERT_EQ(forward.DispFileData(path_, block + 100, block + 200), 1);
  ASSERT_TRUE(forward.MoveBlock(1, error)) << error;
  EXPECT_EQ(forward.Block().Start(), block);
  EXPECT_EQ(forward.Block().Count(), 4000);
  EXPECT_EQ(forward.Block().ReusedByLastLoad(), 4000);
  EXPECT_EQ(forward.PagePosition(), 0);
  EXPECT_EQ(forward.Block().Data()[3999], ByteAt(block + 3999));
}

TEST_F(BinaryViewModelTest, FailedBlockReadKeepsThePreviousBlock) {
  const int64_t block = 4999680;
  MakeFile(block + 4000);
  CBinaryViewModel m;
  ASSERT_EQ(m.DispFileData(path_, 0, 15), 1);
  std::filesystem::remove(path_);
  std::string error;
  EXPECT_FALSE(m.MoveBlock(1, error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(m.BlockPosition(), 0);
  EXPECT_EQ(m.PageOffset(), 0);
  EXPECT_EQ(m.Block().Count(), block);
  EXPECT_EQ(m.FormatPage().size(), 1u);
}

}  // namespace
}  // namespace vpx
