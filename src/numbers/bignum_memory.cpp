#include "numbers/bignum_memory.h"

#include <gmp.h>
#include <malloc.h>
#include <mpfr.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "numbers/decimal_ntt.h"

namespace vpx {

// Every block the allocation functions hand out starts with this header; a block made
// while a scope was open is linked into that scope's list.
struct BignumScope::Block {
  Link link;
  BignumScope* owner;
  size_t pad;  // keeps the payload 16-byte aligned
};

struct BignumMemoryAccess {
  using Link = BignumScope::Link;
  using Block = BignumScope::Block;

  static void LinkInto(Block* b, BignumScope* owner) {
    b->owner = owner;
    if (owner == nullptr) {
      b->link.prev = b->link.next = nullptr;
      return;
    }
    Link& head = owner->head_;
    b->link.prev = &head;
    b->link.next = head.next;
    head.next->prev = &b->link;
    head.next = &b->link;
  }
  static void Unlink(Block* b) {
    if (b->owner == nullptr) return;
    b->link.prev->next = b->link.next;
    b->link.next->prev = b->link.prev;
    b->owner = nullptr;
  }
  static Block* FromLink(Link* l) { return reinterpret_cast<Block*>(l); }
};

namespace {

using Access = BignumMemoryAccess;
using Block = BignumScope::Block;

thread_local BignumScope* t_current = nullptr;
thread_local CancelToken t_cancel;
// GMP sometimes frees an integer's limbs and then allocates new ones before it stores the
// new pointer; when that allocation fails the integer still names the freed block and
// clearing it would free it twice. The block freed right before a failed allocation is
// remembered, and its second free ignored.
thread_local void* t_lastFreed = nullptr;
thread_local void* t_freedBeforeFailure = nullptr;
std::atomic<long> g_liveBlocks{0};
// A fresh integer's limbs are a static dummy of GMP's (6.2 on; mpz_init and mpz_inits have
// one each). mpz_mul records the new size before it allocates, so an integer whose first
// allocation failed frees the dummy later.
const void* g_dummyLimbs[2] = {nullptr, nullptr};
std::atomic<long> g_failAfter{-1};

// The injected failure of the tests: fires once, then allocation works again.
bool InjectedFailure() {
  long left = g_failAfter.load(std::memory_order_relaxed);
  while (left >= 0) {
    if (g_failAfter.compare_exchange_weak(left, left == 0 ? -1 : left - 1)) return left == 0;
  }
  return false;
}

void* Payload(Block* b) {
  return b + 1;
}
Block* HeaderOf(void* p) {
  return static_cast<Block*>(p) - 1;
}

// Drops the transforms' cached tables and gives the allocator's kept memory back; true when
// tables went. (The allocator's answer is no measure: it may report memory given back on
// every call.)
bool ReleaseCaches() {
  const bool tables = mynum::ReleaseTransformTableCaches();
  ReleaseFreeMemory();
  return tables;
}

[[noreturn]] void Fail() {
  t_freedBeforeFailure = t_lastFreed;
  throw BignumOutOfMemory();
}

// The library code is left at an allocation either way, so a cancel unwinds like a failure.
void ThrowIfCancelled() {
  if (!t_cancel.IsCancelled()) return;
  t_freedBeforeFailure = t_lastFreed;
  throw BignumCancelled();
}

void* Allocate(size_t size) {
  ThrowIfCancelled();
  if (InjectedFailure() || size > SIZE_MAX - sizeof(Block)) Fail();
  auto* b = static_cast<Block*>(std::malloc(sizeof(Block) + size));
  // The caches go first, then the allocation is tried once more.
  if (b == nullptr) {
    ReleaseCaches();
    b = static_cast<Block*>(std::malloc(sizeof(Block) + size));
  }
  if (b == nullptr) Fail();
  t_lastFreed = t_freedBeforeFailure = nullptr;
  Access::LinkInto(b, t_current);
  g_liveBlocks.fetch_add(1, std::memory_order_relaxed);
  return Payload(b);
}

void* Reallocate(void* p, size_t oldSize, size_t size) {
  if (p == nullptr) return Allocate(size);
  ThrowIfCancelled();
  if (InjectedFailure() || size > SIZE_MAX - sizeof(Block)) Fail();
  Block* old = HeaderOf(p);
  BignumScope* owner = old->owner;
  Access::Unlink(old);
  auto* b = static_cast<Block*>(std::realloc(old, sizeof(Block) + size));
  if (b == nullptr) {
    // The old block is still whole: the caches go, and the block grows into fresh memory
    // (or stays owned as it was).
    ReleaseCaches();
    b = static_cast<Block*>(std::malloc(sizeof(Block) + size));
    if (b == nullptr) {
      Access::LinkInto(old, owner);
      Fail();
    }
    std::memcpy(b, old, sizeof(Block) + std::min(size, oldSize));
    std::free(old);
  }
  t_lastFreed = t_freedBeforeFailure = nullptr;
  Access::LinkInto(b, owner);
  return Payload(b);
}

void Free(void* p, size_t /*size*/) {
  if (p == nullptr || p == g_dummyLimbs[0] || p == g_dummyLimbs[1]) return;
  if (p == t_freedBeforeFailure) {
    t_freedBeforeFailure = nullptr;
    return;
  }
  t_lastFreed = p;
  Block* b = HeaderOf(p);
  Access::Unlink(b);
  std::free(b);
  g_liveBlocks.fetch_sub(1, std::memory_order_relaxed);
}

// Before any C++ static object, so no block comes from GMP's default functions.
__attribute__((constructor(101))) void InstallAtLoad() {
  InstallBignumMemoryFunctions();
}

}  // namespace

BignumScope::BignumScope()
    : head_{&head_, &head_},
      parent_(t_current),
      outerCancel_(t_cancel),
      uncaught_(std::uncaught_exceptions()) {
  t_current = this;
}

BignumScope::BignumScope(CancelToken cancel) : BignumScope() {
  if (cancel.HasFlag()) t_cancel = cancel;
}

BignumScope::~BignumScope() {
  t_current = parent_;
  t_cancel = outerCancel_;
  t_freedBeforeFailure = nullptr;
  if (std::uncaught_exceptions() > uncaught_) {
    // The caches may be half rebuilt; MPFR frees what it knows of them, the rest goes with
    // the interrupted computation's blocks.
    mpfr_free_cache();
    FreeAll();
  } else if (parent_ != nullptr) {
    parent_->Adopt(*this);
  } else {
    while (head_.next != &head_) Access::Unlink(Access::FromLink(head_.next));
  }
}

void BignumScope::Adopt(BignumScope& child) {
  while (child.head_.next != &child.head_) {
    Block* b = Access::FromLink(child.head_.next);
    Access::Unlink(b);
    Access::LinkInto(b, this);
  }
}

void BignumScope::FreeAll() {
  while (head_.next != &head_) Free(Payload(Access::FromLink(head_.next)), 0);
}

namespace {

// operator new out of memory: the caches go and new tries again, once after the allocator
// gave its kept memory back and as long as tables go; then it throws as usual.
thread_local bool t_newRetried = false;
void ReleaseCachesOrThrow() {
  if (ReleaseCaches()) return;
  if (!t_newRetried) {
    t_newRetried = true;
    return;
  }
  t_newRetried = false;
  throw std::bad_alloc();
}

// Blocks up to this size come from the allocator's heap rather than their own mappings (the
// largest limit the allocator would reach by itself), and the heap keeps up to
// kKeptFreeBytes of free memory at its top. Measured on e to a million digits (min of 15
// runs, CPU ms, one / two threads): the allocator's defaults 89 / 103, these 75 / 89. With
// 4 MB blocks the cap-sized product's arrays were mapped afresh for each product, and a
// cancel of it took up to 209 ms instead of 120-170.
constexpr int kOwnMappingBytes = 32 << 20;
constexpr int kKeptFreeBytes = 512 << 20;

}  // namespace

void InstallBignumMemoryFunctions() {
  mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes);
  mallopt(M_TRIM_THRESHOLD, kKeptFreeBytes);
  mp_set_memory_functions(Allocate, Reallocate, Free);
  std::set_new_handler(ReleaseCachesOrThrow);
  mpz_t probe, probes;
  mpz_init(probe);
  mpz_inits(probes, nullptr);
  if (probe->_mp_alloc == 0) g_dummyLimbs[0] = probe->_mp_d;
  if (probes->_mp_alloc == 0) g_dummyLimbs[1] = probes->_mp_d;
  mpz_clears(probe, probes, nullptr);
}

void FailBignumAllocationAfterForTest(long count) {
  g_failAfter.store(count);
}

long LiveBignumBlocksForTest() {
  return g_liveBlocks.load();
}

bool ReleaseFreeMemory() {
  mynum::ReleaseLongTransformTables();
  return malloc_trim(0) != 0;
}

}  // namespace vpx
