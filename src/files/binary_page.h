// The simple binary display without any window: block sizes, where the first block and
// page of a requested range lie, the block buffer that reuses bytes already loaded, and
// the offset / hexadecimal / character texts of one 16-byte line. The window draws from it
// and the terminal front end prints the first page with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/byte_range.h"

namespace vpx {

constexpr int kBinLineBytes = 16;
constexpr int kBinPageLines = 62;
constexpr int64_t kBinPageBytes = kBinLineBytes * kBinPageLines;  // 992
// Characters of the offset part of a line ("%014llu : ").
constexpr int kBinOffsetChars = 17;

// Bytes read at once for a file of fileSize bytes: the first table entry whose value times
// 32768 reaches the size, the last entry for larger files.
int64_t BinaryBlockSizeFor(int64_t fileSize);

// Makes a requested range ready for display: swaps a reversed pair, turns 0..0 into the
// whole file and cuts it at the end of the file (an empty file gives 0..-1). False for a
// negative offset.
bool NormaliseBinaryRange(int64_t first, int64_t last, int64_t fileSize, ByteRange& out);
// Bytes of a normalised range's first page, from its first byte: the page ends on a line end.
int64_t FirstPageLength(const ByteRange& range);

// The first block placed around the range: centred with a 16-aligned margin when the range
// is shorter than a block, at the range's aligned start otherwise.
ByteRange PlaceFirstBlock(const ByteRange& range, int64_t fileSize, int64_t blockSize);

// The block shown when the lower scroll bar stands at position.
ByteRange BlockAtPosition(int64_t position, int64_t blockSize, int64_t fileSize);

int64_t CeilDiv(int64_t a, int64_t b);

// One loaded block of a file. Loading another section moves the bytes it shares with the
// loaded one into place and reads only the rest.
class CBinaryBlock {
 public:
  // Makes room for blockSize bytes; false when the memory cannot be had.
  bool Reserve(int64_t blockSize);
  // Reads section of the file name (Shift-JIS). On failure returns false with the read's
  // message (Shift-JIS, ending in a line break) and shows the previous section again.
  bool Load(const std::string& name, ByteRange section, std::string& error);
  const uint8_t* Data() const { return buffer_.data(); }
  int64_t Start() const { return start_; }
  int64_t Count() const { return count_; }
  // Bytes taken from the buffer instead of the file by the last Load (for tests).
  int64_t ReusedByLastLoad() const { return reused_; }

 private:
  bool LoadFrom(int fd, ByteRange section, std::string& error);

  std::vector<uint8_t> buffer_;
  int64_t start_ = 0;
  int64_t count_ = 0;
  int64_t reused_ = 0;
};

// The three parts of one display line, Shift-JIS.
struct BinaryLine {
  std::string offset;  // "%014llu : "
  std::string hex;     // 16 cells of "%02X " or three blanks
  std::string chars;   // 16 columns
};

// Formats the line at 16-aligned file offset lineOffset. cells holds the line's 16 bytes;
// only cells firstCell..lastCell (inclusive) belong to the page, the others stay blank.
BinaryLine FormatBinaryLine(int64_t lineOffset, const uint8_t* cells, int firstCell, int lastCell);

// Formats the page of length bytes at file offset pageOffset; bytes[0] is the byte at
// pageOffset. One line per 16-aligned offset the page touches.
std::vector<BinaryLine> FormatBinaryPage(int64_t pageOffset, const uint8_t* bytes, int64_t length);

// The state of one binary display: file, block and page, and the moves of its two scroll
// bars (the upper one pages within the block, the lower one moves block by block).
class CBinaryViewModel {
 public:
  // Opens name on the inclusive range first..last. 0 when there is no name, an offset is
  // negative or the file does not exist; 0 after a traced message when the block buffer
  // cannot be had. A failed read leaves the view empty but open (1).
  int DispFileData(const std::string& name, int64_t first, int64_t last);

  // Moves the lower bar to position; false with the read's message when the block cannot
  // be read (the position then stays where it was).
  bool MoveBlock(int64_t position, std::string& error);
  // Moves the upper bar to position; the page becomes a whole page of the block.
  void MovePage(int64_t position);

  const std::string& FileName() const { return fileName_; }
  int64_t FileSize() const { return fileSize_; }
  int64_t BlockSize() const { return blockSize_; }
  int64_t BlockCount() const { return blockCount_; }
  int64_t BlockPosition() const { return blockPos_; }
  int64_t PageCount() const { return pageCount_; }
  int64_t PagePosition() const { return pagePos_; }
  const CBinaryBlock& Block() const { return block_; }

  // The page shown: its file offset, its length and its bytes.
  int64_t PageOffset() const { return block_.Start() + pageStart_; }
  int64_t PageLength() const { return pageLength_; }
  std::vector<BinaryLine> FormatPage() const;
  // File offset of the byte cell at column of the page's line (0-based), or -1 when the
  // position is not a byte cell of the page.
  int64_t ByteOffsetAt(int line, int column) const;

 private:
  std::string fileName_;
  int64_t fileSize_ = 0;
  int64_t blockSize_ = 0;
  CBinaryBlock block_;
  int64_t blockCount_ = 0;
  int64_t blockPos_ = 0;
  int64_t pageCount_ = 0;
  int64_t pagePos_ = 0;
  int64_t pageStart_ = 0;
  int64_t pageLength_ = 0;
};

}  // namespace vpx
