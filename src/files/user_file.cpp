#include "files/user_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "host/platform.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

bool KindAccepted(FileUse use, mode_t mode) {
  if (S_ISREG(mode)) return true;
  return use == FileUse::kWriteTarget && S_ISCHR(mode);
}

void SetError(FileOpenError* out, int error, mode_t kind) {
  if (out != nullptr) *out = FileOpenError{error, kind};
}

bool StatName(const std::string& name, struct stat& st) {
  std::string osName;
  return !name.empty() && ToOsPath(name, osName) && stat(osName.c_str(), &st) == 0;
}

const std::string& KindName(mode_t kind) {
  switch (kind & S_IFMT) {
    case S_IFDIR:
      return SJ("ディレクトリ");
    case S_IFIFO:
      return SJ("名前付きパイプ");
    case S_IFSOCK:
      return SJ("ソケット");
    case S_IFCHR:
      return SJ("キャラクタデバイス");
    case S_IFBLK:
      return SJ("ブロックデバイス");
    default:
      return SJ("特殊なファイル");
  }
}

}  // namespace

int64_t UserFile::Size() const {
  struct stat now;
  return fd_.IsOpen() && fstat(fd_.Get(), &now) == 0 ? static_cast<int64_t>(now.st_size)
                                                     : kUnknownSize;
}

UserFile OpenUserFile(const std::string& name, FileUse use, int extraFlags, FileOpenError* error) {
  struct stat pre;
  // Devices and pipes the command may not use are not even opened: opening some devices
  // has effects of its own.
  if (StatName(name, pre) && !KindAccepted(use, pre.st_mode)) {
    SetError(error, 0, pre.st_mode & S_IFMT);
    return UserFile();
  }
  const int access = use == FileUse::kRead ? O_RDONLY : O_RDWR;
  int openError = 0;
  UniqueFd fd = OpenFile(name, access | extraFlags | O_NONBLOCK | O_NOCTTY, 0666, &openError);
  if (!fd.IsOpen()) {
    // A socket or a directory swapped in after the look above still gets its own text.
    if (StatName(name, pre) && !KindAccepted(use, pre.st_mode)) {
      SetError(error, 0, pre.st_mode & S_IFMT);
    } else {
      SetError(error, openError, 0);
    }
    return UserFile();
  }
  struct stat now;
  if (fstat(fd.Get(), &now) != 0) {
    SetError(error, errno, 0);
    return UserFile();
  }
  if (!KindAccepted(use, now.st_mode)) {
    SetError(error, 0, now.st_mode & S_IFMT);
    return UserFile();
  }
  int flags = fcntl(fd.Get(), F_GETFL);
  if (flags < 0 || fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
    SetError(error, errno, 0);
    return UserFile();
  }
  SetError(error, 0, 0);
  return UserFile(std::move(fd), now, name);
}

int64_t QueryUserFileSize(const std::string& name, FileOpenError* error) {
  UserFile file = OpenUserFile(name, FileUse::kRead, 0, error);
  return file.IsOpen() ? static_cast<int64_t>(file.Status().st_size) : kUnknownSize;
}

bool UserPathExists(const std::string& name) {
  struct stat st;
  return StatName(name, st);
}

std::string RefusedKindText(const std::string& name, mode_t kind) {
  return Format(SJ("※　通常のファイルではありません（%s）。[ %s ]").c_str(), KindName(kind).c_str(),
                name.c_str());
}

std::string OpenFailureText(const FileOpenError& error, const std::string& name,
                            const std::string& commandText) {
  return error.refusedKind != 0 ? RefusedKindText(name, error.refusedKind) : commandText;
}

std::string OpenFailureText(const FileOpenError& error, const std::string& name) {
  return OpenFailureText(error, name, OpenErrorText(error.error));
}

}  // namespace vpx
