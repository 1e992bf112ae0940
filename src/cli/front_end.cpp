#include "cli/front_end.h"

#include <unistd.h>

#include <cstdlib>
#include <new>

#include "cli/console_help.h"
#include "cli/job_progress_line.h"
#include "cli/line_reader.h"
#include "engine/commands/lists/list_file_commands.h"
#include "host/signal_watch.h"
#include "host/sjis.h"

namespace vpx::cli {
namespace {

constexpr int kPumpSliceMs = 20;

// A UTF-8 byte-order mark at the start of a line is not part of the command.
std::string WithoutBom(const std::string& line) {
  return line.compare(0, 3, "\xEF\xBB\xBF") == 0 ? line.substr(3) : line;
}

// path joined to the current folder when relative.
std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  char* cwd = getcwd(nullptr, 0);
  if (cwd == nullptr) return path;
  std::string absolute = std::string(cwd) + "/" + path;
  free(cwd);
  return absolute;
}

}  // namespace

TerminalFrontEnd::TerminalFrontEnd(const TerminalOptions& options)
    : options_(options), savePath_(AbsolutePath(options.saveFile)) {
  ui_.console = &console_;
  ui_.resultList = &resultList_;
  ui_.jobList = &jobList_;
  ui_.dialogs = &dialogs_;
  ui_.clipboard = &clipboard_;
  ui_.binaryDisplay = &binaryDisplay_;
  ui_.queue = &queue_;
  dialogs_.audibleBeep = options.interactive;
  SetProcessUserInterface(&ui_);
  engine_ = std::make_unique<CVorpexEngine>(ui_);
}

TerminalFrontEnd::~TerminalFrontEnd() {
  engine_.reset();
  queue_.Pump();
  SetProcessUserInterface(nullptr);
}

bool TerminalFrontEnd::Start() {
  if (engine_->Start() == 0) return false;
  std::string load;
  if (options_.loadFile.empty() ||
      (ListFileName(options_.loadFile, load) && LoadShortCutList(*engine_, load) != 0))
    return true;
  Shutdown();
  return false;
}

bool TerminalFrontEnd::SaveListAtEnd() {
  if (options_.saveFile.empty()) return true;
  std::string path, shown;
  return ListFileName(savePath_, path) && ListFileName(options_.saveFile, shown) &&
         SaveShortCutList(*engine_, path, shown) != 0;
}

bool TerminalFrontEnd::ListFileName(const std::string& utf8Path, std::string& sjis) {
  if (Utf8ToSjis(utf8Path, sjis)) return true;
  engine_->EchoLine(SJ("※　Shift-JIS で表せないファイル名です。"));
  return false;
}

// Memory running out while a line is taken in or shown ends that line only.
LineStatus TerminalFrontEnd::RunLine(const std::string& utf8Line) {
  try {
    return TakeLine(utf8Line);
  } catch (const std::bad_alloc&) {
    console_.Clear();
    engine_->EchoOutOfMemory();
    return LineStatus::kFailed;
  }
}

LineStatus TerminalFrontEnd::TakeLine(const std::string& utf8Line) {
  const std::string line = WithoutBom(utf8Line);
  if (options_.transcript) output_.WriteOutputText(line + "\n");
  if (IsHelpLine(line)) {
    std::string text;
    const bool found = HelpLineText(line, text);
    output_.WriteOutputText(text);
    return found ? LineStatus::kDone : LineStatus::kUnregistered;
  }
  std::string sjis;
  const bool tooLong = line.size() > kLineReadLimit;
  if (!tooLong) {
    if (const size_t bad = FirstInvalidUtf8Byte(line); bad != std::string::npos) {
      engine_->EchoLine(InvalidUtf8Text(bad));
      return LineStatus::kRefused;
    }
  }
  if (!tooLong && !Utf8ToSjis(line, sjis)) {
    // The character is named: a look-alike (U+301C for U+FF5E) is not visible otherwise.
    engine_->EchoLine(SJ("※　Shift-JIS に変換できない文字を含む行です。実行しませんでした。") +
                      "[" + FirstCharacterWithoutSjisForm(line) + "]");
    return LineStatus::kRefused;
  }
  if (tooLong || sjis.size() > kLineLimit) {
    engine_->EchoLine(LineTooLongText());
    return LineStatus::kRefused;
  }
  console_.Enter(sjis);
  const LineStatus status = engine_->ExecuteInputLine();
  console_.Clear();
  return status;
}

void TerminalFrontEnd::OnSignal() {
  engine_->RequestShutdown();
  queue_.Post([] {});  // wakes a GUI thread waiting for tasks
}

void TerminalFrontEnd::PumpFor(int timeoutMs) {
  queue_.WaitForTasks(timeoutMs);
  queue_.Pump();
  // Also the handed-over tasks whose wake-up could not be posted for lack of memory: the
  // control thread may be waiting for one.
  engine_->RunHandedOverTasks();
}

void TerminalFrontEnd::WaitIdle() {
  queue_.Pump();
  StderrProgressLine progress;
  while (!engine_->IsIdle() && SignalWatch::Received() == 0) {
    PumpFor(kPumpSliceMs);
    progress.Show(JobProgressText(jobList_, SteadyNowMs()));
  }
  progress.Clear();
  queue_.Pump();
}

void TerminalFrontEnd::Shutdown() {
  engine_->RequestShutdown();
  while (!engine_->IsShutDown()) PumpFor(kPumpSliceMs);
  queue_.Pump();
}

}  // namespace vpx::cli
