#include "files/file_hash.h"

#include <isa-l.h>
#include <openssl/evp.h>
#include <xxhash.h>

#include <cctype>
#include <iterator>

#include "files/file_scan.h"
#include "files/xxh3_avx2.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

struct AlgorithmRow {
  HashAlgorithm algorithm;
  const char* shownName;
  const char* keys[3];  // the names accepted, in the folded form of FoldName
};

constexpr AlgorithmRow kAlgorithms[] = {
    {HashAlgorithm::kSha256, "SHA-256", {"sha256", nullptr, nullptr}},
    {HashAlgorithm::kSha1, "SHA-1", {"sha1", nullptr, nullptr}},
    {HashAlgorithm::kMd5, "MD5", {"md5", nullptr, nullptr}},
    {HashAlgorithm::kSha512, "SHA-512", {"sha512", nullptr, nullptr}},
    {HashAlgorithm::kSha3_256, "SHA3-256", {"sha3256", nullptr, nullptr}},
    {HashAlgorithm::kBlake2b512, "BLAKE2b-512", {"blake2b512", "blake2b", nullptr}},
    {HashAlgorithm::kCrc32c, "CRC-32C", {"crc32c", nullptr, nullptr}},
    {HashAlgorithm::kCrc64, "CRC-64", {"crc64", nullptr, nullptr}},
    {HashAlgorithm::kXxh3_64, "XXH3-64", {"xxh364", "xxh3", nullptr}},
    {HashAlgorithm::kXxh3_128, "XXH3-128", {"xxh3128", "xxh128", nullptr}},
};

// Lower case without "-", "_" and blanks.
std::string FoldName(const std::string& name) {
  std::string folded;
  for (char c : name) {
    if (c == '-' || c == '_' || c == ' ') continue;
    folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return folded;
}

std::string ToHex(const uint8_t* bytes, size_t count) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex(count * 2, '0');
  for (size_t i = 0; i < count; ++i) {
    hex[2 * i] = kDigits[bytes[i] >> 4];
    hex[2 * i + 1] = kDigits[bytes[i] & 15];
  }
  return hex;
}

class EvpHash : public HashState {
 public:
  explicit EvpHash(const EVP_MD* md) : context_(EVP_MD_CTX_new()) {
    ok_ = context_ != nullptr && EVP_DigestInit_ex(context_, md, nullptr) == 1;
  }
  ~EvpHash() override { EVP_MD_CTX_free(context_); }
  EvpHash(const EvpHash&) = delete;
  EvpHash& operator=(const EvpHash&) = delete;
  bool Ok() const { return ok_; }
  void Update(const uint8_t* bytes, size_t count) override {
    EVP_DigestUpdate(context_, bytes, count);
  }
  std::string FinishHex() override {
    uint8_t digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    EVP_DigestFinal_ex(context_, digest, &length);
    return ToHex(digest, length);
  }

 private:
  EVP_MD_CTX* context_;
  bool ok_ = false;
};

// CRC-32C (Castagnoli, as iSCSI): register starts all ones, the value is its complement.
class Crc32cHash : public HashState {
 public:
  void Update(const uint8_t* bytes, size_t count) override {
    crc_ = crc32_iscsi(const_cast<uint8_t*>(bytes), static_cast<int>(count), crc_);
  }
  std::string FinishHex() override { return Format("%08x", ~crc_); }

 private:
  uint32_t crc_ = 0xFFFFFFFFu;
};

// CRC-64 of ECMA-182, reflected (the one of xz); ISA-L inverts on entry and exit.
class Crc64Hash : public HashState {
 public:
  void Update(const uint8_t* bytes, size_t count) override {
    crc_ = crc64_ecma_refl(crc_, bytes, count);
  }
  std::string FinishHex() override {
    return Format("%016llx", static_cast<unsigned long long>(crc_));
  }

 private:
  uint64_t crc_ = 0;
};

// XXH3 in its streaming form; the text is the canonical (big-endian) form xxhsum prints.
class Xxh3Hash : public HashState {
 public:
  explicit Xxh3Hash(bool wide) : wide_(wide), state_(XXH3_createState()) {
    if (state_ != nullptr) wide_ ? XXH3_128bits_reset(state_) : XXH3_64bits_reset(state_);
  }
  ~Xxh3Hash() override { XXH3_freeState(state_); }
  Xxh3Hash(const Xxh3Hash&) = delete;
  Xxh3Hash& operator=(const Xxh3Hash&) = delete;
  bool Ok() const { return state_ != nullptr; }
  void Update(const uint8_t* bytes, size_t count) override {
    wide_ ? XXH3_128bits_update(state_, bytes, count) : XXH3_64bits_update(state_, bytes, count);
  }
  std::string FinishHex() override {
    if (wide_) {
      XXH128_canonical_t canonical;
      XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(state_));
      return ToHex(canonical.digest, sizeof canonical.digest);
    }
    XXH64_canonical_t canonical;
    XXH64_canonicalFromHash(&canonical, XXH3_64bits_digest(state_));
    return ToHex(canonical.digest, sizeof canonical.digest);
  }

 private:
  bool wide_;
  XXH3_state_t* state_;
};

// The same XXH3 from the AVX2 build of the header.
class Xxh3Avx2Hash : public HashState {
 public:
  explicit Xxh3Avx2Hash(bool wide) : state_(NewXxh3Avx2State(wide)) {}
  ~Xxh3Avx2Hash() override { FreeXxh3Avx2State(state_); }
  Xxh3Avx2Hash(const Xxh3Avx2Hash&) = delete;
  Xxh3Avx2Hash& operator=(const Xxh3Avx2Hash&) = delete;
  bool Ok() const { return state_ != nullptr; }
  void Update(const uint8_t* bytes, size_t count) override { UpdateXxh3Avx2(state_, bytes, count); }
  std::string FinishHex() override {
    uint8_t digest[16];
    return ToHex(digest, DigestXxh3Avx2(state_, digest));
  }

