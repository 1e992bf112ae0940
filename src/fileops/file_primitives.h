// The small file, drive, text, clipboard and dialog routines every file command stands on.
// They never talk to the console: they return a value and, where a failure is internal,
// append a text to the trace log. Names are Shift-JIS; sizes and offsets are 64-bit.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace vpx {

class IClipboard;
class IDialogs;

// Size of a missing file or an unknown size.
constexpr int64_t kUnknownSize = -1;

// --- file and drive queries ---

// Directory of the running executable, without a trailing separator. 0, or -1 when out is
// missing or the path cannot be had.
int GetModuleDir(std::string* out);
// 1 when name (a path whose last part may hold the wildcards * and ?, the first hit in the
// directory counts) is found and is a directory exactly when wantDirectory is true.
int IxExistFile(const std::string& name, bool wantDirectory);
// Size of an existing file, or kUnknownSize.
int64_t QueryFileSize(const std::string& name);
// Bytes available to the caller and total bytes of the file system holding path (for a
// path that does not exist yet, of its nearest existing folder); 0 when it cannot be found.
int64_t GetDriveFreeSize(const std::string& path);
int64_t GetDriveTotalSize(const std::string& path);

// --- file changes ---

// Cuts an existing file to newSize or extends it (the file system supplies the content).
// 0 when the name is empty, the file is missing or cannot be opened; 1 once it was opened:
// callers check the resulting size.
int ResizeFile(const std::string& name, int64_t newSize);
// Reverses count bytes in place; 0 when bytes is missing.
int ReverseBinaryArray(uint8_t* bytes, uint32_t count);

// --- texts ---

// The Japanese text for the errno of a failed open.
std::string OpenErrorText(int errorCode);
// a + b, held at the int64 limits instead of overflowing.
int64_t SaturatingAdd(int64_t a, int64_t b);

// "1234567" -> "1,234,567"; texts that would reach 1000 characters stay unchanged.
std::string InsertThousandsSeparators(const std::string& text);
// InsertThousandsSeparators of the decimal form of n.
std::string FormatByteCount(int64_t n);

// --- dialogs and clipboard ---

// Folder chooser titled "フォルダを選択してください": 1 with the chosen path in out, 2 when
// cancelled or without dialogs.
int ChooseFolder(IDialogs* dialogs, const std::string& initialPath, std::string* out);
// 0 only when the clipboard could not be emptied; otherwise 1 (also when it refuses).
int SetStrToClipBoard(const std::string& text, IClipboard* clipboard);
// 1 with the clipboard's text; 0 with an empty out when it holds none.
int GetStrFromClipBoard(std::string* out, IClipboard* clipboard);

// --- low-level file access shared by the file commands ---

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
