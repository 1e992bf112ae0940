// The math commands' registration, and the handlers of the four operations, Surplus,
// Floor and the hexadecimal, decimal and binary renderings.
#include "engine/commands/math/math_commands.h"

#include <string>

#include "engine/command_context.h"
#include "engine/commands/math/math_command_support.h"
#include "engine/handler_table.h"
#include "language/func_data.h"
#include "numbers/my_numeric.h"

namespace vpx {
namespace {

struct Operation {
  FuncId id;
  const char* nameUtf8;  // named in the failure text
  bool refresh;          // insignificant zeros removed after the operation
};

constexpr Operation kOperations[] = {{FuncId::Add, "加算", true},
                                     {FuncId::Sub, "減算", true},
                                     {FuncId::Mul, "乗算", true},
                                     {FuncId::Div, "除算", true},
                                     {FuncId::Surplus, "剰余の計算", false},
                                     {FuncId::Floor, "切り捨て", false}};

const Operation* FindOperation(FuncId id) {
  for (const Operation& op : kOperations)
    if (op.id == id) return &op;
  return nullptr;
}

NumStatus Apply(FuncId id, MyNumeric& r, const CMyFuncData& call) {
  switch (id) {
    case FuncId::Add:
      return r.Add(call.GetArgValue(1));
    case FuncId::Sub:
      return r.Sub(call.GetArgValue(1));
    case FuncId::Mul:
      return r.Mul(call.GetArgValue(1));
    case FuncId::Div:
      return r.Div(call.GetArgValue(1));
    case FuncId::Surplus:
      return r.Surplus(call.GetArgValue(1));
    default:
      return r.ClearFraction();
  }
}

// The values the number operations report outwardly: 0 for success, -1 for a failure;
// Div gives -2 for a zero divisor, Surplus -2 for an unusable divisor and -3 for a zero one.
constexpr int kSucceeded = 0;
constexpr int kFailed = -1;
constexpr int kDivDivisorZero = -2;
constexpr int kSurplusDivisorInError = -2;
constexpr int kSurplusDivisorZero = -3;

// The one place where an operation's status becomes its documented return value.
int ReturnValueOf(FuncId id, NumStatus status) {
  switch (status) {
    case NumStatus::kOk:
      return kSucceeded;
    case NumStatus::kDivisorZero:
      return id == FuncId::Surplus ? kSurplusDivisorZero : kDivDivisorZero;
    case NumStatus::kDivisorInError:
      return kSurplusDivisorInError;
    default:
      return kFailed;
  }
}

bool IsZeroDivisor(FuncId id, int returned) {
  if (id == FuncId::Div) return returned == kDivDivisorZero;
  return id == FuncId::Surplus && returned == kSurplusDivisorZero;
}

// Add, Sub, Mul, Div, Surplus, Floor: a failed operation is reported and nothing is
// recorded, so an unchanged argument is never mistaken for a result.
int RunOperation(ICommandContext& context, FuncId id, CMyFuncData& call) {
  const Operation* op = FindOperation(id);
  if (op == nullptr || call.GetArgCount() < (id == FuncId::Floor ? 1 : 2)) return 0;
  MyNumeric r(call.GetArgValue(0));
  const int returned = ReturnValueOf(id, Apply(id, r, call));
  if (returned != kSucceeded) {
    context.EchoLine(IsZeroDivisor(id, returned) ? DivisionByZeroText()
                                                 : OperationFailureText(op->nameUtf8));
    return 0;
  }
  if (op->refresh) {
    r.RefreshValidPartSize();
  } else {
    r.CheckZero();  // a zero result (Floor(-0.5)) shows no sign
  }
  return EchoAndRecordNumber(context, id, call, r);
}

enum class Radix { kHex, kDec, kBin };

struct Rendering {
  FuncId id;
  Radix radix;
  bool fromText;  // reads the argument text, else takes the number
};

constexpr Rendering kRenderings[] = {
    {FuncId::ToStrHexF, Radix::kHex, false}, {FuncId::ToStrHexS, Radix::kHex, true},
    {FuncId::ToStrDecF, Radix::kDec, false}, {FuncId::ToStrDecS, Radix::kDec, true},
    {FuncId::ToStrBinF, Radix::kBin, false}, {FuncId::ToStrBinS, Radix::kBin, true},
};

Rendering RenderingOf(FuncId id) {
  for (const Rendering& rendering : kRenderings)
    if (rendering.id == id) return rendering;
  return kRenderings[0];
}

// ToStrHex, ToStrDec, ToStrBin: the FLOAT forms take the number, the STRING forms read the
// argument text (a text that is no number gives zero). The text is a STRING result.
int RunRendering(ICommandContext& context, FuncId id, CMyFuncData& call) {
  if (call.GetArgCount() < 1) return 0;
  const Rendering rendering = RenderingOf(id);
  MyNumeric value;
  if (!rendering.fromText) {
    value = call.GetArgValue(0);
  } else if (value.SetByString(call.GetArgText(0)) != NumStatus::kOk) {
    value.SetZero();
  }
  std::string text;
  if (rendering.radix == Radix::kHex) {
    value.GetDataAsStrHex(text);
  } else if (rendering.radix == Radix::kDec) {
    value.GetDataAsStr(&text);
  } else {
    value.GetDataAsStrBin(text);
  }
  context.EchoLine(text);
  return RecordText(context, id, call, text);
}

}  // namespace

void RegisterMathCommands(HandlerTable& table) {
  for (const Operation& op : kOperations) table.AddCommand(op.id, RunOperation);
  for (const Rendering& rendering : kRenderings) table.AddCommand(rendering.id, RunRendering);
  RegisterSeriesCommands(table);
  RegisterDigitCommands(table);
  RegisterPiCommand(table);
  RegisterTextNumberCommands(table);
}

}  // namespace vpx
