// Directory and drive commands: changing the current directory (101-103, 106), the size
// and free space of the file system holding a path (111-118), and file or folder names
// chosen in a dialog put into the result list (314-316).
#include <vector>

#include "execution/shortcut_array.h"
#include "fileops/file_commands.h"
#include "fileops/file_primitives.h"
#include "fileops/trace_log.h"
#include "host/platform.h"
#include "host/sjis.h"

namespace vpx {
namespace {

constexpr int kMaxListEntries = 65535;

int ChangeDirHandler(CVorpexEngine& engine, uint32_t id, CMyFuncData& call) {
  std::string target;
  if (id == 103) {
    target = ArgText(call, 0);
  } else {
    std::string start;
    if (!GetCurrentDir(start)) GetModuleDir(&start);
    if (ChooseFolder(engine.GetUi().dialogs, start, &target) != 1) {
      engine.EchoLine(SJ("※　キャンセルしました。"));
      return 0;
    }
  }
  if (SetCurrentDir(target) != 0) {
    engine.EchoLine(
        Format(SJ("※　カレントディレクトリの変更に失敗。×[%s]").c_str(), target.c_str()));
    return 0;
  }
  std::string now;
  GetCurrentDir(now);
  engine.EchoLine(Format(SJ("カレントディレクトリを変更しました。[%s]").c_str(), now.c_str()));
  return 1;
}

int ChangeDirRootHandler(CVorpexEngine& engine, uint32_t, CMyFuncData&) {
  const std::string root = "/";
  if (SetCurrentDir(root) != 0) {
    engine.EchoLine(Format(SJ("※　カレントディレクトリをルートに設定することに失敗。[%s]").c_str(),
                           root.c_str()));
    return 0;
  }
  engine.EchoLine(
      Format(SJ("カレントディレクトリをルートに移動しました。[%s]").c_str(), root.c_str()));
  return 1;
}

bool PathExists(const std::string& path) {
  return !path.empty() && (IxExistFile(path, true) || IxExistFile(path, false));
}

// 111-114 report the total size, 115-118 the free space; 113, 114, 117 and 118 name a
// path, the others use the current directory.
int DriveSpaceHandler(CVorpexEngine& engine, uint32_t id, CMyFuncData& call) {
  const bool total = id <= 114;
  const bool named = id == 113 || id == 114 || id == 117 || id == 118;
  std::string path;
  if (named) {
    path = ArgText(call, 0);
  } else if (!GetCurrentDir(path)) {
    engine.EchoLine(SJ("※　カレントディレクトリの取得に失敗。"));
    return 0;
  }
  FileSystemSpace space;
  if ((named && !PathExists(path)) || !QueryFileSystem(path, space)) {
    engine.EchoLine(SJ("※　ドライブ名が無効です。"));
    return 0;
  }
  uint64_t bytes = total ? space.totalBytes : space.freeBytes;
  const std::string& format = total ? SJ("ドライブ [%s] のサイズは %s Byte です。")
                                    : SJ("ドライブ [%s] の空き容量は %s Byte です。");
  engine.EchoLine(Format(format.c_str(), space.mountPoint.c_str(),
                         FormatByteCount(static_cast<int64_t>(bytes)).c_str()));
  return 1;
}

int ListEntryCount(CVorpexEngine& engine) {
  if (!engine.AcquireListLock()) return 0;
  int count = engine.ShortCutArray().GetCount();
  engine.ReleaseListLock();
  return count;
}

// 314 appends the chosen file to the result list, 315 overwrites the entry at the index.
int FileChoiceHandler(CVorpexEngine& engine, uint32_t id, CMyFuncData& call) {
  IDialogs* dialogs = engine.GetUi().dialogs;
  if (id == 314 && ListEntryCount(engine) > kMaxListEntries) {
    HostMessageBox(SJ("※　これ以上追加できません。"));
    return 0;
  }
  std::string start;
  if (!GetCurrentDir(start)) start.clear();
  std::vector<std::string> paths;
  if (dialogs == nullptr || !dialogs->ChooseOpenFiles(start, false, paths)) {
    engine.EchoLine(SJ("キャンセルしました。\r\n"));
    return 1;
  }
  if (paths.empty() || paths.front().empty()) {
    engine.EchoLine(SJ("※　失敗しました。\r\n"));
    return 0;
  }
  const std::string& path = paths.front();
  CMyFuncResult record;
  bool stored = record.SetData(&call, static_cast<int32_t>(id), &path) != 0;
  uint32_t index = call.GetArgCount() > 0 ? call.GetArgValue(0).GetAsUInt() : 0;
  if (stored && id == 314) {
    int added = engine.AddDataToListAndShortCut(record, true);
    stored = added >= 0;
    index = static_cast<uint32_t>(added);
  } else if (stored) {
    stored = engine.SetDataToListAndShortCut(index, record, true) != 0;
  }
  if (!stored) {
    engine.EchoLine(SJ("※　失敗しました。\r\n"));
    return 0;
  }
  engine.EchoLine(Format("ListIndex[%u] : %s", index, path.c_str()));
  return 1;
}

int DirChoiceHandler(CVorpexEngine& engine, uint32_t id, CMyFuncData& call) {
  std::string start, path;
  GetModuleDir(&start);
  if (ChooseFolder(engine.GetUi().dialogs, start, &path) != 1) return 0;
  CMyFuncResult record;
  if (record.SetData(&call, static_cast<int32_t>(id), &path) == 0 ||
      engine.AddDataToListAndShortCut(record, true) < 0)
    return 0;
  engine.EchoLine(path);
  return 1;
}

}  // namespace

void RegisterDirCommands(HandlerTable& table) {
  for (uint32_t id : {101u, 102u, 103u}) table.AddCommand(id, ChangeDirHandler);
  table.AddCommand(106, ChangeDirRootHandler);
  for (uint32_t id = 111; id <= 118; ++id) table.AddCommand(id, DriveSpaceHandler);
  table.AddCommand(314, FileChoiceHandler);
  table.AddCommand(315, FileChoiceHandler);
  table.AddCommand(316, DirChoiceHandler);
}

}  // namespace vpx
