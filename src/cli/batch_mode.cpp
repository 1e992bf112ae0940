#include "cli/batch_mode.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace vpx::cli {
namespace {

// Runs every line the source yields, then waits for the jobs and shuts down.
int RunSource(const TerminalOptions& options, const std::function<bool(std::string&)>& next) {
  TerminalFrontEnd frontEnd(options);
  if (!frontEnd.Start()) return 1;
  std::string line;
  while (next(line)) {
    frontEnd.RunLine(line);
    frontEnd.WaitIdle();
  }
  frontEnd.WaitIdle();
  frontEnd.Shutdown();
  return 0;
}

// One line of stream without its line end (LF or CR LF); false at the end of the input.
bool ReadLine(FILE* stream, std::string& line) {
  char* buffer = nullptr;
  size_t capacity = 0;
  const ssize_t n = getline(&buffer, &capacity, stream);
  if (n < 0) {
    std::free(buffer);
    return false;
  }
  line.assign(buffer, static_cast<size_t>(n));
  std::free(buffer);
  if (!line.empty() && line.back() == '\n') line.pop_back();
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

}  // namespace

int RunBatchFile(const std::string& path, const TerminalOptions& options) {
  FILE* stream = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
  struct stat info {};
  if (stream != nullptr && fstat(fileno(stream), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(stream);
    stream = nullptr;
    errno = EISDIR;
  }
  if (stream == nullptr) {
    std::fprintf(stderr, "vorpex: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
    return 2;
  }
  int result = RunSource(options, [stream](std::string& line) { return ReadLine(stream, line); });
  if (result == 0 && std::ferror(stream)) {
    std::fprintf(stderr, "vorpex: reading %s failed\n", path.c_str());
    result = 2;
  }
  if (stream != stdin) std::fclose(stream);
  return result;
}

int RunBatchLines(const std::vector<std::string>& lines, const TerminalOptions& options) {
  size_t next = 0;
  return RunSource(options, [&](std::string& line) {
    if (next >= lines.size()) return false;
    line = lines[next++];
    return true;
  });
}

}  // namespace vpx::cli
