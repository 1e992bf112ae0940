#include "files/copy_destination.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "files/file_create.h"
#include "files/section_copy.h"
#include "files/user_file.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

constexpr int kMaxLinkDepth = 40;
constexpr size_t kBackupPiece = 8u << 20;
constexpr const char* kTempPrefix = ".vpx-copy.";
// How long an in-place copy waits for an append in progress before it is refused.
constexpr int kAppendLockWaitMs = 5000;

std::string FolderOf(const std::string& osPath) {
  size_t slash = osPath.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : osPath.substr(0, slash);
}

// A recognisable, unused name beside osPath.
std::string TempNameBeside(const std::string& osPath) {
  static std::atomic<unsigned> serial{0};
  size_t slash = osPath.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : osPath.substr(0, slash + 1);
  return folder + kTempPrefix + std::to_string(getpid()) + "." +
         std::to_string(serial.fetch_add(1)) + ".tmp";
}

std::string ProcFdPath(int fd) {
  return "/proc/self/fd/" + std::to_string(fd);
}

// A nameless file in folder (it vanishes with the process), when the file system and
// /proc allow one.
UniqueFd OpenNameless(const std::string& folder, mode_t mode) {
  if (access("/proc/self/fd", X_OK) != 0) return UniqueFd();
  return UniqueFd(open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode));
}

std::vector<std::string> XattrNames(int fd, bool& ok) {
  std::vector<std::string> names;
  ssize_t size = flistxattr(fd, nullptr, 0);
  if (size < 0) {
    ok = errno == ENOTSUP;  // a file system without attributes has none to keep
    return names;
  }
  std::vector<char> list(static_cast<size_t>(size) + 1, '\0');
  size = flistxattr(fd, list.data(), list.size());
  ok = size >= 0;
  for (ssize_t pos = 0; ok && pos < size;) {
    names.emplace_back(list.data() + pos);
    pos += static_cast<ssize_t>(names.back().size()) + 1;
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Gives to every extended attribute of from; true only when to ends up with exactly
// from's attributes (a folder's default ACL may have given it others).
bool CopyXattrs(int from, int to) {
  bool ok = true;
  std::vector<std::string> names = XattrNames(from, ok);
  for (size_t i = 0; ok && i < names.size(); ++i) {
    ssize_t size = fgetxattr(from, names[i].c_str(), nullptr, 0);
    std::vector<char> value(static_cast<size_t>(std::max<ssize_t>(size, 0)) + 1);
    size = size < 0 ? size : fgetxattr(from, names[i].c_str(), value.data(), value.size());
    ok = size >= 0 &&
         fsetxattr(to, names[i].c_str(), value.data(), static_cast<size_t>(size), 0) == 0;
  }
  bool listed = true;
  return ok && XattrNames(to, listed) == names && listed;
}

// Owner, group, extended attributes and mode of existing onto temp; false when any of
// them cannot be given (another owner, a group the user is not in, a protected
// attribute).
bool CopyMetadata(int existingFd, const struct stat& existing, int temp) {
  struct stat now;
  if (fstat(temp, &now) != 0) return false;
  if ((now.st_uid != existing.st_uid || now.st_gid != existing.st_gid) &&
      fchown(temp, existing.st_uid, existing.st_gid) != 0)
    return false;
  // The mode last: a change of owner clears the set-id bits.
  return CopyXattrs(existingFd, temp) && fchmod(temp, existing.st_mode & 07777) == 0;
}

bool RestoreFrom(int backup, int target, int64_t size) {
  if (ftruncate(target, size) != 0) return false;
  RangeCopyOutcome restored = CopyFileRange(backup, 0, target, 0, size, kBackupPiece, nullptr);
  return restored.written == size && !restored.failed && fdatasync(target) == 0;
}

}  // namespace

int CopyDestination::SourceFd(int sourceFd) const {
  struct stat st;
  if (way_ != Way::kInPlace || fstat(sourceFd, &st) != 0) return sourceFd;
  return st.st_dev == device_ && st.st_ino == inode_ ? backup_.Get() : sourceFd;
}

std::string FollowSymbolicLinks(const std::string& osName) {
  std::string path = osName;
  for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> target(static_cast<size_t>(std::max<off_t>(st.st_size, 255)) + 1);
    ssize_t n = readlink(path.c_str(), target.data(), target.size() - 1);
    if (n <= 0) return path;
    std::string next(target.data(), static_cast<size_t>(n));
    path =
        next[0] == '/' || path.find('/') == std::string::npos ? next : FolderOf(path) + "/" + next;
  }
  return path;
}

CopyDestination::~CopyDestination() {
  Abandon();
}

FileResult<void> CopyDestination::Open(const std::string& name, int64_t length) {
  name_ = name;
  const std::string openText = CopyOpenFailureText(name, false);
  std::string osName;
  if (name.empty() || !ToOsPath(name, osName))
    return FileResult<void>::Fail(FileFailure::kOpen, openText);
  osFinal_ = FollowSymbolicLinks(osName);
  FileOpenError error;
  UserFile existing = OpenUserFile(name, FileUse::kWriteTarget, 0, &error);
  const struct stat st = existing.Status();
  if (!existing.IsOpen()) {
    bool missing = error.refusedKind == 0 && error.error == ENOENT;
    if (missing && PrepareReplace(-1, nullptr)) return {};
    return FileResult<void>::Fail(FileFailure::kOpen, OpenFailureText(error, name, openText));
  }
  if (S_ISCHR(st.st_mode)) {
    way_ = Way::kDevice;
    target_ = existing.TakeFd();
    return {};
  }
  // Appenders wait until the copy is committed or abandoned; the old contents are read
  // only once no append is running.
  if (LockForAppend(existing.Fd(), CancelToken(), kAppendLockWaitMs) != AppendLock::kHeld)
    return FileResult<void>::Fail(
        FileFailure::kWrite,
        Format(SJ("※　ファイルは他の追加書込で使用中です。[%s]").c_str(), name.c_str()));
  if (st.st_nlink == 1 && PrepareReplace(existing.Fd(), &st)) {
    replaced_ = existing.TakeFd();
    return {};
  }
  return PrepareInPlace(existing.TakeFd(), st, length);
}

