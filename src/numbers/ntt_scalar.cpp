#include "numbers/ntt_scalar.h"

#include <algorithm>
#include <vector>

#include "numbers/ntt_table_cache.h"

namespace vpx::mynum::scalar62 {

// A fixed factor w with its Shoup quotient floor(w * 2^64 / p): x * w mod p for any 64-bit x
// with two low products and one high one, within [0, 2p).
struct Twiddle {
  uint64_t w;
  uint64_t quotient;
};

// Per stage of half-length h (1, 2, 4 ...), entry h + j is the root of unity of order 2h
// to the power j (forward) or -j (inverse); the entries serve every length.
struct Tables {
  size_t length = 0;
  std::vector<Twiddle> forward[3];
  std::vector<Twiddle> inverse[3];
};

namespace {

inline uint64_t MulTwiddle(uint64_t x, Twiddle t, uint64_t p) {
  const uint64_t q = static_cast<uint64_t>((Uint128{x} * t.quotient) >> 64);
  return x * t.w - q * p;
}

// The tables of `length` entries; those of `from` (a shorter table) are copied, as every
// stage's entries serve every length.
std::shared_ptr<const Tables> BuildTables(size_t length, const Tables* from, CancelToken cancel) {
  auto t = std::make_shared<Tables>();
  t->length = length;
  const size_t kept = from != nullptr ? from->length : 1;
  for (int i = 0; i < 3; ++i) {
    const PrimeField& f = kFields[i];
    std::vector<Twiddle>& fw = t->forward[i];
    std::vector<Twiddle>& iv = t->inverse[i];
    fw.assign(std::max<size_t>(length, 2), Twiddle{});
    iv.assign(fw.size(), Twiddle{});
    if (from != nullptr) {
      std::copy_n(from->forward[i].begin(), kept, fw.begin());
      std::copy_n(from->inverse[i].begin(), kept, iv.begin());
    }
    // From the Montgomery form r = w 2^64 mod p: w 2^64 = q p + r, so the Shoup quotient q
    // is -r / p modulo 2^64, one product with p^-1 (no 128-bit division).
    auto entry = [&f](uint64_t montgomery) {
      return Twiddle{f.Mul(montgomery, 1), (0 - montgomery) * f.pinv};
    };
    for (size_t h = kept; h < length; h <<= 1) {
      if (cancel.IsCancelled()) return nullptr;
      const uint64_t w = f.ToMontgomery(f.PowPlain(f.generator, (f.p - 1) / (2 * h)));
      const uint64_t wi = f.ToMontgomery(f.PowPlain(f.generator, (f.p - 1) - (f.p - 1) / (2 * h)));
      uint64_t a = f.ToMontgomery(1), b = a;
      for (size_t j = 0; j < h; ++j) {
        fw[h + j] = entry(a);
        iv[h + j] = entry(b);
        a = f.Mul(a, w);
        b = f.Mul(b, wi);
      }
    }
  }
  return t;
}

TableCache<Tables> g_tables(BuildTables);

// One forward butterfly: (u, v) to (u + v, (u - v) w), both kept below 2p.
inline void ForwardButterfly(uint64_t& x, uint64_t& y, Twiddle w, uint64_t p) {
  const uint64_t p2 = 2 * p, u = x, v = y;
  const uint64_t s = u + v;
  x = s >= p2 ? s - p2 : s;
  y = MulTwiddle(u - v + p2, w, p);
}

// One inverse butterfly: (u, v) to (u + v w, u - v w), u first brought below 2p.
inline void InverseButterfly(uint64_t& x, uint64_t& y, Twiddle w, uint64_t p) {
  const uint64_t p2 = 2 * p;
  uint64_t u = x;
  if (u >= p2) u -= p2;
  const uint64_t v = MulTwiddle(y, w, p);
  x = u + v;
  y = u - v + p2;
}

// Natural order in, bit-reversed order out; residues in [0, 2p) (Harvey's lazy butterflies).
// The stages from half-length h on (h = length / 2 for a whole transform; 0 when done).
// Two stages at a time: each group of four values is read and written once for both (the
// same butterflies in the same order per value, so the same result, with half the passes
// over arrays that outgrow the caches).
void Forward(uint64_t* a, size_t length, size_t h, const Twiddle* w, uint64_t p) {
  const uint64_t p2 = 2 * p;
  if (h == 0) return;
  for (; h >= 4; h >>= 2) {
    const size_t q = h / 2;
    const Twiddle* wh = w + h;
    const Twiddle* wq = w + q;
    for (size_t block = 0; block < length; block += 2 * h) {
      uint64_t* x = a + block;
      for (size_t j = 0; j < q; ++j) {
        uint64_t u0 = x[j], u1 = x[j + q], u2 = x[j + h], u3 = x[j + h + q];
        ForwardButterfly(u0, u2, wh[j], p);
        ForwardButterfly(u1, u3, wh[j + q], p);
        ForwardButterfly(u0, u1, wq[j], p);
        ForwardButterfly(u2, u3, wq[j], p);
        x[j] = u0;
        x[j + q] = u1;
        x[j + h] = u2;
        x[j + h + q] = u3;
      }
    }
  }
  if (h == 2) {
    for (size_t block = 0; block < length; block += 4) {
      ForwardButterfly(a[block], a[block + 2], w[2], p);
      ForwardButterfly(a[block + 1], a[block + 3], w[3], p);
    }
  }
  for (size_t j = 0; j < length; j += 2) {  // the last stage multiplies by 1
    const uint64_t u = a[j], v = a[j + 1];
    const uint64_t s = u + v, d = u - v + p2;
    a[j] = s >= p2 ? s - p2 : s;
    a[j + 1] = d >= p2 ? d - p2 : d;
  }
}

// Bit-reversed order in (residues below 4p), natural order out in [0, 4p), not divided by
// the length. Two stages at a time, as Forward.
void Inverse(uint64_t* a, size_t length, const Twiddle* w, uint64_t p) {
  size_t h = 1;
  for (; 4 * h <= length; h <<= 2) {
    const Twiddle* wh = w + h;
    const Twiddle* w2h = w + 2 * h;
    for (size_t block = 0; block < length; block += 4 * h) {
      uint64_t* x = a + block;
      for (size_t j = 0; j < h; ++j) {
        uint64_t u0 = x[j], u1 = x[j + h], u2 = x[j + 2 * h], u3 = x[j + 3 * h];
        InverseButterfly(u0, u1, wh[j], p);
        InverseButterfly(u2, u3, wh[j], p);
        InverseButterfly(u0, u2, w2h[j], p);
        InverseButterfly(u1, u3, w2h[j + h], p);
        x[j] = u0;
        x[j + h] = u1;
        x[j + 2 * h] = u2;
        x[j + 3 * h] = u3;
      }
    }
  }
  if (h < length) {
    const Twiddle* wh = w + h;
    for (size_t j = 0; j < h; ++j) InverseButterfly(a[j], a[j + h], wh[j], p);
  }
}

// a[k] = a[k] root^k factor / R mod p for k < n: the weights of a negacyclic transform (the
// root of order 2 length, or its inverse), a running power in Montgomery form.
void WeightByPowers(const PrimeField& f, uint64_t* a, size_t n, size_t length, bool inverse,
                    uint64_t factor) {
  const uint64_t e = (f.p - 1) / (2 * length);
  const uint64_t root = f.ToMontgomery(f.PowPlain(f.generator, inverse ? f.p - 1 - e : e));
  uint64_t w = factor;
  for (size_t k = 0; k < n; ++k, w = f.Mul(w, root)) a[k] = f.Mul(a[k], w);
}

// The limbs as residues below 2p (folded onto the length, weighted when negacyclic),
// zero-padded to the length, and the transform's first stage too when they fill at most
// half of it (its other inputs are zeros then). Returns the half-length the transform goes
// on with.
size_t Load(const uint64_t* limbs, size_t n, size_t length, Wrap wrap, const PrimeField& f,
            const Twiddle* w, uint64_t* to) {
  // Any word (a binary limb may exceed 4p) within [0, 2p): Shoup's product by 1.
  const Twiddle one{1, static_cast<uint64_t>((Uint128{1} << 64) / f.p)};
  const uint64_t p2 = 2 * f.p;
  const size_t own = std::min(n, length);
  for (size_t i = 0; i < own; ++i) to[i] = MulTwiddle(limbs[i], one, f.p);
  for (size_t i = length; i < n; ++i) {
    const uint64_t v = MulTwiddle(limbs[i], one, f.p);
    uint64_t& x = to[i & (length - 1)];
    const bool subtract = wrap == Wrap::kNegacyclic && ((i / length) & 1) != 0;
    const uint64_t s = subtract ? x + p2 - v : x + v;
    x = s >= p2 ? s - p2 : s;
  }
  n = own;
  if (wrap == Wrap::kNegacyclic) WeightByPowers(f, to, n, length, false, f.ToMontgomery(1));
  const size_t h = length / 2;
  if (n > h || h == 0) {
    std::fill(to + n, to + length, 0);
    return h;
  }
  std::fill(to + n, to + h, 0);
  for (size_t j = 0; j < n; ++j) to[h + j] = MulTwiddle(to[j], w[h + j], f.p);
  std::fill(to + h + n, to + length, 0);
  return h / 2;
}
}  // namespace

std::shared_ptr<const Tables> TablesFor(size_t length, CancelToken cancel) {
  return g_tables.For(length, cancel);
}

void LoadForward(int i, const Tables& t, const uint64_t* limbs, size_t n, size_t length,
                 uint64_t* to, Wrap wrap) {
  const PrimeField& f = kFields[i];
  const Twiddle* w = t.forward[i].data();
  Forward(to, length, Load(limbs, n, length, wrap, f, w, to), w, f.p);
}

void MulPointwise(int i, uint64_t* a, const uint64_t* b, size_t n) {
  const PrimeField& f = kFields[i];
  for (size_t k = 0; k < n; ++k) a[k] = f.Mul(a[k], b[k]);
}

void MulAddPointwise(int i, uint64_t* sum, const uint64_t* x, const uint64_t* y, size_t n) {
  const PrimeField& f = kFields[i];
  for (size_t k = 0; k < n; ++k) sum[k] = f.Add(sum[k], f.Mul(x[k], y[k]));
}

void InverseScaled(int i, const Tables& t, uint64_t* a, size_t length, uint64_t* out, size_t n,
                   Wrap wrap) {
  const PrimeField& f = kFields[i];
  const Twiddle* w = t.inverse[i].data();
  Inverse(a, length, w, f.p);
  if (wrap == Wrap::kNegacyclic) WeightByPowers(f, a, n, length, true, f.ToMontgomery(1));
  // R^2 / length undoes the pointwise products' 1/R and the inverse's factor length.
  const uint64_t scale =
      f.MulPlain(f.ToMontgomery(f.ToMontgomery(1)), f.PowPlain(length % f.p, f.p - 2));
  for (size_t k = 0; k < n; ++k) out[k] = f.Mul(a[k], scale);
}

void AddResidues(int i, uint64_t* acc, const uint64_t* x, size_t n, bool subtract) {
  const PrimeField& f = kFields[i];
  for (size_t k = 0; k < n; ++k) acc[k] = subtract ? f.Sub(acc[k], x[k]) : f.Add(acc[k], x[k]);
}

void HalveResidues(int i, uint64_t* a, size_t n) {
  const uint64_t p = kFields[i].p;
  for (size_t k = 0; k < n; ++k) a[k] = ((a[k] & 1) != 0 ? a[k] + p : a[k]) / 2;
}

bool ReleaseCachedTables() {
  return g_tables.Release();
}

void ReleaseLongTables() {
  g_tables.ReleaseLong();
}

}  // namespace vpx::mynum::scalar62
