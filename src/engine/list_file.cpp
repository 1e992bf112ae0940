// The shortcut list file: writing records as escaped key-value lines with a CRC-32 per entry,
// and reading them back with every line and value checked before any record is handed out.
#include "engine/list_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "files/checksums.h"
#include "files/file_io.h"
#include "files/user_file.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "language/func_catalogue.h"

namespace vpx {
namespace {

constexpr std::string_view kEntriesKey = "entries";
constexpr std::string_view kEntryKey = "entry";
constexpr std::string_view kEndLine = "end";
constexpr std::string_view kCrcKey = "crc";
constexpr std::string_view kSizeKey = "size";
// The writer hands the text on in pieces of about this size.
constexpr size_t kWritePiece = 1u << 20;
// What an entry's keys, counts, flags and checksum take besides its values, with room to spare.
constexpr size_t kEntryFieldBytes = 256;
// Decimal counts and IDs in the file have at most this many digits.
constexpr size_t kMaxCountDigits = 10;

// --- writing ---

void AppendEscaped(std::string& out, std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (b < 0x20 || b == 0x7F) {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
    } else {
      out += c;
    }
  }
}

void AppendField(std::string& out, std::string_view key, std::string_view value, bool escape) {
  out += key;
  out += ' ';
  if (escape) {
    AppendEscaped(out, value);
  } else {
    out += value;
  }
  out += '\n';
}

// The number field: the digits as shown, without the saturation suffix ("0" for none); a
// floating form is written in its normal form. Written straight into out, so that a long
// number's digits are not copied there from a text of their own.
void AppendNumberField(std::string& out, const MyNumeric& number) {
  out += "number ";
  const size_t start = out.size();
  if (number.IsFloat()) {
    MyNumeric normal(number);
    normal.FloatToNormal();
    normal.AppendText(out);
  } else {
    number.AppendText(out);
  }
  const std::string_view text(out.data() + start, out.size() - start);
  const std::string_view mark = " (E)";
  if (text.ends_with(mark)) out.resize(out.size() - mark.size());
  if (out.size() == start || std::string_view(out).substr(start) == "-") {
    out.resize(start);
    out += '0';
  }
  out += '\n';
}

void AppendEntry(std::string& out, uint32_t index, const CMyFuncResult& record) {
  const size_t start = out.size();
  // Room for the entry as a whole: a long value is not moved again by the fields after it.
  out.reserve(start + kEntryFieldBytes + record.number.GetValidSize() + record.text.size() +
              record.overrideText.size() + record.callData.GetLineText().size());
  AppendField(out, kEntryKey, std::to_string(index), false);
  AppendField(out, "type", ReturnCodeToTypeName(record.type), false);
  AppendField(out, "id", std::to_string(record.id), false);
  AppendNumberField(out, record.number);
  AppendField(out, "saturated", record.number.IsOverflow() ? "1" : "0", false);
  AppendField(out, kSizeKey, std::to_string(record.number.GetResultSize()), false);
  AppendField(out, "text", record.text, true);
  AppendField(out, "line", record.callData.GetLineText(), true);
  AppendField(out, "override", record.overrideFlag != 0 ? "1" : "0", false);
  AppendField(out, "overridetext", record.overrideText, true);
  const uint32_t crc =
      UpdateCrc32(0, reinterpret_cast<const uint8_t*>(out.data() + start), out.size() - start);
  AppendField(out, kCrcKey, Format("%08X", crc), false);
}

// --- reading ---

// Hands out the text's lines one by one, counting them. A line may end with LF or CR LF;
// the CR is not part of the line (values never hold a raw CR: it is escaped).
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  // The next line without its line end; false at the end of the text or for a last line
  // that has no LF (a cut file).
  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const size_t lf = text_.find('\n', pos_);
    if (lf == std::string_view::npos) return false;
    line = text_.substr(pos_, lf - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = lf + 1;
    ++number_;
    if (summing_) Sum(line);
    return true;
  }
  size_t Number() const { return number_; }
  bool AtEnd() const { return pos_ >= text_.size(); }
  // The CRC-32 of the lines from first (already read) up to the current one, each ending
  // with a single LF as written, whatever line ends the file has.
  void StartSum(std::string_view first) {
    crc_ = 0;
    summing_ = true;
    Sum(first);
  }
  uint32_t EndSum() {
    summing_ = false;
    return crc_;
  }

