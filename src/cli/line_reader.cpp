#include "cli/line_reader.h"

#include "host/sjis.h"

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
