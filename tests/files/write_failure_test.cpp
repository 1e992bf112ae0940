// Real write failures: a file-size limit set in a child process, and files the child may
// not write (as root the child drops to an unprivileged user first). Every such write must
// give the failure text, never a success text, and a failed copy must leave its
// destination as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "files/bit_modify.h"
#include "files/file_create.h"
#include "files/file_io.h"
#include "files/section_copy.h"
#include "files/value_writer.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

using test::TempDir;

using test::ChildLimits;
using test::RunInChild;

constexpr rlim_t kLimit = 1 << 20;

class WriteFailureTest : public ::testing::Test {
 protected:
  void SetUp() override { chmod(dir.Path().c_str(), 0755); }
  TempDir dir;
};

// A write that cannot finish is taken back: a file it created is gone, an existing file
// has its old bytes and size again (the limit cuts the write two bytes in).
TEST_F(WriteFailureTest, AnOffsetWriteThatDoesNotFitIsTakenBack) {
  const std::string file = dir.File("v");
  auto writeAt = [&](WriteForm form, int64_t offset, const std::string& value) {
    return RunInChild({kLimit, false}, [&] {
      std::string message;
      test::Said(WriteValueToFile(form, file, offset, value, MyNumeric()), &message);
      return message;
    });
  };
  EXPECT_EQ(writeAt(kWriteBytes, kLimit - 2, "abcdef"),
            SJ("※　書込サイズがデータサイズと一致しませんでした。WriteSize[0] / DataSize[6]"));
  EXPECT_TRUE(test::ListDir(dir.Path()).empty());
  EXPECT_EQ(writeAt(kWriteText, kLimit + 10, "abc"),
            SJ("※　書込に失敗しました。書込サイズ[0] / データサイズ[3]"));
  EXPECT_TRUE(test::ListDir(dir.Path()).empty());

  const std::string old = test::Pattern(kLimit - 4) + "wxyz";
  test::WriteBytes(file, old);
  EXPECT_EQ(writeAt(kWriteText, kLimit - 3, "a\nb\nc"),
            SJ("※　書込に失敗しました。書込サイズ[0] / データサイズ[5]"));
  EXPECT_EQ(test::ReadBytes(file), old);
}

// A write into an old file below the limit that crosses it grows the file before it
// fails: the file is cut back to its old size with its old bytes.
TEST_F(WriteFailureTest, AFailedWriteThatGrewTheFileIsCutBackToItsOldSize) {
  const std::string file = dir.File("g");
  const std::string old = test::Pattern(kLimit - 10);
  test::WriteBytes(file, old);
  const std::string text = RunInChild({kLimit, false}, [&] {
    std::string message;
    test::Said(WriteValueToFile(kWriteBytes, file, kLimit - 12, std::string(20, 'v'), MyNumeric()),
               &message);
    return message;
  });
  EXPECT_EQ(text,
            SJ("※　書込サイズがデータサイズと一致しませんでした。WriteSize[0] / DataSize[20]"));
  EXPECT_EQ(test::ReadBytes(file), old);
}

// A failed write into a hole is put back as a hole: only the bytes it reached are
// restored (the limit stops it 52 KiB in, well before the old end), nothing is filled with
// zeros, and the outcome says the file was restored.
TEST_F(WriteFailureTest, AFailedWriteIntoAHoleRestoresOnlyWhatItReachedAndKeepsTheHole) {
  const std::string file = dir.File("sparse");
  constexpr rlim_t kSmallLimit = 300 << 10;
  constexpr off_t kOldSize = 400 << 10;
  test::WriteBytes(file, "");
  ASSERT_EQ(truncate(file.c_str(), kOldSize), 0);
  struct stat before;
  ASSERT_EQ(stat(file.c_str(), &before), 0);
  if (before.st_blocks != 0) GTEST_SKIP() << "the file system keeps no holes";
  const std::string text = RunInChild({kSmallLimit, false}, [&] {
    std::string message;
    test::Said(
        WriteValueToFile(kWriteBytes, file, 248 << 10, std::string(70 << 10, 'v'), MyNumeric()),
        &message);
    return message;
  });
  EXPECT_EQ(text,
            SJ("※　書込サイズがデータサイズと一致しませんでした。WriteSize[0] / DataSize[71680]"));
  struct stat after;
  ASSERT_EQ(stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_size, kOldSize);
  EXPECT_EQ(after.st_blocks, 0) << "the hole was filled";
  EXPECT_EQ(test::ReadBytes(file), std::string(kOldSize, '\0'));
}

