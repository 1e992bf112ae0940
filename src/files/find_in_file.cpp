#include "files/find_in_file.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>

#include "files/file_scan.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

FileError EmptyPatternError() {
  return FileError{FileFailure::kInvalid, SJ("※　検索パターンが空です。")};
}

// The character at text[at] as the user typed it (both bytes of a Shift-JIS pair).
std::string CharacterAt(const std::string& text, size_t at) {
  const size_t length =
      IsSjisLeadByte(static_cast<uint8_t>(text[at])) && at + 1 < text.size() ? 2 : 1;
  return text.substr(at, length);
}

// Calls found(offset) for each occurrence in bytes [0, count) that begins before `limit`,
// in order, until it returns false (then returns false).
bool EachMatch(const char* bytes, size_t count, size_t limit, const std::string& pattern,
               int64_t offset, const std::function<bool(int64_t)>& found) {
  const char* end = bytes + count;
  for (const char* at = bytes; at + pattern.size() <= end; ++at) {
    at = static_cast<const char*>(
        memmem(at, static_cast<size_t>(end - at), pattern.data(), pattern.size()));
    if (at == nullptr || static_cast<size_t>(at - bytes) >= limit) break;
    if (!found(offset + (at - bytes))) return false;
  }
  return true;
}

// Calls found(offset) for each occurrence of pattern from start on, forward, until it
// returns false. Each piece is searched where it lies; the last size - 1 bytes of a piece
// are kept and searched together with the head of the next for the matches that straddle
// the two. Returns 1 when found stopped the search, else 0.
FileResult<int64_t> ScanForward(ScanFile& file, const std::string& pattern, int64_t start,
                                const ScanOptions& base,
                                const std::function<bool(int64_t)>& found) {
  const size_t keep = pattern.size() - 1;
  std::string tail;  // the kept bytes, ending where the next piece begins
  std::string seam;
  bool stopped = false;
  ScanOptions options = base;
  options.start = start;
  FileResult<int64_t> read =
      ScanFileRange(file, options, [&](const uint8_t* bytes, size_t count, int64_t at) {
        const char* piece = reinterpret_cast<const char*>(bytes);
        if (!tail.empty()) {
          seam.assign(tail).append(piece, std::min(keep, count));
          const int64_t seamAt = at - static_cast<int64_t>(tail.size());
          if (!EachMatch(seam.data(), seam.size(), tail.size(), pattern, seamAt, found)) {
            stopped = true;
            return false;
          }
        }
        if (!EachMatch(piece, count, count, pattern, at, found)) {
          stopped = true;
          return false;
        }
        tail.append(piece + count - std::min(keep, count), std::min(keep, count));
        if (tail.size() > keep) tail.erase(0, tail.size() - keep);
        return true;
      });
  if (!read) return read.error();
  return stopped ? 1 : 0;
}

FileResult<int64_t> CheckStart(const ScanFile& file, int64_t start) {
  if (start < 0 || start > file.size)
    return FileResult<int64_t>::Fail(
        FileFailure::kInvalid,
        Format(
            SJ("※　開始位置がファイルの終わりを越えています。[%lld] / FileSize[%s Byte]").c_str(),
            static_cast<long long>(start), FormatByteCount(file.size).c_str()));
  return start;
}

}  // namespace

FileResult<std::string> ParseHexPattern(const std::string& text) {
  std::string bytes;
  int high = -1;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ' ' || c == '\t') continue;
    const int value = HexValue(c);
    if (value < 0)
      return FileResult<std::string>::Fail(
          FileFailure::kInvalid,
          Format(SJ("※　16進パターンに16進数字でない文字があります。「%s」").c_str(),
                 CharacterAt(text, i).c_str()));
    if (high < 0) {
      high = value;
    } else {
      bytes += static_cast<char>(high * 16 + value);
      high = -1;
    }
  }
  if (high >= 0)
    return FileResult<std::string>::Fail(
        FileFailure::kInvalid,
        Format(SJ("※　16進パターンの桁数が奇数です。[ %s ]").c_str(), text.c_str()));
  if (bytes.empty()) return EmptyPatternError();
  return bytes;
}

