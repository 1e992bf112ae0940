// Qt implementations of the engine's modal dialogs, message boxes, beep and clipboard.
// File names and texts cross as Shift-JIS; a name without a Shift-JIS form is refused with
// a message instead of being altered.
#pragma once

#include <QWidget>

#include "host/ui_host.h"

namespace vpx::ui {

class CQtDialogs : public IDialogs {
 public:
  explicit CQtDialogs(QWidget* owner) : owner_(owner) {}
  void MessageBox(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  bool ChooseOpenFiles(const std::string& initialDir, bool multiSelect,
                       std::vector<std::string>& paths) override;
  int ChooseFolder(const std::string& title, const std::string& initialPath,
                   std::string& path) override;
  // Defined in list_choice_dialog.cpp.
  bool ChooseFromList(const std::string& title, const std::vector<std::string>& items,
                      int& index) override;
  void Beep(unsigned frequencyHz, unsigned durationMs) override;

 private:
  QWidget* owner_;
};

class CQtClipboard : public IClipboard {
 public:
  bool SetText(const std::string& text) override;
  bool GetText(std::string& text) override;
};

// Converts a chosen file or folder name; shows a message and returns false when it has no
// Shift-JIS form.
bool ChosenNameToSjis(QWidget* owner, const QString& name, std::string& sjis);

}  // namespace vpx::ui
