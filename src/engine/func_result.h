// CMyFuncResult: the result record every value-producing command leaves — number or text,
// return type, a summary of the call that produced it, and the reservation and override
// state used by worker jobs. Copies are deep; one is held per result entry, so it is small.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "language/func_data.h"
#include "language/func_id.h"
#include "numbers/my_numeric.h"

namespace vpx {

class CMyThreadDlg;

// What a result record keeps of the call that produced it: the line as typed (a reserved
// entry shows it, list files save it), the ID and the function name. One result entry holds
// one, so all of it sits in a single block behind one pointer, and the name is left out of
// the block when it is the table's name of the ID (as it is for every parsed call).
class CMyCallSummary {
 public:
  CMyCallSummary() = default;
  CMyCallSummary(const CMyCallSummary& other);
  CMyCallSummary(CMyCallSummary&&) noexcept = default;
  CMyCallSummary& operator=(const CMyCallSummary& other);
  CMyCallSummary& operator=(CMyCallSummary&&) noexcept = default;

  // The setters throw std::bad_alloc and then leave the summary as it was.
  std::string GetLineText() const;
  void SetLineText(const std::string& text);
  int32_t GetID() const;
  void SetID(int32_t id);
  std::string GetFuncName() const;
  void SetFuncName(const std::string& name);
  // The summary of a parsed call (throws std::bad_alloc).
  static CMyCallSummary Of(const CMyFuncData& call);

 private:
  struct Parts;
  Parts Read() const;
  void Write(const Parts& parts);
  size_t BlockSize() const;

  std::unique_ptr<char[]> block_;  // none: no line, ID -1, no name
};

class CMyFuncResult {
 public:
  CMyFuncResult() = default;

  // value: a MyNumeric for types 1 to 3, a std::string for type 4 (by the table's type
  // of id); both are accepted and the one the type needs is taken.
  int SetData(const CMyFuncData* pFuncData, int32_t id, const MyNumeric* number);
  int SetData(const CMyFuncData* pFuncData, int32_t id, const std::string* text);
  int SetData(const CMyFuncData* pFuncData, FuncId id, const MyNumeric* number) {
    return SetData(pFuncData, static_cast<int32_t>(FuncIdValue(id)), number);
  }
  int SetData(const CMyFuncData* pFuncData, FuncId id, const std::string* text) {
    return SetData(pFuncData, static_cast<int32_t>(FuncIdValue(id)), text);
  }
  std::string GetResultText() const;
  int GetResultValueText(std::string& out) const;
  // "S" when overridden, else the first letter of the type name.
  std::string GetTypeLetter() const;
  // The table's signature of the record's ID ("INT AddInt(INT, INT)"), made when asked.
  std::string Signature() const;

  // Plain fields; the record is a value type. The 32-bit fields sit together so that the
  // record, one per result entry, carries no padding between them.
  const CMyThreadDlg* owner = nullptr;
  MyNumeric number;
  std::string text;
  CMyCallSummary callData;
  std::string overrideText;
  uint32_t reserved = 0;
  uint32_t type = 0;
  int32_t id = -1;
  uint32_t overrideFlag = 0;
};

}  // namespace vpx
