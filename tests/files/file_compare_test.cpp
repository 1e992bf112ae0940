#include "files/file_compare.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "files/file_scan.h"
#include "host/sjis.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

using test::TempDir;

class FileCompareTest : public ::testing::Test {
 protected:
  FileComparison Compare(const std::string& a, const std::string& b) {
    test::WriteBytes(dir.File("a"), a);
    test::WriteBytes(dir.File("b"), b);
    FileResult<FileComparison> result = CompareFiles(dir.File("a"), dir.File("b"));
    EXPECT_TRUE(result.ok()) << result.error().text;
    return result ? result.value() : FileComparison{-2, -2, -2, -2};
  }
  TempDir dir;
  const std::string data = test::Pattern(kScanPiece * 2 + 5);
};

TEST_F(FileCompareTest, EqualFilesGiveMinusOneAndNoDifference) {
  FileComparison same = Compare(data, data);
  EXPECT_EQ(same.firstDifference, -1);
  EXPECT_EQ(same.differingBytes, 0);
  EXPECT_EQ(ComparisonText(same), SJ("一致しました。サイズ 1,048,581 Byte"));
  EXPECT_EQ(Compare("", "").firstDifference, -1);
}

TEST_F(FileCompareTest, FindsADifferenceInTheFirstAndInTheLastByte) {
  std::string first = data;
  first[0] ^= 1;
  FileComparison front = Compare(data, first);
  EXPECT_EQ(front.firstDifference, 0);
  EXPECT_EQ(front.differingBytes, 1);
  std::string last = data;
  last.back() ^= 0x80;
  FileComparison back = Compare(data, last);
  EXPECT_EQ(back.firstDifference, static_cast<int64_t>(data.size()) - 1);
  EXPECT_EQ(back.differingBytes, 1);
  last[kScanPiece] ^= 2;  // first byte of the second piece
  FileComparison two = Compare(data, last);
  EXPECT_EQ(two.firstDifference, static_cast<int64_t>(kScanPiece));
  EXPECT_EQ(two.differingBytes, 2);
}

TEST_F(FileCompareTest, FilesOfDifferentSizesDifferWhereTheShorterEnds) {
  FileComparison longer = Compare(data.substr(0, 100), data);
  EXPECT_EQ(longer.firstDifference, 100);
  EXPECT_EQ(longer.differingBytes, static_cast<int64_t>(data.size()) - 100);
  EXPECT_EQ(longer.sizeA, 100);
  EXPECT_EQ(longer.sizeB, static_cast<int64_t>(data.size()));
  FileComparison empty = Compare("abc", "");
  EXPECT_EQ(empty.firstDifference, 0);
  EXPECT_EQ(empty.differingBytes, 3);
}

TEST(ComparisonTexts, ShowTheFirstDifferenceTheCountAndTheSizesOnlyWhenTheyDiffer) {
  EXPECT_EQ(ComparisonText({0x1F40, 12, 8192, 8200}),
            SJ("最初の相違 [0x1F40]　相違 12 Byte　サイズ 8,192 / 8,200 Byte"));
  EXPECT_EQ(ComparisonText({3, 1, 6, 6}), SJ("最初の相違 [0x3]　相違 1 Byte"));
}

TEST_F(FileCompareTest, RefusesAMissingSecondFileAndPipesWithoutReadingThem) {
  test::WriteBytes(dir.File("a"), "abc");
  FileResult<FileComparison> missing = CompareFiles(dir.File("a"), dir.File("none"));
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().text, SJ("※　ファイルが存在しません。"));
  ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
  FileResult<FileComparison> pipe = CompareFiles(dir.File("pipe"), dir.File("a"));
  ASSERT_FALSE(pipe.ok());
  EXPECT_NE(pipe.error().text.find(SJ("名前付きパイプ")), std::string::npos);
  EXPECT_EQ(test::ReadBytes(dir.File("a")), "abc");
}

}  // namespace
}  // namespace vpx
