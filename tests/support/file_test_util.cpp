#include "support/file_test_util.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vpx::test {

TempDir::TempDir() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/vpx-files-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> ListDir(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path))
    names.push_back(entry.path().filename().string());
  return names;
}

std::string Pattern(size_t n, unsigned seed) {
  std::string bytes(n, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    bytes[i] = static_cast<char>(x >> 24);
  }
  return bytes;
}

std::string RunInChild(const ChildLimits& limits, const std::function<std::string()>& body) {
  int fds[2];
  if (pipe(fds) != 0) return std::string();
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    alarm(limits.timeoutSeconds);
    if (limits.fileSizeLimit != 0) {
      rlimit limit{limits.fileSizeLimit, limits.fileSizeLimit};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (limits.unprivileged && geteuid() == 0) {
      if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(2);
    }
    std::string text = body();
    ssize_t ignored = write(fds[1], text.data(), text.size());
    (void)ignored;
    _exit(0);
  }
  close(fds[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : std::string();
}

}  // namespace vpx::test
