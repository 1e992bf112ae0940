// GMP's and MPFR's memory: allocation functions that throw BignumOutOfMemory instead of
// letting the library abort the process, and the scope that cleans up after such a throw
// (blocks the interrupted library code still held, and MPFR's per-thread caches).
#pragma once

#include <cstddef>
#include <exception>
#include <new>

namespace vpx {

// What a failed GMP/MPFR allocation throws (a std::bad_alloc, so one catch covers both).
class BignumOutOfMemory : public std::bad_alloc {
 public:
  const char* what() const noexcept override { return "GMP/MPFR allocation failed"; }
};

// Tracks the GMP/MPFR blocks allocated on this thread while it lives. Ended normally, its
// blocks pass to the enclosing scope (or stop being tracked). Ended by an exception, it
// frees MPFR's caches and then every block still tracked: the library code that held them
// was unwound. So every GMP/MPFR object that may be touched by a throwing call must live
// inside the scope (declare the scope first, in the same try block).
class BignumScope {
 public:
  BignumScope();
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
  int uncaught_;
};

// Installed before main; exposed for tests.
void InstallBignumMemoryFunctions();

// Tests: the GMP/MPFR allocation after `count` more successful ones fails (-1: none), and
// the number of blocks the allocation functions currently hold.
void FailBignumAllocationAfterForTest(long count);
long LiveBignumBlocksForTest();

}  // namespace vpx
