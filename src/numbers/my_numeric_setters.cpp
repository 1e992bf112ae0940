// MyNumeric: the state setters, the queries, the layout check and the digit-form access.
#include <algorithm>
#include <cstring>
#include <new>

#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"
#include "host/ui_host.h"
#include "numbers/my_numeric.h"
#include "numbers/mynum_buffers.h"

namespace vpx {
namespace {

unsigned Address32(const void* p) {
  return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p));
}

constexpr uint32_t kUIntDigits = 10;  // digits of the largest unsigned 32-bit value

}  // namespace

// --- state setting ---

NumStatus MyNumeric::SetZero() {
  Overflow = 0;
  if (!pbBuff || BuffSize == 0) {
    try {
      pbBuff = mynum::AllocateBuffer(10, true);
      BuffSize = 10;
      LSD = 0;
    } catch (const std::bad_alloc&) {
      BuffSize = 0;
      LSD = MSD = SPPos = ValidSize = IntSize = SPSize = 0;
      Zero = 1;
      HostBeep(880, 10);
      return NumStatus::kNoMemory;
    }
  }
  if (LSD >= BuffSize) LSD = BuffSize / 2;
  pbBuff[LSD] = 0;
  SetLayout(LSD, 1, 0);
  Error = Minus = Float = 0;
  iExp = 0;
  Zero = 1;
  return NumStatus::kOk;
}

NumStatus MyNumeric::SetOne() {
  if (!pbBuff || BuffSize == 0) {
    uint32_t error = Error;
    if (SetZero() != NumStatus::kOk) return NumStatus::kNoMemory;
    Error = error;
  }
  Overflow = 0;
  if (LSD >= BuffSize) LSD = BuffSize / 2;
  pbBuff[LSD] = 1;
  SetLayout(LSD, 1, 0);
  Minus = Float = Zero = 0;
  iExp = 0;
  return NumStatus::kOk;
}

NumStatus MyNumeric::SetByUInt(uint32_t u) {
  if (!pbBuff || BuffSize < kUIntDigits) {
    const uint32_t size = mynum::CompactSize(kUIntDigits);
    try {
      pbBuff = mynum::AllocateBuffer(size, true);
      BuffSize = size;
    } catch (const std::bad_alloc&) {
      HostMessageBox(Format(SJ("メモリの確保に失敗しました Size[%u]").c_str(), size));
      return NumStatus::kNoMemory;
    }
  }
  Overflow = 0;
  Error = Minus = Float = 0;
  iExp = 0;
  uint32_t lsd = (BuffSize - kUIntDigits) / 2;
  uint8_t* d = pbBuff.get() + lsd;
  uint32_t rest = u;
  for (uint32_t i = 0; i < kUIntDigits; ++i) {
    d[i] = static_cast<uint8_t>(rest % 10);
    rest /= 10;
  }
  uint32_t count = kUIntDigits;
  while (count > 1 && d[count - 1] == 0) --count;
  SetLayout(lsd, count, 0);
  Zero = (u == 0);
  return NumStatus::kOk;
}

NumStatus MyNumeric::SetByInt(int32_t i) {
  uint32_t magnitude = i < 0 ? 0u - static_cast<uint32_t>(i) : static_cast<uint32_t>(i);
  NumStatus r = SetByUInt(magnitude);
  if (r == NumStatus::kOk) Minus = (i < 0);
  return r;
}

void MyNumeric::SetResultSize(uint32_t n) {
  if (n == 0) {
    ResultSize = GetDefaultResultSize();
  } else {
    ResultSize = std::min(n, kMaxDigits);
    mynum::DefaultResultSize().store(ResultSize, std::memory_order_relaxed);
  }
  MaxSize = ResultSize + 2;
}

void MyNumeric::SetOwnResultSize(uint32_t n) {
  if (n == 0) return;
  ResultSize = std::min(n, kMaxDigits);
  MaxSize = ResultSize + 2;
}

NumStatus MyNumeric::SetNinesInPlace(uint32_t n) {
  // The caller has made room for n digits in the main buffer.
  uint32_t lsd = (BuffSize - n) / 2;
  std::memset(pbBuff.get() + lsd, 9, n);
  SetLayout(lsd, n, 0);
  Zero = Float = 0;
  iExp = 0;
  Overflow = 1;
  return NumStatus::kOk;
}

NumStatus MyNumeric::SetAllNines(uint32_t n) {
  uint32_t need = std::min(std::max(n, ResultSize + 2), mynum::kBuffLimit);
  if (GetLargeBuffInThree(need) != NumStatus::kOk) {
    Error = 1;
    return NumStatus::kNoMemory;
  }
  return SetNinesInPlace(ResultSize);
}

NumStatus MyNumeric::SetMax() {
  if (Error != 0 || !pbBuff) return NumStatus::kBadOperand;
  uint32_t need = std::min(ResultSize + 10, mynum::kBuffLimit);
  if (GetLargeBuffInThree(need) != NumStatus::kOk) return NumStatus::kNoMemory;
  uint32_t overflow = Overflow;
  SetNinesInPlace(ResultSize);
  Overflow = overflow;
  Minus = 0;
  return NumStatus::kOk;
}

