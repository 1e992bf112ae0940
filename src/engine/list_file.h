// The shortcut list file: a versioned, line-based text holding result records (entries 1 and
// up of the list) exactly — full numbers with their saturation mark and result size,
// Shift-JIS texts byte for byte. The layout is in docs/list-file-format.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/func_result.h"

namespace vpx {

// The version written; every version from kOldestListFileVersion up is read.
constexpr uint32_t kListFileVersion = 2;
constexpr uint32_t kOldestListFileVersion = 1;
// The first line's word before the version number.
constexpr std::string_view kListFileMagic = "VORPEX-SHORTCUT-LIST";

// Why a file was refused, and the 1-based line where it was found (0: the file as a whole).
struct ListFileError {
  size_t line = 0;
  std::string reason;        // Shift-JIS
  bool outOfMemory = false;  // the text may be sound: memory ran out reading it
  bool stopped = false;      // the record sink refused a record
};

// Takes one record read from a list file (it may move it away); false stops the reading.
using ListRecordSink = std::function<bool(CMyFuncResult& record)>;

// Writes the file text entry by entry, handing it to a sink in pieces of about a megabyte,
// so that a save never holds the whole text. Begin, Add for each record, End; each returns
// false once the sink refused a piece or memory ran out (OutOfMemory tells which).
class ListFileWriter {
 public:
  using Sink = std::function<bool(std::string_view piece)>;
  explicit ListFileWriter(Sink sink) : sink_(std::move(sink)) {}

  bool Begin(size_t entries);
  bool Add(const CMyFuncResult& record);
  bool End();
  bool OutOfMemory() const { return outOfMemory_; }

 private:
  // Hands the buffer to the sink once it holds a piece (all of it when force is set).
  bool Flush(bool force);

  Sink sink_;
  std::string buffer_;
  uint32_t index_ = 0;
  bool failed_ = false;
  bool outOfMemory_ = false;
};

// The whole file text for records, in order. False when memory runs out.
bool FormatListFile(const std::vector<CMyFuncResult>& records, std::string& out);

// Checks the whole text and builds its records. False with error set and records left as
// they were for a damaged, truncated or foreign text, or when memory runs out. Lines may
// end with LF or CR LF.
bool ParseListFile(std::string_view text, std::vector<CMyFuncResult>& records,
                   ListFileError& error);
// Reads the text record by record, handing each to take (null: only checked) as soon as
// it is read, so that no more than one record is held. False with error set at the first
// damage (the records before it were handed out), or when take refused one.
bool ParseListFile(std::string_view text, const ListRecordSink& take, ListFileError& error);

// Why ReadWholeFile failed.
struct ReadFailure {
  int error = 0;             // errno of the failed open or read; ENOMEM past maxBytes
  unsigned refusedKind = 0;  // the file kind (S_IFIFO, S_IFDIR, ...) when it is no regular file
};

// The whole regular file at the Shift-JIS path. True, or false with failure set.
bool ReadWholeFile(const std::string& path, size_t maxBytes, std::string& bytes,
                   ReadFailure& failure);

}  // namespace vpx
