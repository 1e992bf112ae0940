// A recording front end for tests: a console held as lines, list views held as rows,
// dialogs answered from preset values and recorded, an in-process clipboard and a GUI
// queue whose GUI thread is the thread that constructed it.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/ui_host.h"

namespace vpx::test {

class FakeConsole : public IConsole {
 public:
  int GetLineCount() override;
  std::string GetLine(int n) override;
  void AppendOutput(const std::string& text) override;
  // Types a line of input (Shift-JIS) followed by a line break, as Enter leaves it.
  void TypeLine(const std::string& line);
  // The output lines appended since the last call, without the leading ideographic space
  // and the line end.
  std::vector<std::string> TakeOutput();
  std::string Text();

 private:
  std::mutex mutex_;
  std::string text_;
  std::vector<std::string> output_;
};

class FakeListView : public IListView {
 public:
  struct Row {
    std::vector<std::string> cells;
    uintptr_t data = 0;
    bool selected = false;
  };
  int GetRowCount() override;
  int InsertRow(int pos, const std::string& text) override;
  bool SetCellText(int row, int column, const std::string& text) override;
  std::string GetCellText(int row, int column) override;
  bool SetItemData(int row, uintptr_t data) override;
  uintptr_t GetItemData(int row) override;
  bool DeleteRow(int row) override;
  bool DeleteAllRows() override;
  std::vector<int> GetSelectedRows() override;
  void SetRowSelected(int row, bool selected) override;
  void SetColours(RgbColour background, RgbColour text) override;

  std::vector<Row> rows;
  RgbColour background{0, 0, 0}, textColour{255, 255, 255};
  std::thread::id lastCaller;  // the thread of the last call, to check GUI-thread use
};

class FakeDialogs : public IDialogs {
 public:
  void MessageBox(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  bool ChooseOpenFiles(const std::string& initialDir, bool multiSelect,
                       std::vector<std::string>& paths) override;
  int ChooseFolder(const std::string& title, const std::string& initialPath,
                   std::string& path) override;
  bool ChooseFromList(const std::string& title, const std::vector<std::string>& items,
                      int& index) override;
  void Beep(unsigned frequencyHz, unsigned durationMs) override;

  std::vector<std::string> TakeMessageBoxes();

  bool yesAnswer = false;
  bool fileChosen = false;
  std::vector<std::string> chosenFiles;
  bool folderChosen = false;
  std::string chosenFolder;
  int chosenItem = -1;                 // the list choice answered; -1 cancels
  std::vector<std::string> listItems;  // the items of the last list choice
  std::vector<std::string> questions;
  int beeps = 0;

 private:
  std::mutex mutex_;
  std::vector<std::string> messageBoxes_;
};

class FakeClipboard : public IClipboard {
 public:
  bool SetText(const std::string& text) override;
  bool GetText(std::string& text) override;
  bool hasText = false;
  std::string text;
};

class FakeBinaryDisplay : public IBinaryDisplay {
 public:
  int OpenBinaryDisplay(const BinaryDisplayRequest& request) override;
  std::vector<BinaryDisplayRequest> requests;
};

class FakeGuiQueue : public IGuiQueue {
 public:
  FakeGuiQueue();
  void Post(std::function<void()> task) override;
  void Send(std::function<void()> task) override;
  void Pump() override;
  bool IsGuiThread() const override;

 private:
  std::thread::id guiThread_;
  std::mutex mutex_;
  std::condition_variable done_;
  std::deque<std::function<void()>> tasks_;
  unsigned long long finished_ = 0;
  unsigned long long queued_ = 0;
};

// All fakes together, installed as the process front end for the fixture's lifetime.
class FakeUi {
 public:
  FakeUi();
  ~FakeUi();
  FakeConsole console;
  FakeListView resultList;
  FakeListView jobList;
  FakeDialogs dialogs;
  FakeClipboard clipboard;
  FakeBinaryDisplay binaryDisplay;
  FakeGuiQueue queue;
  UserInterface ui;
};

}  // namespace vpx::test
