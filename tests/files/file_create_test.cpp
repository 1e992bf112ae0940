#include "files/file_create.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/drive_space.h"
#include "files/file_primitives.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

using test::TempDir;

class ZeroFileRangeTest : public ::testing::Test {
 protected:
  // Clears start..end of a fresh 20-byte pattern file; returns the file afterwards.
  std::string Clear(int64_t start, int64_t end, int* result = nullptr) {
    test::WriteBytes(file, original);
    int r = test::Said(ZeroFileRange(file, start, end));
    if (result != nullptr) *result = r;
    return test::ReadBytes(file);
  }
  std::string Expected(size_t first, size_t last) {
    std::string bytes = original;
    for (size_t i = first; i <= last; ++i) bytes[i] = '\0';
    return bytes;
  }

  TempDir dir;
  std::string file = dir.File("f");
  std::string original = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
};

TEST_F(ZeroFileRangeTest, EndZeroMeansToTheLastByte) {
  EXPECT_EQ(Clear(10, 0), Expected(10, 25));
}

TEST_F(ZeroFileRangeTest, SwapsReversedAndRaisesNegativeStart) {
  EXPECT_EQ(Clear(20, 10), Expected(10, 20));
  EXPECT_EQ(Clear(-5, 3), Expected(0, 3));
  EXPECT_EQ(Clear(4, 1000), Expected(4, 25));
}

TEST_F(ZeroFileRangeTest, FailsOnEmptyMissingAndStartPastEnd) {
  int result = 1;
  Clear(26, 30, &result);
  EXPECT_EQ(result, 0);
  test::WriteBytes(dir.File("empty"), "");
  EXPECT_EQ(test::Said(ZeroFileRange(dir.File("empty"), 0, 0)), 0);
  EXPECT_EQ(test::Said(ZeroFileRange(dir.File("missing"), 0, 0)), 0);
  EXPECT_FALSE(test::Exists(dir.File("missing")));
}

TEST_F(ZeroFileRangeTest, ClearsExactlyARangeAcrossTheBufferSize) {
  const size_t size = kClearBuffer * 2 + 100;
  std::string data = test::Pattern(size);
  for (char& c : data) c = static_cast<char>(c | 1);  // no zero byte anywhere
  test::WriteBytes(file, data);
  const size_t first = 7, last = kClearBuffer + kClearBuffer / 2 + 3;
  ASSERT_EQ(test::Said(ZeroFileRange(file, first, last)), 1);
  std::string after = test::ReadBytes(file);
  ASSERT_EQ(after.size(), size);
  EXPECT_EQ(after.substr(0, first), data.substr(0, first));
  EXPECT_EQ(after.find_first_not_of('\0', first), last + 1);
  EXPECT_EQ(after.substr(last + 1), data.substr(last + 1));
}

TEST(CreateZeroFile, WritesWholePiecesAndTheRest) {
  TempDir dir;
  std::string text;
  const int64_t size = kZeroFileBuffer + 1;
  ASSERT_EQ(test::Said(CreateZeroFile(dir.File("z"), size, nullptr), &text), 1);
  EXPECT_EQ(text, Format(SJ("ファイル[ %s ]を作成しました。").c_str(), dir.File("z").c_str()));
  std::string bytes = test::ReadBytes(dir.File("z"));
  ASSERT_EQ(static_cast<int64_t>(bytes.size()), size);
  EXPECT_EQ(bytes.find_first_not_of('\0'), std::string::npos);
  struct stat st;
  ASSERT_EQ(stat(dir.File("z").c_str(), &st), 0);
  EXPECT_GE(st.st_blocks * 512, size);  // blocks are allocated, not a sparse file
}

TEST(CreateZeroFile, RefusesExistingNegativeAndOversizedFiles) {
  TempDir dir;
  std::string text;
  test::WriteBytes(dir.File("e"), "keep");
  EXPECT_EQ(test::Said(CreateZeroFile(dir.File("e"), 10, nullptr), &text), 0);
  EXPECT_EQ(text, Format(SJ("※　ファイル[ %s ]は既に存在します。").c_str(), dir.File("e").c_str()));
  EXPECT_EQ(test::ReadBytes(dir.File("e")), "keep");
  EXPECT_EQ(test::Said(CreateZeroFile(dir.File("n"), -1, nullptr), &text), 0);
  EXPECT_EQ(text, SJ("※　引数が無効です。MakeClearedFile()"));
  EXPECT_EQ(test::Said(CreateZeroFile(dir.File("huge"), INT64_MAX / 2, nullptr), &text), 0);
  EXPECT_EQ(text.rfind(SJ("※　ディスク空き容量が足りません。"), 0), 0u);
  EXPECT_FALSE(test::Exists(dir.File("huge")));
}

