#include "ui/run_window.h"

#include <QApplication>
#include <QMetaObject>
#include <cstdlib>

#include "host/signal_watch.h"
#include "host/trace_log.h"
#include "ui/app_setup.h"
#include "ui/list_file_actions.h"
#include "ui/main_frame.h"
#include "ui/open_files.h"
#include "ui/vorpex_view.h"

namespace vpx::ui {
namespace {

// How long the window's close may take after a signal before the process ends anyway.
constexpr int kSignalBoundMs = 5000;

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}
}  // namespace

bool DisplayAvailable() {
  return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM");
}

int RunWindow(int argc, char** argv, const std::string& tracePathSjis,
              const std::string& loadFileSjis, const std::vector<std::string>& files) {
  SignalWatch::BlockSignals();  // before Qt and the engine start their threads
  QApplication app(argc, argv);
  InstallQtJapanese(app);
  QApplication::setWindowIcon(VorpexIcon());
  InitTraceLog(tracePathSjis);
  CMainFrame frame;
  frame.show();
  if (frame.Initialise()) {
    if (!loadFileSjis.empty()) frame.View()->ListFiles()->LoadFile(loadFileSjis);
    DumpFilesAtStart(frame.View()->Console(), files);
  }
  // SIGINT, SIGTERM and SIGHUP close the window as a close request does.
  SignalWatch watch(
      [&frame](int) {
        QMetaObject::invokeMethod(&frame, "CloseWithoutAsking", Qt::QueuedConnection);
      },
      kSignalBoundMs);
  watch.DeliverHere();
  const int status = app.exec();
  if (const int signo = SignalWatch::Received()) return SignalWatch::ExitStatusFor(signo);
  return status;
}

}  // namespace vpx::ui
