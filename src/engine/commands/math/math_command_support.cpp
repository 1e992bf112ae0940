#include "engine/commands/math/math_command_support.h"

#include <new>

#include "engine/command_context.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"
#include "language/func_data.h"

namespace vpx {

DecimalDigits ToDecimalDigits(const MyNumeric& x) {
  // A number that could not get its buffers has no digits to compute with.
  if (x.IsError()) throw std::bad_alloc();
  DecimalDigits d;
  uint32_t intDigits = 1;
  d.digits = x.GetDigitsMsdFirst(&intDigits);
  for (char& c : d.digits) c = static_cast<char>(c + '0');
  d.intDigits = intDigits;
  d.minus = x.IsMinus();
  Canonicalize(d, true);
  return d;
}

NumStatus StoreDecimalDigits(MyNumeric& x, const DecimalDigits& d) {
  try {
    // The digit characters are read as they are, not copied into digit values first.
    const NumStatus stored =
        x.SetDigitsMsdFirst(reinterpret_cast<const uint8_t*>(d.digits.data()),
                            static_cast<uint32_t>(d.digits.size()), d.intDigits, d.minus, '0');
    if (stored != NumStatus::kOk) return stored;
  } catch (const std::bad_alloc&) {
    WriteTrace(SJ("※　バッファの確保に失敗。StoreDecimalDigits()\n"));
    return NumStatus::kNoMemory;
  }
  // The nines are laid out again by the number itself so that it carries the mark.
  if (d.overflow) return x.SetAllNines(x.GetResultSize() + 10);
  return NumStatus::kOk;
}

int RecordNumber(ICommandContext& context, FuncId id, CMyFuncData& call, const MyNumeric& value) {
  CMyFuncResult& previous = context.PreviousResult();
  if (previous.SetData(&call, id, &value) == 0) {
    context.EchoLine(SJ("※　結果の一時保存に失敗。"));
    return 0;
  }
  context.SetResultToListAndShortCut(previous, true);
  return 1;
}

int RecordText(ICommandContext& context, FuncId id, CMyFuncData& call, const std::string& text) {
  CMyFuncResult& previous = context.PreviousResult();
  if (previous.SetData(&call, id, &text) == 0) {
    context.EchoLine(SJ("※　結果の一時保存に失敗。"));
    return 0;
  }
  context.SetResultToListAndShortCut(previous, true);
  return 1;
}

int EchoAndRecordNumber(ICommandContext& context, FuncId id, CMyFuncData& call,
                        const MyNumeric& value) {
  context.EchoNumber(value);
  return RecordNumber(context, id, call, value);
}

std::string OperationFailureText(const char* operationUtf8) {
  return Format(SJ("※　%sに失敗しました。").c_str(), SjisLiteral(operationUtf8).c_str());
}

const std::string& NegativeNumberText() {
  return SJ("※　負の数は使えません。");
}
const std::string& DivisionByZeroText() {
  return SJ("※　ゼロで除算しようとしました。");
}

}  // namespace vpx
