// The shortcut list file: a versioned, line-based text holding result records (entries 1 and
// up of the list) exactly — full numbers with their saturation mark, Shift-JIS texts byte for
// byte — and the safe replacement of a file on disk. The layout is in docs/list-file-format.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/func_result.h"

namespace vpx {

constexpr uint32_t kListFileVersion = 1;
// The first line's word before the version number.
constexpr std::string_view kListFileMagic = "VORPEX-SHORTCUT-LIST";

// Why a file was refused, and the 1-based line where it was found (0: the file as a whole).
struct ListFileError {
  size_t line = 0;
  std::string reason;  // Shift-JIS
};

// The file text for records, in order. False when memory runs out.
bool FormatListFile(const std::vector<CMyFuncResult>& records, std::string& out);

// Checks the whole text and builds its records. False with error set and records left as
// they were for a damaged, truncated or foreign text, or when memory runs out.
bool ParseListFile(std::string_view text, std::vector<CMyFuncResult>& records,
                   ListFileError& error);

// Writes bytes to a temporary file beside the Shift-JIS path (a link's target), flushes it
// to disk and renames it over the path, which keeps its permission bits. 0, or the errno of
// the failed step; the file at path is then as it was.
int ReplaceFileContents(const std::string& path, std::string_view bytes);

// The whole file at the Shift-JIS path. 0, or the errno of the failure (ENOMEM when the file
// is larger than maxBytes or memory runs out; EISDIR for a folder, EINVAL for another file
// that is not a regular one, such as a named pipe).
int ReadWholeFile(const std::string& path, size_t maxBytes, std::string& bytes);

}  // namespace vpx
