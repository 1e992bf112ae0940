// CMyFuncData: the record of one parsed command line — name, the typed arguments (text,
// kind, number) and the kind string the registry matches. Copied deeply into every holder
// (previous result, shortcut entry, job).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "numbers/my_numeric.h"

namespace vpx {

// Argument kind codes, shared with the return type codes.
enum ArgKind : uint8_t {
  kKindVoid = 0,
  kKindInt = 1,
  kKindUInt = 2,
  kKindFloat = 3,
  kKindString = 4
};

class CMyFuncData {
 public:
  CMyFuncData() = default;

  void Clear();
  void AddArgument(const std::string& text, uint8_t kind, const MyNumeric& value);
  // Room for n arguments, so long argument lists are not copied while they grow.
  void ReserveArguments(size_t n);
  void SetArgTypeStr();

  int GetArgCount() const { return static_cast<int>(argTexts_.size()); }
  const std::string& GetArgText(int i) const { return argTexts_.at(i); }
  uint8_t GetArgKind(int i) const { return argKinds_.at(i); }
  const MyNumeric& GetArgValue(int i) const { return argValues_.at(i); }
  const std::string& GetArgTypeStr() const { return argTypeStr_; }

  const std::string& GetLineText() const { return lineText_; }
  void SetLineText(const std::string& text) { lineText_ = text; }
  int32_t GetID() const { return id_; }
  void SetID(int32_t id) { id_ = id; }
  const std::string& GetFuncName() const { return funcName_; }
  void SetFuncName(const std::string& name) { funcName_ = name; }

 private:
  std::string lineText_;
  int32_t id_ = -1;
  std::string funcName_;
  std::vector<std::string> argTexts_;
  std::vector<uint8_t> argKinds_;
  std::vector<MyNumeric> argValues_;
  std::string argTypeStr_;
};

}  // namespace vpx
