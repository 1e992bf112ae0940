#include "host/ui_host.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <new>

#include "host/sjis.h"

namespace vpx {

bool IListView::DeleteRows(const std::vector<int>& rows) {
  bool ok = true;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) ok = DeleteRow(*it) && ok;
  return ok;
}

void IListView::NumberRows(int column, int first) {
  const int count = GetRowCount();
  for (int row = std::max(first, 0); row < count; ++row)
    SetCellText(row, column, std::to_string(row));
}

void IListView::SelectAllRows() {
  const int count = GetRowCount();
  for (int row = 0; row < count; ++row) SetRowSelected(row, true);
}

void IListView::ClearSelection() {
  for (int row : GetSelectedRows()) SetRowSelected(row, false);
}

namespace {
std::atomic<const UserInterface*> g_ui{nullptr};
}

void SetProcessUserInterface(const UserInterface* ui) {
  g_ui.store(ui);
}

const UserInterface* GetProcessUserInterface() {
  return g_ui.load();
}

void HostMessageBox(const std::string& text) {
  const UserInterface* ui = g_ui.load();
  if (ui == nullptr || ui->dialogs == nullptr) {
    std::string utf8;
    if (!SjisToUtf8(text, utf8)) utf8 = "(message not convertible to UTF-8)";
    std::fprintf(stderr, "%s\n", utf8.c_str());
    return;
  }
  if (ui->queue != nullptr && !ui->queue->IsGuiThread()) {
    IDialogs* dialogs = ui->dialogs;
    ui->queue->Post([dialogs, text] { dialogs->MessageBox(text); });
    return;
  }
  ui->dialogs->MessageBox(text);
}

void HostBeep(unsigned frequencyHz, unsigned durationMs) {
  const UserInterface* ui = g_ui.load();
  if (ui == nullptr || ui->dialogs == nullptr) return;
  if (ui->queue != nullptr && !ui->queue->IsGuiThread()) {
    IDialogs* dialogs = ui->dialogs;
    // A worker ending its job beeps on the way out: with memory short the beep is dropped,
    // never the thread.
    try {
      ui->queue->Post(
          [dialogs, frequencyHz, durationMs] { dialogs->Beep(frequencyHz, durationMs); });
    } catch (const std::bad_alloc&) {
    }
    return;
  }
  ui->dialogs->Beep(frequencyHz, durationMs);
}

}  // namespace vpx
