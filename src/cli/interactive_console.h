// The interactive form of the terminal front end: a prompt with line editing over the input
// history (libedit), results of jobs announced above the prompt as they retire, Ctrl+D to
// quit (waiting for running jobs; a second Ctrl+D cancels them) with the engine's orderly
// shut-down.
#pragma once

#include "cli/front_end.h"

namespace vpx::cli {

// 0 after Ctrl+D, 1 when the engine could not start, 128 + the number of a signal.
int RunConsole(const TerminalOptions& options);

}  // namespace vpx::cli
