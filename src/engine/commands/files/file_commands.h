// Shared pieces of the file command handlers and job bodies: argument access, job result
// helpers, the job-start failure texts, and the registration of each command family.
#pragma once

#include <cstdint>
#include <string>

#include "engine/command_context.h"
#include "engine/handler_table.h"
#include "files/file_result.h"
#include "language/func_data.h"

namespace vpx {

class CMyThreadDlg;

// Argument i as text (empty when missing) and as a signed 64-bit integer (0 when missing).
const std::string& ArgText(const CMyFuncData& call, int i);
int64_t ArgInt64(const CMyFuncData& call, int i);
int32_t ArgInt(const CMyFuncData& call, int i);

void SetNumber(MyNumeric& number, int64_t value);
// Marks the job failed: error flag and text, numeric result -1; traces the text and a
// line end when trace is true.
void FailJob(CMyThreadDlg& job, const std::string& text, bool trace);
// Prints text in the console and writes it to the trace.
void EchoAndTrace(ICommandContext& context, const std::string& text);
// The size of the existing regular file a command reads, or -1 after printing why (also
// to the trace when trace is true): missingText when nothing has that name, otherwise the
// opener's reason (a pipe, a folder, no permission).
int64_t ExistingFileSize(ICommandContext& context, const std::string& file,
                         const std::string& missingText, bool trace);
// Echoes what a file routine did or why it failed; the command's return value, 1 after
// success, else 0.
int EchoOutcome(ICommandContext& context, const FileResult<Done>& outcome);
int EchoOutcome(ICommandContext& context, const FileResult<void>& outcome,
                const std::string& successText);
// Asks the Yes/No question before an existing file is replaced; false (after printing
// "キャンセルしました。") unless the answer is Yes.
bool ConfirmReplace(ICommandContext& context, const std::string& question);

// Refuses a command whose file-name arguments hold a control byte, before any file is
// looked at: 1 when refused (the text is then in the console).
int RefuseBadFileNames(ICommandContext& context, FuncId id, const CMyFuncData& call);
// Refuses a command whose offset, address or size argument lies outside the signed
// 64-bit range, naming the value as typed: 1 when refused (the text is then in the
// console).
int RefuseOutOfRangeNumbers(ICommandContext& context, FuncId id, const CMyFuncData& call);
template <CommandHandler Handler>
int WithFileNameCheck(ICommandContext& context, FuncId id, CMyFuncData& call) {
  if (RefuseBadFileNames(context, id, call) != 0 || RefuseOutOfRangeNumbers(context, id, call) != 0)
    return 0;
  return Handler(context, id, call);
}

// The texts of the shared job starter (copies and checksums).
const JobStartFailureTexts& SharedStarterTexts();

void RegisterCopyCommands(HandlerTable& table);        // DumpFile*, CopyFileSect*
void RegisterCreateCommands(HandlerTable& table);      // CombineFile, ResizeFile, Clear*, Make*
void RegisterRenameCommand(HandlerTable& table);       // ChangeFileName
void RegisterModifyCommands(HandlerTable& table);      // ModifyFileBit, ModifyFileByte
void RegisterChecksumCommands(HandlerTable& table);    // *FileCRC, *FileADLER
void RegisterInspectCommands(HandlerTable& table);     // Find*, Count*, *FileHash, CompareFile
void RegisterWriteCommands(HandlerTable& table);       // WriteToFileAs*
void RegisterEntryWriteCommands(HandlerTable& table);  // Write*ToFile*, Add*ToFile*
void RegisterDirCommands(HandlerTable& table);         // directories, drives, file choices

}  // namespace vpx
