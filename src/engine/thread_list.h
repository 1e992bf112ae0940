// CMyThreadList: the registry of open modeless windows (binary displays) that are destroyed
// together with the engine. At most 50 are registered at once, in 1000 slots.
#pragma once

#include <atomic>
#include <cstdint>

namespace vpx {

// A modeless window the registry can destroy.
class IRegisteredWindow {
 public:
  virtual ~IRegisteredWindow() = default;
  // Closes the window and frees it; the registry forgets it first.
  virtual void DestroyRegisteredWindow() = 0;
};

class CMyThreadList {
 public:
  static constexpr uint32_t kSlotCount = 1000;
  static constexpr uint32_t kCapacity = 50;

  CMyThreadList() = default;
  ~CMyThreadList();
  CMyThreadList(const CMyThreadList&) = delete;
  CMyThreadList& operator=(const CMyThreadList&) = delete;

  // 1 when registered; 0 when full, already present or without a free slot.
  int AddThreadADRS(IRegisteredWindow* window);
  // 1 when the window was registered and is now forgotten, 0 otherwise.
  int RemovehreadADRS(IRegisteredWindow* window);
  // Destroys every registered window (at the engine's end).
  void DestroyAll();
  uint32_t GetRegisteredCount() const { return registered_; }

 private:
  uint32_t registered_ = 0;
  IRegisteredWindow* slots_[kSlotCount] = {};
  uint32_t slotData_[kSlotCount] = {};
  std::atomic<bool> busy_{false};
};

}  // namespace vpx
