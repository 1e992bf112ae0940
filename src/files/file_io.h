// Descriptor I/O shared by the file commands: an owned descriptor, opening a Shift-JIS
// name, whole reads and writes that loop over short transfers, and the text for a failed
// open. Sizes and offsets are 64-bit.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace vpx {

// The Japanese text for the errno of a failed open.
std::string OpenErrorText(int errorCode);
// The Japanese reason for the errno of any other failed file operation (a write, a copy,
// a rename): OpenErrorText's text where an open can fail the same way, else its own.
std::string FileErrorText(int errorCode);

// An owned file descriptor, closed on destruction.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd();
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int Get() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }
  int Release();
  // Closes now; false when close reports a failure (a write that did not reach the disk).
  bool Close();

 private:
  int fd_ = -1;
};

// Opens a Shift-JIS name with open(2) flags; on failure the descriptor is closed and
// *errorCode holds the errno (ENOENT for a name without an OS form).
UniqueFd OpenFile(const std::string& name, int flags, mode_t mode = 0666, int* errorCode = nullptr);
// Reads up to count bytes at offset (or at the file position when offset < 0), looping
// over short reads; stops at the end of the file or an error. Returns the bytes read.
int64_t ReadFull(int fd, void* buffer, size_t count, int64_t offset = -1);
// Writes count bytes at offset (or at the file position when offset < 0), looping over
// short writes; stops at an error. Returns the bytes written.
int64_t WriteFull(int fd, const void* buffer, size_t count, int64_t offset = -1);
// Makes writes past the file-size limit fail with EFBIG instead of ending the process.
void IgnoreFileSizeSignal();

}  // namespace vpx