 private:
  void Sum(std::string_view line) {
    static const uint8_t kLf = '\n';
    crc_ = UpdateCrc32(crc_, reinterpret_cast<const uint8_t*>(line.data()), line.size());
    crc_ = UpdateCrc32(crc_, &kLf, 1);
  }

  std::string_view text_;
  size_t pos_ = 0;
  size_t number_ = 0;
  uint32_t crc_ = 0;
  bool summing_ = false;
};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool ParseCount(std::string_view text, uint64_t& value) {
  if (text.empty() || text.size() > kMaxCountDigits) return false;
  value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value <= UINT32_MAX;
}

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(std::string_view text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) return false;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i >= text.size()) return false;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'x': {
        if (i + 2 >= text.size()) return false;
        const int high = HexValue(text[i + 1]);
        const int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0) return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default:
        return false;
    }
  }
  return true;
}

struct NumberParts {
  std::string digits;  // digit values 0..9, most significant first
  uint32_t intDigits = 0;
  bool minus = false;
};

// -?[0-9]+(.[0-9]+)? with at most the number's digit limit.
bool ParseNumberText(std::string_view text, NumberParts& parts) {
  size_t i = 0;
  parts.minus = !text.empty() && text[0] == '-';
  if (parts.minus) ++i;
  const size_t point = text.find('.', i);
  const std::string_view integer =
      text.substr(i, point == std::string_view::npos ? text.npos : point - i);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  if (integer.empty() || (point != std::string_view::npos && fraction.empty())) return false;
  if (integer.size() + fraction.size() > MyNumeric::kMaxDigits) return false;
  parts.digits.clear();
  parts.digits.reserve(integer.size() + fraction.size());
  for (std::string_view run : {integer, fraction}) {
    for (char c : run) {
      if (!IsDigit(c)) return false;
      parts.digits += static_cast<char>(c - '0');
    }
  }
  parts.intDigits = static_cast<uint32_t>(integer.size());
  return true;
}

bool AllNines(const NumberParts& parts) {
  return parts.intDigits == parts.digits.size() &&
         parts.digits.find_first_not_of('\x09') == std::string::npos;
}

bool FractionIsZero(const NumberParts& parts) {
  return parts.digits.find_first_not_of('\0', parts.intDigits) == std::string::npos;
}

bool AllZero(const NumberParts& parts) {
  return parts.digits.find_first_not_of('\0') == std::string::npos;
}

// The reason an entry of type holds a value the engine never gives that type, or empty:
// UINT entries hold non-negative integers, INT entries integers.
std::string TypeMismatch(uint32_t type, const NumberParts& parts) {
  if (type == kRetUInt && ((parts.minus && !AllZero(parts)) || !FractionIsZero(parts)))
    return SJ("UINT の項目の値が 0 以上の整数ではありません");
  if (type == kRetInt && !FractionIsZero(parts)) return SJ("INT の項目の値が整数ではありません");
  return std::string();
}

// Reads the records; each failure sets the error at the reader's line.
class ListFileParser {
 public:
  ListFileParser(std::string_view text, ListFileError& error) : reader_(text), error_(error) {}

