// CombineFile (appending one file to another, or making a new file of two), ResizeFile,
// ClearFile and ClearFileSect, MakeFile, MakeClearedFile and GetFileSize. CombineFile and
// MakeClearedFile run their work as jobs.
#include "engine/commands/files/file_commands.h"
#include "engine/thread_dlg.h"
#include "files/file_create.h"
#include "files/file_primitives.h"
#include "files/section_copy.h"
#include "files/user_file.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

const JobStartFailureTexts& AppendStarterTexts() {
  static const JobStartFailureTexts texts{SJ("※　スレッド作成に失敗。"),
                                          SJ("※　スレッドへの関数登録に失敗。"),
                                          SJ("※　スレッドのリスト登録に失敗。")};
  return texts;
}

const JobStartFailureTexts& ZeroFileStarterTexts() {
  static const JobStartFailureTexts texts{SJ("※　スレッド作成に失敗しました。"),
                                          SJ("※　スレッドへの関数登録に失敗。"),
                                          SJ("※　スレッドのリスト登録に失敗。")};
  return texts;
}

int CombineHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  return context.QueueJob(id, call, AppendStarterTexts());
}

int CombineJob(CMyThreadDlg& job) {
  const CMyFuncData& call = job.GetCallData();
  FileResult<int64_t> newSize =
      AppendFileContents(ArgText(call, 0), ArgText(call, 1), job.GetCancelToken(), &job.Progress());
  if (!newSize) {
    job.SetError(newSize.failureText());
    return 0;
  }
  job.TextResult() = Format(SJ("ファイル内容追加完了。新規ファイルサイズ [%s] Byte").c_str(),
                            FormatByteCount(newSize.value()).c_str());
  return 1;
}

// CombineFile(to, first, second): checks the two sources and asks before replacing an
// existing `to`, as a copy does; the job writes the new file.
int CombineIntoHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  const std::string& destination = ArgText(call, 0);
  int64_t total = 0;
  for (int i = 1; i <= 2; ++i) {
    const std::string& source = ArgText(call, i);
    if (!IxExistFile(source, false)) {
      context.EchoLine(
          Format(SJ("※　結合するファイルが見つかりません。[%s]").c_str(), source.c_str()));
      return 0;
    }
    total = SaturatingAdd(total, QueryFileSize(source));
  }
  if (IxExistFile(destination, true)) {
    context.EchoLine(Format(SJ("※　結合先はフォルダです。[%s]").c_str(), destination.c_str()));
    return 0;
  }
  std::string noRoom = CheckFreeSpace(destination, total);
  if (!noRoom.empty()) {
    context.EchoLine(noRoom);
    return 0;
  }
  if (IxExistFile(destination, false) &&
      !ConfirmReplace(context, SJ("結合先のファイルは既に存在します。上書きしますか?")))
    return 0;
  return context.QueueJob(id, call, AppendStarterTexts());
}

int CombineIntoJob(CMyThreadDlg& job) {
  const CMyFuncData& call = job.GetCallData();
  const FileResult<int64_t> size =
      CombineFilesInto(ArgText(call, 0), {ArgText(call, 1), ArgText(call, 2)}, job.GetCancelToken(),
                       &job.Progress());
  if (!size) {
    job.SetError(size.failureText());
    return 0;
  }
  job.TextResult() = Format(SJ("ファイル結合完了。新規ファイルサイズ [%s] Byte").c_str(),
                            FormatByteCount(size.value()).c_str());
  return 1;
}

int ResizeHandler(ICommandContext& context, FuncId, CMyFuncData& call) {
  if (call.GetArgCount() < 2) {
    EchoAndTrace(context, SJ("※　引数が無効です。VPX_ResizeFile()"));
    return 0;
  }
  const std::string& file = ArgText(call, 0);
  if (file.empty()) {
    EchoAndTrace(context, SJ("※　ファイル名が無効です。VPX_ResizeFile()"));
    return 0;
  }
  const int64_t currentSize =
      ExistingFileSize(context, file, SJ("※　ファイルが存在しません。VPX_ResizeFile()"), true);
  if (currentSize < 0) return 0;
  int64_t newSize = ArgInt64(call, 1);
  context.EchoLine(Format("ResizeFile(): CurrentSize[%lld] -> NewSize[%lld]",
                          static_cast<long long>(currentSize), static_cast<long long>(newSize)));
  if (ResizeFile(file, newSize) == 0) {
    EchoAndTrace(context, SJ("※　ファイルサイズの変更に失敗"));
    return 0;
  }
  if (QueryFileSize(file) != newSize) {
    EchoAndTrace(context, SJ("※　【失敗】変更後のファイルサイズが指定サイズではありません。"));
    return 0;
  }
  context.EchoLine(SJ("ファイルサイズを変更しました。"));
  return 1;
}

