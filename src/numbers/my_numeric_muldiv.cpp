// MyNumeric: multiplication, division, remainder, the floating form and the cutting
// operations. Products and quotients come from the per-digit kernels (mynum_kernels.h) for
// small operands and the decimal-native ones (decimal_product.h) for large ones; the
// fitting rules are applied here.
#include <algorithm>
#include <cstring>

#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"
#include "host/ui_host.h"
#include "numbers/decimal_product.h"
#include "numbers/my_numeric.h"
#include "numbers/mynum_buffers.h"
#include "numbers/mynum_kernels.h"

namespace vpx {

uint32_t MyNumeric::TopNonzero() const {
  uint32_t top = MSD;
  while (top > LSD && pbBuff[top] == 0) --top;
  return top;
}

void MyNumeric::RemoveInsignificantZeros() {
  uint32_t lo = 0, hi = 0;
  SignificantRange(&lo, &hi);
  SetLayout(lo, hi - lo + 1, SPPos - lo);
}

namespace {

// Zeroes out[0 .. n) in slices of a few megabytes with a poll before each; false once
// cancelled.
bool TouchPolling(uint8_t* out, uint32_t n, CancelToken cancel) {
  constexpr uint32_t kSlice = 4u << 20;
  for (uint32_t from = 0; from < n; from += kSlice) {
    if (cancel.IsCancelled()) return false;
    std::memset(out + from, 0, std::min(kSlice, n - from));
  }
  return !cancel.IsCancelled();
}

}  // namespace

NumStatus MyNumeric::Mul(const MyNumeric& other) {
  Overflow = 0;
  if (Error != 0 || other.Error != 0 || !pbBuff || !other.pbBuff) return NumStatus::kBadOperand;
  if (Float != 0 && FloatToNormal() != NumStatus::kOk) return NumStatus::kNoMemory;
  if (other.Float != 0) {
    MyNumeric normal(&other);
    if (normal.FloatToNormal() != NumStatus::kOk) return NumStatus::kNoMemory;
    return Mul(normal);
  }
  uint32_t loA = 0, hiA = 0, loB = 0, hiB = 0;
  SignificantRange(&loA, &hiA);
  other.SignificantRange(&loB, &hiB);
  uint32_t a = hiA - loA + 1, b = hiB - loB + 1;
  uint32_t fraction = (SPPos - loA) + (other.SPPos - loB);
  uint64_t n = static_cast<uint64_t>(a) + b;
  if (n + mynum::kProductSpare > mynum::kProductLimit) {
    WriteTrace(Format(SJ("乗算後のサイズが大きすぎます AfterSize[%u] Size[%u] [%u]\n").c_str(),
                      static_cast<unsigned>(n), ValidSize, other.ValidSize));
    return NumStatus::kTooLarge;
  }
  uint32_t need = static_cast<uint32_t>(n) + mynum::kProductSpare;
  uint32_t alloc = need > mynum::kDoublingLimit ? need + 100'000 : 2 * need;
  if (!EnsureSubBuff(need, std::min(alloc, mynum::kBuffLimit))) {
    WriteTrace(Format(SJ("メモリの新規確保に失敗しました。RequestSize[%u] Size[%u] [%u]\n").c_str(),
                      alloc, ValidSize, other.ValidSize));
    return NumStatus::kNoMemory;
  }
  uint32_t minus = (Minus != 0) != (other.Minus != 0);
  uint32_t base = (SubBuffSize() - static_cast<uint32_t>(n)) / 2;
  uint8_t* out = SubBuff() + base;
  const uint8_t* da = pbBuff.get() + loA;
  const uint8_t* db = other.pbBuff.get() + loB;
  // A cancel leaves the product of the first row, as the per-digit loop does. A long
  // product's output pages are touched first, between polls: a cancel then writes that row
  // into memory already mapped, rather than faulting in a hundred megabytes after it.
  auto status = mynum::DecimalStatus::kCancelled;
  if (mynum::UseGmpForMul(a, b) && TouchPolling(out, static_cast<uint32_t>(n), cancel_)) {
    status = mynum::MulDecimal(da, a, db, b, out, cancel_);
  }
  if (status == mynum::DecimalStatus::kCancelled) mynum::MulSchoolbook(da, a, db, b, out, cancel_);
  if (status == mynum::DecimalStatus::kNoMemory) {
    WriteTrace(Format(SJ("メモリの新規確保に失敗しました。RequestSize[%u] Size[%u] [%u]\n").c_str(),
                      need, ValidSize, other.ValidSize));
    return NumStatus::kNoMemory;
  }
  ExchangeMainAndSub();
  SetLayout(base, static_cast<uint32_t>(n), fraction);
  VerifyLayout();
  RemoveInsignificantZeros();
  if (IntSize > ResultSize) {
    SetNinesInPlace(ResultSize);
  } else if (ValidSize > ResultSize) {
    CutFraction(ResultSize - IntSize, true);
    RemoveInsignificantZeros();
  }
  Minus = minus;
  if (CheckZero() == 0) Zero = 0;
  return NumStatus::kOk;
}

NumStatus MyNumeric::Div(const MyNumeric& divisor) {
  Overflow = 0;
  if (Error != 0 || divisor.Error != 0 || !pbBuff || !divisor.pbBuff) return NumStatus::kBadOperand;
  if (divisor.Float != 0) {
    MyNumeric normal(&divisor);
    if (normal.FloatToNormal() != NumStatus::kOk) return NumStatus::kNoMemory;
    return Div(normal);
  }
  if (divisor.ValidSize == 0 || divisor.pbBuff[divisor.TopNonzero()] == 0) {
    WriteTrace(SJ("※　エラー:　ゼロで除算しようとしました。MyNumeric::Div()\n"));
    divisor.TraceParameter();
    return NumStatus::kDivisorZero;
  }
  if (Float != 0 && FloatToNormal() != NumStatus::kOk) return NumStatus::kNoMemory;
  Minus = (Minus != 0) != (divisor.Minus != 0);
  if (Zero != 0) return SetZero();
  uint32_t topA = TopNonzero();
  if (pbBuff[topA] == 0) {
    SetLayout(LSD, SPSize + 1, SPSize);
    Zero = 1;
    Minus = 0;
    return NumStatus::kOk;
  }
  uint32_t loA = 0, hiA = 0, loB = 0, hiB = 0;
  SignificantRange(&loA, &hiA);
  divisor.SignificantRange(&loB, &hiB);
  uint32_t topB = divisor.TopNonzero();
  uint32_t na = topA - loA + 1, nb = topB - loB + 1;
  int32_t exp = static_cast<int32_t>(static_cast<int64_t>(topA) - SPPos) -
                static_cast<int32_t>(static_cast<int64_t>(topB) - divisor.SPPos);

  ResultSize = std::clamp<uint32_t>(ResultSize, 1, kMaxDigits);
  uint32_t k = ResultSize;
  const uint64_t span = static_cast<uint64_t>(ResultSize) + nb + mynum::kQuotientSpare;
  if (span > kMaxDigits + 1) k = mynum::kQuotientLimit;
  uint64_t need = std::min<uint64_t>(span, kMaxDigits);
  if (!EnsureTempBuff(static_cast<uint32_t>(need), static_cast<uint32_t>(need) + 10'000)) {
    WriteTrace(SJ("※　除算結果格納用のバッファを確保できませんでした。 MyNumeric::Div()\n"));
    return NumStatus::kNoMemory;
  }
  // Quotient digits q0.q1...qk = floor(A * 10^(k + nb - na) / B), q0 possibly 0.
  uint32_t places = k + 1;
  uint32_t base = (TempBuffSize() - places) / 2;
  uint8_t* q = TempBuff() + base;
  const uint8_t* da = pbBuff.get() + loA;
  const uint8_t* db = divisor.pbBuff.get() + loB;
  int64_t shift = static_cast<int64_t>(k) + nb - na;
  bool ok = true;
  if (mynum::UseGmpForDiv(places, nb)) {
    // A cancel leaves a zero quotient, well formed; the job drops it.
    ok = mynum::DivDecimal(da, na, db, nb, shift, q, places, cancel_) !=
         mynum::DecimalStatus::kNoMemory;
  } else {
    ok = mynum::DivLong(da, na, db, nb, shift, q, places);
  }
  if (!ok) {
    WriteTrace(SJ("※　除算結果格納用のバッファを確保できませんでした。 MyNumeric::Div()\n"));
    return NumStatus::kNoMemory;
  }
  ExchangeMainAndTemp();
  SetLayout(base, places, k);
  Float = 1;
  Zero = 0;
  iExp = exp;
  if (FloatToNormal() != NumStatus::kOk) return NumStatus::kNoMemory;
  KeepTopDigits(k);
  return NumStatus::kOk;
}

void MyNumeric::KeepTopDigits(uint32_t k) {
  if (ValidSize <= k) return;
  if (IntSize > k) {
    // The integer part alone is longer than the kept digits: drop its leading zeros, and
    // saturate when it is still too long.
    DropLeadingZeros();
    if (IntSize > k) {
      SetNinesInPlace(ResultSize);
      return;
    }
    if (ValidSize <= k) return;
  }
  SetLayout(MSD - k + 1, k, k - IntSize);
}

NumStatus MyNumeric::Surplus(const MyNumeric& divisor) {
  if (Error != 0 || !pbBuff) return NumStatus::kBadOperand;
  if (divisor.Error != 0 || !divisor.pbBuff) return NumStatus::kDivisorInError;
  if (divisor.ValidSize == 0 || divisor.pbBuff[divisor.TopNonzero()] == 0) {
    return NumStatus::kDivisorZero;
  }
  MyNumeric q(*this);
  if (q.Error != 0) return NumStatus::kNoMemory;
  NumStatus r = q.Div(divisor);
  if (r == NumStatus::kOk && q.Overflow != 0)
    r = NumStatus::kTooLarge;  // the quotient saturated: no true remainder
  if (r == NumStatus::kOk) r = q.ClearFraction();
  if (r == NumStatus::kOk) r = q.Mul(divisor);
  if (r == NumStatus::kOk) r = Sub(q);
  return r;
}

NumStatus MyNumeric::ShiftPoint(int32_t n) {
  if (Error != 0 || !pbBuff) return NumStatus::kBadOperand;
  if (Float != 0) {
    iExp = static_cast<int32_t>(
        std::clamp<int64_t>(static_cast<int64_t>(iExp) + n, INT32_MIN, INT32_MAX));
    return NumStatus::kOk;
  }
  // The floating form starts at the top nonzero digit: a leading zero (the units digit 0 of
  // "0.5", the zeros of "0.05") would otherwise stay in front of the moved point ("05").
  uint32_t top = TopNonzero();
  if (pbBuff[top] == 0) top = MSD;  // all zeros: FloatToNormal makes them one 0
  const int64_t e = static_cast<int64_t>(n) + top - SPPos;
  SetLayout(LSD, top - LSD + 1, top - LSD);
  iExp = static_cast<int32_t>(std::clamp<int64_t>(e, INT32_MIN, INT32_MAX));
  Float = 1;
  return FloatToNormal();
}

// e < 0: "0." then shift - 1 zeros and the digits, cut to ResultSize digits.
NumStatus MyNumeric::FloatToNormalNegative(uint32_t shift) {
  if (shift >= ResultSize) return SetUnderflowZero(std::min(ResultSize + 10, mynum::kBuffLimit));
  uint32_t keep = std::min(ValidSize, ResultSize - shift);
  uint32_t total = keep + shift;
  uint32_t from = MSD - keep + 1;
  uint8_t* dest = nullptr;
  uint32_t lsd = 0;
  if (BuffSize >= total + 2) {
    lsd = (BuffSize - total) / 2;
    dest = pbBuff.get();
    std::memmove(dest + lsd, pbBuff.get() + from, keep);
  } else {
    if (!EnsureSubBuff(total + 2, std::min(ResultSize + 10, mynum::kBuffLimit))) {
      Error = 1;
      WriteTrace(SJ("※ FloatToNormalでバッファ拡張＆コピー失敗\n"));
      return NumStatus::kNoMemory;
    }
    lsd = (SubBuffSize() - total) / 2;
    std::memcpy(SubBuff() + lsd, pbBuff.get() + from, keep);
    ExchangeMainAndSub();
    dest = pbBuff.get();
  }
  std::memset(dest + lsd + keep, 0, shift);
  SetLayout(lsd, total, total - 1);
  return NumStatus::kOk;
}

// e > SPSize: zeros appended below the digits.
NumStatus MyNumeric::FloatToNormalAppend(uint32_t zeros) {
  uint32_t total = ValidSize + zeros;
  if (LSD >= zeros) {
    std::memset(pbBuff.get() + LSD - zeros, 0, zeros);
    SetLayout(LSD - zeros, total, 0);
    return NumStatus::kOk;
  }
  if (!EnsureSubBuff(total + 2, std::min(total + 100, mynum::kBuffLimit))) {
    Error = 1;
    WriteTrace(SJ("※　バッファ確保に失敗。FloatToNormal()\n"));
    return NumStatus::kNoMemory;
  }
  uint32_t lsd = (SubBuffSize() - total) / 2;
  std::memset(SubBuff() + lsd, 0, zeros);
  std::memcpy(SubBuff() + lsd + zeros, Run(), ValidSize);
  ExchangeMainAndSub();
  SetLayout(lsd, total, 0);
  return NumStatus::kOk;
}

NumStatus MyNumeric::FloatToNormal() {
  if (Error != 0 || !pbBuff) return NumStatus::kBadOperand;
  if (Float == 0) return NumStatus::kOk;
  if (IntSize != 1 && MSD != SPPos) HostBeep(1000, 10);
  int64_t e = iExp;
  Float = 0;
  iExp = 0;
  uint32_t top = TopNonzero();
  NumStatus r = NumStatus::kOk;
  if (pbBuff[top] == 0) {
    SetLayout(MSD, 1, 0);
  } else if (e < 0) {
    r = FloatToNormalNegative(static_cast<uint32_t>(std::min<int64_t>(-e, kMaxDigits)));
  } else if (e <= SPSize) {
    SetLayout(LSD, ValidSize, SPSize - static_cast<uint32_t>(e));
  } else if (e + (static_cast<int64_t>(top) - SPPos) + 1 > ResultSize) {
    // The integer part would be longer than ResultSize: saturate without building it.
    r = SetAllNines(std::min(ResultSize + 10, mynum::kBuffLimit));
  } else {
    r = FloatToNormalAppend(static_cast<uint32_t>(e - SPSize));
    if (r == NumStatus::kOk) DropLeadingZeros();
  }
  if (r != NumStatus::kOk) return r;
  IsAllZero();
  return NumStatus::kOk;
}

NumStatus MyNumeric::ClearFraction() {
  if (!pbBuff || ValidSize == 0) return NumStatus::kOk;
  if (Float != 0 && FloatToNormal() != NumStatus::kOk) return NumStatus::kNoMemory;
  SetLayout(SPPos, IntSize, 0);
  CheckZero();
  return NumStatus::kOk;
}

NumStatus MyNumeric::TruncateDigits(uint32_t n) {
  n = std::clamp<uint32_t>(n, 1, kMaxDigits);
  if (RefreshValidPartSize() != NumStatus::kOk || n >= ValidSize) return NumStatus::kOk;
  if (n < IntSize) {
    uint32_t resultSize = ResultSize;
    ResultSize = n;
    SetNinesInPlace(n);
    ResultSize = resultSize;
    return NumStatus::kOk;
  }
  SetLayout(MSD - n + 1, n, n - IntSize);
  RefreshValidPartSize();
  return NumStatus::kOk;
}

}  // namespace vpx
