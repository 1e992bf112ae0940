#include "files/value_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "files/file_create.h"
#include "files/file_io.h"
#include "files/file_primitives.h"
#include "files/user_file.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

constexpr size_t kDigitBuffer = 1024;
// How long an append waits for another appender's lock before it is refused.
constexpr int kAppendLockWaitMs = 5000;

// The data to write: bytes held whole, or the digits of a number streamed through a small
// buffer.
struct Payload {
  WriteForm form;
  std::string bytes;
  MyNumeric number;    // for the digit forms, with its insignificant zeros removed
  int64_t length = 0;  // the data length reported
  int64_t total = 0;   // the bytes that must be written (text: with the newline)
};

// Text mode: every "\n" is stored as CR LF. Returns the source bytes that were written.
int64_t WriteText(int fd, const std::string& data) {
  std::string stored;
  stored.reserve(data.size() + data.size() / 16 + 2);
  for (char c : data) {
    if (c == '\n') stored += '\r';
    stored += c;
  }
  int64_t written = WriteFull(fd, stored.data(), stored.size());
  int64_t source = 0;
  int64_t end = 0;
  for (char c : data) {
    end += c == '\n' ? 2 : 1;
    if (end > written) break;
    ++source;
  }
  return source;
}

int64_t WriteDigits(int fd, const MyNumeric& number, bool msdFirst) {
  const int64_t count = number.GetValidSize();
  const int64_t top = static_cast<int64_t>(number.GetIntSize()) - 1;
  const int64_t bottom = -static_cast<int64_t>(number.GetSPSize());
  uint8_t buffer[kDigitBuffer];
  int64_t done = 0;
  while (done < count) {
    size_t fill = static_cast<size_t>(std::min<int64_t>(kDigitBuffer, count - done));
    for (size_t i = 0; i < fill; ++i) {
      int64_t k = done + static_cast<int64_t>(i);
      int digit = number.GetDigitAtPlace(msdFirst ? top - k : bottom + k);
      buffer[i] = static_cast<uint8_t>(digit < 0 ? 0 : digit);
    }
    int64_t written = WriteFull(fd, buffer, fill);
    done += written;
    if (written != static_cast<int64_t>(fill)) break;
  }
  return done;
}

int64_t WritePayload(int fd, const Payload& payload) {
  switch (payload.form.encoding) {
    case WriteEncoding::kText:
      return WriteText(fd, payload.bytes + "\n");
    case WriteEncoding::kBinary:
      return WriteFull(fd, payload.bytes.data(), payload.bytes.size());
    case WriteEncoding::kDigits:
      return WriteDigits(fd, payload.number, payload.form.bigEndian);
  }
  return 0;
}

// The number as two's-complement bytes, little-endian, or reversed for big-endian.
bool NumberAsBinary(const MyNumeric& number, bool bigEndian, std::string& bytes,
                    std::string& failure) {
  int64_t expected = number.CountBinaryBytes() + 1;
  std::vector<uint8_t> buffer;
  try {
    buffer.resize(static_cast<size_t>(std::max<int64_t>(expected, 1)));
  } catch (const std::bad_alloc&) {
    failure = Format(SJ("※　バッファの確保に失敗。ExpectByteSize[%u]").c_str(),
                     static_cast<unsigned>(expected));
    return false;
  }
  int64_t produced = number.GetDataAsBinary(buffer.data(), static_cast<int64_t>(buffer.size()));
  if (produced <= 0) {
    failure = SJ("※　BCDからバイナリデータへの変換に失敗。");
    return false;
  }
  bytes.assign(reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(produced));
  // The complement is taken over the magnitude's bytes; a negative number whose top byte
  // then reads as positive (-129 gives 7F) needs one more sign byte.
  const bool zero = bytes.find_first_not_of('\0') == std::string::npos;  // -0.5 writes 00
  if (number.IsMinus() && !zero && (static_cast<uint8_t>(bytes.back()) & 0x80) == 0)
    bytes += '\xFF';
  if (bigEndian) std::reverse(bytes.begin(), bytes.end());
  return true;
}

bool PreparePayload(WriteForm form, const std::string& text, const MyNumeric& number,
                    Payload& payload, std::string& failure) {
  payload.form = form;
  if (form.encoding == WriteEncoding::kDigits) {
    payload.number = number;
    payload.number.RefreshValidPartSize();
    payload.length = payload.total = payload.number.GetValidSize();
    return true;
  }
  if (!form.fromNumber) {
    payload.bytes = text;
  } else if (form.encoding == WriteEncoding::kText) {
    payload.bytes = SignedDecimalText(number);
  } else if (!NumberAsBinary(number, form.bigEndian, payload.bytes, failure)) {
    return false;
  }
  payload.length = static_cast<int64_t>(payload.bytes.size());
  payload.total = form.encoding == WriteEncoding::kText ? payload.length + 1 : payload.length;
  return true;
}

