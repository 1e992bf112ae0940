// Compiled for AVX2 as a whole: the inline XXH3 of the header takes its vector width from
// the target of the functions it is compiled into.
#include "files/xxh3_avx2.h"

#include <immintrin.h>  // the vectors xxhash.h includes only for an -mavx2 build

#include <new>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#define XXH_INLINE_ALL
#define XXH_VECTOR XXH_AVX2
#include <xxhash.h>

namespace vpx {

struct Xxh3Avx2State {
  bool wide = false;
  XXH3_state_t* state = nullptr;
};

Xxh3Avx2State* NewXxh3Avx2State(bool wide) {
  XXH3_state_t* state = XXH3_createState();
  if (state == nullptr) return nullptr;
  wide ? XXH3_128bits_reset(state) : XXH3_64bits_reset(state);
  Xxh3Avx2State* made = new (std::nothrow) Xxh3Avx2State{wide, state};
  if (made == nullptr) XXH3_freeState(state);
  return made;
}

void FreeXxh3Avx2State(Xxh3Avx2State* state) {
  if (state == nullptr) return;
  XXH3_freeState(state->state);
  delete state;
}

void UpdateXxh3Avx2(Xxh3Avx2State* state, const uint8_t* bytes, size_t count) {
  state->wide ? XXH3_128bits_update(state->state, bytes, count)
              : XXH3_64bits_update(state->state, bytes, count);
}

size_t DigestXxh3Avx2(Xxh3Avx2State* state, uint8_t out[16]) {
  if (state->wide) {
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(state->state));
    for (size_t i = 0; i < sizeof canonical.digest; ++i) out[i] = canonical.digest[i];
    return sizeof canonical.digest;
  }
  XXH64_canonical_t canonical;
  XXH64_canonicalFromHash(&canonical, XXH3_64bits_digest(state->state));
  for (size_t i = 0; i < sizeof canonical.digest; ++i) out[i] = canonical.digest[i];
  return sizeof canonical.digest;
}

}  // namespace vpx

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

namespace vpx {

bool HasXxh3Avx2() {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return avx2;
}

}  // namespace vpx
