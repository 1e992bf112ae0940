// The one place that decides how a file named by the user is opened: without blocking
// (a named pipe or a terminal never stalls the open), by its literal name (no wildcard),
// and only when the descriptor turns out to be a kind of file the command may use. The
// opened file is a UserFile: a command checks, reads and writes through that one handle
// and takes every size from its descriptor, so a file swapped or cut under its name
// between a check and a write is never written past what the check saw.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <utility>

#include "files/file_io.h"
#include "files/file_primitives.h"

namespace vpx {

// What a command does with the file; it decides the open mode and the accepted kinds.
enum class FileUse {
  kRead,         // contents read: regular files, opened read-only
  kModify,       // contents changed in place: regular files, opened read-write
  kWriteTarget,  // bytes written into it: regular files and character devices, read-write
};

// Why a user's file could not be opened.
struct FileOpenError {
  int error = 0;           // errno of the failed open; 0 when the kind was refused
  mode_t refusedKind = 0;  // S_IFDIR, S_IFIFO, S_IFSOCK, S_IFCHR or S_IFBLK when refused
};

// A user's file opened once: the descriptor, its status when opened, and the name it was
// opened by (for messages).
class UserFile {
 public:
  UserFile() = default;
  UserFile(UniqueFd fd, const struct stat& status, std::string name)
      : fd_(std::move(fd)), status_(status), name_(std::move(name)) {}

  bool IsOpen() const { return fd_.IsOpen(); }
  int Fd() const { return fd_.Get(); }
  const std::string& Name() const { return name_; }
  // The status fstat gave when the file was opened.
  const struct stat& Status() const { return status_; }
  bool IsRegular() const { return S_ISREG(status_.st_mode); }
  bool IsDevice() const { return S_ISCHR(status_.st_mode); }
  // The size now, from the descriptor; kUnknownSize when fstat fails.
  int64_t Size() const;
  // Closes now; false when close reports a failure (a write that did not reach the disk).
  bool Close() { return fd_.Close(); }
  // Hands the descriptor over; the handle is closed afterwards.
  UniqueFd TakeFd() { return std::move(fd_); }

 private:
  UniqueFd fd_;
  struct stat status_ = {};
  std::string name_;
};

// Opens name for use (plus extra flags such as O_CREAT or O_APPEND) with O_NONBLOCK and
// O_NOCTTY, checks the kind with fstat on the descriptor, then clears O_NONBLOCK. Kinds
// the use does not accept are not opened at all where stat already shows them.
UserFile OpenUserFile(const std::string& name, FileUse use, int extraFlags = 0,
                      FileOpenError* error = nullptr);

// Size of an existing regular file read by its literal name, or kUnknownSize with the
// reason in error (a pipe, an unreadable file, a name with a wildcard that is no file).
// For a look before a command starts; the command itself opens a UserFile.
int64_t QueryUserFileSize(const std::string& name, FileOpenError* error = nullptr);

// True when name, taken literally and followed through symbolic links, exists.
bool UserPathExists(const std::string& name);

// "※　通常のファイルではありません（名前付きパイプ）。[ name ]" for a refused kind.
std::string RefusedKindText(const std::string& name, mode_t kind);
// The refused-kind text, or commandText when the open failed for another reason.
std::string OpenFailureText(const FileOpenError& error, const std::string& name,
                            const std::string& commandText);
// The refused-kind text, or OpenErrorText of the errno.
std::string OpenFailureText(const FileOpenError& error, const std::string& name);

}  // namespace vpx
