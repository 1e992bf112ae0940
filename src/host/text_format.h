// Text formatting shared by every layer: printf-style formatting into a std::string and
// thousands separators for counts. Texts are Shift-JIS bytes like every internal text.
#pragma once

#include <cstdint>
#include <string>

namespace vpx {

// printf-style formatting into a std::string; pass SJ("...").c_str() for message formats.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "1234567" -> "1,234,567"; texts that would reach 1000 characters stay unchanged.
std::string InsertThousandsSeparators(const std::string& text);
// InsertThousandsSeparators of the decimal form of n.
std::string FormatByteCount(int64_t n);

}  // namespace vpx
