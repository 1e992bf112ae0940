// Random operands checked against GMP integer arithmetic (the oracle), and the per-digit
// kernels checked against the GMP kernels across their crossovers (differential).
#include <gmp.h>

#include <random>
#include <string>

#include "numeric_test_support.h"

namespace vpx::test {
namespace {

class Z {
 public:
  Z() { mpz_init(v); }
  explicit Z(const std::string& digits) {
    mpz_init(v);
    mpz_set_str(v, digits.empty() ? "0" : digits.c_str(), 10);
  }
  ~Z() { mpz_clear(v); }
  Z(const Z&) = delete;
  Z& operator=(const Z&) = delete;
  std::string Str() const {
    char* s = mpz_get_str(nullptr, 10, v);
    std::string out(s);
    test::FreeGmpString(s);
    return out;
  }
  mpz_t v;
};

// A random operand: its text and its exact value digits / 10^scale.
struct Operand {
  std::string text;
  bool negative = false;
  std::string digits;  // integer and fraction digits as typed
  int scale = 0;
};

std::string RandomDigits(std::mt19937& rng, int n) {
  // Many 0, 5 and 9 digits, so that cuts at a 5 and long carries are common.
  static const char kPool[] = "0123456789005599";
  std::string s;
  for (int i = 0; i < n; ++i) s.push_back(kPool[rng() % 16]);
  return s;
}

Operand RandomOperand(std::mt19937& rng, int maxInt, int maxFrac) {
  Operand o;
  int i = static_cast<int>(rng() % (maxInt + 1));
  int f = static_cast<int>(rng() % (maxFrac + 1));
  std::string ip = RandomDigits(rng, i);
  std::string fp = RandomDigits(rng, f);
  if (rng() % 8 == 0) ip = "0";
  if (ip.empty()) ip = "0";
  o.digits = ip + fp;
  o.scale = f;
  bool zero = o.digits.find_first_not_of('0') == std::string::npos;
  o.negative = !zero && rng() % 2 == 0;
  o.text = (o.negative ? "-" : "") + ip + (f > 0 ? "." + fp : "");
  if (zero) {  // a zero text keeps no fraction digits
    o.digits = "0";
    o.scale = 0;
  }
  return o;
}

void Scale(Z& v, int places) {
  Z p;
  mpz_ui_pow_ui(p.v, 10, static_cast<unsigned long>(places));
  mpz_mul(v.v, v.v, p.v);
}

void Signed(const Operand& o, Z& out) {
  mpz_set_str(out.v, o.digits.c_str(), 10);
  if (o.negative) mpz_neg(out.v, out.v);
}

// Decimal text of |v| / 10^scale with exactly `scale` fraction digits.
void Split(const Z& v, int scale, std::string& ip, std::string& fp) {
  Z a;
  mpz_abs(a.v, v.v);
  std::string s = a.Str();
  if (static_cast<int>(s.size()) <= scale) s.insert(0, scale + 1 - s.size(), '0');
  ip = s.substr(0, s.size() - scale);
  fp = s.substr(s.size() - scale);
  size_t nz = ip.find_first_not_of('0');
  ip = nz == std::string::npos ? "0" : ip.substr(nz);
}

void IncrementLast(std::string& ip, std::string& fp) {
  std::string all = ip + fp;
  int i = static_cast<int>(all.size()) - 1;
  while (i >= 0 && all[i] == '9') all[i--] = '0';
  if (i < 0)
    all.insert(0, "1");
  else
    ++all[i];
  ip = all.substr(0, all.size() - fp.size());
  fp = all.substr(all.size() - fp.size());
}

// The fitting rule: saturate when the integer part is too long, else cut the fraction
// (rounding half up on the magnitude when asked).
std::string Fitted(bool negative, std::string ip, std::string fp, uint32_t r, bool round) {
  bool overflow = false;
  if (ip.size() + fp.size() > r) {
    if (ip.size() > r) {
      ip.assign(r, '9');
      fp.clear();
      overflow = true;
    } else {
      size_t keep = r - ip.size();
      char first = fp[keep];
      fp.resize(keep);
      if (round && first >= '5') IncrementLast(ip, fp);
    }
  }
  bool zero = (ip + fp).find_first_not_of('0') == std::string::npos;
  return (negative && !zero ? "-" : "") + ip + (fp.empty() ? "" : "." + fp) +
         (overflow ? " (E)" : "");
}

size_t SignificantInt(const Operand& o) {
  std::string ip = o.digits.substr(0, o.digits.size() - o.scale);
  size_t nz = ip.find_first_not_of('0');
  return nz == std::string::npos ? 1 : ip.size() - nz;
}

std::string ExpectedSum(const Operand& a, const Operand& b, bool subtract, uint32_t r) {
  Z x, y, sum;
  Signed(a, x);
  Signed(b, y);
  int scale = std::max(a.scale, b.scale);
  Scale(x, scale - a.scale);
  Scale(y, scale - b.scale);
  if (subtract)
    mpz_sub(sum.v, x.v, y.v);
  else
    mpz_add(sum.v, x.v, y.v);
  bool bNegative = subtract ? !b.negative : b.negative;
  bool magnitudeAdd = a.negative == bNegative;  // else the magnitudes are subtracted (cut)
  bool negative = mpz_sgn(sum.v) < 0;
  if (magnitudeAdd && std::max(SignificantInt(a), SignificantInt(b)) > r) {
    return (negative ? "-" : "") + std::string(r, '9') + " (E)";
  }
  std::string ip, fp;
  Split(sum, scale, ip, fp);
  return Fitted(negative, ip, fp, r, magnitudeAdd);
}

std::string StripFraction(std::string ip, std::string fp) {
  while (!fp.empty() && fp.back() == '0') fp.pop_back();
  return fp.empty() ? ip : ip + "." + fp;
}

std::string ExpectedProduct(const Operand& a, const Operand& b, uint32_t r) {
  Z x, y, p;
  Signed(a, x);
  Signed(b, y);
  mpz_mul(p.v, x.v, y.v);
  std::string ip, fp;
  Split(p, a.scale + b.scale, ip, fp);
  while (!fp.empty() && fp.back() == '0') fp.pop_back();
  std::string text = Fitted(mpz_sgn(p.v) < 0, ip, fp, r, true);
  if (text.find(" (E)") != std::string::npos || text.find('.') == std::string::npos) return text;
  std::string sign = text[0] == '-' ? "-" : "";
  std::string body = text.substr(sign.size());
  size_t dot = body.find('.');
  return sign + StripFraction(body.substr(0, dot), body.substr(dot + 1));
}

// Place of the top nonzero digit of digits / 10^scale.
int TopPlace(const Operand& o) {
  size_t nz = o.digits.find_first_not_of('0');
  return static_cast<int>(o.digits.size() - nz) - 1 - o.scale;
}

// The quotient keeps r places counted from its top place max(e, 0) (e: top place of the
// dividend minus top place of the divisor), cut toward zero.
std::string ExpectedQuotient(const Operand& a, const Operand& b, uint32_t r) {
  Z x, y;
  Signed(a, x);
  Signed(b, y);
  bool negative = (mpz_sgn(x.v) < 0) != (mpz_sgn(y.v) < 0);
  mpz_abs(x.v, x.v);
  mpz_abs(y.v, y.v);
  if (mpz_sgn(x.v) == 0) return "0";
  int e = TopPlace(a) - TopPlace(b);
  Z whole, num, den;
  // |a| / |b| = (x * 10^b.scale) / (y * 10^a.scale)
  mpz_set(num.v, x.v);
  mpz_set(den.v, y.v);
  Z p10;
  mpz_ui_pow_ui(p10.v, 10, static_cast<unsigned long>(b.scale));
  mpz_mul(num.v, num.v, p10.v);
  mpz_ui_pow_ui(p10.v, 10, static_cast<unsigned long>(a.scale));
  mpz_mul(den.v, den.v, p10.v);
  mpz_tdiv_q(whole.v, num.v, den.v);
  std::string wholeText = whole.Str();
  if (mpz_sgn(whole.v) != 0 && wholeText.size() > r) {
    return (negative ? "-" : "") + std::string(r, '9') + " (E)";
  }
  if (e < 0 && -e >= static_cast<int>(r)) return "0";
  int k = static_cast<int>(r);
  int low = e < 0 ? -(k - 1) : (e < k ? e - k + 1 : e - k);
  // q = trunc(num / den / 10^low)
  Z q;
  if (low <= 0) {
    mpz_ui_pow_ui(p10.v, 10, static_cast<unsigned long>(-low));
    mpz_mul(num.v, num.v, p10.v);
  } else {
    mpz_ui_pow_ui(p10.v, 10, static_cast<unsigned long>(low));
    mpz_mul(den.v, den.v, p10.v);
  }
  mpz_tdiv_q(q.v, num.v, den.v);
  std::string ip, fp;
  if (low >= 0) {
    std::string s = q.Str();
    if (s != "0") s.append(static_cast<size_t>(low), '0');
    ip = s;
  } else {
    Split(q, -low, ip, fp);
  }
  std::string text = StripFraction(ip, fp);
  bool zero = text.find_first_not_of("0.") == std::string::npos;
  return (negative && !zero ? "-" : "") + text;
}

class MyNumericOracleTest : public NumericTest {
 protected:
  // Runs op on fresh copies under both kernel choices; both must agree with the oracle.
  template <typename Op>
  void Check(const Operand& a, const Operand& b, uint32_t r, const std::string& expected,
             bool refresh, Op op) {
    for (bool gmp : {false, true}) {
      if (gmp)
        ForceGmp();
      else
        ForcePerDigit();
      MyNumeric x = Num(a.text);
      MyNumeric y = Num(b.text);
      x.SetResultSize(r);
      ASSERT_EQ(op(x, y), NumStatus::kOk) << a.text << " , " << b.text;
      ASSERT_EQ(x.VerifyLayout(), 0) << x.GetErrorText();
      if (refresh) x.RefreshValidPartSize();
      ASSERT_EQ(x.ToString(), expected)
          << a.text << " , " << b.text << " R=" << r << (gmp ? " (gmp)" : " (per digit)");
    }
  }
  uint32_t RandomSize(std::mt19937& rng) {
    static const uint32_t kSizes[] = {1, 2, 3, 5, 8, 13, 20, 40, 100, 250};
    return kSizes[rng() % 10];
  }
};

TEST_F(MyNumericOracleTest, AdditionAndSubtractionMatchExactSums) {
  std::mt19937 rng(11);
  for (int i = 0; i < 3000; ++i) {
    Operand a = RandomOperand(rng, 30, 30), b = RandomOperand(rng, 30, 30);
    uint32_t r = RandomSize(rng);
    Check(a, b, r, ExpectedSum(a, b, false, r), false,
          [](MyNumeric& x, const MyNumeric& y) { return x.Add(y); });
    Check(a, b, r, ExpectedSum(a, b, true, r), false,
          [](MyNumeric& x, const MyNumeric& y) { return x.Sub(y); });
    if (HasFatalFailure()) return;
  }
}

TEST_F(MyNumericOracleTest, ProductsMatchExactProductsOnBothKernels) {
  std::mt19937 rng(12);
  for (int i = 0; i < 2000; ++i) {
    int scaleUp = i % 10 == 0 ? 200 : 40;
    Operand a = RandomOperand(rng, scaleUp, 20), b = RandomOperand(rng, scaleUp, 20);
    uint32_t r = i % 3 == 0 ? 1000 : RandomSize(rng);
    Check(a, b, r, ExpectedProduct(a, b, r), true,
          [](MyNumeric& x, const MyNumeric& y) { return x.Mul(y); });
    if (HasFatalFailure()) return;
  }
}

TEST_F(MyNumericOracleTest, QuotientsAreExactTruncationsOnBothKernels) {
  std::mt19937 rng(13);
  for (int i = 0; i < 2000; ++i) {
    int scaleUp = i % 10 == 0 ? 120 : 30;
    Operand a = RandomOperand(rng, scaleUp, 15), b = RandomOperand(rng, scaleUp, 15);
    if (b.digits.find_first_not_of('0') == std::string::npos) continue;
    uint32_t r = i % 5 == 0 ? 300 : RandomSize(rng);
    Check(a, b, r, ExpectedQuotient(a, b, r), true,
          [](MyNumeric& x, const MyNumeric& y) { return x.Div(y); });
    if (HasFatalFailure()) return;
  }
}

TEST_F(MyNumericOracleTest, ComparisonMatchesExactOrder) {
  std::mt19937 rng(14);
  for (int i = 0; i < 3000; ++i) {
    Operand a = RandomOperand(rng, 6, 6), b = i % 4 == 0 ? a : RandomOperand(rng, 6, 6);
    if (i % 7 == 0) b.text += "000";  // trailing fraction zeros do not count
    if (i % 7 == 0 && b.scale == 0) b.text = b.text.substr(0, b.text.size() - 3);
    Z x, y;
    Signed(a, x);
    Signed(b, y);
    Scale(x, 6 - a.scale);
    Scale(y, 6 - b.scale);
    int expected = mpz_cmp(x.v, y.v);
    expected = expected > 0 ? 1 : expected < 0 ? -1 : 0;
    ASSERT_EQ(Num(a.text).MyNumericCompare(Num(b.text)), expected) << a.text << " vs " << b.text;
  }
}

TEST_F(MyNumericOracleTest, LongOperandsAgreeAcrossCrossovers) {
  // Operands of a few thousand digits: the default crossovers choose GMP, the forced
  // per-digit loops must give the same digits.
  std::mt19937 rng(15);
  for (int i = 0; i < 6; ++i) {
    Operand a = RandomOperand(rng, 3000, 500), b = RandomOperand(rng, 1500, 300);
    if (b.digits.find_first_not_of('0') == std::string::npos) continue;
    Check(a, b, 5000, ExpectedProduct(a, b, 5000), true,
          [](MyNumeric& x, const MyNumeric& y) { return x.Mul(y); });
    Check(a, b, 2000, ExpectedQuotient(a, b, 2000), true,
          [](MyNumeric& x, const MyNumeric& y) { return x.Div(y); });
  }
}

TEST_F(MyNumericOracleTest, DecimalTextRoundTrips) {
  std::mt19937 rng(16);
  for (int i = 0; i < 2000; ++i) {
    Operand a = RandomOperand(rng, 50, 50);
    std::string text = a.text;
    std::string canonical = text;
    // Leading integer zeros collapse; the rest prints as typed.
    size_t start = canonical[0] == '-' ? 1 : 0;
    while (canonical.size() > start + 1 && canonical[start] == '0' && canonical[start + 1] != '.') {
      canonical.erase(start, 1);
    }
    MyNumeric n = Num(text);
    if (n.IsZero()) continue;
    ASSERT_EQ(n.ToString(), canonical);
    ASSERT_EQ(n.VerifyLayout(), 0);
  }
}

}  // namespace
}  // namespace vpx::test
