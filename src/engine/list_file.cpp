// The shortcut list file: writing records as escaped key-value lines with a CRC-32 per entry,
// and reading them back with every line checked before any record is handed out.
#include "engine/list_file.h"

#include <fcntl.h>
#include <isa-l.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <new>

#include "files/copy_destination.h"
#include "files/file_io.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"
#include "language/func_catalogue.h"

namespace vpx {
namespace {

constexpr std::string_view kEntriesKey = "entries";
constexpr std::string_view kEntryKey = "entry";
constexpr std::string_view kEndLine = "end";
constexpr std::string_view kCrcKey = "crc";
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

// The number's digits as shown, without the saturation suffix; a floating form is written
// in its normal form.
std::string NumberText(const MyNumeric& number) {
  std::string text;
  if (number.IsFloat()) {
    MyNumeric normal(number);
    normal.FloatToNormal();
    normal.GetDataAsStr(&text);
  } else {
    number.GetDataAsStr(&text);
  }
  const std::string_view mark = " (E)";
  if (text.size() >= mark.size() && text.compare(text.size() - mark.size(), mark.size(), mark) == 0)
    text.resize(text.size() - mark.size());
  if (text.empty() || text == "-") return "0";
  return text;
}

void AppendEntry(std::string& out, uint32_t index, const CMyFuncResult& record) {
  const size_t start = out.size();
  AppendField(out, kEntryKey, std::to_string(index), false);
  AppendField(out, "type", ReturnCodeToTypeName(record.type), false);
  AppendField(out, "id", std::to_string(record.id), false);
  AppendField(out, "number", NumberText(record.number), false);
  AppendField(out, "saturated", record.number.IsOverflow() ? "1" : "0", false);
  AppendField(out, "text", record.text, true);
  AppendField(out, "line", record.callData.GetLineText(), true);
  AppendField(out, "override", record.overrideFlag != 0 ? "1" : "0", false);
  AppendField(out, "overridetext", record.overrideText, true);
  const uint32_t crc =
      crc32_gzip_refl(0, reinterpret_cast<const uint8_t*>(out.data() + start), out.size() - start);
  AppendField(out, kCrcKey, Format("%08X", crc), false);
}

// --- reading ---

// Hands out the text's lines one by one, counting them.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  // The next line without its LF; false at the end of the text or for a last line that
  // has no LF (a cut file).
  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const size_t lf = text_.find('\n', pos_);
    if (lf == std::string_view::npos) return false;
    lineStart_ = pos_;
    line = text_.substr(pos_, lf - pos_);
    pos_ = lf + 1;
    ++number_;
    return true;
  }
  size_t Number() const { return number_; }
  bool AtEnd() const { return pos_ >= text_.size(); }
  // The bytes from the start of line `from` (an offset) to the end of the current line.
  std::string_view Since(size_t from) const { return text_.substr(from, pos_ - from); }
  size_t LineStart() const { return lineStart_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  size_t lineStart_ = 0;
  size_t number_ = 0;
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

// Reads the records; each failure sets the error at the reader's line.
class ListFileParser {
 public:
  ListFileParser(std::string_view text, ListFileError& error) : reader_(text), error_(error) {}

  bool Parse(std::vector<CMyFuncResult>& records) {
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
      records.push_back(std::move(record));
    }
    if (!reader_.AtEnd()) {
      reader_.Next(line);
      return Fail(SJ("終わりの行の後に余分な行があります"));
    }
    return true;
  }

 private:
  bool Fail(const std::string& reason) {
    error_.line = reader_.Number();
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
    if (!ParseCount(line.substr(prefix.size()), version) || version != kListFileVersion) {
      std::string shown;
      AppendEscaped(shown, line.substr(prefix.size(), 20));
      return Fail(Format(SJ("対応していない版です（%s）").c_str(), shown.c_str()));
    }
    return true;
  }

  bool NextLine(std::string_view& line) {
    if (reader_.Next(line)) return true;
    error_.line = reader_.Number() + 1;
    error_.reason = SJ("ファイルが途中で切れています");
    return false;
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

  bool ParseNumber(MyNumeric& number) {
    std::string_view value;
    if (!NextField("number", value)) return false;
    const size_t numberLine = reader_.Number();
    if (!ParseNumberText(value, parts_)) return Fail(SJ("数値が不正です"));
    uint32_t saturated = 0;
    if (!NextFlag("saturated", saturated)) return false;
    if (saturated != 0 && !AllNines(parts_))
      return Fail(SJ("飽和した数値が 9 の並びではありません"));
    const auto* digits = reinterpret_cast<const uint8_t*>(parts_.digits.data());
    const auto count = static_cast<uint32_t>(parts_.digits.size());
    const NumStatus stored =
        saturated != 0 ? number.SetSaturatedNines(count, parts_.minus)
                       : number.SetDigitsMsdFirst(digits, count, parts_.intDigits, parts_.minus);
    if (stored != NumStatus::kOk) {
      error_.line = numberLine;
      error_.reason = SJ("数値を復元できません（メモリ不足）");
      return false;
    }
    return true;
  }

  bool ParseEntry(std::string_view first, uint32_t index, CMyFuncResult& record) {
    const size_t start = reader_.LineStart();
    std::string_view value;
    uint64_t shown = 0;
    if (!SplitField(first, kEntryKey, value)) return false;
    if (!ParseCount(value, shown) || shown != index) return Fail(SJ("項目番号が連続していません"));
    std::string line;
    if (!ParseType(record.type) || !ParseId(record.id) || !ParseNumber(record.number) ||
        !NextText("text", record.text) || !NextText("line", line) ||
        !NextFlag("override", record.overrideFlag) ||
        !NextText("overridetext", record.overrideText)) {
      return false;
    }
    const std::string_view body = reader_.Since(start);
    const uint32_t crc =
        crc32_gzip_refl(0, reinterpret_cast<const uint8_t*>(body.data()), body.size());
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
    record.signature = GetTableSignature(record.id);
    record.callData.SetFuncName(GetFuncTable()[FindTableRowByID(record.id)].name);
  }

  LineReader reader_;
  ListFileError& error_;
  NumberParts parts_;
};

}  // namespace

bool FormatListFile(const std::vector<CMyFuncResult>& records, std::string& out) {
  try {
    out.clear();
    out += kListFileMagic;
    out += ' ';
    out += std::to_string(kListFileVersion);
    out += '\n';
    AppendField(out, kEntriesKey, std::to_string(records.size()), false);
    uint32_t index = 1;
    for (const CMyFuncResult& record : records) AppendEntry(out, index++, record);
    out += kEndLine;
    out += '\n';
    return true;
  } catch (const std::bad_alloc&) {
    out.clear();
    out.shrink_to_fit();
    return false;
  }
}

bool ParseListFile(std::string_view text, std::vector<CMyFuncResult>& records,
                   ListFileError& error) {
  error = ListFileError();
  try {
    std::vector<CMyFuncResult> parsed;
    ListFileParser parser(text, error);
    if (!parser.Parse(parsed)) return false;
    records = std::move(parsed);
    return true;
  } catch (const std::bad_alloc&) {
    error.line = 0;
    error.reason = SJ("メモリが足りません");
    return false;
  }
}

namespace {

// A temporary file beside osTarget, created with the permissions of the file it will
// replace; osTemp receives its name. Its name starts like a copy's, so it is recognisable.
UniqueFd CreateTempBeside(const std::string& osTarget, std::string& osTemp) {
  static std::atomic<unsigned> serial{0};
  size_t slash = osTarget.rfind('/');
  std::string dir = slash == std::string::npos ? std::string() : osTarget.substr(0, slash + 1);
  IgnoreFileSizeSignal();
  for (int attempt = 0; attempt < 100; ++attempt) {
    osTemp = dir + ".vpx-copy." + std::to_string(getpid()) + "." +
             std::to_string(serial.fetch_add(1)) + ".tmp";
    int fd = open(osTemp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      struct stat st;
      if (stat(osTarget.c_str(), &st) == 0) fchmod(fd, st.st_mode & 07777);
      return UniqueFd(fd);
    }
    if (errno != EEXIST) break;
  }
  return UniqueFd();
}

}  // namespace

int ReplaceFileContents(const std::string& path, std::string_view bytes) {
  std::string osPath;
  if (path.empty() || !ToOsPath(path, osPath)) return ENOENT;
  osPath = FollowSymbolicLinks(osPath);
  struct stat st;
  if (stat(osPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return EISDIR;
  std::string osTemp;
  errno = 0;
  UniqueFd temp = CreateTempBeside(osPath, osTemp);
  if (!temp.IsOpen()) return errno != 0 ? errno : EIO;
  int failure = 0;
  if (WriteFull(temp.Get(), bytes.data(), bytes.size(), 0) != static_cast<int64_t>(bytes.size())) {
    failure = errno != 0 ? errno : EIO;
  } else if (fsync(temp.Get()) != 0 || !temp.Close()) {
    failure = errno != 0 ? errno : EIO;
  } else if (rename(osTemp.c_str(), osPath.c_str()) != 0) {
    failure = errno;
  }
  if (failure != 0) {
    temp.Close();
    unlink(osTemp.c_str());
    return failure;
  }
  // The rename itself reaches the disk with the folder.
  const size_t slash = osPath.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : osPath.substr(0, slash + 1);
  UniqueFd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.IsOpen()) fsync(dir.Get());
  return 0;
}

int ReadWholeFile(const std::string& path, size_t maxBytes, std::string& bytes) {
  int error = 0;
  // Non-blocking, so that a named pipe cannot hold the open; only regular files are read.
  UniqueFd fd = OpenFile(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0, &error);
  if (!fd.IsOpen()) return error != 0 ? error : ENOENT;
  struct stat st;
  if (fstat(fd.Get(), &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  if (!S_ISREG(st.st_mode)) return EINVAL;
  if (st.st_size < 0 || static_cast<uint64_t>(st.st_size) > maxBytes) return ENOMEM;
  const auto size = static_cast<size_t>(st.st_size);
  try {
    bytes.assign(size, '\0');
  } catch (const std::bad_alloc&) {
    return ENOMEM;
  }
  if (ReadFull(fd.Get(), bytes.data(), size, 0) != static_cast<int64_t>(size)) {
    bytes.clear();
    return EIO;
  }
  return 0;
}

}  // namespace vpx
