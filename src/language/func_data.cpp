#include "language/func_data.h"

namespace vpx {

void CMyFuncData::Clear() {
  argTexts_.clear();
  argKinds_.clear();
  argValues_.clear();
  argTypeStr_.clear();
  funcName_.clear();
}

void CMyFuncData::AddArgument(const std::string& text, uint8_t kind, const MyNumeric& value) {
  argTexts_.push_back(text);
  argKinds_.push_back(kind);
  argValues_.push_back(value);
}

void CMyFuncData::ReserveArguments(size_t n) {
  argTexts_.reserve(n);
  argKinds_.reserve(n);
  argValues_.reserve(n);
}

void CMyFuncData::SetArgTypeStr() {
  static constexpr char kLetters[] = {'V', 'I', 'U', 'F', 'S'};
  std::string kinds(argKinds_.empty() ? 1 : argKinds_.size(), 'V');
  for (size_t i = 0; i < argKinds_.size(); ++i)
    if (argKinds_[i] <= 4) kinds[i] = kLetters[argKinds_[i]];
  argTypeStr_ = std::move(kinds);
}

}  // namespace vpx
