#include "host/signal_watch.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <system_error>
#include <utility>

namespace vpx {
namespace {

constexpr int kWatched[] = {SIGINT, SIGTERM, SIGHUP};
constexpr char kStopByte = 0;
constexpr char kSignalByte = 1;

std::atomic<int> g_first{0};
std::atomic<int> g_pipeWrite{-1};
static_assert(std::atomic<int>::is_always_lock_free, "used in a signal handler");

void OnSignal(int signo) {
  const int savedErrno = errno;
  int none = 0;
  if (!g_first.compare_exchange_strong(none, signo)) {
    if (signo == SIGINT) _exit(SignalWatch::ExitStatusFor(signo));
    errno = savedErrno;
    return;
  }
  const int fd = g_pipeWrite.load();
  if (fd >= 0) [[maybe_unused]]
    ssize_t n = write(fd, &kSignalByte, 1);
  errno = savedErrno;
}

sigset_t WatchedSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int signo : kWatched) sigaddset(&set, signo);
  return set;
}

}  // namespace

SignalWatch::SignalWatch(FirstSignal onFirst, int boundMs)
    : onFirst_(std::move(onFirst)), boundMs_(boundMs) {
  g_first.store(0);
  BlockSignals();
  if (pipe2(pipe_, O_CLOEXEC) != 0) pipe_[0] = pipe_[1] = -1;
  g_pipeWrite.store(pipe_[1]);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a blocking read returns, so its loop sees the signal
  for (int signo : kWatched) sigaction(signo, &action, nullptr);
  if (pipe_[0] < 0) return;
  try {
    thread_ = std::thread([this] { Watch(); });
  } catch (const std::system_error&) {
    // No thread to be had (memory): the signals keep their default action.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    for (int signo : kWatched) sigaction(signo, &fallback, nullptr);
    g_pipeWrite.store(-1);
  }
}

SignalWatch::~SignalWatch() {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int signo : kWatched) sigaction(signo, &action, nullptr);
  g_pipeWrite.store(-1);
  if (thread_.joinable()) {
    [[maybe_unused]] ssize_t n = write(pipe_[1], &kStopByte, 1);
    thread_.join();
  }
  for (int fd : pipe_)
    if (fd >= 0) close(fd);
}

void SignalWatch::BlockSignals() {
  const sigset_t set = WatchedSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void SignalWatch::DeliverHere() {
  const sigset_t set = WatchedSet();
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

int SignalWatch::Received() {
  return g_first.load();
}

void SignalWatch::Watch() {
  char byte = kStopByte;
  for (;;) {
    const ssize_t n = read(pipe_[0], &byte, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || byte == kStopByte) return;
    break;
  }
  const int signo = g_first.load();
  if (onFirst_) onFirst_(signo);
  // The front end now cancels its jobs and ends; it gets boundMs_ for that.
  pollfd fd{pipe_[0], POLLIN, 0};
  int left = boundMs_;
  while (left > 0) {
    const int step = left < 100 ? left : 100;
    if (poll(&fd, 1, step) > 0 && read(pipe_[0], &byte, 1) == 1 && byte == kStopByte) return;
    left -= step;
  }
  _exit(ExitStatusFor(signo));
}

}  // namespace vpx
