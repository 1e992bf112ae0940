// A series for tests that watch a sum from another thread: the terms of atanh(1/3), where
// term `gate` waits until the test lets it go on, so the test acts in the middle of the sum
// whatever the machine's speed.
#pragma once

#include <future>

#include "numbers/binary_splitting.h"

namespace vpx::test {

class GatedSeries : public SplitSeries {
 public:
  GatedSeries(uint64_t gate, std::promise<void>* reached, std::shared_future<void> go)
      : gate_(gate), reached_(reached), go_(std::move(go)) {}
  void Term(uint64_t n, mpz_ptr p, mpz_ptr q, mpz_ptr a, mpz_ptr b) const override {
    mpz_set_ui(p, 1);
    mpz_set_ui(q, 9);
    mpz_set_ui(a, 1);
    mpz_set_ui(b, 2 * n + 1);
    if (n == gate_) {
      reached_->set_value();
      go_.wait();
    }
  }
  bool HasDenominators() const override { return true; }

 private:
  uint64_t gate_;
  std::promise<void>* reached_;
  std::shared_future<void> go_;
};

}  // namespace vpx::test
