#include "numbers/math_factorial.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "numbers/decimal_factorial.h"

namespace vpx {
namespace {

std::vector<uint32_t> BuildFactorialDigitTable() {
  std::vector<uint32_t> table(kFactorialTableLastIndex + 1);
  // log10(n!) summed in extended precision: the accumulated error stays below 1e-8, so
  // only sums within the margin of an integer need the exact count.
  long double sum = 0.0L;
  table[0] = 1;
  for (uint32_t n = 1; n <= kFactorialTableLastIndex; ++n) {
    sum += std::log10(static_cast<long double>(n));
    long double nearest = std::nearbyint(sum);
    if (std::fabs(sum - nearest) < 1e-6L) {
      table[n] = static_cast<uint32_t>(FactorialDigitCount(n));
    } else {
      table[n] = static_cast<uint32_t>(std::floor(sum)) + 1;
    }
  }
  return table;
}

// "00" "01" ... "99": two digits per division.
constexpr auto kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// The low `count` digits of v written backwards, ending at end; returns their start.
char* WriteDigitsBefore(char* end, uint64_t v, uint32_t count) {
  for (; count >= 2; count -= 2) {
    end -= 2;
    std::memcpy(end, &kDigitPairs[2 * (v % 100)], 2);
    v /= 100;
  }
  if (count == 1) *--end = static_cast<char>('0' + v % 10);
  return end;
}

// Decimal text of limbs without top zero limbs: the top limb without leading zeros, the
// others with all 19 digits (two independent halves each, so the divisions overlap).
std::string LimbsToText(const mynum::DecimalLimbs& limbs) {
  constexpr uint64_t kHalf = 10'000'000'000;  // 10^10
  const uint64_t top = limbs.back();
  uint32_t topDigits = 1;
  for (uint64_t v = top; v >= 10; v /= 10) ++topDigits;
  std::string text((limbs.size() - 1) * mynum::kLimbDigits + topDigits, '0');
  char* end = text.data() + text.size();
  for (size_t i = 0; i + 1 < limbs.size(); ++i) {
    end = WriteDigitsBefore(end, limbs[i] % kHalf, 10);
    end = WriteDigitsBefore(end, limbs[i] / kHalf, 9);
  }
  WriteDigitsBefore(end, top, topDigits);
  return text;
}

}  // namespace

const uint32_t* FactorialDigitTable() {
  static const std::vector<uint32_t> table = BuildFactorialDigitTable();
  return table.data();
}

uint64_t FactorialDigitCount(uint32_t n) {
  if (n <= 1) return 1;
  // digits = floor(lngamma(n + 1) / ln 10) + 1; n! is never a power of ten for n >= 2, so
  // narrowing the enclosing interval always settles the floor.
  for (mpfr_prec_t bits = 128;; bits *= 2) {
    Mpfr arg(bits), lo(bits), hi(bits), ln10lo(bits), ln10hi(bits);
    mpfr_set_ui(arg.get(), n + 1, MPFR_RNDN);
    mpfr_lngamma(lo.get(), arg.get(), MPFR_RNDD);
    mpfr_lngamma(hi.get(), arg.get(), MPFR_RNDU);
    mpfr_set_ui(arg.get(), 10, MPFR_RNDN);
    mpfr_log(ln10lo.get(), arg.get(), MPFR_RNDD);
    mpfr_log(ln10hi.get(), arg.get(), MPFR_RNDU);
    mpfr_div(lo.get(), lo.get(), ln10hi.get(), MPFR_RNDD);
    mpfr_div(hi.get(), hi.get(), ln10lo.get(), MPFR_RNDU);
    mpfr_floor(lo.get(), lo.get());
    mpfr_floor(hi.get(), hi.get());
    if (mpfr_equal_p(lo.get(), hi.get())) return mpfr_get_ui(lo.get(), MPFR_RNDN) + 1;
  }
}

uint32_t FindFactorialByDigitCount(uint32_t d) {
  if (d == 0) return 0;
  const uint32_t* table = FactorialDigitTable();
  const uint32_t* end = table + kFactorialTableLastIndex + 1;
  const uint32_t* found = std::lower_bound(table, end, d);
  if (found == end) return kFactorialTableLastIndex;
  // A run of equal entries reaching index 0 (the ones of 0! to 3!) answers 1.
  return std::max<uint32_t>(static_cast<uint32_t>(found - table), 1);
}

bool ComputeFactorial(uint32_t n, uint32_t maxDigits, CancelToken cancel, DecimalDigits* out,
                      bool twoThreads, JobProgress* progress) {
  // Beyond the table, log10(n!) from lgamma is good to 1e-6 digits; only a factorial
  // certainly longer than the cap is skipped, a borderline one is counted once computed.
  // (The exact count goes through MPFR, whose caches do not survive a failed allocation.)
  const bool tooLong =
      n <= kFactorialTableLastIndex
          ? FactorialDigitTable()[n] > maxDigits
          : std::lgamma(static_cast<long double>(n) + 1) / std::log(10.0L) - 0.01L >= maxDigits;
  if (tooLong) {
    *out = SaturatedNines(maxDigits, false);
    return true;
  }
  if (cancel.IsCancelled()) return false;
  DecimalDigits result;
  try {
    const mynum::DecimalLimbs limbs = mynum::DecimalFactorial(n, twoThreads, cancel, progress);
    result.digits = LimbsToText(limbs);
  } catch (const mynum::DecimalCancelled&) {
    return false;
  }
  if (result.digits.size() > maxDigits) {
    *out = SaturatedNines(maxDigits, false);
    return true;
  }
  result.intDigits = static_cast<uint32_t>(result.digits.size());
  *out = std::move(result);
  return true;
}

}  // namespace vpx
