// DumpFile and DumpFileR open the binary display on a range; CopyFileSect and
// CopyFileSectR check their arguments here and copy in a job.
#include <sys/stat.h>

#include <algorithm>

#include "engine/commands/files/file_commands.h"
#include "engine/thread_dlg.h"
#include "files/file_primitives.h"
#include "files/section_copy.h"
#include "files/user_file.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

const std::string& EmptySourceText(FuncId id) {
  return id == FuncId::CopyFileSect
             ? SJ("【完了】コピー元のファイルはサイズが0でした。")
             : SJ("【完了】コピー元のファイルがサイズが0、もしくは指定サイズが0でした。");
}

bool IsEmptyCopy(FuncId id, int64_t sourceSize, int64_t fourthArgument) {
  return sourceSize == 0 || (id == FuncId::CopyFileSectR && fourthArgument == 0);
}

DumpSpan SpanOf(FuncId id) {
  switch (id) {
    case FuncId::DumpFile:
      return DumpSpan::kWholeFile;
    case FuncId::DumpFileRange:
      return DumpSpan::kFirstToLast;
    default:
      return DumpSpan::kStartAndLength;
  }
}

// The refused-kind text for a destination that exists but is no regular file or
// character device, asked before the overwrite question.
std::string DestinationKindRefusal(const std::string& destination) {
  std::string osName;
  struct stat st;
  if (!ToOsPath(destination, osName) || stat(osName.c_str(), &st) != 0) return std::string();
  if (S_ISREG(st.st_mode) || S_ISCHR(st.st_mode)) return std::string();
  return RefusedKindText(destination, st.st_mode & S_IFMT);
}

int DumpHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  const std::string& file = ArgText(call, 0);
  const int64_t size = ExistingFileSize(context, file, SJ("※　ファイルが存在しません。"), true);
  if (size < 0) return 0;
  ByteRange range = DumpRange(SpanOf(id), size, ArgInt64(call, 1), ArgInt64(call, 2));
  context.EchoLine(Format("%s : %lld <--> %lld", file.c_str(), static_cast<long long>(range.first),
                          static_cast<long long>(range.last)));
  if (size <= 0 || range.last >= size || range.first < 0 || range.last < 0) {
    EchoAndTrace(context, SJ("※　ファイルサイズが0、もしくは範囲が無効です。"));
    return 0;
  }
  IBinaryDisplay* display = context.GetUi().binaryDisplay;
  if (display == nullptr) return 0;
  // A DumpFileR with a negative length gives a reversed pair: show it in file order.
  return display->OpenBinaryDisplay(BinaryDisplayRequest{file, range.Ordered()});
}

int CopyHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  if (ArgInt64(call, 2) < 0) {
    context.EchoLine(SJ("※　無効な範囲指定です。"));
    return 0;
  }
  const std::string& destination = ArgText(call, 0);
  const std::string& source = ArgText(call, 1);
  if (!IxExistFile(source, false)) {
    context.EchoLine(SJ("※　コピー元のファイルが存在しません。"));
    return 0;
  }
  std::string refused = DestinationKindRefusal(destination);
  if (!refused.empty()) {
    context.EchoLine(refused);
    return 0;
  }
  if (UserPathExists(destination)) {
    IDialogs* dialogs = context.GetUi().dialogs;
    if (dialogs == nullptr ||
        !dialogs->AskYesNo(SJ("コピー先のファイルは既に存在します。上書きしますか?"))) {
      context.EchoLine(SJ("キャンセルしました。"));
      return 0;
    }
  }
  if (IsEmptyCopy(id, QueryFileSize(source), ArgInt64(call, 3))) {
    return EchoOutcome(context, EmptyCopyDestination(destination), EmptySourceText(id));
  }
  return context.QueueJob(id, call, SharedStarterTexts());
}

// The job of CopyFileSect and CopyFileSectR: the range rules of each, then the copy routine with
// the job's cancel flag.
int CopyJob(CMyThreadDlg& job) {
  const CMyFuncData& call = job.GetCallData();
  const FuncId id = job.GetFunctionID();
  const std::string& destination = ArgText(call, 0);
  const std::string& source = ArgText(call, 1);
  const int64_t start = ArgInt64(call, 2);
  const int64_t fourth = ArgInt64(call, 3);
  if (start < 0) {
    FailJob(job, SJ("※　無効な範囲指定です。"), true);
    return 0;
  }
  if (!IxExistFile(source, false)) {
    FailJob(job, SJ("※　コピー元のファイルが存在しません。"), true);
    return 0;
  }
  // The source is opened once: the range is taken from this descriptor and copied from it.
  FileOpenError openError;
  const UserFile sourceFile = OpenUserFile(source, FileUse::kRead, 0, &openError);
  if (!sourceFile.IsOpen()) {
    FailJob(job, OpenFailureText(openError, source, CopyOpenFailureText(source, true)), true);
    return 0;
  }
  const int64_t size = sourceFile.Size();
  if (IsEmptyCopy(id, size, fourth)) {
    FileResult<void> emptied = EmptyCopyDestination(destination);
    if (!emptied) {
      FailJob(job, emptied.failureText(), true);
      return 0;
    }
    job.TextResult() = EmptySourceText(id);
    SetNumber(job.NumericResult(), 0);
    return 1;
  }
  ByteRange range = id == FuncId::CopyFileSect ? CopySectRange(start, fourth, size)
                                               : CopySectRRange(start, fourth, size);
  int64_t length = range.Length();
  FileResult<int64_t> copied = CopyFileSect(CopyRequest{destination, source, range.first, length, 0,
                                                        job.GetCancelToken(), &job.Progress()});
  if (!copied) {
    FailJob(job, copied.failureText(), true);
    return 0;
  }
  const int64_t written = copied.value();
  SetNumber(job.NumericResult(), id == FuncId::CopyFileSect ? written : 0);
  job.TextResult() = Format(SJ("【完了】%lld バイトのデータをコピーしました。").c_str(),
                            static_cast<long long>(written));
  return 1;
}

}  // namespace

void RegisterCopyCommands(HandlerTable& table) {
  for (FuncId id : {FuncId::DumpFile, FuncId::DumpFileRange, FuncId::DumpFileR})
    table.AddCommand(id, WithFileNameCheck<DumpHandler>);
  for (FuncId id : {FuncId::CopyFileSect, FuncId::CopyFileSectR}) {
    table.AddCommand(id, WithFileNameCheck<CopyHandler>);
    table.AddJobBody(id, CopyJob);
  }
}

}  // namespace vpx
