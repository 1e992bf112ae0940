// XXH3 (64 and 128 bits) built from libxxhash's header with AVX2 vectors, for CPUs that
// have them: the shared library is built for plain SSE2, which leaves XXH3 slower than
// reading the file. Callers check HasXxh3Avx2() first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vpx {

bool HasXxh3Avx2();

// An XXH3 state of the AVX2 build; opaque outside it.
struct Xxh3Avx2State;
// A new state (nullptr without memory), updated piece by piece, then its digest in the
// canonical (big-endian) byte order: 8 bytes for 64 bits, 16 for 128.
Xxh3Avx2State* NewXxh3Avx2State(bool wide);
void FreeXxh3Avx2State(Xxh3Avx2State* state);
void UpdateXxh3Avx2(Xxh3Avx2State* state, const uint8_t* bytes, size_t count);
size_t DigestXxh3Avx2(Xxh3Avx2State* state, uint8_t out[16]);

}  // namespace vpx
