// Batch mode of the terminal front end: lines from a file, standard input or -e options run
// in order as if typed; each waits for the jobs it started before the next is read. Batch
// files may hold blank lines and '#' comments. The exit status is one of cli/exit_status.h.
#pragma once

#include <string>
#include <vector>

#include "cli/front_end.h"

namespace vpx::cli {

// Runs the lines of path ("-" for standard input).
int RunBatchFile(const std::string& path, const TerminalOptions& options);
// Runs the given lines (the -e options).
int RunBatchLines(const std::vector<std::string>& lines, const TerminalOptions& options);

}  // namespace vpx::cli
