// Progress of the file jobs: unknown before the job says how much there is, 0 at the start,
// the bytes written so far when a copy stops in the middle, 1 at the end.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "files/checksums.h"
#include "files/file_create.h"
#include "files/section_copy.h"
#include "host/job_progress.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

using test::TempDir;

TEST(CopyProgress, UnknownUntilStartedThenZero) {
  JobProgress progress;
  EXPECT_LT(progress.Fraction(), 0.0);
  progress.Start(10);
  EXPECT_EQ(progress.Fraction(), 0.0);
  progress.Advance(15);  // more than announced never shows more than the whole
  EXPECT_EQ(progress.Fraction(), 1.0);
}

TEST(CopyProgress, SourceEndingEarlyLeavesTheBytesWrittenSoFar) {
  // Ten bytes asked in pieces of four: pieces of 2, 4 and 4 bytes. The source has six, so
  // the third piece finds nothing and the copy stops at 6 of 10.
  TempDir dir;
  test::WriteBytes(dir.File("src"), "abcdef");
  const int src = open(dir.File("src").c_str(), O_RDONLY);
  const int dst = open(dir.File("dst").c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(src, 0);
  ASSERT_GE(dst, 0);
  JobProgress progress;
  progress.Start(10);
  const RangeCopyOutcome outcome = CopyFileRange(src, 0, dst, 0, 10, 4, nullptr, &progress);
  close(src);
  close(dst);
  EXPECT_TRUE(outcome.failed);
  EXPECT_EQ(outcome.written, 6);
  EXPECT_DOUBLE_EQ(progress.Fraction(), 0.6);
}

TEST(CopyProgress, FinishedCopyIsWhole) {
  TempDir dir;
  const std::string data = test::Pattern(1000);
  test::WriteBytes(dir.File("src"), data);
  JobProgress progress;
  std::string failure;
  // A test-sized buffer: many pieces, each one counted.
  const int64_t written = test::ValueOr(
      CopyFileSect(CopyRequest{dir.File("dst"), dir.File("src"), 100, 700, 64, nullptr, &progress}),
      int64_t{0}, &failure);
  EXPECT_EQ(written, 700) << failure;
  EXPECT_EQ(progress.Fraction(), 1.0);
  EXPECT_EQ(test::ReadBytes(dir.File("dst")), data.substr(100, 700));
}

TEST(CopyProgress, CancelledBeforeTheFirstPieceStaysAtZero) {
  TempDir dir;
  test::WriteBytes(dir.File("src"), test::Pattern(100));
  JobProgress progress;
  CancelFlag cancel{1};
  std::string failure;
  EXPECT_EQ(test::ValueOr(CopyFileSect(CopyRequest{dir.File("dst"), dir.File("src"), 0, 100, 16,
                                                   &cancel, &progress}),
                          int64_t{0}, &failure),
            0);
  EXPECT_EQ(progress.Fraction(), 0.0);
}

// The three-file combination reports its progress too, over both sources.
TEST(CopyProgress, CombinationCountsBothSourcesToTheWhole) {
  TempDir dir;
  test::WriteBytes(dir.File("a"), test::Pattern(300));
  test::WriteBytes(dir.File("b"), test::Pattern(500, 2));
  JobProgress progress;
  std::string failure;
  EXPECT_EQ(test::ValueOr(CombineFilesInto(dir.File("to"), {dir.File("a"), dir.File("b")}, nullptr,
                                           &progress),
                          int64_t{-1}, &failure),
            800)
      << failure;
  EXPECT_EQ(progress.Fraction(), 1.0);
}

TEST(ChecksumProgress, CountsEveryByteReadUpToTheWholeFile) {
  TempDir dir;
  test::WriteBytes(dir.File("a"), "123456789");
  JobProgress progress;
  std::string failure;
  EXPECT_EQ(
      test::ValueOr(ComputeFileChecksum(ChecksumKind::kCrc32, dir.File("a"), 4, nullptr, &progress),
                    0u, &failure),
      0xCBF43926u);
  EXPECT_EQ(progress.Fraction(), 1.0);
  // A cancelled run stops before reading: started, nothing done.
  CancelFlag cancel{1};
  test::ValueOr(ComputeFileChecksum(ChecksumKind::kCrc32, dir.File("a"), 4, &cancel, &progress), 0u,
                &failure);
  EXPECT_EQ(progress.Fraction(), 0.0);
}

TEST(FileJobProgress, AppendAndZeroFileEndWhole) {
  TempDir dir;
  test::WriteBytes(dir.File("dst"), "abc");
  test::WriteBytes(dir.File("src"), test::Pattern(5000));
  JobProgress append;
  std::string failure;
  ASSERT_EQ(
      test::Said(AppendFileContents(dir.File("dst"), dir.File("src"), nullptr, &append), &failure),
      1)
      << failure;
  EXPECT_EQ(append.Fraction(), 1.0);
  JobProgress zeros;
  std::string text;
  ASSERT_EQ(test::Said(CreateZeroFile(dir.File("zero"), 3000, nullptr, &zeros), &text), 1) << text;
  EXPECT_EQ(zeros.Fraction(), 1.0);
}

}  // namespace
}  // namespace vpx
