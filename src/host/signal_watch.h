// SignalWatch: SIGINT, SIGTERM and SIGHUP as an ordinary call. The handler only records the
// signal and writes to a pipe; a watch thread then calls the front end, which cancels its
// jobs and ends. The end is bounded: when the process is still there after the bound, the
// watch thread ends it. A second SIGINT ends the process at once.
#pragma once

#include <functional>
#include <thread>

namespace vpx {

class SignalWatch {
 public:
  // Runs on the watch thread for the first signal.
  using FirstSignal = std::function<void(int signo)>;

  // Blocks the signals in the calling thread; threads it starts from now on inherit that,
  // so no worker thread is interrupted by them. Call it before any thread is started.
  static void BlockSignals();
  // Installs the handlers and starts the watch thread. Only one watch exists at a time.
  SignalWatch(FirstSignal onFirst, int boundMs);
  // Restores the default handling and stops the watch thread.
  ~SignalWatch();
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;

  // Unblocks the signals in the calling thread, so they interrupt its blocking reads and
  // no worker thread sees them.
  void DeliverHere();
  // The first signal received, 0 when none.
  static int Received();
  static int ExitStatusFor(int signo) { return 128 + signo; }

 private:
  void Watch();

  FirstSignal onFirst_;
  const int boundMs_;
  int pipe_[2] = {-1, -1};
  std::thread thread_;
};

}  // namespace vpx
