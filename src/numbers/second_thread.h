// Work handed to a second thread while the calling thread goes on with its own share: the
// big-number computations that split their top level across two cores.
#pragma once

#include <exception>
#include <functional>
#include <thread>

namespace vpx {

// Runs work on a new thread (on this one at once when no thread can be made) inside its
// own BignumScope. Join waits and raises again what the work threw (memory exhaustion, a
// cancel); the destructor only waits, so a caller unwinding from its own failure never
// leaves the thread running on its data.
class SecondThreadTask {
 public:
  explicit SecondThreadTask(std::function<void()> work);
  ~SecondThreadTask();
  SecondThreadTask(const SecondThreadTask&) = delete;
  SecondThreadTask& operator=(const SecondThreadTask&) = delete;

  void Join();

 private:
  void Run();

  std::function<void()> work_;
  std::exception_ptr failure_;
  std::thread thread_;
};

}  // namespace vpx
