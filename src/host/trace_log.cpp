#include "host/trace_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "host/sjis.h"
#include "host/ui_host.h"

namespace vpx {
namespace {

std::mutex g_pathMutex;
std::string g_pathUtf8;  // empty until set
std::string g_pathSjis;

std::string ExecutableDirUtf8() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string path(buf, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

// DataTrace.txt beside the executable, or under ~/.local/state/vorpex when that directory
// cannot be written (an installed program).
std::string DefaultTracePathUtf8() {
  std::string dir = ExecutableDirUtf8();
  if (access(dir.c_str(), W_OK) == 0) return dir + "/DataTrace.txt";
  const char* home = std::getenv("HOME");
  std::string state = std::string(home != nullptr ? home : "/tmp") + "/.local/state";
  mkdir((state.substr(0, state.rfind('/'))).c_str(), 0755);
  mkdir(state.c_str(), 0755);
  mkdir((state + "/vorpex").c_str(), 0755);
  return state + "/vorpex/DataTrace.txt";
}

std::string CurrentPathUtf8() {
  std::lock_guard lock(g_pathMutex);
  if (g_pathUtf8.empty()) {
    g_pathUtf8 = DefaultTracePathUtf8();
    if (!Utf8ToSjis(g_pathUtf8, g_pathSjis)) g_pathSjis.clear();
  }
  return g_pathUtf8;
}

// Appends bytes in one write, so texts of different threads never interleave.
bool AppendBytes(const std::string& bytes) {
  int fd = open(CurrentPathUtf8().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
  return true;
}

// Text mode: every "\n" is stored as CR LF.
std::string ToCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 16);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

void InitTraceLog(const std::string& path) {
  std::string utf8;
  if (path.empty()) {
    utf8 = DefaultTracePathUtf8();
  } else if (!SjisToUtf8(path, utf8)) {
    utf8 = DefaultTracePathUtf8();
  }
  {
    std::lock_guard lock(g_pathMutex);
    g_pathUtf8 = utf8;
    if (!Utf8ToSjis(utf8, g_pathSjis)) g_pathSjis.clear();
  }
  int fd = open(utf8.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd >= 0) close(fd);
}

std::string GetTracePath() {
  CurrentPathUtf8();
  std::lock_guard lock(g_pathMutex);
  return g_pathSjis;
}

void WriteTrace(const std::string& text) {
  if (!AppendBytes(ToCrLf(text))) HostMessageBox(SJ("トレース用ファイルが開けません"));
}

bool TryWriteTrace(const std::string& text) {
  return AppendBytes(ToCrLf(text));
}

void WriteTraceNewline() {
  AppendBytes("\r\n");
}

void TraceHexBytes(const uint8_t* bytes, size_t count) {
  if (bytes == nullptr || count == 0) return;
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(count * 3);
  for (size_t i = count; i-- > 0;) {
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 0x0F];
    if (i != 0) text += ' ';
  }
  AppendBytes(text);
}

}  // namespace vpx