  // Hands each record to take (which may move it away) as soon as it is read; a false
  // from take stops the reading.
  bool Parse(const ListRecordSink& take) {
    std::string_view line;
    if (!NextLine(line) || !ParseMagic(line)) return false;
    uint64_t count = 0;
    if (!NextField(kEntriesKey, line)) return false;
    if (!ParseCount(line, count)) return Fail(BadValueText());
    for (uint64_t index = 1;; ++index) {
      if (!NextLine(line)) return false;
      if (line == kEndLine) {
        if (index - 1 != count) return Fail(SJ("項目数が見出しと一致しません"));
        break;
      }
      if (index > count) return Fail(SJ("項目数が見出しと一致しません"));
      CMyFuncResult record;
      if (!ParseEntry(line, static_cast<uint32_t>(index), record)) return false;
      if (take && !take(record)) {
        error_.stopped = true;
        return FailAt(0, SJ("リストに追加できません"));
      }
    }
    if (!reader_.AtEnd()) {
      reader_.Next(line);
      return Fail(SJ("終わりの行の後に余分な行があります"));
    }
    return true;
  }

 private:
  bool Fail(const std::string& reason) { return FailAt(reader_.Number(), reason); }
  bool FailAt(size_t line, const std::string& reason) {
    error_.line = line;
    error_.reason = reason;
    return false;
  }
  static std::string BadValueText() { return SJ("値が不正です"); }

  bool ParseMagic(std::string_view line) {
    const std::string prefix = std::string(kListFileMagic) + " ";
    if (line.substr(0, prefix.size()) != prefix) {
      return Fail(SJ("Vorpex のショートカットファイルではありません"));
    }
    uint64_t version = 0;
    if (!ParseCount(line.substr(prefix.size()), version) || version < kOldestListFileVersion ||
        version > kListFileVersion) {
      std::string shown;
      AppendEscaped(shown, line.substr(prefix.size(), 20));
      return Fail(Format(SJ("対応していない版です（%s）").c_str(), shown.c_str()));
    }
    version_ = static_cast<uint32_t>(version);
    return true;
  }

  bool NextLine(std::string_view& line) {
    if (reader_.Next(line)) return true;
    return FailAt(reader_.Number() + 1, SJ("ファイルが途中で切れています"));
  }

  // The next line, which must be `key value`; value receives the part after the space.
  bool NextField(std::string_view key, std::string_view& value) {
    std::string_view line;
    if (!NextLine(line)) return false;
    return SplitField(line, key, value);
  }

