#include "files/find_in_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/file_scan.h"
#include "host/sjis.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

using test::TempDir;

const std::string kNeedle = "\x01\x02\x03\x04\x05\x06\x07\x08";

class FindInFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& data) {
    test::WriteBytes(dir.File("f"), data);
    return dir.File("f");
  }
  int64_t Find(const std::string& pattern, int64_t start) {
    FileResult<int64_t> found = FindInFile(dir.File("f"), pattern, start);
    EXPECT_TRUE(found.ok()) << found.error().text;
    return found ? found.value() : -2;
  }
  int64_t FindLast(const std::string& pattern, int64_t before) {
    FileResult<int64_t> found = FindLastInFile(dir.File("f"), pattern, before);
    EXPECT_TRUE(found.ok()) << found.error().text;
    return found ? found.value() : -2;
  }
  int64_t Count(const std::string& pattern, int64_t start) {
    FileResult<int64_t> count = CountInFile(dir.File("f"), pattern, start);
    EXPECT_TRUE(count.ok()) << count.error().text;
    return count ? count.value() : -2;
  }
  TempDir dir;
};

TEST_F(FindInFileTest, FindsAPatternStraddlingThePieceBoundaryAtEveryOffset) {
  const int64_t boundary = static_cast<int64_t>(kScanPiece);
  const int64_t size = 2 * boundary + 64;
  for (int64_t at = boundary - static_cast<int64_t>(kNeedle.size()); at <= boundary + 1; ++at) {
    SCOPED_TRACE(at);
    std::string data(static_cast<size_t>(size), '\0');
    data.replace(static_cast<size_t>(at), kNeedle.size(), kNeedle);
    data.replace(static_cast<size_t>(at + boundary), kNeedle.size(), kNeedle);  // the next seam
    Write(data);
    EXPECT_EQ(Find(kNeedle, 0), at);
    EXPECT_EQ(Find(kNeedle, at), at);
    EXPECT_EQ(Find(kNeedle, at + 1), at + boundary);
    EXPECT_EQ(Count(kNeedle, 0), 2);
    EXPECT_EQ(FindLast(kNeedle, -1), at + boundary);
    EXPECT_EQ(FindLast(kNeedle, at + boundary), at);
    EXPECT_EQ(FindLast(kNeedle, at), -1);
  }
}

TEST_F(FindInFileTest, OverlappingOccurrencesAreEachFoundAndCounted) {
  Write("aaaa");
  EXPECT_EQ(Find("aaa", 0), 0);
  EXPECT_EQ(Find("aaa", 1), 1);
  EXPECT_EQ(Find("aaa", 2), -1);
  EXPECT_EQ(Count("aaa", 0), 2);
  EXPECT_EQ(FindLast("aaa", -1), 1);
  EXPECT_EQ(FindLast("aaa", 1), 0);
}

TEST_F(FindInFileTest, FindsAMatchEndingAtTheLastByteAndReportsNoneWithMinusOne) {
  std::string data(kScanPiece + 100, 'x');
  data.back() = 'y';
  Write(data);
  EXPECT_EQ(Find("y", 0), static_cast<int64_t>(data.size()) - 1);
  EXPECT_EQ(Find("xy", 0), static_cast<int64_t>(data.size()) - 2);
  EXPECT_EQ(Find("yx", 0), -1);
  EXPECT_EQ(Find("xyz", 0), -1);
  EXPECT_EQ(Count("z", 0), 0);
  EXPECT_EQ(FindLast("y", -1), static_cast<int64_t>(data.size()) - 1);
}

TEST_F(FindInFileTest, AStartAtTheEndFindsNothingAndOnePastItIsRefused) {
  Write("abc");
  EXPECT_EQ(Find("c", 2), 2);
  EXPECT_EQ(Find("c", 3), -1);
  FileResult<int64_t> past = FindInFile(dir.File("f"), "c", 4);
  ASSERT_FALSE(past.ok());
  EXPECT_EQ(past.error().text,
            SJ("※　開始位置がファイルの終わりを越えています。[4] / FileSize[3 Byte]"));
  Write("");
  EXPECT_EQ(Find("a", 0), -1);
}

