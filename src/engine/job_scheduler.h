// JobScheduler: the job queues, the control thread and the running-job list. Queued jobs
// are started in rounds (each reserving its result entry in the result list), ended jobs
// are retired (their results written into those entries, their rows removed, the jobs
// deleted on the GUI thread), and a shut-down cancels what runs and ends the control thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/gui_bridge.h"
#include "engine/named_lock.h"
#include "host/ui_host.h"

namespace vpx {

class CMyThreadDlg;
class ResultList;

// What a front end is told when a job's result has been written into its entry.
struct RetiredJob {
  // A job whose result found no entry (its reservation could not be made) has none.
  static constexpr uint32_t kNoEntry = UINT32_MAX;
  uint32_t index = 0;
  std::string rowText;   // the entry's value text, uncut (why, when the job failed)
  std::string callText;  // the command line that started the job
  // The job's own message (for example a checksum match) when it has one and was not
  // cancelled; otherwise empty, and Message() is the value text (not copied: it may have
  // a million digits).
  std::string message;
  bool failed = false;  // the job failed or was cancelled

  const std::string& Message() const { return message.empty() ? rowText : message; }
};

class JobScheduler {
 public:
  // Jobs taken from each queue per round.
  static constexpr size_t kBatchLimit = 10;
  // Retiring a job that runs out of memory this often, its value already let go, gives up
  // on its list entry.
  static constexpr int kMaxRetireFailures = 8;

  JobScheduler(GuiBridge& bridge, ResultList& results, IListView* jobList);
  ~JobScheduler();
  JobScheduler(const JobScheduler&) = delete;
  JobScheduler& operator=(const JobScheduler&) = delete;

  void StartControlThread();
  // Asks the control thread to end and serves the GUI thread's part until it has.
  void StopControlThread();
  // Closes the queue locks (after the control thread has ended).
  void CloseLocks();

  // GUI thread: puts a created job on the starting queue. False when no round would ever
  // start or delete it (the control thread is not running, or a close was requested); the
  // caller then deletes the job.
  bool Queue(CMyThreadDlg* job);
  // A job's worker thread hands its ended job over; it waits until the GUI thread queued it.
  void NotifyJobEnded(CMyThreadDlg* job);
  // Wakes the control thread for a round now (work queued, a hold released).
  void Wake();

  // A close request: only sets the shutdown flag while the control thread runs.
  void RequestShutdown();
  bool IsShutdownRequested() const { return shutdown_.load(); }
  // True once the control thread has ended after a shutdown request.
  bool IsShutDown() const { return shutdown_.load() && !controlRunning_.load(); }
  // True when no job is queued, running or waiting to be deleted.
  bool IsIdle() const { return liveJobs_.load() == 0; }
  int LiveJobCount() const { return liveJobs_.load(); }

  // Called on the GUI thread when a job's result has been written into its entry.
  using JobRetiredListener = std::function<void(const RetiredJob& job)>;
  void SetJobRetiredListener(JobRetiredListener listener) {
    retiredListener_ = std::move(listener);
  }
  // Called on the GUI thread when the control thread has ended (the front end closes).
  void SetControlEndedListener(std::function<void()> listener) {
    controlEndedListener_ = std::move(listener);
  }
  // The longest the control thread sleeps between rounds without being woken (200 ms).
  void SetServiceIntervalMs(int ms) { serviceIntervalMs_.store(ms > 0 ? ms : 1); }
  // Tests: called on the control thread after each round that started or retired jobs,
  // with their numbers; set before jobs run.
  void SetServiceRoundListenerForTest(std::function<void(size_t started, size_t retired)> l) {
    roundListener_ = std::move(l);
  }
  // Drops the listeners (the front end is going away).
  void ClearListeners();

 private:
  void ControlThreadProc();
  // One round; true when a queue still holds work for the next round at once.
  bool ServiceThreads(bool closing);
  void WaitForWork(bool soon);
  void RetireEndedJobs(std::vector<CMyThreadDlg*>& jobs);
  // locked: the list lock is held; withResult: the job's result still goes into its entry
  // (false once memory has run out too often for that).
  void RetireJob(CMyThreadDlg* job, bool locked, bool withResult);
  // Tells the front end of a job that ended without its result reaching an entry.
  void ReportUnrecordedJob();
  void PostRetired(RetiredJob retired);
  void AddThreadFunc(std::vector<CMyThreadDlg*>& jobs);
  void StartQueuedJob(CMyThreadDlg* job);
  // True when a job that may be abandoned has not reached its body yet.
  bool CancelEverything();
  // False when the lock could not be had; more tells whether jobs are left in the queue.
  bool TakeBatch(NamedLock& lock, std::deque<CMyThreadDlg*>& queue,
                 std::vector<CMyThreadDlg*>& batch, bool& more);
  int RegisterStartingThread(CMyThreadDlg* job);
  int RegisterEndedThread(CMyThreadDlg* job);
  int SetThreadResultToListAndShortCut(CMyThreadDlg* job, bool lock);
  int AddThreadToList(CMyThreadDlg* job);
  int RemoveThreadFromList(CMyThreadDlg* job);
  // Deletes a job on the GUI thread (the job window's destruction).
  void DestroyJob(CMyThreadDlg* job);

  GuiBridge& bridge_;
  ResultList& results_;
  IListView* jobList_;
  NamedLock ctrlLock_;
  NamedLock addLock_;
  NamedLock endedLock_;

  // The queues are guarded by addLock_ and endedLock_; the running set belongs to the
  // control thread.
  std::deque<CMyThreadDlg*> startingQueue_;
  std::deque<CMyThreadDlg*> endedQueue_;
  std::vector<CMyThreadDlg*> runningSet_;
  std::atomic<bool> controlRunning_{false};
  std::atomic<bool> shutdown_{false};
  std::atomic<bool> idle_{true};
  std::atomic<int> liveJobs_{0};             // queued, running or not yet deleted
  std::atomic<int> serviceIntervalMs_{200};  // longest wait between rounds
  // The control thread sleeps until there is something to do: a job queued or ended, a
  // hold released, a shut-down request.
  std::mutex wakeMutex_;
  std::condition_variable wakeCondition_;
  bool wakeRequested_ = false;
  bool abandonPending_ = false;  // control thread only
  std::thread controlThread_;

  JobRetiredListener retiredListener_;
  std::function<void(size_t, size_t)> roundListener_;
  std::function<void()> controlEndedListener_;
};

}  // namespace vpx
