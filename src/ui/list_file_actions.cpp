#include "ui/list_file_actions.h"

#include <QDir>
#include <QFileDialog>
#include <vector>

#include "engine/command_context.h"
#include "engine/shortcut_array.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/ui_host.h"
#include "ui/qt_host.h"
#include "ui/qt_text.h"

namespace vpx::ui {
namespace {

QString FileFilter() {
  return QStringLiteral("Vorpex ショートカット (*.vpxl);;すべてのファイル (*)");
}

std::string StartDir() {
  std::string dir;
  return GetCurrentDir(dir) ? dir : std::string(1, '.');
}

}  // namespace

CListFileActions::CListFileActions(QWidget* owner, ICommandContext& context, IDialogs& dialogs)
    : owner_(owner), context_(context), dialogs_(dialogs) {}

bool CListFileActions::ChooseSavePath(std::string& sjisPath) {
  const QString initial = lastFile_.empty() ? Qs(StartDir()) : Qs(lastFile_);
  const QString name = QFileDialog::getSaveFileName(owner_, QStringLiteral("ショートカット保存"),
                                                    initial, FileFilter());
  return !name.isEmpty() && ChosenNameToSjis(owner_, name, sjisPath);
}

void CListFileActions::RememberSaved(const std::string& path) {
  lastFile_ = path;
  haveSaved_ = TakeListFingerprint(context_, saved_);
}

int CListFileActions::SaveAs() {
  std::string path;
  if (!ChooseSavePath(path)) return 0;
  if (SaveShortCutList(context_, path) == 0) return 0;
  RememberSaved(path);
  return 1;
}

int CListFileActions::Save() {
  if (lastFile_.empty()) return SaveAs();
  if (SaveShortCutList(context_, lastFile_) == 0) return 0;
  RememberSaved(lastFile_);
  return 1;
}

int CListFileActions::Load() {
  std::vector<std::string> paths;
  if (!dialogs_.ChooseOpenFiles(StartDir(), false, paths) || paths.empty() || paths[0].empty())
    return 0;
  return LoadFile(paths[0]);
}

int CListFileActions::LoadFile(const std::string& path) {
  // Into an empty list the file is the whole list: it counts as saved there.
  const bool wasEmpty = !HasEntries();
  if (LoadShortCutList(context_, path) == 0) return 0;
  if (wasEmpty) RememberSaved(path);
  return 1;
}

int CListFileActions::NewList() {
  if (HasUnsavedEntries() &&
      !dialogs_.AskYesNo(
          SJ("保存していないショートカットがあります。破棄して新規作成しますか？"))) {
    return 0;
  }
  if (ClearShortCutList(context_) < 0) return 0;
  lastFile_.clear();
  haveSaved_ = false;
  return 1;
}

bool CListFileActions::HasEntries() {
  if (!context_.AcquireListLock()) return true;
  const bool entries = context_.ShortCutArray().GetCount() > 1;
  context_.ReleaseListLock();
  return entries;
}

bool CListFileActions::HasUnsavedEntries() {
  ListFingerprint now;
  if (!TakeListFingerprint(context_, now)) return true;
  if (now.entries == 0) return false;
  return !haveSaved_ || !(now == saved_);
}

}  // namespace vpx::ui
