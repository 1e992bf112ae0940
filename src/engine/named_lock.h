// NamedLock: one of the engine's four process-local re-entrant locks (list, starting queue,
// ended queue, control thread). Acquisition waits without a time-out in 100 ms slices; a
// waiting GUI thread keeps running the tasks handed to it. No thread holds two of them at
// once (asserted in debug builds), except the user's hold of the list.
#pragma once

#include <string>
#include <thread>

#include "engine/gui_bridge.h"

namespace vpx {

class NamedLock {
 public:
  NamedLock(GuiBridge& bridge, std::string name);
  NamedLock(const NamedLock&) = delete;
  NamedLock& operator=(const NamedLock&) = delete;

  // Waits until the lock is had (at once for its owner). False once the lock is closed.
  bool Acquire();
  void Release();
  // The user's hold of the list: the same lock, taken by the GUI thread outside the
  // one-lock rule, released only by ReleaseHold.
  bool AcquireHold();
  void ReleaseHold();
  // From now on every acquisition fails; wakes the waiters.
  void Close();

  bool IsOwnedByCurrentThread() const;
  // Gives back whatever this thread still holds through Acquire: work abandoned between
  // an acquisition and its release (memory ran out) must not keep the lock.
  static void ReleaseAbandoned();
  const std::string& GetName() const { return name_; }

 private:
  bool Take();
  void Give();

  GuiBridge& bridge_;
  const std::string name_;
  // Guarded by the bridge's mutex.
  std::thread::id owner_;
  int depth_ = 0;
  bool closed_ = false;
};

// Holds a lock for one scope and releases it on every path out. Owner is anything with a
// bool-returning take and a void give (a NamedLock, or the engine's list lock); with
// take == false the caller already holds the lock and the guard only passes through.
template <class Owner, bool (Owner::*Take)(), void (Owner::*Give)()>
class ScopedLock {
 public:
  explicit ScopedLock(Owner& owner, bool take = true)
      : owner_(owner), held_(take && (owner.*Take)()), ok_(!take || held_) {}
  ~ScopedLock() { Release(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

  // False when the lock was wanted but could not be had.
  bool Ok() const { return ok_; }
  // Gives the lock back early (before a message that must not wait on it).
  void Release() {
    if (held_) (owner_.*Give)();
    held_ = false;
  }

 private:
  Owner& owner_;
  bool held_;
  bool ok_;
};

using NamedLockGuard = ScopedLock<NamedLock, &NamedLock::Acquire, &NamedLock::Release>;

}  // namespace vpx
