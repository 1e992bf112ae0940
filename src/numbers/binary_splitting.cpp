#include "numbers/binary_splitting.h"

#include <sched.h>

#include <map>
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

namespace {

void SwapSums(SplitSums& a, SplitSums& b) {
  for (auto member : {&SplitSums::P, &SplitSums::Q, &SplitSums::T, &SplitSums::B})
    mpz_swap((a.*member).get(), (b.*member).get());
}

void SwapSums(RatioSums& a, RatioSums& b) {
  mpz_swap(a.T.get(), b.T.get());
  mpz_swap(a.B.get(), b.B.get());
}

// The top level of a sum over [n0, n1) split at m, its halves at the same time:
// split(from, to, sums) sums a range, merge(left, right) joins them. The right half sums
// into integers of a second thread (a failure there frees them with the thread's scope)
// and hands them over once done; a failure is raised again here.
template <class Sums, class SplitFn, class MergeFn>
bool SplitTopOnTwoThreads(uint64_t n0, uint64_t m, uint64_t n1, SplitFn split, MergeFn merge,
                          Sums* out) {
  Sums right;
  bool rightDone = false, leftDone = false;
  {
    SecondThreadTask task([&] {
      Sums sums;
      rightDone = split(m, n1, &sums);
      SwapSums(sums, right);
    });
    leftDone = split(n0, m, out);
    task.Join();
  }
  return leftDone && rightDone && merge(out, &right);
}

}  // namespace

bool SumSeries(const SplitSeries& series, uint64_t n0, uint64_t n1, bool needP, bool twoThreads,
               CancelToken abort, SplitSums* out, WorkProgress* progress) {
  const bool hasB = series.HasDenominators();
  if (progress != nullptr) progress->BeginStep(TreeUnits(n1 - n0, series.LeafRun()));
  // Small sums are not worth a thread.
  if (!twoThreads || n1 - n0 < 256) return Split(series, n0, n1, needP, hasB, abort, progress, out);
  auto split = [&](uint64_t from, uint64_t to, SplitSums* sums) {
    return Split(series, from, to, from == n0 || needP, hasB, abort, progress, sums);
  };
  auto merge = [&](SplitSums* left, SplitSums* right) {
    return Merge(left, right, needP, hasB, abort);
  };
  if (!SplitTopOnTwoThreads(n0, n0 + (n1 - n0) / 2, n1, split, merge, out)) return false;
  CountMerged(progress, n0, n1);
  return true;
}

namespace {

// The powers p^m and q^m of every range length m the splitting of a ratio series meets.
class RangePowers {
 public:
  RangePowers(mpz_srcptr p, mpz_srcptr q, uint64_t terms, uint64_t leafRun)
      : pIsOne_(mpz_cmp_ui(p, 1) == 0) {
    Collect(terms, leafRun);
    // Ascending: each length above a leaf run is the sum of two lengths met before it. The
    // whole length needs q's power only (the sum's denominator).
    for (auto& [m, power] : q_) {
      Make(q, m, &q_, &power);
      if (!pIsOne_ && m < terms) Make(p, m, &p_, &p_[m]);
    }
  }
  bool PIsOne() const { return pIsOne_; }
  mpz_srcptr P(uint64_t m) const { return p_.at(m).get(); }
  mpz_srcptr Q(uint64_t m) const { return q_.at(m).get(); }

 private:
  void Collect(uint64_t m, uint64_t leafRun) {
    if (q_.count(m) != 0) return;
    q_[m];
    if (m <= leafRun) {
      for (uint64_t k = 1; k < m; ++k) q_[k];
      return;
    }
    Collect(m / 2, leafRun);
    Collect(m - m / 2, leafRun);
  }
  static void Make(mpz_srcptr base, uint64_t m, std::map<uint64_t, Mpz>* made, Mpz* power) {
    if (m == 1) {
      mpz_set(power->get(), base);
    } else {
      MulMpz(power->get(), made->at(m / 2).get(), made->at(m - m / 2).get());
    }
  }

