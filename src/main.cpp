// Entry point: the window when a display is there, the terminal front end otherwise, or
// batch mode for --batch FILE and -e LINE.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "cli/batch_mode.h"
#include "cli/cli_options.h"
#include "cli/console_help.h"
#include "cli/interactive_console.h"
#include "engine/thread_dlg.h"
#include "host/sjis.h"
#include "host/trace_log.h"

#ifdef VORPEX_HAVE_QT
#include "ui/run_window.h"
#endif

namespace {

// Sets and empties the trace file; false after a message on standard error when the path
// has no Shift-JIS form or names a file that cannot take the trace (a named pipe, a link).
bool InitTrace(const std::string& utf8Path) {
  std::string sjis;
  if (!utf8Path.empty() && !vpx::Utf8ToSjis(utf8Path, sjis)) {
    std::fprintf(stderr, "vorpex: the trace path has no Shift-JIS form\n");
    return false;
  }
  std::string failure;
  if (vpx::OpenTraceLog(sjis, failure)) return true;
  std::fprintf(stderr, "vorpex: %s\n", failure.c_str());
  return false;
}

// No mode option: the window, or the console when there is no display.
int RunDefault(int argc, char** argv, const vpx::cli::CommandLine& commandLine) {
#ifdef VORPEX_HAVE_QT
  if (vpx::ui::DisplayAvailable()) {
    std::string traceSjis, loadSjis;
    vpx::Utf8ToSjis(commandLine.tracePath, traceSjis);
    if (!vpx::Utf8ToSjis(commandLine.terminal.loadFile, loadSjis)) {
      std::fprintf(stderr, "vorpex: the --load path has no Shift-JIS form\n");
      return 2;
    }
    if (!commandLine.terminal.saveFile.empty())
      std::fprintf(stderr,
                   "vorpex: --save is for --batch, -e and --console; the window saves "
                   "the list from its file menu\n");
    return vpx::ui::RunWindow(argc, argv, traceSjis, loadSjis, commandLine.openFiles);
  }
  std::fprintf(stderr, "vorpex: no display available for the window\n");
  if (!commandLine.openFiles.empty()) return 2;  // nothing else can show them
#else
  (void)argc;
  (void)argv;
  std::fprintf(stderr, "vorpex: built without the window\n");
  if (!commandLine.openFiles.empty()) return 2;
#endif
  if (!isatty(STDIN_FILENO)) {
    std::fprintf(stderr, "vorpex: standard input is not a terminal; use --batch FILE or -e LINE\n");
    return 2;
  }
  vpx::cli::TerminalOptions options = commandLine.terminal;
  options.interactive = true;
  return vpx::cli::RunConsole(options);
}

int RunTerminal(const vpx::cli::CommandLine& commandLine) {
  // A closed output pipe is reported as an exit status, not by a silent death.
  std::signal(SIGPIPE, SIG_IGN);
  switch (commandLine.mode) {
    case vpx::cli::RunMode::kBatchFile:
      return vpx::cli::RunBatchFile(commandLine.batchFile, commandLine.terminal);
    case vpx::cli::RunMode::kBatchLines:
      return vpx::cli::RunBatchLines(commandLine.lines, commandLine.terminal);
    default:
      break;
  }
  // Line editing needs a terminal on both sides; otherwise the console reads its lines as a
  // batch from standard input.
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
    vpx::cli::TerminalOptions options = commandLine.terminal;
    options.interactive = false;
    return vpx::cli::RunBatchFile("-", options);
  }
  return vpx::cli::RunConsole(commandLine.terminal);
}

// A computation abandoned at shut-down may still run: end without the static destructors
// that it could still be using.
int Finish(int status) {
  if (vpx::CMyThreadDlg::AbandonedStillRunning() == 0) return status;
  std::fflush(stdout);
  std::fflush(stderr);
  _exit(status);
}

}  // namespace

int main(int argc, char** argv) {
  vpx::cli::CommandLine commandLine;
  std::string error;
  if (!vpx::cli::ParseCommandLine(argc, argv, commandLine, error)) {
    std::fprintf(stderr, "vorpex: %s (see --help)\n", error.c_str());
    return 2;
  }
  switch (commandLine.mode) {
    case vpx::cli::RunMode::kVersion:
      std::printf("%s\n", vpx::cli::VersionText());
      return 0;
    case vpx::cli::RunMode::kHelp:
      std::fputs(vpx::cli::HelpText().c_str(), stdout);
      return 0;
    case vpx::cli::RunMode::kHelpFunctions:
      return vpx::cli::PrintHelpFunctions(commandLine.helpPattern);
    default:
      break;
  }
  if (!InitTrace(commandLine.tracePath)) return 2;
  if (commandLine.mode != vpx::cli::RunMode::kDefault) return Finish(RunTerminal(commandLine));
  return Finish(RunDefault(argc, argv, commandLine));
}
