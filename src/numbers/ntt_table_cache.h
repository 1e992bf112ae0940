// The twiddle tables one set of transform kernels keeps for the process: grown by doubling up
// to the million-digit products' length; longer ones built when a product needs them
// (cancellable) and kept until a job ends, for the next products of that length; all
// dropped when memory runs short. Both kernel sets (ntt_scalar.cpp, ntt_ifma.cpp) use it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <mutex>

#include "host/cancel_token.h"

namespace vpx::mynum {

// Tables: a struct with a `length`. Build(length, from, cancel): the tables of `length`
// entries starting as a copy of `from` (shorter, or null), null when cancelled.
template <class Tables>
class TableCache {
 public:
  using Build = std::shared_ptr<const Tables> (*)(size_t length, const Tables* from,
                                                  CancelToken cancel);
  // Transforms up to this length share the kept tables (12 MB): the million-digit products
  // and quotients need 2^17, and building a table that long takes about a fifth of such a
  // product's time.
  static constexpr size_t kKeptLength = size_t{1} << 17;

  explicit TableCache(Build build) : build_(build) {}

  std::shared_ptr<const Tables> For(size_t length, CancelToken cancel) {
    std::lock_guard lock(mutex_);
    if (length > kKeptLength) {
      if (long_ && long_->length >= length) return long_;
      if (!kept_ || kept_->length < kKeptLength)
        kept_ = build_(kKeptLength, kept_.get(), CancelToken{});
      std::shared_ptr<const Tables> built = build_(length, kept_.get(), cancel);
      if (built) long_ = built;
      return built;
    }
    if (!kept_ || kept_->length < length) {
      const size_t grown = std::max(length, kept_ ? 2 * kept_->length : size_t{1024});
      kept_ = build_(std::min(grown, kKeptLength), kept_.get(), CancelToken{});
    }
    return kept_;
  }

  // Drops the kept tables (freed once no product holds them); true when there were any.
  // Never waits: the caller may be this thread's own table build running out of memory.
  bool Release() {
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock() || (!kept_ && !long_)) return false;
    kept_.reset();
    long_.reset();
    return true;
  }

  // Drops the long tables only (a job ended: up to 48 MB that the next job may not need).
  void ReleaseLong() {
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (lock.owns_lock()) long_.reset();
  }

 private:
  Build build_;
  std::mutex mutex_;
  std::shared_ptr<const Tables> kept_, long_;
};

}  // namespace vpx::mynum