  bool pIsOne_;
  std::map<uint64_t, Mpz> p_, q_;
};

// left (m1 terms) becomes the sum over both ranges; right (m2 terms) is consumed.
bool MergeRatio(const RangePowers& powers, RatioSums* left, uint64_t m1, RatioSums* right,
                uint64_t m2, CancelToken abort) {
  mpz_ptr T1 = left->T.get(), B1 = left->B.get(), T2 = right->T.get();
  mpz_srcptr B2 = right->B.get(), Q2 = powers.Q(m2);
  if (!MpzProductUsesTransforms(mpz_size(T1), mpz_size(B2) + mpz_size(Q2))) {
    MulMpz(T1, T1, B2);
    MulMpz(T1, T1, Q2);
    MulMpz(T2, T2, B1);
    if (!powers.PIsOne()) MulMpz(T2, T2, powers.P(m1));
    mpz_add(T1, T1, T2);
    MulMpz(B1, B1, B2);
    return !abort.IsCancelled();
  }
  // X = B2 q^m2 and Y = p^m1 B1 first; then T1 X + Y T2 and B1 B2 share B1's transform.
  Mpz x, y;
  MulMpz(x.get(), B2, Q2);
  mpz_srcptr Y = B1;
  if (!powers.PIsOne()) {
    MulMpz(y.get(), B1, powers.P(m1));
    Y = y.get();
  }
  if (abort.IsCancelled()) return false;
  const MpzProductSum sums[2] = {{T1, {T1, Y}, {x.get(), T2}, 2}, {B1, {B1}, {B2}, 1}};
  MulMpzSums(sums, 2);
  return !abort.IsCancelled();
}

bool SplitRatio(const RatioSeries& series, const RangePowers& powers, uint64_t n0, uint64_t n1,
                CancelToken abort, WorkProgress* progress, RatioSums* out) {
  if (abort.IsCancelled()) return false;
  if (n1 - n0 <= series.LeafRun()) {
    mpz_set_ui(out->T.get(), 1);
    series.Denominator(n0, out->B.get());
    RatioSums next;
    for (uint64_t n = n0 + 1; n < n1; ++n) {
      mpz_set_ui(next.T.get(), 1);
      series.Denominator(n, next.B.get());
      MergeRatio(powers, out, n - n0, &next, 1, nullptr);
    }
    CountMerged(progress, n0, n1);
    return true;
  }
  const uint64_t m = n0 + (n1 - n0) / 2;
  RatioSums right;
  if (!SplitRatio(series, powers, n0, m, abort, progress, out) ||
      !SplitRatio(series, powers, m, n1, abort, progress, &right) ||
      !MergeRatio(powers, out, m - n0, &right, n1 - m, abort))
    return false;
  CountMerged(progress, n0, n1);
  return true;
}

}  // namespace

bool SumRatioSeries(const RatioSeries& series, mpz_srcptr p, mpz_srcptr q, uint64_t terms,
                    bool twoThreads, CancelToken abort, RatioSums* out, WorkProgress* progress) {
  if (progress != nullptr) progress->BeginStep(TreeUnits(terms, series.LeafRun()));
  const RangePowers powers(p, q, terms, series.LeafRun());
  if (abort.IsCancelled()) return false;
  auto split = [&](uint64_t from, uint64_t to, RatioSums* sums) {
    return SplitRatio(series, powers, from, to, abort, progress, sums);
  };
  // Small sums are not worth a thread.
  if (!twoThreads || terms < 256 || terms <= series.LeafRun()) {
    if (!split(0, terms, out)) return false;
  } else {
    const uint64_t m = terms / 2;
    auto merge = [&](RatioSums* left, RatioSums* right) {
      return MergeRatio(powers, left, m, right, terms - m, abort);
    };
    if (!SplitTopOnTwoThreads(0, m, terms, split, merge, out)) return false;
    CountMerged(progress, 0, terms);
  }
  // T / (B q^(N-1)) = q T / (B q^N): q^N is one of the powers made.
  MulMpz(out->B.get(), out->B.get(), powers.Q(terms), twoThreads);
  return !abort.IsCancelled();
}

}  // namespace vpx