NumStatus MyNumeric::SetSaturatedNines(uint32_t count, bool minus) {
  if (count == 0 || count > kMaxDigits) return NumStatus::kTooLarge;
  if (GetLargeBuffInThree(mynum::RunBufferSize(count)) != NumStatus::kOk) {
    return NumStatus::kNoMemory;
  }
  SetNinesInPlace(count);
  Error = 0;
  Minus = minus ? 1 : 0;
  return NumStatus::kOk;
}

NumStatus MyNumeric::SetUnderflowZero(uint32_t n) {
  uint32_t need = std::min(std::max(n, ResultSize + 2), mynum::kBuffLimit);
  if (GetLargeBuffInThree(need) != NumStatus::kOk) return NumStatus::kNoMemory;
  uint32_t lsd = (BuffSize - ResultSize) / 2;
  std::memset(pbBuff.get() + lsd, 0, ResultSize);
  SetLayout(lsd, ResultSize, ResultSize - 1);
  Zero = 1;
  Float = 0;
  iExp = 0;
  return NumStatus::kOk;
}

// --- queries ---

void MyNumeric::SignificantRange(uint32_t* lo, uint32_t* hi) const {
  uint32_t top = MSD;
  while (top > SPPos && pbBuff[top] == 0) --top;
  uint32_t low = LSD;
  while (low < SPPos && pbBuff[low] == 0) ++low;
  *lo = low;
  *hi = top;
}

int MyNumeric::GetValidPartSize(uint32_t* pdwIntSize, uint32_t* pdwSPSize) const {
  if (pdwIntSize == nullptr || pdwSPSize == nullptr) {
    WriteTrace(Format(SJ("※　引数が無効です。MyNumeric::GetValidPartSize()\n\tpdwIntSize[%08X], "
                         "pdwSPSize[%08X]\n")
                          .c_str(),
                      Address32(pdwIntSize), Address32(pdwSPSize)));
    return 0;
  }
  if (!pbBuff || ValidSize == 0 || SPPos < LSD || SPPos > MSD) {
    *pdwIntSize = std::max<uint32_t>(IntSize, 1);
    *pdwSPSize = SPSize;
    return 1;
  }
  uint32_t lo = 0, hi = 0;
  SignificantRange(&lo, &hi);
  *pdwIntSize = hi - SPPos + 1;
  *pdwSPSize = SPPos - lo;
  return 1;
}

NumStatus MyNumeric::RefreshValidPartSize() {
  if (Float != 0) return NumStatus::kOk;
  if (!pbBuff || ValidSize == 0 || SPPos < LSD || SPPos > MSD || MSD >= BuffSize) {
    WriteTrace(SJ("※無効なパラメータです。MyNumeric::RefreshValidPartSize()\n"));
    TraceParameter();
    return NumStatus::kBadOperand;
  }
  uint32_t lo = 0, hi = 0;
  SignificantRange(&lo, &hi);
  SetLayout(lo, hi - lo + 1, SPPos - lo);
  Zero = (ValidSize == 1 && pbBuff[LSD] == 0);
  if (Zero != 0) Minus = 0;
  return NumStatus::kOk;
}

int MyNumeric::IsAllZero() {
  bool zero = pbBuff && std::all_of(Run(), Run() + ValidSize, [](uint8_t d) { return d == 0; });
  Zero = zero;
  return zero ? 1 : 0;
}

int MyNumeric::CheckZero() {
  int zero = IsAllZero();
  if (zero != 0) Minus = 0;
  return zero;
}

int MyNumeric::IsUnsignedInteger() const {
  return Minus != 0 ? 0 : IsInteger();
}

int MyNumeric::IsInteger() const {
  if (SPSize == 0 || !pbBuff) return 1;
  return std::all_of(Run(), Run() + SPSize, [](uint8_t d) { return d == 0; }) ? 1 : 0;
}

int MyNumeric::HasFractionPart() const {
  return SPSize != 0 ? 1 : 0;
}

MyNumericParam MyNumeric::GetParam() const {
  return MyNumericParam{Error,         Minus,          Float,        Zero,      iExp,      MSD,
                        LSD,           SPPos,          IntSize,      SPSize,    ValidSize, BuffSize,
                        SubBuffSize(), TempBuffSize(), pbBuff.get(), SubBuff(), TempBuff()};
}

const std::string& MyNumeric::GetErrorText() const {
  static const std::string kNoFindings;
  return scratch_ ? scratch_->errorText : kNoFindings;
}

