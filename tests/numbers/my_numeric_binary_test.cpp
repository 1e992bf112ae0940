// The byte form, the hexadecimal and binary texts, and the two fixed tables.
#include <gmp.h>

#include <cstring>
#include <random>
#include <vector>

#include "numbers/numeric_tables.h"
#include "numeric_test_support.h"

namespace vpx::test {
namespace {

using MyNumericBinaryTest = NumericTest;

std::vector<uint8_t> Bytes(const std::string& text, int64_t length = 16) {
  std::vector<uint8_t> out(static_cast<size_t>(length), 0xCC);
  int64_t n = Num(text).GetDataAsBinary(out.data(), length);
  out.resize(static_cast<size_t>(n));
  return out;
}

TEST_F(MyNumericBinaryTest, TablesFollowTheirRules) {
  EXPECT_EQ(std::string(PowerOfTwoTable(0)), std::string(309, '0'));
  EXPECT_EQ(std::string(PowerOfTwoTable(1)), std::string(308, '0') + "1");
  EXPECT_EQ(std::string(PowerOfTwoTable(11)).substr(305), "1024");
  mpz_t p;
  mpz_init(p);
  mpz_ui_pow_ui(p, 2, 1024);
  char* digits = mpz_get_str(nullptr, 10, p);
  EXPECT_EQ(std::string(PowerOfTwoTable(1025)), digits);
  test::FreeGmpString(digits);
  mpz_clear(p);
  EXPECT_EQ(PowerOfTwoTable(1025)[309], '\0');
  EXPECT_EQ(DigitCountTable(0), 1);
  EXPECT_EQ(DigitCountTable(2), 1);
  EXPECT_EQ(DigitCountTable(3), 2);
  EXPECT_EQ(DigitCountTable(9), 4);  // 2047
  EXPECT_EQ(DigitCountTable(1023), 309);
  EXPECT_EQ(DigitCountForBytes(0), 3u);
  EXPECT_EQ(DigitCountForBytes(2), 5u);
  EXPECT_EQ(BytesForDigitCount(3), 2u);
}

TEST_F(MyNumericBinaryTest, LittleEndianTwosComplementBytes) {
  EXPECT_EQ(Bytes("-5"), (std::vector<uint8_t>{0xFB}));
  EXPECT_EQ(Bytes("300"), (std::vector<uint8_t>{0x2C, 0x01}));
  EXPECT_EQ(Bytes("-128"), (std::vector<uint8_t>{0x80}));
  EXPECT_EQ(Bytes("-129"), (std::vector<uint8_t>{0x7F}));
  EXPECT_EQ(Bytes("65535.99"), (std::vector<uint8_t>{0xFF, 0xFF}));
  std::vector<uint8_t> out(4, 0xCC);
  EXPECT_EQ(Num("0").GetDataAsBinary(out.data(), 4), 1);
  EXPECT_EQ(out, (std::vector<uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(Num("7").GetDataAsBinary(out.data(), 4), 1);
  EXPECT_EQ(out, (std::vector<uint8_t>{7, 0, 0, 0}));
  EXPECT_EQ(Num("65536").GetDataAsBinary(out.data(), 3), 0) << "needs CountBinaryBytes + 1";
  EXPECT_EQ(Num("1").GetDataAsBinary(nullptr, 3), 0);
}

TEST_F(MyNumericBinaryTest, SetByBinaryTablePathAndLongPath) {
  MyNumeric n;
  const uint8_t ffff[] = {0xFF, 0xFF};
  EXPECT_EQ(n.SetByBinary(2, ffff, 1), NumStatus::kOk);
  EXPECT_EQ(n.ToString(), "65535");
  const uint8_t be[] = {0x01, 0x00};
  EXPECT_EQ(n.SetByBinary(2, be, 0), NumStatus::kOk);
  EXPECT_EQ(n.ToString(), "256");
  std::vector<uint8_t> all(129, 0xFF);
  EXPECT_EQ(n.SetByBinary(129, all.data(), 1), NumStatus::kOk);
  mpz_t v;
  mpz_init(v);
  mpz_ui_pow_ui(v, 2, 1032);
  mpz_sub_ui(v, v, 1);
  char* digits = mpz_get_str(nullptr, 10, v);
  EXPECT_EQ(n.ToString(), digits);
  test::FreeGmpString(digits);
  mpz_clear(v);
  EXPECT_LAYOUT_OK(n);
  const uint8_t zeros[3] = {0, 0, 0};
  EXPECT_EQ(n.SetByBinary(3, zeros, 1), NumStatus::kOk);
  EXPECT_TRUE(n.IsZero());
  EXPECT_EQ(n.SetByBinary(5'000'001, zeros, 1), NumStatus::kTooLarge);
  EXPECT_EQ(n.SetByBinary(1, nullptr, 1), NumStatus::kBadOperand);
}

TEST_F(MyNumericBinaryTest, HexAndBinaryTexts) {
  std::string s;
  EXPECT_EQ(Num("0").GetDataAsStrHex(s), 1);
  EXPECT_EQ(s, "0");
  Num("255").GetDataAsStrHex(s);
  EXPECT_EQ(s, "FF");
  Num("256").GetDataAsStrHex(s);
  EXPECT_EQ(s, "0100");
  Num("5").GetDataAsStrHex(s);
  EXPECT_EQ(s, "05");
  Num("-1.5").GetDataAsStrHex(s);
  EXPECT_EQ(s, "FF");
  EXPECT_EQ(Num("0").GetDataAsStrBin(s), 8);
  EXPECT_EQ(s, "00000000");
  EXPECT_EQ(Num("5").GetDataAsStrBin(s), 8);
  EXPECT_EQ(s, "00000101");
  EXPECT_EQ(Num("258").GetDataAsStrBin(s), 16);
  EXPECT_EQ(s, "0000000100000010");
}

std::string Hex(const std::string& text) {
  std::string s;
  Num(text).GetDataAsStrHex(s);
  return s;
}

std::string Bin(const std::string& text) {
  std::string s;
  Num(text).GetDataAsStrBin(s);
  return s;
}

TEST_F(MyNumericBinaryTest, NegativeTextsKeepTheirSignByte) {
  // A sign byte FF is added exactly when the top byte of the complement reads as positive.
  EXPECT_EQ(Hex("-1"), "FF");
  EXPECT_EQ(Hex("-127"), "81");
  EXPECT_EQ(Hex("-128"), "80");
  EXPECT_EQ(Hex("-129"), "FF7F");
  EXPECT_EQ(Hex("-255"), "FF01");
  EXPECT_EQ(Hex("-256"), "FF00");
  EXPECT_EQ(Hex("-32768"), "8000");
  EXPECT_EQ(Hex("-32769"), "FF7FFF");
  EXPECT_EQ(Hex("-129.9"), "FF7F");  // the fraction is dropped first
  EXPECT_EQ(Hex("-0.5"), "00");      // no integer part: nothing to carry a sign
  EXPECT_EQ(Hex("129"), "81");       // positive numbers get no extra byte
  EXPECT_EQ(Bin("-129"), "1111111101111111");
  EXPECT_EQ(Bin("-128"), "10000000");
  EXPECT_EQ(Bin("-1"), "11111111");
  // Read as a two's-complement number, each text gives the value back.
  for (const char* text : {"-1", "-127", "-128", "-129", "-255", "-256", "-32768", "-32769"}) {
    const std::string hex = Hex(text);
    int64_t value = std::stoll(hex.substr(0, 2), nullptr, 16) >= 0x80 ? -1 : 0;
    for (size_t i = 0; i < hex.size(); i += 2)
      value = value * 256 + std::stoll(hex.substr(i, 2), nullptr, 16);
    EXPECT_EQ(std::to_string(value), text) << hex;
  }
  // The byte form for files is unchanged: its writers add the sign byte themselves.
  EXPECT_EQ(Bytes("-129"), (std::vector<uint8_t>{0x7F}));
}

// Every byte count up to 300 (both conversion paths) round-trips through text and bytes.
TEST_F(MyNumericBinaryTest, BytesRoundTripAcrossThePaths) {
  std::mt19937 rng(7);
  for (int len = 1; len <= 300; ++len) {
    std::vector<uint8_t> bytes(static_cast<size_t>(len));
    for (auto& b : bytes) b = static_cast<uint8_t>(rng());
    bytes.back() |= 0x80;
    mpz_t v;
    mpz_init(v);
    mpz_import(v, bytes.size(), -1, 1, 0, 0, bytes.data());
    char* digits = mpz_get_str(nullptr, 10, v);
    for (bool gmp : {false, true}) {
      if (gmp)
        ForceGmp();
      else
        ForcePerDigit();
      MyNumeric n;
      ASSERT_EQ(n.SetByBinary(static_cast<uint32_t>(len), bytes.data(), 1), NumStatus::kOk);
      ASSERT_EQ(n.ToString(), digits) << len;
      MyNumeric parsed = Num(digits);
      std::vector<uint8_t> back(static_cast<size_t>(parsed.CountBinaryBytes() + 1));
      ASSERT_EQ(parsed.GetDataAsBinary(back.data(), static_cast<int64_t>(back.size())), len);
      back.resize(static_cast<size_t>(len));
      ASSERT_EQ(back, bytes) << len << (gmp ? " gmp" : " per digit");
      std::string hex;
      parsed.GetDataAsStrHex(hex);
      MyNumeric fromHex = Num("0x" + hex);
      ASSERT_EQ(fromHex.ToString(), digits);
    }
    test::FreeGmpString(digits);
    mpz_clear(v);
  }
}

}  // namespace
}  // namespace vpx::test
