#include "numbers/decimal_factorial.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "numbers/decimal_limb_kernels.h"
#include "numbers/decimal_ntt.h"
#include "numbers/second_thread.h"

namespace vpx::mynum {
namespace {

// How the cutoffs below were chosen: the factorial's time is almost all in its top
// transforms, so the first three are flat around their values. bench_math's
// BM_FactorialJobBody (205,022!, CPU time, median of 3) gave 41.9 ms as they are, and with
// one of them changed: kRecursionFloor 64: 41.9, 512: 41.8; kLeafWords 8: 42.5, 32: 42.6;
// kSchoolbookLimbs 12: 43.0, 48: 42.4. bench_kernels' BM_LimbProduct puts the schoolbook/Kronecker
// crossover of balanced operands between 8 and 16 limbs each (16 limbs in all: 0.28 /
// 0.49 us, 32: 1.31 / 1.12 us); the factorial's short operands are mostly unbalanced (a
// swing's words against a growing product), where rows stay cheaper longer.
//
// Factorials below this are products of their factors packed into words; the swing
// recursion starts above it.
constexpr uint32_t kRecursionFloor = 128;
// Products of at most this many words are formed word by word.
constexpr size_t kLeafWords = 16;
// Shorter operands are multiplied by schoolbook rows.
constexpr size_t kSchoolbookLimbs = 24;
// Factorials this large gather their top swing on a second thread, and their products
// share the transforms with it from kNttTwoThreadLimbs on: 20,000! takes about 2 ms on one
// thread (BM_FactorialThreads), below which the top swing's thread has little to overlap.
// BM_FactorialThreads compares one and two threads in real time; on a machine loaded by
// other work it shows only the CPU time they add.
constexpr uint32_t kTwoThreadFloor = 20'000;

using Words = std::vector<uint64_t>;

void PollCancel(CancelToken cancel) {
  if (cancel.IsCancelled()) throw DecimalCancelled{};
}

void TrimTop(DecimalLimbs& x) {
  while (x.size() > 1 && x.back() == 0) x.pop_back();
}

DecimalLimbs Multiply(const DecimalLimbs& a, const DecimalLimbs& b, bool twoThreads,
                      CancelToken cancel) {
  DecimalLimbs out(a.size() + b.size());
  const bool square = &a == &b;
  const uint64_t* bp = square ? a.data() : b.data();
  if (std::min(a.size(), b.size()) <= kSchoolbookLimbs) {
    MulLimbsSchoolbook(a.data(), a.size(), bp, b.size(), out.data());
  } else if (UseNttForProduct(out.size())) {
    MulDecimalLimbsNtt(a.data(), a.size(), bp, b.size(), out.data(), cancel,
                       twoThreads && out.size() >= kNttTwoThreadLimbs);
  } else {
    MulDecimalLimbs(a.data(), a.size(), bp, b.size(), out.data(), cancel);
  }
  TrimTop(out);
  return out;
}

// Packs factors (each below 10^19) into words below 10^19.
class WordPacker {
 public:
  explicit WordPacker(Words* words) : words_(words) {}
  void Put(uint64_t f) {
    if (word_ > (kLimbBase - 1) / f) {
      words_->push_back(word_);
      word_ = f;
    } else {
      word_ *= f;
    }
  }
  void Finish() {
    if (word_ > 1 || words_->empty()) words_->push_back(word_);
  }

