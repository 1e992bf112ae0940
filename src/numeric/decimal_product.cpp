// The decimal-native product of digit strings: digits packed into base-10^19 limbs and
// multiplied by Kronecker substitution (decimal_limbs.h). The quotient is in
// decimal_quotient.cpp.
#include "numeric/decimal_product.h"

#include <cstring>
#include <new>

#include "numeric/bignum_memory.h"
#include "numeric/decimal_limbs.h"

namespace vpx::mynum {
namespace {

using Cancelled = DecimalCancelled;

void MulDecimalOrThrow(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb, uint8_t* out,
                       CancelToken cancel) {
  const size_t digits = static_cast<size_t>(na) + nb;
  const bool square = a == b && na == nb;
  DecimalLimbs la = PackDecimalLimbs(a, na);
  DecimalLimbs lb = square ? DecimalLimbs{} : PackDecimalLimbs(b, nb);
  const DecimalLimbs& rb = square ? la : lb;
  if (la.empty() || rb.empty()) {
    std::memset(out, 0, digits);
    return;
  }
  DecimalLimbs product(la.size() + rb.size());
  MulDecimalLimbs(la.data(), la.size(), rb.data(), rb.size(), product.data(), cancel);
  UnpackDecimalLimbs(product.data(), product.size(), out, digits);
}

}  // namespace

DecimalStatus MulDecimal(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb, uint8_t* out,
                         CancelToken cancel) {
  try {
    BignumScope scope;
    MulDecimalOrThrow(a, na, b, nb, out, cancel);
    return DecimalStatus::kDone;
  } catch (const Cancelled&) {
    return DecimalStatus::kCancelled;
  } catch (const std::bad_alloc&) {
    return DecimalStatus::kNoMemory;
  }
}

}  // namespace vpx::mynum
