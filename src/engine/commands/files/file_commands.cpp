#include "engine/commands/files/file_commands.h"

#include "engine/thread_dlg.h"
#include "files/file_primitives.h"
#include "files/user_file.h"
#include "host/file_names.h"
#include "host/sjis.h"
#include "host/trace_log.h"

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

void EchoAndTrace(ICommandContext& context, const std::string& text) {
  WriteTrace(text);
  context.EchoLine(text);
}

int64_t ExistingFileSize(ICommandContext& context, const std::string& file,
                         const std::string& missingText, bool trace) {
  auto say = [&](const std::string& text) {
    if (trace) WriteTrace(text);
    context.EchoLine(text);
  };
  if (!IxExistFile(file, false)) {
    say(missingText);
    return -1;
  }
  FileOpenError openError;
  const int64_t size = QueryUserFileSize(file, &openError);
  if (size < 0) say(OpenFailureText(openError, file));
  return size;
}

int EchoOutcome(ICommandContext& context, const FileResult<Done>& outcome) {
  context.EchoLine(outcome ? outcome.value().text : outcome.failureText());
  return outcome ? 1 : 0;
}

int EchoOutcome(ICommandContext& context, const FileResult<void>& outcome,
                const std::string& successText) {
  context.EchoLine(outcome ? successText : outcome.failureText());
  return outcome ? 1 : 0;
}

namespace {

// How many leading arguments of a file handler are file names.
int FileNameCount(FuncId id) {
  switch (id) {
    case FuncId::CombineFileSSS:
      return 3;
    case FuncId::CopyFileSect:
    case FuncId::CopyFileSectR:
    case FuncId::CombineFileSS:
    case FuncId::ChangeFileName:
      return 2;
    default:
      return 1;
  }
}

}  // namespace

int RefuseBadFileNames(ICommandContext& context, FuncId id, const CMyFuncData& call) {
  const int names = FileNameCount(id);
  for (int i = 0; i < names; ++i) {
    std::string refusal = FileNameRefusalText(ArgText(call, i));
    if (!refusal.empty()) {
      context.EchoLine(refusal);
      return 1;
    }
  }
  return 0;
}

bool ConfirmReplace(ICommandContext& context, const std::string& question) {
  IDialogs* dialogs = context.GetUi().dialogs;
  if (dialogs != nullptr && dialogs->AskYesNo(question)) return true;
  context.EchoLine(SJ("キャンセルしました。"));
  return false;
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
  RegisterRenameCommand(table);
  RegisterModifyCommands(table);
  RegisterChecksumCommands(table);
  RegisterWriteCommands(table);
  RegisterEntryWriteCommands(table);
  RegisterDirCommands(table);
}

}  // namespace vpx
