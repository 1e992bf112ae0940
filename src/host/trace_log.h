// The trace log: a plain Shift-JIS text file into which every part of the system appends
// diagnostic texts ("\n" stored as CR LF). Emptied at every start; each write is one
// complete open-append-close, so texts of different threads never interleave.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vpx {

// Sets the trace file (a Shift-JIS path) and empties it. Without a call, the first write
// uses DataTrace.txt in the program directory, or ~/.local/state/vorpex/DataTrace.txt when
// that directory is not writable.
void InitTraceLog(const std::string& path = std::string());
std::string GetTracePath();

void WriteTrace(const std::string& text);
// As WriteTrace, but reports a file that cannot be opened (false) instead of showing a
// message box, for callers that show their own.
bool TryWriteTrace(const std::string& text);
void WriteTraceNewline();
// count bytes as two upper-case hex digits each, last byte first, blank-separated.
void TraceHexBytes(const uint8_t* bytes, size_t count);

}  // namespace vpx
