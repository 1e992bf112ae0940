// Limb products whose column sums pass 2^128: limbs of 2^63 - 1 times limbs of 2^63 + 1
// (and all-nine limbs) make every column's sum carry from its second 64-bit word into the
// third, which random limbs practically never do. Each route of the base-10^19 product
// (schoolbook rows, the binary Kronecker product, the transforms, the transforms' wrap-around
// product) must give GMP's product.
#include <gmp.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "each_transform_kernel.h"
#include "numbers/bignum_memory.h"
#include "numbers/decimal_limb_kernels.h"
#include "numbers/decimal_limbs.h"
#include "numbers/decimal_ntt.h"
#include "numbers/math_decimal.h"
#include "numeric_test_support.h"

namespace vpx::mynum {
namespace {

using Limbs = std::vector<uint64_t>;

constexpr uint64_t kBelowTwo63 = (uint64_t{1} << 63) - 1;
constexpr uint64_t kAboveTwo63 = (uint64_t{1} << 63) + 1;
constexpr uint64_t kNines = 9'999'999'999'999'999'999ULL;  // 10^19 - 1
constexpr uint32_t kLimbDigits = 19;

// The decimal text of base-10^19 limbs (least significant first), without leading zeros.
std::string Text(const Limbs& v) {
  std::string s;
  for (size_t i = v.size(); i-- > 0;) {
    const std::string limb = std::to_string(v[i]);
    s += std::string(kLimbDigits - limb.size(), '0') + limb;
  }
  s.erase(0, std::min(s.find_first_not_of('0'), s.size() - 1));
  return s;
}

std::string GmpProduct(const Limbs& a, const Limbs& b) {
  Mpz x, y;
  mpz_set_str(x.get(), Text(a).c_str(), 10);
  mpz_set_str(y.get(), Text(b).c_str(), 10);
  mpz_mul(x.get(), x.get(), y.get());
  char* text = mpz_get_str(nullptr, 10, x.get());
  std::string out(text);
  test::FreeGmpString(text);
  return out;
}

// GMP's product of a and b folded modulo 10^(19 m) - 1, as m limbs.
Limbs GmpWrapProduct(const Limbs& a, const Limbs& b, size_t m) {
  Mpz x, y, modulus;
  mpz_set_str(x.get(), Text(a).c_str(), 10);
  mpz_set_str(y.get(), Text(b).c_str(), 10);
  mpz_mul(x.get(), x.get(), y.get());
  mpz_ui_pow_ui(modulus.get(), 10, kLimbDigits * m);
  mpz_sub_ui(modulus.get(), modulus.get(), 1);
  mpz_mod(x.get(), x.get(), modulus.get());
  Limbs out(m);
  Mpz base, limb;
  mpz_ui_pow_ui(base.get(), 10, kLimbDigits);
  for (size_t i = 0; i < m; ++i) {
    mpz_tdiv_qr(x.get(), limb.get(), x.get(), base.get());
    out[i] = mpz_get_ui(limb.get());
  }
  return out;
}

struct Pair {
  Limbs a, b;
};

std::vector<Pair> CarryPairs() {
  std::vector<Pair> pairs;
  for (size_t n : {size_t{4}, size_t{5}, size_t{24}, size_t{25}, size_t{300}, size_t{2100}}) {
    pairs.push_back({Limbs(n, kBelowTwo63), Limbs(n, kAboveTwo63)});
    pairs.push_back({Limbs(n, kNines), Limbs(n, kNines)});
  }
  return pairs;
}

class DecimalCarryTransforms : public EachTransformKernel {};
VPX_FOR_EACH_TRANSFORM_KERNEL(DecimalCarryTransforms);

TEST(DecimalCarryTest, SchoolbookColumnsCarryIntoTheThirdWord) {
  for (const Pair& p : CarryPairs()) {
    if (p.a.size() > 300) continue;  // schoolbook rows are for short operands
    Limbs out(p.a.size() + p.b.size());
    MulLimbsSchoolbook(p.a.data(), p.a.size(), p.b.data(), p.b.size(), out.data());
    EXPECT_EQ(Text(out), GmpProduct(p.a, p.b)) << p.a.size() << " limbs of " << p.a[0];
  }
}

TEST_P(DecimalCarryTransforms, ProductRoutesCarryIntoTheThirdWord) {
  BignumScope scope;
  for (const Pair& p : CarryPairs()) {
    const std::string expected = GmpProduct(p.a, p.b);
    Limbs out(p.a.size() + p.b.size());
    MulDecimalLimbs(p.a.data(), p.a.size(), p.b.data(), p.b.size(), out.data(), CancelToken{});
    EXPECT_EQ(Text(out), expected) << "product, " << p.a.size() << " limbs of " << p.a[0];
    std::fill(out.begin(), out.end(), 0);
    MulDecimalLimbsNtt(p.a.data(), p.a.size(), p.b.data(), p.b.size(), out.data(), CancelToken{});
    EXPECT_EQ(Text(out), expected) << "transforms, " << p.a.size() << " limbs of " << p.a[0];
  }
}

// The wrap-around product folds the carries of the top back to the bottom: the same column
// sums, then a fold.
TEST_P(DecimalCarryTransforms, WrapAroundProductsCarryIntoTheThirdWord) {
  BignumScope scope;
  for (const Pair& p : CarryPairs()) {
    const size_t m = NttWrapLength(p.a.size() + 1);
    Limbs out(m);
    MulModDecimalLimbsNtt(p.a.data(), p.a.size(), p.b.data(), p.b.size(), m, out.data(),
                          CancelToken{}, kLimbDigits);
    Limbs expected = GmpWrapProduct(p.a, p.b, m);
    const bool zero =
        std::all_of(expected.begin(), expected.end(), [](uint64_t x) { return x == 0; });
    if (zero && std::all_of(out.begin(), out.end(), [](uint64_t x) { return x == kNines; }))
      continue;  // zero may come out as the modulus
    EXPECT_EQ(out, expected) << p.a.size() << " limbs of " << p.a[0] << " mod " << m;
  }
}

}  // namespace
}  // namespace vpx::mynum