 private:
  Xxh3Avx2State* state_;
};

template <class State>
std::unique_ptr<HashState> Checked(std::unique_ptr<State> state) {
  if (!state->Ok()) return nullptr;
  return state;
}

const EVP_MD* EvpDigest(HashAlgorithm algorithm) {
  switch (algorithm) {
    case HashAlgorithm::kSha256:
      return EVP_sha256();
    case HashAlgorithm::kSha1:
      return EVP_sha1();
    case HashAlgorithm::kMd5:
      return EVP_md5();
    case HashAlgorithm::kSha512:
      return EVP_sha512();
    case HashAlgorithm::kSha3_256:
      return EVP_sha3_256();
    case HashAlgorithm::kBlake2b512:
      return EVP_blake2b512();
    default:
      return nullptr;
  }
}

// The expected value as lower-case digits: blanks dropped, a leading 0x taken off; empty
// when another character is in it.
std::string NormalizeExpected(const std::string& text) {
  std::string digits;
  for (char c : text)
    if (!std::isspace(static_cast<unsigned char>(c))) digits += c;
  if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
    digits.erase(0, 2);
  for (char& c : digits) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::string();
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return digits;
}

}  // namespace

std::optional<HashAlgorithm> FindHashAlgorithm(const std::string& name) {
  const std::string folded = FoldName(name);
  for (const AlgorithmRow& row : kAlgorithms)
    for (const char* key : row.keys)
      if (key != nullptr && folded == key) return row.algorithm;
  return std::nullopt;
}

const char* HashAlgorithmName(HashAlgorithm algorithm) {
  for (const AlgorithmRow& row : kAlgorithms)
    if (row.algorithm == algorithm) return row.shownName;
  return "";
}

std::string KnownHashAlgorithmsText() {
  std::string text;
  for (const AlgorithmRow& row : kAlgorithms) {
    if (!text.empty()) text += ", ";
    text += row.shownName;
  }
  return text;
}

std::string UnknownHashAlgorithmText(const std::string& name) {
  return Format(SJ("※　未知のハッシュ方式です。[ %s ]　使える方式: %s").c_str(), name.c_str(),
                KnownHashAlgorithmsText().c_str());
}

std::unique_ptr<HashState> NewHashState(HashAlgorithm algorithm) {
  switch (algorithm) {
    case HashAlgorithm::kCrc32c:
      return std::make_unique<Crc32cHash>();
    case HashAlgorithm::kCrc64:
      return std::make_unique<Crc64Hash>();
    case HashAlgorithm::kXxh3_64:
    case HashAlgorithm::kXxh3_128: {
      const bool wide = algorithm == HashAlgorithm::kXxh3_128;
      if (HasXxh3Avx2()) return Checked(std::make_unique<Xxh3Avx2Hash>(wide));
      return Checked(std::make_unique<Xxh3Hash>(wide));
    }
    default:
      return Checked(std::make_unique<EvpHash>(EvpDigest(algorithm)));
  }
}

std::string HashBytesHex(HashAlgorithm algorithm, const uint8_t* bytes, size_t count) {
  std::unique_ptr<HashState> state = NewHashState(algorithm);
  if (!state) return std::string();
  state->Update(bytes, count);
  return state->FinishHex();
}

FileResult<std::string> ComputeFileHash(const std::string& file, HashAlgorithm algorithm,
                                        CancelToken cancel, JobProgress* progress) {
  FileResult<ScanFile> opened = OpenScanFile(file);
  if (!opened) return opened.error();
  std::unique_ptr<HashState> state = NewHashState(algorithm);
  if (!state)
    return FileResult<std::string>::Fail(
        FileFailure::kOutOfMemory,
        Format(SJ("※　ハッシュの準備に失敗。[ %s ]").c_str(), HashAlgorithmName(algorithm)));
  if (progress != nullptr) progress->Start(opened.value().size);
  ScanOptions options;
  options.cancel = cancel;
  options.progress = progress;
  FileResult<int64_t> read =
      ScanFileRange(opened.value(), options, [&](const uint8_t* bytes, size_t count, int64_t) {
        state->Update(bytes, count);
        return true;
      });
  if (!read) return read.error();
  return state->FinishHex();
}

FileResult<HashCheck> CheckFileHash(const std::string& file, HashAlgorithm algorithm,
                                    const std::string& expectedText, CancelToken cancel,
                                    JobProgress* progress) {
  HashCheck check;
  check.expected = NormalizeExpected(expectedText);
  if (check.expected.empty())
    return FileResult<HashCheck>::Fail(
        FileFailure::kInvalid,
        Format(SJ("※　入力ハッシュデータが無効です。[ %s ]").c_str(), expectedText.c_str()));
  FileResult<std::string> hash = ComputeFileHash(file, algorithm, cancel, progress);
  if (!hash) return hash.error();
  check.computed = hash.value();
  check.equal = check.computed == check.expected;
  return check;
}

std::string HashMismatchText(HashAlgorithm algorithm, const HashCheck& check) {
  return Format(SJ("※　%s不一致。NewHash[%s] / CheckHash[%s]").c_str(),
                HashAlgorithmName(algorithm), check.computed.c_str(), check.expected.c_str());
}

}  // namespace vpx
