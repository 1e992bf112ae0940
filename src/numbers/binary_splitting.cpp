#include "numbers/binary_splitting.h"

#include <sched.h>

#include <thread>

#include "numbers/mpz_product.h"
#include "numbers/second_thread.h"

namespace vpx {
namespace {

void Leaf(const SplitSeries& series, uint64_t n, SplitSums* r) {
  Mpz a;
  mpz_set_ui(r->B.get(), 1);
  series.Term(n, r->P.get(), r->Q.get(), a.get(), r->B.get());
  MulMpz(r->T.get(), a.get(), r->P.get());
}

// left becomes the sum over both ranges; right is consumed. T = T1 B2 Q2 + B1 P1 T2. Long
// operands: each group of products with shared factors in one set of transforms
// (MulMpzSums). Short ones (the lower levels of the tree, most of the merges): products in
// place, without the temporaries a set of sums needs.
bool Merge(SplitSums* left, SplitSums* right, bool needP, bool hasB, CancelToken abort) {
  mpz_ptr T1 = left->T.get(), T2 = right->T.get(), Q1 = left->Q.get(), P1 = left->P.get();
  mpz_srcptr Q2 = right->Q.get(), P2 = right->P.get();
  if (!MpzProductUsesTransforms(mpz_size(T1), mpz_size(Q2))) {
    MulMpz(T1, T1, Q2);
    MulMpz(T2, T2, P1);
    if (hasB) {
      MulMpz(T1, T1, right->B.get());
      MulMpz(T2, T2, left->B.get());
      MulMpz(left->B.get(), left->B.get(), right->B.get());
    }
    mpz_add(T1, T1, T2);
    MulMpz(Q1, Q1, Q2);
    if (needP) MulMpz(P1, P1, P2);
    return !abort.IsCancelled();
  }
  if (!hasB) {
    const MpzProductSum sums[3] = {
        {T1, {T1, P1}, {Q2, T2}, 2}, {Q1, {Q1}, {Q2}, 1}, {P1, {P1}, {P2}, 1}};
    MulMpzSums(sums, needP ? 3 : 2);
    return !abort.IsCancelled();
  }
  const MpzProductSum products[4] = {
      {T1, {T1}, {Q2}, 1}, {T2, {T2}, {P1}, 1}, {Q1, {Q1}, {Q2}, 1}, {P1, {P1}, {P2}, 1}};
  MulMpzSums(products, needP ? 4 : 3);
  if (abort.IsCancelled()) return false;
  mpz_ptr B1 = left->B.get();
  mpz_srcptr B2 = right->B.get();
  const MpzProductSum sums[2] = {{T1, {T1, B1}, {B2, T2}, 2}, {B1, {B1}, {B2}, 1}};
  MulMpzSums(sums, 2);
  return !abort.IsCancelled();
}

// Progress units of a sum of `terms` terms: each node of the splitting tree counts its terms
// once merged, so every level of the tree weighs the same, as its products roughly do.
uint64_t TreeUnits(uint64_t terms, uint64_t leafRun) {
  if (terms <= leafRun) return terms;
  return terms + TreeUnits(terms / 2, leafRun) + TreeUnits(terms - terms / 2, leafRun);
}

void CountMerged(WorkProgress* progress, uint64_t n0, uint64_t n1) {
  if (progress != nullptr) progress->Count(n1 - n0);
}

bool Split(const SplitSeries& series, uint64_t n0, uint64_t n1, bool needP, bool hasB,
           CancelToken abort, WorkProgress* progress, SplitSums* out) {
  if (abort.IsCancelled()) return false;
  if (n1 - n0 <= series.LeafRun()) {
    Leaf(series, n0, out);
    SplitSums next;
    for (uint64_t n = n0 + 1; n < n1; ++n) {
      Leaf(series, n, &next);
      Merge(out, &next, needP || n + 1 < n1, hasB, nullptr);
    }
    CountMerged(progress, n0, n1);
    return true;
  }
  const uint64_t m = n0 + (n1 - n0) / 2;
  SplitSums right;
  if (!Split(series, n0, m, true, hasB, abort, progress, out) ||
      !Split(series, m, n1, needP, hasB, abort, progress, &right) ||
      !Merge(out, &right, needP, hasB, abort))
    return false;
  CountMerged(progress, n0, n1);
  return true;
}

}  // namespace

bool SecondCoreAvailable() {
  // The cores this process may run on, which a container or taskset can limit below the
  // machine's count.
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  if (sched_getaffinity(0, sizeof(cpus), &cpus) == 0) return CPU_COUNT(&cpus) > 1;
  return std::thread::hardware_concurrency() > 1;
}

bool SumSeries(const SplitSeries& series, uint64_t n0, uint64_t n1, bool needP, bool twoThreads,
               CancelToken abort, SplitSums* out, WorkProgress* progress) {
  const bool hasB = series.HasDenominators();
  if (progress != nullptr) progress->BeginStep(TreeUnits(n1 - n0, series.LeafRun()));
  // Small sums are not worth a thread.
  if (!twoThreads || n1 - n0 < 256) return Split(series, n0, n1, needP, hasB, abort, progress, out);
  const uint64_t m = n0 + (n1 - n0) / 2;
  SplitSums right;
  bool rightDone = false;
  bool leftDone = false;
  {
    // The right half sums into integers of its own thread (a failure there frees them with
    // the thread's scope) and hands them over once done; a failure is raised again here.
    SecondThreadTask task([&] {
      SplitSums sums;
      rightDone = Split(series, m, n1, needP, hasB, abort, progress, &sums);
      for (auto member : {&SplitSums::P, &SplitSums::Q, &SplitSums::T, &SplitSums::B})
        mpz_swap((sums.*member).get(), (right.*member).get());
    });
    leftDone = Split(series, n0, m, true, hasB, abort, progress, out);
    task.Join();
  }
  if (!leftDone || !rightDone || !Merge(out, &right, needP, hasB, abort)) return false;
  CountMerged(progress, n0, n1);
  return true;
}

}  // namespace vpx
