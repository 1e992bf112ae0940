// Directory and drive commands: changing the current directory (to a path, a chosen
// folder, the root, or the mount point of a file system, Linux's counterpart of a drive),
// the size and free space of the file system holding a path, and file or folder names
// chosen in a dialog made a result or put into the result list.
#include <vector>

#include "engine/commands/files/file_commands.h"
#include "engine/shortcut_array.h"
#include "files/file_primitives.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

constexpr int kMaxListEntries = 65535;

// The folder dialogs start in the current directory, or the program's when it is unreadable.
std::string DialogStartDir() {
  std::string start;
  if (!GetCurrentDir(start)) GetModuleDir(&start);
  return start;
}

const std::string& CancelledText() {
  return SJ("※　キャンセルしました。");
}

int ChangeDirTo(ICommandContext& context, const std::string& target) {
  if (SetCurrentDir(target) != 0) {
    context.EchoLine(
        Format(SJ("※　カレントディレクトリの変更に失敗。×[%s]").c_str(), target.c_str()));
    return 0;
  }
  std::string now;
  GetCurrentDir(now);
  context.EchoLine(Format(SJ("カレントディレクトリを変更しました。[%s]").c_str(), now.c_str()));
  return 1;
}

int ChangeDirHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  std::string target;
  if (id == FuncId::ChangeDirS) {
    target = ArgText(call, 0);
  } else if (ChooseFolder(context.GetUi().dialogs, DialogStartDir(), &target) != 1) {
    context.EchoLine(CancelledText());
    return 0;
  }
  return ChangeDirTo(context, target);
}

bool PathExists(const std::string& path) {
  return !path.empty() && (IxExistFile(path, true) || IxExistFile(path, false));
}

// The chooser of mounted file systems: mount point, size and free space per line.
bool ChooseFileSystem(ICommandContext& context, std::string& mountPoint) {
  IDialogs* dialogs = context.GetUi().dialogs;
  const std::vector<FileSystemSpace> list = ListFileSystems();
  std::vector<std::string> items;
  for (const FileSystemSpace& space : list)
    items.push_back(Format(SJ("%s　　サイズ %s Byte / 空き %s Byte").c_str(),
                           space.mountPoint.c_str(),
                           FormatByteCount(static_cast<int64_t>(space.totalBytes)).c_str(),
                           FormatByteCount(static_cast<int64_t>(space.freeBytes)).c_str()));
  int index = -1;
  if (dialogs == nullptr || items.empty() ||
      !dialogs->ChooseFromList(SJ("ドライブ（ファイルシステム）を選択してください"), items,
                               index) ||
      index < 0 || static_cast<size_t>(index) >= list.size())
    return false;
  mountPoint = list[static_cast<size_t>(index)].mountPoint;
  return true;
}

// ChangeDrv: to the mount point of a chosen file system, or of the one holding the path.
int ChangeDrvHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  std::string target;
  if (id == FuncId::ChangeDrvS) {
    const std::string& path = ArgText(call, 0);
    FileSystemSpace space;
    if (!PathExists(path) || !QueryFileSystem(path, space)) {
      context.EchoLine(
          Format(SJ("※　カレントディレクトリの変更に失敗。×[%s]").c_str(), path.c_str()));
      return 0;
    }
    target = space.mountPoint;
  } else if (!ChooseFileSystem(context, target)) {
    context.EchoLine(CancelledText());
    return 0;
  }
  return ChangeDirTo(context, target);
}

int ChangeDirRootHandler(ICommandContext& context, FuncId, CMyFuncData&) {
  const std::string root = "/";
  if (SetCurrentDir(root) != 0) {
    context.EchoLine(Format(SJ("※　カレントディレクトリをルートに設定することに失敗。[%s]").c_str(),
                            root.c_str()));
    return 0;
  }
  context.EchoLine(
      Format(SJ("カレントディレクトリをルートに移動しました。[%s]").c_str(), root.c_str()));
  return 1;
}

struct DriveSpaceQuery {
  FuncId id;
  bool total;  // the total size, else the free space
  bool named;  // of the path argument, else of the current directory
};

constexpr DriveSpaceQuery kDriveSpaceQueries[] = {
    {FuncId::GetDriveSizeV, true, false},       {FuncId::GDSV, true, false},
    {FuncId::GetDriveSizeS, true, true},        {FuncId::GDSS, true, true},
    {FuncId::GetDriveFreeSpaceV, false, false}, {FuncId::GDFSV, false, false},
    {FuncId::GetDriveFreeSpaceS, false, true},  {FuncId::GDFSS, false, true},
};

DriveSpaceQuery QueryOf(FuncId id) {
  for (const DriveSpaceQuery& query : kDriveSpaceQueries)
    if (query.id == id) return query;
  return kDriveSpaceQueries[0];
}

int DriveSpaceHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  const DriveSpaceQuery query = QueryOf(id);
  const bool total = query.total;
  const bool named = query.named;
  std::string path;
  if (named) {
    path = ArgText(call, 0);
  } else if (!GetCurrentDir(path)) {
    context.EchoLine(SJ("※　カレントディレクトリの取得に失敗。"));
    return 0;
  }
  FileSystemSpace space;
  if ((named && !PathExists(path)) || !QueryFileSystem(path, space)) {
    context.EchoLine(SJ("※　ドライブ名が無効です。"));
    return 0;
  }
  uint64_t bytes = total ? space.totalBytes : space.freeBytes;
  const std::string& format = total ? SJ("ドライブ [%s] のサイズは %s Byte です。")
                                    : SJ("ドライブ [%s] の空き容量は %s Byte です。");
  context.EchoLine(Format(format.c_str(), space.mountPoint.c_str(),
                          FormatByteCount(static_cast<int64_t>(bytes)).c_str()));
  return 1;
}

int ListEntryCount(ICommandContext& context) {
  ListLockScope scope(context);
  return scope.Ok() ? context.ShortCutArray().GetCount() : 0;
}

// A file (or, for folder, a folder) chosen in its dialog; false when cancelled.
bool ChoosePath(ICommandContext& context, bool folder, std::string& path) {
  IDialogs* dialogs = context.GetUi().dialogs;
  if (folder) return ChooseFolder(dialogs, DialogStartDir(), &path) == 1;
  std::string start;
  if (!GetCurrentDir(start)) start.clear();
  std::vector<std::string> paths;
  if (dialogs == nullptr || !dialogs->ChooseOpenFiles(start, false, paths)) return false;
  path = paths.empty() ? std::string() : paths.front();
  return true;
}

// AddFileToList appends the chosen file to the result list, SetFileToList overwrites the
// entry at the index, SetDirToList overwrites it with a chosen folder.
int FileChoiceHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  if (id == FuncId::AddFileToList && ListEntryCount(context) > kMaxListEntries) {
    HostMessageBox(SJ("※　これ以上追加できません。"));
    return 0;
  }
  std::string path;
  if (!ChoosePath(context, id == FuncId::SetDirToList, path)) {
    context.EchoLine(SJ("キャンセルしました。\r\n"));
    return 1;
  }
  if (path.empty()) {
    context.EchoLine(SJ("※　失敗しました。\r\n"));
    return 0;
  }
  CMyFuncResult record;
  bool stored = record.SetData(&call, id, &path) != 0;
  uint32_t index = call.GetArgCount() > 0 ? call.GetArgValue(0).GetAsUInt() : 0;
  if (stored && id == FuncId::AddFileToList) {
    int added = context.AddDataToListAndShortCut(record, true);
    stored = added >= 0;
    index = static_cast<uint32_t>(added);
  } else if (stored) {
    stored = context.SetDataToListAndShortCut(index, record, true) != 0;
  }
  if (!stored) {
    context.EchoLine(SJ("※　失敗しました。\r\n"));
    return 0;
  }
  context.EchoLine(Format("ListIndex[%u] : %s", index, path.c_str()));
  return 1;
}

// GetFilePath and GetDirPath: the chosen path becomes a STRING result.
int PathResultHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  std::string path;
  if (!ChoosePath(context, id == FuncId::GetDirPath, path) || path.empty()) {
    context.EchoLine(CancelledText());
    return 0;
  }
  context.EchoLine(path);
  if (context.PreviousResult().SetData(&call, id, &path) == 0) {
    context.EchoLine(SJ("※　結果の一時保存に失敗。"));
    return 0;
  }
  context.SetResultToListAndShortCut(context.PreviousResult(), true);
  return 1;
}

int DirChoiceHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  std::string start, path;
  GetModuleDir(&start);
  if (ChooseFolder(context.GetUi().dialogs, start, &path) != 1) return 0;
  CMyFuncResult record;
  if (record.SetData(&call, id, &path) == 0 || context.AddDataToListAndShortCut(record, true) < 0)
    return 0;
  context.EchoLine(path);
  return 1;
}

}  // namespace

void RegisterDirCommands(HandlerTable& table) {
  // GetCurDrv is served as ChangeDir() is: by the folder dialog.
  for (FuncId id : {FuncId::GetCurDrv, FuncId::ChangeDirV, FuncId::ChangeDirS})
    table.AddCommand(id, ChangeDirHandler);
  table.AddCommand(FuncId::ChangeDirRoot, ChangeDirRootHandler);
  for (FuncId id : {FuncId::ChangeDrvV, FuncId::ChangeDrvS}) table.AddCommand(id, ChangeDrvHandler);
  for (const DriveSpaceQuery& query : kDriveSpaceQueries)
    table.AddCommand(query.id, DriveSpaceHandler);
  table.AddCommand(FuncId::AddFileToList, FileChoiceHandler);
  table.AddCommand(FuncId::SetFileToList, FileChoiceHandler);
  table.AddCommand(FuncId::SetDirToList, FileChoiceHandler);
  table.AddCommand(FuncId::GetFilePath, PathResultHandler);
  table.AddCommand(FuncId::GetDirPath, PathResultHandler);
  table.AddCommand(FuncId::AddDirToList, DirChoiceHandler);
}

}  // namespace vpx
