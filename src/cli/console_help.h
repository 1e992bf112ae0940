// The terminal's help, which is a front-end feature and not a catalogue function: "?PATTERN"
// lines, the --help-functions listing, and Tab completion of function names with the
// signatures shown as a hint after "Name(" in the interactive console.
#pragma once

#include <string>

#include "cli/terminal_ui.h"

namespace vpx::cli {

// True for a line whose first non-blank character is "?".
bool IsHelpLine(const std::string& line);
// The reference entries a "?PATTERN" line asks for ("?" alone: the list of all) into text;
// false when no function matches.
bool HelpLineText(const std::string& line, std::string& text);
// --help-functions: every function with its summary without a pattern, else the entries.
std::string HelpFunctionsText(const std::string& pattern);
// Prints the --help-functions text to standard output; the exit status: 0, or 1 when a
// pattern matches no function (as a "?PATTERN" line fails in a batch).
int PrintHelpFunctions(const std::string& pattern);

// Installs the Tab completion into libedit; hints are written through output.
void InstallCompletion(TerminalOutput& output);

}  // namespace vpx::cli