// What an offset write has to put back if it fails: a file it created is removed; an
// existing regular file gets back its old bytes over the range written, its holes, and
// its old size.
struct OffsetUndo {
  bool created = false;
  bool regular = false;
  int64_t oldSize = 0;
  int64_t offset = 0;
  std::string oldBytes;  // the file's bytes from offset on, as far as the write can reach
  std::vector<std::pair<int64_t, int64_t>> holes;  // [first, end) of oldBytes never written
};

// Removes a file this write created, so that a failed write leaves no new file behind.
void RemoveCreated(const std::string& file) {
  std::string osName;
  if (ToOsPath(file, osName)) unlink(osName.c_str());
}

// Opens (or creates) file and moves to offset; a negative offset is the end of an
// existing file or 0 for a new one. A character device is written at its position.
UniqueFd OpenAtOffset(const std::string& file, int64_t offset, OffsetUndo& undo,
                      std::string& failure) {
  FileOpenError openError;
  // O_EXCL tells whether this write made the file (and may remove it again).
  UserFile opened;
  if (!UserPathExists(file)) {
    opened = OpenUserFile(file, FileUse::kWriteTarget, O_CREAT | O_EXCL, &openError);
    undo.created = opened.IsOpen();
  }
  if (!opened.IsOpen() && (openError.error == 0 || openError.error == EEXIST)) {
    // An existing file, or a dangling symbolic link (whose target is then created).
    openError = FileOpenError{};
    opened = OpenUserFile(file, FileUse::kWriteTarget, O_CREAT, &openError);
  }
  if (!opened.IsOpen()) {
    failure = OpenFailureText(openError, file);
    return UniqueFd();
  }
  const struct stat st = opened.Status();
  UniqueFd fd = opened.TakeFd();
  if (S_ISCHR(st.st_mode)) return fd;
  undo.regular = true;
  undo.oldSize = static_cast<int64_t>(st.st_size);
  if (offset < 0) offset = undo.oldSize;
  if (lseek(fd.Get(), offset, SEEK_SET) != offset) {
    failure = Format(SJ("※　ファイルシークに失敗。希望アドレス[%lld]").c_str(),
                     static_cast<long long>(offset));
    if (undo.created) RemoveCreated(file);
    return UniqueFd();
  }
  undo.offset = offset;
  return fd;
}

// The holes (ranges the file system holds no data for) of fd within [first, end).
std::vector<std::pair<int64_t, int64_t>> HolesIn(int fd, int64_t first, int64_t end) {
  std::vector<std::pair<int64_t, int64_t>> holes;
  for (int64_t pos = first; pos < end;) {
    const off_t hole = lseek(fd, pos, SEEK_HOLE);
    if (hole < 0 || hole >= end) break;
    const off_t data = lseek(fd, hole, SEEK_DATA);
    const int64_t holeEnd = data < 0 ? end : std::min<int64_t>(data, end);
    holes.emplace_back(hole, holeEnd);
    pos = holeEnd;
  }
  return holes;
}

// Keeps the bytes [offset, offset + reach) of an existing file, and where its holes are,
// before they are written over. The file position stays at the offset.
bool SaveOldBytes(int fd, int64_t reach, OffsetUndo& undo) {
  if (!undo.regular || undo.created || undo.offset >= undo.oldSize) return true;
  const int64_t count = std::min(reach, undo.oldSize - undo.offset);
  undo.oldBytes.resize(static_cast<size_t>(count));
  if (pread(fd, undo.oldBytes.data(), undo.oldBytes.size(), undo.offset) != count) return false;
  undo.holes = HolesIn(fd, undo.offset, undo.offset + count);
  return lseek(fd, undo.offset, SEEK_SET) == undo.offset;
}

