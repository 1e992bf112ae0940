#include "fileops/commands/file_commands.h"

#include "execution/thread_dlg.h"
#include "fileops/trace_log.h"
#include "host/file_names.h"
#include "host/sjis.h"

namespace vpx {

const std::string& ArgText(const CMyFuncData& call, int i) {
  static const std::string kEmpty;
  return i < call.GetArgCount() ? call.GetArgText(i) : kEmpty;
}

int64_t ArgInt64(const CMyFuncData& call, int i) {
  return i < call.GetArgCount() ? call.GetArgValue(i).GetAsInt64() : 0;
}

int32_t ArgInt(const CMyFuncData& call, int i) {
  return i < call.GetArgCount() ? call.GetArgValue(i).GetAsInt() : 0;
}

void SetNumber(MyNumeric& number, int64_t value) {
  number.SetByString(std::to_string(value));
}

void FailJob(CMyThreadDlg& job, const std::string& text, bool trace) {
  job.SetError(text);
  SetNumber(job.NumericResult(), -1);
  if (trace) {
    WriteTrace(text);
    WriteTraceNewline();
  }
}

void EchoAndTrace(ICommandContext& engine, const std::string& text) {
  WriteTrace(text);
  engine.EchoLine(text);
}

int RefuseBadFileNames(ICommandContext& context, FuncId id, const CMyFuncData& call) {
  // CopyFileSect, CopyFileSectR and CombineFile name two files; the others one.
  const bool twoNames =
      id == FuncId::CopyFileSect || id == FuncId::CopyFileSectR || id == FuncId::CombineFileSS;
  const int names = twoNames ? 2 : 1;
  for (int i = 0; i < names; ++i) {
    std::string refusal = FileNameRefusalText(ArgText(call, i));
    if (!refusal.empty()) {
      context.EchoLine(refusal);
      return 1;
    }
  }
  return 0;
}

const JobStartFailureTexts& SharedStarterTexts() {
  static const JobStartFailureTexts texts{SJ("※　スレッドクラス生成に失敗しました。"),
                                          std::string(),
                                          SJ("※　スレッドクラスの登録に失敗しました。")};
  return texts;
}

void RegisterFileCommands(HandlerTable& table) {
  RegisterCopyCommands(table);
  RegisterCreateCommands(table);
  RegisterModifyCommands(table);
  RegisterChecksumCommands(table);
  RegisterWriteCommands(table);
  RegisterDirCommands(table);
}

}  // namespace vpx
