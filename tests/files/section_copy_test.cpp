#include "files/section_copy.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/file_io.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

using test::TempDir;

TEST(CopyRanges, DumpRangesSwapAndCountBackwards) {
  EXPECT_EQ(DumpRange(DumpSpan::kWholeFile, 10, 7, 7).first, 0);
  EXPECT_EQ(DumpRange(DumpSpan::kWholeFile, 10, 7, 7).last, 9);
  EXPECT_EQ(DumpRange(DumpSpan::kWholeFile, 0, 0, 0).last, -1);
  EXPECT_EQ(DumpRange(DumpSpan::kFirstToLast, 10, 5, 2).first, 2);
  EXPECT_EQ(DumpRange(DumpSpan::kFirstToLast, 10, 5, 2).last, 5);
  EXPECT_EQ(DumpRange(DumpSpan::kStartAndLength, 10, 5, -1).last, 5);  // the byte at start
  EXPECT_EQ(DumpRange(DumpSpan::kStartAndLength, 10, 5, 0).last, 6);   // start and start + 1
  EXPECT_EQ(DumpRange(DumpSpan::kStartAndLength, 10, 5, 3).last, 7);
  EXPECT_EQ(DumpRange(DumpSpan::kStartAndLength, 10, INT64_MAX, INT64_MAX).last,
            INT64_MAX);  // no overflow
}

TEST(CopyRanges, SectionRangesFollowTheCopyRules) {
  auto r = CopySectRange(0, 0, 50);
  EXPECT_EQ(r.first, 0);
  EXPECT_EQ(r.last, 49);
  r = CopySectRange(10, -1, 50);
  EXPECT_EQ(r.first, 10);
  EXPECT_EQ(r.last, 49);
  r = CopySectRange(20, 10, 50);
  EXPECT_EQ(r.first, 10);
  EXPECT_EQ(r.last, 20);
  r = CopySectRange(5, 80, 50);  // no bound: the copy itself fails
  EXPECT_EQ(r.last, 80);

  r = CopySectRRange(100, -10, 200);
  EXPECT_EQ(r.first, 91);
  EXPECT_EQ(r.last, 100);
  r = CopySectRRange(0, 1000000, 10);
  EXPECT_EQ(r.first, 0);
  EXPECT_EQ(r.last, 9);
  r = CopySectRRange(3, 4, 10);  // ends inside the file: bytes 3, 4, 5 and 6
  EXPECT_EQ(r, ByteRange::FromFirstLast(3, 6));
  EXPECT_EQ(r.Length(), 4);
  r = CopySectRRange(3, -10, 10);  // counting back past 0 stops at 0
  EXPECT_EQ(r.first, 0);
  EXPECT_EQ(r.last, 3);
}

class CopyFileSectTest : public ::testing::Test {
 protected:
  int64_t Copy(const std::string& src, const std::string& dst, int64_t start, int64_t length,
               uint32_t buffer = 0, CancelToken cancel = {}) {
    return test::ValueOr(CopyFileSect(CopyRequest{dst, src, start, length, buffer, cancel}),
                         int64_t{0}, &failure);
  }
  // Only the files the test made: no temporary file is left behind.
  void ExpectOnlyFiles(size_t count) { EXPECT_EQ(test::ListDir(dir.Path()).size(), count); }

  TempDir dir;
  std::string failure;
};

TEST_F(CopyFileSectTest, CopiesARangeAndReplacesTheDestination) {
  std::string data = test::Pattern(100000);
  test::WriteBytes(dir.File("src"), data);
  test::WriteBytes(dir.File("dst"), "old contents that are longer than the copy, much longer");
  EXPECT_EQ(Copy(dir.File("src"), dir.File("dst"), 10, 30), 30);
  EXPECT_TRUE(failure.empty());
  EXPECT_EQ(test::ReadBytes(dir.File("dst")), data.substr(10, 30));
  ExpectOnlyFiles(2);
}

TEST_F(CopyFileSectTest, PiecesCoverExactMultiplesAndRemainders) {
  std::string data = test::Pattern(3 * 4096 + 17);
  test::WriteBytes(dir.File("src"), data);
  EXPECT_EQ(Copy(dir.File("src"), dir.File("a"), 0, 3 * 4096, 4096), 3 * 4096);
  EXPECT_EQ(test::ReadBytes(dir.File("a")), data.substr(0, 3 * 4096));
  EXPECT_EQ(Copy(dir.File("src"), dir.File("b"), 5, 3 * 4096 + 12, 4096), 3 * 4096 + 12);
  EXPECT_EQ(test::ReadBytes(dir.File("b")), data.substr(5));
}