TEST_F(FindInFileTest, ATextPatternIsSearchedAsItsShiftJisBytes) {
  const std::string text = SJ("表示");  // 0x95 0x5C ...: a trail byte that is a backslash
  Write("abc" + text + "def");
  FileResult<std::string> pattern = TextPattern(text);
  ASSERT_TRUE(pattern.ok());
  EXPECT_EQ(Find(pattern.value(), 0), 3);
}

TEST(HexPattern, ReadsDigitPairsWithBlanksAndRefusesEmptyOddAndForeignText) {
  FileResult<std::string> bytes = ParseHexPattern("DE AD be\tef");
  ASSERT_TRUE(bytes.ok());
  EXPECT_EQ(bytes.value(), "\xDE\xAD\xBE\xEF");
  EXPECT_EQ(ParseHexPattern("").error().text, SJ("※　検索パターンが空です。"));
  EXPECT_EQ(ParseHexPattern("   ").error().text, SJ("※　検索パターンが空です。"));
  EXPECT_EQ(TextPattern("").error().text, SJ("※　検索パターンが空です。"));
  EXPECT_EQ(ParseHexPattern("DE A").error().text, SJ("※　16進パターンの桁数が奇数です。[ DE A ]"));
  EXPECT_EQ(ParseHexPattern("DE AG").error().text,
            SJ("※　16進パターンに16進数字でない文字があります。「G」"));
  EXPECT_EQ(ParseHexPattern("0x12").error().text,
            SJ("※　16進パターンに16進数字でない文字があります。「x」"));
  EXPECT_EQ(ParseHexPattern(SJ("12あ")).error().text,
            SJ("※　16進パターンに16進数字でない文字があります。「あ」"));
}

TEST_F(FindInFileTest, RefusesPipesAndMissingFilesAndAnEmptyPattern) {
  Write("abc");
  EXPECT_EQ(FindInFile(dir.File("f"), "", 0).error().text, SJ("※　検索パターンが空です。"));
  EXPECT_EQ(FindInFile(dir.File("none"), "a", 0).error().text, SJ("※　ファイルが存在しません。"));
  ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
  FileResult<int64_t> pipe = FindInFile(dir.File("pipe"), "a", 0);
  ASSERT_FALSE(pipe.ok());
  EXPECT_NE(pipe.error().text.find(SJ("名前付きパイプ")), std::string::npos);
  FileResult<int64_t> device = FindInFile("/dev/zero", "a", 0);  // endless: never read
  ASSERT_FALSE(device.ok());
  EXPECT_NE(device.error().text.find(SJ("キャラクタデバイス")), std::string::npos);
  FileResult<int64_t> folder = FindInFile(dir.Path(), "a", 0);
  ASSERT_FALSE(folder.ok());
  EXPECT_NE(folder.error().text.find(SJ("ディレクトリ")), std::string::npos);
}

TEST_F(FindInFileTest, AFileCutShorterWhileReadGivesTheSizeChangedFailure) {
  Write(std::string(kScanPiece * 3, 'x'));
  FileResult<ScanFile> opened = OpenScanFile(dir.File("f"));
  ASSERT_TRUE(opened.ok());
  FileResult<int64_t> read =
      ScanFileRange(opened.value(), {}, [&](const uint8_t*, size_t, int64_t) {
        return truncate(dir.File("f").c_str(), static_cast<off_t>(kScanPiece)) == 0;
      });
  ASSERT_FALSE(read.ok());
  EXPECT_EQ(read.error().text,
            SJ("※　処理中にファイルのサイズが変わりました。[ ") + dir.File("f") + " ]");
}

TEST_F(FindInFileTest, AFileGrownWhileReadGivesTheSizeChangedFailure) {
  Write(std::string(kScanPiece * 2, 'x'));
  FileResult<ScanFile> opened = OpenScanFile(dir.File("f"));
  ASSERT_TRUE(opened.ok());
  FileResult<int64_t> read =
      ScanFileRange(opened.value(), {}, [&](const uint8_t*, size_t, int64_t) {
        return truncate(dir.File("f").c_str(), static_cast<off_t>(kScanPiece * 4)) == 0;
      });
  ASSERT_FALSE(read.ok());
  EXPECT_EQ(read.error().kind, FileFailure::kRead);
}

}  // namespace
}  // namespace vpx
