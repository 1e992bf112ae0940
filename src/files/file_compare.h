// Comparing two files byte by byte: where they first differ, how many bytes differ, and
// their sizes; both are read in step, in pieces, and neither is written.
#pragma once

#include <cstdint>
#include <string>

#include "files/file_result.h"
#include "host/cancel_token.h"
#include "host/job_progress.h"

namespace vpx {

struct FileComparison {
  int64_t firstDifference = -1;  // offset of the first differing byte; -1 when equal
  int64_t differingBytes = 0;    // differing bytes of the common length, plus the bytes
                                 // only the longer file has
  int64_t sizeA = 0;
  int64_t sizeB = 0;
  bool Equal() const { return firstDifference < 0; }
};

// Compares a with b. progress, when given, is started with the common length.
FileResult<FileComparison> CompareFiles(const std::string& a, const std::string& b,
                                        CancelToken cancel = {}, JobProgress* progress = nullptr);

// "最初の相違 [0x1F40]　相違 12 Byte　サイズ 8,192 / 8,200 Byte" (the sizes only when they
// differ), or "一致しました。サイズ 8,192 Byte" for equal files.
std::string ComparisonText(const FileComparison& comparison);

}  // namespace vpx
