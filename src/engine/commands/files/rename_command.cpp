// ChangeFileName: renames a file. An existing target is replaced only after the user
// agreed, a folder never. Within a file system the rename is immediate; to another file
// system the file is copied by a job (the target replaced only once the copy is whole) and
// the source removed only after that, and only when it did not change meanwhile.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "engine/commands/files/file_commands.h"
#include "engine/thread_dlg.h"
#include "files/file_io.h"
#include "files/file_primitives.h"
#include "files/section_copy.h"
#include "files/user_file.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// rename(2) that never replaces, where the file system can say so; elsewhere a plain
// rename after the caller found no target.
int RenameNoReplace(const std::string& osFrom, const std::string& osTo) {
  if (renameat2(AT_FDCWD, osFrom.c_str(), AT_FDCWD, osTo.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  struct stat st;
  if (lstat(osTo.c_str(), &st) == 0) {
    errno = EEXIST;
    return -1;
  }
  return std::rename(osFrom.c_str(), osTo.c_str());
}

std::string RenameFailureText(int error, const std::string& from, const std::string& to) {
  if (error == EEXIST)
    return Format(SJ("※　変更先のファイルは既に存在します。[%s]").c_str(), to.c_str());
  return Format(SJ("※　ファイル名の変更に失敗しました。[%s] → [%s] %s").c_str(), from.c_str(),
                to.c_str(), FileErrorText(error).c_str());
}

bool Unchanged(const struct stat& before, const struct stat& now) {
  return SameFile(before, now) && before.st_size == now.st_size &&
         before.st_mtim.tv_sec == now.st_mtim.tv_sec &&
         before.st_mtim.tv_nsec == now.st_mtim.tv_nsec;
}

// The move to another file system: copy, give the copy the source's permissions, then
// remove the source when it is still the file that was copied.
int MoveJob(CMyThreadDlg& job) {
  const CMyFuncData& call = job.GetCallData();
  const std::string& from = ArgText(call, 0);
  const std::string& to = ArgText(call, 1);
  std::string osFrom, osTo;
  struct stat before, now;
  if (!ToOsPath(from, osFrom) || !ToOsPath(to, osTo) || stat(osFrom.c_str(), &before) != 0) {
    FailJob(job, Format(SJ("※　変更元のファイルが存在しません。[%s]").c_str(), from.c_str()), true);
    return 0;
  }
  // Only a regular file's bytes can be copied to another file system; a pipe, socket or
  // device is named as what it is.
  if (!S_ISREG(before.st_mode)) {
    FailJob(job, RefusedKindText(from, before.st_mode & S_IFMT), true);
    return 0;
  }
  const int64_t size = static_cast<int64_t>(before.st_size);
  const FileResult<int64_t> copied =
      CopyFileSect(CopyRequest{to, from, 0, size, 0, job.GetCancelToken()});
  if (!copied) {
    FailJob(job,
            copied.failureText().empty() ? SJ("※　コピーに失敗しました。") : copied.failureText(),
            true);
    return 0;
  }
  chmod(osTo.c_str(), before.st_mode & 07777);
  if (stat(osFrom.c_str(), &now) != 0 || !Unchanged(before, now) || unlink(osFrom.c_str()) != 0) {
    FailJob(job,
            Format(SJ("※　コピーは完了しましたが、変更元のファイルは残しました。[%s]").c_str(),
                   from.c_str()),
            true);
    return 0;
  }
  SetNumber(job.NumericResult(), size);
  job.TextResult() = Format(SJ("【完了】ファイルを移動しました。[%s] → [%s] %s Byte").c_str(),
                            from.c_str(), to.c_str(), FormatByteCount(size).c_str());
  return 1;
}

int ChangeFileNameHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  const std::string& from = ArgText(call, 0);
  const std::string& to = ArgText(call, 1);
  std::string osFrom, osTo;
  struct stat source, target;
  if (from.empty() || !ToOsPath(from, osFrom) || stat(osFrom.c_str(), &source) != 0 ||
      S_ISDIR(source.st_mode)) {
    context.EchoLine(Format(SJ("※　変更元のファイルが存在しません。[%s]").c_str(), from.c_str()));
    return 0;
  }
  if (to.empty() || !ToOsPath(to, osTo)) {
    context.EchoLine(Format(SJ("※　変更先のファイル名が無効です。[%s]").c_str(), to.c_str()));
    return 0;
  }
  const bool exists = stat(osTo.c_str(), &target) == 0;
  if (exists && S_ISDIR(target.st_mode)) {
    context.EchoLine(Format(SJ("※　変更先はフォルダです。[%s]").c_str(), to.c_str()));
    return 0;
  }
  if (exists && SameFile(source, target)) {
    context.EchoLine(SJ("※　変更元と変更先は同じファイルです。"));
    return 0;
  }
  if (exists && !ConfirmReplace(context, SJ("変更先のファイルは既に存在します。上書きしますか?")))
    return 0;
  const int result =
      exists ? std::rename(osFrom.c_str(), osTo.c_str()) : RenameNoReplace(osFrom, osTo);
  if (result != 0 && errno == EXDEV) return context.QueueJob(id, call, SharedStarterTexts());
  if (result != 0) {
    context.EchoLine(RenameFailureText(errno, from, to));
    return 0;
  }
  context.EchoLine(
      Format(SJ("ファイル名を変更しました。[%s] → [%s]").c_str(), from.c_str(), to.c_str()));
  return 1;
}

}  // namespace

void RegisterRenameCommand(HandlerTable& table) {
  table.AddCommand(FuncId::ChangeFileName, WithFileNameCheck<ChangeFileNameHandler>);
  table.AddJobBody(FuncId::ChangeFileName, MoveJob);
}

}  // namespace vpx
