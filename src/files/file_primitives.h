// The small file queries and changes, and the clipboard and dialog routines, the file
// commands stand on. They never talk to the console: they return a value and, where a
// failure is internal, append a text to the trace log. Names are Shift-JIS.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vpx {

class IClipboard;
class IDialogs;

// Size of a missing file or an unknown size.
constexpr int64_t kUnknownSize = -1;

// --- file queries ---

// Directory of the running executable, without a trailing separator. 0, or -1 when out is
// missing or the path cannot be had.
int GetModuleDir(std::string* out);
// 1 when name (a path whose last part may hold the wildcards * and ?, the first hit in the
// directory counts) is found and is a directory exactly when wantDirectory is true.
int IxExistFile(const std::string& name, bool wantDirectory);
// Size of an existing regular file (opened without blocking, by its literal name), or
// kUnknownSize.
int64_t QueryFileSize(const std::string& name);

// --- file changes ---

// Cuts an existing file to newSize or extends it (the file system supplies the content).
// 0 when the name is empty, the file is missing or cannot be opened; 1 once it was opened:
// callers check the resulting size.
int ResizeFile(const std::string& name, int64_t newSize);
// Reverses count bytes in place; 0 when bytes is missing.
int ReverseBinaryArray(uint8_t* bytes, uint32_t count);

// --- dialogs and clipboard ---

// Folder chooser titled "フォルダを選択してください": 1 with the chosen path in out, 2 when
// cancelled or without dialogs.
int ChooseFolder(IDialogs* dialogs, const std::string& initialPath, std::string* out);
// 0 only when the clipboard could not be emptied; otherwise 1 (also when it refuses).
int SetStrToClipBoard(const std::string& text, IClipboard* clipboard);
// 1 with the clipboard's text; 0 with an empty out when it holds none.
int GetStrFromClipBoard(std::string* out, IClipboard* clipboard);

}  // namespace vpx
