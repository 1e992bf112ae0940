// The dispatcher: routes every ID through the handler table, where an ID without a handler
// answers with the invalid-ID message; and the commands the engine itself owns (AddInt,
// AddUInt, SubInt, GetCurDir, SetString, GetListItemNum, GetResultData, ListUpFunc) with the IDs
// accepted without action.
#include <span>
#include <string>

#include "engine/engine_impl.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "language/my_reg_exp.h"

namespace vpx {
namespace {

constexpr size_t kCurDirLimit = 2048;

// Accepted and deliberately without action: success, no output.
constexpr FuncId kInertFuncIds[] = {FuncId::Nop, FuncId::Test};

int RunNothing(ICommandContext&, FuncId, CMyFuncData&) {
  return 1;
}

bool IsSubInt(FuncId id) {
  switch (id) {
    case FuncId::SubIntII:
    case FuncId::SubIntIU:
    case FuncId::SubIntUI:
    case FuncId::SubIntUU:
      return true;
    default:
      return false;
  }
}

// AddInt, AddUInt and SubInt: the sum or difference of the two arguments, echoed and kept
// as the previous result only.
int RunIntArithmetic(ICommandContext& context, FuncId id, CMyFuncData& call) {
  if (call.GetArgCount() < 2) return 0;
  const bool subtract = IsSubInt(id);
  MyNumeric value(call.GetArgValue(0));
  if (subtract) {
    value.Sub(call.GetArgValue(1));
  } else {
    value.Add(call.GetArgValue(1));
  }
  std::string text;
  const bool rendered = value.GetDataAsStr(&text) != 0;
  if (!rendered) text = SJ("※　関数実行に失敗。");
  context.EchoLine(text);
  if (context.PreviousResult().SetData(&call, id, &value) == 0)
    context.EchoLine(SJ("※　結果の一時保存に失敗。"));
  return rendered ? 1 : 0;
}

// GetCurDir: the current directory becomes a STRING result, or the failure text.
int RunGetCurDir(ICommandContext& context, FuncId id, CMyFuncData& call) {
  std::string dir;
  if (!GetCurrentDir(dir) || dir.size() >= kCurDirLimit)
    dir = SJ("※　カレントディレクトリの取得に失敗。");
  context.EchoLine(dir);
  if (context.PreviousResult().SetData(&call, id, &dir) == 0) {
    context.EchoLine(SJ("※　結果の一時保存に失敗。"));
    return 0;
  }
  // The control thread changes the list too, so entry 0 is stored under the list lock.
  context.SetResultToListAndShortCut(context.PreviousResult(), true);
  return 1;
}

// SetString: the argument text becomes a STRING result.
int RunSetString(ICommandContext& context, FuncId id, CMyFuncData& call) {
  if (call.GetArgCount() < 1 ||
      context.PreviousResult().SetData(&call, id, &call.GetArgText(0)) == 0) {
    context.EchoLine(SJ("※　結果の一時保存に失敗。"));
    return 0;
  }
  context.EchoLine(context.PreviousResult().text);
  context.SetResultToListAndShortCut(context.PreviousResult(), true);
  return 1;
}

int RunGetListItemNum(ICommandContext& context, FuncId, CMyFuncData&) {
  ListLockScope scope(context);
  if (!scope.Ok()) return 0;
  const uint32_t count = context.ShortCutArray().GetCount();
  scope.Release();
  context.EchoLine(Format("%u", count));
  return 1;
}

int RunGetResultData(ICommandContext& context, FuncId, CMyFuncData&) {
  context.EchoLine(context.PreviousResult().GetResultText());
  return 1;
}

// ListUpFunc: every registered signature, or those whose whole name the keyword matches.
int RunListUpFunc(ICommandContext& context, FuncId id, CMyFuncData& call) {
  const bool filtered = id == FuncId::ListUpFuncS;
  CMyMacro& macro = context.GetMacro();
  const uint32_t count = macro.GetRegisteredNum();
  const std::string keyword =
      filtered && call.GetArgCount() > 0 ? call.GetArgText(0) : std::string();
  if (filtered && keyword.empty()) return 1;  // an empty keyword matches no name
  for (uint32_t i = 0; i < count; ++i) {
    if (filtered) {
      CMyRegExp matcher;
      const std::string name = macro.GetFuncName(i);
      matcher.SetTarget(name);
      matcher.SetKeyword(keyword);
      int length = 0;
      const int position = matcher.SearchKey(0, &length);
      if (position != 0 || static_cast<size_t>(length) != name.size()) continue;
    }
    context.EchoLine(macro.GetRegisterdMacroInfo(i));
  }
  return 1;
}

}  // namespace

std::span<const FuncId> InertFuncIds() {
  return kInertFuncIds;
}

void RegisterEngineCommands(HandlerTable& table) {
  for (FuncId id : kInertFuncIds) table.AddCommand(id, RunNothing);
  for (FuncId id :
       {FuncId::AddIntII, FuncId::AddIntIU, FuncId::AddIntUI, FuncId::AddIntUU, FuncId::AddUInt,
        FuncId::SubIntII, FuncId::SubIntIU, FuncId::SubIntUI, FuncId::SubIntUU})
    table.AddCommand(id, RunIntArithmetic);
  table.AddCommand(FuncId::GetCurDir, RunGetCurDir);
  table.AddCommand(FuncId::SetString, RunSetString);
  table.AddCommand(FuncId::GetListItemNum, RunGetListItemNum);
  table.AddCommand(FuncId::GetResultData, RunGetResultData);
  table.AddCommand(FuncId::ListUpFuncV, RunListUpFunc);
  table.AddCommand(FuncId::ListUpFuncS, RunListUpFunc);
}

int CVorpexEngine::ExecuteFunc(int32_t id, CMyFuncData* call) {
  if (call == nullptr) return 0;
  const uint32_t uid = static_cast<uint32_t>(id);
  if (CommandHandler handler = handlers_.FindCommand(static_cast<FuncId>(uid)))
    return handler(*this, static_cast<FuncId>(uid), *call);
  EchoLine(Format(SJ("※　無効な識別IDです。[%u]\n").c_str(), uid));
  return 0;
}

}  // namespace vpx
