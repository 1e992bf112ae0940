// JobProgress: how far a job has come, counted in the job's own units (bytes for file
// jobs). The worker thread writes it; the front ends' job lists read it from the GUI thread.
#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>

namespace vpx {

class JobProgress {
 public:
  // A new count of total units, none done yet.
  void Start(int64_t total) {
    done_.store(0, std::memory_order_relaxed);
    total_.store(total, std::memory_order_relaxed);
  }
  void Advance(int64_t units) { done_.fetch_add(units, std::memory_order_relaxed); }

  // Done over total in [0, 1]; negative while the job has not said how much there is.
  double Fraction() const {
    const int64_t total = total_.load(std::memory_order_relaxed);
    if (total <= 0) return -1.0;
    const int64_t done = done_.load(std::memory_order_relaxed);
    if (done >= total) return 1.0;
    return done <= 0 ? 0.0 : static_cast<double>(done) / static_cast<double>(total);
  }
  // Whole percent done, rounded down so that 100 means finished; -1 while unknown.
  int Percent() const {
    const double fraction = Fraction();
    return fraction < 0.0 ? -1 : static_cast<int>(std::floor(fraction * 100.0));
  }

 private:
  std::atomic<int64_t> done_{0};
  std::atomic<int64_t> total_{0};
};

}  // namespace vpx
