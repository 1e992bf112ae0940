// The terminal's contract at its end, through the real binary: exit statuses (0 all well,
// 1 a line or job failed, 2 unreadable batch or trace file, 3 unwritable output, 128 +
// signal, the second SIGINT at once), lines that are not UTF-8,
// failed jobs named by line on standard error, over-long lines refused, --console with
// piped input run as a batch, and a signal during a large copy that cancels it cleanly.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cli/vorpex_run.h"

namespace {

using vpx::test::L;
using vpx::test::Outcome;
namespace fs = std::filesystem;

constexpr int kLineLimit = 99'999;
constexpr int kHangMs = 60'000;  // a hang, not a speed limit

class TerminalExit : public vpx::test::VorpexRun {
 protected:
  // Names in the temp folder other than the harness's own files.
  // True once process pid holds a file in dir_ that is not one of the named ones: the
  // copy's temporary file, nameless ("#..." (deleted)) or named.
  bool WritesATemporaryFile(pid_t pid) {
    const fs::path fds = "/proc/" + std::to_string(pid) + "/fd";
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fds, error)) {
      const std::string target = fs::read_symlink(entry.path(), error).string();
      if (target.rfind(dir_.string() + "/#", 0) == 0) return true;
    }
    return UserFiles().size() >= 3;
  }

  std::vector<std::string> UserFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      const std::string name = entry.path().filename().string();
      if (name != "stdin.txt" && name != "stdout.txt" && name != "stderr.txt" &&
          name != "trace.txt")
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(TerminalExit, FailedJobNamesItsLineOnStandardErrorAndExitsWithOne) {
  const std::string good = WriteFile("good.bin", "123456789");
  Outcome r = Lines({"MakeFileCRC(\"" + good + "\")", "NOP()", "MakeFileCRC(\"missing.bin\")"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "line 3: ※　ファイルが存在しません。\n");
  Outcome ok = Lines({"MakeFileCRC(\"" + good + "\")", "NOP()"});
  EXPECT_EQ(ok.exitCode, 0);
  EXPECT_EQ(ok.err, "");
}

TEST_F(TerminalExit, FailedHandlerExitsWithOne) {
  Outcome r = Lines({"CopyFileSect(\"dst.bin\", \"missing.bin\", 0, 9)", "NOP()"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_FALSE(fs::exists(dir_ / "dst.bin"));
}

TEST_F(TerminalExit, UnwritableStandardOutputExitsWithThreeAndSaysSo) {
  Outcome r = Vorpex({"-e", "NOP()"}, "", "/dev/full");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("standard output"), std::string::npos) << r.err;
}

TEST_F(TerminalExit, LinePastTheLimitIsRefusedAndTheNextLineStillRuns) {
  const std::string atLimit = "NOP()" + std::string(kLineLimit - 5, ' ');
  const std::string pastLimit = atLimit + " ";
  const std::string huge = "NOP()" + std::string(3'000'000, ' ');
  const std::string file =
      WriteFile("lines.txt", atLimit + "\n" + pastLimit + "\r\n" + huge + "\nAddInt(1, 1)\n");
  Outcome r = Vorpex({"--batch", file});
  const std::string tooLong = L("※　行が長すぎます（99,999 バイトまで）。実行しませんでした。");
  EXPECT_EQ(r.out, L("VOID NOP(VOID)") + tooLong + tooLong + L("INT AddInt(INT, INT)") + L("2"));
  EXPECT_EQ(r.exitCode, 1);
}

TEST_F(TerminalExit, ConsoleWithPipedInputRunsTheLinesAsABatch) {
  Outcome r = Vorpex({"--console"}, "# a comment\nAddInt(2, 3)\n\nNOP()\n");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, L("INT AddInt(INT, INT)") + L("5") + L("VOID NOP(VOID)"));
  EXPECT_EQ(Vorpex({"--console"}, "bogus(\n").exitCode, 1);
}

TEST_F(TerminalExit, SignalDuringALargeCopyCancelsItAndLeavesTheDestinationAsItWas) {
  {
    std::ofstream source(dir_ / "src.bin", std::ios::binary);
    source.seekp((1ll << 30) - 1);
    source.put('\1');
  }
  WriteFile("dst.bin", "old contents");
  const pid_t pid = Start(
      {"--yes", "-e", "CopyFileSect(\"dst.bin\", \"src.bin\", 0, 1073741823)", "-e", "NOP()"});
  // Signal once the copy has started writing somewhere.
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHangMs);
  while (!WritesATemporaryFile(pid) && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_EQ(kill(pid, SIGTERM), 0);
  Outcome r = Finish(pid, kHangMs);
  EXPECT_EQ(r.exitCode, 128 + SIGTERM);
  EXPECT_EQ(vpx::test::Slurp(dir_ / "dst.bin"), "old contents");
  EXPECT_EQ(UserFiles(), (std::vector<std::string>{"dst.bin", "src.bin"}));
  EXPECT_EQ(r.out.find("VOID NOP(VOID)"), std::string::npos);  // no later line ran
}

TEST_F(TerminalExit, AReadErrorAfterAFailedLineIsSaidAndExitsWithTwo) {
  // A socket whose peer closed with data unread: the lines before the error arrive, then
  // the read fails (ECONNRESET).
  int sv[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
  const std::string lines = "Bogus()\nNOP()\n";
  ASSERT_EQ(write(sv[1], lines.data(), lines.size()), static_cast<ssize_t>(lines.size()));
  ASSERT_EQ(write(sv[0], "x", 1), 1);  // left unread in the peer
  ASSERT_EQ(close(sv[1]), 0);
  const std::string command = "cd " + vpx::test::Quote(dir_.string()) + " && exec " +
                              vpx::test::Quote(binary_) + " --trace trace.txt --batch - <&" +
                              std::to_string(sv[0]) + " > stdout.txt 2> stderr.txt";
  const int status = std::system(command.c_str());
  close(sv[0]);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_EQ(vpx::test::Slurp(dir_ / "stderr.txt"), "vorpex: reading - failed\n");
  EXPECT_EQ(vpx::test::Slurp(dir_ / "stdout.txt"), L("未登録な命令です。") + L("VOID NOP(VOID)"));
}

TEST_F(TerminalExit, HelpForAnUnknownNameFailsLikeAQuestionMarkLine) {
  Outcome r = Vorpex({"--help-functions", "Zzz"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(Lines({"?Zzz"}).exitCode, 1);
  EXPECT_EQ(Vorpex({"--help-functions", "StrLen"}).exitCode, 0);
  EXPECT_EQ(Vorpex({"--help-functions"}).exitCode, 0);
}

TEST_F(TerminalExit, ALineThatIsNotUtf8IsRefusedNamingItsFirstBadByte) {
  Outcome r = Lines({"a\xE3\x81", "AddStr(\"\xFF\")", "AddStr(\"\xC0\xAF\")", "NOP()"});
  EXPECT_EQ(r.exitCode, 1);
  const std::string refused = "として正しくない行です（先頭から ";
  EXPECT_EQ(r.out, L("※　UTF-8 " + refused + "2 バイト目）。実行しませんでした。") +
                       L("※　UTF-8 " + refused + "9 バイト目）。実行しませんでした。") +
                       L("※　UTF-8 " + refused + "9 バイト目）。実行しませんでした。") +
                       L("VOID NOP(VOID)"));
}

TEST_F(TerminalExit, ANamedPipeAsTraceFileIsRefusedAtOnce) {
  ownTrace_ = false;
  ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  const pid_t pid = Start({"--trace", "fifo", "-e", "NOP()"});
  Outcome r = Finish(pid, 10000);
  EXPECT_EQ(r.exitCode, 2) << "blocked on the pipe: -1";
  EXPECT_EQ(r.err, "vorpex: cannot use the trace file " + (dir_ / "fifo").string() +
                       ": it is a named pipe\n");
  EXPECT_EQ(r.out, "");
}

// The second SIGINT ends the process at once, even while a line waits for another
// process's append lock on its file.
TEST_F(TerminalExit, TwoInterruptsEndALineWaitingOnAHeldAppendLockAtOnce) {
  const std::string file = WriteFile("held.txt", "held");
  const int fd = open(file.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(flock(fd, LOCK_EX), 0);
  // The second interrupt ends the process without joining its threads, by design: under
  // ThreadSanitizer that is no leak to report (other builds ignore the option).
  const char* tsan = std::getenv("TSAN_OPTIONS");
  setenv("TSAN_OPTIONS",
         (std::string(tsan != nullptr ? tsan : "") + ":report_thread_leaks=0").c_str(), 1);
  const pid_t pid = Start({"-e", "AddStrToFile(\"held.txt\", \"x\")"});
  // Give it time to reach the lock (it waits up to 5 s there).
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  ASSERT_EQ(kill(pid, SIGINT), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_EQ(kill(pid, SIGINT), 0);
  const auto sent = std::chrono::steady_clock::now();
  Outcome r = Finish(pid, kHangMs);
  const auto tookMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent)
          .count();
  close(fd);
  EXPECT_EQ(r.exitCode, 128 + SIGINT);
  EXPECT_LT(tookMs, 1500) << "the second interrupt did not end the process at once";
  EXPECT_EQ(vpx::test::Slurp(file), "held");
}

}  // namespace
