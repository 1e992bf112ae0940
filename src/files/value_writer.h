// Writing texts or numbers into a file at a byte offset or at its end: as text (newlines
// stored as CR LF), as the text's bytes, as a two's-complement integer in either byte
// order, or as decimal digits one per byte in either order. The file is created when
// missing and never truncated; an append that fails is cut back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/file_result.h"
#include "numbers/my_numeric.h"

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
// (0 for a new one). Done says how many bytes were written.
FileResult<Done> WriteValueToFile(WriteForm form, const std::string& file, int64_t offset,
                                  const std::string& text, const MyNumeric& number);

// Where a write puts its bytes.
struct WritePlace {
  bool append = false;  // at the end under an exclusive lock; a failed append is cut back
  int64_t offset = 0;   // otherwise the byte offset (negative: the end of an existing file)
};

// One value of a write: the text for the text and byte forms, the number for the others.
struct WriteSource {
  const std::string* text = nullptr;
  const MyNumeric* number = nullptr;
};

// Writes the values one after another in one form. Every value is converted before the
// file is opened, so a conversion failure leaves the file untouched. The reported size is
// the sum of the data lengths (line ends not counted).
FileResult<Done> WriteValuesToFile(WriteForm form, const std::string& file, WritePlace place,
                                   const std::vector<WriteSource>& values);

// The number's magnitude as decimal text: integer digits, then "." and the fraction
// digits when there are any.
std::string NumberAsDecimalText(const MyNumeric& number);
// The same with a leading "-" for a negative number.
std::string SignedDecimalText(const MyNumeric& number);

}  // namespace vpx
