// One opened handle per user file: a file cut under its name after the command opened it
// is measured through the descriptor, so no write reaches past its new end.
#include "files/user_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "files/bit_modify.h"
#include "files/file_create.h"
#include "files/section_copy.h"
#include "host/sjis.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

using test::TempDir;

class CutAfterOpenTest : public ::testing::Test {
 protected:
  // Opens the file of n pattern bytes, then cuts it by name to keep bytes.
  UserFile OpenThenCut(FileUse use, size_t n, off_t keep) {
    test::WriteBytes(file, test::Pattern(n));
    UserFile handle = OpenUserFile(file, use);
    EXPECT_TRUE(handle.IsOpen());
    EXPECT_EQ(truncate(file.c_str(), keep), 0);
    return handle;
  }
  TempDir dir;
  std::string file = dir.File("f");
};

TEST_F(CutAfterOpenTest, TheHandleMeasuresTheFileNowNotWhenOpened) {
  UserFile handle = OpenThenCut(FileUse::kRead, 300, 7);
  EXPECT_EQ(handle.Status().st_size, 300);
  EXPECT_EQ(handle.Size(), 7);
  EXPECT_EQ(handle.Name(), file);
}

TEST_F(CutAfterOpenTest, AByteChangePastTheNewEndIsRefusedAndDoesNotExtend) {
  UserFile handle = OpenThenCut(FileUse::kModify, 100, 10);
  std::string text;
  EXPECT_EQ(test::Said(ModifyFileByteAt(handle, 50, 0xFF, kOpSet), &text), 0);
  EXPECT_EQ(text, SJ("※　ファイルサイズが足りません。ModifyByteADRS[ 50 ] / FileSize[ 10 ]"));
  // The last byte that is still there can be changed.
  EXPECT_EQ(test::Said(ModifyFileByteAt(handle, 9, 0x00, kOpReset)), 1);
  EXPECT_EQ(test::ReadBytes(file), test::Pattern(9) + std::string(1, '\0'));
}

TEST_F(CutAfterOpenTest, ClearingTakesItsRangeFromTheDescriptor) {
  UserFile handle = OpenThenCut(FileUse::kModify, 5000, 12);
  EXPECT_EQ(test::Said(ZeroFileRange(handle, 2, 0)), 1);
  EXPECT_EQ(test::ReadBytes(file), test::Pattern(2) + std::string(10, '\0'));
  // A range that now starts past the end clears nothing and creates nothing.
  EXPECT_EQ(test::Said(ZeroFileRange(handle, 100, 200)), 0);
  EXPECT_EQ(handle.Size(), 12);
}

TEST_F(CutAfterOpenTest, ACopyFromACutSourceFailsAndKeepsTheDestination) {
  UserFile source = OpenThenCut(FileUse::kRead, 4096, 100);
  test::WriteBytes(dir.File("dst"), "keep");
  std::string failure;
  EXPECT_EQ(
      test::ValueOr(CopyFileSect(CopyRequest{dir.File("dst"), file, 0, 4096, 0, nullptr}, source),
                    int64_t{-1}, &failure),
      -1);
  EXPECT_EQ(failure, SJ("※　コピーに失敗しました。"));
  EXPECT_EQ(test::ReadBytes(dir.File("dst")), "keep");
  EXPECT_EQ(source.Size(), 100);
}

}  // namespace
}  // namespace vpx
