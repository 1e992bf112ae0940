// Buffer limits and allocation shared by the MyNumeric source files.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace vpx::mynum {

// No buffer of a number is ever longer than this.
constexpr uint32_t kBuffLimit = 100'000'002;

// A buffer of n bytes, zero-filled on request. Throws std::bad_alloc.
inline std::unique_ptr<uint8_t[]> AllocateBuffer(uint32_t n, bool zeroFill) {
  return zeroFill ? std::make_unique<uint8_t[]>(n) : std::make_unique_for_overwrite<uint8_t[]>(n);
}

// The process-wide default result size of new numbers (shared by all threads).
inline std::atomic<uint32_t>& DefaultResultSize() {
  static std::atomic<uint32_t> size{100};
  return size;
}

}  // namespace vpx::mynum
