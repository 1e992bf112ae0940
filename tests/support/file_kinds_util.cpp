#include "support/file_kinds_util.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>

#include "support/file_test_util.h"

namespace vpx::test {

FileState StateOf(const std::string& path) {
  FileState state;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return state;
  state.bytes = ReadBytes(path);
  state.mode = st.st_mode;
  state.uid = st.st_uid;
  state.gid = st.st_gid;
  state.links = st.st_nlink;
  return state;
}

bool NoTemporaryLeft(const std::string& folder) {
  for (const std::string& name : ListDir(folder)) {
    if (name.rfind(".vpx-", 0) == 0) return false;
  }
  return true;
}

PipeWatchdog::PipeWatchdog(std::string fifo, int limitMs) : fifo_(std::move(fifo)) {
  thread_ = std::thread([this, limitMs] {
    std::unique_lock lock(mutex_);
    waiting_ = true;
    started_.notify_all();
    if (done_.wait_for(lock, std::chrono::milliseconds(limitMs), [this] { return stop_; })) return;
    fired_ = true;
    while (!done_.wait_for(lock, std::chrono::milliseconds(50), [this] { return stop_; })) {
      int fd = open(fifo_.c_str(), O_RDWR | O_NONBLOCK);
      if (fd >= 0) close(fd);
    }
  });
  // Tests fork right after this: a thread still starting may hold the sanitizer's allocator
  // lock, which the child would then wait for forever. Once it waits, it holds nothing.
  std::unique_lock lock(mutex_);
  started_.wait(lock, [this] { return waiting_; });
}

PipeWatchdog::~PipeWatchdog() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  done_.notify_all();
  thread_.join();
}

}  // namespace vpx::test
