// The window front end's entry points for main(): whether a display can be opened, and
// running the main window until it closes.
#pragma once

#include <string>

namespace vpx::ui {

bool DisplayAvailable();
// loadFileSjis: a saved result list to start with (empty for none).
int RunWindow(int argc, char** argv, const std::string& tracePathSjis,
              const std::string& loadFileSjis = std::string());

}  // namespace vpx::ui
