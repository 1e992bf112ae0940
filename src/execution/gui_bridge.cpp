#include "execution/gui_bridge.h"

#include <utility>

namespace vpx {

GuiBridge::GuiBridge(IGuiQueue* queue) : queue_(queue), state_(std::make_shared<State>()) {}

bool GuiBridge::IsGuiThread() const {
  return queue_ == nullptr || queue_->IsGuiThread();
}

void GuiBridge::Enqueue(Task task) {
  {
    std::lock_guard lock(state_->mutex);
    state_->tasks.push_back(std::move(task));
  }
  state_->wake.notify_all();
  std::weak_ptr<State> weak = state_;
  queue_->Post([weak] {
    if (auto state = weak.lock()) RunPending(*state);
  });
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
    task.run();
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
