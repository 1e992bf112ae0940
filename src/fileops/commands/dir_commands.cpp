// Directory and drive commands: changing the current directory, the size and free space of
// the file system holding a path, and file or folder names chosen in a dialog put into the
// result list.
#include <vector>

#include "execution/shortcut_array.h"
#include "fileops/commands/file_commands.h"
#include "fileops/file_primitives.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

constexpr int kMaxListEntries = 65535;

int ChangeDirHandler(ICommandContext& engine, FuncId id, CMyFuncData& call) {
  std::string target;
  if (id == FuncId::ChangeDirS) {
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

int ChangeDirRootHandler(ICommandContext& engine, FuncId, CMyFuncData&) {
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

int DriveSpaceHandler(ICommandContext& engine, FuncId id, CMyFuncData& call) {
  const DriveSpaceQuery query = QueryOf(id);
  const bool total = query.total;
  const bool named = query.named;
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

int ListEntryCount(ICommandContext& engine) {
  ListLockScope scope(engine);
  return scope.Ok() ? engine.ShortCutArray().GetCount() : 0;
}

// AddFileToList appends the chosen file to the result list, SetFileToList overwrites the
// entry at the index.
int FileChoiceHandler(ICommandContext& engine, FuncId id, CMyFuncData& call) {
  IDialogs* dialogs = engine.GetUi().dialogs;
  if (id == FuncId::AddFileToList && ListEntryCount(engine) > kMaxListEntries) {
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
  bool stored = record.SetData(&call, id, &path) != 0;
  uint32_t index = call.GetArgCount() > 0 ? call.GetArgValue(0).GetAsUInt() : 0;
  if (stored && id == FuncId::AddFileToList) {
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

int DirChoiceHandler(ICommandContext& engine, FuncId id, CMyFuncData& call) {
  std::string start, path;
  GetModuleDir(&start);
  if (ChooseFolder(engine.GetUi().dialogs, start, &path) != 1) return 0;
  CMyFuncResult record;
  if (record.SetData(&call, id, &path) == 0 || engine.AddDataToListAndShortCut(record, true) < 0)
    return 0;
  engine.EchoLine(path);
  return 1;
}

}  // namespace

void RegisterDirCommands(HandlerTable& table) {
  // GetCurDrv is served as ChangeDir() is: by the folder dialog.
  for (FuncId id : {FuncId::GetCurDrv, FuncId::ChangeDirV, FuncId::ChangeDirS})
    table.AddCommand(id, ChangeDirHandler);
  table.AddCommand(FuncId::ChangeDirRoot, ChangeDirRootHandler);
  for (const DriveSpaceQuery& query : kDriveSpaceQueries)
    table.AddCommand(query.id, DriveSpaceHandler);
  table.AddCommand(FuncId::AddFileToList, FileChoiceHandler);
  table.AddCommand(FuncId::SetFileToList, FileChoiceHandler);
  table.AddCommand(FuncId::AddDirToList, DirChoiceHandler);
}

}  // namespace vpx
