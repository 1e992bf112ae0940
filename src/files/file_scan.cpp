#include "files/file_scan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <new>

#include "files/file_primitives.h"
#include "files/user_file.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

// The size the descriptor's file has now, or -1.
int64_t CurrentSize(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

FileError ReadError(const std::string& file, int64_t offset) {
  return FileError{FileFailure::kRead,
                   Format(SJ("※　ファイル読込に失敗。[ %s ] Offset[%lld]").c_str(), file.c_str(),
                          static_cast<long long>(offset))};
}

}  // namespace

FileError SizeChangedError(const std::string& file) {
  return FileError{
      FileFailure::kRead,
      Format(SJ("※　処理中にファイルのサイズが変わりました。[ %s ]").c_str(), file.c_str())};
}

FileError CancelledError() {
  return FileError{FileFailure::kCancelled, SJ("※　中断しました。")};
}

FileResult<ScanFile> OpenScanFile(const std::string& file) {
  if (file.empty())
    return FileResult<ScanFile>::Fail(FileFailure::kOpen, SJ("※　ファイル名がありません。"));
  if (!IxExistFile(file, false) && !UserPathExists(file))
    return FileResult<ScanFile>::Fail(FileFailure::kOpen, SJ("※　ファイルが存在しません。"));
  const std::string openText =
      Format(SJ("※　ファイルオープンに失敗。[ %s ]").c_str(), file.c_str());
  FileOpenError openError;
  UserFile user = OpenUserFile(file, FileUse::kRead, 0, &openError);
  if (!user.IsOpen())
    return FileResult<ScanFile>::Fail(FileFailure::kOpen,
                                      OpenFailureText(openError, file, openText));
  posix_fadvise(user.Fd(), 0, 0, POSIX_FADV_SEQUENTIAL);
  ScanFile opened;
  opened.name = file;
  // The size the scan covers is the one the descriptor had when it was opened; a later
  // change of size is noticed by the scan and reported.
  opened.size = static_cast<int64_t>(user.Status().st_size);
  opened.fd = user.TakeFd();
  return opened;
}

FileResult<int64_t> ScanFileRange(ScanFile& file, const ScanOptions& options,
                                  const ScanVisitor& visit) {
  const int64_t end = options.end < 0 ? file.size : std::min(options.end, file.size);
  const int64_t start = std::clamp<int64_t>(options.start, 0, end);
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kScanPiece]);
  if (!buffer)
    return FileError{FileFailure::kOutOfMemory,
                     Format(SJ("※　バッファ確保に失敗。BuffSize[%u]").c_str(),
                            static_cast<unsigned>(kScanPiece))};
  const int64_t piece = static_cast<int64_t>(kScanPiece);
  int64_t done = 0;
  while (done < end - start) {
    if (options.cancel.IsCancelled()) return CancelledError();
    const int64_t count = std::min(piece, end - start - done);
    const int64_t at = options.backward ? end - done - count : start + done;
    const int64_t got = ReadFull(file.fd.Get(), buffer.get(), static_cast<size_t>(count), at);
    if (got != count) {
      // A short read is a file cut shorter under the command, or a failing device.
      const int64_t now = CurrentSize(file.fd.Get());
      if (now >= 0 && now != file.size) return SizeChangedError(file.name);
      return ReadError(file.name, at + std::max<int64_t>(got, 0));
    }
    done += count;
    if (options.progress != nullptr) options.progress->Advance(count);
    if (!visit(buffer.get(), static_cast<size_t>(count), at)) break;
  }
  if (CurrentSize(file.fd.Get()) != file.size) return SizeChangedError(file.name);
  return done;
}

}  // namespace vpx
