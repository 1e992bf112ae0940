// The operating-system services the engine needs, with Shift-JIS names on the engine's
// side: file-name conversion, the program and current directories, the file system that
// holds a path (the Linux counterpart of a drive), memory, and system error texts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vpx {

// Shift-JIS engine name to the UTF-8 name the OS uses; false when not convertible or when
// it holds a control byte.
bool ToOsPath(const std::string& sjisName, std::string& osName);
// OS name to Shift-JIS; false when the name has no Shift-JIS form.
bool FromOsPath(const std::string& osName, std::string& sjisName);

// Directory of the running executable (Shift-JIS, no trailing slash); false on failure.
bool GetProgramDir(std::string& sjisDir);
// Current directory (Shift-JIS); false on failure or when not convertible.
bool GetCurrentDir(std::string& sjisDir);
// Changes the current directory; 0, or the errno of the failure (EILSEQ: not convertible).
int SetCurrentDir(const std::string& sjisDir);

struct FileSystemSpace {
  uint64_t freeBytes = 0;  // available to the calling user
  uint64_t totalBytes = 0;
  std::string mountPoint;  // Shift-JIS
};
// The file system holding path (for a path that does not exist yet, its directory).
// False when neither the path nor its directory exists.
bool QueryFileSystem(const std::string& sjisPath, FileSystemSpace& space);
// The mounted file systems that hold data (pseudo file systems of no size left out), one
// per mount point, in mount order; mount points without a Shift-JIS form are left out.
std::vector<FileSystemSpace> ListFileSystems();

// Physical memory available now, in bytes.
uint64_t GetAvailablePhysicalMemory();

// Lowers the calling thread's scheduling priority by niceness steps (Linux schedules
// threads one by one); a step the system refuses leaves it as it was. False then.
bool LowerCurrentThreadPriority(int niceness);

// The system's message text for errno code, in Shift-JIS, followed by "\n"
// (the FormatSystemError of the trace texts).
std::string FormatSystemError(int code);

}  // namespace vpx