TEST(CreateZeroFile, StopsWhenCancelledAndReportsTheShortSize) {
  TempDir dir;
  std::string text;
  CancelFlag cancel{1};
  EXPECT_EQ(test::Said(CreateZeroFile(dir.File("z"), 1000, &cancel), &text), 0);
  EXPECT_EQ(text,
            SJ("※　ファイルサイズの設定に失敗しました。 NewFileSize[0] / NeedFileSize[1000]"));
}

TEST(AppendFileContents, AppendsReportsAndHandlesEmptySources) {
  TempDir dir;
  std::string text;
  int64_t newSize = 0;
  test::WriteBytes(dir.File("d"), "head-");
  test::WriteBytes(dir.File("s"), "tail");
  newSize =
      test::ValueOr(AppendFileContents(dir.File("d"), dir.File("s"), nullptr), int64_t{-1}, &text);
  EXPECT_EQ(test::ReadBytes(dir.File("d")), "head-tail");
  EXPECT_EQ(newSize, 9);
  test::WriteBytes(dir.File("empty"), "");
  EXPECT_EQ(test::Said(AppendFileContents(dir.File("d"), dir.File("empty"), nullptr), &text), 1);
  EXPECT_EQ(test::ReadBytes(dir.File("d")), "head-tail");
  EXPECT_EQ(test::Said(AppendFileContents(dir.File("d"), dir.File("d"), nullptr), &text), 1);
  EXPECT_EQ(test::ReadBytes(dir.File("d")), "head-tailhead-tail");
}

TEST(AppendFileContents, NamesTheMissingFile) {
  TempDir dir;
  std::string text;
  test::WriteBytes(dir.File("s"), "x");
  EXPECT_EQ(test::Said(AppendFileContents(dir.File("nod"), dir.File("s"), nullptr), &text), 0);
  EXPECT_EQ(text,
            Format(SJ("※　追加先ファイルが見つかりません。[%s]").c_str(), dir.File("nod").c_str()));
  EXPECT_EQ(test::Said(AppendFileContents(dir.File("s"), dir.File("nos"), nullptr), &text), 0);
  EXPECT_EQ(text, Format(SJ("※　追加するファイルが見つかりません。[%s]").c_str(),
                         dir.File("nos").c_str()));
}

TEST(AppendFileContents, ACancelReportsTheShortCounts) {
  TempDir dir;
  std::string text;
  test::WriteBytes(dir.File("d"), "x");
  test::WriteBytes(dir.File("s"), "abc");
  CancelFlag cancel{1};
  EXPECT_EQ(test::Said(AppendFileContents(dir.File("d"), dir.File("s"), &cancel), &text), 0);
  EXPECT_EQ(text, SJ("※　ファイル内容追加に失敗。AddFileSize[3] / ReadSize[0] / WriteSize[0]"));
}

TEST(MakeSizedFile, CreatesEmptyAndSparseFilesButNeverOverwrites) {
  TempDir dir;
  std::string text;
  ASSERT_EQ(test::Said(MakeSizedFile(dir.File("n"), 0), &text), 1);
  EXPECT_EQ(text, Format(SJ("ファイル[ %s ]を作成しました。").c_str(), dir.File("n").c_str()));
  EXPECT_EQ(QueryFileSize(dir.File("n")), 0);
  ASSERT_EQ(test::Said(MakeSizedFile(dir.File("big"), (4ll << 30) + 7), &text), 1);
  EXPECT_EQ(QueryFileSize(dir.File("big")), (4ll << 30) + 7);
  test::WriteBytes(dir.File("e"), "keep");
  EXPECT_EQ(test::Said(MakeSizedFile(dir.File("e"), 0), &text), 0);
  EXPECT_EQ(text, Format(SJ("※　ファイル[ %s ]は既に存在します。").c_str(), dir.File("e").c_str()));
  EXPECT_EQ(test::ReadBytes(dir.File("e")), "keep");
}

// A folder that does not exist is an open failure, not a lack of space: the space is that
// of the nearest existing folder.
TEST(MakeSizedFile, InAMissingFolderFailsToOpenRatherThanForLackOfSpace) {
  TempDir dir;
  const std::string missing = dir.File("no/such/x");
  EXPECT_GT(GetDriveFreeSize(missing), 0);
  std::string text;
  EXPECT_EQ(test::Said(MakeSizedFile(missing, 5), &text), 0);
  EXPECT_EQ(text, SJ("ファイル名またはパス名が見つかりません。"));
  EXPECT_EQ(test::Said(CreateZeroFile(missing, 5, nullptr), &text), 0);
  EXPECT_EQ(text, SJ("ファイル名またはパス名が見つかりません。"));
  EXPECT_FALSE(test::Exists(dir.File("no")));
}

}  // namespace
}  // namespace vpx
