// CMyBinDialog: the simple binary display, a modeless window on a byte range of a file
// with 62 lines of offset, hexadecimal and character columns, an upper scroll bar paging
// within the loaded block and a lower one moving block by block. Its state and texts come
// from CBinaryViewModel; it registers with the main view and is destroyed with it.
// Keys page through the whole file and a go-to box (Ctrl+G) jumps to any byte.
#pragma once

#include <QDialog>
#include <string>

#include "engine/thread_list.h"
#include "files/binary_page.h"

class QLineEdit;
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
  QLineEdit* GoToBox() const { return goTo_; }
  // Updates the caption for the byte under the page's caret.
  void ShowCaretPosition();

  // Next or previous page, crossing into the neighbouring block at either end.
  void StepPage(int direction);
  // First page of the first block, or last page of the last block.
  void ShowFileEnd(bool last);
  // Opens the block and page holding offset (decimal, or hexadecimal after "0x") and puts
  // the caret on its byte. False for text that is no offset within the file.
  bool GoToOffset(const QString& text);
  // Sizes the window to fit within available (a screen's available area).
  void FitInto(const QRect& available);

 signals:
  // OK, Cancel or the window's close button: the main view unregisters and deletes it.
  void closedByUser(vpx::ui::CMyBinDialog* dialog);

 public slots:
  void accept() override;
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void OnBarMoved(bool block);
  void SyncBars();
  void DrawPage();
  void SetPlainCaption();
  // Loads block (when it is not the one shown) and shows its page, clamped to the block.
  bool ShowPage(int64_t block, int64_t page);
  bool HandlePageKey(QKeyEvent* e);

  CBinaryViewModel model_;
  QPlainTextEdit* page_;
  QScrollBar* pageBar_;
  QScrollBar* blockBar_;
  QLineEdit* goTo_;
  QSize wanted_;  // room for a whole page without scrolling
  bool drawing_ = false;
  bool loading_ = false;
  bool syncing_ = false;
};

// Where a new binary display goes: beside the main window when the screen has room to its
// right or left, else cascaded over it by the number of displays already open.
QPoint PlaceBinaryDialog(const QRect& mainFrame, const QSize& dialogFrame, const QRect& available,
                         int openCount);

}  // namespace vpx::ui
