// Limits on one console line, shared by the engine that takes an entered line and the
// terminal that reads lines for it.
#pragma once

#include <cstddef>

namespace vpx {

// Bytes of Shift-JIS the console takes from one entered line.
constexpr size_t kLineLimit = 99'999;

}  // namespace vpx
