// MyNumeric: the little-endian two's-complement byte form and the hexadecimal and binary
// texts. Short values go digit by digit (the power-of-two table, repeated halving); long
// ones through GMP, which gives the same bytes and digits.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"
#include "numbers/my_numeric.h"
#include "numbers/mynum_buffers.h"
#include "numbers/mynum_kernels.h"
#include "numbers/numeric_tables.h"

namespace vpx {
namespace {

constexpr uint32_t kTableBytes = 128;

void TwosComplement(uint8_t* bytes, size_t count) {
  int carry = 1;
  for (size_t i = 0; i < count; ++i) {
    int t = static_cast<uint8_t>(~bytes[i]) + carry;
    bytes[i] = static_cast<uint8_t>(t);
    carry = t >> 8;
  }
}

}  // namespace

int64_t MyNumeric::IntegerToLittleEndian(std::vector<uint8_t>& bytes) const {
  if (Float != 0) {
    MyNumeric normal(this);
    if (normal.Error != 0 || normal.FloatToNormal() != NumStatus::kOk) return kNoBytes;
    return normal.IntegerToLittleEndian(bytes);
  }
  uint32_t top = MSD;
  while (top > SPPos && pbBuff[top] == 0) --top;
  uint32_t digits = top - SPPos + 1;
  const uint8_t* d = pbBuff.get() + SPPos;
  int64_t count = 0;
  if (digits == 1) {
    bytes.assign(1, d[0]);
    count = 1;
  } else {
    count = mynum::UseGmpForBinary(digits) ? mynum::DigitsToBytesGmp(d, digits, bytes)
                                           : mynum::DigitsToBytesHalving(d, digits, bytes);
  }
  if (count < 0) return kNoBytes;
  if (count == 0) {
    bytes.assign(1, 0);
    count = 1;
  }
  if (Minus != 0) TwosComplement(bytes.data(), bytes.size());
  return count;
}

int64_t MyNumeric::CountBinaryBytes() const {
  if (!pbBuff || ValidSize == 0) return 1;
  uint32_t top = MSD;
  while (top > SPPos && pbBuff[top] == 0) --top;
  uint32_t digits = top - SPPos + 1;
  if (digits == 1) return 1;
  // Mantissa of at most nine digits and the exponent of the top digit.
  double m = 0;
  uint32_t used = std::min<uint32_t>(digits, 9);
  for (uint32_t i = 0; i < used; ++i) m = m * 10 + pbBuff[top - i];
  double log10Value = std::log10(m) - (used - 1) + (digits - 1);
  double bits = std::floor(log10Value / 0.30102999566398119523) + 1;
  return static_cast<int64_t>((bits + 7) / 8);
}

int64_t MyNumeric::GetDataAsBinary(uint8_t* out, int64_t length) const {
  if (out == nullptr) {
    WriteTrace(SJ("※引数が無効です。MyNumeric::GetDataAsBinary()\n"));
    return 0;
  }
  if (length <= 0 || !pbBuff || ValidSize == 0 || Error != 0) return 0;
  if (Zero != 0) {
    std::memset(out, 0, static_cast<size_t>(length));
    return 1;
  }
  if (Float != 0) {
    MyNumeric normal(this);
    if (normal.Error != 0 || normal.FloatToNormal() != NumStatus::kOk) return 0;
    return normal.GetDataAsBinary(out, length);
  }
  uint32_t top = MSD;
  while (top > SPPos && pbBuff[top] == 0) --top;
  if (top == SPPos) {
    // One integer digit: that byte, the rest of the destination cleared.
    std::memset(out, 0, static_cast<size_t>(length));
    out[0] = pbBuff[SPPos];
    if (Minus != 0) TwosComplement(out, 1);
    return 1;
  }
  int64_t expected = CountBinaryBytes() + 1;
  std::vector<uint8_t> bytes;
  int64_t count = length < expected ? 0 : IntegerToLittleEndian(bytes);
  if (length < expected || count > length) {
    WriteTrace(Format(SJ("※格納先のバッファサイズが足りません。MyNumeric::GetDataAsBinary()\n\t"
                         "格納先バイト数[%08X] / 予想バイト数[%08X]\n")
                          .c_str(),
                      static_cast<unsigned>(length), static_cast<unsigned>(expected)));
    return 0;
  }
  if (count <= 0) return 0;
  std::memcpy(out, bytes.data(), static_cast<size_t>(count));
  return count;
}

NumStatus MyNumeric::SetFromLittleEndian(const uint8_t* bytes, uint64_t count) {
  while (count > 0 && bytes[count - 1] == 0) --count;
  uint32_t lsd = 0;
  uint32_t valid = 1;
  if (count <= kTableBytes) {
    uint32_t digits = DigitCountForBytes(static_cast<uint32_t>(std::max<uint64_t>(count, 1)));
    lsd = (BuffSize - digits) / 2;
    uint8_t* acc = pbBuff.get() + lsd;
    std::memset(acc, 0, digits);
    uint32_t reach = 1;
    for (uint32_t k = 0; k < count * 8; ++k) {
      if ((bytes[k / 8] >> (k % 8) & 1) == 0) continue;
      const char* power = PowerOfTwoTable(k + 1) + (kPowerOfTwoEntrySize - 2);
      reach = DigitCountTable(k);
      int carry = 0;
      for (uint32_t i = 0; i < reach; ++i) {
        int t = acc[i] + (power[-static_cast<int64_t>(i)] - '0') + carry;
        carry = t > 9;
        acc[i] = static_cast<uint8_t>(carry ? t - 10 : t);
      }
    }
    valid = reach;
    while (valid > 1 && acc[valid - 1] == 0) --valid;
  } else {
    std::vector<uint8_t> digits;
    if (!mynum::BytesToDigitsGmp(bytes, count, digits)) return NumStatus::kNoMemory;
    if (GetLargeBuffInThree(static_cast<uint32_t>(digits.size()) + 10) != NumStatus::kOk)
      return NumStatus::kNoMemory;
    valid = static_cast<uint32_t>(digits.size());
    lsd = (BuffSize - valid) / 2;
    std::memcpy(pbBuff.get() + lsd, digits.data(), valid);
  }
  SetLayout(lsd, valid, 0);
  Minus = Float = Error = 0;
  iExp = 0;
  Zero = (valid == 1 && pbBuff[lsd] == 0);
  return NumStatus::kOk;
}

NumStatus MyNumeric::SetByBinary(uint32_t dwByteNum, const uint8_t* bytes, int bIsLittleEndian) {
  Overflow = 0;
  if (bytes == nullptr) {
    WriteTrace(SJ("※　配列データのアドレスが無効。SetByBinary()\n"));
    return NumStatus::kBadOperand;
  }
  if (dwByteNum > 5'000'000) {
    WriteTrace(Format(SJ("※　配列データのサイズ指定が過大。ByteNum[%u] SetByBinary()\n").c_str(),
                      dwByteNum));
    return NumStatus::kTooLarge;
  }
  uint32_t digits = DigitCountForBytes(dwByteNum);
  if (BuffSize < digits + 2 && GetLargeBuffInThree(digits + 10) != NumStatus::kOk) {
    WriteTrace(Format(SJ("※　バッファの取得に失敗。SetByBinary()\n\tdwByteNum[%u], dwDigitNum[%u], "
                         "bIsLittleEndian[%d]\n")
                          .c_str(),
                      dwByteNum, digits, bIsLittleEndian));
    return NumStatus::kNoMemory;
  }
  SetZero();
  if (bIsLittleEndian != 0) return SetFromLittleEndian(bytes, dwByteNum);
  try {
    std::vector<uint8_t> reversed(bytes, bytes + dwByteNum);
    std::reverse(reversed.begin(), reversed.end());
    return SetFromLittleEndian(reversed.data(), dwByteNum);
  } catch (const std::bad_alloc&) {
    return NumStatus::kNoMemory;
  }
}

NumStatus MyNumeric::SetByBinaryDigits(const uint8_t* digits, uint32_t count) {
  Overflow = 0;
  if (digits == nullptr || count == 0) return NumStatus::kBadOperand;
  try {
    // Binary digits, most significant first, packed into little-endian bytes.
    std::vector<uint8_t> bytes((static_cast<size_t>(count) + 7) / 8, 0);
    for (uint32_t i = 0; i < count; ++i) {
      if (digits[i] > 1) return NumStatus::kNotANumber;
      uint32_t bit = count - 1 - i;
      bytes[bit / 8] |= static_cast<uint8_t>(digits[i] << (bit % 8));
    }
    uint32_t need = DigitCountForBytes(static_cast<uint32_t>(bytes.size())) + 10;
    if (BuffSize < need && GetLargeBuffInThree(need) != NumStatus::kOk) return NumStatus::kNoMemory;
    SetZero();
    return SetFromLittleEndian(bytes.data(), bytes.size());
  } catch (const std::bad_alloc&) {
    return NumStatus::kNoMemory;
  }
}

int64_t MyNumeric::SignedBytesOrTrace(std::vector<uint8_t>& bytes,
                                      const std::string& failureText) const {
  int64_t count = kNoBytes;
  try {
    count = IntegerToLittleEndian(bytes);
    // The complement is taken over the magnitude's bytes; a negative number whose top byte
    // then reads as positive (-129 gives 7F, -255 gives 01) keeps its sign in one more
    // byte, as the files the number is written into do. -0.5 has the integer bytes 00.
    if (count > 0) bytes.resize(static_cast<size_t>(count));
    const bool zero = std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
    if (count > 0 && Minus != 0 && !zero && (bytes.back() & 0x80) == 0) {
      bytes.push_back(0xFF);
      ++count;
    }
  } catch (const std::bad_alloc&) {
    count = kNoBytes;
  }
  if (count < 0) WriteTrace(failureText);
  return count;
}

int64_t MyNumeric::GetDataAsStrHex(std::string& out) const {
  out.clear();
  if (!pbBuff || ValidSize == 0 || Error != 0) return 0;
  if (Zero != 0) {
    out = "0";
    return 1;
  }
  std::vector<uint8_t> bytes;
  const int64_t count = SignedBytesOrTrace(
      bytes, SJ("※　バッファの確保に失敗しました。MyNumeric::GetDataAsStrHex()\n"));
  if (count < 0) return 0;
  static const char kHex[] = "0123456789ABCDEF";
  try {
    out.resize(static_cast<size_t>(count) * 2);
  } catch (const std::bad_alloc&) {
    WriteTrace(SJ("※　CStringのバッファ取得に失敗。MyNumeric::GetDataAsStrHex()\n"));
    out.clear();
    return 0;
  }
  for (int64_t i = 0; i < count; ++i) {
    uint8_t b = bytes[static_cast<size_t>(count - 1 - i)];
    out[static_cast<size_t>(2 * i)] = kHex[b >> 4];
    out[static_cast<size_t>(2 * i + 1)] = kHex[b & 15];
  }
  return count;
}

int64_t MyNumeric::GetDataAsStrBin(std::string& out) const {
  out.clear();
  if (!pbBuff || ValidSize == 0 || Error != 0) return 0;
  if (Zero != 0) {
    out = "00000000";
    return 8;
  }
  std::vector<uint8_t> bytes;
  const int64_t count = SignedBytesOrTrace(
      bytes, SJ("※　バッファの確保に失敗しました。MyNumeric::GetDataAsStrBin()\n"));
  if (count < 0) return 0;
  if (count >= 0x20000000) {
    WriteTrace(SJ("※　データサイズが大きすぎます。MyNumeric::GetDataAsStrBin()\n"));
    return 0;
  }
  try {
    out.resize(static_cast<size_t>(count) * 8);
  } catch (const std::bad_alloc&) {
    WriteTrace(SJ("※　CStringバッファの確保に失敗。MyNumeric::GetDataAsStrBin()\n"));
    out.clear();
    return 0;
  }
  size_t at = 0;
  for (int64_t i = count; i-- > 0;) {
    for (int bit = 7; bit >= 0; --bit)
      out[at++] = (bytes[static_cast<size_t>(i)] >> bit & 1) ? '1' : '0';
  }
  return count * 8;
}

}  // namespace vpx
