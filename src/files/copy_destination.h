// The destination of a section copy: where the bytes go while the copy runs, and how the
// destination becomes the copy (or stays as it was) at the end. Three ways, chosen per
// destination so that nothing about an existing file but its contents changes:
//  - replace: a new file, or a file whose owner, group, mode and extended attributes the
//    copy can give a new file, with one link, in a folder the user may write: the bytes go
//    to a nameless (else ".vpx-copy.*.tmp") file beside it that is renamed over it only
//    when complete. A failure, cancel or kill leaves the old file untouched.
//  - in place: hard links, another owner, attributes the copier cannot set, or a read-only
//    folder: the old contents are first saved to a nameless file, then the bytes are
//    written into the file itself; a failure or cancel writes the old contents back. A
//    kill during the write can leave it mixed. A source that is the destination itself
//    is read from the saved old contents (SourceFd), never from the bytes being written.
//  - device: a character device is written into directly; nothing can be undone.
// An existing file is held under the appenders' exclusive lock from Open until the copy
// is committed or abandoned: an append waits, then goes to the file the name names.
// Symbolic links are followed, never replaced; a file the user cannot open for writing
// is refused as a plain open would refuse it.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "files/file_io.h"
#include "files/file_result.h"

namespace vpx {

class CopyDestination {
 public:
  enum class Way { kNone, kReplace, kInPlace, kDevice };

  CopyDestination() = default;
  ~CopyDestination();
  CopyDestination(const CopyDestination&) = delete;
  CopyDestination& operator=(const CopyDestination&) = delete;

  // Prepares the destination for a copy of length bytes (a Shift-JIS name); after a
  // failure nothing has been changed.
  FileResult<void> Open(const std::string& name, int64_t length);
  // Where the bytes go, from offset 0.
  int Fd() const { return target_.Get(); }
  // The descriptor to read a source opened as sourceFd from: the saved old contents when
  // the source is the file written in place, else sourceFd itself.
  int SourceFd(int sourceFd) const;
  Way GetWay() const { return way_; }
  // Makes the written bytes the destination's contents; after a failure the destination
  // is as it was, or the failure says it could not be put back.
  FileResult<void> Commit(int64_t length);
  // Undoes the copy after a failure or a cancel. Fails only when the old contents could
  // not be put back, with the text that says so.
  FileResult<void> Abandon();

 private:
  // existingFd and existing describe the file replaced, -1 and null for a new one.
  bool PrepareReplace(int existingFd, const struct stat* existing);
  FileResult<void> PrepareInPlace(UniqueFd destination, const struct stat& existing,
                                  int64_t length);
  bool LinkTemp();
  void RemoveTemp();

  Way way_ = Way::kNone;
  std::string name_;     // Shift-JIS, for messages
  std::string osFinal_;  // the path the copy replaces, symbolic links followed
  bool replacesExisting_ = false;
  UniqueFd target_;         // temporary file, the destination itself or the device
  std::string osTemp_;      // name of a named temporary file, empty while nameless
  bool tempNamed_ = false;  // the temporary file was created with a name
  UniqueFd replaced_;       // replace: the existing file, held locked until the end
  UniqueFd backup_;         // in place: the old contents
  int64_t oldSize_ = 0;
  dev_t device_ = 0;  // in place: the file written
  ino_t inode_ = 0;
};

// The path osName finally names, its symbolic links followed (the last one may dangle).
std::string FollowSymbolicLinks(const std::string& osName);

}  // namespace vpx
