// MakeFileCRC, CheckFileCRC, MakeFileADLER and CheckFileADLER: jobs computing or checking
// a file's CRC-32 or Adler-32.
#include "engine/commands/files/file_commands.h"
#include "engine/thread_dlg.h"
#include "files/checksums.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

int ChecksumHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  return context.QueueJob(id, call, SharedStarterTexts());
}

// MakeFileCRC / MakeFileADLER: eight hexadecimal digits, or the failure text.
int MakeChecksumJob(CMyThreadDlg& job, ChecksumKind kind) {
  FileResult<uint32_t> value = ComputeFileChecksum(
      kind, ArgText(job.GetCallData(), 0), kChecksumBuffer, job.GetCancelToken(), &job.Progress());
  job.TextResult() = value ? Format("%08X", value.value()) : value.failureText();
  return value ? 1 : 0;
}

// CheckFileCRC / CheckFileADLER: numeric result 0 when equal, -1 otherwise.
int CheckChecksumJob(CMyThreadDlg& job, ChecksumKind kind) {
  const bool crc = kind == ChecksumKind::kCrc32;
  const std::string& expectedText = ArgText(job.GetCallData(), 1);
  if (expectedText.empty()) {
    job.TextResult() =
        crc ? SJ("※　入力CRCデータが無効です。") : SJ("※　入力ADLER32データが無効です。");
    SetNumber(job.NumericResult(), -1);
    return 0;
  }
  uint32_t expected = ParseHexChecksum(expectedText);
  if (crc) job.TextResult() = Format(SJ("CRC検証中。[%08X]").c_str(), expected);
  FileResult<void> compared = CompareFileChecksum(kind, ArgText(job.GetCallData(), 0), expected,
                                                  job.GetCancelToken(), &job.Progress());
  if (compared) {
    const std::string& format =
        crc ? SJ("CRCが一致しました。[ %08X ]") : SJ("ADLER32が一致しました。[ %08X ]");
    job.TextResult() = Format(format.c_str(), expected);
    SetNumber(job.NumericResult(), 0);
    return 1;
  }
  job.TextResult() = compared.failureText();
  SetNumber(job.NumericResult(), -1);
  return 0;
}

int ChecksumJob(CMyThreadDlg& job) {
  switch (job.GetFunctionID()) {
    case FuncId::MakeFileCRC:
      return MakeChecksumJob(job, ChecksumKind::kCrc32);
    case FuncId::CheckFileCRC:
      return CheckChecksumJob(job, ChecksumKind::kCrc32);
    case FuncId::MakeFileADLER:
      return MakeChecksumJob(job, ChecksumKind::kAdler32);
    default:
      return CheckChecksumJob(job, ChecksumKind::kAdler32);
  }
}

}  // namespace

void RegisterChecksumCommands(HandlerTable& table) {
  for (FuncId id :
       {FuncId::MakeFileCRC, FuncId::CheckFileCRC, FuncId::MakeFileADLER, FuncId::CheckFileADLER}) {
    table.AddCommand(id, WithFileNameCheck<ChecksumHandler>);
    table.AddJobBody(id, ChecksumJob);
  }
}

}  // namespace vpx
