#include "files/file_primitives.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/text_format.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

using test::TempDir;

TEST(IxExistFile, TellsFilesFromDirectories) {
  TempDir dir;
  test::WriteBytes(dir.File("f.bin"), "x");
  EXPECT_EQ(IxExistFile(dir.File("f.bin"), false), 1);
  EXPECT_EQ(IxExistFile(dir.File("f.bin"), true), 0);
  EXPECT_EQ(IxExistFile(dir.Path(), false), 0);
  EXPECT_EQ(IxExistFile(dir.Path(), true), 1);
  EXPECT_EQ(IxExistFile(dir.File("missing"), false), 0);
  EXPECT_EQ(IxExistFile("", false), 0);
}

TEST(IxExistFile, MatchesWildcardsButNotBrackets) {
  TempDir dir;
  test::WriteBytes(dir.File("data1.bin"), "x");
  mkdir(dir.File("sub").c_str(), 0755);
  EXPECT_EQ(IxExistFile(dir.File("data?.bin"), false), 1);
  EXPECT_EQ(IxExistFile(dir.File("*.bin"), false), 1);
  EXPECT_EQ(IxExistFile(dir.File("s*"), true), 1);
  EXPECT_EQ(IxExistFile(dir.File("*.txt"), false), 0);
  // Brackets are ordinary characters in names.
  EXPECT_EQ(IxExistFile(dir.File("data[1].bin"), false), 0);
  test::WriteBytes(dir.File("data[1].bin"), "x");
  EXPECT_EQ(IxExistFile(dir.File("data[1].bin"), false), 1);
}

TEST(QueryFileSize, GivesMinusOneForMissingAndSizeBeyondFourGiB) {
  TempDir dir;
  EXPECT_EQ(QueryFileSize(dir.File("missing")), -1);
  test::WriteBytes(dir.File("empty"), "");
  EXPECT_EQ(QueryFileSize(dir.File("empty")), 0);
  test::WriteBytes(dir.File("big"), "");
  ASSERT_EQ(truncate(dir.File("big").c_str(), (5ll << 30) + 3), 0);  // sparse
  EXPECT_EQ(QueryFileSize(dir.File("big")), (5ll << 30) + 3);
  EXPECT_EQ(QueryFileSize(dir.Path()), -1);
}

TEST(ResizeFile, CutsExtendsAndNeverCreates) {
  TempDir dir;
  EXPECT_EQ(ResizeFile(dir.File("missing"), 10), 0);
  EXPECT_FALSE(test::Exists(dir.File("missing")));
  test::WriteBytes(dir.File("f"), "0123456789");
  EXPECT_EQ(ResizeFile(dir.File("f"), 4), 1);
  EXPECT_EQ(test::ReadBytes(dir.File("f")), "0123");
  EXPECT_EQ(ResizeFile(dir.File("f"), (4ll << 30) + 1), 1);
  EXPECT_EQ(QueryFileSize(dir.File("f")), (4ll << 30) + 1);
  EXPECT_EQ(ResizeFile("", 1), 0);
}

TEST(ReverseBinaryArray, KeepsTheMiddleByteOfAnOddCount) {
  uint8_t bytes[] = {1, 2, 3, 4, 5};
  EXPECT_EQ(ReverseBinaryArray(bytes, 5), 1);
  EXPECT_EQ(bytes[0], 5);
  EXPECT_EQ(bytes[2], 3);
  EXPECT_EQ(bytes[4], 1);
  EXPECT_EQ(ReverseBinaryArray(nullptr, 3), 0);
}

TEST(InsertThousandsSeparators, GroupsFromTheRight) {
  EXPECT_EQ(InsertThousandsSeparators("1234567"), "1,234,567");
  EXPECT_EQ(InsertThousandsSeparators("123"), "123");
  EXPECT_EQ(InsertThousandsSeparators("1234"), "1,234");
  EXPECT_EQ(InsertThousandsSeparators("123456"), "123,456");
  EXPECT_EQ(InsertThousandsSeparators("-123"), "-,123");
  EXPECT_EQ(InsertThousandsSeparators(""), "");
  std::string long_(750, '9');  // 750 + 249 commas reaches 999: still grouped
  EXPECT_EQ(InsertThousandsSeparators(long_).size(), 999u);
  std::string tooLong(751, '9');  // 751 + 250 reaches 1000: unchanged
  EXPECT_EQ(InsertThousandsSeparators(tooLong), tooLong);
  EXPECT_EQ(FormatByteCount(1234567), "1,234,567");
}

}  // namespace
}  // namespace vpx
