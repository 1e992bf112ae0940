#include "numbers/numeric_tables.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace vpx {
namespace {

constexpr double kLog10Of2 = 0.30102999566398119523;
constexpr uint32_t kDigits = kPowerOfTwoEntrySize - 1;

struct Tables {
  std::vector<char> powers;
  uint16_t counts[kDigitCountEntries];

  Tables() : powers(static_cast<size_t>(kPowerOfTwoEntries) * kPowerOfTwoEntrySize, '0') {
    // Entry j + 1 is entry j doubled, digit by digit from the right.
    for (uint32_t j = 0; j < kPowerOfTwoEntries; ++j) Entry(j)[kDigits] = '\0';
    Entry(1)[kDigits - 1] = '1';
    for (uint32_t j = 2; j < kPowerOfTwoEntries; ++j) {
      const char* from = Entry(j - 1);
      char* to = Entry(j);
      int carry = 0;
      for (uint32_t i = kDigits; i-- > 0;) {
        int t = (from[i] - '0') * 2 + carry;
        carry = t / 10;
        to[i] = static_cast<char>('0' + t % 10);
      }
    }
    // 2^(k+1) - 1 has as many digits as 2^(k+1), since no power of two ends in 0.
    for (uint32_t k = 0; k < kDigitCountEntries; ++k) {
      const char* p = Entry(k + 2);
      uint32_t lead = 0;
      while (p[lead] == '0') ++lead;
      counts[k] = static_cast<uint16_t>(kDigits - lead);
    }
  }
  char* Entry(uint32_t j) { return powers.data() + static_cast<size_t>(j) * kPowerOfTwoEntrySize; }
};

const Tables& GetTables() {
  static const Tables tables;
  return tables;
}

}  // namespace

const char* PowerOfTwoTable(uint32_t j) {
  if (j >= kPowerOfTwoEntries) return nullptr;
  return GetTables().powers.data() + static_cast<size_t>(j) * kPowerOfTwoEntrySize;
}

uint16_t DigitCountTable(uint32_t k) {
  return k < kDigitCountEntries ? GetTables().counts[k] : 0;
}

uint32_t DigitCountForBytes(uint32_t n) {
  if (n == 0) n = 1;
  return static_cast<uint32_t>(std::floor(8.0 * n * kLog10Of2)) + 1;
}

uint64_t BytesForDigitCount(uint64_t d) {
  uint64_t bits = static_cast<uint64_t>(std::floor(static_cast<double>(d) / kLog10Of2)) + 1;
  return (bits + 7) / 8;
}

}  // namespace vpx