FileResult<void> ClearRange(FuncId id, const CMyFuncData& call, CancelToken cancel) {
  if (id == FuncId::ClearFile) return ZeroFileRange(ArgText(call, 0), 0, 0, cancel);
  return ZeroFileRange(ArgText(call, 0), ArgInt64(call, 1), ArgInt64(call, 2), cancel);
}

int ClearHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  // Every failure says the same; a short write also went to the trace.
  if (!ClearRange(id, call, nullptr)) {
    context.EchoLine(SJ("※　ファイルのクリアに失敗。"));
    return 0;
  }
  context.EchoLine(SJ("クリア成功。"));
  return 1;
}

int ClearJob(CMyThreadDlg& job) {
  const bool ok = ClearRange(job.GetFunctionID(), job.GetCallData(), job.GetCancelToken()).ok();
  SetNumber(job.NumericResult(), ok ? 0 : -1);
  return ok ? 1 : 0;
}

int MakeFileHandler(ICommandContext& context, FuncId, CMyFuncData& call) {
  return EchoOutcome(context, MakeSizedFile(ArgText(call, 0), ArgInt64(call, 1)));
}

int MakeClearedHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  const std::string& file = ArgText(call, 0);
  if (UserPathExists(file)) {
    context.EchoLine(Format(SJ("※　ファイル[ %s ]は既に存在します。").c_str(), file.c_str()));
    return 0;
  }
  std::string noRoom = CheckFreeSpace(file, ArgInt64(call, 1));
  if (!noRoom.empty()) {
    context.EchoLine(noRoom);
    return 0;
  }
  return context.QueueJob(id, call, ZeroFileStarterTexts());
}

int MakeClearedJob(CMyThreadDlg& job) {
  const CMyFuncData& call = job.GetCallData();
  int64_t size = ArgInt64(call, 1);
  FileResult<Done> created =
      CreateZeroFile(ArgText(call, 0), size, job.GetCancelToken(), &job.Progress());
  if (!created) {
    job.SetError(created.failureText());
    return 0;
  }
  job.TextResult() = Format(SJ("ファイル作成完了。新規ファイルサイズ [%s] Byte").c_str(),
                            FormatByteCount(size).c_str());
  return 1;
}

int GetFileSizeHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  const std::string& file = ArgText(call, 0);
  const int64_t size =
      ExistingFileSize(context, file, SJ("※　指定ファイルは存在しません。"), false);
  if (size < 0) return 0;
  MyNumeric value;
  SetNumber(value, size);
  if (context.PreviousResult().SetData(&call, id, &value) == 0) {
    context.EchoLine(SJ("※　結果の一時保存に失敗。"));
    return 0;
  }
  context.SetResultToListAndShortCut(context.PreviousResult(), true);
  context.EchoLine(FormatByteCount(size) + " Byte");
  return 1;
}

}  // namespace

void RegisterCreateCommands(HandlerTable& table) {
  table.AddCommand(FuncId::CombineFileSS, WithFileNameCheck<CombineHandler>);
  table.AddJobBody(FuncId::CombineFileSS, CombineJob);
  table.AddCommand(FuncId::CombineFileSSS, WithFileNameCheck<CombineIntoHandler>);
  table.AddJobBody(FuncId::CombineFileSSS, CombineIntoJob);
  table.AddCommand(FuncId::ResizeFile, WithFileNameCheck<ResizeHandler>);
  for (FuncId id : {FuncId::ClearFile, FuncId::ClearFileSect}) {
    table.AddCommand(id, WithFileNameCheck<ClearHandler>);
    table.AddJobBody(id, ClearJob);
  }
  table.AddCommand(FuncId::MakeFile, WithFileNameCheck<MakeFileHandler>);
  table.AddCommand(FuncId::MakeClearedFile, WithFileNameCheck<MakeClearedHandler>);
  table.AddJobBody(FuncId::MakeClearedFile, MakeClearedJob);
  table.AddCommand(FuncId::GetFileSize, WithFileNameCheck<GetFileSizeHandler>);
}

}  // namespace vpx
