// The GUI thread's task queue on Qt: tasks posted from any thread run in the Qt event loop
// of the thread that created the queue; Send waits until its task has run; Pump runs the
// pending tasks at once (the engine calls it while the GUI thread waits for a lock).
#pragma once

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "host/ui_host.h"

namespace vpx::ui {

class CQtGuiQueue : public QObject, public IGuiQueue {
  Q_OBJECT
 public:
  CQtGuiQueue();
  ~CQtGuiQueue() override;

  void Post(std::function<void()> task) override;
  void Send(std::function<void()> task) override;
  void Pump() override;
  bool IsGuiThread() const override;

 protected:
  bool event(QEvent* e) override;

 private:
  void Schedule();

  std::thread::id guiThread_;
  std::mutex mutex_;
  std::condition_variable done_;
  std::deque<std::function<void()>> tasks_;
  bool scheduled_ = false;
};

}  // namespace vpx::ui
