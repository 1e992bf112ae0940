// The result list as a whole: entries 1 and up are copied out under the list lock and
// written as a list file, or a checked list file's records are appended under the lock,
// all of them or none.
#include "engine/commands/lists/list_file_commands.h"

#include <isa-l.h>

#include <cerrno>
#include <new>
#include <vector>

#include "engine/command_context.h"
#include "engine/list_file.h"
#include "engine/shortcut_array.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"

namespace vpx {
namespace {

// Parsing holds the file text, its digits and the numbers at once: a file may use at most
// this share of the memory available.
constexpr uint64_t kLoadMemoryShare = 3;

enum class Collected { kDone, kNoLock, kNoMemory };

// Copies of entries 1 and up that no job is computing; reserved counts the others.
Collected CollectEntries(ICommandContext& context, std::vector<CMyFuncResult>& records,
                         uint32_t& reserved) {
  records.clear();
  reserved = 0;
  if (!context.AcquireListLock()) return Collected::kNoLock;
  Collected outcome = Collected::kDone;
  try {
    CVXShortCutArray& shortcuts = context.ShortCutArray();
    const auto count = static_cast<uint32_t>(shortcuts.GetCount());
    for (uint32_t index = 1; index < count; ++index) {
      if (shortcuts.IsReserved(index) != 0) {
        ++reserved;
        continue;
      }
      records.emplace_back();
      shortcuts.GetAt(index, records.back());
    }
  } catch (const std::bad_alloc&) {
    records.clear();
    outcome = Collected::kNoMemory;
  }
  context.ReleaseListLock();
  return outcome;
}

std::string SystemErrorText(int code) {
  std::string text = FormatSystemError(code);
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

const std::string& LockFailureText() {
  return SJ("※　リストコントロール用ミューテックスハンドル取得に失敗。");
}

const std::string& MemoryFailureText() {
  return SJ("※　メモリが足りません。");
}

void EchoSaveFailure(ICommandContext& context, const std::string& path, const std::string& why) {
  context.EchoLine(Format(
      SJ("※　ショートカットの保存に失敗しました（%s）。元のファイルはそのままです。[ %s ]").c_str(),
      why.c_str(), path.c_str()));
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

// Appends records after the last entry under the list lock, all or none. The index of the
// first one, or -1.
int AppendAll(ICommandContext& context, const std::vector<CMyFuncResult>& records) {
  const auto first = static_cast<uint32_t>(context.ShortCutArray().GetCount());
  for (const CMyFuncResult& record : records) {
    if (context.AddDataToListAndShortCut(record, false) >= 0) continue;
    for (auto index = static_cast<uint32_t>(context.ShortCutArray().GetCount()); index-- > first;)
      context.RemoveAtListAndShortCut(index, false);
    return -1;
  }
  return static_cast<int>(first);
}

}  // namespace

int SaveShortCutList(ICommandContext& context, const std::string& path) {
  std::vector<CMyFuncResult> records;
  uint32_t reserved = 0;
  const Collected collected = CollectEntries(context, records, reserved);
  if (collected == Collected::kNoLock) {
    context.EchoLine(LockFailureText());
    return 0;
  }
  std::string text;
  if (collected == Collected::kNoMemory || !FormatListFile(records, text)) {
    EchoSaveFailure(context, path, SJ("メモリが足りません"));
    return 0;
  }
  const int failure = ReplaceFileContents(path, text);
  if (failure != 0) {
    EchoSaveFailure(context, path, SystemErrorText(failure));
    return 0;
  }
  context.EchoLine(Format(SJ("【完了】ショートカット %zu 項目を保存しました。[ %s ]").c_str(),
                          records.size(), path.c_str()));
  if (reserved != 0) {
    context.EchoLine(Format(SJ("※　計算中の %u 項目は保存していません。").c_str(), reserved));
  }
  return 1;
}

int LoadShortCutList(ICommandContext& context, const std::string& path) {
  std::string text;
  const int failure = ReadWholeFile(path, LoadLimit(), text);
  if (failure != 0) {
    const std::string why = failure == ENOMEM ? SJ("メモリが足りません") : SystemErrorText(failure);
    context.EchoLine(Format(SJ("※　ショートカットファイルを読み込めません（%s）。[ %s ]").c_str(),
                            why.c_str(), path.c_str()));
    return 0;
  }
  std::vector<CMyFuncResult> records;
  ListFileError error;
  if (!ParseListFile(text, records, error)) {
    context.EchoLine(RefusalText(error, path));
    return 0;
  }
  text = std::string();
  if (!context.AcquireListLock()) {
    context.EchoLine(LockFailureText());
    return 0;
  }
  const int first = AppendAll(context, records);
  context.ReleaseListLock();
  if (first < 0) {
    context.EchoLine(MemoryFailureText());
    context.EchoLine(RefusalText({0, SJ("リストに追加できません")}, path));
    return 0;
  }
  if (records.empty()) {
    context.EchoLine(
        Format(SJ("【完了】ショートカット 0 項目を読み込みました。[ %s ]").c_str(), path.c_str()));
  } else {
    context.EchoLine(
        Format(SJ("【完了】ショートカット %zu 項目を読み込みました（[%d]～[%zu]）。[ %s ]").c_str(),
               records.size(), first, first + records.size() - 1, path.c_str()));
  }
  return 1;
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
  std::vector<CMyFuncResult> records;
  uint32_t reserved = 0;
  std::string text;
  if (CollectEntries(context, records, reserved) != Collected::kDone ||
      !FormatListFile(records, text)) {
    return false;
  }
  out.entries = records.size() + reserved;
  out.crc = crc32_gzip_refl(0, reinterpret_cast<const uint8_t*>(text.data()), text.size());
  return true;
}

}  // namespace vpx
