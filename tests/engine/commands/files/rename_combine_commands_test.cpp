// ChangeFileName and the three-way CombineFile typed into a running engine: the question
// before an existing target is replaced, folders never replaced, moves to another file
// system made by a copy job, and combined files made as jobs.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/file_command_fixture.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

class RenameCombineCommands : public test::FileCommandFixture {
 protected:
  std::string Last(const std::string& line) { return Type(line).back(); }
  std::string Bytes(const std::string& name) { return test::ReadBytes(dir.File(name)); }
};

TEST_F(RenameCombineCommands, ChangeFileNameRenamesAndRefusesMissingSourcesAndFolders) {
  test::WriteBytes(dir.File("a"), "A");
  EXPECT_EQ(Last(R"(ChangeFileName("a", "b"))"), "ファイル名を変更しました。[a] → [b]");
  EXPECT_FALSE(test::Exists(dir.File("a")));
  EXPECT_EQ(Bytes("b"), "A");
  EXPECT_EQ(Last(R"(ChangeFileName("a", "c"))"), "※　変更元のファイルが存在しません。[a]");
  ASSERT_EQ(mkdir(dir.File("d").c_str(), 0755), 0);
  EXPECT_EQ(Last(R"(ChangeFileName("b", "d"))"), "※　変更先はフォルダです。[d]");
  EXPECT_EQ(Last(R"(ChangeFileName("d", "e"))"), "※　変更元のファイルが存在しません。[d]");
  ASSERT_EQ(link(dir.File("b").c_str(), dir.File("h").c_str()), 0);
  EXPECT_EQ(Last(R"(ChangeFileName("b", "h"))"), "※　変更元と変更先は同じファイルです。");
  EXPECT_EQ(Bytes("b"), "A");
  EXPECT_TRUE(fake.dialogs.questions.empty());
}

TEST_F(RenameCombineCommands, ChangeFileNameOntoAnExistingFileAsksFirst) {
  test::WriteBytes(dir.File("a"), "new");
  test::WriteBytes(dir.File("b"), "old");
  fake.dialogs.yesAnswer = false;
  EXPECT_EQ(Last(R"(ChangeFileName("a", "b"))"), "キャンセルしました。");
  EXPECT_EQ(fake.dialogs.questions.back(),
            test::ToSjis("変更先のファイルは既に存在します。上書きしますか?"));
  EXPECT_EQ(Bytes("a"), "new");
  EXPECT_EQ(Bytes("b"), "old");
  fake.dialogs.yesAnswer = true;
  EXPECT_EQ(Last(R"(ChangeFileName("a", "b"))"), "ファイル名を変更しました。[a] → [b]");
  EXPECT_FALSE(test::Exists(dir.File("a")));
  EXPECT_EQ(Bytes("b"), "new");
}

TEST_F(RenameCombineCommands, ChangeFileNameToAnotherFileSystemCopiesThenRemovesTheSource) {
  struct stat here, shm;
  if (stat("/dev/shm", &shm) != 0 || stat(dir.Path().c_str(), &here) != 0 ||
      here.st_dev == shm.st_dev)
    GTEST_SKIP() << "no second file system at /dev/shm";
  const std::string content = test::Pattern(100000);
  test::WriteBytes(dir.File("a"), content);
  ASSERT_EQ(chmod(dir.File("a").c_str(), 0640), 0);
  const std::string target = "/dev/shm/vpx-rename-" + std::to_string(getpid());
  EXPECT_EQ(RunJob("ChangeFileName(\"a\", \"" + target + "\")"), "100000");
  const bool moved = test::Exists(target) && test::ReadBytes(target) == content;
  struct stat st {};
  stat(target.c_str(), &st);
  unlink(target.c_str());
  EXPECT_TRUE(moved);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_FALSE(test::Exists(dir.File("a")));
}

// A second file system for moves, or empty where /dev/shm is missing or the same one.
std::string OtherFileSystemName(const std::string& here, const std::string& name) {
  struct stat mine, shm;
  if (stat("/dev/shm", &shm) != 0 || stat(here.c_str(), &mine) != 0 || mine.st_dev == shm.st_dev)
    return std::string();
  return "/dev/shm/vpx-" + name + "-" + std::to_string(getpid());
}

