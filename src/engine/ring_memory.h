// CGRingMemT: a fixed-capacity ring that overwrites its oldest element when full. The input
// history keeps the last 16 executed lines in one; element 0 read back is the newest.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "host/sjis.h"
#include "host/trace_log.h"

namespace vpx {

template <typename T>
class CGRingMemT {
 public:
  // capacity is rounded up to a power of two; without memory the ring stays empty and
  // reports the missing buffer on use.
  explicit CGRingMemT(uint32_t capacity) {
    uint32_t size = 1;
    while (size < capacity && size < (1u << 30)) size <<= 1;
    slots_.reset(new (std::nothrow) T[size]);
    if (slots_) {
      capacity_ = size;
      mask_ = size - 1;
    }
  }

  // Stores item as the newest element; count - 1 afterwards, -1 without a buffer.
  int PushNewDataToRing(const T& item) {
    if (!slots_) {
      WriteTrace(SJ("※　バッファが存在しません。CGRingMemT::PushNewDataToRing()\n"));
      return -1;
    }
    if (count_ == 0) {
      newest_ = 0;
      oldest_ = 0;
      count_ = 1;
    } else if (count_ < capacity_) {
      newest_ = newest_ + 1;
      ++count_;
    } else {
      newest_ = (newest_ + 1) & mask_;
      oldest_ = (oldest_ + 1) & mask_;
    }
    slots_[newest_] = item;
    return static_cast<int>(count_) - 1;
  }

  // The i-th newest element (0 the newest; beyond the oldest gives the oldest); an empty
  // element when the ring is empty or has no buffer.
  T GetFromOldData(uint32_t i) const {
    if (!slots_ || count_ == 0) {
      WriteTrace(SJ("※　データがありません。CGRingMemT::GetFromOldData()\n"));
      return T();
    }
    uint32_t back = i < count_ - 1 ? i : count_ - 1;
    return slots_[(newest_ - back) & mask_];
  }

  uint32_t GetCount() const { return count_; }
  uint32_t GetCapacity() const { return capacity_; }

 private:
  uint32_t capacity_ = 0;
  uint32_t count_ = 0;
  uint32_t oldest_ = 0;
  uint32_t newest_ = 0;
  uint32_t mask_ = 0;
  std::unique_ptr<T[]> slots_;
};

}  // namespace vpx
