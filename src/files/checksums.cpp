#include "files/checksums.h"

#include <fcntl.h>
#include <immintrin.h>
#include <isa-l.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <memory>
#include <new>

#include "files/file_io.h"
#include "files/file_primitives.h"
#include "files/user_file.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

// Bytes read per call: small enough that the checksum reads them while they are still
// in the CPU cache.
constexpr uint32_t kReadPiece = 512u << 10;

// The largest prime below 2^16: Adler-32's sums are taken modulo it (RFC 1950).
constexpr uint32_t kAdlerBase = 65521;
// The most bytes whose sums cannot overflow 32 bits before they are reduced: the largest n
// with 255 n (n + 1) / 2 + (n + 1) (kAdlerBase - 1) <= 2^32 - 1 (zlib's NMAX).
constexpr size_t kAdlerMaxRun = 5552;

// Adler-32 with AVX2: each 32-byte block adds its byte sum to s1 and 32 * s1 plus the
// byte sum weighted 32..1 to s2; the sums are reduced after each run of kAdlerMaxRun.
__attribute__((target("avx2"))) uint32_t Adler32Avx2(uint32_t adler, const uint8_t* bytes,
                                                     size_t count) {
  uint32_t s1 = adler & 0xFFFF, s2 = adler >> 16;
  const __m256i weights =
      _mm256_setr_epi8(32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14,
                       13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
  const __m256i ones = _mm256_set1_epi16(1);
  const __m256i zero = _mm256_setzero_si256();
  while (count >= 32) {
    size_t run = std::min(count, kAdlerMaxRun) & ~static_cast<size_t>(31);
    count -= run;
    __m256i v1 = _mm256_zextsi128_si256(_mm_cvtsi32_si128(static_cast<int>(s1)));
    __m256i v2 = _mm256_zextsi128_si256(_mm_cvtsi32_si128(static_cast<int>(s2)));
    __m256i v1Before = zero;  // sum over blocks of s1 before each block
    for (; run != 0; run -= 32, bytes += 32) {
      __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
      v1Before = _mm256_add_epi32(v1Before, v1);
      v1 = _mm256_add_epi32(v1, _mm256_sad_epu8(block, zero));
      v2 = _mm256_add_epi32(v2, _mm256_madd_epi16(_mm256_maddubs_epi16(block, weights), ones));
    }
    v2 = _mm256_add_epi32(v2, _mm256_slli_epi32(v1Before, 5));
    alignas(32) uint32_t lanes1[8], lanes2[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes1), v1);
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes2), v2);
    s1 = s2 = 0;
    for (int i = 0; i < 8; ++i) {
      s1 += lanes1[i];
      s2 += lanes2[i];
    }
    s1 %= kAdlerBase;
    s2 %= kAdlerBase;
  }
  for (size_t i = 0; i < count; ++i) {
    s1 += bytes[i];
    s2 += s1;
  }
  return ((s2 % kAdlerBase) << 16) | (s1 % kAdlerBase);
}

uint32_t InitialValue(ChecksumKind kind) {
  return kind == ChecksumKind::kCrc32 ? 0u : 1u;
}

uint32_t Update(ChecksumKind kind, uint32_t value, const uint8_t* bytes, size_t count) {
  return kind == ChecksumKind::kCrc32 ? UpdateCrc32(value, bytes, count)
                                      : UpdateAdler32(value, bytes, count);
}

}  // namespace

uint32_t UpdateCrc32(uint32_t crc, const uint8_t* bytes, size_t count) {
  return crc32_gzip_refl(crc, bytes, count);
}

uint32_t UpdateAdler32(uint32_t adler, const uint8_t* bytes, size_t count) {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return avx2 ? Adler32Avx2(adler, bytes, count) : isal_adler32(adler, bytes, count);
}