// A seek the file system refuses fails before a byte is written, and leaves no new file.
TEST_F(WriteFailureTest, AnOffsetPastTheLargestFileLeavesNoNewFile) {
  std::string message;
  EXPECT_EQ(test::Said(WriteValueToFile(kWriteBytes, dir.File("far"), INT64_MAX, "x", MyNumeric()),
                       &message),
            0);
  EXPECT_EQ(message.rfind(SJ("※　ファイルシークに失敗。"), 0), 0u) << message;
  EXPECT_TRUE(test::ListDir(dir.Path()).empty());
}

TEST_F(WriteFailureTest, CopyPastTheSizeLimitFailsAndKeepsTheDestination) {
  test::WriteBytes(dir.File("src"), test::Pattern(3 * kLimit));
  test::WriteBytes(dir.File("dst"), "keep me");
  std::string text = RunInChild({kLimit, false}, [&] {
    std::string failure;
    int64_t n = test::ValueOr(
        CopyFileSect(CopyRequest{dir.File("dst"), dir.File("src"), 0, 3 * kLimit, 0, nullptr}),
        int64_t{0}, &failure);
    return std::to_string(n) + ":" + failure;
  });
  EXPECT_EQ(text, "0:" + SJ("※　コピーに失敗しました。ファイルサイズの上限を超えました。"));
  EXPECT_EQ(test::ReadBytes(dir.File("dst")), "keep me");
  EXPECT_EQ(test::ListDir(dir.Path()).size(), 2u);
}

// A file a create command made is removed again when the command fails, so the next
// attempt is not told that it exists; a file it did not make is never removed.
TEST_F(WriteFailureTest, AFailedCreateRemovesOnlyTheFileItCreated) {
  auto inChild = [&](const std::function<FileResult<Done>()>& create) {
    return RunInChild({1500, false}, [&] {
      std::string message;
      return std::to_string(test::Said(create(), &message)) + ":" + message;
    });
  };
  const std::string made = dir.File("mf");
  EXPECT_EQ(
      inChild([&] { return MakeSizedFile(made, 4000); }),
      "0:" + SJ("※　ファイルサイズの設定に失敗しました。 NewFileSize[0] / NeedFileSize[4000]"));
  EXPECT_FALSE(test::Exists(made));
  EXPECT_EQ(inChild([&] { return CreateZeroFile(made, 4000, nullptr); }).substr(0, 2), "0:");
  EXPECT_FALSE(test::Exists(made));
  EXPECT_EQ(inChild([&] { return MakeSizedFile(made, 1500); }).substr(0, 2), "1:");
  EXPECT_EQ(test::ReadBytes(made).size(), 1500u);
  // The existing file is refused and stays.
  EXPECT_EQ(inChild([&] { return MakeSizedFile(made, 4000); }).substr(0, 2), "0:");
  EXPECT_EQ(test::ReadBytes(made).size(), 1500u);
  CancelFlag cancel{1};
  std::string text;
  EXPECT_EQ(test::Said(CreateZeroFile(dir.File("z"), 1000, &cancel), &text), 0);
  EXPECT_FALSE(test::Exists(dir.File("z")));
}

