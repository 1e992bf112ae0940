#include "fileops/file_primitives.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <mutex>

#include "fileops/trace_log.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/ui_host.h"

namespace vpx {
namespace {

bool HasWildcard(const std::string& text) {
  return text.find_first_of("*?") != std::string::npos;
}

// Only * and ? are wildcards; brackets and backslashes stand for themselves.
std::string EscapeForFnmatch(const std::string& pattern) {
  std::string out;
  out.reserve(pattern.size() + 8);
  for (char c : pattern) {
    if (c == '[' || c == ']' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

// The OS path of the first directory entry matching osName's last part, or osName itself
// when that part has no wildcard.
bool FindFirstEntry(const std::string& osName, std::string& hit) {
  size_t slash = osName.rfind('/');
  std::string dir = slash == std::string::npos ? "." : osName.substr(0, slash + 1);
  std::string pattern = slash == std::string::npos ? osName : osName.substr(slash + 1);
  if (!HasWildcard(pattern)) {
    hit = osName;
    return true;
  }
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return false;
  std::string escaped = EscapeForFnmatch(pattern);
  bool found = false;
  while (dirent* entry = readdir(d)) {
    std::string entryName = entry->d_name;
    if (entryName == "." || entryName == "..") continue;
    if (fnmatch(escaped.c_str(), entryName.c_str(), 0) == 0) {
      hit = (slash == std::string::npos ? std::string() : dir) + entryName;
      found = true;
      break;
    }
  }
  closedir(d);
  return found;
}

// The file system of path, or of its nearest existing folder when the path and its folder
// do not exist yet (a name without a folder belongs to the current directory's).
bool QueryNearestFileSystem(std::string path, FileSystemSpace& space) {
  while (!QueryFileSystem(path, space)) {
    if (path == "." || path == "/") return false;
    size_t end = path.find_last_not_of('/');
    size_t slash = end == std::string::npos ? std::string::npos : path.rfind('/', end);
    if (end == std::string::npos || slash == 0) {
      path = "/";
    } else if (slash == std::string::npos) {
      path = ".";
    } else {
      path.resize(slash);
    }
  }
  return true;
}

int64_t QueryFileSystemBytes(const std::string& path, bool total) {
  FileSystemSpace space;
  if (path.empty() || !QueryNearestFileSystem(path, space)) return 0;
  uint64_t n = total ? space.totalBytes : space.freeBytes;
  return n > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(n);
}

}  // namespace

int GetModuleDir(std::string* out) {
  if (out == nullptr) return -1;
  return GetProgramDir(*out) ? 0 : -1;
}

int IxExistFile(const std::string& name, bool wantDirectory) {
  if (name.empty()) {
    WriteTrace(SJ("※引数が無効。IxExistFile()\n"));
    return 0;
  }
  std::string osName, hit;
  if (!ToOsPath(name, osName) || !FindFirstEntry(osName, hit)) return 0;
  struct stat st;
  if (stat(hit.c_str(), &st) != 0) return 0;
  return S_ISDIR(st.st_mode) == wantDirectory ? 1 : 0;
}

int64_t QueryFileSize(const std::string& name) {
  if (name.empty()) return kUnknownSize;
  UniqueFd fd = OpenFile(name, O_RDONLY);
  struct stat st;
  if (!fd.IsOpen() || fstat(fd.Get(), &st) != 0 || S_ISDIR(st.st_mode)) return kUnknownSize;
  return static_cast<int64_t>(st.st_size);
}

int64_t GetDriveFreeSize(const std::string& path) {
  return QueryFileSystemBytes(path, false);
}

int64_t GetDriveTotalSize(const std::string& path) {
  return QueryFileSystemBytes(path, true);
}

int ResizeFile(const std::string& name, int64_t newSize) {
  if (name.empty()) {
    auto size = static_cast<uint64_t>(newSize);
    WriteTrace(Format(SJ("※引数が無効。ResizeFile()\n\tdwLow[%08X], dwHigh[%08X]\n").c_str(),
                      static_cast<unsigned>(size & 0xFFFFFFFFu),
                      static_cast<unsigned>(size >> 32)));
    return 0;
  }
  if (!IxExistFile(name, false)) return 0;
  int error = 0;
  UniqueFd fd = OpenFile(name, O_RDWR | O_DSYNC, 0, &error);
  if (!fd.IsOpen()) {
    WriteTrace(FormatSystemError(error));
    WriteTrace(SJ("※ファイルオブジェクトの作成に失敗。ResizeFile()\n"));
    return 0;
  }
  if (ftruncate(fd.Get(), newSize) != 0) WriteTrace(FormatSystemError(errno));
  return 1;
}

int ReverseBinaryArray(uint8_t* bytes, uint32_t count) {
  if (bytes == nullptr) {
    WriteTrace(
        Format(SJ("※引数が無効です。ReverseBinaryArray()\n\tdwReverseSize[%u]\n").c_str(), count));
    return 0;
  }
  for (uint32_t i = 0; i < count / 2; ++i) std::swap(bytes[i], bytes[count - 1 - i]);
  return 1;
}

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

int64_t SaturatingAdd(int64_t a, int64_t b) {
  int64_t sum;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? INT64_MAX : INT64_MIN;
}

std::string InsertThousandsSeparators(const std::string& text) {
  size_t length = text.size();
  size_t commas = length / 3;
  if (length >= 3 && length % 3 == 0) --commas;
  if (commas == 0 || length + commas >= 1000) return text;
  std::string out;
  out.reserve(length + commas);
  size_t firstGroup = length - commas * 3;
  out.append(text, 0, firstGroup);
  for (size_t pos = firstGroup; pos < length; pos += 3) {
    out += ',';
    out.append(text, pos, 3);
  }
  return out;
}

std::string FormatByteCount(int64_t n) {
  return InsertThousandsSeparators(std::to_string(n));
}

int ChooseFolder(IDialogs* dialogs, const std::string& initialPath, std::string* out) {
  if (out == nullptr) {
    WriteTrace(SJ("※　引数が無効です。"));
    return 2;
  }
  if (dialogs == nullptr) return 2;
  std::string chosen;
  if (dialogs->ChooseFolder(SJ("フォルダを選択してください"), initialPath, chosen) != 1) return 2;
  *out = chosen;
  return 1;
}

int SetStrToClipBoard(const std::string& text, IClipboard* clipboard) {
  // A clipboard that cannot be had or refuses the text is not a failure of the caller.
  if (clipboard != nullptr) clipboard->SetText(text);
  return 1;
}

int GetStrFromClipBoard(std::string* out, IClipboard* clipboard) {
  if (out == nullptr) return 0;
  out->clear();
  if (clipboard == nullptr || !clipboard->GetText(*out)) {
    out->clear();
    return 0;
  }
  return 1;
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

int64_t ReadFull(int fd, void* buffer, size_t count, int64_t offset) {
  auto* bytes = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < count) {
    ssize_t n = offset < 0 ? read(fd, bytes + done, count - done)
                           : pread(fd, bytes + done, count - done,
                                   static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

int64_t WriteFull(int fd, const void* buffer, size_t count, int64_t offset) {
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  size_t done = 0;
  while (done < count) {
    ssize_t n = offset < 0 ? write(fd, bytes + done, count - done)
                           : pwrite(fd, bytes + done, count - done,
                                    static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

void IgnoreFileSizeSignal() {
  static std::once_flag once;
  std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

}  // namespace vpx
