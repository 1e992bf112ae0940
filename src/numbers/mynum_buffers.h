// Buffer limits and allocation shared by the MyNumeric source files.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "numbers/my_numeric.h"

namespace vpx::mynum {

// No buffer of a number is ever longer than this.
constexpr uint32_t kBuffLimit = MyNumeric::kMaxDigits + 2;
// A product of width N needs N + kProductSpare places; more than kProductLimit fails.
constexpr uint32_t kProductSpare = 4;
constexpr uint32_t kProductLimit = kBuffLimit - kProductSpare;
// Above this a product buffer grows by a fixed margin instead of doubling.
constexpr uint32_t kDoublingLimit = MyNumeric::kMaxDigits / 2;
// The places a quotient needs beyond the divisor's digits and the kept digits, and the
// kept digits when those would pass the cap by more than one.
constexpr uint32_t kQuotientSpare = 4;
constexpr uint32_t kQuotientLimit = kBuffLimit - kQuotientSpare;

// Room a number's main buffer keeps beyond its digits when it is made to fit a value (a
// fresh number, a copy, an assignment): a carry fits without a new buffer. A buffer is
// never made shorter than the smallest block the allocator hands out, which costs the same.
// Larger results grow their buffers on demand.
constexpr uint32_t kCompactSpare = 2;
constexpr uint32_t kCompactMinimum = 24;
inline uint32_t CompactSize(uint32_t digits) {
  if (digits > kBuffLimit - kCompactSpare) return kBuffLimit;
  return digits + kCompactSpare < kCompactMinimum ? kCompactMinimum : digits + kCompactSpare;
}

// The main buffer for a run of digits built in one go (a text read, digits set): the
// digits with kRunSpare places to spare, as far as the buffer limit allows, so that a run
// of up to kMaxDigits digits always fits. Callers refuse longer runs as too large.
constexpr uint32_t kRunSpare = 10;
inline uint32_t RunBufferSize(uint32_t digits) {
  return digits > kBuffLimit - kRunSpare ? kBuffLimit : digits + kRunSpare;
}

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