int MyNumeric::VerifyLayout() {
  if (scratch_) scratch_->errorText.clear();
  std::string findings;
  int failed = 0;
  if (ValidSize != IntSize + SPSize) {
    findings +=
        Format(SJ("【 ValidSize != IntSize + SPSize 】\n____(%u) != (%u) + (%u)\n\n").c_str(),
               ValidSize, IntSize, SPSize);
    ++failed;
  }
  if (SPPos != LSD + SPSize) {
    findings += Format(SJ("【 SPPos != LSD + SPSize 】\n____(%u) != (%u) + (%u)\n\n").c_str(),
                       SPPos, LSD, SPSize);
    ++failed;
  }
  if (MSD != LSD + ValidSize - 1) {
    findings +=
        Format(SJ("【 MSD != LSD + ValidSize - 1 】\n____(%u) != (%u) + (%u) - 1\n\n").c_str(), MSD,
               LSD, ValidSize);
    ++failed;
  }
  if (SPPos != MSD - IntSize + 1) {
    findings +=
        Format(SJ("【 SPPos != MSD - IntSize + 1 】\n____(%u) != (%u) - (%u) + 1\n\n").c_str(),
               SPPos, MSD, IntSize);
    ++failed;
  }
  if (IntSize == 0) {
    findings += SJ("【 IntSize==0 】\n");
    ++failed;
  }
  if (failed != 0) {
    try {
      EnsureScratch().errorText = std::move(findings);
    } catch (const std::bad_alloc&) {
      // The count still tells the caller; only the findings' text is lost.
    }
  }
  return failed;
}

void MyNumeric::TraceParameter() const {
  WriteTrace("------------------TraceParameter-------------------\n");
  WriteTrace(Format("BuffSize[%u], SubBuffSize[%u], TempBuffSize[%u]\n", BuffSize, SubBuffSize(),
                    TempBuffSize()));
  WriteTrace(Format("ValidSize[%u], ResultSize[%u], MaxSize[%u], iExp[%u]\n", ValidSize, ResultSize,
                    MaxSize, static_cast<unsigned>(iExp)));
  WriteTrace(Format("MSD[%u], SPPos[%u], LSD[%u], IntSize[%u], SPSize[%u]\n", MSD, SPPos, LSD,
                    IntSize, SPSize));
  WriteTrace(
      Format("ID[%u], Error[%u], Float[%u], Minus[%u], Zero[%u]\n", ID, Error, Float, Minus, Zero));
  WriteTrace("---------------------------------------------------\n");
}

int MyNumeric::GetDigitAtPlace(int64_t place) const {
  if (!pbBuff || ValidSize == 0) return kNoDigit;
  int64_t index = static_cast<int64_t>(SPPos) + place;
  if (index < LSD || index > MSD) return kNoDigit;
  return pbBuff[index];
}

// --- digit form ---

std::string MyNumeric::GetDigitsMsdFirst(uint32_t* intDigits) const {
  if (!pbBuff || ValidSize == 0 || Float != 0) {
    if (intDigits != nullptr) *intDigits = 1;
    return std::string(1, '\0');
  }
  uint32_t lo = 0, hi = 0;
  SignificantRange(&lo, &hi);
  if (intDigits != nullptr) *intDigits = hi - SPPos + 1;
  std::string out(hi - lo + 1, '\0');
  std::reverse_copy(pbBuff.get() + lo, pbBuff.get() + hi + 1, out.begin());
  return out;
}

NumStatus MyNumeric::SetDigitsMsdFirst(const uint8_t* digits, uint32_t count, uint32_t intDigits,
                                       bool minus, uint8_t zero) {
  // Zeros are added above (a fraction gets its units digit 0) and below (integer digits
  // beyond the given ones).
  uint32_t above = intDigits == 0 ? 1 : 0;
  uint32_t below = intDigits > count ? intDigits - count : 0;
  uint64_t total = static_cast<uint64_t>(count) + above + below;
  if (count > 0 && digits == nullptr) return NumStatus::kBadOperand;
  if (total > kMaxDigits) return NumStatus::kTooLarge;
  if (GetLargeBuffInThree(mynum::RunBufferSize(static_cast<uint32_t>(total))) != NumStatus::kOk) {
    return NumStatus::kNoMemory;
  }
  uint32_t n = static_cast<uint32_t>(total);
  uint32_t lsd = (BuffSize - n) / 2;
  uint8_t* run = pbBuff.get() + lsd;
  std::memset(run, 0, below);
  uint8_t* low = run + below;
  for (uint32_t i = 0; i < count; ++i) low[i] = static_cast<uint8_t>(digits[count - 1 - i] - zero);
  if (above != 0) run[n - 1] = 0;
  if (n == 0) {
    run[0] = 0;
    n = 1;
  }
  uint32_t integer = std::max<uint32_t>(intDigits, 1);
  SetLayout(lsd, n, n - std::min(integer, n));
  Error = Overflow = Float = 0;
  iExp = 0;
  Minus = minus ? 1 : 0;
  DropLeadingZeros();
  IsAllZero();
  if (Zero != 0) Minus = 0;
  return NumStatus::kOk;
}

}  // namespace vpx
