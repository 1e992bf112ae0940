// MyNumeric: construction, buffers, state setting, queries and the layout check.
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

std::atomic<uint32_t> g_serial{0};

uint32_t NextId() {
  return g_serial.fetch_add(1, std::memory_order_relaxed) + 1;
}

}  // namespace

uint32_t MyNumeric::GetDefaultResultSize() {
  return mynum::DefaultResultSize().load(std::memory_order_relaxed);
}

void MyNumeric::InitBuffers(uint32_t size) {
  ID = NextId();
  ResultSize = GetDefaultResultSize();
  MaxSize = ResultSize + 10;
  SetLayout(0, 1, 0);
  Zero = 1;
  try {
    pbBuff = mynum::AllocateBuffer(size, true);
    BuffSize = size;
    SetLayout(size / 2, 1, 0);
  } catch (const std::bad_alloc&) {
    WriteTrace(SJ("※　pbBuffのメモリ確保に失敗\n"));
    pbBuff.reset();
    BuffSize = 0;
    Error = 1;
  }
}

MyNumeric::MyNumeric() {
  InitBuffers(mynum::CompactSize(1));
}

MyNumeric::MyNumeric(CancelToken cancel) : MyNumeric() {
  cancel_ = cancel;
}

MyNumeric::MyNumeric(const MyNumeric& cAnother) {
  if (cAnother.Error != 0 || !cAnother.pbBuff) {
    // An unusable number stays unusable in its copies: a zero here would pass for a value.
    InitBuffers(mynum::CompactSize(1));
    ResetToEmptyError();
    return;
  }
  ID = NextId();
  // The copy holds the value only; scratch buffers come with its first operation.
  uint32_t size = mynum::CompactSize(cAnother.ValidSize);
  try {
    pbBuff = mynum::AllocateBuffer(size, false);
    BuffSize = size;
    if (!cAnother.GetErrorText().empty()) EnsureScratch().errorText = cAnother.GetErrorText();
  } catch (const std::bad_alloc&) {
    ResetToEmptyError();
    WriteTrace(Format(SJ("※　バッファの確保に失敗。MyNumeric::MyNumeric(MyNumeric& "
                         "cAnother)\n\tNeedBuffSize[%u]\n")
                          .c_str(),
                      size));
    return;
  }
  Overflow = cAnother.Overflow;
  Minus = cAnother.Minus;
  Float = cAnother.Float;
  Zero = cAnother.Zero;
  iExp = cAnother.iExp;
  ResultSize = cAnother.ResultSize;
  MaxSize = cAnother.MaxSize;
  SetLayout((BuffSize - cAnother.ValidSize) / 2, cAnother.ValidSize, cAnother.SPSize);
  std::memcpy(Run(), cAnother.Run(), ValidSize);
}

MyNumeric::MyNumeric(const MyNumeric* pTarget) {
  if (pTarget == nullptr) {
    WriteTrace(SJ("※引数が無効です。MyNumeric::MyNumeric()\n"));
    InitBuffers(mynum::CompactSize(1));
    return;
  }
  cancel_ = pTarget->cancel_;
  Overflow = pTarget->Overflow;
  ResultSize = pTarget->ResultSize;
  Error = pTarget->Error;
  iExp = pTarget->iExp;
  Float = pTarget->Float;
  Zero = pTarget->Zero;
  Minus = pTarget->Minus;
  MaxSize = pTarget->MaxSize;
  ID = NextId();
  SetLayout(pTarget->LSD, pTarget->ValidSize, pTarget->SPSize);
  if (!pTarget->pbBuff || pTarget->BuffSize == 0) {
    ResetToEmptyError();
    return;
  }
  try {
    pbBuff = mynum::AllocateBuffer(pTarget->BuffSize, false);
    BuffSize = pTarget->BuffSize;
  } catch (const std::bad_alloc&) {
    Error = 1;
    BuffSize = IntSize = SPSize = ValidSize = 0;
    WriteTrace(Format(
        SJ("※バッファの確保失敗。MyNumeric::MyNumeric(MyNumeric *pTarget)\n\tTargetBuffer[%08X]\n")
            .c_str(),
        pTarget->BuffSize));
    return;
  }
  SetLayout((BuffSize - ValidSize) / 2, ValidSize, SPSize);
  std::memcpy(Run(), pTarget->Run(), ValidSize);
}

