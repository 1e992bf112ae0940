// Fuzzes the keyword matcher: the input is a keyword, a NUL byte and a target. Every search
// must end, and a match must lie inside the target.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/trace_log.h"
#include "language/my_reg_exp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool traceOff = (vpx::InitTraceLog("/dev/null"), true);
  (void)traceOff;
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  if (split == std::string::npos) return 0;
  vpx::CMyRegExp matcher;
  matcher.SetKeyword(input.substr(0, split));
  matcher.SetTarget(input.substr(split + 1));
  const int targetLength = static_cast<int>(size - split - 1);
  // Search from the start and from every match onward, as the parser does.
  for (int start = 0, rounds = 0; start <= targetLength && rounds < 64; ++rounds) {
    int length = -1;
    const int pos = matcher.SearchKey(start, &length);
    if (pos == -1) {
      if (length != 0) std::abort();
      break;
    }
    if (pos < start || length < 0 || pos + length > targetLength) std::abort();
    start = pos + 1;
  }
  return 0;
}