TEST_F(WriteFailureTest, ZeroFileAndAppendPastTheSizeLimitFail) {
  std::string text = RunInChild({kLimit, false}, [&] {
    std::string message;
    test::Said(CreateZeroFile(dir.File("z"), 2 * kLimit, nullptr), &message);
    return message;
  });
  EXPECT_EQ(text.rfind(SJ("※　ファイルサイズの設定に失敗しました。"), 0), 0u) << text;
  test::WriteBytes(dir.File("d"), test::Pattern(kLimit - 5));
  test::WriteBytes(dir.File("s"), test::Pattern(100));
  text = RunInChild({kLimit, false}, [&] {
    std::string message;
    test::Said(AppendFileContents(dir.File("d"), dir.File("s"), nullptr), &message);
    return message;
  });
  EXPECT_EQ(text.rfind(SJ("※　ファイル内容追加に失敗。AddFileSize[100]"), 0), 0u) << text;
}

TEST_F(WriteFailureTest, AnAppendThatDoesNotFitIsTakenBackWhole) {
  const std::string file = dir.File("log");
  const std::string old = test::Pattern(kLimit - 3);
  test::WriteBytes(file, old);
  const std::string text = "abcdef";
  std::string message = RunInChild({kLimit, false}, [&] {
    std::string out;
    test::Said(WriteValuesToFile(kWriteText, file, WritePlace{true, 0}, {{&text, nullptr}}), &out);
    return out;
  });
  EXPECT_EQ(message, SJ("※　書込に失敗しました。書込サイズ[0] / データサイズ[6]"));
  EXPECT_EQ(test::ReadBytes(file), old);
}

TEST_F(WriteFailureTest, ACombinationThatDoesNotFitLeavesItsDestinationAsItWas) {
  test::WriteBytes(dir.File("first"), test::Pattern(kLimit - 10));
  test::WriteBytes(dir.File("second"), test::Pattern(100, 2));
  test::WriteBytes(dir.File("to"), "keep me");
  std::string text = RunInChild({kLimit, false}, [&] {
    std::string failure;
    int64_t n = test::ValueOr(
        CombineFilesInto(dir.File("to"), {dir.File("first"), dir.File("second")}, nullptr),
        int64_t{-1}, &failure);
    return std::to_string(n) + ":" + failure;
  });
  EXPECT_EQ(text, "-1:" + SJ("※　ファイル結合に失敗しました。ファイルサイズの上限を超えました。"));
  EXPECT_EQ(test::ReadBytes(dir.File("to")), "keep me");
  EXPECT_EQ(test::ListDir(dir.Path()).size(), 3u);  // no temporary file left
}

TEST_F(WriteFailureTest, ReadOnlyFilesAndFoldersRefuseEveryWrite) {
  test::WriteBytes(dir.File("ro"), "0123456789");
  chmod(dir.File("ro").c_str(), 0444);
  mkdir(dir.File("rodir").c_str(), 0555);
  test::WriteBytes(dir.File("src"), "abc");
  chmod(dir.File("src").c_str(), 0644);
  std::string text = RunInChild({0, true}, [&] {
    std::string value, bit, copy;
    test::Said(WriteValueToFile(kWriteBytes, dir.File("ro"), 0, "xy", MyNumeric()), &value);
    test::Said(ModifyFileByteAt(dir.File("ro"), 0, 1, kOpSet), &bit);
    test::ValueOr(
        CopyFileSect(CopyRequest{dir.File("rodir/dst"), dir.File("src"), 0, 3, 0, nullptr}),
        int64_t{0}, &copy);
    int cleared = test::Said(ZeroFileRange(dir.File("ro"), 0, 0));
    return value + "|" + bit + "|" + copy + "|" + std::to_string(cleared);
  });
  EXPECT_EQ(text, OpenErrorText(EACCES) + "|" +
                      Format(SJ("※　指定ファイルを開けませんでした。[ %s ]").c_str(),
                             dir.File("ro").c_str()) +
                      "|" +
                      Format(SJ("※　コピー先ファイルをオープンできません。[ %s ]").c_str(),
                             dir.File("rodir/dst").c_str()) +
                      "|0");
  EXPECT_EQ(test::ReadBytes(dir.File("ro")), "0123456789");
}

}  // namespace
}  // namespace vpx