TEST_F(RenameCombineCommands, AFailedRenameGivesTheJapaneseReason) {
  test::WriteBytes(dir.File("a"), "x");
  EXPECT_EQ(Last(R"(ChangeFileName("a", "nofolder/b"))"),
            "※　ファイル名の変更に失敗しました。[a] → [nofolder/b] "
            "ファイル名またはパス名が見つかりません。");
  EXPECT_TRUE(test::Exists(dir.File("a")));
}

TEST_F(RenameCombineCommands, MovingAPipeToAnotherFileSystemSaysItIsNoRegularFile) {
  const std::string target = OtherFileSystemName(dir.Path(), "fifo");
  if (target.empty()) GTEST_SKIP() << "no second file system at /dev/shm";
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0644), 0);
  EXPECT_EQ(RunJob("ChangeFileName(\"fifo\", \"" + target + "\")"),
            "※　通常のファイルではありません（名前付きパイプ）。[ fifo ]");
  EXPECT_FALSE(test::Exists(target));
  unlink(target.c_str());
  struct stat st;
  EXPECT_EQ(lstat(dir.File("fifo").c_str(), &st), 0);
}

// A move whose copy runs out of room says why, keeps the source and leaves no target.
TEST_F(RenameCombineCommands, AMoveThatDoesNotFitGivesTheReasonAndKeepsTheSource) {
  const std::string target = OtherFileSystemName(dir.Path(), "full");
  if (target.empty()) GTEST_SKIP() << "no second file system at /dev/shm";
  const std::string content = test::Pattern(3 << 20);
  test::WriteBytes(dir.File("a"), content);
  rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 1 << 20;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string result = RunJob("ChangeFileName(\"a\", \"" + target + "\")");
  setrlimit(RLIMIT_FSIZE, &saved);
  const bool left = test::Exists(target);
  unlink(target.c_str());
  EXPECT_EQ(result, "※　コピーに失敗しました。ファイルサイズの上限を超えました。");
  EXPECT_FALSE(left);
  EXPECT_EQ(Bytes("a"), content);
}

// Offsets, addresses and sizes outside the signed 64-bit range are refused, naming the
// value as typed, before any file is touched.
TEST_F(RenameCombineCommands, OffsetsBeyondSixtyFourBitsAreRefusedAsTyped) {
  const std::string refusal =
      "※　指定値が範囲外です（-9223372036854775808 から 9223372036854775807 まで）。";
  EXPECT_EQ(Last(R"(WriteToFileAsStr("w", 9223372036854775808, "x"))"),
            refusal + "[ 9223372036854775808 ]");
  EXPECT_FALSE(test::Exists(dir.File("w")));
  test::WriteBytes(dir.File("f"), "abc");
  EXPECT_EQ(Last(R"(ModifyFileByte("f", 18446744073709551616, 1, "SET"))"),
            refusal + "[ 18446744073709551616 ]");
  EXPECT_EQ(Last(R"(ClearFileSect("f", 0, -9223372036854775809))"),
            refusal + "[ -9223372036854775809 ]");
  EXPECT_EQ(Bytes("f"), "abc");
  // The largest offset is still taken as given.
  EXPECT_EQ(Last(R"(WriteToFileAsStr("w", 9223372036854775807, "x"))"),
            "※　ファイルシークに失敗。希望アドレス[9223372036854775807]");
}

TEST_F(RenameCombineCommands, CombineFileMakesANewFileOfFirstThenSecond) {
  test::WriteBytes(dir.File("x"), "abc");
  test::WriteBytes(dir.File("y"), "defg");
  EXPECT_EQ(RunJob(R"(CombineFile("z", "x", "y"))"),
            "ファイル結合完了。新規ファイルサイズ [7] Byte");
  EXPECT_EQ(Bytes("z"), "abcdefg");
  EXPECT_EQ(Bytes("x"), "abc");
  fake.dialogs.yesAnswer = true;
  EXPECT_EQ(RunJob(R"(CombineFile("x", "x", "y"))"),  // `to` may be one of its sources
            "ファイル結合完了。新規ファイルサイズ [7] Byte");
  EXPECT_EQ(Bytes("x"), "abcdefg");
  EXPECT_EQ(test::ListDir(dir.Path()).size(), 3u);
}

