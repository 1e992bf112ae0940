// FindBytesInFile, FindStrInFile, CountBytesInFile, CountStrInFile, MakeFileHash,
// CheckFileHash and CompareFile: jobs that read files without changing them, started and
// reported like the checksum jobs.
#include "engine/commands/files/file_commands.h"
#include "engine/thread_dlg.h"
#include "files/file_compare.h"
#include "files/file_hash.h"
#include "files/find_in_file.h"
#include "host/file_names.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

// Refuses file names holding a control byte before the job is queued.
int InspectHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  const int names = id == FuncId::CompareFile ? 2 : 1;
  for (int i = 0; i < names; ++i) {
    const std::string refusal = FileNameRefusalText(ArgText(call, i));
    if (!refusal.empty()) {
      context.EchoLine(refusal);
      return 0;
    }
  }
  return context.QueueJob(id, call, SharedStarterTexts());
}

// A job that could not do its work: the entry shows the refusal in place of a value, the
// number is -1 (a pattern that is not found or a hash that differs is no failure: the
// entry then holds -1 and the message says why).
int FailWith(CMyThreadDlg& job, const FileError& error) {
  job.TextResult() = error.text;
  FailJob(job, error.text, false);
  return 0;
}

FileResult<std::string> PatternOf(CMyThreadDlg& job) {
  const std::string& text = ArgText(job.GetCallData(), 1);
  const FuncId id = job.GetFunctionID();
  const bool hex = id == FuncId::FindBytesInFile || id == FuncId::CountBytesInFile;
  return hex ? ParseHexPattern(text) : TextPattern(text);
}

int FindJob(CMyThreadDlg& job) {
  FileResult<std::string> pattern = PatternOf(job);
  if (!pattern) return FailWith(job, pattern.error());
  const CMyFuncData& call = job.GetCallData();
  FileResult<int64_t> found = FindInFile(ArgText(call, 0), pattern.value(), ArgInt64(call, 2),
                                         job.GetCancelToken(), &job.Progress());
  if (!found) return FailWith(job, found.error());
  SetNumber(job.NumericResult(), found.value());
  if (found.value() < 0) {
    job.TextResult() = SJ("※　見つかりませんでした。");
    return 1;
  }
  job.TextResult() = SJ("見つかりました。") + FoundAtText(found.value());
  return 1;
}

int CountJob(CMyThreadDlg& job) {
  FileResult<std::string> pattern = PatternOf(job);
  if (!pattern) return FailWith(job, pattern.error());
  const CMyFuncData& call = job.GetCallData();
  FileResult<int64_t> count = CountInFile(ArgText(call, 0), pattern.value(), ArgInt64(call, 2),
                                          job.GetCancelToken(), &job.Progress());
  if (!count) return FailWith(job, count.error());
  SetNumber(job.NumericResult(), count.value());
  job.TextResult() = Format(SJ("一致 %s 件").c_str(), FormatByteCount(count.value()).c_str());
  return 1;
}

int MakeHashJob(CMyThreadDlg& job) {
  const CMyFuncData& call = job.GetCallData();
  const std::optional<HashAlgorithm> algorithm = FindHashAlgorithm(ArgText(call, 1));
  if (!algorithm) {
    job.TextResult() = UnknownHashAlgorithmText(ArgText(call, 1));
    return 0;
  }
  FileResult<std::string> hash =
      ComputeFileHash(ArgText(call, 0), *algorithm, job.GetCancelToken(), &job.Progress());
  job.TextResult() = hash ? hash.value() : hash.error().text;
  return hash ? 1 : 0;
}

int CheckHashJob(CMyThreadDlg& job) {
  const CMyFuncData& call = job.GetCallData();
  const std::optional<HashAlgorithm> algorithm = FindHashAlgorithm(ArgText(call, 1));
  if (!algorithm)
    return FailWith(job,
                    FileError{FileFailure::kInvalid, UnknownHashAlgorithmText(ArgText(call, 1))});
  FileResult<HashCheck> checked = CheckFileHash(ArgText(call, 0), *algorithm, ArgText(call, 2),
                                                job.GetCancelToken(), &job.Progress());
  if (!checked) return FailWith(job, checked.error());
  if (!checked.value().equal) {
    job.TextResult() = HashMismatchText(*algorithm, checked.value());
    SetNumber(job.NumericResult(), -1);
    return 0;
  }
  job.TextResult() = Format(SJ("%sが一致しました。[ %s ]").c_str(), HashAlgorithmName(*algorithm),
                            checked.value().computed.c_str());
  SetNumber(job.NumericResult(), 0);
  return 1;
}

int CompareJob(CMyThreadDlg& job) {
  const CMyFuncData& call = job.GetCallData();
  FileResult<FileComparison> compared =
      CompareFiles(ArgText(call, 0), ArgText(call, 1), job.GetCancelToken(), &job.Progress());
  if (!compared) return FailWith(job, compared.error());
  SetNumber(job.NumericResult(), compared.value().firstDifference);
  job.TextResult() = ComparisonText(compared.value());
  return 1;
}

int InspectJob(CMyThreadDlg& job) {
  switch (job.GetFunctionID()) {
    case FuncId::FindBytesInFile:
    case FuncId::FindStrInFile:
      return FindJob(job);
    case FuncId::CountBytesInFile:
    case FuncId::CountStrInFile:
      return CountJob(job);
    case FuncId::MakeFileHash:
      return MakeHashJob(job);
    case FuncId::CheckFileHash:
      return CheckHashJob(job);
    default:
      return CompareJob(job);
  }
}

}  // namespace

void RegisterInspectCommands(HandlerTable& table) {
  for (FuncId id :
       {FuncId::FindBytesInFile, FuncId::FindStrInFile, FuncId::CountBytesInFile,
        FuncId::CountStrInFile, FuncId::MakeFileHash, FuncId::CheckFileHash, FuncId::CompareFile}) {
    table.AddCommand(id, InspectHandler);
    table.AddJobBody(id, InspectJob);
  }
}

}  // namespace vpx
