#include "files/file_compare.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "files/file_io.h"
#include "files/file_scan.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

// Number of differing bytes of two runs, and the index of the first (count when none).
int64_t CountDifferences(const uint8_t* a, const uint8_t* b, size_t count, size_t* first) {
  *first = count;
  if (std::memcmp(a, b, count) == 0) return 0;
  int64_t differing = 0;
  for (size_t i = 0; i < count; ++i) differing += a[i] != b[i];
  for (size_t i = 0; i < count; ++i)
    if (a[i] != b[i]) {
      *first = i;
      break;
    }
  return differing;
}

}  // namespace

FileResult<FileComparison> CompareFiles(const std::string& a, const std::string& b,
                                        CancelToken cancel, JobProgress* progress) {
  FileResult<ScanFile> fileA = OpenScanFile(a);
  if (!fileA) return fileA.error();
  FileResult<ScanFile> fileB = OpenScanFile(b);
  if (!fileB) return fileB.error();
  FileComparison result;
  result.sizeA = fileA.value().size;
  result.sizeB = fileB.value().size;
  const int64_t common = std::min(result.sizeA, result.sizeB);
  std::unique_ptr<uint8_t[]> other(new (std::nothrow) uint8_t[kScanPiece]);
  if (!other)
    return FileResult<FileComparison>::Fail(
        FileFailure::kOutOfMemory, Format(SJ("※　バッファ確保に失敗。BuffSize[%u]").c_str(),
                                          static_cast<unsigned>(kScanPiece)));
  if (progress != nullptr) progress->Start(common);
  ScanOptions options;
  options.end = common;
  options.cancel = cancel;
  options.progress = progress;
  bool shortB = false;
  // a drives the reading; b's piece at the same offset is read beside it.
  FileResult<int64_t> read = ScanFileRange(
      fileA.value(), options, [&](const uint8_t* bytes, size_t count, int64_t offset) {
        if (ReadFull(fileB.value().fd.Get(), other.get(), count, offset) !=
            static_cast<int64_t>(count)) {
          shortB = true;
          return false;
        }
        size_t first = 0;
        const int64_t differing = CountDifferences(bytes, other.get(), count, &first);
        if (differing != 0 && result.firstDifference < 0)
          result.firstDifference = offset + static_cast<int64_t>(first);
        result.differingBytes += differing;
        return true;
      });
  if (!read) return read.error();
  struct stat st;
  if (shortB || fstat(fileB.value().fd.Get(), &st) != 0 || st.st_size != result.sizeB)
    return SizeChangedError(b);
  if (result.sizeA != result.sizeB) {
    result.differingBytes += std::max(result.sizeA, result.sizeB) - common;
    if (result.firstDifference < 0) result.firstDifference = common;
  }
  return result;
}

std::string ComparisonText(const FileComparison& comparison) {
  if (comparison.Equal())
    return Format(SJ("一致しました。サイズ %s Byte").c_str(),
                  FormatByteCount(comparison.sizeA).c_str());
  std::string text = Format(SJ("最初の相違 [0x%llX]　相違 %s Byte").c_str(),
                            static_cast<unsigned long long>(comparison.firstDifference),
                            FormatByteCount(comparison.differingBytes).c_str());
  if (comparison.sizeA != comparison.sizeB)
    text += Format(SJ("　サイズ %s / %s Byte").c_str(), FormatByteCount(comparison.sizeA).c_str(),
                   FormatByteCount(comparison.sizeB).c_str());
  return text;
}

}  // namespace vpx
