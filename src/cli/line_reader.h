// Reading the terminal's input lines in bounded memory: a line longer than the console takes
// is skipped to its end without being held, and reported as too long.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "host/line_limits.h"

namespace vpx::cli {

// UTF-8 bytes a line within that limit can have (a one-byte Shift-JIS character may take
// three in UTF-8), plus a byte-order mark.
constexpr size_t kLineReadLimit = 3 * kLineLimit + 3;

enum class ReadResult { kLine, kTooLong, kEnd };

// One line of stream without its line end (LF or CR LF). kTooLong leaves line empty and
// the stream after the line's end; kEnd at the end of the input or on a read error.
ReadResult ReadBoundedLine(FILE* stream, std::string& line);

// "※　" message for a line past the limit (Shift-JIS).
std::string LineTooLongText();

// The offset of the first byte that does not begin a valid UTF-8 character (a stray or
// missing continuation byte, an overlong form, a surrogate, a code past U+10FFFF), or
// std::string::npos when the whole text is valid.
size_t FirstInvalidUtf8Byte(std::string_view text);
// "※　" message for a line that is not valid UTF-8, naming the byte (Shift-JIS).
std::string InvalidUtf8Text(size_t offset);

// Batch files may hold blank lines and comments (first non-blank character '#').
bool IsBlankOrComment(const std::string& line);

}  // namespace vpx::cli
