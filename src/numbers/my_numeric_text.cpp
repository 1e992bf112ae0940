// MyNumeric: the number syntax of SetByString, the decimal text forms and the saturating
// conversions to machine integers.
#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <string_view>
#include <vector>

#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"
#include "numbers/my_numeric.h"
#include "numbers/mynum_buffers.h"

namespace vpx {
namespace {

unsigned Address32(const void* p) {
  return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p));
}

enum class Form { kDecimal, kHex, kBinary };

// The outcome of reading a number text: digit values in text order, most significant first.
struct ParsedNumber {
  std::vector<uint8_t> digits;
  bool typedDigit = false;  // a digit character was read (the inserted 0 of ".5" is not one)
  uint32_t intDigits = 0;
  bool point = false;
  bool minus = false;
  Form form = Form::kDecimal;
  bool exponent = false;
  bool expMinus = false;
  uint32_t expDigits = 0;
  int64_t expValue = 0;
};

constexpr int kNotHexDigit = -1;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return kNotHexDigit;
}

void AddMantissaDigit(ParsedNumber& p, uint8_t d) {
  // Leading zeros collapse until a point is seen.
  if (!p.point && p.digits.size() == 1 && p.digits[0] == 0) {
    if (d != 0) p.digits[0] = d;
    return;
  }
  p.digits.push_back(d);
  if (!p.point) ++p.intDigits;
}

// One character of the text; false rejects the text.
bool ReadChar(ParsedNumber& p, char c) {
  if (c == ' ' || c == '\t') return true;
  if (p.form == Form::kBinary) return false;  // only blanks may follow the suffix
  if (p.form == Form::kHex) {
    int v = HexValue(c);
    if (v == kNotHexDigit) return false;
    p.digits.push_back(static_cast<uint8_t>(v));
    return true;
  }
  if (c >= '0' && c <= '9') {
    if (p.exponent) {
      if (++p.expDigits > 10) return false;
      p.expValue = p.expValue * 10 + (c - '0');
      return true;
    }
    AddMantissaDigit(p, static_cast<uint8_t>(c - '0'));
    p.typedDigit = true;
    return true;
  }
  switch (c) {
    case '-':
      if (p.exponent) {
        if (p.expMinus || p.expDigits > 0) return false;
        p.expMinus = true;
        return true;
      }
      if (!p.digits.empty()) return false;
      p.minus = true;
      return true;
    case '.':
      if (p.point || p.exponent) return false;
      if (p.digits.empty()) {
        p.digits.push_back(0);
        p.intDigits = 1;
      }
      p.point = true;
      return true;
    case 'E':
    case 'e':
      if (p.digits.empty() || p.exponent) return false;
      p.exponent = true;
      return true;
    case 'B':
    case 'b':
      if (p.digits.empty() || p.exponent || p.point) return false;
      p.form = Form::kBinary;
      return true;
    case 'x':
      if (p.exponent || p.point || p.digits.size() != 1 || p.digits[0] != 0) return false;
      p.digits.clear();
      p.intDigits = 0;
      p.form = Form::kHex;
      return true;
    default:
      return false;
  }
}

bool ParseNumberText(const char* text, size_t length, ParsedNumber& p) {
  for (size_t i = 0; i < length; ++i) {
    if (!ReadChar(p, text[i])) return false;
  }
  if (p.form == Form::kHex) return true;
  if (!p.typedDigit) return false;  // no digit at all: not a number
  if (p.exponent && p.expDigits == 0) return false;
  if (p.form == Form::kBinary) {
    return std::all_of(p.digits.begin(), p.digits.end(), [](uint8_t d) { return d <= 1; });
  }
  return true;
}

