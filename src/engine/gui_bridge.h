// GuiBridge: how the control thread and the worker threads reach the GUI thread. Tasks are
// handed over in order and run either when the front end pumps its GUI queue or when the
// GUI thread waits for one of the engine's locks, so a waiting GUI thread never blocks a
// thread that needs it.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "host/ui_host.h"

namespace vpx {

class GuiBridge {
 public:
  explicit GuiBridge(IGuiQueue* queue);
  GuiBridge(const GuiBridge&) = delete;
  GuiBridge& operator=(const GuiBridge&) = delete;

  // True on the GUI thread (always true without a queue).
  bool IsGuiThread() const;
  // Runs task on the GUI thread and waits until it has run; at once on the GUI thread.
  void Send(std::function<void()> task);
  // Runs task later on the GUI thread, after every task handed over before it.
  void Post(std::function<void()> task);
  // Runs task here on the GUI thread, otherwise as Send does.
  void RunOnGui(const std::function<void()>& task);
  // GUI thread: runs the handed-over tasks, then the front end's pending tasks.
  void PumpAll();
  // GUI thread: runs the handed-over tasks only.
  void RunHandedOver() { RunPending(*state_); }

  // The named locks wait on the bridge's mutex and wake-up, which a handed-over task also
  // signals, so a GUI thread waiting for a lock runs it without delay.
  std::mutex& Mutex() { return state_->mutex; }
  std::condition_variable& WakeUp() { return state_->wake; }
  // Called with Mutex() held: whether tasks wait for the GUI thread.
  bool HasPendingLocked() const { return !state_->tasks.empty(); }

 private:
  struct Task {
    std::function<void()> run;
    bool* done = nullptr;  // set for a sent task, whose sender waits on it
  };
  struct State {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done;
    std::deque<Task> tasks;
  };
  static void RunPending(State& state);
  void Enqueue(Task task);

  IGuiQueue* queue_;
  // Shared with the pump tasks posted to the front end's queue, which may run after the
  // engine is gone.
  std::shared_ptr<State> state_;
  // The front end's wake-up task, made once so that handing over needs no allocation of it.
  std::function<void()> wakeUp_;
};

}  // namespace vpx
