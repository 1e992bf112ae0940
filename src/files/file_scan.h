// FileScan: reads a user's file from front to back (or back to front) in pieces for the
// routines that only look at it (hashes, searches, comparison): one way to open it with
// the checksums' refusals, to poll the job's cancel flag, to count progress, and to notice
// a file that changes size while it is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "files/file_io.h"
#include "files/file_result.h"
#include "host/cancel_token.h"
#include "host/job_progress.h"

namespace vpx {

// Bytes read per call: small enough to stay in the CPU cache while they are looked at.
constexpr size_t kScanPiece = 512u << 10;

// A user's regular file opened read-only, with its size when it was opened.
struct ScanFile {
  std::string name;
  UniqueFd fd;
  int64_t size = 0;
};

// Opens file for reading: "※　ファイル名がありません。" without a name,
// "※　ファイルが存在しません。" when nothing has that name, the opener's refusal for a
// pipe, a device or a folder, "※　ファイルオープンに失敗。[ name ]" otherwise.
FileResult<ScanFile> OpenScanFile(const std::string& file);

// Looks at bytes [offset, offset + count) of a file; returns false to stop reading.
using ScanVisitor = std::function<bool(const uint8_t* bytes, size_t count, int64_t offset)>;

struct ScanOptions {
  int64_t start = 0;      // first byte read
  int64_t end = -1;       // one past the last byte read; -1 for the size at opening
  bool backward = false;  // pieces from the end towards start (each piece front to back)
  CancelToken cancel;
  JobProgress* progress = nullptr;  // advanced by every byte read (not started here)
};

// Reads the pieces of [start, end) and hands each to visit, until visit returns false or
// the range is read. Fails when cancelled ("※　中断しました。"), when a read fails, or
// when the file turns out to have another size than at opening ("※　処理中にファイルの
// サイズが変わりました。[ name ]"). Returns the number of bytes handed to visit.
FileResult<int64_t> ScanFileRange(ScanFile& file, const ScanOptions& options,
                                  const ScanVisitor& visit);

// The size-changed failure for file.
FileError SizeChangedError(const std::string& file);
// The cancelled failure.
FileError CancelledError();

}  // namespace vpx
