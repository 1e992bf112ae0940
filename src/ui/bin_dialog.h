// CMyBinDialog: the simple binary display, a modeless window on a byte range of a file
// with 62 lines of offset, hexadecimal and character columns, an upper scroll bar paging
// within the loaded block and a lower one moving block by block. Its state and texts come
// from CBinaryViewModel; it registers with the main view and is destroyed with it.
// Keys, the wheel and the arrows page through the whole file, a go-to box (Ctrl+G) jumps to
// any byte, a find bar (Ctrl+F, F3, Shift+F3) searches the file, and a data inspector
// beside the page shows what the clicked byte and those after it mean.
#pragma once

#include <QDialog>
#include <string>

#include "engine/thread_list.h"
#include "files/binary_page.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QScrollBar;
class QWheelEvent;

namespace vpx::ui {

class CBinFindBar;
class CDataInspector;

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
  CBinFindBar* FindBar() const { return find_; }
  CDataInspector* Inspector() const { return inspector_; }
  // What the go-to box last had to say (empty after a good offset).
  QString GoToMessage() const;
  // The byte the caret or the last match stands on; -1 before any.
  int64_t CurrentByte() const { return current_; }
  // Updates the caption for the byte under the page's caret.
  void ShowCaretPosition();

  // Next or previous page, crossing into the neighbouring block at either end.
  void StepPage(int direction);
  // First page of the first block, or last page of the last block.
  void ShowFileEnd(bool last);
  // Opens the block and page holding offset (decimal, or hexadecimal after "0x") and
  // selects its byte. False, with a message beside the box, for text that is no number or
  // an offset outside the file.
  bool GoToOffset(const QString& text);
  // Opens the block and page holding offset and selects length bytes from it (as far as the
  // page goes); the inspector then shows the byte. False for an offset outside the file.
  bool ShowByte(int64_t offset, int64_t length = 1);
  // Searches with the find bar from the current byte, forward (F3) or backward (Shift+F3).
  bool SearchFromCurrent(bool forward);
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
  // The wheel past the top or bottom of the page turns to the neighbouring page.
  bool HandleWheel(QWheelEvent* e);
  // Up on the first line or Down on the last moves to the neighbouring page, same column.
  bool HandleLineStep(int direction);
  void SetGoToMessage(const QString& text);
  void ShowInspector(int64_t offset);

  CBinaryViewModel model_;
  QPlainTextEdit* page_;
  QScrollBar* pageBar_;
  QScrollBar* blockBar_;
  QLineEdit* goTo_;
  QLabel* goToMessage_;
  CBinFindBar* find_;
  CDataInspector* inspector_;
  int64_t current_ = -1;    // the byte the caret or the last match stands on
  int64_t lastMatch_ = -1;  // the offset of the match selected last, -1 when none is
  QSize wanted_;            // room for a whole page without scrolling
  bool drawing_ = false;
  bool loading_ = false;
  bool syncing_ = false;
};

// Where a new binary display goes: beside the main window when the screen has room to its
// right or left, else cascaded over it by the number of displays already open.
QPoint PlaceBinaryDialog(const QRect& mainFrame, const QSize& dialogFrame, const QRect& available,
                         int openCount);

}  // namespace vpx::ui
