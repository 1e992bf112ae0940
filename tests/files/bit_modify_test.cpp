#include "files/bit_modify.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "host/sjis.h"
#include "host/text_format.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

using test::TempDir;

TEST(BitOperation, NamesIgnoreCaseAndUnknownNamesAreForce) {
  EXPECT_EQ(BitOperation("RESET"), kOpReset);
  EXPECT_EQ(BitOperation("exnor"), kOpExnor);
  EXPECT_EQ(BitOperation("Nand"), kOpNand);
  EXPECT_EQ(BitOperation("force"), kOpForce);
  EXPECT_EQ(BitOperation("XOR"), kOpForce);
  EXPECT_EQ(BitOperation(""), kOpForce);
}

TEST(BitOperation, ByteOperationsFollowTheTable) {
  const uint8_t x = 0x55, y = 0x0F;
  EXPECT_EQ(ApplyByteOperation(x, y, kOpReset), 0x00);
  EXPECT_EQ(ApplyByteOperation(x, y, kOpSet), 0xFF);
  EXPECT_EQ(ApplyByteOperation(x, y, kOpNot), 0xAA);
  EXPECT_EQ(ApplyByteOperation(x, y, kOpOr), 0x5F);
  EXPECT_EQ(ApplyByteOperation(x, y, kOpAnd), 0x05);
  EXPECT_EQ(ApplyByteOperation(x, y, kOpExor), 0x5A);
  EXPECT_EQ(ApplyByteOperation(x, y, kOpNor), 0xA0);
  EXPECT_EQ(ApplyByteOperation(x, y, kOpNand), 0xFA);
  EXPECT_EQ(ApplyByteOperation(x, y, kOpExnor), 0xA5);
  EXPECT_EQ(ApplyByteOperation(x, y, kOpForce), 0x0F);
  EXPECT_EQ(ApplyByteOperation(x, y, kOpOr + 10), 0x5F);  // index taken modulo 10
}

TEST(BitOperation, BitOperationsChangeOnlyTheAddressedBit) {
  // Truth table over (stored bit, value bit) for bit 3 of a byte whose other bits are 1.
  struct Row {
    int op;
    int results[4];  // b,v = 00, 01, 10, 11
  };
  const Row rows[] = {{kOpReset, {0, 0, 0, 0}}, {kOpSet, {1, 1, 1, 1}},  {kOpNot, {1, 1, 0, 0}},
                      {kOpOr, {0, 1, 1, 1}},    {kOpAnd, {0, 0, 0, 1}},  {kOpExor, {0, 1, 1, 0}},
                      {kOpNor, {1, 0, 0, 0}},   {kOpNand, {1, 1, 1, 0}}, {kOpExnor, {1, 0, 0, 1}},
                      {kOpForce, {0, 1, 0, 1}}};
  for (const Row& row : rows) {
    for (int b = 0; b < 2; ++b) {
      for (int v = 0; v < 2; ++v) {
        uint8_t stored = b != 0 ? 0xFF : 0xF7;
        uint8_t value = v != 0 ? 2 : 0;  // any nonzero value counts as 1
        uint8_t out = ApplyBitOperation(stored, 3, value, row.op);
        EXPECT_EQ((out >> 3) & 1, row.results[b * 2 + v]) << "op " << row.op << " b" << b << v;
        EXPECT_EQ(out | 0x08, 0xFF) << "other bits changed, op " << row.op;
      }
    }
  }
}

class ModifyFileTest : public ::testing::Test {
 protected:
  void SetUp() override { test::WriteBytes(file, std::string("\x00\xFF\x55", 3)); }
  std::string Bytes() { return test::ReadBytes(file); }

  TempDir dir;
  std::string file = dir.File("f");
  std::string message;
};

TEST_F(ModifyFileTest, SetsTheLowestBitOfTheFirstByte) {
  ASSERT_EQ(test::Said(ModifyFileBitAt(file, 0, 0, 1, kOpSet, true, 0), &message), 1);
  EXPECT_EQ(message, SJ("【成功】OrgData[00] -> NewData[01]"));
  EXPECT_EQ(Bytes()[0], '\x01');
}

TEST_F(ModifyFileTest, ForcesBitFifteenToZero) {
  ASSERT_EQ(test::Said(ModifyFileBitAt(file, 15 >> 3, 15 & 7, 0, BitOperation("force"), true, 15),
                       &message),
            1);
  EXPECT_EQ(Bytes()[1], '\x7F');
}

TEST_F(ModifyFileTest, ModifiesWholeBytes) {
  ASSERT_EQ(test::Said(ModifyFileByteAt(file, 2, 0x0F, kOpExnor), &message), 1);
  EXPECT_EQ(message, SJ("【成功】OrgData[55] -> NewData[A5]"));
  EXPECT_EQ(Bytes()[2], '\xA5');
  ASSERT_EQ(test::Said(ModifyFileByteAt(file, 2, 2, BitOperation("unknown")), &message), 1);
  EXPECT_EQ(Bytes()[2], '\x02');
}

TEST_F(ModifyFileTest, RefusesAddressesOutsideTheFileAndLeavesIt) {
  EXPECT_EQ(test::Said(ModifyFileBitAt(file, 3, 0, 1, kOpSet, true, 24), &message), 0);
  EXPECT_EQ(message, SJ("※　ファイルサイズが足りません。ModifyByteADRS[ 3 ] / FileSize[ 3 ]"));
  EXPECT_EQ(test::Said(ModifyFileBitAt(file, -1, 7, 1, kOpSet, true, -1), &message), 0);
  EXPECT_EQ(message, SJ("※　指定ビットアドレスが無効です。[ -1 ]"));
  EXPECT_EQ(test::Said(ModifyFileBitAt(file, -2, 1, 1, kOpSet, false, 0), &message), 0);
  EXPECT_EQ(message, SJ("※　指定位置情報が無効です。ByteIndex[ -2 ], BitPos[ 1 ]"));
  EXPECT_EQ(test::Said(ModifyFileByteAt(dir.File("none"), 0, 1, kOpSet), &message), 0);
  EXPECT_EQ(message,
            Format(SJ("※　指定ファイルは存在しません。[ %s ]").c_str(), dir.File("none").c_str()));
  EXPECT_EQ(test::Said(ModifyFileByteAt("", 0, 1, kOpSet), &message), 0);
  EXPECT_EQ(message, SJ("※　ファイル名がありません。"));
  EXPECT_EQ(Bytes(), std::string("\x00\xFF\x55", 3));
  test::WriteBytes(dir.File("empty"), "");
  EXPECT_EQ(test::Said(ModifyFileByteAt(dir.File("empty"), 0, 1, kOpSet), &message), 0);
}

TEST(ModifyFile, ReachesBytesBeyondFourGiB) {
  TempDir dir;
  std::string file = dir.File("sparse");
  test::WriteBytes(file, "");
  const int64_t offset = (4ll << 30) + 3;
  ASSERT_EQ(truncate(file.c_str(), offset + 1), 0);
  std::string message;
  ASSERT_EQ(test::Said(ModifyFileBitAt(file, offset, 7, 1, kOpSet, true, offset * 8 + 7), &message),
            1);
  EXPECT_EQ(message, SJ("【成功】OrgData[00] -> NewData[80]"));
  EXPECT_EQ(test::Said(ModifyFileByteAt(file, offset + 1, 1, kOpSet), &message), 0);
}

}  // namespace
}  // namespace vpx