MyNumeric::MyNumeric(MyNumeric&& other) noexcept {
  Swap(other);
  other.ResetToEmptyError();
}

MyNumeric& MyNumeric::operator=(MyNumeric&& other) noexcept {
  if (this != &other) Swap(other);
  return *this;
}

MyNumeric::~MyNumeric() = default;

MyNumeric& MyNumeric::operator=(const MyNumeric& other) {
  if (this == &other) return *this;
  if (other.cancel_.HasFlag()) cancel_ = other.cancel_;
  ResultSize = other.ResultSize;
  MaxSize = other.MaxSize;
  if (other.Error != 0 || !other.pbBuff) {
    ResetToEmptyError();
    return *this;
  }
  // A buffer that holds the value with room for a carry is kept; otherwise one sized to
  // the value replaces it.
  if (BuffSize < other.ValidSize + 2 || !pbBuff) {
    try {
      uint32_t size = mynum::CompactSize(other.ValidSize);
      pbBuff = mynum::AllocateBuffer(size, false);
      BuffSize = size;
    } catch (const std::bad_alloc&) {
      WriteTrace(SJ("※　バッファ確保が出来ませんでした。MyNumeric::operator=()\n"));
      pbBuff.reset();
      DropScratchBuffers();
      BuffSize = 0;
      ResetToEmptyError();
      return *this;
    }
  }
  Error = 0;
  Overflow = other.Overflow;
  Float = other.Float;
  Minus = other.Minus;
  Zero = other.Zero;
  iExp = other.iExp;
  SetLayout((BuffSize - other.ValidSize) / 2, other.ValidSize, other.SPSize);
  std::memmove(Run(), other.Run(), ValidSize);
  return *this;
}

void MyNumeric::Swap(MyNumeric& o) noexcept {
  // The flags are bit fields, which std::swap cannot take.
  const uint8_t flags[] = {Overflow, Error, Float, Zero, Minus};
  Overflow = o.Overflow;
  Error = o.Error;
  Float = o.Float;
  Zero = o.Zero;
  Minus = o.Minus;
  o.Overflow = flags[0];
  o.Error = flags[1];
  o.Float = flags[2];
  o.Zero = flags[3];
  o.Minus = flags[4];
  std::swap(cancel_, o.cancel_);
  std::swap(ResultSize, o.ResultSize);
  std::swap(iExp, o.iExp);
  std::swap(BuffSize, o.BuffSize);
  std::swap(ValidSize, o.ValidSize);
  std::swap(SPPos, o.SPPos);
  std::swap(MSD, o.MSD);
  std::swap(LSD, o.LSD);
  std::swap(SPSize, o.SPSize);
  std::swap(IntSize, o.IntSize);
  std::swap(pbBuff, o.pbBuff);
  std::swap(scratch_, o.scratch_);
  std::swap(ID, o.ID);
  std::swap(MaxSize, o.MaxSize);
}

void MyNumeric::ResetToEmptyError() {
  Error = 1;
  Zero = 1;
  Minus = Float = 0;
  iExp = 0;
  LSD = MSD = SPPos = ValidSize = IntSize = SPSize = 0;
}

void MyNumeric::SetLayout(uint32_t lsd, uint32_t validSize, uint32_t spSize) {
  LSD = lsd;
  ValidSize = validSize;
  SPSize = spSize;
  IntSize = validSize - spSize;
  SPPos = lsd + spSize;
  MSD = lsd + validSize - 1;
}

// --- buffers ---

MyNumeric::Scratch& MyNumeric::EnsureScratch() {
  if (!scratch_) scratch_ = std::make_unique<Scratch>();
  return *scratch_;
}

