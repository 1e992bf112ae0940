// The result list as a whole: entries 1 and up are written as a list file entry by entry
// under the list lock, through the same destination as a copy's (so a save keeps what a copy
// keeps), or a checked list file's records are appended under the lock, all of them or none.
#include "engine/commands/lists/list_file_commands.h"

#include <sys/stat.h>

#include <cerrno>
#include <new>
#include <vector>

#include "engine/command_context.h"
#include "engine/list_file.h"
#include "engine/shortcut_array.h"
#include "files/checksums.h"
#include "files/copy_destination.h"
#include "files/file_io.h"
#include "files/user_file.h"
#include "host/out_of_memory.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

// Parsing holds the file text, its digits and the numbers at once: a file may use at most
// this share of the memory available.
constexpr uint64_t kLoadMemoryShare = 3;

enum class Written { kDone, kNoLock, kNoMemory, kSinkFailed };

// Holds the list lock for a scope once acquired.
class ListLockHold {
 public:
  explicit ListLockHold(ICommandContext& context) : context_(context) {
    held_ = context_.AcquireListLock();
  }
  ~ListLockHold() {
    if (held_) context_.ReleaseListLock();
  }
  ListLockHold(const ListLockHold&) = delete;
  ListLockHold& operator=(const ListLockHold&) = delete;
  bool Held() const { return held_; }

 private:
  ICommandContext& context_;
  bool held_ = false;
};

// Writes entries 1 and up that no job is computing through writer, one entry at a time,
// read where it stands under the list lock; written and reserved count the entries written
// and left out.
Written WriteEntries(ICommandContext& context, ListFileWriter& writer, size_t& written,
                     uint32_t& reserved) {
  written = 0;
  reserved = 0;
  ListLockHold lock(context);
  if (!lock.Held()) return Written::kNoLock;
  try {
    CVXShortCutArray& shortcuts = context.ShortCutArray();
    const auto count = static_cast<uint32_t>(shortcuts.GetCount());
    for (uint32_t index = 1; index < count; ++index) reserved += shortcuts.IsReserved(index) != 0;
    const size_t entries = count == 0 ? 0 : count - 1 - reserved;
    bool ok = writer.Begin(entries);
    for (uint32_t index = 1; ok && index < count; ++index) {
      if (shortcuts.IsReserved(index) != 0) continue;
      ok = writer.Add(*shortcuts.Peek(index));
      written += ok ? 1 : 0;
    }
    ok = ok && writer.End();
    if (ok) return Written::kDone;
    return writer.OutOfMemory() ? Written::kNoMemory : Written::kSinkFailed;
  } catch (const std::bad_alloc&) {
    return Written::kNoMemory;
  }
}

// The reason part of a Japanese errno text: without its closing "。" and blanks.
std::string ReasonText(int code) {
  std::string text = OpenErrorText(code);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  const std::string& stop = SJ("。");
  if (text.size() >= stop.size() && text.compare(text.size() - stop.size(), stop.size(), stop) == 0)
    text.resize(text.size() - stop.size());
  return text;
}

// Why a write failed, in the words of the file commands.
std::string WriteFailureText(int code) {
  if (code == ENOSPC || code == EDQUOT) return SJ("ディスクの空き容量が足りません");
  if (code == EFBIG) return SJ("ファイルが大きすぎます");
  return SJ("書き込みに失敗しました");
}

const std::string& LockFailureText() {
  return SJ("※　リストコントロール用ミューテックスハンドル取得に失敗。");
}

void EchoOutOfMemory(ICommandContext& context) {
  try {
    context.EchoLine(OutOfMemoryText());
  } catch (const std::bad_alloc&) {
    ReportOutOfMemoryToStderr();
  }
}

void EchoSaveFailure(ICommandContext& context, const std::string& shown, const std::string& why) {
  context.EchoLine(Format(
      SJ("※　ショートカットの保存に失敗しました（%s）。元のファイルはそのままです。[ %s ]").c_str(),
      why.c_str(), shown.c_str()));
}

