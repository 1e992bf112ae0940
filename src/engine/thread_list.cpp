#include "engine/thread_list.h"

#include <thread>

#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"

namespace vpx {
namespace {

uint32_t Identity(const void* p) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

}  // namespace

CMyThreadList::~CMyThreadList() {
  DestroyAll();
}

int CMyThreadList::AddThreadADRS(IRegisteredWindow* window) {
  if (registered_ >= kCapacity) return 0;
  while (busy_.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
  int result = 0;
  uint32_t freeSlot = kSlotCount;
  bool present = false;
  for (uint32_t i = 0; i < kSlotCount; ++i) {
    if (slots_[i] == window) present = true;
    if (slots_[i] == nullptr && freeSlot == kSlotCount) freeSlot = i;
  }
  if (present) {
    WriteTrace(Format(
        SJ("※　指定のアドレスデータは既に登録されています。CMyThreadList::AddThreadADRS()\n\t"
           "pThread=[%08X]\n")
            .c_str(),
        Identity(window)));
  } else if (freeSlot == kSlotCount) {
    WriteTrace(Format(
        SJ("※　開いているスペースがありません。CMyThreadList::AddThreadADRS()\n\tpThread=[%08X]\n")
            .c_str(),
        Identity(window)));
  } else {
    slots_[freeSlot] = window;
    slotData_[freeSlot] = 0;
    ++registered_;
    result = 1;
  }
  busy_.store(false, std::memory_order_release);
  return result;
}

int CMyThreadList::RemovehreadADRS(IRegisteredWindow* window) {
  for (uint32_t i = 0; i < kSlotCount; ++i) {
    if (window != nullptr && slots_[i] == window) {
      slots_[i] = nullptr;
      slotData_[i] = 0;
      --registered_;
      return 1;
    }
  }
  WriteTrace(Format(SJ("※　指定のアドレスデータは未登録です。CMyThreadList::RemovehreadADRS()"
                       "\n\tpThread=[%08X]\n")
                        .c_str(),
                    Identity(window)));
  return 0;
}

void CMyThreadList::DestroyAll() {
  for (uint32_t i = 0; i < kSlotCount; ++i) {
    IRegisteredWindow* window = slots_[i];
    if (window == nullptr) continue;
    slots_[i] = nullptr;
    slotData_[i] = 0;
    --registered_;
    window->DestroyRegisteredWindow();
  }
}

}  // namespace vpx
