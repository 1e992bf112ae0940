// Job latency through the engine: a trivial job's line to its retired result (Factorial(10),
// MakeFileCRC of a 100-byte file), 20 such lines run as a batch runs them (each line waits
// for its job), and how long the real binary takes to exit after the last output of a batch
// whose last line is not a job.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>

#include "cli/memory_list_view.h"
#include "cli/terminal_queue.h"
#include "engine/engine.h"

namespace {

using Clock = std::chrono::steady_clock;

class NullConsole : public vpx::IConsole {
 public:
  int GetLineCount() override { return 2; }
  std::string GetLine(int n) override { return n == 0 ? line : std::string(); }
  void AppendOutput(const std::string&) override {}
  std::string line;
};

class NullDialogs : public vpx::IDialogs {
 public:
  void MessageBox(const std::string&) override {}
  bool AskYesNo(const std::string&) override { return true; }
  bool ChooseOpenFiles(const std::string&, bool, std::vector<std::string>&) override {
    return false;
  }
  int ChooseFolder(const std::string&, const std::string&, std::string&) override { return 2; }
  void Beep(unsigned, unsigned) override {}
};

// The engine with silent host interfaces, driven as the terminal drives it.
class EngineRig {
 public:
  EngineRig() {
    ui_.console = &console_;
    ui_.resultList = &results_;
    ui_.jobList = &jobs_;
    ui_.dialogs = &dialogs_;
    ui_.queue = &queue_;
    vpx::SetProcessUserInterface(&ui_);
    engine_ = std::make_unique<vpx::CVorpexEngine>(ui_);
    engine_->Start();
    engine_->SetJobRetiredListener([this](const vpx::RetiredJob&) { ++retired_; });
  }
  ~EngineRig() {
    engine_.reset();
    vpx::SetProcessUserInterface(nullptr);
  }

  // Enters the line and pumps until its job's result is in its entry.
  void RunJobLine(const std::string& line) {
    const int target = retired_ + 1;
    console_.line = line;
    engine_->ExecuteInputLine();
    while (retired_ < target || !engine_->IsIdle()) {
      queue_.WaitForTasks(20);
      queue_.Pump();
    }
  }

 private:
  NullConsole console_;
  vpx::cli::MemoryListView results_;
  vpx::cli::MemoryListView jobs_;
  NullDialogs dialogs_;
  vpx::cli::TerminalGuiQueue queue_;
  vpx::UserInterface ui_;
  std::unique_ptr<vpx::CVorpexEngine> engine_;
  int retired_ = 0;
};

std::string SmallFile() {
  static const std::string path = [] {
    std::string p = "/tmp/vpx-bench-jobs-" + std::to_string(getpid());
    std::ofstream(p, std::ios::binary) << std::string(100, 'x');
    return p;
  }();
  return path;
}

void BM_FactorialLineToRetiredResult(benchmark::State& state) {
  EngineRig rig;
  for (auto _ : state) rig.RunJobLine("Factorial(10)");
}
BENCHMARK(BM_FactorialLineToRetiredResult)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ChecksumLineToRetiredResult(benchmark::State& state) {
  EngineRig rig;
  const std::string line = "MakeFileCRC(\"" + SmallFile() + "\")";
  for (auto _ : state) rig.RunJobLine(line);
}
BENCHMARK(BM_ChecksumLineToRetiredResult)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TwentyJobLinesAsABatch(benchmark::State& state) {
  EngineRig rig;
  const std::string crc = "MakeFileCRC(\"" + SmallFile() + "\")";
  for (auto _ : state) {
    for (int i = 0; i < 10; ++i) {
      rig.RunJobLine("Factorial(10)");
      rig.RunJobLine(crc);
    }
  }
}
BENCHMARK(BM_TwentyJobLinesAsABatch)->Unit(benchmark::kMillisecond)->UseRealTime();

// The vorpex binary next to this benchmark's build folder, or VORPEX_BINARY.
std::string VorpexBinary() {
  if (const char* set = std::getenv("VORPEX_BINARY")) return set;
  char self[PATH_MAX] = {};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string dir = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string();
  dir = dir.substr(0, dir.rfind('/'));
  return dir.substr(0, dir.rfind('/')) + "/vorpex";
}

// Runs vorpex -e line and returns the time from its last output byte to its exit.
double ExitDelayAfterLastOutput(const std::string& binary, const std::string& line) {
  int out[2];
  if (pipe(out) != 0) std::abort();
  const pid_t child = fork();
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDERR_FILENO);
    execl(binary.c_str(), binary.c_str(), "--trace", "/dev/null", "-e", line.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  Clock::time_point lastOutput = Clock::now();
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(out[0], buffer, sizeof buffer);
    if (got <= 0) break;
    lastOutput = Clock::now();
  }
  // End of file: the process has closed its output, i.e. is exiting.
  int status = 0;
  waitpid(child, &status, 0);
  const Clock::time_point exited = Clock::now();
  close(out[0]);
  return std::chrono::duration<double>(exited - lastOutput).count();
}

void BM_BatchExitAfterLastOutput(benchmark::State& state) {
  const std::string binary = VorpexBinary();
  for (auto _ : state) {
    state.SetIterationTime(ExitDelayAfterLastOutput(binary, "SqRoot(2, 1000)"));
  }
}
BENCHMARK(BM_BatchExitAfterLastOutput)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(20);

struct RemoveSmallFile {
  ~RemoveSmallFile() { unlink(SmallFile().c_str()); }
} g_removeSmallFile;

}  // namespace

BENCHMARK_MAIN();
