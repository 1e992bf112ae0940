// Fuzzes the shortcut list file reader: any bytes are read or refused without a crash; a
// refusal names a line inside the text and hands out no record; a text read is written back
// to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/list_file.h"
#include "host/trace_log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool traced = (vpx::InitTraceLog("/dev/null"), true);
  (void)traced;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<vpx::CMyFuncResult> records(1);
  vpx::ListFileError error;
  if (!vpx::ParseListFile(text, records, error)) {
    if (records.size() != 1 || error.reason.empty()) std::abort();
    size_t lines = 1;
    for (char c : text) lines += c == '\n' ? 1 : 0;
    if (error.line > lines) std::abort();
    return 0;
  }
  std::string again;
  if (!vpx::FormatListFile(records, again)) std::abort();
  std::vector<vpx::CMyFuncResult> back;
  if (!vpx::ParseListFile(again, back, error) || back.size() != records.size()) std::abort();
  return 0;
}
