#include "ui/run_window.h"

#include <QApplication>
#include <cstdlib>

#include "fileops/trace_log.h"
#include "ui/main_frame.h"

namespace vpx::ui {
namespace {
bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}
}  // namespace

bool DisplayAvailable() {
  return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM");
}

int RunWindow(int argc, char** argv, const std::string& tracePathSjis) {
  QApplication app(argc, argv);
  InitTraceLog(tracePathSjis);
  CMainFrame frame;
  frame.show();
  frame.Initialise();
  return app.exec();
}

}  // namespace vpx::ui