// A hard-linked destination is written in place; as its own second source it is read
// from its old contents, never from the bytes the combination already wrote.
TEST_F(RenameCombineCommands, CombineFileIntoAHardLinkedSourceKeepsItsOldBytes) {
  test::WriteBytes(dir.File("c"), "CCCCCCCC");
  ASSERT_EQ(link(dir.File("c").c_str(), dir.File("c2").c_str()), 0);
  test::WriteBytes(dir.File("x"), "XX");
  fake.dialogs.yesAnswer = true;
  EXPECT_EQ(RunJob(R"(CombineFile("c", "x", "c"))"),
            "ファイル結合完了。新規ファイルサイズ [10] Byte");
  EXPECT_EQ(Bytes("c2"), "XXCCCCCCCC");
}

TEST_F(RenameCombineCommands, CombineFileAsksBeforeReplacingAndRefusesFolders) {
  test::WriteBytes(dir.File("x"), "abc");
  test::WriteBytes(dir.File("y"), "");
  test::WriteBytes(dir.File("z"), "keep");
  fake.dialogs.yesAnswer = false;
  EXPECT_EQ(Last(R"(CombineFile("z", "x", "y"))"), "キャンセルしました。");
  EXPECT_EQ(fake.dialogs.questions.back(),
            test::ToSjis("結合先のファイルは既に存在します。上書きしますか?"));
  EXPECT_TRUE(engine.IsIdle());
  EXPECT_EQ(Bytes("z"), "keep");
  ASSERT_EQ(mkdir(dir.File("d").c_str(), 0755), 0);
  EXPECT_EQ(Last(R"(CombineFile("d", "x", "y"))"), "※　結合先はフォルダです。[d]");
  EXPECT_EQ(Last(R"(CombineFile("n", "x", "none"))"),
            "※　結合するファイルが見つかりません。[none]");
  EXPECT_FALSE(test::Exists(dir.File("n")));
  fake.dialogs.yesAnswer = true;
  EXPECT_EQ(RunJob(R"(CombineFile("z", "x", "y"))"),
            "ファイル結合完了。新規ファイルサイズ [3] Byte");
  EXPECT_EQ(Bytes("z"), "abc");
}

TEST_F(RenameCombineCommands, CombineFileOntoALinkedFileKeepsItsLinksAndMode) {
  test::WriteBytes(dir.File("x"), "ab");
  test::WriteBytes(dir.File("y"), "cde");
  test::WriteBytes(dir.File("z"), "old");
  ASSERT_EQ(chmod(dir.File("z").c_str(), 0640), 0);
  ASSERT_EQ(link(dir.File("z").c_str(), dir.File("other").c_str()), 0);
  fake.dialogs.yesAnswer = true;
  EXPECT_EQ(RunJob(R"(CombineFile("z", "x", "y"))"),
            "ファイル結合完了。新規ファイルサイズ [5] Byte");
  EXPECT_EQ(Bytes("other"), "abcde");
  struct stat st;
  ASSERT_EQ(stat(dir.File("z").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_nlink, 2u);
}

TEST_F(RenameCombineCommands, NewFileCommandsRefuseControlBytesInEveryName) {
  test::WriteBytes(dir.File("x"), "ab");
  const std::string refusal = "※　ファイル名に制御文字が含まれています。[0x01]";
  EXPECT_EQ(Last("ChangeFileName(\"x\", \"y\x01\")"), refusal);
  EXPECT_EQ(Last("CombineFile(\"x\", \"x\", \"z\x01\")"), refusal);
  EXPECT_EQ(Last("AddStrToFile(\"w\x01\", \"t\")"), refusal);
  EXPECT_EQ(Bytes("x"), "ab");
  EXPECT_FALSE(test::Exists(dir.File("y")));
  EXPECT_FALSE(test::Exists(dir.File("w")));
}

}  // namespace
}  // namespace vpx