// True for a character or block device at path (symbolic links followed): a save never
// opens one, since opening some devices already acts.
bool IsDevice(const std::string& path, mode_t& kind) {
  std::string osPath;
  struct stat st;
  if (!ToOsPath(path, osPath) || stat(osPath.c_str(), &st) != 0) return false;
  kind = st.st_mode & S_IFMT;
  return S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode);
}

int SaveList(ICommandContext& context, const std::string& path, const std::string& shown) {
  mode_t kind = 0;
  if (IsDevice(path, kind)) {
    context.EchoLine(RefusedKindText(shown, kind));
    return 0;
  }
  CopyDestination destination;
  const FileResult<void> opened = destination.Open(path, 0);
  if (!opened || destination.GetWay() == CopyDestination::Way::kDevice) {
    std::string failure = opened.failureText();
    if (failure.empty()) failure = RefusedKindText(shown, S_IFCHR);  // became a device since
    context.EchoLine(failure);
    return 0;
  }
  int64_t offset = 0;
  int writeError = 0;
  ListFileWriter writer([&](std::string_view piece) {
    errno = 0;
    if (WriteFull(destination.Fd(), piece.data(), piece.size(), offset) ==
        static_cast<int64_t>(piece.size())) {
      offset += static_cast<int64_t>(piece.size());
      return true;
    }
    writeError = errno != 0 ? errno : EIO;
    return false;
  });
  size_t written = 0;
  uint32_t reserved = 0;
  const Written outcome = WriteEntries(context, writer, written, reserved);
  if (outcome != Written::kDone) {
    const FileResult<void> restored = destination.Abandon();
    if (outcome == Written::kNoLock) {
      context.EchoLine(LockFailureText());
    } else if (!restored) {
      context.EchoLine(restored.failureText());
    } else {
      EchoSaveFailure(
          context, shown,
          outcome == Written::kNoMemory ? SJ("メモリが足りません") : WriteFailureText(writeError));
    }
    return 0;
  }
  if (const FileResult<void> committed = destination.Commit(offset); !committed) {
    context.EchoLine(committed.failureText());
    return 0;
  }
  context.EchoLine(Format(SJ("【完了】ショートカット %zu 項目を保存しました。[ %s ]").c_str(),
                          written, shown.c_str()));
  if (reserved != 0) {
    context.EchoLine(Format(SJ("※　計算中の %u 項目は保存していません。").c_str(), reserved));
  }
  return 1;
}

size_t LoadLimit() {
  const uint64_t available = GetAvailablePhysicalMemory();
  if (available == 0) return SIZE_MAX;
  return static_cast<size_t>(available / kLoadMemoryShare);
}

std::string RefusalText(const ListFileError& error, const std::string& path) {
  if (error.line == 0) {
    return Format(
        SJ("※　ショートカットファイルを読み込めません：%s。リストは変更していません。[ %s ]")
            .c_str(),
        error.reason.c_str(), path.c_str());
  }
  return Format(
      SJ("※　ショートカットファイルの %zu 行目が不正です：%s。リストは変更していません。[ %s ]")
          .c_str(),
      error.line, error.reason.c_str(), path.c_str());
}

void EchoReadFailure(ICommandContext& context, const ReadFailure& failure,
                     const std::string& path) {
  if (failure.refusedKind != 0) {
    context.EchoLine(RefusedKindText(path, failure.refusedKind));
    context.EchoLine(RefusalText({0, SJ("通常のファイルではありません")}, path));
    return;
  }
  if (failure.error == ENOMEM) EchoOutOfMemory(context);
  const std::string why =
      failure.error == ENOMEM ? SJ("メモリが足りません") : ReasonText(failure.error);
  context.EchoLine(Format(SJ("※　ショートカットファイルを読み込めません（%s）。[ %s ]").c_str(),
                          why.c_str(), path.c_str()));
}

