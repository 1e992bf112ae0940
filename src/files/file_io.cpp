#include "files/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <mutex>

#include "host/platform.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {

std::string OpenErrorText(int errorCode) {
  switch (errorCode) {
    case ENOENT:
    case ENOTDIR:
      return SJ("ファイル名またはパス名が見つかりません。");
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return SJ(
          "読み出し専用ファイルを書き込みのために開こうとしたか、共有違反が発生、"
          "または指定されたパス名がディレクトリでした。");
    case EEXIST:
      return SJ("_O_CREAT と _O_EXCL フラグが指定されましたがファイルは既に存在しています。");
    case EINVAL:
      return SJ("無効なフラグやモードが指定されました。");
    case EMFILE:
    case ENFILE:
      return SJ("ファイル ハンドルをこれ以上使ません。 ");
    default:
      return SJ("不明なエラーです。_open()");
  }
}

std::string FileErrorText(int errorCode) {
  switch (errorCode) {
    case ENOSPC:
    case EDQUOT:
      return SJ("ディスクの空き容量が足りません。");
    case EFBIG:
      return SJ("ファイルサイズの上限を超えました。");
    case EIO:
      return SJ("入出力エラーが発生しました。");
    case ENAMETOOLONG:
      return SJ("ファイル名またはパス名が長すぎます。");
    case EBUSY:
      return SJ("ファイルまたはフォルダは使用中です。");
    case ENOTEMPTY:
      return SJ("フォルダが空ではありません。");
    case EMLINK:
      return SJ("リンクの数が上限に達しました。");
    case ENOENT:
    case ENOTDIR:
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case EEXIST:
    case EINVAL:
    case EMFILE:
    case ENFILE:
      return OpenErrorText(errorCode);
    default:
      return Format(SJ("不明なエラーです。[%d]").c_str(), errorCode);
  }
}

UniqueFd::~UniqueFd() {
  Close();
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.Release();
  }
  return *this;
}

int UniqueFd::Release() {
  int fd = fd_;
  fd_ = -1;
  return fd;
}

bool UniqueFd::Close() {
  if (fd_ < 0) return true;
  int result = close(fd_);
  fd_ = -1;
  return result == 0 || errno == EINTR;
}

UniqueFd OpenFile(const std::string& name, int flags, mode_t mode, int* errorCode) {
  std::string osName;
  if (name.empty() || !ToOsPath(name, osName)) {
    if (errorCode != nullptr) *errorCode = ENOENT;
    return UniqueFd();
  }
  if ((flags & O_ACCMODE) != O_RDONLY) IgnoreFileSizeSignal();
  int fd;
  do {
    fd = open(osName.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0 && errorCode != nullptr) *errorCode = errno;
  return UniqueFd(fd);
}

namespace {

// Repeats step(done) (one transfer from byte done on) over short transfers and
// interruptions until count bytes moved, the end of the file or an error.
template <typename Step>
int64_t TransferFull(size_t count, Step step) {
  size_t done = 0;
  while (done < count) {
    ssize_t n = step(done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

off_t At(int64_t offset, size_t done) {
  return static_cast<off_t>(offset + static_cast<int64_t>(done));
}

}  // namespace

int64_t ReadFull(int fd, void* buffer, size_t count, int64_t offset) {
  auto* bytes = static_cast<uint8_t*>(buffer);
  return TransferFull(count, [&](size_t done) {
    return offset < 0 ? read(fd, bytes + done, count - done)
                      : pread(fd, bytes + done, count - done, At(offset, done));
  });
}

int64_t WriteFull(int fd, const void* buffer, size_t count, int64_t offset) {
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  return TransferFull(count, [&](size_t done) {
    return offset < 0 ? write(fd, bytes + done, count - done)
                      : pwrite(fd, bytes + done, count - done, At(offset, done));
  });
}

void IgnoreFileSizeSignal() {
  static std::once_flag once;
  std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

}  // namespace vpx
