#include "engine/func_result.h"

#include <cstring>
#include <new>
#include <utility>

#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"
#include "language/func_catalogue.h"

namespace vpx {
namespace {

unsigned PointerBits(const void* p) {
  return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p));
}

int RefuseRecord(const char* where) {
  WriteTrace(Format(SJ("※　結果データを作れません。CMyFuncResult::%s\n").c_str(), where));
  return 0;
}

// Shared body of both SetData forms; exactly one of number and text is given. A value of
// the other form than the type needs is converted (a text that is no number gives zero).
int SetRecord(CMyFuncResult& record, const CMyFuncData* pFuncData, int32_t id,
              const MyNumeric* number, const std::string* text) {
  if (pFuncData == nullptr || (number == nullptr && text == nullptr) || id == -1) {
    const void* value = number != nullptr ? static_cast<const void*>(number) : text;
    WriteTrace(Format(SJ("※　引数が無効です。CMyFuncResult::SetData()\n\tpFuncData[%08X], "
                         "dwFuncID[%08X], pResult[%08X]\n")
                          .c_str(),
                      PointerBits(pFuncData), static_cast<unsigned>(id), PointerBits(value)));
    return 0;
  }
  // Everything that allocates is built first, so that a record is either wholly replaced
  // or left as it was, and an unusable number is never recorded as a value.
  if (number != nullptr && number->IsError()) return RefuseRecord("SetData() Error");
  try {
    // The record keeps of its call what is read from a record, as a loaded list file
    // restores it. The parsed arguments stay with the call: nothing reads them from a
    // record, and their numbers and texts in every entry would outweigh the value itself.
    CMyCallSummary call = CMyCallSummary::Of(*pFuncData);
    const uint32_t type = GetTableReturnCode(id);
    MyNumeric value;
    std::string valueText;
    if (type >= kRetInt && type <= kRetFloat) {
      if (number != nullptr)
        value = *number;
      else if (value.SetByString(*text) != NumStatus::kOk)
        value.SetZero();
    } else if (type == kRetString) {
      valueText = text != nullptr ? *text : number->ToString();
      value.SetZero();
    } else {
      value.SetZero();
    }
    if (value.IsError()) return RefuseRecord("SetData() Buffer");
    record.callData = std::move(call);
    record.id = id;
    record.type = type;
    record.owner = nullptr;
    record.reserved = 0;
    record.number.Swap(value);
    record.text.swap(valueText);
    // A new value is shown as itself: a failed job's text copied in before (GetListData
    // of its entry) must not hide every later result. Jobs set theirs after SetData.
    record.overrideFlag = 0;
    record.overrideText.clear();
  } catch (const std::bad_alloc&) {
    return RefuseRecord("SetData() Buffer");
  }
  return 1;
}

}  // namespace

// The block: the ID and the line's length (its top bit set when the name follows), the
// line, then when the name is not the table's name of the ID its length and the name.
namespace {

constexpr uint32_t kNameStored = 0x8000'0000u;

struct BlockHead {
  int32_t id;
  uint32_t lineLength;
};

std::string_view TableName(int32_t id) {
  const int row = FindTableRowByID(id);
  return row < 0 ? std::string_view() : std::string_view(GetFuncTable()[row].name);
}

}  // namespace

struct CMyCallSummary::Parts {
  int32_t id = -1;
  std::string_view line;
  std::string_view name;
};

CMyCallSummary::Parts CMyCallSummary::Read() const {
  Parts parts;
  if (!block_) return parts;
  BlockHead head;
  std::memcpy(&head, block_.get(), sizeof head);
  parts.id = head.id;
  const uint32_t lineLength = head.lineLength & ~kNameStored;
  parts.line = std::string_view(block_.get() + sizeof head, lineLength);
  if ((head.lineLength & kNameStored) == 0) {
    parts.name = TableName(head.id);
  } else {
    uint32_t nameLength = 0;
    const char* at = block_.get() + sizeof head + lineLength;
    std::memcpy(&nameLength, at, sizeof nameLength);
    parts.name = std::string_view(at + sizeof nameLength, nameLength);
  }
  return parts;
}

size_t CMyCallSummary::BlockSize() const {
  if (!block_) return 0;
  BlockHead head;
  std::memcpy(&head, block_.get(), sizeof head);
  const size_t lineLength = head.lineLength & ~kNameStored;
  if ((head.lineLength & kNameStored) == 0) return sizeof head + lineLength;
  uint32_t nameLength = 0;
  std::memcpy(&nameLength, block_.get() + sizeof head + lineLength, sizeof nameLength);
  return sizeof head + lineLength + sizeof nameLength + nameLength;
}

