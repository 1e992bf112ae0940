// The dispatcher: runs the commands the engine itself owns (AddInt, SubInt, GetCurDir,
// SetString, GetListItemNum, GetResultData, ListUpFunc) and routes every other ID through
// the handler table; an ID without a handler answers with the invalid-ID message.
#include <string>

#include "command/my_reg_exp.h"
#include "execution/engine_impl.h"
#include "fileops/trace_log.h"
#include "host/platform.h"
#include "host/sjis.h"

namespace vpx {
namespace {

constexpr size_t kCurDirLimit = 2048;

bool IsAcceptedWithoutAction(int32_t id) {
  switch (id) {
    case 0:
    case 5:
    case 28:
    case 104:
    case 105:
    case 205:
    case 999999:
      return true;
    default:
      return false;
  }
}

// AddInt (IDs 1 to 4) and SubInt (6 to 9): the sum or difference of the two arguments,
// echoed and kept as the previous result only.
int RunIntArithmetic(CVorpexEngine& engine, int32_t id, CMyFuncData& call, bool subtract) {
  if (call.GetArgCount() < 2) return 0;
  MyNumeric value(call.GetArgValue(0));
  if (subtract) {
    value.Sub(call.GetArgValue(1));
  } else {
    value.Add(call.GetArgValue(1));
  }
  std::string text;
  const bool rendered = value.GetDataAsStr(&text) >= 0;
  if (!rendered && !subtract) text = SJ("※　関数実行に失敗。");
  engine.EchoLine(text);
  if (engine.PreviousResult().SetData(&call, id, &value) == 0)
    engine.EchoLine(SJ("※　結果の一時保存に失敗。"));
  return rendered ? 1 : 0;
}

// GetCurDir (ID 100): the current directory becomes a STRING result, or the failure text.
int RunGetCurDir(CVorpexEngine& engine, CMyFuncData& call) {
  std::string dir;
  if (!GetCurrentDir(dir) || dir.size() >= kCurDirLimit)
    dir = SJ("※　カレントディレクトリの取得に失敗。");
  engine.EchoLine(dir);
  if (engine.PreviousResult().SetData(&call, 100, &dir) == 0) {
    engine.EchoLine(SJ("※　結果の一時保存に失敗。"));
    return 0;
  }
  // The control thread changes the list too, so entry 0 is stored under the list lock.
  engine.SetResultToListAndShortCut(engine.PreviousResult(), true);
  return 1;
}

// SetString (ID 107): the argument text becomes a STRING result.
int RunSetString(CVorpexEngine& engine, CMyFuncData& call) {
  if (call.GetArgCount() < 1 ||
      engine.PreviousResult().SetData(&call, 107, &call.GetArgText(0)) == 0) {
    engine.EchoLine(SJ("※　結果の一時保存に失敗。"));
    return 0;
  }
  engine.EchoLine(engine.PreviousResult().text);
  engine.SetResultToListAndShortCut(engine.PreviousResult(), true);
  return 1;
}

int RunGetListItemNum(CVorpexEngine& engine) {
  if (!engine.AcquireListLock()) return 0;
  const uint32_t count = engine.ShortCutArray().GetCount();
  engine.ReleaseListLock();
  engine.EchoLine(Format("%u", count));
  return 1;
}

// ListUpFunc: every registered signature (ID 1000), or those whose whole name the keyword
// matches (ID 1001).
int RunListUpFunc(CVorpexEngine& engine, int32_t id, CMyFuncData& call) {
  CMyMacro& macro = engine.GetMacro();
  const uint32_t count = macro.GetRegisteredNum();
  const std::string keyword =
      id == 1001 && call.GetArgCount() > 0 ? call.GetArgText(0) : std::string();
  if (id == 1001 && keyword.empty()) return 1;  // an empty keyword matches no name
  for (uint32_t i = 0; i < count; ++i) {
    if (id == 1001) {
      CMyRegExp matcher;
      const std::string name = macro.GetFuncName(i);
      matcher.SetTarget(name);
      matcher.SetKeyword(keyword);
      int length = 0;
      const int position = matcher.SearchKey(0, &length);
      if (position != 0 || static_cast<size_t>(length) != name.size()) continue;
    }
    engine.EchoLine(macro.GetRegisterdMacroInfo(i));
  }
  return 1;
}

}  // namespace

int CVorpexEngine::ExecuteFunc(int32_t id, CMyFuncData* call) {
  if (call == nullptr) return 0;
  if (IsAcceptedWithoutAction(id)) return 1;
  switch (id) {
    case 1:
    case 2:
    case 3:
    case 4:
      return RunIntArithmetic(*this, id, *call, false);
    case 6:
    case 7:
    case 8:
    case 9:
      return RunIntArithmetic(*this, id, *call, true);
    case 100:
      return RunGetCurDir(*this, *call);
    case 107:
      return RunSetString(*this, *call);
    case 307:
      return RunGetListItemNum(*this);
    case 308:
      EchoLine(impl_->previous.GetResultText());
      return 1;
    case 1000:
    case 1001:
      return RunListUpFunc(*this, id, *call);
    default:
      break;
  }
  const uint32_t uid = static_cast<uint32_t>(id);
  if (CommandHandler handler = handlers_.FindCommand(uid)) return handler(*this, uid, *call);
  EchoLine(Format(SJ("※　無効な識別IDです。[%u]\n").c_str(), uid));
  return 0;
}

}  // namespace vpx
