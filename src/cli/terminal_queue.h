// TerminalGuiQueue: the GUI-thread task queue of the terminal front end. The thread that
// creates it is the GUI thread; other threads post or send tasks to it, and a pipe lets the
// interactive loop wake up for them while it waits for keys.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "host/ui_host.h"

namespace vpx::cli {

class TerminalGuiQueue : public IGuiQueue {
 public:
  TerminalGuiQueue();
  ~TerminalGuiQueue() override;
  TerminalGuiQueue(const TerminalGuiQueue&) = delete;
  TerminalGuiQueue& operator=(const TerminalGuiQueue&) = delete;

  void Post(std::function<void()> task) override;
  void Send(std::function<void()> task) override;
  void Pump() override;
  bool IsGuiThread() const override;

  // Waits up to timeoutMs for a task to arrive; true when one is pending.
  bool WaitForTasks(int timeoutMs);
  // Readable whenever a task was posted since the last DrainWakeFd.
  int WakeFd() const { return pipe_[0]; }
  void DrainWakeFd();

 private:
  struct Task {
    std::function<void()> run;
    bool* done = nullptr;
  };
  void Push(Task task);

  const std::thread::id guiThread_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::condition_variable finished_;
  std::deque<Task> tasks_;
  int pipe_[2] = {-1, -1};
};

}  // namespace vpx::cli
