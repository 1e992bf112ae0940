// Handlers of the digit-count queries: factorial digit counts and their inverse, StrLen,
// the digit, integer and fraction sizes of a number, and one digit of a number by place.
#include <string>

#include "engine/command_context.h"
#include "engine/commands/math/math_command_support.h"
#include "engine/commands/math/math_commands.h"
#include "engine/handler_table.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "language/func_data.h"
#include "numbers/math_factorial.h"
#include "numbers/my_numeric.h"

namespace vpx {
namespace {

// Whether a count's echo comes before or after its record (a failed record prints its own
// text): each command keeps the order its users see.
enum class EchoOrder { kBeforeRecord, kAfterRecord };

// Records the count as a number and echoes it.
int RecordCount(ICommandContext& context, FuncId id, CMyFuncData& call, uint32_t count,
                const std::string& echo, EchoOrder order = EchoOrder::kAfterRecord) {
  MyNumeric r;
  r.SetByUInt(count);
  if (order == EchoOrder::kBeforeRecord) context.EchoLine(echo);
  const int recorded = RecordNumber(context, id, call, r);
  if (order == EchoOrder::kAfterRecord) context.EchoLine(echo);
  return recorded;
}

// GetFactorialDigitSize.
int RunFactorialDigitSize(ICommandContext& context, FuncId id, CMyFuncData& call) {
  if (call.GetArgCount() < 1) return 0;
  const uint32_t n = call.GetArgValue(0).GetAsUInt();
  if (n > kFactorialTableLastIndex) {
    context.EchoLine(SJ("※　階乗データが大きすぎます。10万以下のみ利用できます。"));
    return 0;
  }
  const uint32_t digits = FactorialDigitTable()[n];
  return RecordCount(context, id, call, digits, Format("%u", digits), EchoOrder::kBeforeRecord);
}

// GetFactorialDataFromDigitSize.
int RunFactorialFromDigitSize(ICommandContext& context, FuncId id, CMyFuncData& call) {
  if (call.GetArgCount() < 1) return 0;
  const uint32_t n = FindFactorialByDigitCount(call.GetArgValue(0).GetAsUInt());
  return RecordCount(context, id, call, n, Format("%u", n), EchoOrder::kBeforeRecord);
}

// StrLen: bytes of the text, a two-byte character counting 2.
int RunStrLen(ICommandContext& context, FuncId id, CMyFuncData& call) {
  if (call.GetArgCount() < 1) return 0;
  const uint32_t length = static_cast<uint32_t>(call.GetArgText(0).size());
  return RecordCount(context, id, call, length, Format("%d", static_cast<int>(length)),
                     EchoOrder::kBeforeRecord);
}

// GetDigitSize, GetIntSize, GetFloatSize: the fields as they stand.
int RunSizeQuery(ICommandContext& context, FuncId id, CMyFuncData& call) {
  if (call.GetArgCount() < 1) return 0;
  const MyNumeric& x = call.GetArgValue(0);
  switch (id) {
    case FuncId::GetDigitSize:
      return RecordCount(context, id, call, x.GetValidSize(),
                         Format(SJ("指定データは %u 桁です。").c_str(), x.GetValidSize()));
    case FuncId::GetIntSize:
      return RecordCount(context, id, call, x.GetIntSize(),
                         Format(SJ("指定データの整数部分は %u 桁です。").c_str(), x.GetIntSize()));
    default:
      return RecordCount(context, id, call, x.GetSPSize(),
                         Format(SJ("指定データの小数以下は %u 桁です。").c_str(), x.GetSPSize()));
  }
}

// GetDigitData: the digit at place k (0 the units digit, -1 the first fraction
// digit), read through a parameter snapshot.
int RunDigitData(ICommandContext& context, FuncId id, CMyFuncData& call) {
  if (call.GetArgCount() < 2) return 0;
  const MyNumericParam param = call.GetArgValue(0).GetParam();
  const int32_t k = call.GetArgValue(1).GetAsInt();
  const int64_t place = k;
  if (place < -static_cast<int64_t>(param.SPSize) || place >= param.IntSize ||
      param.pbBuff == nullptr) {
    context.EchoLine(
        Format(SJ("※　%d 桁目は数値の範囲を超えています。整数部分 %u 桁 / 小数部分 %u 桁").c_str(),
               k, param.IntSize, param.SPSize));
    return 0;
  }
  const uint32_t digit = param.pbBuff[static_cast<int64_t>(param.SPPos) + place];
  return RecordCount(context, id, call, digit,
                     Format(SJ("%d 桁目は [ %u ] です。").c_str(), k, digit));
}

}  // namespace

void RegisterDigitCommands(HandlerTable& table) {
  table.AddCommand(FuncId::GetFactorialDigitSize, RunFactorialDigitSize);
  table.AddCommand(FuncId::GetFactorialDataFromDigitSize, RunFactorialFromDigitSize);
  table.AddCommand(FuncId::StrLen, RunStrLen);
  for (FuncId id : {FuncId::GetDigitSize, FuncId::GetIntSize, FuncId::GetFloatSize})
    table.AddCommand(id, RunSizeQuery);
  table.AddCommand(FuncId::GetDigitData, RunDigitData);
}

}  // namespace vpx
