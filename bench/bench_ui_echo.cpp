// The way of a 1,000,000-digit result to the user: echoed and recorded as a command leaves it
// (console line, previous result, entry 0 and its row), through the terminal's output and
// through the window's console and list (offscreen), and saved to a list file. Besides the
// time, peak_MB is how far the resident memory rose above its level before the step: each
// full copy of the text that is alive at the same time adds about 1 MB (2 MB as a QString).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "bench_digits.h"
#include "cli/memory_list_view.h"
#include "cli/terminal_queue.h"
#include "cli/terminal_ui.h"
#include "engine/commands/lists/list_file_commands.h"
#include "engine/commands/math/math_command_support.h"
#include "engine/engine.h"
#include "host/trace_log.h"
#include "language/func_data.h"
#include "language/func_id.h"
#include "language/my_macro.h"
#include "ui/console_edit.h"
#include "ui/main_frame.h"
#include "ui/report_list.h"
#include "ui/vorpex_view.h"

namespace {

using vpx::CVorpexEngine;
using vpx::MyNumeric;

const std::filesystem::path kDir = std::filesystem::temp_directory_path() / "vorpex_bench_echo";
constexpr size_t kDigits = 1'000'000;

// pi's shape: one integer digit, the rest fraction.
const MyNumeric& MillionDigitValue() {
  static const MyNumeric value = [] {
    const std::string digits = vpx::bench::RandomDigits(kDigits, 7);
    MyNumeric n;
    if (n.SetByString(digits.substr(0, 1) + "." + digits.substr(1)) != vpx::NumStatus::kOk)
      std::abort();
    n.SetResultSize(static_cast<uint32_t>(kDigits));
    return n;
  }();
  return value;
}

// --- peak memory: the kernel's high-water mark of the resident set, reset before a step ---

long StatusKb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string name;
  long kb = 0;
  while (status >> name) {
    if (name == key) {
      status >> kb;
      return kb;
    }
    status.ignore(1 << 10, '\n');
  }
  return 0;
}

class PeakMemory {
 public:
  PeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";  // the high-water mark starts anew
    base_ = StatusKb("VmRSS:");
  }
  double RiseMb() const { return static_cast<double>(StatusKb("VmHWM:") - base_) / 1024.0; }

 private:
  long base_ = 0;
};

void Echo(CVorpexEngine& engine) {
  vpx::CMyFuncData call;
  const int32_t id = engine.GetMacro().AnalyseAndGetID(std::string("GetPi(1000000)"), call);
  if (id == -1) std::abort();
  call.SetID(id);
  if (vpx::EchoAndRecordNumber(engine, vpx::FuncId::GetPi, call, MillionDigitValue()) != 1)
    std::abort();
}

// --- the terminal ---

// Standard output goes to /dev/null while it lives (the report is written after).
class QuietStdout {
 public:
  QuietStdout() : saved_(dup(STDOUT_FILENO)) {
    std::fflush(stdout);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  ~QuietStdout() {
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
  }

 private:
  int saved_;
};

struct TerminalEngine {
  explicit TerminalEngine(bool terminal) : console(out) {
    out.SetTerminals(terminal, terminal);
    ui.resultList = &results;
    ui.jobList = &jobs;
    ui.queue = &queue;
    ui.console = &console;
    engine = std::make_unique<CVorpexEngine>(ui);
    if (engine->Start() != 1) std::abort();
  }
  vpx::cli::TerminalOutput out;
  vpx::cli::TerminalConsole console;
  vpx::cli::MemoryListView results;
  vpx::cli::MemoryListView jobs;
  vpx::cli::TerminalGuiQueue queue;
  vpx::UserInterface ui;
  std::unique_ptr<CVorpexEngine> engine;
};

// Arg 1: standard output is a terminal (control bytes are made visible); 0: a pipe or file.
void BM_EchoMillionDigitsTerminal(benchmark::State& state) {
  TerminalEngine terminal(state.range(0) != 0);
  QuietStdout quiet;
  double peak = 0;
  for (auto _ : state) {
    PeakMemory memory;
    Echo(*terminal.engine);
    peak = memory.RiseMb();
  }
  state.counters["peak_MB"] = peak;
}
BENCHMARK(BM_EchoMillionDigitsTerminal)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// The list with the value in entry 1, saved to a file.
void BM_SaveListMillionDigits(benchmark::State& state) {
  TerminalEngine terminal(false);
  QuietStdout quiet;
  Echo(*terminal.engine);
  if (terminal.engine->AddDataToListAndShortCut(terminal.engine->PreviousResult(), true) != 1)
    std::abort();
  std::filesystem::create_directories(kDir);
  const std::string path = (kDir / "million.vxl").string();
  double peak = 0;
  for (auto _ : state) {
    PeakMemory memory;
    if (vpx::SaveShortCutList(*terminal.engine, path) != 1) std::abort();
    peak = memory.RiseMb();
  }
  state.counters["peak_MB"] = peak;
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}
BENCHMARK(BM_SaveListMillionDigits)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// --- the window ---

// Until the console and the list have laid out and painted what changed.
void Settle(vpx::ui::CVorpexView* view) {
  view->Console()->viewport()->repaint();
  view->ResultList()->viewport()->repaint();
  QCoreApplication::processEvents();
}

// A fresh window each time: the console keeps what it was given.
void BM_EchoMillionDigitsWindow(benchmark::State& state) {
  double peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto frame = std::make_unique<vpx::ui::CMainFrame>();
    frame->resize(1000, 700);
    frame->show();
    if (!frame->Initialise()) std::abort();
    QCoreApplication::processEvents();
    PeakMemory memory;
    state.ResumeTiming();
    Echo(*frame->View()->Engine());
    Settle(frame->View());
    state.PauseTiming();
    peak = memory.RiseMb();
    frame.reset();
    state.ResumeTiming();
  }
  state.counters["peak_MB"] = peak;
}
BENCHMARK(BM_EchoMillionDigitsWindow)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  // Every large block is mapped on its own and given back when freed (a fixed threshold
  // also stops malloc from raising it), so the resident set follows the live copies.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  vpx::InitTraceLog((kDir.parent_path() / "vorpex_bench_echo_trace.txt").string());
  MillionDigitValue();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(kDir);
  return 0;
}
