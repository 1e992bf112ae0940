// Factorials for the math commands: n! with a cap on its digit count, the exact digit
// count of n!, the table of digit counts for n = 0 ... 100,000, and the inverse lookup
// from a digit count to the first n whose factorial is that long.
#pragma once

#include <cstdint>

#include "host/job_progress.h"
#include "numbers/math_decimal.h"
#include "numbers/my_numeric.h"

namespace vpx {

constexpr uint32_t kFactorialTableLastIndex = 100'000;

// Entry n is the number of decimal digits of n! (n = 0 ... 100,000; the last is 456,574).
const uint32_t* FactorialDigitTable();

// Exact number of decimal digits of n! for any n.
uint64_t FactorialDigitCount(uint32_t n);

// The first n whose factorial has d digits (the first whose factorial is longer when
// none has exactly d); 0 for d = 0, 1 for d = 1, 100,000 for d beyond the table.
uint32_t FindFactorialByDigitCount(uint32_t d);

// n! exactly when it has at most maxDigits digits, otherwise maxDigits nines marked as
// saturated. Polls cancel throughout; false (and *out untouched) when cancelled.
// twoThreads: a long factorial uses a second thread (same result); progress may be null.
// Memory exhaustion throws std::bad_alloc.
bool ComputeFactorial(uint32_t n, uint32_t maxDigits, CancelToken cancel, DecimalDigits* out,
                      bool twoThreads = false, JobProgress* progress = nullptr);

}  // namespace vpx