bool CopyDestination::PrepareReplace(int existingFd, const struct stat* existing) {
  const std::string folder = FolderOf(osFinal_);
  // Only a folder the user may write lets the copy replace a name in it.
  if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return false;
  IgnoreFileSizeSignal();
  UniqueFd temp = OpenNameless(folder, 0666);
  tempNamed_ = !temp.IsOpen();
  if (tempNamed_) {
    for (int attempt = 0; attempt < 100 && !temp.IsOpen(); ++attempt) {
      osTemp_ = TempNameBeside(osFinal_);
      temp = UniqueFd(open(osTemp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
      if (!temp.IsOpen() && errno != EEXIST) break;
    }
    if (!temp.IsOpen()) {
      osTemp_.clear();
      return false;
    }
  }
  target_ = std::move(temp);
  if (existing != nullptr && !CopyMetadata(existingFd, *existing, target_.Get())) {
    RemoveTemp();
    return false;
  }
  replacesExisting_ = existing != nullptr;
  way_ = Way::kReplace;
  return true;
}

FileResult<void> CopyDestination::PrepareInPlace(UniqueFd destination, const struct stat& existing,
                                                 int64_t length) {
  struct stat locked;
  oldSize_ = fstat(destination.Get(), &locked) == 0 ? locked.st_size : existing.st_size;
  device_ = existing.st_dev;
  inode_ = existing.st_ino;
  backup_ = OpenNameless(FolderOf(osFinal_), 0600);
  if (!backup_.IsOpen()) {
    const char* tmp = std::getenv("TMPDIR");
    backup_ = OpenNameless(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp", 0600);
  }
  RangeCopyOutcome saved;
  if (backup_.IsOpen()) {
    saved = CopyFileRange(destination.Get(), 0, backup_.Get(), 0, oldSize_, kBackupPiece, nullptr);
  }
  if (!backup_.IsOpen() || saved.failed || saved.noBuffer || saved.written != oldSize_) {
    backup_.Close();
    return FileResult<void>::Fail(FileFailure::kWrite, SJ("※　コピーに失敗しました。"));
  }
  std::string noRoom = length > oldSize_ ? CheckFreeSpace(name_, length - oldSize_) : "";
  if (!noRoom.empty()) {
    backup_.Close();
    return FileResult<void>::Fail(FileFailure::kWrite, noRoom);
  }
  target_ = std::move(destination);
  way_ = Way::kInPlace;
  return {};
}

bool CopyDestination::LinkTemp() {
  if (fdatasync(target_.Get()) != 0 && errno != EINVAL) return false;
  if (!tempNamed_) {
    // A new file appears complete under its name at once; an existing one is replaced
    // through a named temporary that lives only until the rename below.
    const std::string procPath = ProcFdPath(target_.Get());
    if (!replacesExisting_) {
      return linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, osFinal_.c_str(), AT_SYMLINK_FOLLOW) == 0;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
      osTemp_ = TempNameBeside(osFinal_);
      if (linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, osTemp_.c_str(), AT_SYMLINK_FOLLOW) == 0)
        break;
      osTemp_.clear();
      if (errno != EEXIST) break;
    }
    if (osTemp_.empty()) return false;
  }
  int renamed = replacesExisting_ ? rename(osTemp_.c_str(), osFinal_.c_str())
                                  : renameat2(AT_FDCWD, osTemp_.c_str(), AT_FDCWD, osFinal_.c_str(),
                                              RENAME_NOREPLACE);
  // Without RENAME_NOREPLACE a hard link still refuses to replace a name.
  if (renamed != 0 && !replacesExisting_ && (errno == EINVAL || errno == ENOSYS) &&
      link(osTemp_.c_str(), osFinal_.c_str()) == 0) {
    renamed = 0;
    unlink(osTemp_.c_str());
  }
  if (renamed != 0) return false;
  osTemp_.clear();
  return true;
}

FileResult<void> CopyDestination::Commit(int64_t length) {
  bool done = true;
  if (way_ == Way::kReplace) {
    done = LinkTemp();
  } else if (way_ == Way::kInPlace) {
    done = ftruncate(target_.Get(), length) == 0 && fdatasync(target_.Get()) == 0;
  }
  if (done) done = target_.Close();
  if (!done) {
    FileResult<void> undone = Abandon();
    return undone ? FileResult<void>::Fail(FileFailure::kWrite, SJ("※　コピーに失敗しました。"))
                  : undone;
  }
  backup_.Close();
  replaced_.Close();
  way_ = Way::kNone;
  return {};
}

FileResult<void> CopyDestination::Abandon() {
  bool restored = true;
  if (way_ == Way::kInPlace) restored = RestoreFrom(backup_.Get(), target_.Get(), oldSize_);
  RemoveTemp();
  backup_.Close();
  replaced_.Close();
  way_ = Way::kNone;
  if (restored) return {};
  return FileResult<void>::Fail(
      FileFailure::kWrite,
      Format(SJ("※　コピーに失敗し、コピー先ファイルを元に戻せませんでした。[ %s ]").c_str(),
             name_.c_str()));
}

void CopyDestination::RemoveTemp() {
  target_.Close();
  if (!osTemp_.empty()) unlink(osTemp_.c_str());
  osTemp_.clear();
}

}  // namespace vpx