FileResult<uint32_t> ComputeFileChecksum(ChecksumKind kind, const std::string& file,
                                         uint32_t bufferSize, CancelToken cancel,
                                         JobProgress* progress) {
  using Result = FileResult<uint32_t>;
  const uint32_t initial = InitialValue(kind);
  if (file.empty()) return Result::Fail(FileFailure::kInvalid, SJ("※　ファイル名がありません。"));
  if (!IxExistFile(file, false))
    return Result::Fail(FileFailure::kOpen, SJ("※　ファイルが存在しません。"));
  const std::string openText =
      Format(SJ("※　ファイルオープンに失敗。[ %s ]").c_str(), file.c_str());
  // A file that cannot be opened is an open failure, never the checksum of an empty file.
  FileOpenError openError;
  UserFile fd = OpenUserFile(file, FileUse::kRead, 0, &openError);
  if (!fd.IsOpen())
    return Result::Fail(FileFailure::kOpen, OpenFailureText(openError, file, openText));
  const int64_t size = fd.Size();
  if (size < 0) return Result::Fail(FileFailure::kOpen, openText);
  if (size == 0) return initial;
  posix_fadvise(fd.Fd(), 0, 0, POSIX_FADV_SEQUENTIAL);
  uint32_t capacity =
      bufferSize == 0 || bufferSize > kChecksumBuffer ? kChecksumBuffer : bufferSize;
  uint32_t piece = std::min(capacity, kReadPiece);
  std::unique_ptr<uint8_t[]> buffer;
  try {
    buffer.reset(new uint8_t[piece]);
  } catch (const std::bad_alloc&) {
    return Result::Fail(FileFailure::kOutOfMemory,
                        Format(SJ("※　バッファ確保に失敗。BuffSize[%u]").c_str(), capacity));
  }
  uint32_t value = initial;
  int64_t done = 0;
  if (progress != nullptr) progress->Start(size);
  for (;;) {
    if (cancel.IsCancelled()) return Result::Fail(FileFailure::kCancelled, SJ("※　中断しました。"));
    ssize_t n = read(fd.Fd(), buffer.get(), piece);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    value = Update(kind, value, buffer.get(), static_cast<size_t>(n));
    done += n;
    if (progress != nullptr) progress->Advance(n);
  }
  if (done != size)
    return Result::Fail(FileFailure::kRead,
                        Format(SJ("※　ファイル読込に失敗。DoneSize[%lld] / FileSize[%lld]").c_str(),
                               static_cast<long long>(done), static_cast<long long>(size)));
  return value;
}

FileResult<uint32_t> ComputeFileCRC32(const std::string& file, uint32_t bufferSize,
                                      CancelToken cancel) {
  return ComputeFileChecksum(ChecksumKind::kCrc32, file, bufferSize, cancel);
}

FileResult<uint32_t> ComputeFileAdler32(const std::string& file, uint32_t bufferSize,
                                        CancelToken cancel) {
  return ComputeFileChecksum(ChecksumKind::kAdler32, file, bufferSize, cancel);
}

FileResult<void> CompareFileChecksum(ChecksumKind kind, const std::string& file, uint32_t expected,
                                     CancelToken cancel, JobProgress* progress) {
  if (file.empty())
    return FileResult<void>::Fail(FileFailure::kInvalid, SJ("※　ファイル名が無効です。"));
  FileResult<uint32_t> value = ComputeFileChecksum(kind, file, kChecksumBuffer, cancel, progress);
  if (!value) return value.error();
  if (value.value() == expected) return {};
  const std::string& format = kind == ChecksumKind::kCrc32
                                  ? SJ("※　CRC32不一致。NewCRC[%08X] / CheckCRC[%08X]")
                                  : SJ("※　ADLER32不一致。NewADLER[%08X] / CheckADLER[%08X]");
  return FileResult<void>::Fail(FileFailure::kMismatch,
                                Format(format.c_str(), value.value(), expected));
}

uint32_t ParseHexChecksum(const std::string& text) {
  size_t pos = 0;
  while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
  if (pos + 1 < text.size() && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X'))
    pos += 2;
  uint64_t value = 0;
  for (; pos < text.size() && std::isxdigit(static_cast<unsigned char>(text[pos])); ++pos) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[pos])));
    value = value * 16 + static_cast<uint64_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    if (value > 0xFFFFFFFFu) return 0xFFFFFFFFu;
  }
  return static_cast<uint32_t>(value);
}

}  // namespace vpx