// Puts back the old bytes of [first, end): a hole is punched again (writing its zeros
// would fill it, and a full disk refuses that), the rest is written.
bool RestoreRange(int fd, const OffsetUndo& undo, int64_t first, int64_t end) {
  for (const auto& [holeFirst, holeEnd] : undo.holes) {
    const int64_t from = std::max(first, holeFirst), to = std::min(end, holeEnd);
    if (from >= to) continue;
    if (from > first && !RestoreRange(fd, undo, first, from)) return false;
    if (fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, from, to - from) != 0) {
      const char* zeros = undo.oldBytes.data() + (from - undo.offset);
      if (WriteFull(fd, zeros, static_cast<size_t>(to - from), from) != to - from) return false;
    }
    first = to;
  }
  if (first >= end) return true;
  const char* bytes = undo.oldBytes.data() + (first - undo.offset);
  return WriteFull(fd, bytes, static_cast<size_t>(end - first), first) == end - first;
}

// Takes a failed offset write back; false when the file could not be restored. Only the
// bytes the write reached (the file position tells) are put back, and a file it grew is
// cut back to its old size.
bool TakeBack(int fd, const std::string& file, const OffsetUndo& undo) {
  if (!undo.regular) return false;
  if (undo.created) {
    RemoveCreated(file);
    return true;
  }
  const int64_t saved = undo.offset + static_cast<int64_t>(undo.oldBytes.size());
  const off_t reached = lseek(fd, 0, SEEK_CUR);
  const int64_t end = reached < 0 ? saved : std::min<int64_t>(reached, saved);
  struct stat now;
  const bool grew = fstat(fd, &now) != 0 || now.st_size != undo.oldSize;
  return (end <= undo.offset || RestoreRange(fd, undo, undo.offset, end)) &&
         (!grew || ftruncate(fd, undo.oldSize) == 0) && fdatasync(fd) == 0;
}

// Opens (or creates) file for appending and takes the lock every appender holds, so two
// appends never interleave. end receives the size under the lock (where a failed append
// is cut back to), or -1 for a device.
UniqueFd OpenForAppend(const std::string& file, int64_t& end, std::string& failure) {
  const bool exists = UserPathExists(file);
  FileOpenError openError;
  UserFile opened =
      OpenUserFile(file, FileUse::kWriteTarget, O_APPEND | (exists ? 0 : O_CREAT), &openError);
  if (!opened.IsOpen()) {
    failure = OpenFailureText(openError, file);
    return UniqueFd();
  }
  if (LockNamedFileForAppend(opened, O_APPEND, CancelToken(), kAppendLockWaitMs) !=
      AppendLock::kHeld) {
    failure = Format(SJ("※　ファイルは他の追加書込で使用中です。[%s]").c_str(), file.c_str());
    return UniqueFd();
  }
  end = opened.IsRegular() ? std::max<int64_t>(opened.Size(), 0) : -1;
  return opened.TakeFd();
}

UniqueFd OpenPlace(const std::string& file, WritePlace place, int64_t& appendEnd, OffsetUndo& undo,
                   std::string& failure) {
  appendEnd = -1;
  return place.append ? OpenForAppend(file, appendEnd, failure)
                      : OpenAtOffset(file, place.offset, undo, failure);
}

std::string OutcomeText(WriteForm form, bool complete, int64_t written, int64_t length) {
  const bool asText = form.encoding == WriteEncoding::kText;
  if (complete) {
    // The digit forms report as plain binary writes in either order.
    const bool bigEndianBytes = form.encoding == WriteEncoding::kBinary && form.bigEndian;
    const std::string& format =
        asText ? SJ("書込完了しました。　書込サイズ [%s] Byte")
        : bigEndianBytes ? SJ("BigEndianでバイナリ書込完了しました。　書込サイズ [%s] Byte")
                         : SJ("バイナリ書込完了しました。　書込サイズ [%s] Byte");
    return Format(format.c_str(), FormatByteCount(length).c_str());
  }
  if (asText) {
    return Format(SJ("※　書込に失敗しました。書込サイズ[%d] / データサイズ[%d]").c_str(),
                  static_cast<int>(written), static_cast<int>(length));
  }
  return Format(
      SJ("※　書込サイズがデータサイズと一致しませんでした。WriteSize[%u] / DataSize[%u]").c_str(),
      static_cast<unsigned>(written), static_cast<unsigned>(length));
}

}  // namespace

std::string NumberAsDecimalText(const MyNumeric& number) {
  MyNumeric value(number);
  value.RefreshValidPartSize();
  std::string text;
  const int64_t intSize = value.GetIntSize();
  const int64_t fractionSize = value.GetSPSize();
  text.reserve(static_cast<size_t>(intSize + fractionSize + 1));
  for (int64_t place = intSize - 1; place >= 0; --place)
    text += static_cast<char>('0' + std::max(0, value.GetDigitAtPlace(place)));
  if (fractionSize > 0) {
    text += '.';
    for (int64_t place = -1; place >= -fractionSize; --place)
      text += static_cast<char>('0' + std::max(0, value.GetDigitAtPlace(place)));
  }
  return text;
}

