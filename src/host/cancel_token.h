// CancelToken: a job's cancel request as long loops see it. The job owns the flag (a
// CancelFlag, raised from the control thread); the routines it runs get a token and poll
// IsCancelled(). A token made without a flag is never cancelled.
#pragma once

#include <atomic>
#include <cstdint>

namespace vpx {

using CancelFlag = std::atomic<int32_t>;

class CancelToken {
 public:
  constexpr CancelToken() = default;
  // Implicit so a caller can hand its flag's address straight to a routine.
  constexpr CancelToken(const CancelFlag* flag) : flag_(flag) {}  // NOLINT

  bool IsCancelled() const {
    return flag_ != nullptr && flag_->load(std::memory_order_relaxed) != 0;
  }
  bool HasFlag() const { return flag_ != nullptr; }

 private:
  const CancelFlag* flag_ = nullptr;
};

}  // namespace vpx
