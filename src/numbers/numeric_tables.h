// Fixed tables of the binary conversions: the decimal digits of 2^0 .. 2^1024 and the digit
// counts of 2^(k+1) - 1, generated on first use, and the digit/byte size estimates.
#pragma once

#include <cstdint>

namespace vpx {

constexpr uint32_t kPowerOfTwoEntries = 1026;
constexpr uint32_t kPowerOfTwoEntrySize = 310;  // 309 digit characters and a zero byte
constexpr uint32_t kDigitCountEntries = 1024;

// Entry j: 2^(j-1) as 309 decimal digit characters, zero-padded on the left, then '\0';
// entry 0 is all '0'.
const char* PowerOfTwoTable(uint32_t j);
// Entry k: decimal digits of 2^(k+1) - 1.
uint16_t DigitCountTable(uint32_t k);

// floor(8 n log10 2) + 1 decimal digits for n bytes (n = 0 counts as 1).
uint32_t DigitCountForBytes(uint32_t n);
// Bytes that hold any integer of d decimal digits: ceil((floor(d / log10 2) + 1) / 8).
uint64_t BytesForDigitCount(uint64_t d);

}  // namespace vpx
