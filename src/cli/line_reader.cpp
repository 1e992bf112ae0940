#include "cli/line_reader.h"

#include <cstdint>

#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx::cli {

ReadResult ReadBoundedLine(FILE* stream, std::string& line) {
  line.clear();
  bool any = false;
  bool tooLong = false;
  int c = 0;
  while ((c = getc_unlocked(stream)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (tooLong) continue;
    if (line.size() >= kLineReadLimit + 1) {  // room for a CR before the LF
      tooLong = true;
      line.clear();
      line.shrink_to_fit();
      continue;
    }
    line += static_cast<char>(c);
  }
  // A read cut short (an error, a signal) is not a line to run.
  if (!any || (c == EOF && std::ferror(stream))) return ReadResult::kEnd;
  if (tooLong) return ReadResult::kTooLong;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return ReadResult::kLine;
}

std::string LineTooLongText() {
  return SJ("※　行が長すぎます（99,999 バイトまで）。実行しませんでした。");
}

size_t FirstInvalidUtf8Byte(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t length = 0;
    uint32_t code = 0;
    uint32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
      length = 2, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, code = lead & 0x07, least = 0x10000;
    } else {
      return i;
    }
    if (text.size() - i < length) return i;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return i;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return i;
    i += length;
  }
  return std::string::npos;
}

std::string InvalidUtf8Text(size_t offset) {
  return Format(
      SJ("※　UTF-8 として正しくない行です（先頭から %zu バイト目）。実行しませんでした。").c_str(),
      offset + 1);
}

bool IsBlankOrComment(const std::string& line) {
  const size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string::npos) return true;
  // A byte-order mark before the comment sign.
  if (line.compare(first, 3, "\xEF\xBB\xBF") == 0) {
    const size_t next = line.find_first_not_of(" \t\r", first + 3);
    return next == std::string::npos || line[next] == '#';
  }
  return line[first] == '#';
}

}  // namespace vpx::cli
