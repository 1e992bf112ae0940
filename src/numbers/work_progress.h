// WorkProgress: a long number computation's progress for its job's entry. The computation
// runs in stages (a share of what is left of the job each), split evenly into steps counted
// in their own units from any thread; extra rounds thus slow the progress, never push it
// past the end or back.
#pragma once

#include <atomic>
#include <cstdint>

#include "host/job_progress.h"

namespace vpx {

class WorkProgress {
 public:
  // The job's own scale; finer than any list shows.
  static constexpr int64_t kScale = 1'000'000'000;

  // job: where the progress goes (started here); nullptr reports nothing.
  explicit WorkProgress(JobProgress* job);
  WorkProgress(const WorkProgress&) = delete;
  WorkProgress& operator=(const WorkProgress&) = delete;

  // Stages and steps begin on the computing thread while no step is being counted.
  // The next `steps` steps fill `share` (0..1) of what the job has left, evenly.
  void BeginStage(double share, int steps);
  // The stage turns out to have `more` steps than it began with.
  void ExpectSteps(int more);
  // The next step, `units` to count: its even part of what the stage has left.
  void BeginStep(uint64_t units);
  // Units of the current step done; from any thread.
  void Count(uint64_t units);
  // An uncounted piece of work is done: `share` of what the job has left.
  void CompleteShare(double share);
  // The computation has succeeded: the job is at its end.
  void Finish();

 private:
  // Moves the job to `target` units unless it is there already; from any thread.
  void RaiseTo(int64_t target);

  JobProgress* job_;
  std::atomic<int64_t> reported_{0};
  int64_t stageEnd_ = 0;
  int stepsLeft_ = 0;
  int64_t stepBegin_ = 0;
  int64_t stepSize_ = 0;
  uint64_t stepUnits_ = 1;
  std::atomic<uint64_t> stepDone_{0};
};

}  // namespace vpx
