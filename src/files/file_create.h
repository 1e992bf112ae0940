// Creating files of a given size (sparse or zero-filled), appending one file to another,
// and overwriting a byte range with zeros. Plain routines: the commands around them print
// or report the texts these return.
#pragma once

#include <cstdint>
#include <string>

#include "files/file_result.h"
#include "files/user_file.h"
#include "host/cancel_token.h"
#include "host/job_progress.h"

namespace vpx {

constexpr uint32_t kClearBuffer = 4u << 20;
constexpr uint32_t kZeroFileBuffer = 8u << 20;
constexpr uint32_t kAppendBuffer = 8u << 20;

// Overwrites bytes start..end (inclusive) of an existing file with zeros. A negative start
// is 0; an end <= 0 or past the file is its last byte; a reversed pair is swapped. A short
// write is also traced.
FileResult<void> ZeroFileRange(const std::string& file, int64_t start, int64_t end,
                               CancelToken cancel = {});
// The same on a file opened for FileUse::kModify; the range is taken from the
// descriptor's size, and a file cut meanwhile is not extended.
FileResult<void> ZeroFileRange(const UserFile& file, int64_t start, int64_t end,
                               CancelToken cancel = {});

// Appends the whole source to the destination; returns the destination's size afterwards.
// progress counts the bytes appended.
FileResult<int64_t> AppendFileContents(const std::string& destination, const std::string& source,
                                       CancelToken cancel, JobProgress* progress = nullptr);

// How a wait for the append lock ended.
enum class AppendLock { kHeld, kCancelled, kBusy };
constexpr int kWaitUntilCancelled = -1;
// Takes the exclusive advisory lock every appender of this program holds for its whole
// append, so two appends to one file never interleave. Waits until the lock is free, the
// cancel flag is set, or waitLimitMs have passed (when not kWaitUntilCancelled).
AppendLock LockForAppend(int fd, CancelToken cancel, int waitLimitMs = kWaitUntilCancelled);
// Takes the append lock on an opened file; when its name was given to another file while
// this waited (a copy replaced it), opens that file with openFlags and locks it instead,
// so the bytes go to the file the name names once the lock is held.
AppendLock LockNamedFileForAppend(UserFile& file, int openFlags, CancelToken cancel,
                                  int waitLimitMs = kWaitUntilCancelled);

// Creates a new file of size zero bytes with allocated blocks (fallocate in pieces where
// the file system supports it, else written zeros); Done names the file. A failed or
// cancelled creation removes the file it made. progress counts the bytes reserved or
// written.
FileResult<Done> CreateZeroFile(const std::string& file, int64_t size, CancelToken cancel,
                                JobProgress* progress = nullptr);

// MakeFile: creates a new file and sets its length on the new descriptor without writing
// (the file system supplies the content); Done names the file. A failure removes the file
// it made.
FileResult<Done> MakeSizedFile(const std::string& file, int64_t size);

// The text refusing a size that the file system holding file has no room for, or empty
// when there is room (a size equal to the free space is refused).
std::string CheckFreeSpace(const std::string& file, int64_t size);

}  // namespace vpx
