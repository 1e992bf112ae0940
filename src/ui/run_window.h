// The window front end's entry points for main(): whether a display can be opened, and
// running the main window until it closes.
#pragma once

#include <string>

namespace vpx::ui {

bool DisplayAvailable();
int RunWindow(int argc, char** argv, const std::string& tracePathSjis);

}  // namespace vpx::ui
