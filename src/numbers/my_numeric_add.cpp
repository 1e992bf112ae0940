// MyNumeric: addition, subtraction, the digit-place steps and fitting into ResultSize.
// All of it is linear and works digit by digit with a decimal carry.
#include <algorithm>
#include <cstring>

#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"
#include "numbers/my_numeric.h"
#include "numbers/mynum_buffers.h"

namespace vpx {
namespace {

// Adds src[0 .. count) into dst with carry; returns the carry out.
int AddDigits(uint8_t* dst, const uint8_t* src, uint32_t count) {
  int carry = 0;
  for (uint32_t i = 0; i < count; ++i) {
    int t = dst[i] + src[i] + carry;
    carry = t > 9;
    dst[i] = static_cast<uint8_t>(carry ? t - 10 : t);
  }
  return carry;
}

// Subtracts src[0 .. count) from dst with borrow; returns the borrow out.
int SubDigits(uint8_t* dst, const uint8_t* src, uint32_t count) {
  int borrow = 0;
  for (uint32_t i = 0; i < count; ++i) {
    int t = dst[i] - src[i] - borrow;
    borrow = t < 0;
    dst[i] = static_cast<uint8_t>(borrow ? t + 10 : t);
  }
  return borrow;
}

// Runs a carry (+1) or borrow (-1) from d[0] upward through d[0 .. count); returns what
// leaves the top.
int Propagate(uint8_t* d, uint32_t count, int step) {
  for (uint32_t i = 0; i < count; ++i) {
    if (step > 0) {
      if (d[i] != 9) {
        ++d[i];
        return 0;
      }
      d[i] = 0;
    } else {
      if (d[i] != 0) {
        --d[i];
        return 0;
      }
      d[i] = 9;
    }
  }
  return 1;
}

// Ten's complement of d[0 .. count): each digit 9 - d, then one added at the bottom.
void TensComplement(uint8_t* d, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) d[i] = static_cast<uint8_t>(9 - d[i]);
  Propagate(d, count, 1);
}

}  // namespace

// |this| + |other digits| aligned at the point; other = lsd[0 .. count) with spSize
// fraction digits. The sign and fitting are left to the caller.
NumStatus MyNumeric::AddMagnitude(const uint8_t* lsd, uint32_t count, uint32_t spSize) {
  uint32_t otherInt = count - spSize;
  if (SPSize >= spSize && IntSize >= otherInt && MSD + 1 < BuffSize) {
    uint8_t* at = pbBuff.get() + SPPos - spSize;
    int carry = AddDigits(at, lsd, count);
    if (carry != 0) carry = Propagate(at + count, MSD + 1 - (SPPos - spSize + count), 1);
    if (carry != 0) {
      pbBuff[MSD + 1] = 1;
      SetLayout(LSD, ValidSize + 1, SPSize);
    }
    return NumStatus::kOk;
  }
  uint32_t frac = std::max(SPSize, spSize);
  uint64_t width = static_cast<uint64_t>(frac) + std::max(IntSize, otherInt) + 1;
  if (width > kMaxDigits) return NumStatus::kTooLarge;
  uint32_t total = static_cast<uint32_t>(width);
  if (!EnsureSubBuff(total + 2, total + 1000)) return NumStatus::kNoMemory;
  uint32_t base = (SubBuffSize() - total) / 2;
  uint8_t* r = SubBuff() + base;
  std::memset(r, 0, total);
  std::memcpy(r + frac - SPSize, Run(), ValidSize);
  int carry = AddDigits(r + frac - spSize, lsd, count);
  if (carry != 0) Propagate(r + frac - spSize + count, total - (frac - spSize + count), 1);
  ExchangeMainAndSub();
  SetLayout(base, total, frac);
  return NumStatus::kOk;
}

// |this| - |other digits|; a borrow out of the top turns the digits into their ten's
// complement and inverts the sign.
NumStatus MyNumeric::SubMagnitude(const uint8_t* lsd, uint32_t count, uint32_t spSize) {
  uint32_t otherInt = count - spSize;
  uint8_t* r = nullptr;
  uint32_t width = 0;
  uint32_t at = 0;
  if (SPSize >= spSize && IntSize >= otherInt) {
    r = Run();
    width = ValidSize;
    at = SPSize - spSize;
  } else {
    uint32_t frac = std::max(SPSize, spSize);
    uint64_t w = static_cast<uint64_t>(frac) + std::max(IntSize, otherInt);
    if (w > kMaxDigits) return NumStatus::kTooLarge;
    width = static_cast<uint32_t>(w);
    if (!EnsureSubBuff(width + 2, width + 1000)) return NumStatus::kNoMemory;
    uint32_t base = (SubBuffSize() - width) / 2;
    r = SubBuff() + base;
    std::memset(r, 0, width);
    std::memcpy(r + frac - SPSize, Run(), ValidSize);
    at = frac - spSize;
    ExchangeMainAndSub();
    SetLayout(base, width, frac);
  }
  int borrow = SubDigits(r + at, lsd, count);
  if (borrow != 0) borrow = Propagate(r + at + count, width - at - count, -1);
  if (borrow != 0) {
    TensComplement(r, width);
    Minus = !Minus;
  }
  return NumStatus::kOk;
}

