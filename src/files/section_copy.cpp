#include "files/section_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>

#include "files/copy_destination.h"
#include "files/file_io.h"
#include "files/file_primitives.h"
#include "files/user_file.h"
#include "host/byte_range.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

// Errors after which copy_file_range will not work for this pair of files.
bool KernelCopyRefused(int error) {
  return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP ||
         error == EBADF || error == ETXTBSY;
}

// The read/write path of one piece, through buffer.
int64_t CopyPieceThroughBuffer(int src, int64_t srcOffset, int dst, int64_t dstOffset,
                               int64_t count, uint8_t* buffer, RangeCopyOutcome& outcome) {
  errno = 0;
  int64_t got = ReadFull(src, buffer, static_cast<size_t>(count), srcOffset);
  outcome.read += got;
  if (got < count && errno != 0) outcome.error = errno;
  errno = 0;
  int64_t put = WriteFull(dst, buffer, static_cast<size_t>(got), dstOffset);
  outcome.written += put;
  if (put < got) outcome.error = errno != 0 ? errno : EIO;
  return put;
}

class RangeCopier {
 public:
  RangeCopier(int src, int dst, size_t pieceSize, RangeCopyOutcome& outcome)
      : src_(src), dst_(dst), pieceSize_(pieceSize), outcome_(outcome) {}

  // Copies count bytes; false when fewer arrived.
  bool CopyPiece(int64_t srcOffset, int64_t dstOffset, int64_t count) {
    // Appends go through write(2): copy_file_range refuses an O_APPEND descriptor.
    if (dstOffset < 0) kernelCopies_ = false;
    int64_t done = kernelCopies_ ? KernelCopy(srcOffset, dstOffset, count) : 0;
    if (done < count && !kernelCopies_) {
      if (!EnsureBuffer()) return false;
      done += CopyPieceThroughBuffer(src_, srcOffset + done, dst_,
                                     dstOffset < 0 ? -1 : dstOffset + done, count - done,
                                     buffer_.get(), outcome_);
    }
    return done == count;
  }

 private:
  int64_t KernelCopy(int64_t srcOffset, int64_t dstOffset, int64_t count) {
    loff_t in = srcOffset, out = dstOffset;
    int64_t done = 0;
    while (done < count) {
      ssize_t n = copy_file_range(src_, &in, dst_, &out, static_cast<size_t>(count - done), 0);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && KernelCopyRefused(errno)) {
        kernelCopies_ = false;
        break;
      }
      if (n < 0) outcome_.error = errno;
      if (n <= 0) break;
      done += n;
    }
    outcome_.read += done;
    outcome_.written += done;
    return done;
  }

  bool EnsureBuffer() {
    if (buffer_) return true;
    try {
      buffer_.reset(new uint8_t[pieceSize_]);
    } catch (const std::bad_alloc&) {
      outcome_.noBuffer = true;
      return false;
    }
    return true;
  }

  int src_, dst_;
  size_t pieceSize_;
  RangeCopyOutcome& outcome_;
  bool kernelCopies_ = true;
  std::unique_ptr<uint8_t[]> buffer_;
};

// The reason appended to a copy's failure text; empty when the source merely ended early.
std::string ReasonText(int error) {
  return error != 0 ? FileErrorText(error) : std::string();
}

uint32_t EffectiveBufferSize(uint32_t requested) {
  uint64_t size = requested == 0 || requested > kCopyMaxBuffer ? kCopyDefaultBuffer : requested;
  uint64_t available = GetAvailablePhysicalMemory();
  if (available != 0 && size >= available) size = std::max<uint64_t>(available / 2, 4096);
  return static_cast<uint32_t>(size);
}

}  // namespace

RangeCopyOutcome CopyFileRange(int src, int64_t srcOffset, int dst, int64_t dstOffset,
                               int64_t length, size_t pieceSize, CancelToken cancel,
                               JobProgress* progress) {
  RangeCopyOutcome outcome;
  if (length <= 0) return outcome;
  auto piece = static_cast<int64_t>(pieceSize);
  int64_t first = length % piece == 0 ? piece : length % piece;
  RangeCopier copier(src, dst, pieceSize, outcome);
  for (int64_t done = 0, count = first; done < length; done += count, count = piece) {
    if (cancel.IsCancelled()) {
      outcome.cancelled = true;
      break;
    }
    const int64_t before = outcome.written;
    const bool copied =
        copier.CopyPiece(srcOffset + done, dstOffset < 0 ? -1 : dstOffset + done, count);
    if (progress != nullptr) progress->Advance(outcome.written - before);
    if (!copied) {
      outcome.failed = true;
      break;
    }
  }
  return outcome;
}

