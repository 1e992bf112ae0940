#include "support/fake_ui.h"

#include <memory>
#include <utility>

namespace vpx::test {

int FakeConsole::GetLineCount() {
  std::lock_guard lock(mutex_);
  int lines = 1;
  for (char c : text_) lines += (c == '\n');
  return lines;
}

std::string FakeConsole::GetLine(int n) {
  std::lock_guard lock(mutex_);
  size_t begin = 0;
  for (int i = 0; i < n; ++i) {
    begin = text_.find('\n', begin);
    if (begin == std::string::npos) return {};
    ++begin;
  }
  size_t end = text_.find('\n', begin);
  std::string line = text_.substr(begin, end == std::string::npos ? end : end - begin);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

void FakeConsole::AppendOutput(const std::string& text) {
  std::lock_guard lock(mutex_);
  text_ += text;
  std::string body = text;
  const std::string space = "\x81\x40";  // ideographic space in Shift-JIS
  if (body.compare(0, space.size(), space) == 0) body.erase(0, space.size());
  if (body.size() >= 2 && body.compare(body.size() - 2, 2, "\r\n") == 0)
    body.resize(body.size() - 2);
  output_.push_back(body);
}

void FakeConsole::TypeLine(const std::string& line) {
  std::lock_guard lock(mutex_);
  text_ += line + "\r\n";
}

std::vector<std::string> FakeConsole::TakeOutput() {
  std::lock_guard lock(mutex_);
  return std::exchange(output_, {});
}

std::string FakeConsole::Text() {
  std::lock_guard lock(mutex_);
  return text_;
}

int FakeListView::GetRowCount() {
  lastCaller = std::this_thread::get_id();
  return static_cast<int>(rows.size());
}

int FakeListView::InsertRow(int pos, const std::string& text) {
  lastCaller = std::this_thread::get_id();
  if (pos < 0) return -1;
  if (pos > static_cast<int>(rows.size())) pos = static_cast<int>(rows.size());
  Row row;
  row.cells = {text};
  rows.insert(rows.begin() + pos, row);
  return pos;
}

bool FakeListView::SetCellText(int row, int column, const std::string& text) {
  lastCaller = std::this_thread::get_id();
  if (row < 0 || row >= static_cast<int>(rows.size()) || column < 0) return false;
  auto& cells = rows[row].cells;
  if (static_cast<int>(cells.size()) <= column) cells.resize(column + 1);
  cells[column] = text;
  return true;
}

std::string FakeListView::GetCellText(int row, int column) {
  lastCaller = std::this_thread::get_id();
  if (row < 0 || row >= static_cast<int>(rows.size())) return {};
  const auto& cells = rows[row].cells;
  return column < static_cast<int>(cells.size()) ? cells[column] : std::string();
}

bool FakeListView::SetItemData(int row, uintptr_t data) {
  lastCaller = std::this_thread::get_id();
  if (row < 0 || row >= static_cast<int>(rows.size())) return false;
  rows[row].data = data;
  return true;
}

uintptr_t FakeListView::GetItemData(int row) {
  lastCaller = std::this_thread::get_id();
  if (row < 0 || row >= static_cast<int>(rows.size())) return 0;
  return rows[row].data;
}

bool FakeListView::DeleteRow(int row) {
  lastCaller = std::this_thread::get_id();
  if (row < 0 || row >= static_cast<int>(rows.size())) return false;
  rows.erase(rows.begin() + row);
  return true;
}

bool FakeListView::DeleteAllRows() {
  lastCaller = std::this_thread::get_id();
  rows.clear();
  return true;
}

std::vector<int> FakeListView::GetSelectedRows() {
  std::vector<int> selected;
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].selected) selected.push_back(static_cast<int>(i));
  return selected;
}

void FakeListView::SetRowSelected(int row, bool selected) {
  if (row >= 0 && row < static_cast<int>(rows.size())) rows[row].selected = selected;
}

void FakeListView::SetColours(RgbColour bg, RgbColour text) {
  background = bg;
  textColour = text;
}

void FakeDialogs::MessageBox(const std::string& text) {
  std::lock_guard lock(mutex_);
  messageBoxes_.push_back(text);
}

bool FakeDialogs::AskYesNo(const std::string& text) {
  questions.push_back(text);
  return yesAnswer;
}

bool FakeDialogs::ChooseOpenFiles(const std::string&, bool, std::vector<std::string>& paths) {
  if (!fileChosen) return false;
  paths = chosenFiles;
  return true;
}

int FakeDialogs::ChooseFolder(const std::string&, const std::string&, std::string& path) {
  if (!folderChosen) return 2;
  path = chosenFolder;
  return 1;
}

bool FakeDialogs::ChooseFromList(const std::string&, const std::vector<std::string>& items,
                                 int& index) {
  listItems = items;
  if (chosenItem < 0) return false;
  index = chosenItem;
  return true;
}

void FakeDialogs::Beep(unsigned, unsigned) {
  ++beeps;
}

std::vector<std::string> FakeDialogs::TakeMessageBoxes() {
  std::lock_guard lock(mutex_);
  return std::exchange(messageBoxes_, {});
}

bool FakeClipboard::SetText(const std::string& t) {
  text = t;
  hasText = true;
  return true;
}

bool FakeClipboard::GetText(std::string& t) {
  t = hasText ? text : std::string();
  return hasText;
}

int FakeBinaryDisplay::OpenBinaryDisplay(const BinaryDisplayRequest& request) {
  requests.push_back(request);
  return 1;
}

FakeGuiQueue::FakeGuiQueue() : guiThread_(std::this_thread::get_id()) {}

void FakeGuiQueue::Post(std::function<void()> task) {
  std::lock_guard lock(mutex_);
  tasks_.push_back(std::move(task));
  ++queued_;
}

void FakeGuiQueue::Send(std::function<void()> task) {
  if (IsGuiThread()) {
    task();
    return;
  }
  std::unique_lock lock(mutex_);
  tasks_.push_back(std::move(task));
  unsigned long long ticket = ++queued_;
  done_.wait(lock, [&] { return finished_ >= ticket; });
}

void FakeGuiQueue::Pump() {
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard lock(mutex_);
      if (tasks_.empty()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
    {
      std::lock_guard lock(mutex_);
      ++finished_;
    }
    done_.notify_all();
  }
}

bool FakeGuiQueue::IsGuiThread() const {
  return std::this_thread::get_id() == guiThread_;
}

FakeUi::FakeUi() {
  ui.console = &console;
  ui.resultList = &resultList;
  ui.jobList = &jobList;
  ui.dialogs = &dialogs;
  ui.clipboard = &clipboard;
  ui.binaryDisplay = &binaryDisplay;
  ui.queue = &queue;
  SetProcessUserInterface(&ui);
}

FakeUi::~FakeUi() {
  SetProcessUserInterface(nullptr);
}

}  // namespace vpx::test
