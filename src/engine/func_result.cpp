#include "engine/func_result.h"

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

void CMyCallSummary::SetLineText(const std::string& text) {
  std::string joined = text + GetFuncName();
  lineAndName_.swap(joined);
  lineLength_ = static_cast<uint32_t>(text.size());
}

void CMyCallSummary::SetFuncName(const std::string& name) {
  std::string joined = lineAndName_.substr(0, lineLength_) + name;
  lineAndName_.swap(joined);
}

CMyCallSummary CMyCallSummary::Of(const CMyFuncData& call) {
  CMyCallSummary summary;
  summary.lineAndName_ = call.GetLineText() + call.GetFuncName();
  summary.lineLength_ = static_cast<uint32_t>(call.GetLineText().size());
  summary.id_ = call.GetID();
  return summary;
}

int CMyFuncResult::SetData(const CMyFuncData* pFuncData, int32_t newId, const MyNumeric* value) {
  return SetRecord(*this, pFuncData, newId, value, nullptr);
}

int CMyFuncResult::SetData(const CMyFuncData* pFuncData, int32_t newId, const std::string* value) {
  return SetRecord(*this, pFuncData, newId, nullptr, value);
}

std::string CMyFuncResult::GetResultText() const {
  const std::string& format = SJ("【直前の結果】%s : %s");
  if (type >= kRetInt && type <= kRetFloat)
    return Format(format.c_str(), ReturnCodeToTypeName(type).c_str(), number.ToString().c_str());
  if (type == kRetString) return Format(format.c_str(), "STRING", text.c_str());
  return SJ("【直前の結果】VOID : ");
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
