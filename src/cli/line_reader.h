// Reading the terminal's input lines in bounded memory: a line longer than the console takes
// is skipped to its end without being held, and reported as too long.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace vpx::cli {

// Bytes of Shift-JIS the console takes from one line.
constexpr size_t kLineLimit = 99'999;
// UTF-8 bytes a line within that limit can have (a one-byte Shift-JIS character may take
// three in UTF-8), plus a byte-order mark.
constexpr size_t kLineReadLimit = 3 * kLineLimit + 3;

enum class ReadResult { kLine, kTooLong, kEnd };

// One line of stream without its line end (LF or CR LF). kTooLong leaves line empty and
// the stream after the line's end; kEnd at the end of the input or on a read error.
ReadResult ReadBoundedLine(FILE* stream, std::string& line);

// "※　" message for a line past the limit (Shift-JIS).
std::string LineTooLongText();

// Batch files may hold blank lines and comments (first non-blank character '#').
bool IsBlankOrComment(const std::string& line);

}  // namespace vpx::cli
