// The interactive console driven through a pseudo-terminal: prompt, execution, the history
// under the up key, a retired job announced above the prompt, Ctrl+D (which waits for
// running jobs; a second one cancels them), the exit status after failures, and control
// bytes made visible on a terminal.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

class ConsoleSession {
 public:
  // Runs binary on a pseudo-terminal with args (the interactive console by default).
  explicit ConsoleSession(const std::string& binary,
                          std::vector<std::string> args = {"--console"}) {
    args.insert(args.begin(), {binary, "--trace", "/dev/null"});
    pid_ = forkpty(&fd_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      std::vector<char*> argv;
      for (std::string& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      execv(binary.c_str(), argv.data());
      _exit(127);
    }
  }
  ~ConsoleSession() {
    if (pid_ > 0 && !waited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (fd_ >= 0) close(fd_);
  }
  bool Started() const { return pid_ > 0; }

  void Type(const std::string& keys) {
    ASSERT_EQ(write(fd_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }

  // Reads until the output so far contains text (times times); false after the time limit.
  bool ReadUntil(const std::string& text, int times = 1, int limitMs = 10000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (Count(text) < times) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      char buffer[4096];
      const ssize_t n = read(fd_, buffer, sizeof buffer);
      if (n <= 0) return Count(text) >= times;
      seen_.append(buffer, static_cast<size_t>(n));
    }
    return true;
  }
  int Count(const std::string& text) const {
    int count = 0;
    for (size_t at = seen_.find(text); at != std::string::npos; at = seen_.find(text, at + 1))
      ++count;
    return count;
  }
  // The exit code; -1 when the process has not ended within the time limit.
  int Wait(int limitMs = 10000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) return -1;
      ReadUntil("\x01", 1, 10);  // keep draining the terminal
    }
    waited_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  const std::string& Seen() const { return seen_; }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
  bool waited_ = false;
  std::string seen_;
};

TEST(InteractiveConsole, RunsLinesRecallsHistoryAnnouncesJobsAndQuitsOnCtrlD) {
  const char* binary = std::getenv("VORPEX_BINARY");
  ASSERT_NE(binary, nullptr);
  char pattern[] = "/tmp/vorpex_console_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string file = std::string(pattern) + "/data.bin";
  std::ofstream(file) << "123456789";

  ConsoleSession session(binary);
  ASSERT_TRUE(session.Started());
  ASSERT_TRUE(session.ReadUntil("vorpex> "));
  session.Type("AddInt(40, 2)\r");
  ASSERT_TRUE(session.ReadUntil("　42")) << session.Seen();
  session.Type("MakeFileCRC(\"" + file + "\")\r");
  ASSERT_TRUE(session.ReadUntil("[1] CBF43926")) << session.Seen();
  session.Type("\x1b[A\x1b[A\r");  // up twice: AddInt(40, 2) again
  ASSERT_TRUE(session.ReadUntil("　42", 2)) << session.Seen();
  // Ctrl+D right behind a line: it may arrive while the command still runs.
  session.Type("NOP()\r\x04");
  EXPECT_EQ(session.Wait(), 0) << session.Seen();
  std::remove(file.c_str());
  rmdir(pattern);
}

TEST(InteractiveConsole, AnUnregisteredCallGetsASecondLineNamingTheCallsMeant) {
  const char* binary = std::getenv("VORPEX_BINARY");
  ASSERT_NE(binary, nullptr);
  ConsoleSession session(binary);
  ASSERT_TRUE(session.Started());
  ASSERT_TRUE(session.ReadUntil("vorpex> "));
  session.Type("addint(1, 2)\r");
  ASSERT_TRUE(session.ReadUntil("　候補: AddInt(INT, INT) / AddInt(INT, UINT)")) << session.Seen();
  session.Type("Factorail(5)\r");
  ASSERT_TRUE(session.ReadUntil("　候補: Factorial(UINT)")) << session.Seen();
  session.Type("?nosuchname\r");  // a help query that finds nothing gets no such line
  ASSERT_TRUE(session.ReadUntil("に当てはまる関数はありません")) << session.Seen();
  session.Type("AddInt(1, 2)\r");
  ASSERT_TRUE(session.ReadUntil("　3")) << session.Seen();
  EXPECT_EQ(session.Count("候補"), 2);
}

TEST(InteractiveConsole, CtrlDWithAJobRunningSaysSoAndASecondCtrlDCancelsIt) {
  namespace fs = std::filesystem;
  const char* binary = std::getenv("VORPEX_BINARY");
  ASSERT_NE(binary, nullptr);
  char pattern[] = "/tmp/vorpex_console_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const fs::path dir = pattern;
  {
    std::ofstream source(dir / "src.bin", std::ios::binary);
    source.seekp((1ll << 30) - 1);
    source.put('\1');
  }
  std::ofstream(dir / "dst.bin") << "old contents";

  ConsoleSession session(binary);
  ASSERT_TRUE(session.Started());
  ASSERT_TRUE(session.ReadUntil("vorpex> "));
  session.Type("CopyFileSect(\"" + (dir / "dst.bin").string() + "\", \"" +
               (dir / "src.bin").string() + "\", 0, 1073741823)\r");
  ASSERT_TRUE(session.ReadUntil("(y/N) ")) << session.Seen();
  session.Type("y\r");
  ASSERT_TRUE(session.ReadUntil("vorpex> ", 2)) << session.Seen();
  session.Type("\x04");
  ASSERT_TRUE(session.ReadUntil("1 個のジョブが実行中です。")) << session.Seen();
  session.Type("\x04");
  ASSERT_TRUE(session.ReadUntil("1 個のジョブを中断します。")) << session.Seen();
  EXPECT_EQ(session.Wait(30000), 1) << "a cancelled job is a failure\n" << session.Seen();
  std::ifstream kept(dir / "dst.bin");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "old contents");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
  fs::remove_all(dir);
}

TEST(InteractiveConsole, TabCompletesNamesHintsSignaturesAndQuestionMarkShowsHelp) {
  const char* binary = std::getenv("VORPEX_BINARY");
  ASSERT_NE(binary, nullptr);
  ConsoleSession session(binary);
  ASSERT_TRUE(session.Started());
  ASSERT_TRUE(session.ReadUntil("vorpex> "));
  // "GetFileS" has one completion: the rest of the name and "(" are added to the line.
  session.Type("GetFileS\t");
  ASSERT_TRUE(session.ReadUntil("ize(")) << session.Seen();
  // After the "(" Tab shows the signature instead of completing.
  session.Type("\t");
  ASSERT_TRUE(session.ReadUntil("  UINT GetFileSize(STRING)")) << session.Seen();
  // An unknown prefix completes nothing: the line stays as typed and runs as such.
  session.Type("\x15Xyz\t\r");
  ASSERT_TRUE(session.ReadUntil("未登録な命令です。")) << session.Seen();
  session.Type("?StrLen\r");
  ASSERT_TRUE(session.ReadUntil("StrLen：文字列の長さをバイト数で返します。")) << session.Seen();
  session.Type("\x04");
  EXPECT_EQ(session.Wait(), 1) << "the unregistered line is a failure\n" << session.Seen();
}

TEST(InteractiveConsole, AFailedJobMakesTheConsoleEndWithTheFailureStatus) {
  const char* binary = std::getenv("VORPEX_BINARY");
  ASSERT_NE(binary, nullptr);
  ConsoleSession session(binary);
  ASSERT_TRUE(session.Started());
  ASSERT_TRUE(session.ReadUntil("vorpex> "));
  session.Type("MakeFileCRC(\"/nonexistent/vorpex.bin\")\r");
  ASSERT_TRUE(session.ReadUntil("[1] ")) << session.Seen();
  session.Type("\r");  // Enter alone is no failure, nor does it hide one
  ASSERT_TRUE(session.ReadUntil("vorpex> ", 3)) << session.Seen();
  session.Type("\x04");
  EXPECT_EQ(session.Wait(), 1) << session.Seen();
}

// Text from the user's data (here a list entry holding ESC, BEL and DEL)
// reaches a terminal visibly, as cat -v shows it; a pipe gets the bytes as they are.
TEST(TerminalOutputOnATerminal, ControlBytesAreShownVisiblyOnlyOnATerminal) {
  const char* binary = std::getenv("VORPEX_BINARY");
  ASSERT_NE(binary, nullptr);
  const std::vector<std::string> args = {"-e",
                                         "AddStrToList(\"a\x1b[2Jb\x07"
                                         "c\x7f\")",
                                         "-e", "GetListData(1)"};
  ConsoleSession session(binary, args);
  ASSERT_TRUE(session.Started());
  EXPECT_EQ(session.Wait(), 0) << session.Seen();
  EXPECT_NE(session.Seen().find("a^[[2Jb^Gc^?"), std::string::npos) << session.Seen();
  EXPECT_EQ(session.Seen().find("\x1b[2J"), std::string::npos) << session.Seen();

  std::string command = std::string("'") + binary + "' --trace /dev/null";
  for (const std::string& arg : args) command += " '" + arg + "'";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string piped;
  char buffer[256];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) piped.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0);
  EXPECT_NE(piped.find("a\x1b[2Jb\x07"
                       "c\x7f"),
            std::string::npos)
      << piped;
}

}  // namespace
