#include "cli/job_progress_line.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "engine/thread_dlg.h"
#include "host/text_format.h"

namespace vpx::cli {

StderrProgressLine::StderrProgressLine() : enabled_(isatty(STDERR_FILENO) != 0) {}

void StderrProgressLine::Show(const std::string& text) {
  if (!enabled_ || text == shown_) return;
  std::fprintf(stderr, "\r\033[K%s", text.c_str());
  std::fflush(stderr);
  shown_ = text;
}

void StderrProgressLine::Clear() {
  Show(std::string());
}

int64_t SteadyNowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string JobProgressText(IListView& jobList, int64_t nowMs) {
  const CMyThreadDlg* longest = nullptr;
  int running = 0;
  for (int row = 0; row < jobList.GetRowCount(); ++row) {
    const auto* job = reinterpret_cast<const CMyThreadDlg*>(jobList.GetItemData(row));
    if (job == nullptr) continue;
    const int64_t started = job->GetStartedAtMs();
    if (started <= 0 || nowMs - started < kProgressAfterMs) continue;
    ++running;
    if (longest == nullptr || started < longest->GetStartedAtMs()) longest = job;
  }
  if (longest == nullptr) return std::string();
  // ASCII only (catalogue names are): libedit takes a prompt in the C locale.
  std::string text = longest->GetCallData().GetFuncName();
  const int percent = longest->Progress().Percent();
  if (percent >= 0) text += Format(" %d%%", percent);
  text += Format(" %.1fs", static_cast<double>(nowMs - longest->GetStartedAtMs()) / 1000.0);
  if (running > 1) text += Format(" +%d", running - 1);
  return text;
}

}  // namespace vpx::cli
