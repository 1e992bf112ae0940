// Operands for the number benchmarks: random decimal digit texts, their digit values, and
// MyNumeric values with a chosen result size.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "numbers/my_numeric.h"

namespace vpx::bench {

// n digits, the first nonzero, the same for the same seed.
inline std::string RandomDigits(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '0');
  s[0] = static_cast<char>('1' + rng() % 9);
  for (size_t i = 1; i < n; ++i) s[i] = static_cast<char>('0' + rng() % 10);
  return s;
}

inline std::vector<unsigned char> DigitValues(const std::string& text) {
  std::vector<unsigned char> v(text.size());
  for (size_t i = 0; i < text.size(); ++i) v[i] = static_cast<unsigned char>(text[i] - '0');
  return v;
}

inline MyNumeric NumberWithResultSize(const std::string& text, uint32_t resultSize) {
  MyNumeric n;
  n.SetResultSize(resultSize);
  n.SetByString(text);
  return n;
}

}  // namespace vpx::bench
