// The trace log: emptied at start, CR LF line ends, whole writes from many threads; and its
// safety: no link or pipe is followed or blocked on, no shared folder is written, a failure
// is said once.
#include "host/trace_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/sjis.h"
#include "host/text_format.h"
#include "support/fake_ui.h"
#include "support/file_kinds_util.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class TraceLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = "/tmp/vorpex_trace_" + std::to_string(getpid()) + ".txt";
    std::ofstream(path_) << "left from an earlier run";
    InitTraceLog(path_);
  }
  void TearDown() override { unlink(path_.c_str()); }
  std::string path_;
};

TEST_F(TraceLogTest, StartEmptiesTheFileAndNewlinesBecomeCrLf) {
  EXPECT_EQ(ReadFile(path_), "");
  WriteTrace("abc\n");
  WriteTraceNewline();
  EXPECT_EQ(ReadFile(path_), "abc\r\n\r\n");
}

TEST_F(TraceLogTest, JapaneseTextIsStoredAsShiftJis) {
  WriteTrace(SJ("※　引数が無効です。\n"));
  std::string expected;
  ASSERT_TRUE(Utf8ToSjis("※　引数が無効です。\r\n", expected));
  EXPECT_EQ(ReadFile(path_), expected);
}

TEST_F(TraceLogTest, HexBytesAreWrittenLastByteFirst) {
  const uint8_t bytes[] = {0x01, 0x02, 0x0A};
  TraceHexBytes(bytes, 3);
  TraceHexBytes(bytes, 0);
  EXPECT_EQ(ReadFile(path_), "0A 02 01");
}

TEST_F(TraceLogTest, TextsOfDifferentThreadsNeverInterleave) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      std::string line(200, static_cast<char>('a' + t));
      for (int i = 0; i < 50; ++i) WriteTrace(line + "\n");
    });
  }
  for (auto& th : threads) th.join();
  std::istringstream in(ReadFile(path_));
  std::string line;
  int lines = 0;
  while (std::getline(in, line)) {
    ASSERT_EQ(line.size(), 201u);
    EXPECT_EQ(line.find_first_not_of(line[0]), 200u);  // only the CR differs
    ++lines;
  }
  EXPECT_EQ(lines, 200);
}

TEST(TraceLogFailure, AFileThatCannotBeOpenedIsSaidOnceNotAtEveryWrite) {
  test::FakeUi ui;
  InitTraceLog("/no/such/dir/DataTrace.txt");
  for (int i = 0; i < 3; ++i) WriteTrace("x\n");
  auto boxes = ui.dialogs.TakeMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], SJ("トレース用ファイルが開けません"));
  // A new trace file that fails too is said again, once.
  InitTraceLog("/no/such/dir/Other.txt");
  WriteTrace("x\n");
  WriteTrace("x\n");
  EXPECT_EQ(ui.dialogs.TakeMessageBoxes().size(), 1u);
  InitTraceLog("/tmp/vorpex_trace_after_failure_" + std::to_string(getpid()) +
               ".txt");  // later tests need a sound log
}

class TraceFileSafety : public ::testing::Test {
 protected:
  void SetUp() override { chmod(dir.Path().c_str(), 01777); }  // shared, as /tmp is
  void TearDown() override {
    InitTraceLog("/tmp/vorpex_trace_after_failure_" + std::to_string(getpid()) + ".txt");
  }
  test::TempDir dir;
};

TEST_F(TraceFileSafety, ANamedTraceLinkOrPipeIsRefusedAtOnceAndNothingBehindItChanges) {
  const std::string victim = dir.File("victim");
  test::WriteBytes(victim, "someone's file");
  chmod(victim.c_str(), 0666);
  ASSERT_EQ(symlink(victim.c_str(), dir.File("link").c_str()), 0);
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  test::PipeWatchdog watchdog(fifo);
  const std::string text = test::RunInChild({0, true}, [&] {
    std::string linkFailure, fifoFailure;
    const bool linked = OpenTraceLog(dir.File("link"), linkFailure);
    WriteTrace("through the link\n");
    const bool piped = OpenTraceLog(fifo, fifoFailure);
    WriteTrace("into the pipe\n");
    return std::to_string(linked) + linkFailure + "|" + std::to_string(piped) + fifoFailure;
  });
  EXPECT_FALSE(watchdog.Fired()) << "the trace blocked on the pipe";
  EXPECT_EQ(text, "0cannot use the trace file " + dir.File("link") + ": it is a symbolic link|" +
                      "0cannot use the trace file " + fifo + ": it is a named pipe");
  EXPECT_EQ(test::ReadBytes(victim), "someone's file");
}