// The parts may point into the current block: the new one is complete before it goes.
void CMyCallSummary::Write(const Parts& parts) {
  if (parts.id == -1 && parts.line.empty() && parts.name.empty()) {
    block_.reset();
    return;
  }
  if (parts.line.size() >= kNameStored || parts.name.size() >= kNameStored) throw std::bad_alloc();
  const bool storeName = parts.name != TableName(parts.id);
  uint32_t lineLength = static_cast<uint32_t>(parts.line.size());
  if (storeName) lineLength |= kNameStored;
  const BlockHead head{parts.id, lineLength};
  const uint32_t nameLength = static_cast<uint32_t>(parts.name.size());
  size_t size = sizeof head + parts.line.size();
  if (storeName) size += sizeof nameLength + nameLength;
  auto block = std::make_unique_for_overwrite<char[]>(size);
  char* at = block.get();
  std::memcpy(at, &head, sizeof head);
  at += sizeof head;
  // An empty part may have no data at all: memcpy must not see its null pointer.
  if (!parts.line.empty()) std::memcpy(at, parts.line.data(), parts.line.size());
  at += parts.line.size();
  if (storeName) {
    std::memcpy(at, &nameLength, sizeof nameLength);
    if (nameLength != 0) std::memcpy(at + sizeof nameLength, parts.name.data(), nameLength);
  }
  block_ = std::move(block);
}

CMyCallSummary::CMyCallSummary(const CMyCallSummary& other) {
  if (!other.block_) return;
  const size_t size = other.BlockSize();
  block_ = std::make_unique_for_overwrite<char[]>(size);
  std::memcpy(block_.get(), other.block_.get(), size);
}

CMyCallSummary& CMyCallSummary::operator=(const CMyCallSummary& other) {
  if (this != &other) {
    CMyCallSummary copy(other);
    block_ = std::move(copy.block_);
  }
  return *this;
}

std::string CMyCallSummary::GetLineText() const {
  return std::string(Read().line);
}

int32_t CMyCallSummary::GetID() const {
  return Read().id;
}

std::string CMyCallSummary::GetFuncName() const {
  return std::string(Read().name);
}

void CMyCallSummary::SetLineText(const std::string& text) {
  Parts parts = Read();
  parts.line = text;
  Write(parts);
}

void CMyCallSummary::SetID(int32_t id) {
  Parts parts = Read();
  const std::string name(parts.name);  // the name stays when the ID's table name differs
  parts.id = id;
  parts.name = name;
  Write(parts);
}

void CMyCallSummary::SetFuncName(const std::string& name) {
  Parts parts = Read();
  parts.name = name;
  Write(parts);
}

CMyCallSummary CMyCallSummary::Of(const CMyFuncData& call) {
  CMyCallSummary summary;
  summary.Write(Parts{call.GetID(), call.GetLineText(), call.GetFuncName()});
  return summary;
}

int CMyFuncResult::SetData(const CMyFuncData* pFuncData, int32_t newId, const MyNumeric* value) {
  return SetRecord(*this, pFuncData, newId, value, nullptr);
}

int CMyFuncResult::SetData(const CMyFuncData* pFuncData, int32_t newId, const std::string* value) {
  return SetRecord(*this, pFuncData, newId, nullptr, value);
}

// "【直前の結果】TYPE : value", built in place: a long value's text is written once, into it.
// A text is shown up to a NUL byte, as a C string.
std::string CMyFuncResult::GetResultText() const {
  std::string out = SJ("【直前の結果】");
  if (type >= kRetInt && type <= kRetFloat) {
    out += ReturnCodeToTypeName(type);
    out += " : ";
    if (!number.AppendText(out)) out += MyNumeric::UnusableNumberText();
  } else if (type == kRetString) {
    out += "STRING : ";
    out += std::string_view(text.c_str());
  } else {
    out += "VOID : ";
  }
  return out;
}

int CMyFuncResult::GetResultValueText(std::string& out) const {
  if (overrideFlag != 0) {
    out = overrideText;
  } else if (reserved != 0) {
    out = text;
  } else if (type >= kRetInt && type <= kRetFloat) {
    out = number.ToString();
  } else if (type == kRetString) {
    out = text;
  } else {
    return 0;
  }
  return 1;
}

std::string CMyFuncResult::Signature() const {
  return GetTableSignature(id);
}

std::string CMyFuncResult::GetTypeLetter() const {
  if (overrideFlag != 0) return "S";
  return ReturnCodeToTypeName(type).substr(0, 1);
}

}  // namespace vpx