int32_t ExponentOf(const ParsedNumber& p) {
  int64_t e = p.expMinus ? -p.expValue : p.expValue;
  return static_cast<int32_t>(std::clamp<int64_t>(e, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

NumStatus MyNumeric::SetByString(const std::string& text) {
  return SetByString(text.c_str(), static_cast<int>(std::min<size_t>(text.size(), INT32_MAX)));
}

NumStatus MyNumeric::SetByString(const char* text, int length) {
  Overflow = 0;
  if (text != nullptr && length == 0) length = static_cast<int>(strnlen(text, kMaxTextLength + 1));
  if (text == nullptr || length < 1 || length > static_cast<int>(kMaxTextLength)) {
    WriteTrace(Format(SJ("※　引数が無効 SetByString()\n\tpStr[%08X], iLen[%d]\n").c_str(),
                      Address32(text), length));
    return NumStatus::kBadOperand;
  }
  ParsedNumber p;
  try {
    p.digits.reserve(static_cast<size_t>(length) + 2);
  } catch (const std::bad_alloc&) {
    WriteTrace(SJ("※　一時バッファ確保に失敗。SetByString()\n"));
    return NumStatus::kNoMemory;
  }
  if (!ParseNumberText(text, static_cast<size_t>(length), p)) return NumStatus::kNotANumber;

  if (p.form == Form::kHex) {
    // Reversed and packed two digits per byte: the last digit is the low nibble of byte 0.
    size_t n = p.digits.size();
    std::vector<uint8_t> bytes(std::max<size_t>((n + 1) / 2, 1), 0);
    for (size_t i = 0; i < n; ++i) {
      uint8_t v = p.digits[n - 1 - i];
      bytes[i / 2] |= static_cast<uint8_t>((i % 2) ? v << 4 : v);
    }
    if (bytes.size() > UINT32_MAX) return NumStatus::kTooLarge;
    return SetByBinary(static_cast<uint32_t>(bytes.size()), bytes.data(), 1);
  }
  if (p.form == Form::kBinary) {
    TraceHexBytes(p.digits.data(), p.digits.size());
    return SetByBinaryDigits(p.digits.data(), static_cast<uint32_t>(p.digits.size()));
  }

  bool allZero = std::all_of(p.digits.begin(), p.digits.end(), [](uint8_t d) { return d == 0; });
  uint32_t count = allZero ? p.intDigits : static_cast<uint32_t>(p.digits.size());
  // The buffer is sized by the digits, not the text: a sign, a point or an exponent must
  // not push a number of kMaxDigits digits past the buffer limit.
  if (count > kMaxDigits) return NumStatus::kTooLarge;
  if (GetLargeBuffInThree(mynum::RunBufferSize(count)) != NumStatus::kOk)
    return NumStatus::kNoMemory;
  SetZero();
  uint32_t lsd = (BuffSize - count) / 2;
  std::reverse_copy(p.digits.begin(), p.digits.begin() + count, pbBuff.get() + lsd);
  SetLayout(lsd, count, count - p.intDigits);
  Minus = p.minus ? 1 : 0;
  Zero = allZero ? 1 : 0;
  int32_t e = ExponentOf(p);
  if (e != 0) return ShiftPoint(e);
  return NumStatus::kOk;
}

int MyNumeric::GetDataAsStr(std::string* pStrData, uint32_t dwGetDigit, int bFillZero,
                            int bReverse) const {
  if (pStrData == nullptr) {
    WriteTrace(Format(SJ("※　引数が無効です。GetDataAsStr()\n\tpStrData[%08X], dwGetDigit[%0d], "
                         "bFillZero[%d], bReverse[%d]\n")
                          .c_str(),
                      0u, static_cast<int>(dwGetDigit), bFillZero, bReverse));
    return 0;
  }
  if (Error != 0) {
    pStrData->clear();
    WriteTrace(SJ("※　エラーデータは使えません。GetDataAsStr()\n"));
    return 0;
  }
  const uint32_t d = dwGetDigit == 0 ? (pbBuff ? ValidSize : 0) : dwGetDigit;
  std::string& s = *pStrData;
  try {
    s.clear();
    s.reserve(static_cast<size_t>(d) + kTextExtraBytes);
  } catch (const std::bad_alloc&) {
    WriteTrace(SJ("※　バッファの確保に失敗。GetDataAsStr()\n"));
    return 0;
  }
  AppendDigitsText(s, d, std::string::npos);
  return 1;
}

bool MyNumeric::AppendText(std::string& out, size_t maxBytes) const {
  if (Error != 0) return false;
  const uint32_t d = pbBuff ? ValidSize : 0;
  out.reserve(out.size() + std::min<size_t>(maxBytes, static_cast<size_t>(d) + kTextExtraBytes));
  AppendDigitsText(out, d, maxBytes);
  return true;
}

namespace {

// Appends to a text up to a byte limit; what goes beyond it is dropped.
class BoundedText {
 public:
  BoundedText(std::string& s, size_t limit)
      : s_(s), end_(limit > SIZE_MAX - s.size() ? SIZE_MAX : s.size() + limit) {}
  size_t Room() const { return end_ - s_.size(); }
  void Put(std::string_view text) { s_.append(text.substr(0, std::min(text.size(), Room()))); }
  void Fill(size_t count, char c) { s_.append(std::min(count, Room()), c); }
  // count digit values read downward from digits[from], as characters. Through a small
  // buffer, so that the text is written once (no zero fill before the digits).
  void Digits(const uint8_t* digits, uint32_t from, uint32_t count) {
    constexpr size_t kPiece = 4096;
    char piece[kPiece];
    size_t left = std::min<size_t>(count, Room());
    size_t next = from;  // index of the next digit; wraps below 0 after the last one only
    while (left > 0) {
      const size_t n = std::min(left, kPiece);
      for (size_t i = 0; i < n; ++i) piece[i] = static_cast<char>('0' + digits[next - i]);
      s_.append(piece, n);
      next -= n;
      left -= n;
    }
  }

 private:
  std::string& s_;
  size_t end_;
};

}  // namespace

void MyNumeric::AppendDigitsText(std::string& s, uint32_t d, size_t maxBytes) const {
  const uint32_t valid = pbBuff ? ValidSize : 0;
  const uint32_t integer = pbBuff ? IntSize : 0;
  BoundedText text(s, maxBytes);
  if (Minus != 0) text.Put("-");
  const uint8_t* digits = pbBuff.get();
  if (d <= integer) {
    text.Digits(digits, MSD, d);
  } else if (d <= valid) {
    text.Digits(digits, MSD, integer);
    if (SPSize != 0) {
      text.Put(".");
      text.Digits(digits, SPPos - 1, d - integer);
    }
  } else {
    text.Fill(d - valid, '0');
    text.Digits(digits, MSD, integer);
    if (SPSize != 0) {
      text.Put(".");
      text.Digits(digits, SPPos - 1, SPSize);
    }
  }
  if (text.Room() == 0) return;
  if (Float != 0) text.Put(Format("e%d", iExp));
  if (Overflow != 0) text.Put(" (E)");
}

std::string MyNumeric::ToString() const {
  std::string s;
  if (GetDataAsStr(&s, 0, 0, 0) == 0) return UnusableNumberText();
  return s;
}

const std::string& MyNumeric::UnusableNumberText() {
  return SJ("※　数値を表示できません。メモリが不足したか、計算に失敗した数値です。");
}

int MyNumeric::GetFloatDataAsStr(char* buffer, int* pExp, uint32_t bufferLength) const {
  if (buffer == nullptr || pExp == nullptr || bufferLength == 0) {
    WriteTrace(SJ("※引数が無効。MyNumeric::GetFloatDataAsStr()\n"));
    return 0;
  }
  if (!pbBuff || ValidSize == 0) {
    buffer[0] = '0';
    return 1;
  }
  if (IntSize == 1 && SPSize == 0) {
    buffer[0] = static_cast<char>('0' + pbBuff[MSD]);
    if (bufferLength > 1) buffer[1] = '\0';
    return 1;
  }
  uint32_t top = MSD;
  while (top > LSD && pbBuff[top] == 0) --top;
  uint32_t low = LSD;
  while (low < top && pbBuff[low] == 0) ++low;
  *pExp = static_cast<int>(static_cast<int64_t>(top) - SPPos);
  uint32_t len = 0;
  buffer[len++] = static_cast<char>('0' + pbBuff[top]);
  if (top > low && bufferLength >= 3) {
    buffer[len++] = '.';
    for (uint32_t i = top; i-- > low && len < bufferLength;) {
      buffer[len++] = static_cast<char>('0' + pbBuff[i]);
    }
  }
  if (len < bufferLength) buffer[len] = '\0';
  return static_cast<int>(len);
}

// --- machine integers ---

MyNumeric::IntegerFit MyNumeric::IntegerMagnitude(uint32_t maxDigits, uint64_t* value) const {
  *value = 0;
  if (Float != 0) {
    MyNumeric copy(this);
    if (copy.Error != 0 || copy.FloatToNormal() != NumStatus::kOk) return IntegerFit::kFailed;
    return copy.IntegerMagnitude(maxDigits, value);
  }
  if (!pbBuff || ValidSize == 0) return IntegerFit::kFits;
  uint32_t top = MSD;
  while (top > SPPos && pbBuff[top] == 0) --top;
  if (top - SPPos + 1 > maxDigits) return IntegerFit::kTooLong;
  uint64_t v = 0;
  for (uint32_t i = top + 1; i-- > SPPos;) v = v * 10 + pbBuff[i];
  *value = v;
  return IntegerFit::kFits;
}

uint32_t MyNumeric::GetAsUInt() const {
  if (Minus != 0 || Error != 0 || Zero != 0) return 0;
  uint64_t v = 0;
  const IntegerFit fit = IntegerMagnitude(10, &v);
  if (fit == IntegerFit::kFailed) return 0;
  return fit == IntegerFit::kTooLong || v > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(v);
}

int32_t MyNumeric::GetAsInt() const {
  if (Error != 0) return 0;
  uint64_t v = 0;
  const IntegerFit fit = IntegerMagnitude(10, &v);
  if (fit == IntegerFit::kFailed) return 0;
  const bool fits = fit == IntegerFit::kFits;
  if (Minus != 0) return fits && v < 2147483648ULL ? -static_cast<int32_t>(v) : INT32_MIN;
  return fits && v < 2147483647ULL ? static_cast<int32_t>(v) : INT32_MAX;
}

int64_t MyNumeric::GetAsInt64() const {
  if (Error != 0 || Zero != 0) return 0;
  uint64_t v = 0;
  const IntegerFit fit = IntegerMagnitude(19, &v);
  if (fit == IntegerFit::kFailed) return 0;
  const bool fits = fit == IntegerFit::kFits;
  if (Minus != 0) {
    return fits && v < 9223372036854775808ULL ? -static_cast<int64_t>(v) : INT64_MIN;
  }
  return fits && v < 9223372036854775807ULL ? static_cast<int64_t>(v) : INT64_MAX;
}

int8_t MyNumeric::GetAsChar() const {
  if (Error != 0 || Zero != 0) return 0;
  uint64_t v = 0;
  const IntegerFit fit = IntegerMagnitude(3, &v);
  if (fit == IntegerFit::kFailed) return 0;
  const bool fits = fit == IntegerFit::kFits;
  if (Minus != 0) return fits && v < 128 ? static_cast<int8_t>(-static_cast<int>(v)) : INT8_MIN;
  return fits && v < 127 ? static_cast<int8_t>(v) : INT8_MAX;
}

}  // namespace vpx