// Without a home, a state folder and a program folder of its own, the trace goes to a folder
// made for the user alone in $TMPDIR, never to a shared name another user could plant.
TEST_F(TraceFileSafety, WithoutAHomeTheTraceGoesToAPrivateFolderNeverThroughAPlantedOne) {
  if (geteuid() != 0) GTEST_SKIP() << "the program folder is the user's own: it is used";
  if (access(("/run/user/" + std::to_string(test::kNobody)).c_str(), F_OK) == 0)
    GTEST_SKIP() << "nobody has a runtime folder here";
  auto defaultTrace = [&] {
    return test::RunInChild({0, true}, [&] {
      unsetenv("HOME");
      unsetenv("XDG_STATE_HOME");
      setenv("TMPDIR", dir.Path().c_str(), 1);
      InitTraceLog();
      WriteTrace("traced\n");
      struct stat st {};
      const std::string folder = dir.File("vorpex-" + std::to_string(test::kNobody));
      lstat(folder.c_str(), &st);
      return GetTracePath() + Format("|%o|%u", st.st_mode & 07777, st.st_uid);
    });
  };
  const std::string own = dir.File("vorpex-" + std::to_string(test::kNobody));
  EXPECT_EQ(defaultTrace(), own + "/DataTrace.txt|700|" + std::to_string(test::kNobody));
  EXPECT_EQ(test::ReadBytes(own + "/DataTrace.txt"), "traced\r\n");
  std::filesystem::remove_all(own);

  // Planted first: a link to a folder the user may write, and a shared folder of another's.
  const std::string victim = dir.File("victim");
  ASSERT_EQ(mkdir(victim.c_str(), 0777), 0);
  test::WriteBytes(victim + "/DataTrace.txt", "someone's file");
  chmod((victim + "/DataTrace.txt").c_str(), 0666);
  ASSERT_EQ(symlink(victim.c_str(), own.c_str()), 0);
  EXPECT_EQ(defaultTrace(), "|777|0");  // the link's own mode and owner
  unlink(own.c_str());
  ASSERT_EQ(mkdir(own.c_str(), 0777), 0);
  chmod(own.c_str(), 0777);
  EXPECT_EQ(defaultTrace(), "|777|0");
  EXPECT_EQ(test::ReadBytes(victim + "/DataTrace.txt"), "someone's file");
  EXPECT_TRUE(test::ListDir(own).empty());
}

TEST_F(TraceFileSafety, ARelativeTracePathStaysWhereTheProgramStarted) {
  char* start = getcwd(nullptr, 0);
  ASSERT_NE(start, nullptr);
  ASSERT_EQ(mkdir(dir.File("other").c_str(), 0755), 0);
  ASSERT_EQ(chdir(dir.Path().c_str()), 0);
  InitTraceLog("rel.txt");
  ASSERT_EQ(chdir("other"), 0);
  WriteTrace("a\n");
  ASSERT_EQ(chdir(start), 0);
  free(start);
  EXPECT_EQ(test::ReadBytes(dir.File("rel.txt")), "a\r\n");
  EXPECT_FALSE(test::Exists(dir.File("other/rel.txt")));
}

TEST(TraceFormat, FormatsLikePrintf) {
  EXPECT_EQ(Format("[%u] %s", 12u, "ab"), "[12] ab");
  EXPECT_EQ(Format("%s", std::string(5000, 'x').c_str()).size(), 5000u);
}

}  // namespace
}  // namespace vpx
