// Shared helpers of the window tests: one QApplication for the test program (offscreen
// platform), event pumping with a deadline, and key presses sent to a widget.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <chrono>
#include <functional>
#include <thread>

namespace vpx::ui::test {

inline QApplication& App() {
  static int argc = 1;
  static char name[] = "test_ui";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  return *app;
}

// Processes events until done() holds or timeoutMs passed; returns done().
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

inline void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

inline void PressKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                     const QString& text = QString()) {
  QKeyEvent press(QEvent::KeyPress, key, mods, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, mods, text);
  QApplication::sendEvent(w, &release);
}

}  // namespace vpx::ui::test
