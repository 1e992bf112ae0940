// Digit kernels behind MyNumeric's multiplication, division and binary conversions: the
// per-digit loops for small operands and the GMP (mpn) paths for large ones, which give
// the same digits. Digit arrays hold one decimal digit value per byte, least significant
// first, as in a MyNumeric's buffer.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "numbers/my_numeric.h"

namespace vpx::mynum {

// Sizes at which the decimal-native product and quotient (decimal_product.h, on GMP's mpn)
// take over from the per-digit loops; benchmarked (bench/bench_numeric.cpp). Tests move
// them to force one path or the other; 0 in mulMinDigits or divWork forces the fast path.
struct Crossovers {
  uint32_t mulMinDigits;    // product: fast path when the shorter operand has this many
  uint32_t mulSquareRatio;  // ... and shorter^2 * 100 >= longer * mulSquareRatio
  uint32_t divWork;         // quotient places x divisor digits above which Newton divides
  uint32_t binaryDigits;    // decimal digits above which binary conversion uses GMP
};
Crossovers GetCrossovers();
void SetCrossovers(const Crossovers& c);
Crossovers DefaultCrossovers();

bool UseGmpForMul(uint32_t na, uint32_t nb);
bool UseGmpForDiv(uint32_t quotientDigits, uint32_t nb);
bool UseGmpForBinary(uint32_t digits);

// out[0 .. na+nb) = a x b. Per-digit rows of up to nine digits of b at a time; before each
// further row the token is polled, and a cancel leaves the partial product
// a x (low digits of b). Returns false when cancelled.
bool MulSchoolbook(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb, uint8_t* out,
                   CancelToken cancel);
// The same product through mpn_mul. Returns false when scratch memory cannot be had.
bool MulGmp(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb, uint8_t* out);

// Quotient digits of floor(A * 10^shift / B) into q[0 .. places), where A = a[0 .. na)
// and B = b[0 .. nb) (b's top digit nonzero) and shift may be negative (A is then cut by
// -shift digits). The caller guarantees the quotient is below 10^places.
bool DivLong(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb, int64_t shift,
             uint8_t* q, uint32_t places);
bool DivGmp(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb, int64_t shift, uint8_t* q,
            uint32_t places);

// Integer digits d[0 .. n) (least significant first) to little-endian bytes; returns the
// byte count (0 for the value zero), or kBytesNoMemory when scratch memory cannot be had.
constexpr int64_t kBytesNoMemory = -1;
int64_t DigitsToBytesHalving(const uint8_t* d, uint32_t n, std::vector<uint8_t>& bytes);
int64_t DigitsToBytesGmp(const uint8_t* d, uint32_t n, std::vector<uint8_t>& bytes);
// Little-endian bytes to decimal digits, least significant first, without leading zeros
// (the value zero gives no digit). Returns false when memory cannot be had.
bool BytesToDigitsGmp(const uint8_t* bytes, size_t count, std::vector<uint8_t>& digits);

}  // namespace vpx::mynum
