// The terminal's contract at its end, through the real binary: exit statuses (0 all well,
// 1 a line or job failed, 2 unreadable batch file, 3 unwritable output, 128 + signal),
// failed jobs named by line on standard error, over-long lines refused, --console with
// piped input run as a batch, and a signal during a large copy that cancels it cleanly.
#include <gtest/gtest.h>

#include <chrono>
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

}  // namespace
