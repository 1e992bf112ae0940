#include "host/sjis.h"

#include <iconv.h>
#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>

namespace vpx {
namespace {

// One converter per thread and direction: iconv descriptors are not thread-safe.
class Converter {
 public:
  Converter(const char* to, const char* from) : to_(to), from_(from), cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != kInvalid) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Convert(std::string_view in, std::string& out) {
    out.clear();
    // Both encodings always exist, so an open fails only when memory (or the address space
    // for the conversion module) ran out: that is reported as such at the line's or job's
    // boundary, and the open is tried again next time.
    if (cd_ == kInvalid) cd_ = iconv_open(to_, from_);
    if (cd_ == kInvalid) throw std::bad_alloc();
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string result(in.size() * 2 + 8, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    size_t used = 0;
    for (;;) {
      char* dst = result.data() + used;
      size_t dstLeft = result.size() - used;
      size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      used = result.size() - dstLeft;
      if (rc != static_cast<size_t>(-1)) {
        if (rc != 0) return false;  // irreversible (substituted) conversions count as failure
        break;
      }
      if (errno != E2BIG) return false;
      result.resize(result.size() * 2);
    }
    result.resize(used);
    out = std::move(result);
    return true;
  }

 private:
  static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
  const char* to_;
  const char* from_;
  iconv_t cd_;
};

// A thread's two converters sit behind a pthread key rather than in thread_local objects: a
// thread_local with a destructor registers it at its first use with an allocation whose
// failure glibc treats as fatal, and a thread's first message is often the one saying that
// memory ran out.
struct ThreadConverters {
  Converter toSjis{"CP932", "UTF-8"};
  Converter toUtf8{"UTF-8", "CP932"};
};

void DeleteConverters(void* converters) {
  delete static_cast<ThreadConverters*>(converters);
}

pthread_key_t ConvertersKey() {
  static const pthread_key_t key = [] {
    pthread_key_t k{};
    if (pthread_key_create(&k, DeleteConverters) != 0) std::abort();  // only at start-up
    return k;
  }();
  return key;
}

// This thread's converters; std::bad_alloc when they cannot be made.
ThreadConverters& Converters() {
  auto* converters = static_cast<ThreadConverters*>(pthread_getspecific(ConvertersKey()));
  if (converters == nullptr) {
    converters = new ThreadConverters;
    if (pthread_setspecific(ConvertersKey(), converters) != 0) {
      delete converters;
      throw std::bad_alloc();
    }
  }
  return *converters;
}

// SjisToUtf8 copies runs of ASCII at least this long as they are.
constexpr size_t kAsciiRunCopied = 64;
constexpr unsigned char kFirstNonAscii = 0x80;
// Room SjisToUtf8 reserves beyond the text's length: two-byte characters become three bytes,
// and a caller may add a line end.
constexpr size_t kUtf8Spare = 16;

// Length of the UTF-8 sequence starting with lead (1 for a stray byte).
size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

uint32_t DecodeUtf8(std::string_view sequence) {
  static constexpr unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  uint32_t code = static_cast<unsigned char>(sequence[0]) & kLeadMask[sequence.size()];
  for (size_t i = 1; i < sequence.size(); ++i)
    code = (code << 6) | (static_cast<unsigned char>(sequence[i]) & 0x3F);
  return code;
}

bool ConvertUtf8ToSjis(std::string_view utf8, std::string& out) {
  return Converters().toSjis.Convert(utf8, out);
}

}  // namespace

// Code page 932 maps several characters onto one code (U+301C and U+FF5E both become
// 0x8160, U+00A5 becomes a backslash): such a character would come back as another one,
// so a name typed with it would open a different file. Only exact round trips count.
bool Utf8ToSjis(std::string_view utf8, std::string& out) {
  std::string back;
  if (ConvertUtf8ToSjis(utf8, out) && SjisToUtf8(out, back) && back == utf8) return true;
  out.clear();
  return false;
}

std::string FirstCharacterWithoutSjisForm(std::string_view utf8) {
  std::string sjis;
  for (size_t pos = 0; pos < utf8.size();) {
    size_t length =
        std::min(Utf8SequenceLength(static_cast<unsigned char>(utf8[pos])), utf8.size() - pos);
    std::string_view sequence = utf8.substr(pos, length);
    if (!Utf8ToSjis(sequence, sjis)) {
      char name[16];
      std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(DecodeUtf8(sequence)));
      return name;
    }
    pos += length;
  }
  return std::string();
}

// ASCII bytes read the same in both encodings: a long run of them (a million-digit value)
// is handed on as it stands, and only the text between such runs goes through the
// converter. The pieces start and end on character boundaries, so the outcome is the whole
// text's.
bool SjisToUtf8Pieces(std::string_view sjis, const Utf8PieceSink& take) {
  Converter& converter = Converters().toUtf8;
  std::string converted;
  size_t pending = 0;  // start of the bytes not yet taken
  auto convertPending = [&](size_t end) {
    if (end == pending) return true;
    if (!converter.Convert(sjis.substr(pending, end - pending), converted)) return false;
    take(converted, false);
    return true;
  };
  for (size_t i = 0; i < sjis.size();) {
    const auto c = static_cast<unsigned char>(sjis[i]);
    if (c >= kFirstNonAscii) {
      i += IsSjisLeadByte(c) && i + 1 < sjis.size() ? 2 : 1;
      continue;
    }
    size_t end = i + 1;
    while (end < sjis.size() && static_cast<unsigned char>(sjis[end]) < kFirstNonAscii) ++end;
    if (end - i >= kAsciiRunCopied) {
      if (!convertPending(i)) return false;
      take(sjis.substr(i, end - i), true);
      pending = end;
    }
    i = end;
  }
  return convertPending(sjis.size());
}

bool SjisToUtf8(std::string_view sjis, std::string& out) {
  std::string result;
  result.reserve(sjis.size() + kUtf8Spare);
  if (!SjisToUtf8Pieces(sjis, [&](std::string_view piece, bool) { result += piece; })) {
    out.clear();
    return false;
  }
  out = std::move(result);
  return true;
}

std::string SjisLiteral(const char* utf8) {
  std::string out;
  if (!Utf8ToSjis(utf8, out)) {
    std::fprintf(stderr, "Vorpex: message literal without a Shift-JIS form: %s\n", utf8);
    std::abort();
  }
  return out;
}

}  // namespace vpx
