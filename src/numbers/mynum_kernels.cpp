#include "numbers/mynum_kernels.h"

#include <gmp.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "numbers/bignum_memory.h"

namespace vpx::mynum {
namespace {

std::atomic<uint32_t> g_mulMinDigits{0}, g_mulSquareRatio{0}, g_divWork{0}, g_binaryDigits{0};
std::atomic<bool> g_crossoversSet{false};

// Owns an mpz_t for the length of a scope.
class Mpz {
 public:
  Mpz() { mpz_init(z_); }
  ~Mpz() { mpz_clear(z_); }
  Mpz(const Mpz&) = delete;
  Mpz& operator=(const Mpz&) = delete;
  mpz_ptr get() { return z_; }

 private:
  mpz_t z_;
};

// Digits (least significant first) into z. A decimal digit string of n digits needs at
// most n / 19 + 1 limbs, since 10^19 < 2^64.
void DigitsToMpz(mpz_ptr z, const uint8_t* d, size_t n) {
  while (n > 0 && d[n - 1] == 0) --n;
  if (n == 0) {
    mpz_set_ui(z, 0);
    return;
  }
  std::vector<uint8_t> msdFirst(n);
  std::reverse_copy(d, d + n, msdFirst.begin());
  mp_limb_t* limbs = mpz_limbs_write(z, static_cast<mp_size_t>(n / 19 + 3));
  mp_size_t size = mpn_set_str(limbs, msdFirst.data(), n, 10);
  mpz_limbs_finish(z, size);
}

// z (clobbered) into exactly `places` digits, least significant first, zero-padded.
void MpzToDigits(mpz_ptr z, uint8_t* out, size_t places) {
  std::memset(out, 0, places);
  mp_size_t limbs = static_cast<mp_size_t>(mpz_size(z));
  if (limbs == 0) return;
  std::vector<uint8_t> msdFirst(mpz_sizeinbase(z, 10) + 2);
  size_t len = mpn_get_str(msdFirst.data(), 10, mpz_limbs_modify(z, limbs), limbs);
  size_t skip = 0;
  while (skip < len && msdFirst[skip] == 0) ++skip;
  size_t digits = std::min(len - skip, places);
  std::reverse_copy(msdFirst.data() + len - digits, msdFirst.data() + len, out);
}

uint8_t StreamDigit(const uint8_t* a, uint32_t na, int64_t p) {
  return p < na ? a[na - 1 - p] : 0;
}

// Long division by a divisor below 10^18: one pass with a machine remainder.
void DivSmall(const uint8_t* a, uint32_t na, uint64_t divisor, int64_t len, uint8_t* q,
              uint32_t places) {
  uint64_t r = 0;
  for (int64_t p = 0; p < len; ++p) {
    r = r * 10 + StreamDigit(a, na, p);
    int64_t idx = len - 1 - p;
    uint64_t digit = r / divisor;
    r -= digit * divisor;
    if (idx < places) q[idx] = static_cast<uint8_t>(digit);
  }
}

bool GreaterOrEqual(const uint8_t* r, const uint8_t* b, uint32_t nb) {
  if (r[nb] != 0) return true;
  for (uint32_t i = nb; i-- > 0;) {
    if (r[i] != b[i]) return r[i] > b[i];
  }
  return true;
}

void SubtractInPlace(uint8_t* r, const uint8_t* b, uint32_t nb) {
  int borrow = 0;
  for (uint32_t i = 0; i <= nb; ++i) {
    int t = r[i] - (i < nb ? b[i] : 0) - borrow;
    borrow = t < 0;
    r[i] = static_cast<uint8_t>(t + (borrow ? 10 : 0));
  }
}

// The value of the eight digits d[0 .. 8) (least significant first), pairs combined in
// parallel rather than one long chain.
uint64_t EightDigits(const uint8_t* d) {
  uint64_t x = 0;
  std::memcpy(&x, d, 8);  // byte k holds the digit of weight 10^k (little-endian)
  x = (x & 0x00FF00FF00FF00FFULL) + ((x >> 8) & 0x00FF00FF00FF00FFULL) * 10;
  x = (x & 0x0000FFFF0000FFFFULL) + ((x >> 16) & 0x0000FFFF0000FFFFULL) * 100;
  return (x & 0xFFFFFFFFULL) + (x >> 32) * 10000;
}

// The eight digits of v (below 10^8) into d, least significant first: its halves, their
// hundreds and their tens split in parallel lanes of one word.
void StoreEightDigits(uint64_t v, uint8_t* d) {
  uint64_t x = (v % 10000) | ((v / 10000) << 32);                        // two lanes below 10^4
  const uint64_t hundreds = ((x * 5243) >> 19) & 0x0000007F0000007FULL;  // exact below 43699
  x = (x - hundreds * 100) | (hundreds << 16);                           // four lanes below 100
  const uint64_t tens = ((x * 103) >> 10) & 0x000F000F000F000FULL;       // exact below 179
  x = (x - tens * 10) | (tens << 8);                                     // eight digit bytes
  std::memcpy(d, &x, 8);
}

// out = a x chunk (chunk below 10^9) into zeroed digits, eight digits at a time: the
// carry chain is an eighth as long (a cancelled product of 10^8 digits ends on this row).
void FirstRow(const uint8_t* a, uint32_t na, uint64_t chunk, uint8_t* out) {
  constexpr uint64_t kBlock = 100'000'000;
  uint64_t carry = 0;
  uint32_t i = 0;
  for (; i + 8 <= na; i += 8) {
    const uint64_t t = EightDigits(a + i) * chunk + carry;  // below 10^17 + 10^9
    carry = t / kBlock;
    StoreEightDigits(t - carry * kBlock, out + i);
  }
  for (; i < na; ++i) {
    const uint64_t t = a[i] * chunk + carry;
    carry = t / 10;
    out[i] = static_cast<uint8_t>(t - carry * 10);
  }
  for (; carry != 0; ++i, carry /= 10) out[i] = static_cast<uint8_t>(carry % 10);
}

}  // namespace

Crossovers DefaultCrossovers() {
  return Crossovers{32, 0, 160, 4};
}

Crossovers GetCrossovers() {
  if (!g_crossoversSet.load(std::memory_order_acquire)) return DefaultCrossovers();
  return Crossovers{g_mulMinDigits.load(std::memory_order_relaxed),
                    g_mulSquareRatio.load(std::memory_order_relaxed),
                    g_divWork.load(std::memory_order_relaxed),
                    g_binaryDigits.load(std::memory_order_relaxed)};
}

void SetCrossovers(const Crossovers& c) {
  g_mulMinDigits.store(c.mulMinDigits, std::memory_order_relaxed);
  g_mulSquareRatio.store(c.mulSquareRatio, std::memory_order_relaxed);
  g_divWork.store(c.divWork, std::memory_order_relaxed);
  g_binaryDigits.store(c.binaryDigits, std::memory_order_relaxed);
  g_crossoversSet.store(true, std::memory_order_release);
}

bool UseGmpForMul(uint32_t na, uint32_t nb) {
  Crossovers c = GetCrossovers();
  if (c.mulMinDigits == 0) return true;  // forced (tests)
  uint64_t shorter = std::min(na, nb);
  uint64_t longer = std::max(na, nb);
  // Rows of nine digits cost shorter x longer; the decimal product is linear in the longer
  // operand outside mpn_mul, so the shorter length alone decides (ratio 0).
  return shorter >= c.mulMinDigits && shorter * shorter * 100 >= longer * c.mulSquareRatio;
}

bool UseGmpForDiv(uint32_t quotientDigits, uint32_t nb) {
  uint32_t work = GetCrossovers().divWork;
  if (work == 0) return true;  // forced (tests)
  if (nb <= 18) return false;  // one machine remainder: linear
  return static_cast<uint64_t>(quotientDigits) * nb >= work;
}

bool UseGmpForBinary(uint32_t digits) {
  return digits > GetCrossovers().binaryDigits;
}

bool MulSchoolbook(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb, uint8_t* out,
                   CancelToken cancel) {
  // The first row writes the low na digits itself (a cancelled product of 10^8 digits ends
  // there, so they are not written twice).
  std::memset(out + na, 0, nb);
  if (nb == 0) std::memset(out, 0, na);
  for (uint32_t k = 0; k < nb; k += 9) {
    if (k > 0 && cancel.IsCancelled()) return false;
    uint32_t len = std::min<uint32_t>(9, nb - k);
    uint64_t chunk = 0;
    for (uint32_t j = len; j-- > 0;) chunk = chunk * 10 + b[k + j];
    if (k == 0 && chunk == 0) std::memset(out, 0, na);
    if (chunk == 0) continue;
    if (k == 0) {
      FirstRow(a, na, chunk, out);
      continue;
    }
    uint8_t* row = out + k;
    uint64_t carry = 0;
    for (uint32_t i = 0; i < na; ++i) {
      uint64_t t = row[i] + a[i] * chunk + carry;
      carry = t / 10;
      row[i] = static_cast<uint8_t>(t - carry * 10);
    }
    for (uint32_t i = na; carry != 0; ++i) {
      uint64_t t = row[i] + carry;
      carry = t / 10;
      row[i] = static_cast<uint8_t>(t - carry * 10);
    }
  }
  return true;
}

bool MulGmp(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb, uint8_t* out) {
  try {
    BignumScope scope;
    Mpz za, zb, zp;
    DigitsToMpz(za.get(), a, na);
    if (a == b && na == nb) {
      mpz_mul(zp.get(), za.get(), za.get());
    } else {
      DigitsToMpz(zb.get(), b, nb);
      mpz_mul(zp.get(), za.get(), zb.get());
    }
    MpzToDigits(zp.get(), out, static_cast<size_t>(na) + nb);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool DivLong(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb, int64_t shift,
             uint8_t* q, uint32_t places) {
  std::memset(q, 0, places);
  int64_t len = static_cast<int64_t>(na) + shift;
  if (len <= 0) return true;
  if (nb <= 18) {
    uint64_t divisor = 0;
    for (uint32_t i = nb; i-- > 0;) divisor = divisor * 10 + b[i];
    DivSmall(a, na, divisor, len, q, places);
    return true;
  }
  // Restoring division: the remainder window holds nb + 1 digits; each step shifts one
  // digit of the dividend in and subtracts the divisor as often as it goes.
  std::vector<uint8_t> r;
  try {
    r.assign(static_cast<size_t>(nb) + 1, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int64_t p = 0; p < len; ++p) {
    std::memmove(r.data() + 1, r.data(), nb);
    r[0] = StreamDigit(a, na, p);
    uint8_t digit = 0;
    while (GreaterOrEqual(r.data(), b, nb)) {
      SubtractInPlace(r.data(), b, nb);
      ++digit;
    }
    int64_t idx = len - 1 - p;
    if (idx < places) q[idx] = digit;
  }
  return true;
}

bool DivGmp(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb, int64_t shift, uint8_t* q,
            uint32_t places) {
  try {
    int64_t len = static_cast<int64_t>(na) + shift;
    if (len <= 0) {
      std::memset(q, 0, places);
      return true;
    }
    BignumScope scope;
    Mpz num, den, quot;
    if (shift >= 0) {
      DigitsToMpz(num.get(), a, na);
      Mpz scale;
      mpz_ui_pow_ui(scale.get(), 10, static_cast<unsigned long>(shift));
      mpz_mul(num.get(), num.get(), scale.get());
    } else {
      DigitsToMpz(num.get(), a - shift, static_cast<size_t>(len));
    }
    DigitsToMpz(den.get(), b, nb);
    mpz_tdiv_q(quot.get(), num.get(), den.get());
    MpzToDigits(quot.get(), q, places);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

int64_t DigitsToBytesHalving(const uint8_t* d, uint32_t n, std::vector<uint8_t>& bytes) {
  try {
    std::vector<uint8_t> work(d, d + n);
    bytes.assign(static_cast<size_t>(n) / 2 + 1, 0);
    uint32_t top = n;
    uint64_t bit = 0;
    while (top > 0 && work[top - 1] == 0) --top;
    while (top > 0) {
      uint8_t carry = 0;
      for (uint32_t i = top; i-- > 0;) {
        uint8_t digit = work[i];
        work[i] = static_cast<uint8_t>(digit / 2 + carry);
        carry = (digit & 1) ? 5 : 0;
      }
      if (carry != 0) bytes[bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
      ++bit;
      while (top > 0 && work[top - 1] == 0) --top;
    }
    int64_t count = static_cast<int64_t>((bit + 7) / 8);
    bytes.resize(static_cast<size_t>(count));
    return count;
  } catch (const std::bad_alloc&) {
    return kBytesNoMemory;
  }
}

int64_t DigitsToBytesGmp(const uint8_t* d, uint32_t n, std::vector<uint8_t>& bytes) {
  try {
    BignumScope scope;
    Mpz z;
    DigitsToMpz(z.get(), d, n);
    if (mpz_sgn(z.get()) == 0) {
      bytes.clear();
      return 0;
    }
    size_t count = (mpz_sizeinbase(z.get(), 2) + 7) / 8;
    bytes.assign(count, 0);
    size_t written = 0;
    mpz_export(bytes.data(), &written, -1, 1, 0, 0, z.get());
    bytes.resize(written);
    return static_cast<int64_t>(written);
  } catch (const std::bad_alloc&) {
    return kBytesNoMemory;
  }
}

bool BytesToDigitsGmp(const uint8_t* bytes, size_t count, std::vector<uint8_t>& digits) {
  try {
    BignumScope scope;
    Mpz z;
    mpz_import(z.get(), count, -1, 1, 0, 0, bytes);
    size_t places = mpz_sgn(z.get()) == 0 ? 0 : mpz_sizeinbase(z.get(), 10);
    digits.assign(places, 0);
    MpzToDigits(z.get(), digits.data(), places);
    while (!digits.empty() && digits.back() == 0) digits.pop_back();
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace vpx::mynum
