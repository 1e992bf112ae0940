// CMyBinDialog: the simple binary display, a modeless window on a byte range of a file
// with 62 lines of offset, hexadecimal and character columns, an upper scroll bar paging
// within the loaded block and a lower one moving block by block. Its state and texts come
// from CBinaryViewModel; it registers with the main view and is destroyed with it.
#pragma once

#include <QDialog>
#include <string>

#include "execution/thread_list.h"
#include "fileops/binary_page.h"

class QPlainTextEdit;
class QScrollBar;

namespace vpx::ui {

class CMyBinDialog : public QDialog, public IRegisteredWindow {
  Q_OBJECT
 public:
  CMyBinDialog();
  ~CMyBinDialog() override;

  // Sets the file and range and draws the first page; 0 when nothing can be shown.
  int DispFileData(const std::string& name, int64_t first, int64_t last);
  // The registry's destruction of the window (with the main view).
  void DestroyRegisteredWindow() override;

  const CBinaryViewModel& Model() const { return model_; }
  QPlainTextEdit* PageEdit() const { return page_; }
  QScrollBar* PageBar() const { return pageBar_; }
  QScrollBar* BlockBar() const { return blockBar_; }
  // Updates the caption for the byte under the page's caret.
  void ShowCaretPosition();

 signals:
  // OK, Cancel or the window's close button: the main view unregisters and deletes it.
  void closedByUser(vpx::ui::CMyBinDialog* dialog);

 public slots:
  void accept() override;
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void OnBarAction(QScrollBar* bar, int action);
  void OnBarMoved(bool block);
  void SyncBars();
  void DrawPage();
  void SetPlainCaption();

  CBinaryViewModel model_;
  QPlainTextEdit* page_;
  QScrollBar* pageBar_;
  QScrollBar* blockBar_;
  bool drawing_ = false;
  bool loading_ = false;
  bool syncing_ = false;
};

}  // namespace vpx::ui