  bool SplitField(std::string_view line, std::string_view key, std::string_view& value) {
    if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != ' ') {
      return Fail(Format(SJ("「%s」の行がありません").c_str(), std::string(key).c_str()));
    }
    value = line.substr(key.size() + 1);
    return true;
  }

  bool NextFlag(std::string_view key, uint32_t& flag) {
    std::string_view value;
    if (!NextField(key, value)) return false;
    if (value != "0" && value != "1") return Fail(BadValueText());
    flag = value == "1" ? 1 : 0;
    return true;
  }

  bool NextText(std::string_view key, std::string& text) {
    std::string_view value;
    if (!NextField(key, value)) return false;
    if (!Unescape(value, text)) return Fail(SJ("文字のエスケープが不正です"));
    return true;
  }

  bool ParseType(uint32_t& type) {
    std::string_view value;
    if (!NextField("type", value)) return false;
    for (uint32_t code = kRetVoid; code <= kRetString; ++code) {
      if (value == ReturnCodeToTypeName(code)) {
        type = code;
        return true;
      }
    }
    return Fail(BadValueText());
  }

  bool ParseId(int32_t& id) {
    std::string_view value;
    if (!NextField("id", value)) return false;
    uint64_t magnitude = 0;
    if (value == "-1") {
      id = -1;
      return true;
    }
    if (!ParseCount(value, magnitude) || magnitude > INT32_MAX ||
        FindTableRowByID(static_cast<int64_t>(magnitude)) < 0) {
      return Fail(SJ("関数IDが不正です"));
    }
    id = static_cast<int32_t>(magnitude);
    return true;
  }

  // The result size: written since version 2; a version 1 number gets the size its digits
  // need, at least the default, so that it computes as it showed.
  bool ParseResultSize(uint32_t& size) {
    if (version_ < 2) {
      size = std::max<uint32_t>(static_cast<uint32_t>(parts_.digits.size()),
                                MyNumeric::GetDefaultResultSize());
      return true;
    }
    std::string_view value;
    uint64_t parsed = 0;
    if (!NextField(kSizeKey, value)) return false;
    if (!ParseCount(value, parsed) || parsed == 0 || parsed > MyNumeric::kMaxDigits)
      return Fail(SJ("結果の桁数が範囲外です"));
    size = static_cast<uint32_t>(parsed);
    return true;
  }

  bool ParseNumber(uint32_t type, MyNumeric& number) {
    std::string_view value;
    if (!NextField("number", value)) return false;
    const size_t numberLine = reader_.Number();
    if (!ParseNumberText(value, parts_)) return Fail(SJ("数値が不正です"));
    if (const std::string mismatch = TypeMismatch(type, parts_); !mismatch.empty())
      return Fail(mismatch);
    uint32_t saturated = 0;
    uint32_t size = 0;
    if (!NextFlag("saturated", saturated)) return false;
    if (saturated != 0 && !AllNines(parts_))
      return Fail(SJ("飽和した数値が 9 の並びではありません"));
    if (!ParseResultSize(size)) return false;
    const auto* digits = reinterpret_cast<const uint8_t*>(parts_.digits.data());
    const auto count = static_cast<uint32_t>(parts_.digits.size());
    NumStatus stored = NumStatus::kOk;
    if (saturated != 0) {
      stored = number.SetSaturatedNines(count, parts_.minus);
    } else if (parts_.minus && AllZero(parts_)) {
      // A negative zero keeps its sign, as the number text gives it (the digit setter
      // drops it); a command may show it.
      stored = number.SetByString(std::string(value));
    } else {
      stored = number.SetDigitsMsdFirst(digits, count, parts_.intDigits, parts_.minus);
    }
    number.SetOwnResultSize(size);
    if (stored != NumStatus::kOk) {
      error_.outOfMemory = true;
      return FailAt(numberLine, SJ("数値を復元できません（メモリ不足）"));
    }
    return true;
  }

  bool ParseEntry(std::string_view first, uint32_t index, CMyFuncResult& record) {
    reader_.StartSum(first);
    std::string_view value;
    uint64_t shown = 0;
    if (!SplitField(first, kEntryKey, value)) return false;
    if (!ParseCount(value, shown) || shown != index) return Fail(SJ("項目番号が連続していません"));
    std::string line;
    if (!ParseType(record.type) || !ParseId(record.id) ||
        !ParseNumber(record.type, record.number) || !NextText("text", record.text) ||
        !NextText("line", line) || !NextFlag("override", record.overrideFlag) ||
        !NextText("overridetext", record.overrideText)) {
      return false;
    }
    const uint32_t crc = reader_.EndSum();
    if (!NextField(kCrcKey, value)) return false;
    if (value != Format("%08X", crc))
      return Fail(SJ("チェックサムが一致しません（項目が壊れています）"));
    if (record.type == kRetVoid && record.overrideFlag == 0) return Fail(SJ("値のない項目です"));
    FillCall(record, line);
    return true;
  }

  static void FillCall(CMyFuncResult& record, const std::string& line) {
    record.callData.SetLineText(line);
    record.callData.SetID(record.id);
    if (record.id < 0) return;
    record.callData.SetFuncName(GetFuncTable()[FindTableRowByID(record.id)].name);
  }

  LineReader reader_;
  ListFileError& error_;
  NumberParts parts_;
  uint32_t version_ = kListFileVersion;
};

}  // namespace

