// The decimal-native product of digit strings: digits packed into base-10^19 limbs and
// multiplied by the transforms (decimal_ntt.h) or, outside their range, by Kronecker
// substitution (decimal_limbs.h). The quotient is in
// decimal_quotient.cpp.
#include "numbers/decimal_product.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "numbers/bignum_memory.h"
#include "numbers/binary_splitting.h"
#include "numbers/decimal_limbs.h"
#include "numbers/decimal_ntt.h"

namespace vpx::mynum {
namespace {

using Cancelled = DecimalCancelled;

// Digits are packed and unpacked in slices of this many limbs (about 20 ms of work), the
// token polled between them.
constexpr size_t kSliceLimbs = size_t{1} << 20;

void Poll(CancelToken cancel) {
  if (cancel.IsCancelled()) throw Cancelled{};
}

DecimalLimbs PackInSlices(const uint8_t* d, size_t n, CancelToken cancel) {
  DecimalLimbs out((n + kLimbDigits - 1) / kLimbDigits, 0);
  for (size_t from = 0; from < out.size(); from += kSliceLimbs) {
    Poll(cancel);
    const size_t first = from * kLimbDigits;
    const DecimalLimbs part =
        PackDecimalLimbs(d + first, std::min(kSliceLimbs * kLimbDigits, n - first));
    std::copy(part.begin(), part.end(), out.begin() + static_cast<std::ptrdiff_t>(from));
  }
  while (!out.empty() && out.back() == 0) out.pop_back();
  return out;
}

void UnpackInSlices(const DecimalLimbs& l, uint8_t* out, size_t digits, CancelToken cancel) {
  for (size_t place = 0; place < digits; place += kSliceLimbs * kLimbDigits) {
    Poll(cancel);
    const size_t from = std::min(place / kLimbDigits, l.size());
    UnpackDecimalLimbs(l.data() + from, std::min(kSliceLimbs, l.size() - from), out + place,
                       std::min(kSliceLimbs * kLimbDigits, digits - place));
  }
}

void MulDecimalOrThrow(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb, uint8_t* out,
                       CancelToken cancel) {
  const size_t digits = static_cast<size_t>(na) + nb;
  const bool square = a == b && na == nb;
  DecimalLimbs la = PackInSlices(a, na, cancel);
  DecimalLimbs lb = square ? DecimalLimbs{} : PackInSlices(b, nb, cancel);
  const DecimalLimbs& rb = square ? la : lb;
  if (la.empty() || rb.empty()) {
    std::memset(out, 0, digits);
    return;
  }
  DecimalLimbs product(la.size() + rb.size());
  if (UseNttForProduct(product.size())) {
    MulDecimalLimbsNtt(la.data(), la.size(), rb.data(), rb.size(), product.data(), cancel,
                       product.size() >= kNttTwoThreadLimbs && SecondCoreAvailable());
  } else {
    MulDecimalLimbs(la.data(), la.size(), rb.data(), rb.size(), product.data(), cancel);
  }
  la = DecimalLimbs{};
  lb = DecimalLimbs{};
  UnpackInSlices(product, out, digits, cancel);
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
