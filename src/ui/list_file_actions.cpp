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

const QString kExtension = QStringLiteral("vpxl");

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

std::unique_ptr<QFileDialog> CListFileActions::CreateFileDialog(bool save) const {
  const QString dir = save && !lastFile_.empty() ? Qs(lastFile_) : Qs(StartDir());
  auto dialog = std::make_unique<QFileDialog>(
      owner_, save ? QStringLiteral("ショートカット保存") : QStringLiteral("ショートカット読出"),
      dir, FileFilter());
  if (save) {
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // A name typed without an extension gets the list's, before the dialog asks about
    // replacing a file of that name.
    dialog->setDefaultSuffix(kExtension);
  } else {
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
  }
  return dialog;
}

bool CListFileActions::RunFileDialog(bool save, std::string& sjisPath) {
  const std::unique_ptr<QFileDialog> dialog = CreateFileDialog(save);
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return false;
  const QString name = dialog->selectedFiles().first();
  return !name.isEmpty() && ChosenNameToSjis(owner_, name, sjisPath);
}

bool CListFileActions::ChooseSavePath(std::string& sjisPath) {
  return RunFileDialog(true, sjisPath);
}

bool CListFileActions::ChooseLoadPath(std::string& sjisPath) {
  return RunFileDialog(false, sjisPath);
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
  std::string path;
  if (!ChooseLoadPath(path) || path.empty()) return 0;
  return LoadFile(path);
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
