// The hash, search and comparison routines faced with files they may not read: the open
// failure, never a value of an empty file; and the progress they report.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "files/file_compare.h"
#include "files/file_hash.h"
#include "files/file_scan.h"
#include "files/find_in_file.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

using test::RunInChild;
using test::TempDir;

TEST(InspectUnreadableFiles, AFileTheUserCannotReadIsAnOpenFailureForEveryRoutine) {
  TempDir dir;
  chmod(dir.Path().c_str(), 0755);
  const std::string secret = dir.File("secret");
  const std::string open = dir.File("open");
  test::WriteBytes(secret, "hidden");
  test::WriteBytes(open, "hidden");
  chmod(secret.c_str(), 0600);
  chmod(open.c_str(), 0644);
  const std::string text = RunInChild({0, true}, [&] {
    return ComputeFileHash(secret, HashAlgorithm::kSha256).failureText() + "|" +
           FindInFile(secret, "h", 0).failureText() + "|" +
           CompareFiles(open, secret).failureText() + "|" + CompareFiles(open, open).failureText();
  });
  const std::string openText =
      Format(SJ("※　ファイルオープンに失敗。[ %s ]").c_str(), secret.c_str());
  EXPECT_EQ(text, openText + "|" + openText + "|" + openText + "|");
}

TEST(InspectProgress, EachRoutineCountsTheBytesItReadUpToTheWhole) {
  TempDir dir;
  const std::string file = dir.File("f");
  test::WriteBytes(file, test::Pattern(kScanPiece * 2 + 9));
  JobProgress hash, find, compare;
  ASSERT_TRUE(ComputeFileHash(file, HashAlgorithm::kMd5, {}, &hash).ok());
  ASSERT_TRUE(FindInFile(file, "\xFF\xFF\xFF\xFF\xFF", 0, {}, &find).ok());
  ASSERT_TRUE(CompareFiles(file, file, {}, &compare).ok());
  for (const JobProgress* progress : {&hash, &find, &compare}) EXPECT_EQ(progress->Fraction(), 1.0);
  JobProgress half;
  ASSERT_TRUE(FindInFile(file, "\xFF\xFF\xFF\xFF\xFF", kScanPiece, {}, &half).ok());
  EXPECT_EQ(half.Fraction(), 1.0);  // counted from the start offset on
}

}  // namespace
}  // namespace vpx
