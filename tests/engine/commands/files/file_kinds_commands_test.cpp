// The file commands typed into a running engine on hostile paths: what the user reads (a
// failure text, never a success or a made-up size), and two appenders at once.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <thread>

#include "files/file_create.h"
#include "support/file_command_fixture.h"
#include "support/file_kinds_util.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

using test::TempDir;

using FileKindCommandsTest = test::FileCommandFixture;

TEST_F(FileKindCommandsTest, APipeIsRefusedByEveryCommandWithoutBlockingOrInventingASize) {
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0666), 0);
  test::WriteBytes(dir.File("src"), "abc");
  test::PipeWatchdog watchdog(dir.File("fifo"));
  const std::string refused = "※　通常のファイルではありません（名前付きパイプ）。[ fifo ]";
  const int rows = RowCount();
  EXPECT_EQ(Type(R"(GetFileSize("fifo"))").back(), refused);
  EXPECT_EQ(RowCount(), rows) << "a size was recorded";
  EXPECT_EQ(Type(R"(DumpFile("fifo"))").back(), refused);
  EXPECT_EQ(Type(R"(ResizeFile("fifo", 0))").back(), refused);
  EXPECT_EQ(Type(R"(CopyFileSect("fifo", "src", 0, 0))").back(), refused);
  EXPECT_TRUE(fake.dialogs.questions.empty());
  EXPECT_EQ(RunJob(R"(MakeFileCRC("fifo"))"), refused);
  EXPECT_EQ(RunJob(R"(CheckFileCRC("fifo", "00000000"))"), "-1");  // no match
  EXPECT_EQ(RunJob(R"(CombineFile("src", "fifo"))"), refused);
  EXPECT_FALSE(watchdog.Fired()) << "a command blocked on the pipe";
  EXPECT_EQ(test::ReadBytes(dir.File("src")), "abc");
}

TEST_F(FileKindCommandsTest, WildcardsInANameMatchNothingButThatLiteralName) {
  test::WriteBytes(dir.File("data9"), "");
  test::WriteBytes(dir.File("abc"), "x");
  EXPECT_EQ(RunJob(R"(CheckFileCRC("data?", "0"))"), "-1");  // no match with an empty file
  EXPECT_EQ(RunJob(R"(MakeFileCRC("data?"))"), "※　ファイルオープンに失敗。[ data? ]");
  EXPECT_EQ(Type(R"(MakeFile("a*", 1))").back(), "ファイル[ a* ]を作成しました。");
  EXPECT_EQ(test::ReadBytes(dir.File("abc")), "x");
}

TEST_F(FileKindCommandsTest, ANameWithAControlByteIsRefusedBeforeAnyFileIsTouched) {
  test::WriteBytes(dir.File("ab"), "keep");
  std::string line = "WriteToFileAsStr(\"ab" + std::string(1, '\0') + ".txt\", 0, \"x\")";
  EXPECT_EQ(Type(line).back(), "※　ファイル名に制御文字が含まれています。[0x00]");
  EXPECT_EQ(Type("MakeFile(\"new\x1bname\", 3)").back(),
            "※　ファイル名に制御文字が含まれています。[0x1B]");
  EXPECT_EQ(test::ReadBytes(dir.File("ab")), "keep");
  EXPECT_EQ(test::ListDir(dir.Path()).size(), 1u);
}

TEST_F(FileKindCommandsTest, ACopyOntoAFolderIsRefusedBeforeTheQuestionEvenWhenEmpty) {
  test::WriteBytes(dir.File("empty"), "");
  ASSERT_EQ(mkdir(dir.File("folder").c_str(), 0755), 0);
  fake.dialogs.yesAnswer = true;
  EXPECT_EQ(Type(R"(CopyFileSectR("folder", "empty", 0, 0))").back(),
            "※　通常のファイルではありません（ディレクトリ）。[ folder ]");
  EXPECT_TRUE(fake.dialogs.questions.empty());
}

// Two appenders of 30 MB each on one file: the lock makes the result one concatenation
// or the other, never an interleaving or an overwrite.
TEST(ConcurrentAppendThreads, TwoAppendersGiveExactlyOneOfTheTwoConcatenations) {
  constexpr size_t kSize = 30u << 20;
  TempDir dir;
  const std::string head = "head", a = test::Pattern(kSize, 1), b = test::Pattern(kSize, 2);
  test::WriteBytes(dir.File("d"), head);
  test::WriteBytes(dir.File("a"), a);
  test::WriteBytes(dir.File("b"), b);
  int results[2] = {};
  std::string failures[2];
  auto append = [&](int i, const std::string& source) {
    results[i] = test::Said(AppendFileContents(dir.File("d"), source, nullptr), &failures[i]);
  };
  std::thread first(append, 0, dir.File("a"));
  std::thread second(append, 1, dir.File("b"));
  first.join();
  second.join();
  EXPECT_EQ(results[0], 1) << failures[0];
  EXPECT_EQ(results[1], 1) << failures[1];
  const std::string d = test::ReadBytes(dir.File("d"));
  ASSERT_EQ(d.size(), head.size() + 2 * kSize);
  EXPECT_TRUE(d == head + a + b || d == head + b + a) << "the appends interleaved";
}

}  // namespace
}  // namespace vpx
