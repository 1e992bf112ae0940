#include "engine/commands/files/file_commands.h"

#include "engine/thread_dlg.h"
#include "files/file_primitives.h"
#include "files/user_file.h"
#include "files/value_writer.h"
#include "host/file_names.h"
#include "host/sjis.h"
#include "host/text_format.h"
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

namespace {

// The arguments of a file command that are byte offsets, addresses or sizes: the first
// and, when second > 0, the second (0 and 0: none).
struct OffsetArguments {
  int first = 0;
  int second = 0;
};

OffsetArguments OffsetArgumentsOf(FuncId id) {
  switch (id) {
    case FuncId::WriteToFileAsStrS:
    case FuncId::WriteToFileAsStrF:
    case FuncId::WriteToFileAsBinS:
    case FuncId::WriteToFileAsBinF:
    case FuncId::WriteToFileAsBinBES:
    case FuncId::WriteToFileAsBinBEF:
    case FuncId::WriteToFileAsBCD:
    case FuncId::WriteToFileAsBCDBE:
    case FuncId::WriteResultToFileAsText:
    case FuncId::WriteResultToFileAsBin:
    case FuncId::WriteResultToFileAsBinBE:
    case FuncId::WriteStrToFile:
    case FuncId::WriteIntToFile:
    case FuncId::WriteIntToFileBE:
    case FuncId::ModifyFileBitSUIS:
    case FuncId::ModifyFileBitSUUIS:
    case FuncId::ModifyFileByte:
    case FuncId::ResizeFile:
    case FuncId::MakeFile:
    case FuncId::MakeClearedFile:
      return {1, 0};
    case FuncId::DumpFileRange:
    case FuncId::DumpFileR:
    case FuncId::ClearFileSect:
      return {1, 2};
    case FuncId::CopyFileSect:
    case FuncId::CopyFileSectR:
      return {2, 3};
    default:
      return {};
  }
}

bool BeyondInt64(const CMyFuncData& call, int i) {
  static const MyNumeric kMax = [] {
    MyNumeric n;
    n.SetByString("9223372036854775807");
    return n;
  }();
  static const MyNumeric kMin = [] {
    MyNumeric n;
    n.SetByString("-9223372036854775808");
    return n;
  }();
  if (i <= 0 || i >= call.GetArgCount() || call.GetArgKind(i) == kKindString) return false;
  const MyNumeric& value = call.GetArgValue(i);
  return value.IsGreater(kMax) || value.IsLess(kMin);
}

}  // namespace

int RefuseOutOfRangeNumbers(ICommandContext& context, FuncId id, const CMyFuncData& call) {
  const OffsetArguments offsets = OffsetArgumentsOf(id);
  for (int i : {offsets.first, offsets.second}) {
    if (!BeyondInt64(call, i)) continue;
    context.EchoLine(Format(
        SJ("※　指定値が範囲外です（-9223372036854775808 から 9223372036854775807 まで）。[ %s ]")
            .c_str(),
        SignedDecimalText(call.GetArgValue(i)).c_str()));
    return 1;
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
  RegisterInspectCommands(table);
  RegisterWriteCommands(table);
  RegisterEntryWriteCommands(table);
  RegisterDirCommands(table);
}

}  // namespace vpx
