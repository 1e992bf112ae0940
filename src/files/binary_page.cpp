#include "files/binary_page.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <new>

#include "files/file_io.h"
#include "files/file_primitives.h"
#include "files/user_file.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"

namespace vpx {
namespace {

constexpr int64_t kBlockSizes[] = {4999680,  9999369,  14999360, 19999712,
                                   24999392, 29999072, 32505856};
constexpr int64_t kBlocksPerFile = 32768;

int64_t AlignDown16(int64_t v) {
  return v - v % kBinLineBytes;
}

// Appends the character-column text of the byte run starting at cells[i]; returns the
// number of columns used (1 or 2).
int AppendCharColumn(const uint8_t* cells, int i, int lastCell, std::string& out) {
  const uint8_t b = cells[i];
  if (b < 32 || b == 127 || b == 255) {
    out += '.';
    return 1;
  }
  std::string utf8;
  if (IsSjisLeadByte(b)) {
    // A lead byte needs its trail byte on the same line and inside the page.
    if (i == kBinLineBytes - 1 || i + 1 > lastCell || !IsSjisTrailByte(cells[i + 1])) {
      out += '.';
      return 1;
    }
    const char pair[2] = {static_cast<char>(b), static_cast<char>(cells[i + 1])};
    if (!SjisToUtf8(std::string_view(pair, 2), utf8)) {
      out += '.';
      return 1;
    }
    out.append(pair, 2);
    return 2;
  }
  if (b < 0x80) {
    out += static_cast<char>(b);
    return 1;
  }
  // 0x80, 0xA0 and 0xFD to 0xFE are no characters; half-width katakana are.
  const char single = static_cast<char>(b);
  if (b == 0x80 || b == 0xA0 || !SjisToUtf8(std::string_view(&single, 1), utf8)) {
    out += '.';
    return 1;
  }
  out += single;
  return 1;
}

}  // namespace

int64_t BinaryBlockSizeFor(int64_t fileSize) {
  for (int64_t size : kBlockSizes) {
    if (size * kBlocksPerFile >= fileSize) return size;
  }
  return kBlockSizes[std::size(kBlockSizes) - 1];
}

int64_t CeilDiv(int64_t a, int64_t b) {
  return b <= 0 || a <= 0 ? 0 : (a + b - 1) / b;
}

bool NormaliseBinaryRange(int64_t first, int64_t last, int64_t fileSize, ByteRange& out) {
  if (first < 0 || last < 0) return false;
  out = ByteRange::FromFirstLast(first, last).Ordered();
  if (out.first == 0 && out.last == 0) out.last = fileSize - 1;
  // Bytes past the end of the file cannot be shown.
  out.last = std::min(out.last, fileSize - 1);
  return true;
}

int64_t FirstPageLength(const ByteRange& range) {
  const int64_t count = std::max<int64_t>(0, range.Length());
  return std::min(count, kBinPageBytes - range.first % kBinLineBytes);
}

namespace {

// A block of at most blockSize bytes from start, cut at the end of the file.
ByteRange BlockFrom(int64_t start, int64_t blockSize, int64_t fileSize) {
  return ByteRange::FromStartLength(start,
                                    std::max<int64_t>(0, std::min(blockSize, fileSize - start)));
}

}  // namespace

ByteRange PlaceFirstBlock(const ByteRange& range, int64_t fileSize, int64_t blockSize) {
  if (range.first >= fileSize) return ByteRange::FromStartLength(0, 0);
  const int64_t alignedStart = AlignDown16(range.first);
  const int64_t count = std::max<int64_t>(0, range.Length());
  const int64_t alignedLength =
      std::min(count + range.first % kBinLineBytes, fileSize - alignedStart);
  if (alignedLength >= blockSize) return BlockFrom(alignedStart, blockSize, fileSize);
  const int64_t margin = AlignDown16((blockSize - alignedLength) / 2);
  return BlockFrom(range.first >= margin ? alignedStart - margin : 0, blockSize, fileSize);
}

ByteRange BlockAtPosition(int64_t position, int64_t blockSize, int64_t fileSize) {
  return BlockFrom(position * blockSize, blockSize, fileSize);
}

bool CBinaryBlock::Reserve(int64_t blockSize) {
  if (static_cast<int64_t>(buffer_.size()) >= blockSize) return true;
  try {
    std::vector<uint8_t> larger(static_cast<size_t>(blockSize));
    if (count_ > 0) std::memcpy(larger.data(), buffer_.data(), static_cast<size_t>(count_));
    buffer_.swap(larger);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool CBinaryBlock::Load(const std::string& name, ByteRange section, std::string& error) {
  FileOpenError openError;
  UserFile fd = OpenUserFile(name, FileUse::kRead, 0, &openError);
  if (!fd.IsOpen()) {
    error = OpenFailureText(openError, name) + "\n";
    return false;
  }
  const ByteRange previous = ByteRange::FromStartLength(start_, count_);
  if (LoadFrom(fd.Fd(), section, error)) return true;
  std::string ignored;
  if (!LoadFrom(fd.Fd(), previous, ignored)) count_ = 0;
  return false;
}

bool CBinaryBlock::LoadFrom(int fd, ByteRange section, std::string& error) {
  if (!Reserve(section.Length())) {
    error = FormatSystemError(ENOMEM);
    return false;
  }
  // The part of the new section already in the buffer moves to its new place.
  const int64_t keepFrom = std::max(section.first, start_);
  const int64_t keepTo = std::min(section.End(), start_ + count_);
  reused_ = std::max<int64_t>(0, keepTo - keepFrom);
  if (reused_ > 0) {
    std::memmove(buffer_.data() + (keepFrom - section.first), buffer_.data() + (keepFrom - start_),
                 static_cast<size_t>(reused_));
  }
  auto readPart = [&](int64_t from, int64_t to) {
    if (to <= from) return true;
    errno = 0;
    const int64_t got =
        ReadFull(fd, buffer_.data() + (from - section.first), static_cast<size_t>(to - from), from);
    if (got == to - from) return true;
    error = FormatSystemError(errno != 0 ? errno : EIO);
    return false;
  };
  const bool ok = reused_ > 0 ? readPart(section.first, keepFrom) && readPart(keepTo, section.End())
                              : readPart(section.first, section.End());
  start_ = section.first;
  count_ = ok ? section.Length() : 0;
  if (!ok) reused_ = 0;
  return ok;
}

BinaryLine FormatBinaryLine(int64_t lineOffset, const uint8_t* cells, int firstCell, int lastCell) {
  BinaryLine line;
  line.offset = Format("%014" PRIu64 " : ", static_cast<uint64_t>(lineOffset));
  line.hex.reserve(kBinLineBytes * 3);
  for (int i = 0; i < kBinLineBytes; ++i) {
    line.hex += (i < firstCell || i > lastCell) ? std::string("   ") : Format("%02X ", cells[i]);
  }
  for (int i = 0; i < kBinLineBytes;) {
    if (i < firstCell || i > lastCell) {
      line.chars += ' ';
      ++i;
      continue;
    }
    i += AppendCharColumn(cells, i, lastCell, line.chars);
  }
  return line;
}

std::vector<BinaryLine> FormatBinaryPage(int64_t pageOffset, const uint8_t* bytes, int64_t length) {
  std::vector<BinaryLine> lines;
  if (length <= 0) return lines;
  const int64_t pageEnd = pageOffset + length - 1;
  for (int64_t lineOffset = AlignDown16(pageOffset); lineOffset <= pageEnd;
       lineOffset += kBinLineBytes) {
    uint8_t cells[kBinLineBytes] = {};
    const int firstCell = static_cast<int>(std::max<int64_t>(0, pageOffset - lineOffset));
    const int lastCell = static_cast<int>(std::min<int64_t>(15, pageEnd - lineOffset));
    for (int i = firstCell; i <= lastCell; ++i) cells[i] = bytes[lineOffset + i - pageOffset];
    lines.push_back(FormatBinaryLine(lineOffset, cells, firstCell, lastCell));
  }
  return lines;
}

int CBinaryViewModel::DispFileData(const std::string& name, int64_t first, int64_t last) {
  if (name.empty() || first < 0 || last < 0 || IxExistFile(name, false) != 1) return 0;
  const int64_t size = QueryFileSize(name);
  if (size < 0) return 0;
  ByteRange range;
  if (!NormaliseBinaryRange(first, last, size, range)) return 0;
  const int64_t blockSize = BinaryBlockSizeFor(size);
  if (!block_.Reserve(std::min(blockSize, std::max<int64_t>(size, 1)))) {
    WriteTrace(SJ("※　バッファの確保に失敗。CMyBinDialog::DispFileData()\n"));
    return 0;
  }
  fileName_ = name;
  fileSize_ = size;
  blockSize_ = blockSize;
  std::string error;
  if (!block_.Load(name, PlaceFirstBlock(range, size, blockSize), error)) WriteTrace(error);
  blockCount_ = CeilDiv(size, blockSize);
  blockPos_ = block_.Start() / blockSize;
  pageCount_ = CeilDiv(block_.Count(), kBinPageBytes);
  pagePos_ = block_.Count() > 0 ? (range.first - block_.Start()) / kBinPageBytes : 0;
  pageStart_ = block_.Count() > 0 ? range.first - block_.Start() : 0;
  pageLength_ = block_.Count() > 0 ? FirstPageLength(range) : 0;
  return 1;
}

bool CBinaryViewModel::MoveBlock(int64_t position, std::string& error) {
  position = std::clamp<int64_t>(position, 0, std::max<int64_t>(0, blockCount_ - 1));
  const bool forward = position > blockPos_;
  if (!block_.Load(fileName_, BlockAtPosition(position, blockSize_, fileSize_), error)) {
    // The previous block is back in place, so is its page; without it nothing is shown.
    if (block_.Count() == 0) pageCount_ = pagePos_ = pageStart_ = pageLength_ = 0;
    return false;
  }
  blockPos_ = position;
  pageCount_ = CeilDiv(block_.Count(), kBinPageBytes);
  MovePage(forward ? 0 : std::max<int64_t>(0, pageCount_ - 1));
  return true;
}

void CBinaryViewModel::MovePage(int64_t position) {
  pagePos_ = std::clamp<int64_t>(position, 0, std::max<int64_t>(0, pageCount_ - 1));
  pageStart_ = std::min(pagePos_ * kBinPageBytes, block_.Count());
  pageLength_ = std::min(kBinPageBytes, block_.Count() - pageStart_);
}

std::vector<BinaryLine> CBinaryViewModel::FormatPage() const {
  return FormatBinaryPage(PageOffset(), block_.Data() + pageStart_, pageLength_);
}

int64_t CBinaryViewModel::ByteOffsetAt(int line, int column) const {
  if (line < 0 || column < kBinOffsetChars || pageLength_ <= 0) return -1;
  const int cell = (column - kBinOffsetChars) / 3;
  if (cell >= kBinLineBytes) return -1;
  const int64_t offset = AlignDown16(PageOffset()) + int64_t{kBinLineBytes} * line + cell;
  if (offset < PageOffset() || offset >= PageOffset() + pageLength_) return -1;
  return offset;
}

}  // namespace vpx
