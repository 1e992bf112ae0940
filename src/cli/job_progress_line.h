// The terminal's view of running jobs: one short line for the jobs that have run longer
// than a second, with the percentage of those that report their progress.
#pragma once

#include <cstdint>
#include <string>

#include "host/ui_host.h"

namespace vpx::cli {

// Jobs shorter than this get no progress line.
constexpr int64_t kProgressAfterMs = 1000;

// "CopyFileSect 45% 3.2s" for the longest-running such job of jobList (rows carry the job
// as item data; the percentage only for jobs that report progress), " +N" when N more
// run; empty when none qualifies. nowMs: steady clock, milliseconds, as the start times.
std::string JobProgressText(IListView& jobList, int64_t nowMs);

// One line on standard error, rewritten in place; nothing when standard error is no terminal.
class StderrProgressLine {
 public:
  StderrProgressLine();
  ~StderrProgressLine() { Clear(); }
  StderrProgressLine(const StderrProgressLine&) = delete;
  StderrProgressLine& operator=(const StderrProgressLine&) = delete;
  void Show(const std::string& text);  // empty: clears the line
  void Clear();

 private:
  bool enabled_;
  std::string shown_;
};

// The steady clock in milliseconds, as the jobs' start times.
int64_t SteadyNowMs();

}  // namespace vpx::cli
