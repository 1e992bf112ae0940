// Points the trace log at a fresh temporary file for one test and reads back what was
// written (line ends as stored: CR LF).
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "host/trace_log.h"

namespace vpx::test {

class TraceCapture {
 public:
  TraceCapture() {
    char pattern[] = "/tmp/vorpex_trace_XXXXXX";
    int fd = mkstemp(pattern);
    if (fd >= 0) close(fd);
    path_ = pattern;
    InitTraceLog(path_);
  }
  ~TraceCapture() {
    InitTraceLog();  // back to the default file, so later tests leave nothing behind here
    unlink(path_.c_str());
  }
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  std::string Text() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  // The text as written by WriteTrace: "\n" of the source becomes CR LF.
  static std::string Stored(const std::string& text) {
    std::string out;
    for (char c : text) {
      if (c == '\n') out += '\r';
      out += c;
    }
    return out;
  }
  bool Contains(const std::string& text) const {
    return Text().find(Stored(text)) != std::string::npos;
  }

 private:
  std::string path_;
};

}  // namespace vpx::test