FileResult<int64_t> CopyFileSect(const CopyRequest& request) {
  FileOpenError openError;
  UserFile src = OpenUserFile(request.source, FileUse::kRead, 0, &openError);
  if (!src.IsOpen())
    return FileResult<int64_t>::Fail(
        FileFailure::kOpen,
        OpenFailureText(openError, request.source, CopyOpenFailureText(request.source, true)));
  return CopyFileSect(request, src);
}

FileResult<int64_t> CopyFileSect(const CopyRequest& request, const UserFile& src) {
  using Result = FileResult<int64_t>;
  uint32_t bufferSize = EffectiveBufferSize(request.bufferSize);
  posix_fadvise(src.Fd(), 0, 0, POSIX_FADV_SEQUENTIAL);
  if (request.start < 0 || lseek(src.Fd(), request.start, SEEK_SET) < 0)
    return Result::Fail(
        FileFailure::kInvalid,
        Format(SJ("※　コピー元ファイルの指定位置[ %lld ]に移動できません。").c_str(),
               static_cast<long long>(request.start)));
  CopyDestination destination;
  FileResult<void> opened =
      destination.Open(request.destination, std::max<int64_t>(request.length, 0));
  if (!opened) return opened.error();
  RangeCopyOutcome outcome;
  if (request.length < 0) {
    outcome.failed = true;
  } else {
    if (request.progress != nullptr) request.progress->Start(request.length);
    outcome = CopyFileRange(destination.SourceFd(src.Fd()), request.start, destination.Fd(), 0,
                            request.length, bufferSize, request.cancel, request.progress);
  }
  bool complete = !outcome.cancelled && !outcome.failed && !outcome.noBuffer &&
                  outcome.written == request.length;
  FileError failure{FileFailure::kWrite, std::string()};
  if (complete) {
    FileResult<void> committed = destination.Commit(request.length);
    if (committed) return request.length;
    failure = committed.error();
  }
  if (outcome.cancelled) {
    failure = FileError{FileFailure::kCancelled, SJ("※　中断しました。")};
  } else if (outcome.noBuffer) {
    failure = FileError{
        FileFailure::kOutOfMemory,
        Format(SJ("※　バッファ確保に失敗。CopyFileSect() BuffSize[%u]").c_str(), bufferSize)};
  } else if (failure.text.empty()) {
    failure.text = SJ("※　コピーに失敗しました。") + ReasonText(outcome.error);
  }
  // A destination that could not be put back says so, whatever ended the copy.
  FileResult<void> undone = destination.Abandon();
  if (!undone) return undone.error();
  return failure;
}

namespace {

// A start and a nonzero length; a negative length counts back from start and gives a
// reversed pair.
ByteRange SignedLengthRange(int64_t start, int64_t length) {
  return length > 0 ? ByteRange::FromStartLength(start, length)
                    : ByteRange::FromFirstLast(start, SaturatingAdd(start, length + 1));
}

// The sources of a combination, opened, with their sizes; false with failure set.
bool OpenSources(const std::vector<std::string>& sources, std::vector<UserFile>& fds,
                 std::vector<int64_t>& sizes, std::string& failure) {
  for (const std::string& source : sources) {
    FileOpenError openError;
    UserFile fd = OpenUserFile(source, FileUse::kRead, 0, &openError);
    if (!fd.IsOpen()) {
      failure = OpenFailureText(
          openError, source,
          Format(SJ("※　結合するファイルをオープンできません。[ %s ]").c_str(), source.c_str()));
      return false;
    }
    sizes.push_back(static_cast<int64_t>(fd.Status().st_size));
    fds.push_back(std::move(fd));
  }
  return true;
}

}  // namespace

std::string CopyOpenFailureText(const std::string& name, bool source) {
  const std::string& format = source ? SJ("※　コピー元ファイルをオープンできません。[ %s ]")
                                     : SJ("※　コピー先ファイルをオープンできません。[ %s ]");
  return Format(format.c_str(), name.c_str());
}

