// Which user-given file names the engine will hand to the operating system. A name with a
// control byte (from a batch file or a pasted text) would be cut at a NUL or name a file
// the user cannot see, so such names are refused before any open or lookup.
#pragma once

#include <string>

namespace vpx {

// Position of the first byte in 0x00-0x1F or 0x7F, or -1. No Shift-JIS trail byte lies in
// that range, so the scan needs no character boundaries.
int FindControlByte(const std::string& sjisName);
// "※　ファイル名に制御文字が含まれています。[0x00]" for a refused name, else empty.
std::string FileNameRefusalText(const std::string& sjisName);

}  // namespace vpx
