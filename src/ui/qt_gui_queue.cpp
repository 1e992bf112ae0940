#include "ui/qt_gui_queue.h"

#include <QCoreApplication>
#include <QEvent>

namespace vpx::ui {
namespace {
const QEvent::Type kRunTasksEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
}

CQtGuiQueue::CQtGuiQueue() : guiThread_(std::this_thread::get_id()) {}

CQtGuiQueue::~CQtGuiQueue() {
  // Tasks still queued run now, so no sender is left waiting.
  Pump();
}

void CQtGuiQueue::Post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  Schedule();
}

void CQtGuiQueue::Send(std::function<void()> task) {
  if (IsGuiThread()) {
    task();
    return;
  }
  bool finished = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back([this, &finished, &task] {
      task();
      std::lock_guard<std::mutex> done(mutex_);
      finished = true;
      done_.notify_all();
    });
  }
  Schedule();
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [&finished] { return finished; });
}

void CQtGuiQueue::Pump() {
  std::deque<std::function<void()>> pending;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending.swap(tasks_);
    scheduled_ = false;
  }
  for (auto& task : pending) task();
}

bool CQtGuiQueue::IsGuiThread() const {
  return std::this_thread::get_id() == guiThread_;
}

void CQtGuiQueue::Schedule() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (scheduled_) return;
    scheduled_ = true;
  }
  QCoreApplication::postEvent(this, new QEvent(kRunTasksEvent));
}

bool CQtGuiQueue::event(QEvent* e) {
  if (e->type() != kRunTasksEvent) return QObject::event(e);
  Pump();
  return true;
}

}  // namespace vpx::ui