 private:
  Words* words_;
  uint64_t word_ = 1;
};

// The product of words[0 .. n) (n >= 1) by a balanced tree.
DecimalLimbs ProductOfWords(const uint64_t* words, size_t n, CancelToken cancel) {
  PollCancel(cancel);
  if (n <= kLeafWords) {
    DecimalLimbs r;
    r.reserve(n + 1);
    r.push_back(words[0]);
    for (size_t i = 1; i < n; ++i) {
      const uint64_t carry = MulLimbsByWord(r.data(), r.size(), words[i]);
      if (carry != 0) r.push_back(carry);
    }
    return r;
  }
  const size_t half = n / 2;
  DecimalLimbs left = ProductOfWords(words, half, cancel);
  DecimalLimbs right = ProductOfWords(words + half, n - half, cancel);
  return Multiply(left, right, false, cancel);
}

// The odd primes up to n, by a sieve over odd numbers.
std::vector<uint32_t> OddPrimesUpTo(uint32_t n) {
  std::vector<uint32_t> primes;
  if (n < 3) return primes;
  std::vector<bool> composite(n / 2 + 1);  // entry i stands for 2i + 1
  for (uint64_t i = 1; i <= n / 2; ++i) {
    if (composite[i]) continue;
    const uint64_t p = 2 * i + 1;
    primes.push_back(static_cast<uint32_t>(p));
    for (uint64_t q = p * p; q <= n; q += 2 * p) composite[q / 2] = true;
  }
  return primes;
}

// swing(m) = m! / ((m/2)!)^2: each prime p <= m to the power sum over i of
// floor(m / p^i) mod 2 (every such power is at most m).
DecimalLimbs Swing(uint32_t m, const std::vector<uint32_t>& oddPrimes, CancelToken cancel) {
  Words words;
  WordPacker packer(&words);
  for (uint32_t q = m / 2; q > 0; q /= 2) {
    if (q & 1) packer.Put(2);
  }
  for (uint32_t p : oddPrimes) {
    if (p > m) break;
    uint64_t f = 1;
    for (uint32_t q = m / p; q > 0; q /= p) {
      if (q & 1) f *= p;
    }
    if (f > 1) packer.Put(f);
  }
  packer.Finish();
  return ProductOfWords(words.data(), words.size(), cancel);
}

// m! for small m: its factors packed into words.
DecimalLimbs SmallFactorial(uint32_t m, CancelToken cancel) {
  Words words;
  WordPacker packer(&words);
  for (uint32_t f = 2; f <= m; ++f) packer.Put(f);
  packer.Finish();
  return ProductOfWords(words.data(), words.size(), cancel);
}

}  // namespace

DecimalLimbs DecimalFactorial(uint32_t n, bool twoThreads, CancelToken cancel,
                              JobProgress* progress) {
  // Levels m = n, n/2, n/4 ... down to the floor; level m costs about m units.
  std::vector<uint32_t> levels;
  for (uint32_t m = n; m >= kRecursionFloor; m /= 2) levels.push_back(m);
  const uint32_t base = n >> levels.size();
  int64_t total = 1;
  for (uint32_t m : levels) total += m;
  if (progress != nullptr) progress->Start(total);

  DecimalLimbs x = SmallFactorial(base, cancel);
  if (progress != nullptr) progress->Advance(1);
  if (levels.empty()) return x;
  const std::vector<uint32_t> oddPrimes = OddPrimesUpTo(n);
  // Two threads: the top swing is gathered on the second while this one recurses, and the
  // long products split their transforms between both.
  twoThreads = twoThreads && n >= kTwoThreadFloor;
  DecimalLimbs topSwing;
  std::unique_ptr<SecondThreadTask> topSwingTask;
  if (twoThreads) {
    topSwingTask = std::make_unique<SecondThreadTask>(
        [&topSwing, n, &oddPrimes, cancel] { topSwing = Swing(n, oddPrimes, cancel); });
  }
  for (size_t k = levels.size(); k-- > 0;) {
    const uint32_t m = levels[k];
    // x (x swing) rather than x^2 swing: the swing's product is half as long, and the
    // full-length product is balanced (measured 15% faster overall).
    DecimalLimbs swing;
    if (k == 0 && twoThreads) {
      topSwingTask->Join();
      swing = std::move(topSwing);
    } else {
      swing = Swing(m, oddPrimes, cancel);
    }
    swing = Multiply(x, swing, twoThreads, cancel);
    x = Multiply(x, swing, twoThreads, cancel);
    if (progress != nullptr) progress->Advance(m);
  }
  return x;
}

}  // namespace vpx::mynum
