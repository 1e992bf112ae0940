// The math commands' registration, and the handlers of the four operations, Surplus,
// Floor and the hexadecimal, decimal and binary renderings.
#include "numeric/math_commands.h"

#include <string>

#include "command/func_data.h"
#include "execution/engine.h"
#include "execution/handler_table.h"
#include "numeric/math_command_support.h"
#include "numeric/my_numeric.h"

namespace vpx {
namespace {

struct Operation {
  uint32_t id;
  const char* nameUtf8;  // named in the failure text
  bool refresh;          // insignificant zeros removed after the operation
};

constexpr Operation kOperations[] = {{17, "加算", true},        {18, "減算", true},
                                     {19, "乗算", true},        {20, "除算", true},
                                     {22, "剰余の計算", false}, {23, "切り捨て", false}};

const Operation* FindOperation(uint32_t id) {
  for (const Operation& op : kOperations)
    if (op.id == id) return &op;
  return nullptr;
}

int Apply(uint32_t id, MyNumeric& r, const CMyFuncData& call) {
  switch (id) {
    case 17:
      return r.Add(call.GetArgValue(1));
    case 18:
      return r.Sub(call.GetArgValue(1));
    case 19:
      return r.Mul(call.GetArgValue(1));
    case 20:
      return r.Div(call.GetArgValue(1));
    case 22:
      return r.Surplus(call.GetArgValue(1));
    default:
      return r.ClearFraction();
  }
}

bool IsZeroDivisor(uint32_t id, int status) {
  return (id == 20 && (status == -2 || status == -3)) || (id == 22 && status == -3);
}

// Add, Sub, Mul, Div, Surplus, Floor: a failed operation is reported and nothing is
// recorded, so an unchanged argument is never mistaken for a result.
int RunOperation(CVorpexEngine& engine, uint32_t id, CMyFuncData& call) {
  const Operation* op = FindOperation(id);
  if (op == nullptr || call.GetArgCount() < (id == 23 ? 1 : 2)) return 0;
  MyNumeric r(call.GetArgValue(0));
  const int status = Apply(id, r, call);
  if (status < 0) {
    engine.EchoLine(IsZeroDivisor(id, status) ? DivisionByZeroText()
                                              : OperationFailureText(op->nameUtf8));
    return 0;
  }
  if (op->refresh) {
    r.RefreshValidPartSize();
  } else {
    r.CheckZero();  // a zero result (Floor(-0.5)) shows no sign
  }
  return EchoAndRecordNumber(engine, id, call, r);
}

// ToStrHex, ToStrDec, ToStrBin: even IDs take the number, odd IDs read the argument text
// (a text that is no number gives zero). The text is a STRING result.
int RunRendering(CVorpexEngine& engine, uint32_t id, CMyFuncData& call) {
  if (call.GetArgCount() < 1) return 0;
  MyNumeric value;
  if (id % 2 == 0) {
    value = call.GetArgValue(0);
  } else if (value.SetByString(call.GetArgText(0)) != 0) {
    value.SetZero();
  }
  std::string text;
  if (id <= 11) {
    value.GetDataAsStrHex(text);
  } else if (id <= 13) {
    value.GetDataAsStr(&text);
  } else {
    value.GetDataAsStrBin(text);
  }
  engine.EchoLine(text);
  return RecordText(engine, id, call, text);
}

}  // namespace

void RegisterMathCommands(HandlerTable& table) {
  for (const Operation& op : kOperations) table.AddCommand(op.id, RunOperation);
  for (uint32_t id = 10; id <= 15; ++id) table.AddCommand(id, RunRendering);
  RegisterSeriesCommands(table);
  RegisterDigitCommands(table);
}

}  // namespace vpx