void MyNumeric::CutFraction(uint32_t keepFraction, bool round) {
  if (keepFraction >= SPSize) return;
  uint8_t firstCut = pbBuff[SPPos - keepFraction - 1];
  SetLayout(SPPos - keepFraction, IntSize + keepFraction, keepFraction);
  if (round && firstCut >= 5) AddAtDigit(1, -static_cast<int64_t>(SPSize));
}

void MyNumeric::FitToResultSize(FitMode mode) {
  if (ValidSize <= ResultSize) return;
  if (IntSize > ResultSize) {
    SetNinesInPlace(ResultSize);
    return;
  }
  CutFraction(ResultSize - IntSize, mode == FitMode::kRound);
}

NumStatus MyNumeric::Add(const MyNumeric& other, int signHandled) {
  if (Error != 0 || other.Error != 0 || !other.pbBuff || !pbBuff) {
    WriteTrace(Format(
        SJ("※　エラーデータは使えません。MyNumeric::Add()\n\tSelfError[%u], TargetError[%u]\n")
            .c_str(),
        Error, other.Error));
    return NumStatus::kBadOperand;
  }
  if (Float != 0) {
    const NumStatus normal = FloatToNormal();
    if (normal != NumStatus::kOk) return normal;
  }
  if (other.Float != 0) {
    WriteTrace(SJ("※　浮動小数点形式の数を加算しようとしました。MyNumeric::Add()\n"));
    WriteTrace(other.ToString() + "\n");
    return NumStatus::kBadOperand;
  }
  if (&other == this) return Double();
  Overflow = 0;
  if (signHandled == 0 && Minus != other.Minus) return SubInternalCalc(other);
  uint32_t thisInt = 0, thisFrac = 0, otherInt = 0, otherFrac = 0;
  GetValidPartSize(&thisInt, &thisFrac);
  other.GetValidPartSize(&otherInt, &otherFrac);
  if (std::max(thisInt, otherInt) > ResultSize) {
    return SetAllNines(std::min(ResultSize + 200, mynum::kBuffLimit));
  }
  uint64_t span =
      static_cast<uint64_t>(std::max(SPSize, other.SPSize)) + std::max(thisInt, otherInt) + 1;
  if (span > kMaxDigits) {
    TraceParameter();
    WriteTrace(Format(SJ("加算結果が制限サイズを超えるので末尾を切り捨てます [%u]/[%u]\n").c_str(),
                      static_cast<unsigned>(span), MaxSize));
    return NumStatus::kTooLarge;
  }
  const NumStatus added = AddMagnitude(other.Run(), other.ValidSize, other.SPSize);
  if (added != NumStatus::kOk) {
    Error = 1;
    WriteTrace(SJ("※　加算中に問題が起きました。MyNumeric::Add()\n"));
    return added;
  }
  DropLeadingZeros();
  FitToResultSize(FitMode::kRound);
  CheckZero();
  return NumStatus::kOk;
}

NumStatus MyNumeric::Sub(const MyNumeric& other) {
  if (Error != 0 || other.Error != 0 || !other.pbBuff || !pbBuff) {
    WriteTrace(Format(
        SJ("※　エラーデータは使えません。MyNumeric::Sub()\n\tSelfError[%u], TargetError[%u]\n")
            .c_str(),
        Error, other.Error));
    TraceParameter();
    return NumStatus::kBadOperand;
  }
  const std::string* failure = nullptr;
  NumStatus status = NumStatus::kBadOperand;
  if (other.Float != 0) {
    failure = &SJ("※　浮動小数点形式のデータは使えません。MyNumeric::Sub()\n");
  } else if (Float != 0 && (status = FloatToNormal()) != NumStatus::kOk) {
    failure = &SJ("※　浮動小数点形式から標準形式への変換に失敗。MyNumeric::Sub()\n");
  }
  if (failure != nullptr) {
    WriteTrace(*failure);
    WriteTrace(ToString() + "\n" + other.ToString() + "\n");
    TraceParameter();
    other.TraceParameter();
    return status;
  }
  Overflow = 0;
  if (Minus != 0 && other.Minus == 0) {
    Minus = 0;
    NumStatus r = Add(other, 1);
    Minus = Zero != 0 ? 0 : 1;
    return r;
  }
  if (Minus == 0 && other.Minus != 0) return Add(other, 1);
  return SubInternalCalc(other);
}

