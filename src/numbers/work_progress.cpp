#include "numbers/work_progress.h"

#include <algorithm>

namespace vpx {
namespace {

// `share` of the units from `at` to the end of the scale.
int64_t ShareOfRest(int64_t at, double share) {
  return static_cast<int64_t>(static_cast<double>(WorkProgress::kScale - at) *
                              std::clamp(share, 0.0, 1.0));
}

}  // namespace

WorkProgress::WorkProgress(JobProgress* job) : job_(job) {
  if (job_ != nullptr) job_->Start(kScale);
}

void WorkProgress::BeginStage(double share, int steps) {
  const int64_t at = reported_.load();
  stageEnd_ = at + ShareOfRest(at, share);
  stepsLeft_ = std::max(steps, 0);
}

void WorkProgress::ExpectSteps(int more) {
  stepsLeft_ += std::max(more, 0);
}

void WorkProgress::BeginStep(uint64_t units) {
  stepBegin_ = reported_.load();
  const int64_t left = std::max<int64_t>(stageEnd_ - stepBegin_, 0);
  // A step beyond those expected gets what the stage has left.
  stepSize_ = stepsLeft_ > 1 ? left / stepsLeft_ : left;
  if (stepsLeft_ > 0) --stepsLeft_;
  stepUnits_ = std::max<uint64_t>(units, 1);
  stepDone_.store(0);
}

void WorkProgress::Count(uint64_t units) {
  if (job_ == nullptr) return;
  const uint64_t done = std::min(stepDone_.fetch_add(units) + units, stepUnits_);
  RaiseTo(stepBegin_ +
          static_cast<int64_t>(static_cast<double>(stepSize_) * static_cast<double>(done) /
                               static_cast<double>(stepUnits_)));
}

void WorkProgress::CompleteShare(double share) {
  const int64_t at = reported_.load();
  RaiseTo(at + ShareOfRest(at, share));
}

void WorkProgress::Finish() {
  RaiseTo(kScale);
}

void WorkProgress::RaiseTo(int64_t target) {
  if (job_ == nullptr) return;
  int64_t at = reported_.load();
  // Two threads may count at once: only the one that raises the mark reports the difference.
  while (target > at) {
    if (reported_.compare_exchange_weak(at, target)) {
      job_->Advance(target - at);
      return;
    }
  }
}

}  // namespace vpx
