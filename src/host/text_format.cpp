#include "host/text_format.h"

#include <cstdarg>
#include <cstdio>

namespace vpx {

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<size_t>(n));
    std::vsnprintf(out.data(), out.size() + 1, format, args);
  }
  va_end(args);
  return out;
}

std::string InsertThousandsSeparators(const std::string& text) {
  size_t length = text.size();
  size_t commas = length / 3;
  if (length >= 3 && length % 3 == 0) --commas;
  if (commas == 0 || length + commas >= 1000) return text;
  std::string out;
  out.reserve(length + commas);
  size_t firstGroup = length - commas * 3;
  out.append(text, 0, firstGroup);
  for (size_t pos = firstGroup; pos < length; pos += 3) {
    out += ',';
    out.append(text, pos, 3);
  }
  return out;
}

std::string FormatByteCount(int64_t n) {
  return InsertThousandsSeparators(std::to_string(n));
}

}  // namespace vpx
