// Writing a text or a number into a file at a byte offset: as text (newlines stored as
// CR LF), as the text's bytes, as a two's-complement integer in either byte order, or as
// decimal digits one per byte in either order. The file is created when missing and never
// truncated.
#pragma once

#include <cstdint>
#include <string>

#include "numeric/my_numeric.h"

namespace vpx {

// The commands WriteToFileAsStr (239, 240), WriteToFileAsBin (241, 242),
// WriteToFileAsBinBE (243, 244), WriteToFileAsBCD (245) and WriteToFileAsBCDBE (246).
// text is used by the odd-numbered forms 239, 241, 243, number by the others. A negative
// offset means the end of an existing file (0 for a new one). 1 or 0; message holds the
// console text either way.
int WriteValueToFile(uint32_t id, const std::string& file, int64_t offset, const std::string& text,
                     const MyNumeric& number, std::string* message);

// The number's magnitude as decimal text: integer digits, then "." and the fraction
// digits when there are any.
std::string NumberAsDecimalText(const MyNumeric& number);

}  // namespace vpx
