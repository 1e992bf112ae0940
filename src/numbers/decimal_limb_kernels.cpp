#include "numbers/decimal_limb_kernels.h"

#include <algorithm>

namespace vpx::mynum {

uint64_t MulLimbsByWord(uint64_t* a, size_t n, uint64_t w) {
  uint64_t carry = 0;
  for (size_t i = 0; i < n; ++i) {
    // a[i] * w + carry < 10^38, so the high word stays below 10^19.
    const Uint128 t = Uint128{a[i]} * w + carry;
    carry = DivRemLimbBase(static_cast<uint64_t>(t >> 64), static_cast<uint64_t>(t), &a[i]);
  }
  return carry;
}

void MulLimbsSchoolbook(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, uint64_t* out) {
  std::fill(out, out + na + nb, 0);
  for (size_t j = 0; j < nb; ++j) {
    uint64_t carry = 0;
    uint64_t* row = out + j;
    for (size_t i = 0; i < na; ++i) {
      // (10^19 - 1)^2 + 2 (10^19 - 1) < 10^38: the high word stays below 10^19.
      const Uint128 t = Uint128{a[i]} * b[j] + row[i] + carry;
      carry = DivRemLimbBase(static_cast<uint64_t>(t >> 64), static_cast<uint64_t>(t), &row[i]);
    }
    row[na] = carry;
  }
}

}  // namespace vpx::mynum
