#include "files/checksums.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "host/sjis.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

using test::TempDir;

// zlib's checksums as the reference, loaded at run time.
struct Zlib {
  using Fn = unsigned long (*)(unsigned long, const unsigned char*, size_t);
  Zlib() {
    handle = dlopen("libz.so.1", RTLD_NOW);
    if (handle != nullptr) {
      crc32 = reinterpret_cast<Fn>(dlsym(handle, "crc32_z"));
      adler32 = reinterpret_cast<Fn>(dlsym(handle, "adler32_z"));
    }
  }
  ~Zlib() {
    if (handle != nullptr) dlclose(handle);
  }
  void* handle = nullptr;
  Fn crc32 = nullptr;
  Fn adler32 = nullptr;
};

class ChecksumTest : public ::testing::Test {
 protected:
  uint32_t Crc(const std::string& file) {
    return test::ValueOr(ComputeFileCRC32(file, kChecksumBuffer), 0u, &failure);
  }
  uint32_t Adler(const std::string& file) {
    return test::ValueOr(ComputeFileAdler32(file, kChecksumBuffer), 1u, &failure);
  }
  TempDir dir;
  std::string failure = "not set";
};

TEST_F(ChecksumTest, GivesTheStandardCheckValues) {
  test::WriteBytes(dir.File("f"), "123456789");
  EXPECT_EQ(Crc(dir.File("f")), 0xCBF43926u);
  EXPECT_TRUE(failure.empty());
  EXPECT_EQ(Adler(dir.File("f")), 0x091E01DEu);
  EXPECT_TRUE(failure.empty());
}

TEST_F(ChecksumTest, EmptyFilesGiveTheInitialValues) {
  test::WriteBytes(dir.File("e"), "");
  EXPECT_EQ(Crc(dir.File("e")), 0u);
  EXPECT_TRUE(failure.empty());
  EXPECT_EQ(Adler(dir.File("e")), 1u);
  EXPECT_TRUE(failure.empty());
}

TEST_F(ChecksumTest, MissingFilesFailWithText) {
  EXPECT_EQ(Crc(dir.File("missing")), 0u);
  EXPECT_EQ(failure, SJ("※　ファイルが存在しません。"));
  EXPECT_EQ(Adler(""), 1u);
  EXPECT_EQ(failure, SJ("※　ファイル名がありません。"));
}

TEST_F(ChecksumTest, FilesLargerThanTheBufferMatchZlib) {
  Zlib zlib;
  if (zlib.crc32 == nullptr || zlib.adler32 == nullptr) GTEST_SKIP() << "zlib not loadable";
  std::string data = test::Pattern((16u << 20) + 12345);
  test::WriteBytes(dir.File("big"), data);
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  EXPECT_EQ(Crc(dir.File("big")), static_cast<uint32_t>(zlib.crc32(0, bytes, data.size())));
  EXPECT_EQ(Adler(dir.File("big")), static_cast<uint32_t>(zlib.adler32(1, bytes, data.size())));
  // A small buffer carries the state across many pieces.
  EXPECT_EQ(test::ValueOr(ComputeFileCRC32(dir.File("big"), 1000), 0u, &failure),
            static_cast<uint32_t>(zlib.crc32(0, bytes, data.size())));
}

TEST_F(ChecksumTest, ACancelledChecksumFails) {
  test::WriteBytes(dir.File("f"), "123456789");
  CancelFlag cancel{1};
  EXPECT_EQ(test::ValueOr(ComputeFileCRC32(dir.File("f"), kChecksumBuffer, &cancel), 0u, &failure),
            0u);
  EXPECT_EQ(failure, SJ("※　中断しました。"));
}

TEST_F(ChecksumTest, ComparisonReportsBothValuesOnMismatch) {
  test::WriteBytes(dir.File("f"), "123456789");
  std::string message;
  EXPECT_EQ(
      test::Said(CompareFileChecksum(ChecksumKind::kCrc32, dir.File("f"), 0xCBF43926u), &message),
      1);
  EXPECT_EQ(test::Said(CompareFileChecksum(ChecksumKind::kAdler32, dir.File("f"), 0x12u), &message),
            0);
  EXPECT_EQ(message, SJ("※　ADLER32不一致。NewADLER[091E01DE] / CheckADLER[00000012]"));
  EXPECT_EQ(test::Said(CompareFileChecksum(ChecksumKind::kCrc32, "", 0), &message), 0);
  EXPECT_EQ(message, SJ("※　ファイル名が無効です。"));
}

// RFC 1950 byte by byte.
uint32_t ReferenceAdler32(uint32_t adler, const std::string& bytes) {
  uint32_t a = adler & 0xFFFF, b = adler >> 16;
  for (unsigned char c : bytes) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

TEST(UpdateAdler32, MatchesTheByteWiseDefinitionAtEveryLengthAndSplit) {
  std::string data = test::Pattern(3 * 5552 + 77, 7);
  data.replace(100, 6000, 6000, '\xFF');  // long runs of the largest byte stress the sums
  for (size_t length : {0ul, 1ul, 31ul, 32ul, 33ul, 5535ul, 5536ul, 5552ul, 5553ul, data.size()}) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    EXPECT_EQ(UpdateAdler32(1, bytes, length), ReferenceAdler32(1, data.substr(0, length)))
        << length;
    uint32_t split =
        UpdateAdler32(UpdateAdler32(1, bytes, length / 3), bytes + length / 3, length - length / 3);
    EXPECT_EQ(split, ReferenceAdler32(1, data.substr(0, length))) << "split " << length;
  }
}

TEST(ParseHexChecksum, ReadsLikeAnUnsignedHexNumber) {
  EXPECT_EQ(ParseHexChecksum("cbf43926"), 0xCBF43926u);
  EXPECT_EQ(ParseHexChecksum("  0xCBF43926"), 0xCBF43926u);
  EXPECT_EQ(ParseHexChecksum("1Fz9"), 0x1Fu);
  EXPECT_EQ(ParseHexChecksum("zz"), 0u);
  EXPECT_EQ(ParseHexChecksum("123456789"), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace vpx
