// Batch mode of the terminal front end: lines from a file, standard input or -e options run
// in order as if typed; each waits for the jobs it started before the next is read.
#pragma once

#include <string>
#include <vector>

#include "cli/front_end.h"

namespace vpx::cli {

// Runs the lines of path ("-" for standard input). 0 when done, 1 when the engine could not
// start, 2 when the file cannot be read.
int RunBatchFile(const std::string& path, const TerminalOptions& options);
// Runs the given lines (the -e options). 0, or 1 when the engine could not start.
int RunBatchLines(const std::vector<std::string>& lines, const TerminalOptions& options);

}  // namespace vpx::cli
