// The input history dialog "入力履歴": a modeless list of the last executed lines, newest
// first, from the engine's history ring. Choosing an entry asks the main view to insert it
// at the console caret; nothing is executed from here.
#pragma once

#include <QDialog>
#include <string>

#include "engine/ring_memory.h"

class QTreeWidget;
class QPushButton;

namespace vpx::ui {

class CInputHistoryDlg : public QDialog {
  Q_OBJECT
 public:
  CInputHistoryDlg(CGRingMemT<std::string>* ring, QWidget* parent = nullptr);

  // Rewrites the rows from the ring: row i shows the i-th newest line.
  void Refresh();
  QTreeWidget* List() const { return list_; }
  QPushButton* InputButton() const { return input_; }

 signals:
  // Insert history entry index at the console caret.
  void insertRequested(int index);
  // Give the focus back to the main view.
  void focusViewRequested();

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void reject() override;

 private:
  void OnInput();
  void FitColumns();

  CGRingMemT<std::string>* ring_;
  QTreeWidget* list_;
  QPushButton* input_;
};

}  // namespace vpx::ui
