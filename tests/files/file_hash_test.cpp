#include "files/file_hash.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <xxhash.h>

#include "files/file_scan.h"
#include "host/sjis.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

using test::TempDir;

constexpr HashAlgorithm kAll[] = {
    HashAlgorithm::kSha256,   HashAlgorithm::kSha1,     HashAlgorithm::kMd5,
    HashAlgorithm::kSha512,   HashAlgorithm::kSha3_256, HashAlgorithm::kBlake2b512,
    HashAlgorithm::kCrc32c,   HashAlgorithm::kCrc64,    HashAlgorithm::kXxh3_64,
    HashAlgorithm::kXxh3_128,
};

std::string Hex(const unsigned char* bytes, size_t count) {
  std::string text;
  char cell[3];
  for (size_t i = 0; i < count; ++i) {
    std::snprintf(cell, sizeof cell, "%02x", bytes[i]);
    text += cell;
  }
  return text;
}

// Bit-at-a-time reflected CRCs, written from their definitions.
uint64_t ReflectedCrc(const std::string& data, uint64_t polynomial, uint64_t mask) {
  uint64_t crc = mask;
  for (unsigned char byte : data) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ polynomial : crc >> 1;
  }
  return (crc ^ mask) & mask;
}

// The value each algorithm's reference gives for data in one piece.
std::string Reference(HashAlgorithm algorithm, const std::string& data) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  const EVP_MD* md = nullptr;
  switch (algorithm) {
    case HashAlgorithm::kSha256:
      md = EVP_sha256();
      break;
    case HashAlgorithm::kSha1:
      md = EVP_sha1();
      break;
    case HashAlgorithm::kMd5:
      md = EVP_md5();
      break;
    case HashAlgorithm::kSha512:
      md = EVP_sha512();
      break;
    case HashAlgorithm::kSha3_256:
      md = EVP_sha3_256();
      break;
    case HashAlgorithm::kBlake2b512:
      md = EVP_blake2b512();
      break;
    case HashAlgorithm::kCrc32c: {
      char text[9];
      std::snprintf(text, sizeof text, "%08llx",
                    static_cast<unsigned long long>(ReflectedCrc(data, 0x82F63B78u, 0xFFFFFFFFu)));
      return text;
    }
    case HashAlgorithm::kCrc64: {
      char text[17];
      std::snprintf(
          text, sizeof text, "%016llx",
          static_cast<unsigned long long>(ReflectedCrc(data, 0xC96C5795D7870F42ull, ~0ull)));
      return text;
    }
    case HashAlgorithm::kXxh3_64: {
      XXH64_canonical_t canonical;
      XXH64_canonicalFromHash(&canonical, XXH3_64bits(data.data(), data.size()));
      return Hex(canonical.digest, sizeof canonical.digest);
    }
    case HashAlgorithm::kXxh3_128: {
      XXH128_canonical_t canonical;
      XXH128_canonicalFromHash(&canonical, XXH3_128bits(data.data(), data.size()));
      return Hex(canonical.digest, sizeof canonical.digest);
    }
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned length = 0;
  EVP_Digest(bytes, data.size(), digest, &length, md, nullptr);
  return Hex(digest, length);
}

class FileHashTest : public ::testing::Test {
 protected:
  std::string HashOf(const std::string& data, HashAlgorithm algorithm) {
    test::WriteBytes(dir.File("f"), data);
    FileResult<std::string> hash = ComputeFileHash(dir.File("f"), algorithm);
    return hash ? hash.value() : hash.error().text;
  }
  TempDir dir;
};

TEST_F(FileHashTest, EveryAlgorithmMatchesItsReferenceOnEmptyOneByteEdgeAndMultiPieceFiles) {
  const size_t piece = kScanPiece;
  for (size_t size : {size_t{0}, size_t{1}, size_t{63}, size_t{64}, size_t{65}, piece - 1, piece,
                      piece + 1, 3 * piece + 17}) {
    const std::string data = test::Pattern(size, static_cast<unsigned>(size));
    for (HashAlgorithm algorithm : kAll) {
      SCOPED_TRACE(std::string(HashAlgorithmName(algorithm)) + " of " + std::to_string(size));
      EXPECT_EQ(HashOf(data, algorithm), Reference(algorithm, data));
    }
  }
}