// Appends the records of a checked list file after the last entry under the list lock, all
// or none: each record is read and added in turn, so the file's entries are never held
// beside the list. The index of the first one, or -1 (the entries added so far removed
// again).
int AppendAll(ICommandContext& context, std::string_view text) {
  const auto first = static_cast<uint32_t>(context.ShortCutArray().GetCount());
  ListFileError error;
  const bool added = ParseListFile(
      text,
      [&context](CMyFuncResult& record) {
        try {
          return context.AddDataToListAndShortCut(record, false) >= 0;
        } catch (const std::bad_alloc&) {
          return false;
        }
      },
      error);
  if (added) return static_cast<int>(first);
  for (auto index = static_cast<uint32_t>(context.ShortCutArray().GetCount()); index-- > first;)
    context.RemoveAtListAndShortCut(index, false);
  return -1;
}

int LoadList(ICommandContext& context, const std::string& path) {
  std::string text;
  ReadFailure failure;
  if (!ReadWholeFile(path, LoadLimit(), text, failure)) {
    EchoReadFailure(context, failure, path);
    return 0;
  }
  // The whole file is checked first (one record at a time), so a damaged one leaves the
  // list as it was; then it is read again into the list.
  size_t count = 0;
  ListFileError error;
  if (!ParseListFile(
          text,
          [&count](CMyFuncResult&) {
            ++count;
            return true;
          },
          error)) {
    if (error.outOfMemory) EchoOutOfMemory(context);
    context.EchoLine(RefusalText(error, path));
    return 0;
  }
  int first = -1;
  {
    ListLockHold lock(context);
    if (!lock.Held()) {
      context.EchoLine(LockFailureText());
      return 0;
    }
    first = AppendAll(context, text);
  }
  text = std::string();
  if (first < 0) {
    EchoOutOfMemory(context);
    context.EchoLine(RefusalText({0, SJ("リストに追加できません")}, path));
    return 0;
  }
  if (count == 0) {
    context.EchoLine(
        Format(SJ("【完了】ショートカット 0 項目を読み込みました。[ %s ]").c_str(), path.c_str()));
  } else {
    context.EchoLine(
        Format(SJ("【完了】ショートカット %zu 項目を読み込みました（[%d]～[%zu]）。[ %s ]").c_str(),
               count, first, first + count - 1, path.c_str()));
  }
  return 1;
}

}  // namespace

int SaveShortCutList(ICommandContext& context, const std::string& path, const std::string& shown) {
  try {
    return SaveList(context, path, shown.empty() ? path : shown);
  } catch (const std::bad_alloc&) {
    EchoOutOfMemory(context);
    return 0;
  }
}

int LoadShortCutList(ICommandContext& context, const std::string& path) {
  try {
    return LoadList(context, path);
  } catch (const std::bad_alloc&) {
    EchoOutOfMemory(context);
    return 0;
  }
}

int ClearShortCutList(ICommandContext& context) {
  if (!context.AcquireListLock()) {
    context.EchoLine(LockFailureText());
    return -1;
  }
  CVXShortCutArray& shortcuts = context.ShortCutArray();
  int removed = 0;
  uint32_t kept = 0;
  for (auto index = static_cast<uint32_t>(shortcuts.GetCount()); index-- > 1;) {
    if (shortcuts.IsReserved(index) != 0) {
      ++kept;
    } else if (context.RemoveAtListAndShortCut(index, false) >= 0) {
      ++removed;
    }
  }
  context.ReleaseListLock();
  if (kept != 0) {
    context.EchoLine(Format(SJ("※　計算中の %u 項目は削除していません。").c_str(), kept));
  }
  return removed;
}

bool TakeListFingerprint(ICommandContext& context, ListFingerprint& out) {
  uint32_t crc = 0;
  ListFileWriter writer([&crc](std::string_view piece) {
    crc = UpdateCrc32(crc, reinterpret_cast<const uint8_t*>(piece.data()), piece.size());
    return true;
  });
  size_t written = 0;
  uint32_t reserved = 0;
  if (WriteEntries(context, writer, written, reserved) != Written::kDone) return false;
  out.entries = written + reserved;
  out.crc = crc;
  return true;
}

}  // namespace vpx
