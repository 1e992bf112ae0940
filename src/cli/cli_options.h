// The command-line options of vorpex: --version, --help, --batch FILE, -e LINE (repeatable),
// --console, --load FILE, --save FILE, --trace PATH, --yes, --transcript,
// --help-functions [PATTERN].
#pragma once

#include <string>
#include <vector>

#include "cli/front_end.h"

namespace vpx::cli {

enum class RunMode { kDefault, kVersion, kHelp, kHelpFunctions, kBatchFile, kBatchLines, kConsole };

struct CommandLine {
  RunMode mode = RunMode::kDefault;
  std::string batchFile;
  std::vector<std::string> lines;
  std::string helpPattern;             // --help-functions
  std::vector<std::string> openFiles;  // FILE...: shown in the window
  std::string tracePath;               // UTF-8; empty for the default trace file
  TerminalOptions terminal;
};

// False with a message for an unknown option, a missing value or modes that exclude each
// other.
bool ParseCommandLine(int argc, char** argv, CommandLine& out, std::string& error);

const char* VersionText();
std::string HelpText();

}  // namespace vpx::cli