TEST_F(CopyFileSectTest, ARangePastTheSourceFailsAndLeavesTheDestination) {
  test::WriteBytes(dir.File("src"), "0123456789");
  test::WriteBytes(dir.File("dst"), "keep me");
  EXPECT_EQ(Copy(dir.File("src"), dir.File("dst"), 5, 20), 0);
  EXPECT_EQ(failure, SJ("※　コピーに失敗しました。"));
  EXPECT_EQ(test::ReadBytes(dir.File("dst")), "keep me");
  EXPECT_EQ(Copy(dir.File("src"), dir.File("new"), 5, 20), 0);
  EXPECT_FALSE(test::Exists(dir.File("new")));
  ExpectOnlyFiles(2);
}

TEST_F(CopyFileSectTest, ACancelledCopyLeavesTheDestination) {
  test::WriteBytes(dir.File("src"), test::Pattern(50000));
  test::WriteBytes(dir.File("dst"), "keep me");
  CancelFlag cancel{1};
  EXPECT_EQ(Copy(dir.File("src"), dir.File("dst"), 0, 50000, 4096, &cancel), 0);
  EXPECT_EQ(failure, SJ("※　中断しました。"));
  EXPECT_EQ(test::ReadBytes(dir.File("dst")), "keep me");
  ExpectOnlyFiles(2);
}

TEST_F(CopyFileSectTest, SourceAndDestinationMayBeTheSameFile) {
  std::string data = test::Pattern(20000);
  test::WriteBytes(dir.File("f"), data);
  EXPECT_EQ(Copy(dir.File("f"), dir.File("f"), 100, 5000), 5000);
  EXPECT_EQ(test::ReadBytes(dir.File("f")), data.substr(100, 5000));
}

TEST_F(CopyFileSectTest, ReportsSourceAndDestinationOpenFailures) {
  EXPECT_EQ(Copy(dir.File("missing"), dir.File("dst"), 0, 1), 0);
  EXPECT_EQ(failure, Format(SJ("※　コピー元ファイルをオープンできません。[ %s ]").c_str(),
                            dir.File("missing").c_str()));
  test::WriteBytes(dir.File("src"), "abc");
  EXPECT_EQ(Copy(dir.File("src"), dir.File("nodir/dst"), 0, 1), 0);
  EXPECT_EQ(failure, Format(SJ("※　コピー先ファイルをオープンできません。[ %s ]").c_str(),
                            dir.File("nodir/dst").c_str()));
  EXPECT_EQ(Copy(dir.File("src"), dir.Path(), 0, 1), 0);  // a directory is no destination
}

TEST_F(CopyFileSectTest, CopiesFromOffsetsBeyondFourGiB) {
  std::string src = dir.File("sparse");
  test::WriteBytes(src, "");
  const int64_t offset = (4ll << 30) + 12345;
  ASSERT_EQ(truncate(src.c_str(), offset), 0);
  {
    UniqueFd fd = OpenFile(src, O_WRONLY | O_APPEND);
    ASSERT_EQ(WriteFull(fd.Get(), "tail bytes", 10), 10);
  }
  EXPECT_EQ(Copy(src, dir.File("dst"), offset + 5, 5), 5);
  EXPECT_EQ(test::ReadBytes(dir.File("dst")), "bytes");
}

TEST_F(CopyFileSectTest, FallsBackToReadWriteAcrossFileSystems) {
  // copy_file_range refuses a tmpfs source for an ext4 destination on most kernels.
  if (access("/dev/shm", W_OK) != 0) GTEST_SKIP() << "no /dev/shm";
  std::string shmFile = "/dev/shm/vpx-copy-src-" + std::to_string(getpid());
  std::string data = test::Pattern(70000);
  test::WriteBytes(shmFile, data);
  EXPECT_EQ(Copy(shmFile, dir.File("dst"), 3, 69990, 4096), 69990);
  EXPECT_EQ(test::ReadBytes(dir.File("dst")), data.substr(3, 69990));
  unlink(shmFile.c_str());
}

TEST_F(CopyFileSectTest, KeepsThePermissionsOfTheReplacedFile) {
  test::WriteBytes(dir.File("src"), "abcdef");
  test::WriteBytes(dir.File("dst"), "x");
  chmod(dir.File("dst").c_str(), 0640);
  EXPECT_EQ(Copy(dir.File("src"), dir.File("dst"), 0, 6), 6);
  struct stat st;
  ASSERT_EQ(stat(dir.File("dst").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace
}  // namespace vpx
