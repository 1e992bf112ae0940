#include "host/trace_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "host/sjis.h"
#include "host/ui_host.h"

namespace vpx {
namespace {

constexpr const char* kTraceName = "DataTrace.txt";
constexpr mode_t kPrivateFolder = 0700;
// Folders of the installed system: a program there is shared, its folder is no place for
// one user's trace.
constexpr const char* kSystemFolders[] = {"/usr/",   "/bin/",   "/sbin/",   "/lib/",
                                          "/lib32/", "/lib64/", "/opt/",    "/etc/",
                                          "/boot/",  "/snap/",  "/var/lib/"};
// Opened without following a last symbolic link, without blocking on a named pipe and
// without becoming a controlling terminal.
constexpr int kOpenFlags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;

std::mutex g_pathMutex;
bool g_pathSet = false;
std::string g_pathUtf8;  // empty: no usable trace file
std::string g_pathSjis;
std::atomic<bool> g_failureShown{false};

std::string ExecutableDir() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return std::string();
  std::string path(buf, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

bool InSystemFolder(const std::string& dir) {
  const std::string withSlash = dir + "/";
  for (const char* prefix : kSystemFolders)
    if (withSlash.compare(0, std::strlen(prefix), prefix) == 0) return true;
  return false;
}

// A folder (not a link) that the user owns and may write into.
bool OwnFolder(const std::string& dir) {
  struct stat st;
  return !dir.empty() && lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
         st.st_uid == geteuid() && faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

// OwnFolder, and no one else may enter it.
bool PrivateFolder(const std::string& dir) {
  struct stat st;
  return OwnFolder(dir) && lstat(dir.c_str(), &st) == 0 && (st.st_mode & 077) == 0;
}

// Makes dir and its missing parents (mode for the new ones); true when dir is then a
// folder of the user's own.
bool MakeFolders(const std::string& dir, mode_t mode) {
  for (size_t slash = dir.find('/', 1); slash != std::string::npos;
       slash = dir.find('/', slash + 1))
    mkdir(dir.substr(0, slash).c_str(), mode);
  mkdir(dir.c_str(), mode);
  return OwnFolder(dir);
}

std::string AbsoluteEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

// The folder of the default trace file, or empty when there is none the user alone holds.
std::string DefaultTraceFolder() {
  const std::string exeDir = ExecutableDir();
  if (!InSystemFolder(exeDir) && OwnFolder(exeDir)) return exeDir;
  std::string state = AbsoluteEnv("XDG_STATE_HOME");
  if (state.empty()) {
    const std::string home = AbsoluteEnv("HOME");
    if (OwnFolder(home)) state = home + "/.local/state";
  }
  if (!state.empty() && MakeFolders(state + "/vorpex", kPrivateFolder)) return state + "/vorpex";
  const std::string uid = std::to_string(geteuid());
  const std::string runtime = "/run/user/" + uid;
  if (PrivateFolder(runtime)) {
    mkdir((runtime + "/vorpex").c_str(), kPrivateFolder);
    if (PrivateFolder(runtime + "/vorpex")) return runtime + "/vorpex";
  }
  std::string tmp = AbsoluteEnv("TMPDIR");
  if (tmp.empty()) tmp = "/tmp";
  const std::string own = tmp + "/vorpex-" + uid;
  mkdir(own.c_str(), kPrivateFolder);
  // Someone else may have made the name first (a folder of theirs, or a link): not used.
  return PrivateFolder(own) ? own : std::string();
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  char* cwd = getcwd(nullptr, 0);
  if (cwd == nullptr) return path;
  std::string absolute = std::string(cwd) + "/" + path;
  std::free(cwd);
  return absolute;
}

void SetPath(const std::string& utf8) {
  std::lock_guard lock(g_pathMutex);
  g_pathSet = true;
  g_pathUtf8 = utf8;
  if (!Utf8ToSjis(utf8, g_pathSjis)) g_pathSjis.clear();
  g_failureShown = false;
}

std::string CurrentPathUtf8() {
  std::lock_guard lock(g_pathMutex);
  if (!g_pathSet) {
    const std::string folder = DefaultTraceFolder();
    g_pathUtf8 = folder.empty() ? std::string() : folder + "/" + kTraceName;
    if (!Utf8ToSjis(g_pathUtf8, g_pathSjis)) g_pathSjis.clear();
    g_pathSet = true;
  }
  return g_pathUtf8;
}

// Only a regular file or a character device (such as /dev/null) takes the trace.
bool UsableKind(mode_t mode) {
  return S_ISREG(mode) || S_ISCHR(mode);
}

int OpenTrace(const std::string& path, int extraFlags) {
  if (path.empty()) return -1;
  int fd = open(path.c_str(), kOpenFlags | extraFlags, 0644);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !UsableKind(st.st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
}

// Appends bytes in one write, so texts of different threads never interleave.
bool AppendBytes(const std::string& bytes) {
  int fd = OpenTrace(CurrentPathUtf8(), O_APPEND);
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

// Why path cannot take the trace without opening it, or empty.
std::string RefusedKind(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return std::string();
  if (S_ISLNK(st.st_mode)) return "it is a symbolic link";
  if (S_ISFIFO(st.st_mode)) return "it is a named pipe";
  if (S_ISSOCK(st.st_mode)) return "it is a socket";
  if (S_ISDIR(st.st_mode)) return "it is a folder";
  if (!UsableKind(st.st_mode)) return "it is not a regular file";
  return std::string();
}

}  // namespace

bool OpenTraceLog(const std::string& path, std::string& failure) {
  failure.clear();
  std::string utf8;
  if (path.empty()) {
    const std::string folder = DefaultTraceFolder();
    if (!folder.empty()) utf8 = folder + "/" + kTraceName;
  } else if (!SjisToUtf8(path, utf8)) {
    failure = "the trace path has no UTF-8 form";
  } else {
    utf8 = AbsolutePath(utf8);
    const std::string refused = RefusedKind(utf8);
    if (!refused.empty()) failure = "cannot use the trace file " + utf8 + ": " + refused;
  }
  if (!failure.empty()) {
    SetPath(std::string());
    return false;
  }
  SetPath(utf8);
  const int fd = OpenTrace(utf8, 0);
  if (fd >= 0) {
    struct stat st;
    const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    [[maybe_unused]] const int emptied = regular ? ftruncate(fd, 0) : 0;
    close(fd);
  }
  return true;
}

void InitTraceLog(const std::string& path) {
  std::string ignored;
  OpenTraceLog(path, ignored);
}

std::string GetTracePath() {
  CurrentPathUtf8();
  std::lock_guard lock(g_pathMutex);
  return g_pathSjis;
}

void WriteTrace(const std::string& text) {
  if (AppendBytes(ToCrLf(text)) || g_failureShown.exchange(true)) return;
  HostMessageBox(SJ("トレース用ファイルが開けません"));
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
