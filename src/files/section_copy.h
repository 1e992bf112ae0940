// Copying byte ranges between files: the piece-wise range copy shared by the copy and
// append commands (the kernel copies where it can), the section copy routine that
// replaces its destination only once every byte arrived, and the range rules of the
// section copy and dump commands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/file_io.h"
#include "files/file_result.h"
#include "files/user_file.h"
#include "host/byte_range.h"
#include "host/cancel_token.h"
#include "host/job_progress.h"

namespace vpx {

// --- piece-wise range copy ---

struct RangeCopyOutcome {
  int64_t read = 0;     // bytes taken from the source
  int64_t written = 0;  // bytes that reached the destination
  bool cancelled = false;
  bool failed = false;    // a piece moved fewer bytes than asked
  bool noBuffer = false;  // the read/write fallback could not get its buffer
  int error = 0;          // errno of the read or write that failed, 0 for a short source
};

// Copies length bytes from src at srcOffset to dst at dstOffset, or at dst's file
// position when dstOffset < 0 (an O_APPEND descriptor: its end). Pieces: a first one of
// length mod pieceSize bytes (a whole piece when that is 0), then whole pieces; the
// cancel flag is looked at before each. Uses copy_file_range, falling back to read/write
// through one buffer of pieceSize bytes where the kernel refuses. progress, when given,
// advances by every byte written.
RangeCopyOutcome CopyFileRange(int src, int64_t srcOffset, int dst, int64_t dstOffset,
                               int64_t length, size_t pieceSize, CancelToken cancel,
                               JobProgress* progress = nullptr);

// --- section copy routine ---

constexpr uint32_t kCopyDefaultBuffer = 16u << 20;
constexpr uint32_t kCopyMaxBuffer = 32u << 20;

struct CopyRequest {
  std::string destination;  // Shift-JIS names
  std::string source;
  int64_t start = 0;
  int64_t length = 0;
  uint32_t bufferSize = 0;  // 0: the default
  CancelToken cancel;
  JobProgress* progress = nullptr;  // started with length, advanced as bytes are written
};

// Copies length bytes of the source from start into the destination (see
// CopyDestination for how an existing one keeps everything but its contents). Returns
// the bytes now in the destination (length). After a failure or a cancel no temporary
// file is left and the destination is as it was, unless it is a device or could not be
// put back, which the failure then says.
FileResult<int64_t> CopyFileSect(const CopyRequest& request);
// The same from a source the caller opened (FileUse::kRead) and took the range from.
FileResult<int64_t> CopyFileSect(const CopyRequest& request, const UserFile& source);

// "※　コピー元ファイルをオープンできません。[ name ]", or the destination's text.
std::string CopyOpenFailureText(const std::string& name, bool source);

// The copy of an empty range: empties an existing destination (a device takes no bytes,
// a missing one is not created).
FileResult<void> EmptyCopyDestination(const std::string& destination);

// Copies the whole of each source, one after another, into the destination (see
// CopyDestination) and makes it the destination's contents when every byte arrived.
// Returns the destination's new size; after a failure or a cancel the destination is as
// it was, or the failure says it could not be put back.
FileResult<int64_t> CombineFilesInto(const std::string& destination,
                                     const std::vector<std::string>& sources, CancelToken cancel,
                                     JobProgress* progress = nullptr);

// --- range rules ---

// How a dump names its bytes: the whole file; a first and a last byte, swapped when
// reversed; or a start and a length, a negative one counting back from start.
enum class DumpSpan { kWholeFile, kFirstToLast, kStartAndLength };

ByteRange DumpRange(DumpSpan span, int64_t size, int64_t first, int64_t second);
// CopyFileSect job: swaps a reversed pair; start = end = 0 or a negative end mean "to
// the last byte". No bound is put on the end.
ByteRange CopySectRange(int64_t start, int64_t end, int64_t size);
// CopyFileSectR job: start and a nonzero length (negative counts back from start),
// swapped when reversed and cut to the file.
ByteRange CopySectRRange(int64_t start, int64_t length, int64_t size);

}  // namespace vpx
