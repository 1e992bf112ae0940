// The small interfaces through which the engine reaches a user interface: the console,
// the two report list views, dialogs, message boxes, clipboard, beep and the GUI thread's
// task queue. The Qt window and the terminal front end each implement them; all texts
// crossing these interfaces are Shift-JIS byte strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/byte_range.h"

namespace vpx {

// The console: a text of lines; the engine reads the entered line and appends output.
class IConsole {
 public:
  virtual ~IConsole() = default;
  // Number of lines of the console text (an empty text has one line).
  virtual int GetLineCount() = 0;
  // Line n (0-based) without its line break; empty when n is out of range.
  virtual std::string GetLine(int n) = 0;
  // Appends output text at the end. The engine passes whole lines already formatted
  // ("　%s\r\n"); the console shows them in its output style.
  virtual void AppendOutput(const std::string& text) = 0;
};

// Removes the elements at the given positions (ascending, no repeats, all in range) in one
// pass, each kept element moving once; allocates nothing. Lists remove many rows this way.
template <typename T>
void EraseSortedPositions(std::vector<T>& items, const std::vector<int>& positions) {
  if (positions.empty()) return;
  size_t next = 0;
  size_t kept = static_cast<size_t>(positions.front());
  for (size_t i = kept; i < items.size(); ++i) {
    if (next < positions.size() && static_cast<size_t>(positions[next]) == i) {
      ++next;
      continue;
    }
    items[kept++] = std::move(items[i]);
  }
  items.erase(items.begin() + static_cast<std::ptrdiff_t>(kept), items.end());
}

struct RgbColour {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const RgbColour&) const = default;
};

// A report-style list view (the result list and the running-job list). Called on the
// GUI thread only; the engine moves calls from other threads there through IGuiQueue.
class IListView {
 public:
  virtual ~IListView() = default;
  virtual int GetRowCount() = 0;
  // Inserts a row at pos (pos beyond the end appends) with column 0 set to text.
  // Returns the position where the row landed, or -1.
  virtual int InsertRow(int pos, const std::string& text) = 0;
  virtual bool SetCellText(int row, int column, const std::string& text) = 0;
  virtual std::string GetCellText(int row, int column) = 0;
  virtual bool SetItemData(int row, uintptr_t data) = 0;
  virtual uintptr_t GetItemData(int row) = 0;
  virtual bool DeleteRow(int row) = 0;
  virtual bool DeleteAllRows() = 0;
  // The selected rows in ascending order.
  virtual std::vector<int> GetSelectedRows() = 0;
  virtual void SetRowSelected(int row, bool selected) = 0;
  // Bulk forms for long lists; the defaults go row by row, a view that can do better
  // overrides them.
  // Removes the given rows (ascending, no repeats, all present) in one pass.
  virtual bool DeleteRows(const std::vector<int>& rows);
  // Sets column to each row's position ("%u") for every row from first on.
  virtual void NumberRows(int column, int first);
  virtual void SelectAllRows();
  virtual void ClearSelection();
  // Background, text and text background colours of the whole view; repaints it.
  virtual void SetColours(RgbColour background, RgbColour text) = 0;
};

// Modal dialogs and other services of the window or terminal.
class IDialogs {
 public:
  virtual ~IDialogs() = default;
  // A modal message box with an OK button.
  virtual void MessageBox(const std::string& text) = 0;
  // A Yes/No question; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // File-open dialog starting in initialDir. Returns false when cancelled; otherwise
  // the chosen full paths (one unless multiSelect).
  virtual bool ChooseOpenFiles(const std::string& initialDir, bool multiSelect,
                               std::vector<std::string>& paths) = 0;
  // Folder chooser with a title; returns 1 with the chosen path, 2 when cancelled.
  virtual int ChooseFolder(const std::string& title, const std::string& initialPath,
                           std::string& path) = 0;
  // A choice of one of items (one line each) under title; false when cancelled, else the
  // chosen item's position in index. Front ends without such a dialog cancel.
  virtual bool ChooseFromList(const std::string& title, const std::vector<std::string>& items,
                              int& index) {
    (void)title;
    (void)items;
    (void)index;
    return false;
  }
  virtual void Beep(unsigned frequencyHz, unsigned durationMs) = 0;
};

class IClipboard {
 public:
  virtual ~IClipboard() = default;
  virtual bool SetText(const std::string& text) = 0;
  // False when the clipboard holds no text; text is then empty.
  virtual bool GetText(std::string& text) = 0;
};

// The request to show part of a file in the binary display (the window opens a dialog,
// the terminal prints the first page).
struct BinaryDisplayRequest {
  std::string fileName;  // Shift-JIS
  ByteRange range;       // in file order; bytes past the end of the file are not shown
};

class IBinaryDisplay {
 public:
  virtual ~IBinaryDisplay() = default;
  // Returns 1 when the display was opened (or printed), 0 otherwise.
  virtual int OpenBinaryDisplay(const BinaryDisplayRequest& request) = 0;
};

// The GUI thread's event queue. The control thread and worker threads hand work to the
// GUI thread through it, as window messages do on a desktop toolkit.
class IGuiQueue {
 public:
  virtual ~IGuiQueue() = default;
  // Runs task later on the GUI thread.
  virtual void Post(std::function<void()> task) = 0;
  // Runs task on the GUI thread and waits until it has run; runs it at once when called
  // on the GUI thread.
  virtual void Send(std::function<void()> task) = 0;
  // Runs the tasks pending now; only the GUI thread calls it.
  virtual void Pump() = 0;
  virtual bool IsGuiThread() const = 0;
};

// Everything the engine needs of a front end, handed to the engine at start-up.
struct UserInterface {
  IConsole* console = nullptr;
  IListView* resultList = nullptr;
  IListView* jobList = nullptr;
  IDialogs* dialogs = nullptr;
  IClipboard* clipboard = nullptr;
  IBinaryDisplay* binaryDisplay = nullptr;
  IGuiQueue* queue = nullptr;
};

// The process-wide front end used by code that has no engine at hand (the trace log's
// message box, a number's message box, beeps). Message boxes and beeps requested from a
// thread other than the GUI thread are posted to it, so they never block a job thread.
// Without a front end (nullptr) message boxes go to standard error and beeps are dropped.
void SetProcessUserInterface(const UserInterface* ui);
const UserInterface* GetProcessUserInterface();
void HostMessageBox(const std::string& text);
void HostBeep(unsigned frequencyHz, unsigned durationMs);

}  // namespace vpx
