// CMyFuncResult: the result record every value-producing command leaves — number or text,
// return type, the parsed call that produced it, and the reservation and override state
// used by worker jobs. Copies are deep.
#pragma once

#include <cstdint>
#include <string>

#include "language/func_data.h"
#include "language/func_id.h"
#include "numbers/my_numeric.h"

namespace vpx {

class CMyThreadDlg;

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

  // Plain fields; the record is a value type. The 32-bit fields sit together so that the
  // record, one per result entry, carries no padding between them.
  const CMyThreadDlg* owner = nullptr;
  MyNumeric number;
  std::string text;
  CMyFuncData callData;
  std::string signature;
  std::string overrideText;
  uint32_t reserved = 0;
  uint32_t type = 0;
  int32_t id = -1;
  uint32_t overrideFlag = 0;
};

}  // namespace vpx
