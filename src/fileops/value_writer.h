// Writing a text or a number into a file at a byte offset: as text (newlines stored as
// CR LF), as the text's bytes, as a two's-complement integer in either byte order, or as
// decimal digits one per byte in either order. The file is created when missing and never
// truncated.
#pragma once

#include <cstdint>
#include <string>

#include "numeric/my_numeric.h"

namespace vpx {

// How a write encodes its value: as text (a number as its decimal text), as bytes (the
// text's own, or a number in two's complement), or as one decimal digit per byte.
enum class WriteEncoding { kText, kBinary, kDigits };

struct WriteForm {
  WriteEncoding encoding = WriteEncoding::kText;
  bool fromNumber = false;  // the number is written, else the text (digits: always the number)
  bool bigEndian = false;   // most significant byte or digit first
};

inline constexpr WriteForm kWriteText{WriteEncoding::kText, false, false};
inline constexpr WriteForm kWriteNumberText{WriteEncoding::kText, true, false};
inline constexpr WriteForm kWriteBytes{WriteEncoding::kBinary, false, false};
inline constexpr WriteForm kWriteInteger{WriteEncoding::kBinary, true, false};
// The text's bytes as they are, reported as a big-endian write.
inline constexpr WriteForm kWriteBytesBE{WriteEncoding::kBinary, false, true};
inline constexpr WriteForm kWriteIntegerBE{WriteEncoding::kBinary, true, true};
inline constexpr WriteForm kWriteDigits{WriteEncoding::kDigits, true, false};
inline constexpr WriteForm kWriteDigitsBE{WriteEncoding::kDigits, true, true};

// Writes text or number as form says. A negative offset means the end of an existing file
// (0 for a new one). 1 or 0; message holds the console text either way.
int WriteValueToFile(WriteForm form, const std::string& file, int64_t offset,
                     const std::string& text, const MyNumeric& number, std::string* message);

// The number's magnitude as decimal text: integer digits, then "." and the fraction
// digits when there are any.
std::string NumberAsDecimalText(const MyNumeric& number);

}  // namespace vpx
