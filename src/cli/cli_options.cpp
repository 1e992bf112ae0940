#include "cli/cli_options.h"

#include <cstring>

namespace vpx::cli {
namespace {

bool SetMode(CommandLine& out, RunMode mode, std::string& error) {
  if (out.mode != RunMode::kDefault && out.mode != mode) {
    error = "--batch, -e and --console exclude each other";
    return false;
  }
  out.mode = mode;
  return true;
}

bool Empty(const char* option, std::string& error) {
  error = std::string("option ") + option + " needs a file name";
  return false;
}

}  // namespace

const char* VersionText() {
  return "Vorpex Version 0.9";
}

std::string HelpText() {
  return std::string(VersionText()) +
         "\n"
         "Usage: vorpex [OPTION]... [FILE]...\n"
         "Without --batch, -e or --console: the window when a display is available, otherwise\n"
         "the console form when standard input is a terminal.\n"
         "  --batch FILE   run the lines of FILE (- for standard input) in order\n"
         "  -e LINE        run LINE (repeatable) instead of a file\n"
         "  --console      interactive console with line editing; Ctrl+D quits (waiting\n"
         "                 for running jobs; Ctrl+D again cancels them); without a\n"
         "                 terminal it reads standard input as --batch - does\n"
         "  --load FILE    start with the result list saved in FILE (once)\n"
         "  --save FILE    save the result list to FILE when the lines have run (once)\n"
         "  --trace PATH   write the trace log to PATH\n"
         "  --yes          answer Yes/No questions with Yes (default: No)\n"
         "  --transcript   print each input line before its output\n"
         "  --help-functions [PATTERN]\n"
         "                 print the function reference (all names, or the entries whose\n"
         "                 names match PATTERN; * and ? are wildcards)\n"
         "  --version      print the name and version\n"
         "  --help         print this help\n"
         "Batch files may hold blank lines and # comments; a failed job prints\n"
         "\"line N: <text>\" on standard error.\n"
         "Exit status (--batch, -e, --console):\n"
         "  0  every line and job succeeded\n"
         "  1  a line was unregistered or refused, or a command or job failed\n"
         "  2  the batch file cannot be read, or a bad option\n"
         "  3  standard output cannot be written\n"
         "  128+N  ended by signal N (SIGINT, SIGTERM, SIGHUP cancel the running jobs;\n"
         "         a second SIGINT ends at once)\n"
         "FILEs are shown in the window's binary display (DumpFile).\n";
}

bool ParseCommandLine(int argc, char** argv, CommandLine& out, std::string& error) {
  out = CommandLine();
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    auto value = [&](std::string& target) {
      if (i + 1 >= argc) {
        error = std::string("option ") + arg + " needs a value";
        return false;
      }
      target = argv[++i];
      return true;
    };
    // --load, --save and --trace name one file each: a second one is refused rather than
    // silently taking the first one's place.
    auto single = [&](std::string& target) {
      if (!target.empty()) {
        error = std::string("option ") + arg + " may be given only once";
        return false;
      }
      return value(target) && (!target.empty() || Empty(arg, error));
    };
    if (std::strcmp(arg, "--version") == 0) {
      out.mode = RunMode::kVersion;
      return true;
    }
    if (std::strcmp(arg, "--help") == 0) {
      out.mode = RunMode::kHelp;
      return true;
    }
    if (std::strcmp(arg, "--help-functions") == 0) {
      out.mode = RunMode::kHelpFunctions;
      if (i + 1 < argc && argv[i + 1][0] != '-') out.helpPattern = argv[++i];
      return true;
    }
    if (std::strcmp(arg, "--batch") == 0) {
      if (!SetMode(out, RunMode::kBatchFile, error) || !value(out.batchFile)) return false;
    } else if (std::strcmp(arg, "-e") == 0) {
      std::string line;
      if (!SetMode(out, RunMode::kBatchLines, error) || !value(line)) return false;
      out.lines.push_back(line);
    } else if (std::strcmp(arg, "--console") == 0) {
      if (!SetMode(out, RunMode::kConsole, error)) return false;
    } else if (std::strcmp(arg, "--load") == 0) {
      if (!single(out.terminal.loadFile)) return false;
    } else if (std::strcmp(arg, "--save") == 0) {
      if (!single(out.terminal.saveFile)) return false;
    } else if (std::strcmp(arg, "--trace") == 0) {
      if (!single(out.tracePath)) return false;
    } else if (std::strcmp(arg, "--yes") == 0) {
      out.terminal.answerYes = true;
    } else if (std::strcmp(arg, "--transcript") == 0) {
      out.terminal.transcript = true;
    } else if (arg[0] != '-') {
      out.openFiles.push_back(arg);
    } else {
      error = std::string("unknown option ") + arg;
      return false;
    }
  }
  if (!out.openFiles.empty() && out.mode != RunMode::kDefault) {
    error = "files are opened only in the window (without --batch, -e or --console)";
    return false;
  }
  out.terminal.interactive = out.mode == RunMode::kConsole;
  return true;
}

}  // namespace vpx::cli
