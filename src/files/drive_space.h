// Space of the file system holding a path, for the drive commands and for the checks
// made before a large file is written.
#pragma once

#include <cstdint>
#include <string>

namespace vpx {

// Bytes available to the caller and total bytes of the file system holding path (for a
// path that does not exist yet, of its nearest existing folder); 0 when it cannot be found.
int64_t GetDriveFreeSize(const std::string& path);
int64_t GetDriveTotalSize(const std::string& path);

}  // namespace vpx
