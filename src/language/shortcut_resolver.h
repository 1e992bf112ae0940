// IShortcutResolver: how the parser turns a $n argument into a value without knowing the
// store behind it (the engine's shortcut array implements it; tests may pass their own).
#pragma once

#include <cstdint>

#include "language/func_data.h"

namespace vpx {

class IShortcutResolver {
 public:
  virtual ~IShortcutResolver() = default;
  // Appends entry index to call as an argument of its kind. False when there is no such
  // entry or it holds no usable value (nothing, or a job's result still pending or failed).
  virtual bool AppendShortcutArgument(uint32_t index, CMyFuncData& call) const = 0;
};

}  // namespace vpx
