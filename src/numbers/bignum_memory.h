// GMP's and MPFR's memory: allocation functions that throw BignumOutOfMemory instead of
// letting the library abort the process, and the scope that cleans up after such a throw
// (blocks the interrupted library code still held, and MPFR's per-thread caches).
#pragma once

#include <cstddef>
#include <exception>
#include <new>

#include "host/cancel_token.h"

namespace vpx {

// What a failed GMP/MPFR allocation throws (a std::bad_alloc, so one catch covers both).
class BignumOutOfMemory : public std::bad_alloc {
 public:
  const char* what() const noexcept override { return "GMP/MPFR allocation failed"; }
};

// What a GMP/MPFR allocation throws once the token of an enclosing scope is cancelled:
// a single library call (a product of millions of limbs) is stopped at its next
// allocation instead of running for seconds.
class BignumCancelled : public std::exception {
 public:
  const char* what() const noexcept override { return "GMP/MPFR computation cancelled"; }
};

// Tracks the GMP/MPFR blocks allocated on this thread while it lives. Ended normally, its
// blocks pass to the enclosing scope (or stop being tracked). Ended by an exception, it
// frees MPFR's caches and then every block still tracked: the library code that held them
// was unwound. So every GMP/MPFR object that may be touched by a throwing call must live
// inside the scope (declare the scope first, in the same try block).
//
// Given a token, the library's allocations on this thread throw BignumCancelled once it is
// cancelled, until the scope ends (nested scopes without a token keep it).
class BignumScope {
 public:
  BignumScope();
  explicit BignumScope(CancelToken cancel);
  ~BignumScope();
  BignumScope(const BignumScope&) = delete;
  BignumScope& operator=(const BignumScope&) = delete;

  struct Block;  // header of every tracked block

 private:
  friend struct BignumMemoryAccess;
  struct Link {
    Link* prev;
    Link* next;
  };
  void Adopt(BignumScope& child);
  void FreeAll();

  Link head_;
  BignumScope* parent_;
  CancelToken outerCancel_;
  int uncaught_;
};

// Installed before main; exposed for tests. Also tells the C allocator to keep the memory
// freed during a computation (see ReleaseFreeMemory).
void InstallBignumMemoryFunctions();

// Gives the memory the C allocator keeps back to the system, and drops the transforms' long
// twiddle tables (ReleaseLongTransformTables): called when a job ends, and before an
// allocation that failed is tried again. During a computation the allocator keeps what the
// products free, as handing blocks back and faulting them in again cost a tenth of a long
// series' time (and each hand-back, on two threads, stops the other core too).
bool ReleaseFreeMemory();

// Tests: the GMP/MPFR allocation after `count` more successful ones fails (-1: none), and
// the number of blocks the allocation functions currently hold.
void FailBignumAllocationAfterForTest(long count);
long LiveBignumBlocksForTest();

}  // namespace vpx
