// ByteRange: a run of a file's bytes as its first and last (inclusive) offsets, the one
// range type of the file commands and the binary display. Made from an inclusive pair or
// from a start and a length; a pair typed by the user may come reversed (Ordered swaps it).
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace vpx {

// a + b, held at the int64 limits instead of overflowing.
inline int64_t SaturatingAdd(int64_t a, int64_t b) {
  int64_t sum;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

struct ByteRange {
  int64_t first = 0;
  int64_t last = -1;  // inclusive; below first for an empty or a reversed range

  static constexpr ByteRange FromFirstLast(int64_t first, int64_t last) { return {first, last}; }
  // length bytes from start; 0 gives an empty range. Held at the int64 limits.
  static constexpr ByteRange FromStartLength(int64_t start, int64_t length) {
    return {start, Clamp(static_cast<__int128>(start) + length - 1)};
  }

  // last - first + 1, held at the int64 limits: 0 or less for an empty or reversed range.
  constexpr int64_t Length() const { return Clamp(static_cast<__int128>(last) - first + 1); }
  // One past the last byte.
  constexpr int64_t End() const { return Clamp(static_cast<__int128>(last) + 1); }
  constexpr ByteRange Ordered() const { return first <= last ? *this : ByteRange{last, first}; }
  constexpr bool operator==(const ByteRange&) const = default;

 private:
  static constexpr int64_t Clamp(__int128 v) {
    return static_cast<int64_t>(std::clamp<__int128>(v, std::numeric_limits<int64_t>::min(),
                                                     std::numeric_limits<int64_t>::max()));
  }
};

}  // namespace vpx
