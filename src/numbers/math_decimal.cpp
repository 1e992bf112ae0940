#include "numbers/math_decimal.h"

#include <algorithm>
#include <memory>

namespace vpx {

std::string DecimalDigits::ToText() const {
  std::string text;
  if (minus) text += '-';
  text.append(digits, 0, intDigits);
  if (digits.size() > intDigits) {
    text += '.';
    text.append(digits, intDigits, std::string::npos);
  }
  if (overflow) text += " (E)";
  return text;
}

DecimalDigits DecimalDigits::FromText(const std::string& text) {
  DecimalDigits x;
  x.digits.clear();
  size_t i = 0;
  if (i < text.size() && text[i] == '-') {
    x.minus = true;
    ++i;
  }
  size_t point = text.find('.', i);
  std::string intPart(1, '0');
  intPart += text.substr(i, point == std::string::npos ? std::string::npos : point - i);
  x.digits = intPart;
  x.intDigits = static_cast<uint32_t>(intPart.size());
  if (point != std::string::npos) x.digits += text.substr(point + 1);
  Canonicalize(x);
  return x;
}

void Canonicalize(DecimalDigits& x, bool keepFractionZeros) {
  if (x.digits.empty() || x.intDigits == 0) {
    std::string padded(1, '0');
    padded += x.digits;
    x.digits.swap(padded);
    ++x.intDigits;
  }
  size_t lead = 0;
  while (lead + 1 < x.intDigits && x.digits[lead] == '0') ++lead;
  size_t keep = x.digits.size();
  while (!keepFractionZeros && keep > x.intDigits && x.digits[keep - 1] == '0') --keep;
  x.digits = x.digits.substr(lead, keep - lead);
  x.intDigits -= static_cast<uint32_t>(lead);
  if (x.IsZero()) x.minus = false;
}

void ToScaledInteger(const DecimalDigits& x, mpz_ptr X, int64_t* t) {
  size_t first = x.digits.find_first_not_of('0');
  if (first == std::string::npos) {
    mpz_set_ui(X, 0);
    *t = 0;
    return;
  }
  size_t last = x.digits.find_last_not_of('0');
  // mpz_set_str wants a terminated text; the significant run is copied once.
  std::string run = x.digits.substr(first, last - first + 1);
  mpz_set_str(X, run.c_str(), 10);
  *t = static_cast<int64_t>(x.intDigits) - static_cast<int64_t>(last) - 1;
}

namespace {

// Above this many bits a conversion is split by a power of ten, so that each part takes a
// few tens of milliseconds at most.
constexpr size_t kConversionSplitBits = 1 << 20;

// Decimal text of W >= 0 appended to text, padded with leading zeros to `width` digits.
bool AppendIntegerText(mpz_srcptr W, size_t width, CancelToken abort, std::string* text) {
  if (abort.IsCancelled()) return false;
  if (mpz_sizeinbase(W, 2) <= kConversionSplitBits) {
    std::unique_ptr<char[]> raw(new char[mpz_sizeinbase(W, 10) + 2]);
    mpz_get_str(raw.get(), 10, W);
    const size_t length = std::char_traits<char>::length(raw.get());
    if (length < width) text->append(width - length, '0');
    text->append(raw.get(), length);
    return true;
  }
  const size_t low = mpz_sizeinbase(W, 10) / 2;
  Mpz power, high, rest;
  mpz_ui_pow_ui(power.get(), 10, low);
  mpz_tdiv_qr(high.get(), rest.get(), W, power.get());
  return AppendIntegerText(high.get(), width > low ? width - low : 0, abort, text) &&
         AppendIntegerText(rest.get(), low, abort, text);
}

}  // namespace

bool FromScaledInteger(mpz_srcptr W, uint64_t fractionDigits, bool minus, CancelToken abort,
                       DecimalDigits* out, bool keepFractionZeros) {
  DecimalDigits x;
  std::string digits;
  if (!AppendIntegerText(W, fractionDigits + 1, abort, &digits)) return false;
  x.intDigits = static_cast<uint32_t>(digits.size() - fractionDigits);
  x.digits = std::move(digits);
  x.minus = minus;
  Canonicalize(x, keepFractionZeros);
  *out = std::move(x);
  return true;
}

DecimalDigits FromScaledInteger(mpz_srcptr W, uint64_t fractionDigits, bool minus,
                                bool keepFractionZeros) {
  DecimalDigits x;
  FromScaledInteger(W, fractionDigits, minus, nullptr, &x, keepFractionZeros);
  return x;
}

DecimalDigits SaturatedNines(uint32_t count, bool minus) {
  DecimalDigits x;
  x.digits.assign(std::max<uint32_t>(count, 1), '9');
  x.intDigits = static_cast<uint32_t>(x.digits.size());
  x.minus = minus;
  x.overflow = true;
  return x;
}

uint64_t DecimalDigitCount(mpz_srcptr v) {
  if (mpz_sgn(v) == 0) return 1;
  uint64_t estimate = mpz_sizeinbase(v, 10);  // exact or one too many
  if (estimate == 1) return 1;
  Mpz power;
  mpz_ui_pow_ui(power.get(), 10, estimate - 1);
  return mpz_cmpabs(v, power.get()) >= 0 ? estimate : estimate - 1;
}

void PowerByRepeatedSquaring(mpfr_ptr out, mpfr_srcptr base, uint64_t e) {
  Mpfr b(mpfr_get_prec(out));
  mpfr_set(b.get(), base, MPFR_RNDN);
  mpfr_set_ui(out, 1, MPFR_RNDN);
  for (int bit = 63; bit >= 0; --bit) {
    mpfr_sqr(out, out, MPFR_RNDN);
    if ((e >> bit) & 1) mpfr_mul(out, out, b.get(), MPFR_RNDN);
  }
}

void WidenMpfrExponentRange() {
  mpfr_set_emin(mpfr_get_emin_min());
  mpfr_set_emax(mpfr_get_emax_max());
}

}  // namespace vpx
