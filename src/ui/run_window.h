// The window front end's entry points for main(): whether a display can be opened, and
// running the main window until it closes.
#pragma once

#include <string>
#include <vector>

namespace vpx::ui {

bool DisplayAvailable();
// loadFileSjis: a saved result list to start with (empty for none); files (UTF-8) are shown
// with DumpFile once the window is up.
int RunWindow(int argc, char** argv, const std::string& tracePathSjis,
              const std::string& loadFileSjis = std::string(),
              const std::vector<std::string>& files = {});

}  // namespace vpx::ui
