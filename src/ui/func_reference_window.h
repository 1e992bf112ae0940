// The 関数リファレンス window of the help menu: the compiled function reference with a search
// field, the list of matching functions, the selected entry, and a button that puts the call
// into the console. Modeless; one per main window, opened beside it where the screen has
// room. The search matches names first, then the descriptions.
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
  // Puts "Name(" at the console's caret and gives it the focus (its window is activated).
  void InsertIntoConsole();

  // Size the window opens with, and the narrowest it is made to fit beside the main window.
  static constexpr int kWidth = 820;
  static constexpr int kHeight = 560;
  static constexpr int kMinBesideWidth = 480;

 private:
  void ShowSelected();

  CConsoleEdit* console_;
  QLineEdit* search_;
  QListWidget* list_;
  QPlainTextEdit* text_;
  QPushButton* insert_;
};

// Where the reference window goes (its client area): beside the main window's frame when the
// screen has room for at least kMinBesideWidth there, narrowed to fit; otherwise against the
// screen's edge on the side with more room, covering as little of the main window as can be.
// frame: the width and height the window manager adds around the client area.
QRect PlaceReferenceWindow(const QRect& mainFrame, const QRect& available, const QSize& frame);

}  // namespace vpx::ui
