#include "engine/gui_bridge.h"

#include <chrono>
#include <new>
#include <thread>
#include <utility>

#include "host/out_of_memory.h"

namespace vpx {
namespace {

constexpr int kWakeUpAttempts = 100;
constexpr int kWakeUpRetryMs = 10;

}  // namespace

GuiBridge::GuiBridge(IGuiQueue* queue) : queue_(queue), state_(std::make_shared<State>()) {
  std::weak_ptr<State> weak = state_;
  wakeUp_ = [weak] {
    if (auto state = weak.lock()) RunPending(*state);
  };
}

bool GuiBridge::IsGuiThread() const {
  return queue_ == nullptr || queue_->IsGuiThread();
}

void GuiBridge::Enqueue(Task task) {
  // Everything that can run out of memory happens before the task is queued or is retried
  // after it: once queued it must run, since a sender waits for it and it may refer to the
  // sender's locals.
  // The queue's growth is the one allocation left; memory freed meanwhile by other threads
  // lets it through, so it is retried before the caller is told.
  for (int attempt = 0;; ++attempt) {
    try {
      std::lock_guard lock(state_->mutex);
      state_->tasks.push_back(std::move(task));
      break;
    } catch (const std::bad_alloc&) {
      if (attempt == kWakeUpAttempts) throw;
      std::this_thread::sleep_for(std::chrono::milliseconds(kWakeUpRetryMs));
    }
  }
  state_->wake.notify_all();
  for (int attempt = 0;; ++attempt) {
    try {
      queue_->Post(wakeUp_);
      return;
    } catch (const std::bad_alloc&) {
      // The task still runs with the next wake-up, or when the front end's timer runs the
      // handed-over tasks; meanwhile memory may come back.
      if (attempt == kWakeUpAttempts) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(kWakeUpRetryMs));
    }
  }
}

void GuiBridge::Send(std::function<void()> task) {
  if (IsGuiThread()) {
    task();
    return;
  }
  bool done = false;
  Enqueue(Task{std::move(task), &done});
  std::unique_lock lock(state_->mutex);
  state_->done.wait(lock, [&] { return done; });
}

void GuiBridge::Post(std::function<void()> task) {
  if (queue_ == nullptr) {
    task();
    return;
  }
  Enqueue(Task{std::move(task), nullptr});
}

void GuiBridge::RunOnGui(const std::function<void()>& task) {
  if (IsGuiThread()) {
    task();
  } else {
    Send(task);
  }
}

void GuiBridge::RunPending(State& state) {
  for (;;) {
    Task task;
    {
      std::lock_guard lock(state.mutex);
      if (state.tasks.empty()) return;
      task = std::move(state.tasks.front());
      state.tasks.pop_front();
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
        std::lock_guard lock(state.mutex);
        *task.done = true;
      }
      state.done.notify_all();
    }
  }
}

void GuiBridge::PumpAll() {
  RunPending(*state_);
  if (queue_ != nullptr) queue_->Pump();
}

}  // namespace vpx
