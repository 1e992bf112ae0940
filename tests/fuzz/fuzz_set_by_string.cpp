// Fuzzes number reading: any text must be read or refused without a crash, and a number
// that was read must render.
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/trace_log.h"
#include "numbers/my_numeric.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool traceOff = (vpx::InitTraceLog("/dev/null"), true);
  (void)traceOff;
  if (size == 0) return 0;
  vpx::MyNumeric number;
  if (number.SetByString(reinterpret_cast<const char*>(data), static_cast<int>(size)) ==
      vpx::NumStatus::kOk) {
    std::string text;
    number.GetDataAsStr(&text);
  }
  return 0;
}
