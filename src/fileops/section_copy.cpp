#include "fileops/section_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <new>

#include "fileops/file_io.h"
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
  int64_t got = ReadFull(src, buffer, static_cast<size_t>(count), srcOffset);
  outcome.read += got;
  int64_t put = WriteFull(dst, buffer, static_cast<size_t>(got), dstOffset);
  outcome.written += put;
  return put;
}

class RangeCopier {
 public:
  RangeCopier(int src, int dst, size_t pieceSize, RangeCopyOutcome& outcome)
      : src_(src), dst_(dst), pieceSize_(pieceSize), outcome_(outcome) {}

  // Copies count bytes; false when fewer arrived.
  bool CopyPiece(int64_t srcOffset, int64_t dstOffset, int64_t count) {
    int64_t done = kernelCopies_ ? KernelCopy(srcOffset, dstOffset, count) : 0;
    if (done < count && !kernelCopies_) {
      if (!EnsureBuffer()) return false;
      done += CopyPieceThroughBuffer(src_, srcOffset + done, dst_, dstOffset + done, count - done,
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

}  // namespace

UniqueFd CreateTempBeside(const std::string& osTarget, std::string& osTemp) {
  static std::atomic<unsigned> serial{0};
  size_t slash = osTarget.rfind('/');
  std::string dir = slash == std::string::npos ? std::string() : osTarget.substr(0, slash + 1);
  IgnoreFileSizeSignal();
  for (int attempt = 0; attempt < 100; ++attempt) {
    osTemp = dir + ".vpx-copy." + std::to_string(getpid()) + "." +
             std::to_string(serial.fetch_add(1)) + ".tmp";
    int fd = open(osTemp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      struct stat st;
      if (stat(osTarget.c_str(), &st) == 0) fchmod(fd, st.st_mode & 07777);
      return UniqueFd(fd);
    }
    if (errno != EEXIST) break;
  }
  return UniqueFd();
}

std::string ResolveDestination(const std::string& osName) {
  struct stat st;
  if (lstat(osName.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    std::unique_ptr<char, decltype(&std::free)> real(realpath(osName.c_str(), nullptr), &std::free);
    if (real) return real.get();
  }
  return osName;
}

namespace {

void SetText(std::string* out, const std::string& text) {
  if (out != nullptr) *out = text;
}

uint32_t EffectiveBufferSize(uint32_t requested) {
  uint64_t size = requested == 0 || requested > kCopyMaxBuffer ? kCopyDefaultBuffer : requested;
  uint64_t available = GetAvailablePhysicalMemory();
  if (available != 0 && size >= available) size = std::max<uint64_t>(available / 2, 4096);
  return static_cast<uint32_t>(size);
}

}  // namespace

RangeCopyOutcome CopyFileRange(int src, int64_t srcOffset, int dst, int64_t dstOffset,
                               int64_t length, size_t pieceSize, CancelToken cancel) {
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
    if (!copier.CopyPiece(srcOffset + done, dstOffset + done, count)) {
      outcome.failed = true;
      break;
    }
  }
  return outcome;
}

int64_t CopyFileSect(const CopyRequest& request) {
  uint32_t bufferSize = EffectiveBufferSize(request.bufferSize);
  UniqueFd src = OpenFile(request.source, O_RDONLY);
  if (!src.IsOpen()) {
    SetText(request.failureText,
            Format(SJ("※　コピー元ファイルをオープンできません。[ %s ]").c_str(),
                   request.source.c_str()));
    return 0;
  }
  posix_fadvise(src.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  if (request.start < 0 || lseek(src.Get(), request.start, SEEK_SET) < 0) {
    SetText(request.failureText,
            Format(SJ("※　コピー元ファイルの指定位置[ %lld ]に移動できません。").c_str(),
                   static_cast<long long>(request.start)));
    return 0;
  }
  std::string osDestination, osTemp;
  struct stat st;
  UniqueFd temp;
  if (ToOsPath(request.destination, osDestination) && !request.destination.empty()) {
    osDestination = ResolveDestination(osDestination);
    bool isDirectory = stat(osDestination.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    if (!isDirectory) temp = CreateTempBeside(osDestination, osTemp);
  }
  if (!temp.IsOpen()) {
    SetText(request.failureText,
            Format(SJ("※　コピー先ファイルをオープンできません。[ %s ]").c_str(),
                   request.destination.c_str()));
    return 0;
  }
  RangeCopyOutcome outcome;
  if (request.length < 0) {
    outcome.failed = true;
  } else {
    outcome = CopyFileRange(src.Get(), request.start, temp.Get(), 0, request.length, bufferSize,
                            request.cancel);
  }
  bool complete = !outcome.cancelled && !outcome.failed && !outcome.noBuffer &&
                  outcome.written == request.length;
  if (!temp.Close()) complete = false;
  if (complete && rename(osTemp.c_str(), osDestination.c_str()) == 0) {
    SetText(request.failureText, std::string());
    return request.length;
  }
  unlink(osTemp.c_str());
  if (outcome.cancelled) {
    SetText(request.failureText, SJ("※　中断しました。"));
  } else if (outcome.noBuffer) {
    SetText(request.failureText,
            Format(SJ("※　バッファ確保に失敗。CopyFileSect() BuffSize[%u]").c_str(), bufferSize));
  } else {
    SetText(request.failureText, SJ("※　コピーに失敗しました。"));
  }
  return 0;
}

namespace {

// A start and a nonzero length; a negative length counts back from start and gives a
// reversed pair.
ByteRange SignedLengthRange(int64_t start, int64_t length) {
  return length > 0 ? ByteRange::FromStartLength(start, length)
                    : ByteRange::FromFirstLast(start, SaturatingAdd(start, length + 1));
}

}  // namespace

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
