#include "files/file_create.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>

#include "files/drive_space.h"
#include "files/file_io.h"
#include "files/file_primitives.h"
#include "files/section_copy.h"
#include "files/user_file.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"

namespace vpx {
namespace {

// Pieces reserved per fallocate call; small enough for a prompt cancel on file systems
// where reserving means zeroing memory.
constexpr int64_t kReservePiece = 64ll << 20;
// How often a waiting appender tries the lock again.
constexpr int kLockPollMs = 20;

template <class T>
FileResult<T> Fail(FileFailure kind, std::string text) {
  return FileResult<T>::Fail(kind, std::move(text));
}

std::unique_ptr<uint8_t[]> AllocateZeros(size_t size) {
  try {
    return std::unique_ptr<uint8_t[]>(new uint8_t[size]());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::string ExistsText(const std::string& file) {
  return Format(SJ("※　ファイル[ %s ]は既に存在します。").c_str(), file.c_str());
}

std::string SizeMismatchText(int64_t madeSize, int64_t size) {
  return Format(
      SJ("※　ファイルサイズの設定に失敗しました。 NewFileSize[%lld] / NeedFileSize[%lld]").c_str(),
      static_cast<long long>(madeSize), static_cast<long long>(size));
}

int64_t DescriptorSize(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : kUnknownSize;
}

// A file a command has just created (O_EXCL): removed again when the command fails, and
// only while its name still names that file.
class CreatedFile {
 public:
  CreatedFile(const std::string& name, int fd) {
    known_ = ToOsPath(name, osName_) && fstat(fd, &made_) == 0;
  }
  template <class T>
  FileResult<T> Remove(FileResult<T> failure) {
    struct stat now;
    if (known_ && stat(osName_.c_str(), &now) == 0 && now.st_dev == made_.st_dev &&
        now.st_ino == made_.st_ino)
      unlink(osName_.c_str());
    return failure;
  }

 private:
  std::string osName_;
  struct stat made_ = {};
  bool known_ = false;
};

// Writes zeros from offset up to size: whole buffers, then the rest, looking at the
// cancel flag before each. False when the buffer cannot be had.
bool WriteZeros(int fd, int64_t offset, int64_t size, CancelToken cancel, JobProgress* progress) {
  std::unique_ptr<uint8_t[]> zeros = AllocateZeros(kZeroFileBuffer);
  if (!zeros) return false;
  while (offset < size && !cancel.IsCancelled()) {
    auto count = static_cast<size_t>(std::min<int64_t>(kZeroFileBuffer, size - offset));
    int64_t written = WriteFull(fd, zeros.get(), count, offset);
    offset += written;
    if (progress != nullptr) progress->Advance(written);
    if (written != static_cast<int64_t>(count)) break;
  }
  return true;
}

enum class FillResult { kDone, kNoBuffer };

// Reserves zero-reading blocks up to size in pieces; where the file system cannot, the
// rest is written as zeros.
FillResult FillWithZeros(int fd, int64_t size, CancelToken cancel, JobProgress* progress) {
  int64_t offset = 0;
  while (offset < size) {
    if (cancel.IsCancelled()) return FillResult::kDone;
    int64_t count = std::min(kReservePiece, size - offset);
    int result = fallocate(fd, 0, offset, count);
    if (result == 0) {
      offset += count;
      if (progress != nullptr) progress->Advance(count);
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EOPNOTSUPP && errno != ENOSYS) return FillResult::kDone;
    return WriteZeros(fd, offset, size, cancel, progress) ? FillResult::kDone
                                                          : FillResult::kNoBuffer;
  }
  return FillResult::kDone;
}

// OpenErrorText and the name, or the refused-kind text.
std::string AppendOpenFailureText(const FileOpenError& error, const std::string& name) {
  return OpenFailureText(error, name, OpenErrorText(error.error) + Format(" [%s]", name.c_str()));
}

}  // namespace

AppendLock LockForAppend(int fd, CancelToken cancel, int waitLimitMs) {
  for (int waited = 0; flock(fd, LOCK_EX | LOCK_NB) != 0; waited += kLockPollMs) {
    // A file system without locks still has O_APPEND: no appender overwrites another.
    if (errno != EWOULDBLOCK && errno != EINTR) return AppendLock::kHeld;
    if (cancel.IsCancelled()) return AppendLock::kCancelled;
    if (waitLimitMs >= 0 && waited >= waitLimitMs) return AppendLock::kBusy;
    usleep(static_cast<useconds_t>(kLockPollMs) * 1000);
  }
  return AppendLock::kHeld;
}

namespace {

// How often an appender follows a name replaced while it waited before it gives up.
constexpr int kMaxReplacedNames = 8;

// True when name, links followed, still names the file open as fd (or is gone).
bool NameStillNames(const std::string& name, int fd) {
  std::string osName;
  struct stat named, open;
  if (!ToOsPath(name, osName) || stat(osName.c_str(), &named) != 0 || fstat(fd, &open) != 0)
    return true;
  return named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

}  // namespace

AppendLock LockNamedFileForAppend(UserFile& file, int openFlags, CancelToken cancel,
                                  int waitLimitMs) {
  for (int attempt = 0; attempt < kMaxReplacedNames; ++attempt) {
    const AppendLock lock = LockForAppend(file.Fd(), cancel, waitLimitMs);
    if (lock != AppendLock::kHeld || NameStillNames(file.Name(), file.Fd())) return lock;
    UserFile now = OpenUserFile(file.Name(), FileUse::kWriteTarget, openFlags);
    if (!now.IsOpen()) return AppendLock::kBusy;
    file = std::move(now);
  }
  return AppendLock::kBusy;
}

std::string CheckFreeSpace(const std::string& file, int64_t size) {
  int64_t free = GetDriveFreeSize(file);
  if (free > 0 && size >= 0 && size < free) return std::string();
  return Format(SJ("※　ディスク空き容量が足りません。FileSize[%lld] / DiskFreeSpace[%lld]").c_str(),
                static_cast<long long>(size), static_cast<long long>(free));
}

FileResult<void> ZeroFileRange(const std::string& file, int64_t start, int64_t end,
                               CancelToken cancel) {
  const std::string failed = SJ("※　ファイルのクリアに失敗。");
  if (file.empty()) return Fail<void>(FileFailure::kInvalid, failed);
  if (!IxExistFile(file, false)) return Fail<void>(FileFailure::kOpen, failed);
  UserFile handle = OpenUserFile(file, FileUse::kModify);
  if (!handle.IsOpen()) return Fail<void>(FileFailure::kOpen, failed);
  FileResult<void> cleared = ZeroFileRange(handle, start, end, cancel);
  if (!handle.Close() && cleared) return Fail<void>(FileFailure::kWrite, failed);
  return cleared;
}

FileResult<void> ZeroFileRange(const UserFile& file, int64_t start, int64_t end,
                               CancelToken cancel) {
  const std::string failed = SJ("※　ファイルのクリアに失敗。");
  start = std::max<int64_t>(start, 0);
  const int64_t size = file.Size();
  if (size <= 0 || start >= size) return Fail<void>(FileFailure::kInvalid, failed);
  if (end <= 0 || end >= size) end = size - 1;
  if (start > end) std::swap(start, end);
  int64_t length = end - start + 1;
  std::unique_ptr<uint8_t[]> zeros = AllocateZeros(kClearBuffer);
  if (!zeros) return Fail<void>(FileFailure::kOutOfMemory, failed);
  int64_t done = 0;
  while (done < length && !cancel.IsCancelled()) {
    // A file cut meanwhile is not written past its new end (that would extend it).
    const int64_t room = std::min(length - done, file.Size() - (start + done));
    auto count = static_cast<size_t>(std::min<int64_t>(kClearBuffer, std::max<int64_t>(room, 0)));
    if (count == 0) break;
    int64_t written = WriteFull(file.Fd(), zeros.get(), count, start + done);
    done += written;
    if (written != static_cast<int64_t>(count)) break;
  }
  if (done != length || fdatasync(file.Fd()) != 0) {
    const std::string text =
        Format(SJ("※　書込に失敗しました。DoneSize[%lld] / TotalSize[%lld]").c_str(),
               static_cast<long long>(done), static_cast<long long>(length));
    WriteTrace(text + "\n");
    return Fail<void>(cancel.IsCancelled() ? FileFailure::kCancelled : FileFailure::kWrite, text);
  }
  return {};
}

FileResult<int64_t> AppendFileContents(const std::string& destination, const std::string& source,
                                       CancelToken cancel, JobProgress* progress) {
  if (!IxExistFile(destination, false))
    return Fail<int64_t>(
        FileFailure::kOpen,
        Format(SJ("※　追加先ファイルが見つかりません。[%s]").c_str(), destination.c_str()));
  if (!IxExistFile(source, false))
    return Fail<int64_t>(
        FileFailure::kOpen,
        Format(SJ("※　追加するファイルが見つかりません。[%s]").c_str(), source.c_str()));
  FileOpenError openError;
  UserFile dst = OpenUserFile(destination, FileUse::kWriteTarget, O_APPEND, &openError);
  if (!dst.IsOpen())
    return Fail<int64_t>(FileFailure::kOpen, AppendOpenFailureText(openError, destination));
  // The source is opened once; its size is the descriptor's (a file that cannot be read
  // says why, not that its size is invalid).
  UserFile src = OpenUserFile(source, FileUse::kRead, 0, &openError);
  if (!src.IsOpen())
    return Fail<int64_t>(FileFailure::kOpen, AppendOpenFailureText(openError, source));
  const int64_t n = src.Size();
  if (n == 0) return static_cast<int64_t>(dst.Status().st_size);
  if (n < 0)
    return Fail<int64_t>(FileFailure::kOpen,
                         Format(SJ("※　追加するファイルのサイズが無効です。[%lld]").c_str(),
                                static_cast<long long>(n)));
  int64_t free = GetDriveFreeSize(destination);
  if (n >= free)
    return Fail<int64_t>(
        FileFailure::kWrite,
        Format(SJ("※　追加先ファイルのあるドライブ空き容量が不足です。空き容量[%lld] / "
                  "追加ファイルサイズ[%lld]")
                   .c_str(),
               static_cast<long long>(free), static_cast<long long>(n)));
  RangeCopyOutcome outcome;
  bool complete = false;
  int64_t newSize = 0;
  if (LockNamedFileForAppend(dst, O_APPEND, cancel) == AppendLock::kHeld) {
    // The end under the lock: where a failed append is cut back to.
    const int64_t end = std::max<int64_t>(dst.Size(), 0);
    if (progress != nullptr) progress->Start(n);
    outcome = CopyFileRange(src.Fd(), 0, dst.Fd(), -1, n, kAppendBuffer, cancel, progress);
    // A device cannot be synced (EINVAL); its bytes are already written.
    complete =
        outcome.read == n && outcome.written == n && (fdatasync(dst.Fd()) == 0 || errno == EINVAL);
    if (!complete && dst.IsRegular()) ftruncate(dst.Fd(), end);
    if (complete) newSize = std::max<int64_t>(dst.Size(), 0);
  }
  bool closed = dst.Close();
  if (!closed || !complete)
    return Fail<int64_t>(
        outcome.cancelled || cancel.IsCancelled() ? FileFailure::kCancelled : FileFailure::kWrite,
        Format(SJ("※　ファイル内容追加に失敗。AddFileSize[%lld] / ReadSize[%lld] / "
                  "WriteSize[%lld]")
                   .c_str(),
               static_cast<long long>(n), static_cast<long long>(outcome.read),
               static_cast<long long>(outcome.written)));
  return newSize;
}

namespace {

// A new file for size bytes: refused when the name exists or its volume lacks the room;
// opened with O_EXCL, so that the file is this command's own to remove on failure.
FileResult<UniqueFd> CreateNewFile(const std::string& file, int64_t size) {
  if (UserPathExists(file)) return Fail<UniqueFd>(FileFailure::kOpen, ExistsText(file));
  std::string noRoom = CheckFreeSpace(file, size);
  if (!noRoom.empty()) return Fail<UniqueFd>(FileFailure::kWrite, noRoom);
  int error = 0;
  UniqueFd fd = OpenFile(file, O_RDWR | O_CREAT | O_EXCL, 0666, &error);
  if (!fd.IsOpen()) return Fail<UniqueFd>(FileFailure::kOpen, OpenErrorText(error));
  return fd;
}

}  // namespace

FileResult<Done> CreateZeroFile(const std::string& file, int64_t size, CancelToken cancel,
                                JobProgress* progress) {
  if (file.empty() || size < 0)
    return Fail<Done>(FileFailure::kInvalid, SJ("※　引数が無効です。MakeClearedFile()"));
  FileResult<UniqueFd> made = CreateNewFile(file, size);
  if (!made) return made.error();
  UniqueFd fd = std::move(made.value());
  CreatedFile created(file, fd.Get());
  if (progress != nullptr) progress->Start(size);
  FillResult filled =
      size > 0 ? FillWithZeros(fd.Get(), size, cancel, progress) : FillResult::kDone;
  const bool synced = fdatasync(fd.Get()) == 0;
  const int64_t madeSize = DescriptorSize(fd.Get());
  const bool closed = fd.Close();
  if (filled == FillResult::kNoBuffer)
    return created.Remove(Fail<Done>(FileFailure::kOutOfMemory, SJ("※　バッファの確保に失敗。")));
  if (!synced || !closed || madeSize != size)
    return created.Remove(
        Fail<Done>(cancel.IsCancelled() ? FileFailure::kCancelled : FileFailure::kWrite,
                   SizeMismatchText(madeSize, size)));
  return Done{Format(SJ("ファイル[ %s ]を作成しました。").c_str(), file.c_str())};
}

FileResult<Done> MakeSizedFile(const std::string& file, int64_t size) {
  FileResult<UniqueFd> made = CreateNewFile(file, size);
  if (!made) return made.error();
  UniqueFd fd = std::move(made.value());
  CreatedFile created(file, fd.Get());
  // The length is set on the descriptor just created: no name is looked up again.
  const bool sized = size == 0 || (ftruncate(fd.Get(), size) == 0 && fsync(fd.Get()) == 0);
  const int64_t madeSize = DescriptorSize(fd.Get());
  const bool closed = fd.Close();
  if (!sized || !closed || madeSize != size)
    return created.Remove(Fail<Done>(FileFailure::kWrite, SizeMismatchText(madeSize, size)));
  return Done{Format(SJ("ファイル[ %s ]を作成しました。").c_str(), file.c_str())};
}

}  // namespace vpx
