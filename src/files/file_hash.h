// File hashes by name: the cryptographic digests of OpenSSL's libcrypto (SHA-256, SHA-1,
// MD5, SHA-512, SHA3-256, BLAKE2b-512), ISA-L's CRC-32C and CRC-64 and libxxhash's XXH3,
// over a whole file read in pieces, as lower-case hexadecimal text the way sha256sum
// prints it; and the comparison with a value the user types.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "files/file_result.h"
#include "host/cancel_token.h"
#include "host/job_progress.h"

namespace vpx {

enum class HashAlgorithm {
  kSha256,
  kSha1,
  kMd5,
  kSha512,
  kSha3_256,
  kBlake2b512,
  kCrc32c,
  kCrc64,
  kXxh3_64,
  kXxh3_128,
};

// The algorithm a name stands for: letter case, "-", "_" and blanks do not matter
// ("sha256", "SHA-256", "Sha_256"); BLAKE2b is also "blake2b", XXH3-64 also "xxh3" and
// XXH3-128 also "xxh128". nullopt for an unknown name.
std::optional<HashAlgorithm> FindHashAlgorithm(const std::string& name);
// The algorithm's name as the messages show it ("SHA-256").
const char* HashAlgorithmName(HashAlgorithm algorithm);
// "SHA-256, SHA-1, ..." in the order above.
std::string KnownHashAlgorithmsText();
// "※　未知のハッシュ方式です。[ name ]　使える方式: SHA-256, ..."
std::string UnknownHashAlgorithmText(const std::string& name);

// A hash under way: fed piece by piece, then finished once into lower-case hexadecimal.
class HashState {
 public:
  virtual ~HashState() = default;
  virtual void Update(const uint8_t* bytes, size_t count) = 0;
  virtual std::string FinishHex() = 0;
};
// A new state for algorithm; nullptr when the library cannot give one (memory).
std::unique_ptr<HashState> NewHashState(HashAlgorithm algorithm);
// The hash of bytes held in memory.
std::string HashBytesHex(HashAlgorithm algorithm, const uint8_t* bytes, size_t count);

// The hash of a whole file. progress, when given, is started with the file's size.
FileResult<std::string> ComputeFileHash(const std::string& file, HashAlgorithm algorithm,
                                        CancelToken cancel = {}, JobProgress* progress = nullptr);

// The outcome of comparing a file's hash with a typed value.
struct HashCheck {
  bool equal = false;
  std::string computed;  // lower-case hexadecimal
  std::string expected;  // the typed value as lower-case digits
};

// Compares the file's hash with expectedText (hexadecimal digits, either case; blanks and a
// leading 0x allowed). Fails for what is wrong with the file, or for an expected text that
// is empty or holds another character ("※　入力ハッシュデータが無効です。[ text ]").
FileResult<HashCheck> CheckFileHash(const std::string& file, HashAlgorithm algorithm,
                                    const std::string& expectedText, CancelToken cancel = {},
                                    JobProgress* progress = nullptr);
// "※　SHA-256不一致。NewHash[...] / CheckHash[...]"
std::string HashMismatchText(HashAlgorithm algorithm, const HashCheck& check);

}  // namespace vpx