FileResult<std::string> TextPattern(const std::string& text) {
  if (text.empty()) return EmptyPatternError();
  return text;
}

// Opens file and hands every occurrence of pattern at or after start to onMatch (which
// returns false to stop); the scan's outcome.
template <class OnMatch>
FileResult<int64_t> ScanFileForPattern(const std::string& file, const std::string& pattern,
                                       int64_t start, CancelToken cancel, JobProgress* progress,
                                       OnMatch&& onMatch) {
  if (pattern.empty()) return EmptyPatternError();
  FileResult<ScanFile> opened = OpenScanFile(file);
  if (!opened) return opened.error();
  FileResult<int64_t> checked = CheckStart(opened.value(), start);
  if (!checked) return checked;
  if (progress != nullptr) progress->Start(opened.value().size - start);
  ScanOptions options;
  options.cancel = cancel;
  options.progress = progress;
  return ScanForward(opened.value(), pattern, start, options, onMatch);
}

FileResult<int64_t> FindInFile(const std::string& file, const std::string& pattern, int64_t start,
                               CancelToken cancel, JobProgress* progress) {
  int64_t first = -1;
  FileResult<int64_t> scanned =
      ScanFileForPattern(file, pattern, start, cancel, progress, [&](int64_t at) {
        first = at;
        return false;
      });
  if (!scanned) return scanned;
  return first;
}

FileResult<int64_t> CountInFile(const std::string& file, const std::string& pattern, int64_t start,
                                CancelToken cancel, JobProgress* progress) {
  int64_t count = 0;
  FileResult<int64_t> scanned =
      ScanFileForPattern(file, pattern, start, cancel, progress, [&](int64_t) {
        ++count;
        return true;
      });
  if (!scanned) return scanned;
  return count;
}

FileResult<int64_t> FindLastInFile(const std::string& file, const std::string& pattern,
                                   int64_t before, CancelToken cancel, JobProgress* progress) {
  if (pattern.empty()) return EmptyPatternError();
  FileResult<ScanFile> opened = OpenScanFile(file);
  if (!opened) return opened.error();
  ScanFile& scan = opened.value();
  const int64_t limit = before < 0 ? scan.size : std::min(before, scan.size);
  // Occurrences beginning before limit end at most limit + size - 1 bytes in.
  const int64_t end = std::min(scan.size, limit + static_cast<int64_t>(pattern.size()) - 1);
  if (progress != nullptr) progress->Start(end);
  const size_t keep = pattern.size() - 1;
  std::string window;  // the bytes from the piece's offset on, with the kept head of the last
  int64_t last = -1;
  ScanOptions options;
  options.end = end;
  options.backward = true;
  options.cancel = cancel;
  options.progress = progress;
  FileResult<int64_t> read =
      ScanFileRange(scan, options, [&](const uint8_t* bytes, size_t count, int64_t offset) {
        window.insert(0, reinterpret_cast<const char*>(bytes), count);
        const char* begin = window.data();
        const char* end = begin + window.size();
        for (const char* at = begin; at + pattern.size() <= end; ++at) {
          at = static_cast<const char*>(
              memmem(at, static_cast<size_t>(end - at), pattern.data(), pattern.size()));
          if (at == nullptr || offset + (at - begin) >= limit) break;
          last = offset + (at - begin);
        }
        if (last >= 0) return false;
        window.resize(std::min(window.size(), keep));
        return true;
      });
  if (!read) return read.error();
  return last;
}

std::string FoundAtText(int64_t offset) {
  return Format(SJ("[0x%llX]　位置 %s").c_str(), static_cast<unsigned long long>(offset),
                InsertThousandsSeparators(std::to_string(offset)).c_str());
}

}  // namespace vpx
