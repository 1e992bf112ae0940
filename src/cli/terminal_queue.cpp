#include "cli/terminal_queue.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <new>
#include <utility>

#include "host/out_of_memory.h"

namespace vpx::cli {

TerminalGuiQueue::TerminalGuiQueue() : guiThread_(std::this_thread::get_id()) {
  if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) pipe_[0] = pipe_[1] = -1;
}

TerminalGuiQueue::~TerminalGuiQueue() {
  for (int fd : pipe_)
    if (fd >= 0) close(fd);
}

void TerminalGuiQueue::Push(Task task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  arrived_.notify_all();
  if (pipe_[1] >= 0) {
    const char byte = 1;
    // A full pipe already wakes the reader; the byte is only a signal.
    [[maybe_unused]] ssize_t n = write(pipe_[1], &byte, 1);
  }
}

void TerminalGuiQueue::Post(std::function<void()> task) {
  Push(Task{std::move(task), nullptr});
}

void TerminalGuiQueue::Send(std::function<void()> task) {
  if (IsGuiThread()) {
    task();
    return;
  }
  bool done = false;
  Push(Task{std::move(task), &done});
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [&] { return done; });
}

void TerminalGuiQueue::Pump() {
  for (;;) {
    Task task;
    {
      std::lock_guard lock(mutex_);
      if (tasks_.empty()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    try {
      task.run();
    } catch (const std::bad_alloc&) {
      // A task that ran out of memory must not take the GUI thread down or leave its
      // sender waiting.
      ReportOutOfMemoryToStderr();
    }
    if (task.done != nullptr) {
      {
        std::lock_guard lock(mutex_);
        *task.done = true;
      }
      finished_.notify_all();
    }
  }
}

bool TerminalGuiQueue::IsGuiThread() const {
  return std::this_thread::get_id() == guiThread_;
}

bool TerminalGuiQueue::WaitForTasks(int timeoutMs) {
  std::unique_lock lock(mutex_);
  return arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return !tasks_.empty(); });
}

void TerminalGuiQueue::DrainWakeFd() {
  if (pipe_[0] < 0) return;
  char buffer[256];
  while (read(pipe_[0], buffer, sizeof buffer) > 0) {
  }
}

}  // namespace vpx::cli
