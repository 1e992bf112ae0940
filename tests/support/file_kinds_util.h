// Shared pieces of the file-kind fault tests: the state of a file to compare before and
// after, the leftover-temporary check, and a watchdog that frees an open stuck on a named
// pipe so a regression fails the test instead of stalling it.
#pragma once

#include <sys/stat.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace vpx::test {

// Contents and metadata of the file path names (symbolic links followed).
struct FileState {
  std::string bytes;
  mode_t mode = 0;
  uid_t uid = 0;
  gid_t gid = 0;
  nlink_t links = 0;
  bool operator==(const FileState&) const = default;
};
FileState StateOf(const std::string& path);

// True when no name of the copy's temporary files is left in folder.
bool NoTemporaryLeft(const std::string& folder);

// After limitMs, keeps opening the pipe at both ends (every 50 ms) until destroyed, which
// completes any open blocked on it; Fired() then tells the test it would have hung.
class PipeWatchdog {
 public:
  explicit PipeWatchdog(std::string fifo, int limitMs = 5000);
  ~PipeWatchdog();
  PipeWatchdog(const PipeWatchdog&) = delete;
  PipeWatchdog& operator=(const PipeWatchdog&) = delete;
  bool Fired() const { return fired_; }

 private:
  std::string fifo_;
  std::mutex mutex_;
  std::condition_variable done_;
  std::condition_variable started_;
  bool waiting_ = false;
  bool stop_ = false;
  std::atomic<bool> fired_{false};
  std::thread thread_;
};

}  // namespace vpx::test
