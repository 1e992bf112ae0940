// StrToInt and IntToStr: integers read from a text argument. StrToInt reads the text with
// the number syntax of a typed argument and keeps the integer part; IntToStr takes the
// text's bytes as one big-endian unsigned integer (so "PK" gives 0x504B, useful for magic
// numbers of file formats).
#include <string>

#include "engine/command_context.h"
#include "engine/commands/math/math_command_support.h"
#include "engine/commands/math/math_commands.h"
#include "engine/handler_table.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "language/func_data.h"
#include "numbers/my_numeric.h"

namespace vpx {
namespace {

// StrToInt: decimal, exponent, 0x and B forms as a typed argument reads them; the fraction
// is dropped. A text that holds no number records nothing.
int RunStrToInt(ICommandContext& context, FuncId id, CMyFuncData& call) {
  if (call.GetArgCount() < 1) return 0;
  const std::string& text = call.GetArgText(0);
  MyNumeric value;
  if (text.empty() || value.SetByString(text) != NumStatus::kOk) {
    context.EchoLine(Format(SJ("※　数値として読めない文字列です。[%s]").c_str(), text.c_str()));
    return 0;
  }
  if (value.ClearFraction() != NumStatus::kOk) {
    context.EchoLine(OperationFailureText("切り捨て"));
    return 0;
  }
  value.CheckZero();  // "-0.5" gives 0 without a sign
  return EchoAndRecordNumber(context, id, call, value);
}

// IntToStr: the bytes of the text, first byte most significant; an empty text is 0.
int RunIntToStr(ICommandContext& context, FuncId id, CMyFuncData& call) {
  if (call.GetArgCount() < 1) return 0;
  const std::string& text = call.GetArgText(0);
  MyNumeric value;
  if (!text.empty() &&
      value.SetByBinary(static_cast<uint32_t>(text.size()),
                        reinterpret_cast<const uint8_t*>(text.data()), 0) != NumStatus::kOk) {
    context.EchoLine(SJ("※　バイナリから数値への変換に失敗。"));
    return 0;
  }
  return EchoAndRecordNumber(context, id, call, value);
}

}  // namespace

void RegisterTextNumberCommands(HandlerTable& table) {
  table.AddCommand(FuncId::StrToInt, RunStrToInt);
  table.AddCommand(FuncId::IntToStr, RunIntToStr);
}

}  // namespace vpx