FileResult<void> EmptyCopyDestination(const std::string& destination) {
  if (!UserPathExists(destination)) return {};
  FileOpenError openError;
  UserFile fd = OpenUserFile(destination, FileUse::kWriteTarget, 0, &openError);
  if (!fd.IsOpen())
    return FileResult<void>::Fail(
        FileFailure::kOpen,
        OpenFailureText(openError, destination, CopyOpenFailureText(destination, false)));
  if (fd.IsDevice() || fd.Status().st_size == 0) return {};
  if (ftruncate(fd.Fd(), 0) != 0 || !fd.Close())
    return FileResult<void>::Fail(FileFailure::kWrite, SJ("※　コピーに失敗しました。"));
  return {};
}

FileResult<int64_t> CombineFilesInto(const std::string& destination,
                                     const std::vector<std::string>& sources, CancelToken cancel,
                                     JobProgress* progress) {
  using Result = FileResult<int64_t>;
  std::vector<UserFile> fds;
  std::vector<int64_t> sizes;
  std::string failure;
  if (!OpenSources(sources, fds, sizes, failure)) return Result::Fail(FileFailure::kOpen, failure);
  int64_t length = 0;
  for (int64_t size : sizes) length = SaturatingAdd(length, size);
  CopyDestination target;
  if (destination.empty())
    return Result::Fail(
        FileFailure::kOpen,
        Format(SJ("※　結合先ファイルをオープンできません。[ %s ]").c_str(), destination.c_str()));
  FileResult<void> opened = target.Open(destination, length);
  if (!opened) return opened.error();
  const uint32_t bufferSize = EffectiveBufferSize(0);
  if (progress != nullptr) progress->Start(length);
  RangeCopyOutcome outcome;
  int64_t total = 0;
  for (size_t i = 0; i < fds.size() && !outcome.cancelled && !outcome.failed; ++i) {
    RangeCopyOutcome piece = CopyFileRange(target.SourceFd(fds[i].Fd()), 0, target.Fd(), total,
                                           sizes[i], bufferSize, cancel, progress);
    outcome.cancelled = piece.cancelled;
    outcome.noBuffer = piece.noBuffer;
    outcome.failed = piece.failed || piece.noBuffer || piece.written != sizes[i];
    outcome.error = piece.error;
    total += piece.written;
  }
  const bool complete = !outcome.cancelled && !outcome.failed;
  FileError error{FileFailure::kWrite, std::string()};
  if (complete) {
    FileResult<void> committed = target.Commit(total);
    if (committed) return total;
    error = committed.error();
  }
  if (outcome.cancelled) {
    error = FileError{FileFailure::kCancelled, SJ("※　中断しました。")};
  } else if (outcome.noBuffer) {
    error = FileError{
        FileFailure::kOutOfMemory,
        Format(SJ("※　バッファ確保に失敗。CombineFile() BuffSize[%u]").c_str(), bufferSize)};
  } else if (error.text.empty()) {
    error.text = SJ("※　ファイル結合に失敗しました。") + ReasonText(outcome.error);
  }
  // A destination that could not be put back says so, whatever ended the combination.
  FileResult<void> undone = target.Abandon();
  if (!undone) return undone.error();
  return error;
}

ByteRange DumpRange(DumpSpan span, int64_t size, int64_t first, int64_t second) {
  if (span == DumpSpan::kWholeFile) return ByteRange::FromStartLength(0, size);
  if (span == DumpSpan::kFirstToLast) return ByteRange::FromFirstLast(first, second).Ordered();
  return SignedLengthRange(first, second);
}

ByteRange CopySectRange(int64_t start, int64_t end, int64_t size) {
  ByteRange range = ByteRange::FromFirstLast(start, end);
  if (range.last >= 0) range = range.Ordered();
  if ((range.first == 0 && range.last == 0) || range.last < 0) range.last = size - 1;
  return range;
}

ByteRange CopySectRRange(int64_t start, int64_t length, int64_t size) {
  ByteRange range = SignedLengthRange(start, length).Ordered();
  range.first = std::max<int64_t>(range.first, 0);
  range.last = std::min(range.last, size - 1);
  return range;
}

}  // namespace vpx
