#include "files/drive_space.h"

#include <cstdint>

#include "host/platform.h"

namespace vpx {
namespace {

// The file system of path, or of its nearest existing folder when the path and its folder
// do not exist yet (a name without a folder belongs to the current directory's).
bool QueryNearestFileSystem(std::string path, FileSystemSpace& space) {
  while (!QueryFileSystem(path, space)) {
    if (path == "." || path == "/") return false;
    size_t end = path.find_last_not_of('/');
    size_t slash = end == std::string::npos ? std::string::npos : path.rfind('/', end);
    if (end == std::string::npos || slash == 0) {
      path = "/";
    } else if (slash == std::string::npos) {
      path = ".";
    } else {
      path.resize(slash);
    }
  }
  return true;
}

int64_t QueryFileSystemBytes(const std::string& path, bool total) {
  FileSystemSpace space;
  if (path.empty() || !QueryNearestFileSystem(path, space)) return 0;
  uint64_t n = total ? space.totalBytes : space.freeBytes;
  return n > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(n);
}

}  // namespace

int64_t GetDriveFreeSize(const std::string& path) {
  return QueryFileSystemBytes(path, false);
}

int64_t GetDriveTotalSize(const std::string& path) {
  return QueryFileSystemBytes(path, true);
}

}  // namespace vpx
