// The trace log: a plain Shift-JIS text file into which every part of the system appends
// diagnostic texts ("\n" stored as CR LF). Emptied at every start; each write is one
// complete open-append-close, so texts of different threads never interleave. The file is
// never reached through a symbolic link and never lies in a folder other users can write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vpx {

// Sets the trace file (a Shift-JIS path; empty for the default) and empties it. The default
// is DataTrace.txt beside the program when the user owns that folder and it is no system
// folder; otherwise vorpex/DataTrace.txt under $XDG_STATE_HOME, ~/.local/state, or a folder
// of the user's own (/run/user/UID/vorpex, else $TMPDIR or /tmp /vorpex-UID, made 0700). A
// relative path is taken from the current folder now, so a later ChangeDir does not move
// it. False with failure set (an English text for standard error) when the named file is
// a symbolic link, a named pipe, a socket or a folder: it is then not opened, and the
// trace goes nowhere.
bool OpenTraceLog(const std::string& path, std::string& failure);
// As OpenTraceLog, a refused file leaving the trace unwritten.
void InitTraceLog(const std::string& path = std::string());
std::string GetTracePath();

// A file that cannot be opened shows the message box "トレース用ファイルが開けません" once
// (until the trace file is set again), not at every write.
void WriteTrace(const std::string& text);
// As WriteTrace, but reports a file that cannot be opened (false) instead of showing a
// message box, for callers that show their own.
bool TryWriteTrace(const std::string& text);
void WriteTraceNewline();
// count bytes as two upper-case hex digits each, last byte first, blank-separated.
void TraceHexBytes(const uint8_t* bytes, size_t count);

}  // namespace vpx
