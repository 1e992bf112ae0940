#include "engine/named_lock.h"

#include <cassert>
#include <chrono>
#include <utility>

namespace vpx {
namespace {

constexpr auto kWaitSlice = std::chrono::milliseconds(100);

// The lock this thread holds under the one-lock rule, and how often.
struct HeldByThread {
  const NamedLock* lock = nullptr;
  int depth = 0;
};
thread_local HeldByThread t_held;

}  // namespace

NamedLock::NamedLock(GuiBridge& bridge, std::string name)
    : bridge_(bridge), name_(std::move(name)) {}

bool NamedLock::Acquire() {
  assert((t_held.lock == nullptr || t_held.lock == this) &&
         "a thread holds two of the engine's locks");
  if (!Take()) return false;
  t_held.lock = this;
  ++t_held.depth;
  return true;
}

void NamedLock::Release() {
  assert(t_held.lock == this && t_held.depth > 0);
  if (--t_held.depth == 0) t_held.lock = nullptr;
  Give();
}

void NamedLock::ReleaseAbandoned() {
  while (t_held.lock != nullptr) const_cast<NamedLock*>(t_held.lock)->Release();
}

bool NamedLock::AcquireHold() {
  return Take();
}

void NamedLock::ReleaseHold() {
  Give();
}

bool NamedLock::Take() {
  const std::thread::id self = std::this_thread::get_id();
  const bool gui = bridge_.IsGuiThread();
  std::unique_lock lock(bridge_.Mutex());
  for (;;) {
    if (closed_) return false;
    if (depth_ == 0 || owner_ == self) {
      owner_ = self;
      ++depth_;
      return true;
    }
    bridge_.WakeUp().wait_for(lock, kWaitSlice, [&] {
      return closed_ || depth_ == 0 || (gui && bridge_.HasPendingLocked());
    });
    if (gui && !closed_ && depth_ != 0) {
      // Keep the GUI thread's work going while it waits, as a message loop would.
      lock.unlock();
      bridge_.PumpAll();
      lock.lock();
    }
  }
}

void NamedLock::Give() {
  {
    std::lock_guard lock(bridge_.Mutex());
    assert(depth_ > 0 && owner_ == std::this_thread::get_id());
    if (depth_ == 0) return;
    if (--depth_ == 0) owner_ = std::thread::id();
  }
  bridge_.WakeUp().notify_all();
}

void NamedLock::Close() {
  {
    std::lock_guard lock(bridge_.Mutex());
    closed_ = true;
  }
  bridge_.WakeUp().notify_all();
}

bool NamedLock::IsOwnedByCurrentThread() const {
  std::lock_guard lock(bridge_.Mutex());
  return depth_ > 0 && owner_ == std::this_thread::get_id();
}

}  // namespace vpx
