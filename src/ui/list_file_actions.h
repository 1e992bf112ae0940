// The window's actions on the result list as a whole: SAVE and "ショートカット保存" (save to a
// chosen file), "上書き保存" (the last file), LOAD and "ショートカット読出", and "新規作成",
// which empties the list back to entry 0 after asking when entries are not saved.
#pragma once

#include <memory>
#include <string>

#include "engine/commands/lists/list_file_commands.h"

class QFileDialog;
class QWidget;

namespace vpx {
class ICommandContext;
class IDialogs;
}  // namespace vpx

namespace vpx::ui {

class CListFileActions {
 public:
  CListFileActions(QWidget* owner, ICommandContext& context, IDialogs& dialogs);
  virtual ~CListFileActions() = default;

  // Save to a file chosen in a dialog. 1 when saved.
  int SaveAs();
  // Save to the last file saved or loaded; without one, as SaveAs.
  int Save();
  // Load a file chosen in a dialog, appending its entries. 1 when loaded.
  int Load();
  // Load the given file (Shift-JIS), as Load does after the dialog.
  int LoadFile(const std::string& path);
  // Empties the list back to entry 0; asks first when entries are not saved. 1 when done.
  int NewList();
  // True when entries 1 and up differ from what was last saved or loaded.
  bool HasUnsavedEntries();
  const std::string& LastFile() const { return lastFile_; }
  // The dialog that chooses the file to save to (save) or to load: titled for the list,
  // its filter first; a name saved without an extension gets ".vpxl".
  std::unique_ptr<QFileDialog> CreateFileDialog(bool save) const;

 protected:
  // The save-file dialog (it asks before replacing); false when cancelled.
  virtual bool ChooseSavePath(std::string& sjisPath);
  // The load-file dialog; false when cancelled.
  virtual bool ChooseLoadPath(std::string& sjisPath);

 private:
  bool RunFileDialog(bool save, std::string& sjisPath);
  void RememberSaved(const std::string& path);
  // True when the list holds entries beyond entry 0 (or cannot be read).
  bool HasEntries();

  QWidget* owner_;
  ICommandContext& context_;
  IDialogs& dialogs_;
  std::string lastFile_;
  bool haveSaved_ = false;
  ListFingerprint saved_;
};

}  // namespace vpx::ui
