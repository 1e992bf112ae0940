#include "host/platform.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

#include "host/file_names.h"
#include "host/sjis.h"

namespace vpx {

bool ToOsPath(const std::string& sjisName, std::string& osName) {
  if (FindControlByte(sjisName) >= 0) {
    osName.clear();
    return false;
  }
  return SjisToUtf8(sjisName, osName);
}

bool FromOsPath(const std::string& osName, std::string& sjisName) {
  return Utf8ToSjis(osName, sjisName);
}

bool GetProgramDir(std::string& sjisDir) {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return false;
  std::string path(buf, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return false;
  path.resize(slash == 0 ? 1 : slash);
  return FromOsPath(path, sjisDir);
}

bool GetCurrentDir(std::string& sjisDir) {
  std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
  if (!cwd) return false;
  return FromOsPath(cwd.get(), sjisDir);
}

int SetCurrentDir(const std::string& sjisDir) {
  std::string os;
  if (!ToOsPath(sjisDir, os)) return EILSEQ;
  return chdir(os.c_str()) == 0 ? 0 : errno;
}

namespace {

// The mount directories of /proc/self/mounts in mount order, octal escapes (\040 for a
// blank) decoded.
std::vector<std::string> ReadMountPoints() {
  std::ifstream mounts("/proc/self/mounts");
  std::string device, dir, rest;
  std::vector<std::string> points;
  while (mounts >> device >> dir) {
    std::getline(mounts, rest);
    std::string decoded;
    for (size_t i = 0; i < dir.size(); ++i) {
      const bool escape =
          dir[i] == '\\' && i + 3 < dir.size() && dir.find_first_not_of("01234567", i + 1) >= i + 4;
      if (escape) {
        decoded += static_cast<char>(std::stoi(dir.substr(i + 1, 3), nullptr, 8));
        i += 3;
      } else {
        decoded += dir[i];
      }
    }
    points.push_back(decoded);
  }
  return points;
}

// The mount point holding path: the longest mount directory that is a prefix of the
// path's real location.
std::string FindMountPoint(const std::string& realPath) {
  std::string best = "/";
  for (const std::string& dir : ReadMountPoints()) {
    bool prefix = realPath == dir ||
                  (realPath.compare(0, dir.size(), dir) == 0 &&
                   (dir == "/" || (realPath.size() > dir.size() && realPath[dir.size()] == '/')));
    if (prefix && dir.size() >= best.size()) best = dir;
  }
  return best;
}

}  // namespace

bool QueryFileSystem(const std::string& sjisPath, FileSystemSpace& space) {
  std::string os;
  if (sjisPath.empty() || !ToOsPath(sjisPath, os)) return false;
  struct stat st;
  if (stat(os.c_str(), &st) != 0) {
    size_t slash = os.rfind('/');
    if (slash == std::string::npos) {
      os = ".";
    } else {
      os.resize(slash == 0 ? 1 : slash);
    }
    if (stat(os.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  }
  struct statvfs vfs;
  if (statvfs(os.c_str(), &vfs) != 0) return false;
  space.freeBytes = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
  space.totalBytes = static_cast<uint64_t>(vfs.f_blocks) * vfs.f_frsize;
  std::unique_ptr<char, decltype(&std::free)> real(realpath(os.c_str(), nullptr), &std::free);
  std::string mount = FindMountPoint(real ? real.get() : os);
  if (!FromOsPath(mount, space.mountPoint)) space.mountPoint = "/";
  return true;
}

std::vector<FileSystemSpace> ListFileSystems() {
  std::vector<FileSystemSpace> list;
  for (const std::string& dir : ReadMountPoints()) {
    struct statvfs vfs;
    if (statvfs(dir.c_str(), &vfs) != 0 || vfs.f_blocks == 0) continue;
    FileSystemSpace space;
    if (!FromOsPath(dir, space.mountPoint)) continue;
    space.freeBytes = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    space.totalBytes = static_cast<uint64_t>(vfs.f_blocks) * vfs.f_frsize;
    // A later mount on the same point hides the earlier one.
    auto same = [&](const FileSystemSpace& s) { return s.mountPoint == space.mountPoint; };
    std::erase_if(list, same);
    list.push_back(space);
  }
  return list;
}

uint64_t GetAvailablePhysicalMemory() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key, unit;
  uint64_t value = 0;
  while (meminfo >> key >> value) {
    std::getline(meminfo, unit);
    if (key == "MemAvailable:") return value * 1024;
  }
  long pages = sysconf(_SC_AVPHYS_PAGES);
  long size = sysconf(_SC_PAGESIZE);
  return pages > 0 && size > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(size) : 0;
}

std::string FormatSystemError(int code) {
  char buf[512];
  const char* text = strerror_r(code, buf, sizeof buf);
  std::string sjis;
  if (!FromOsPath(text, sjis)) sjis = "error " + std::to_string(code);
  return sjis + "\n";
}

bool LowerCurrentThreadPriority(int niceness) {
  // On Linux the "process" priority of a thread id is that thread's own.
  const id_t self = static_cast<id_t>(gettid());
  errno = 0;
  const int current = getpriority(PRIO_PROCESS, self);
  if (current == -1 && errno != 0) return false;
  return setpriority(PRIO_PROCESS, self, current + niceness) == 0;
}

}  // namespace vpx