namespace {

// Converts every value; false with failure set at the first that cannot be.
bool PreparePayloads(WriteForm form, const std::vector<WriteSource>& values,
                     std::vector<Payload>& payloads, std::string& failure) {
  static const std::string kNoText;
  static const MyNumeric kZero;
  payloads.resize(values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    const WriteSource& value = values[i];
    if (!PreparePayload(form, value.text != nullptr ? *value.text : kNoText,
                        value.number != nullptr ? *value.number : kZero, payloads[i], failure))
      return false;
  }
  return true;
}

// How far past the offset the payloads can reach in the file (text may double a byte
// into CR LF).
int64_t StoredReach(const std::vector<Payload>& payloads) {
  int64_t reach = 0;
  for (const Payload& payload : payloads)
    reach += payload.form.encoding == WriteEncoding::kText ? 2 * payload.total : payload.total;
  return reach;
}

struct WriteTally {
  int64_t written = 0;  // data bytes written, line ends not counted
  int64_t length = 0;   // data bytes of all values
  bool complete = true;
};

WriteTally WritePayloads(int fd, const std::vector<Payload>& payloads) {
  WriteTally tally;
  for (const Payload& payload : payloads) tally.length += payload.length;
  for (const Payload& payload : payloads) {
    const int64_t written = WritePayload(fd, payload);
    tally.written += std::min(written, payload.length);
    if (written != payload.total) {
      tally.complete = false;
      break;
    }
  }
  return tally;
}

}  // namespace

std::string SignedDecimalText(const MyNumeric& number) {
  std::string text = NumberAsDecimalText(number);
  const bool zero = text.find_first_not_of("0.") == std::string::npos;
  return number.IsMinus() && !zero ? "-" + text : text;
}

FileResult<Done> WriteValuesToFile(WriteForm form, const std::string& file, WritePlace place,
                                   const std::vector<WriteSource>& values) {
  try {
    std::vector<Payload> payloads;
    std::string failure;
    if (!PreparePayloads(form, values, payloads, failure))
      return FileResult<Done>::Fail(FileFailure::kInvalid, failure);
    int64_t appendEnd = -1;
    OffsetUndo undo;
    UniqueFd fd = OpenPlace(file, place, appendEnd, undo, failure);
    if (!fd.IsOpen()) return FileResult<Done>::Fail(FileFailure::kOpen, failure);
    if (!SaveOldBytes(fd.Get(), StoredReach(payloads), undo))
      return FileResult<Done>::Fail(FileFailure::kRead, OpenErrorText(errno));
    WriteTally tally = WritePayloads(fd.Get(), payloads);
    // A device cannot be synced (EINVAL); its bytes are already written.
    if (place.append && tally.complete && fdatasync(fd.Get()) != 0 && errno != EINVAL)
      tally.complete = false;
    bool restored = true;
    if (!tally.complete && appendEnd >= 0) {
      restored = ftruncate(fd.Get(), appendEnd) == 0;
      if (restored) tally.written = 0;  // the append was taken back whole
    } else if (!tally.complete && !place.append) {
      restored = TakeBack(fd.Get(), file, undo);
      if (restored) tally.written = 0;
    }
    const bool complete = fd.Close() && tally.complete;
    std::string text = OutcomeText(form, complete, tally.written, tally.length);
    if (!restored && undo.regular)
      text = Format(SJ("※　書込に失敗し、ファイルを元に戻せませんでした。[ %s ]").c_str(),
                    file.c_str());
    if (!complete) return FileResult<Done>::Fail(FileFailure::kWrite, text);
    return Done{text};
  } catch (const std::bad_alloc&) {
    return FileResult<Done>::Fail(FileFailure::kOutOfMemory,
                                  SJ("※　バッファの確保に失敗しました。"));
  }
}

FileResult<Done> WriteValueToFile(WriteForm form, const std::string& file, int64_t offset,
                                  const std::string& text, const MyNumeric& number) {
  try {
    return WriteValuesToFile(form, file, WritePlace{false, offset}, {WriteSource{&text, &number}});
  } catch (const std::bad_alloc&) {  // the list of one value
    return FileResult<Done>::Fail(FileFailure::kOutOfMemory,
                                  SJ("※　バッファの確保に失敗しました。"));
  }
}

}  // namespace vpx