TEST_F(FileHashTest, GivesThePublishedTestVectors) {
  EXPECT_EQ(HashOf("abc", HashAlgorithm::kSha256),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");  // FIPS 180
  EXPECT_EQ(HashOf("abc", HashAlgorithm::kSha1), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(HashOf("", HashAlgorithm::kMd5), "d41d8cd98f00b204e9800998ecf8427e");  // RFC 1321
  EXPECT_EQ(HashOf("abc", HashAlgorithm::kMd5), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(HashOf("message digest", HashAlgorithm::kMd5), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(HashOf("abc", HashAlgorithm::kSha3_256),
            "3a985da74fe225b2045c172d6bd390bd855f086e3e9d525b46bfe24511431532");
  EXPECT_EQ(HashOf("123456789", HashAlgorithm::kCrc32c), "e3069283");
  EXPECT_EQ(HashOf("123456789", HashAlgorithm::kCrc64), "995dc9bbdf1939fa");
  EXPECT_EQ(HashOf("", HashAlgorithm::kXxh3_64), "2d06800538d394c2");
}

TEST(HashAlgorithmNames, AreFoundWhateverTheCaseAndDashesAndUnknownOnesListTheKnown) {
  EXPECT_EQ(FindHashAlgorithm("sha256"), HashAlgorithm::kSha256);
  EXPECT_EQ(FindHashAlgorithm("SHA-256"), HashAlgorithm::kSha256);
  EXPECT_EQ(FindHashAlgorithm("Sha3-256"), HashAlgorithm::kSha3_256);
  EXPECT_EQ(FindHashAlgorithm("blake2b"), HashAlgorithm::kBlake2b512);
  EXPECT_EQ(FindHashAlgorithm("CRC-32C"), HashAlgorithm::kCrc32c);
  EXPECT_EQ(FindHashAlgorithm("xxh3"), HashAlgorithm::kXxh3_64);
  EXPECT_EQ(FindHashAlgorithm("XXH3-128"), HashAlgorithm::kXxh3_128);
  EXPECT_FALSE(FindHashAlgorithm("sha257").has_value());
  EXPECT_FALSE(FindHashAlgorithm("").has_value());
  const std::string text = UnknownHashAlgorithmText("sha257");
  EXPECT_EQ(text.rfind(SJ("※　未知のハッシュ方式です。[ sha257 ]"), 0), 0u) << text;
  for (HashAlgorithm algorithm : kAll)
    EXPECT_NE(text.find(HashAlgorithmName(algorithm)), std::string::npos);
}

TEST_F(FileHashTest, CheckAcceptsEitherCaseAndBlanksAndNamesBothValuesOnAMismatch) {
  test::WriteBytes(dir.File("f"), "123456789");
  FileResult<HashCheck> equal =
      CheckFileHash(dir.File("f"), HashAlgorithm::kCrc32c, " 0xE306 9283 ");
  ASSERT_TRUE(equal.ok()) << equal.error().text;
  EXPECT_TRUE(equal.value().equal);
  EXPECT_EQ(equal.value().computed, "e3069283");
  FileResult<HashCheck> differ = CheckFileHash(dir.File("f"), HashAlgorithm::kCrc32c, "e3069284");
  ASSERT_TRUE(differ.ok());
  EXPECT_FALSE(differ.value().equal);
  EXPECT_EQ(HashMismatchText(HashAlgorithm::kCrc32c, differ.value()),
            SJ("※　CRC-32C不一致。NewHash[e3069283] / CheckHash[e3069284]"));
  FileResult<HashCheck> bad = CheckFileHash(dir.File("f"), HashAlgorithm::kCrc32c, "e30692zz");
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.error().text, SJ("※　入力ハッシュデータが無効です。[ e30692zz ]"));
  EXPECT_FALSE(CheckFileHash(dir.File("f"), HashAlgorithm::kCrc32c, " ").ok());
}

TEST_F(FileHashTest, RefusesMissingFilesFoldersAndPipesWithoutAValue) {
  EXPECT_EQ(HashOf("x", HashAlgorithm::kSha256).size(), 64u);
  FileResult<std::string> missing = ComputeFileHash(dir.File("none"), HashAlgorithm::kSha256);
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().text, SJ("※　ファイルが存在しません。"));
  ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
  FileResult<std::string> pipe = ComputeFileHash(dir.File("pipe"), HashAlgorithm::kSha256);
  ASSERT_FALSE(pipe.ok());
  EXPECT_NE(pipe.error().text.find(SJ("名前付きパイプ")), std::string::npos);
  FileResult<std::string> folder = ComputeFileHash(dir.Path(), HashAlgorithm::kMd5);
  ASSERT_FALSE(folder.ok());
  EXPECT_EQ(folder.error().text.rfind(SJ("※　"), 0), 0u);
}

TEST_F(FileHashTest, StopsWhenCancelled) {
  test::WriteBytes(dir.File("f"), test::Pattern(kScanPiece * 2));
  CancelFlag flag{1};
  FileResult<std::string> hash = ComputeFileHash(dir.File("f"), HashAlgorithm::kSha256, &flag);
  ASSERT_FALSE(hash.ok());
  EXPECT_EQ(hash.error().kind, FileFailure::kCancelled);
}

}  // namespace
}  // namespace vpx
