// The 関数リファレンス window of the help menu: the compiled function reference with a search
// field, the list of matching functions, the selected entry, and a button that puts the call
// into the console. Modeless; one per main window.
#pragma once

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace vpx::ui {

class CConsoleEdit;

class CFuncReferenceWindow : public QDialog {
  Q_OBJECT
 public:
  CFuncReferenceWindow(CConsoleEdit* console, QWidget* parent);

  // Shows the window of parent, creating it on first use.
  static CFuncReferenceWindow* ShowFor(QWidget* parent, CConsoleEdit* console);

  // Lists the functions matching pattern (all for an empty one) and selects the first.
  void Filter(const QString& pattern);
  // Number of listed functions, and the name and text shown for the selection.
  int ListedCount() const;
  QString SelectedName() const;
  QString ShownText() const;
  // Puts "Name(" at the console's caret and gives it the focus.
  void InsertIntoConsole();

 private:
  void ShowSelected();

  CConsoleEdit* console_;
  QLineEdit* search_;
  QListWidget* list_;
  QPlainTextEdit* text_;
  QPushButton* insert_;
};

}  // namespace vpx::ui