void MyNumeric::DropScratchBuffers() {
  if (!scratch_) return;
  scratch_->sub.reset();
  scratch_->temp.reset();
  scratch_->subSize = scratch_->tempSize = 0;
}

NumStatus MyNumeric::GetLargeBuffInThree(uint32_t n) {
  if (pbBuff && BuffSize >= n) return NumStatus::kOk;
  if (SubBuff() != nullptr && SubBuffSize() >= n) {
    ExchangeMainAndSub();
    return NumStatus::kOk;
  }
  if (TempBuff() != nullptr && TempBuffSize() >= n) {
    ExchangeMainAndTemp();
    return NumStatus::kOk;
  }
  try {
    if (n > mynum::kBuffLimit) throw std::bad_alloc();
    Scratch& scratch = EnsureScratch();
    auto fresh = mynum::AllocateBuffer(n, false);
    scratch.sub = std::move(pbBuff);
    scratch.subSize = BuffSize;
    pbBuff = std::move(fresh);
    BuffSize = n;
    return NumStatus::kOk;
  } catch (const std::bad_alloc&) {
    WriteTrace(Format(
        SJ("※　新規バッファの確保に失敗。GetLargeBuffInThree()\n\tNeedSize[%u]\n").c_str(), n));
    return NumStatus::kNoMemory;
  }
}

static bool EnsureBuffer(std::unique_ptr<uint8_t[]>& buffer, uint32_t& length, uint64_t need,
                         uint64_t alloc) {
  if (buffer && length >= need) return true;
  buffer.reset();
  length = 0;
  if (need > mynum::kBuffLimit) return false;
  alloc = std::clamp<uint64_t>(alloc, need, mynum::kBuffLimit);
  try {
    buffer = mynum::AllocateBuffer(static_cast<uint32_t>(alloc), false);
    length = static_cast<uint32_t>(alloc);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool MyNumeric::EnsureSubBuff(uint32_t need, uint32_t alloc) {
  try {
    Scratch& scratch = EnsureScratch();
    return EnsureBuffer(scratch.sub, scratch.subSize, need, alloc);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool MyNumeric::EnsureTempBuff(uint32_t need, uint32_t alloc) {
  try {
    Scratch& scratch = EnsureScratch();
    return EnsureBuffer(scratch.temp, scratch.tempSize, need, alloc);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// Only called while the scratch buffer in question exists.
void MyNumeric::ExchangeMainAndSub() {
  std::swap(pbBuff, scratch_->sub);
  std::swap(BuffSize, scratch_->subSize);
}

void MyNumeric::ExchangeMainAndTemp() {
  std::swap(pbBuff, scratch_->temp);
  std::swap(BuffSize, scratch_->tempSize);
}

bool MyNumeric::RecentreInto(uint32_t size) {
  if (pbBuff && BuffSize >= size) {
    uint32_t lsd = (BuffSize - ValidSize) / 2;
    std::memmove(pbBuff.get() + lsd, Run(), ValidSize);
    SetLayout(lsd, ValidSize, SPSize);
    return true;
  }
  if (!EnsureSubBuff(size, size)) return false;
  uint32_t lsd = (SubBuffSize() - ValidSize) / 2;
  std::memcpy(SubBuff() + lsd, Run(), ValidSize);
  ExchangeMainAndSub();
  SetLayout(lsd, ValidSize, SPSize);
  return true;
}

NumStatus MyNumeric::Reserve(uint32_t n) {
  if (n > mynum::kBuffLimit) return NumStatus::kTooLarge;
  if (n < ValidSize) n = ValidSize + 100;
  return RecentreInto(std::min(n, mynum::kBuffLimit)) ? NumStatus::kOk : NumStatus::kNoMemory;
}

void MyNumeric::DropLeadingZeros() {
  while (MSD > SPPos && pbBuff[MSD] == 0) {
    --MSD;
    --ValidSize;
    --IntSize;
  }
}

void MyNumeric::SetCancelToken(CancelToken cancel) {
  cancel_ = cancel;
}

}  // namespace vpx
