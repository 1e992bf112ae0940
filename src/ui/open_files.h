// Files named on the command line (as the desktop entry passes them): each is shown with
// DumpFile once the window is up, typed and entered in the console like any other line.
#pragma once

#include <QString>
#include <string>
#include <vector>

namespace vpx::ui {

class CConsoleEdit;

// The console line for path, or empty when the command language cannot quote the path.
QString DumpFileLine(const QString& path);

// Enters a DumpFile line for each UTF-8 path (after the event loop has started).
void DumpFilesAtStart(CConsoleEdit* console, const std::vector<std::string>& utf8Paths);

}  // namespace vpx::ui