NumStatus MyNumeric::SubInternalCalc(const MyNumeric& other) {
  if (Error != 0 || other.Error != 0 || !other.pbBuff || !pbBuff) return NumStatus::kBadOperand;
  Overflow = 0;
  const NumStatus subtracted = SubMagnitude(other.Run(), other.ValidSize, other.SPSize);
  if (subtracted != NumStatus::kOk) {
    Error = 1;
    WriteTrace(SJ("※　減算中に問題が起きました。MyNumeric::SubInternalCalc()\n"));
    return subtracted;
  }
  DropLeadingZeros();
  FitToResultSize(FitMode::kCut);
  CheckZero();
  return NumStatus::kOk;
}

NumStatus MyNumeric::AddOrSubInteger(int32_t v, uint32_t s, int signHandled, bool subtract) {
  if (Error != 0 || !pbBuff) return NumStatus::kBadOperand;
  if (Float != 0) {
    const NumStatus normal = FloatToNormal();
    if (normal != NumStatus::kOk) return normal;
  }
  if (s != 0) ResultSize = std::min(s, kMaxDigits);
  Overflow = 0;
  bool vNegative = v < 0;
  if (signHandled == 0 && vNegative != (Minus != 0)) subtract = !subtract;
  uint32_t magnitude = vNegative ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
  uint8_t digits[10];
  uint32_t count = 0;
  do {
    digits[count++] = static_cast<uint8_t>(magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  const NumStatus r = subtract ? SubMagnitude(digits, count, 0) : AddMagnitude(digits, count, 0);
  if (r != NumStatus::kOk) {
    WriteTrace(Format(
        subtract ? SJ("※　減算中に問題が発生。Add()\n\tiSubData[%d] iValidSize[%d]\n").c_str()
                 : SJ("※　加算中に問題が発生。Add()\n\tiAddData[%d] iValidSize[%d]\n").c_str(),
        v, static_cast<int>(ValidSize)));
    return r;
  }
  RefreshValidPartSize();
  if (ValidSize > ResultSize && IntSize < ResultSize) CutFraction(ResultSize - IntSize, true);
  return NumStatus::kOk;
}

NumStatus MyNumeric::Add(int32_t v, uint32_t s, int signHandled) {
  return AddOrSubInteger(v, s, signHandled, false);
}

NumStatus MyNumeric::Sub(int32_t v, uint32_t s, int signHandled) {
  return AddOrSubInteger(v, s, signHandled, true);
}

// --- one unit at a digit place ---

NumStatus MyNumeric::AddAtDigit(int magnitudeFlag, int64_t place) {
  if (!pbBuff || ValidSize == 0) return NumStatus::kBadOperand;
  if (magnitudeFlag == 0 && Minus != 0) return SubAtDigit(1, place);
  place = std::clamp<int64_t>(place, -static_cast<int64_t>(SPSize), IntSize);
  uint32_t index = static_cast<uint32_t>(SPPos + place);
  int carry = index > MSD ? 1 : Propagate(pbBuff.get() + index, MSD - index + 1, 1);
  if (carry != 0) {
    if (MSD + 1 >= BuffSize && !RecentreInto(std::min(ValidSize + 1000, mynum::kBuffLimit))) {
      Error = 1;
      return NumStatus::kNoMemory;
    }
    pbBuff[MSD + 1] = 1;
    SetLayout(LSD, ValidSize + 1, SPSize);
  }
  Zero = 0;
  return NumStatus::kOk;
}

NumStatus MyNumeric::SubAtDigit(int magnitudeFlag, int64_t place) {
  if (!pbBuff || ValidSize == 0) return NumStatus::kBadOperand;
  if (magnitudeFlag == 0 && Minus != 0) return AddAtDigit(1, place);
  place = std::clamp<int64_t>(place, -static_cast<int64_t>(SPSize), IntSize);
  uint32_t index = static_cast<uint32_t>(SPPos + place);
  bool below = index > MSD || std::all_of(pbBuff.get() + index, pbBuff.get() + MSD + 1,
                                          [](uint8_t d) { return d == 0; });
  if (!below) {
    Propagate(pbBuff.get() + index, MSD - index + 1, -1);
  } else {
    // The magnitude is below the unit: the result is the unit minus the magnitude.
    bool lowZero = std::all_of(Run(), pbBuff.get() + index, [](uint8_t d) { return d == 0; });
    if (lowZero) {
      if (index > MSD) {
        if (MSD + 1 >= BuffSize && !RecentreInto(std::min(ValidSize + 1000, mynum::kBuffLimit))) {
          Error = 1;
          return NumStatus::kNoMemory;
        }
        index = MSD + 1;
        SetLayout(LSD, ValidSize + 1, SPSize);
      }
      pbBuff[index] = 1;
    } else {
      TensComplement(Run(), index - LSD);
    }
    Minus = !Minus;
  }
  DropLeadingZeros();
  CheckZero();
  return NumStatus::kOk;
}

// --- comparison, doubling, halving ---

int MyNumeric::CompareMagnitude(const MyNumeric& other) const {
  uint32_t loA = 0, hiA = 0, loB = 0, hiB = 0;
  SignificantRange(&loA, &hiA);
  other.SignificantRange(&loB, &hiB);
  int64_t topA = static_cast<int64_t>(hiA) - SPPos;
  int64_t topB = static_cast<int64_t>(hiB) - other.SPPos;
  if (topA != topB) return topA > topB ? 1 : -1;
  int64_t low =
      std::min(static_cast<int64_t>(loA) - SPPos, static_cast<int64_t>(loB) - other.SPPos);
  for (int64_t place = topA; place >= low; --place) {
    int64_t ia = SPPos + place, ib = other.SPPos + place;
    int a = ia >= loA ? pbBuff[ia] : 0;
    int b = ib >= loB ? other.pbBuff[ib] : 0;
    if (a != b) return a > b ? 1 : -1;
  }
  return 0;
}

int MyNumeric::MyNumericCompare(const MyNumeric& other) const {
  if (!other.pbBuff || other.Error != 0 || other.ValidSize == 0) {
    WriteTrace(SJ("※　相手のバッファが無効かエラーです。MyNumericCompare()\n"));
    return 0;
  }
  if (!pbBuff || ValidSize == 0) return 0;
  bool thisNegative = Minus != 0, otherNegative = other.Minus != 0;
  if (thisNegative != otherNegative) return thisNegative ? -1 : 1;
  int m = CompareMagnitude(other);
  return thisNegative ? -m : m;
}

NumStatus MyNumeric::Double() {
  if (!pbBuff || ValidSize == 0) return NumStatus::kBadOperand;
  if (Zero != 0) return NumStatus::kOk;
  Overflow = 0;
  if (pbBuff[MSD] >= 5 && BuffSize - 1 - MSD < 2) {
    if (LSD > 0) {
      uint32_t lsd = LSD / 2;
      std::memmove(pbBuff.get() + lsd, Run(), ValidSize);
      SetLayout(lsd, ValidSize, SPSize);
    } else if (!RecentreInto(std::min(ValidSize + 101, mynum::kBuffLimit))) {
      Error = 1;
      WriteTrace(Format(SJ("※　サブバッファが確保できませんでした。MyNumeric::Double()\n\t"
                           "NewSubBuffSize[%u], CurSubBuffSize[%u]\n")
                            .c_str(),
                        ValidSize + 101, SubBuffSize()));
      return NumStatus::kNoMemory;
    }
  }
  uint8_t* d = Run();
  int carry = 0;
  for (uint32_t i = 0; i < ValidSize; ++i) {
    int t = d[i] * 2 + carry;
    carry = t > 9;
    d[i] = static_cast<uint8_t>(carry ? t - 10 : t);
  }
  if (carry != 0) {
    pbBuff[MSD + 1] = 1;
    SetLayout(LSD, ValidSize + 1, SPSize);
  }
  return NumStatus::kOk;
}

int MyNumeric::Halve() {
  if (!pbBuff || ValidSize == 0 || Error != 0 || Float != 0) return kHalveFailed;
  Overflow = 0;
  int carry = 0;
  for (uint32_t i = MSD + 1; i-- > LSD;) {
    int digit = pbBuff[i];
    pbBuff[i] = static_cast<uint8_t>(digit / 2 + carry);
    carry = (digit & 1) ? 5 : 0;
  }
  int dropped = 0;
  if (carry != 0 && SPSize == 0) {
    dropped = 1;
  } else if (carry != 0) {
    if (LSD == 0 && !RecentreInto(std::min(ValidSize + 100, mynum::kBuffLimit))) {
      Error = 1;
      return kHalveFailed;
    }
    pbBuff[LSD - 1] = 5;
    SetLayout(LSD - 1, ValidSize + 1, SPSize + 1);
  }
  DropLeadingZeros();
  CheckZero();
  return dropped;
}

}  // namespace vpx
