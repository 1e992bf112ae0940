// Searching a file for a byte pattern: the pattern typed as hexadecimal digits or taken
// from a text's Shift-JIS bytes, found forward from an offset, backward before one, or
// counted. The file is read in pieces; a match may straddle any two of them.
#pragma once

#include <cstdint>
#include <string>

#include "files/file_result.h"
#include "host/cancel_token.h"
#include "host/job_progress.h"

namespace vpx {

// The bytes of a hexadecimal pattern ("DE AD BE EF", "deadbeef"; blanks anywhere between
// digit pairs). Refused: an empty pattern, a character that is no hexadecimal digit (named
// in the text), an odd number of digits.
FileResult<std::string> ParseHexPattern(const std::string& text);
// The bytes of a text pattern (already Shift-JIS); refused when empty.
FileResult<std::string> TextPattern(const std::string& text);

// Offset of the first occurrence of pattern that begins at or after start, or -1 when
// there is none. A start past the end of the file is refused; a start equal to the size
// finds nothing. progress, when given, is started with the bytes to read.
FileResult<int64_t> FindInFile(const std::string& file, const std::string& pattern, int64_t start,
                               CancelToken cancel = {}, JobProgress* progress = nullptr);
// Offset of the last occurrence that begins before `before` (-1 for the end of the file),
// or -1 when there is none.
FileResult<int64_t> FindLastInFile(const std::string& file, const std::string& pattern,
                                   int64_t before, CancelToken cancel = {},
                                   JobProgress* progress = nullptr);
// Number of offsets at or after start where the pattern begins (overlapping occurrences
// count each: "aaa" is twice in "aaaa").
FileResult<int64_t> CountInFile(const std::string& file, const std::string& pattern, int64_t start,
                                CancelToken cancel = {}, JobProgress* progress = nullptr);

// The offset's text for the console: "[0x1F40]　位置 8,000".
std::string FoundAtText(int64_t offset);

}  // namespace vpx