bool ListFileWriter::Begin(size_t entries) {
  try {
    buffer_.clear();
    buffer_ += kListFileMagic;
    buffer_ += ' ';
    buffer_ += std::to_string(kListFileVersion);
    buffer_ += '\n';
    AppendField(buffer_, kEntriesKey, std::to_string(entries), false);
    index_ = 0;
    return Flush(false);
  } catch (const std::bad_alloc&) {
    outOfMemory_ = failed_ = true;
    return false;
  }
}

bool ListFileWriter::Add(const CMyFuncResult& record) {
  if (failed_) return false;
  try {
    AppendEntry(buffer_, ++index_, record);
    return Flush(false);
  } catch (const std::bad_alloc&) {
    outOfMemory_ = failed_ = true;
    return false;
  }
}

bool ListFileWriter::End() {
  if (failed_) return false;
  try {
    buffer_ += kEndLine;
    buffer_ += '\n';
    return Flush(true);
  } catch (const std::bad_alloc&) {
    outOfMemory_ = failed_ = true;
    return false;
  }
}

bool ListFileWriter::Flush(bool force) {
  if (buffer_.size() < kWritePiece && !force) return true;
  if (!sink_(buffer_)) {
    failed_ = true;
    return false;
  }
  buffer_.clear();
  // An entry with a huge number leaves a huge buffer: it is not kept for the next one.
  if (buffer_.capacity() > 2 * kWritePiece) buffer_.shrink_to_fit();
  return true;
}

bool FormatListFile(const std::vector<CMyFuncResult>& records, std::string& out) {
  out.clear();
  bool outOfMemory = false;
  ListFileWriter writer([&](std::string_view piece) {
    try {
      out += piece;
      return true;
    } catch (const std::bad_alloc&) {
      outOfMemory = true;
      return false;
    }
  });
  bool written = writer.Begin(records.size());
  for (size_t i = 0; written && i < records.size(); ++i) written = writer.Add(records[i]);
  if (written && writer.End()) return true;
  out.clear();
  out.shrink_to_fit();
  return false;
}

bool ParseListFile(std::string_view text, const ListRecordSink& take, ListFileError& error) {
  error = ListFileError();
  try {
    ListFileParser parser(text, error);
    return parser.Parse(take);
  } catch (const std::bad_alloc&) {
    error.line = 0;
    error.reason = SJ("メモリが足りません");
    error.outOfMemory = true;
    return false;
  }
}

bool ParseListFile(std::string_view text, std::vector<CMyFuncResult>& records,
                   ListFileError& error) {
  std::vector<CMyFuncResult> parsed;
  const bool read = ParseListFile(
      text,
      [&parsed](CMyFuncResult& record) {
        parsed.push_back(std::move(record));
        return true;
      },
      error);
  if (!read) return false;
  records = std::move(parsed);
  return true;
}

bool ReadWholeFile(const std::string& path, size_t maxBytes, std::string& bytes,
                   ReadFailure& failure) {
  failure = ReadFailure();
  FileOpenError openError;
  // A named pipe, a process substitution or a device is no list file: refused before it
  // could block the open or be read half.
  const UserFile file = OpenUserFile(path, FileUse::kRead, 0, &openError);
  if (!file.IsOpen()) {
    failure.error = openError.error;
    failure.refusedKind = openError.refusedKind;
    return false;
  }
  const int64_t fileSize = file.Size();
  if (fileSize < 0 || static_cast<uint64_t>(fileSize) > maxBytes) {
    failure.error = fileSize < 0 ? EIO : ENOMEM;
    return false;
  }
  const auto size = static_cast<size_t>(fileSize);
  try {
    bytes.assign(size, '\0');
  } catch (const std::bad_alloc&) {
    failure.error = ENOMEM;
    return false;
  }
  if (ReadFull(file.Fd(), bytes.data(), size, 0) != static_cast<int64_t>(size)) {
    failure.error = errno != 0 ? errno : EIO;
    bytes.clear();
    bytes.shrink_to_fit();
    return false;
  }
  return true;
}

}  // namespace vpx
