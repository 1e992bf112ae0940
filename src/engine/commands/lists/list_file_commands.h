// Saving, loading and emptying the result list as a whole (the window's SAVE and LOAD, its
// file menu, and the terminal's --save and --load): the entries from 1 up go to and come
// from a shortcut list file; each operation prints its outcome to the console.
#pragma once

#include <cstdint>
#include <string>

namespace vpx {

class ICommandContext;

// Writes entries 1 and up (entries a job is still computing are left out and counted in
// the message) to the Shift-JIS path the way a copy writes its destination: a regular file
// keeps its owner, mode, links and attributes and is replaced only once the whole file is
// written; a device, pipe or socket, or a file the user cannot write, is refused. 1 on
// success, 0 after a failure message (the file at path is as it was). Messages name the
// file as shown (path when empty).
int SaveShortCutList(ICommandContext& context, const std::string& path,
                     const std::string& shown = std::string());

// Reads and checks the whole regular file, then appends its entries after the last entry.
// 1 on success; 0 after a message naming the line, the list unchanged (also when memory
// runs out).
int LoadShortCutList(ICommandContext& context, const std::string& path);

// Removes entries 1 and up; entries a job is computing stay. The number removed, or -1
// when the list lock could not be had.
int ClearShortCutList(ICommandContext& context);

// A fingerprint of entries 1 and up (their file text's CRC-32 and count), to tell whether
// the list changed since it was saved or loaded. False when it cannot be computed.
struct ListFingerprint {
  uint32_t crc = 0;
  uint64_t entries = 0;
  bool operator==(const ListFingerprint&) const = default;
};
bool TakeListFingerprint(ICommandContext& context, ListFingerprint& out);

}  // namespace vpx
