#include "numbers/second_thread.h"

#include <system_error>
#include <utility>

#include "numbers/bignum_memory.h"

namespace vpx {

SecondThreadTask::SecondThreadTask(std::function<void()> work) : work_(std::move(work)) {
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    Run();
  }
}

SecondThreadTask::~SecondThreadTask() {
  if (thread_.joinable()) thread_.join();
}

void SecondThreadTask::Run() {
  try {
    BignumScope scope;  // frees what the libraries held if the work fails on this thread
    work_();
  } catch (...) {
    failure_ = std::current_exception();
  }
}

void SecondThreadTask::Join() {
  if (thread_.joinable()) thread_.join();
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

}  // namespace vpx
