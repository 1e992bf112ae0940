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
    // Looked up again when it runs: the front end may be closing by then.
    ui->queue->Post([text] { HostMessageBox(text); });
    return;
  }
  ui->dialogs->MessageBox(text);
}

void HostBeep(unsigned frequencyHz, unsigned durationMs) {
  const UserInterface* ui = g_ui.load();
  if (ui == nullptr || ui->dialogs == nullptr) return;
  if (ui->queue != nullptr && !ui->queue->IsGuiThread()) {
    // A worker ending its job beeps on the way out: with memory short the beep is dropped,
    // never the thread. The front end is looked up again when the beep runs: a window
    // closing with jobs running has let go of its dialogs by then, and the beep is dropped.
    try {
      ui->queue->Post([frequencyHz, durationMs] { HostBeep(frequencyHz, durationMs); });
    } catch (const std::bad_alloc&) {
    }
    return;
  }
  ui->dialogs->Beep(frequencyHz, durationMs);
}

}  // namespace vpx
