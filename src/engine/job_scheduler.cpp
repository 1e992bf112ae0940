// Jobs: queueing on the GUI thread, the control thread's service rounds (start at most 10
// queued jobs and retire at most 10 ended ones per round; a round runs as soon as there is
// work), the reserved result entries, the running-job list and the orderly end.
#include "engine/job_scheduler.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>
#include <utility>

#include "engine/result_list.h"
#include "engine/thread_dlg.h"
#include "host/out_of_memory.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"
#include "language/func_catalogue.h"

namespace vpx {
namespace {

constexpr int kJobIndexColumn = 1;
// While a job to abandon is still starting, the next shut-down round comes this soon.
constexpr auto kAbandonRetry = std::chrono::milliseconds(2);

uint32_t Identity(const void* p) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

}  // namespace

JobScheduler::JobScheduler(GuiBridge& bridge, ResultList& results, IListView* jobList)
    : bridge_(bridge),
      results_(results),
      jobList_(jobList),
      ctrlLock_(bridge, "Vorpex_CtrlThreadMutex"),
      addLock_(bridge, "Vorpex_AddThreadMutex"),
      endedLock_(bridge, "Vorpex_EndedThreadMutex") {}

JobScheduler::~JobScheduler() {
  StopControlThread();
}

// --- queueing (GUI thread) ---

bool JobScheduler::Queue(CMyThreadDlg* job) {
  liveJobs_.fetch_add(1);
  if (!controlRunning_.load() || shutdown_.load() || RegisterStartingThread(job) == 0) {
    liveJobs_.fetch_sub(1);
    return false;
  }
  return true;
}

void JobScheduler::NotifyJobEnded(CMyThreadDlg* job) {
  bridge_.Send([this, job] {
    if (!job->IsDestroyed()) RegisterEndedThread(job);
  });
}

void JobScheduler::RequestShutdown() {
  shutdown_.store(true);
  Wake();
}

void JobScheduler::ClearListeners() {
  retiredListener_ = nullptr;
  controlEndedListener_ = nullptr;
}

void JobScheduler::CloseLocks() {
  ctrlLock_.Close();
  addLock_.Close();
  endedLock_.Close();
}

int JobScheduler::RegisterStartingThread(CMyThreadDlg* job) {
  if (job == nullptr) return 0;
  if (!addLock_.Acquire()) {
    WriteTrace(SJ("※　動作前スレッド登録用ミューテックスハンドル確保に失敗。\n"));
    return 0;
  }
  // Checked under the lock the control thread's last round takes: after a close request
  // nothing is queued that no round would delete.
  if (shutdown_.load()) {
    addLock_.Release();
    return 0;
  }
  try {
    startingQueue_.push_back(job);
  } catch (const std::bad_alloc&) {
    addLock_.Release();
    return 0;
  }
  addLock_.Release();
  Wake();
  return 1;
}

int JobScheduler::RegisterEndedThread(CMyThreadDlg* job) {
  if (job == nullptr) return 0;
  if (!endedLock_.Acquire()) {
    WriteTrace(SJ("※　動作終了スレッド後処理用ミューテックスハンドル確保に失敗。\n"));
    return 0;
  }
  try {
    endedQueue_.push_back(job);
  } catch (const std::bad_alloc&) {
    endedLock_.Release();
    return 0;
  }
  endedLock_.Release();
  Wake();
  return 1;
}

void JobScheduler::DestroyJob(CMyThreadDlg* job) {
  delete job;
  liveJobs_.fetch_sub(1);
}

// --- the control thread ---

void JobScheduler::StartControlThread() {
  controlRunning_.store(true);
  try {
    controlThread_ = std::thread([this] { ControlThreadProc(); });
  } catch (const std::system_error&) {
    controlRunning_.store(false);
    WriteTrace(SJ("※　スレッド作成に失敗。\n"));
  }
}

void JobScheduler::Wake() {
  {
    std::lock_guard lock(wakeMutex_);
    wakeRequested_ = true;
  }
  wakeCondition_.notify_one();
}

void JobScheduler::WaitForWork(bool soon) {
  std::unique_lock lock(wakeMutex_);
  // The time-out only bounds a round that found a queue lock taken.
  const auto limit = soon ? std::chrono::milliseconds(kAbandonRetry)
                          : std::chrono::milliseconds(serviceIntervalMs_.load());
  wakeCondition_.wait_for(lock, limit, [this] { return wakeRequested_; });
  wakeRequested_ = false;
}

void JobScheduler::ControlThreadProc() {
  controlRunning_.store(true);
  for (;;) {
    // A request that arrives during the round leaves wakeRequested_ set, so it is not lost.
    {
      std::lock_guard lock(wakeMutex_);
      wakeRequested_ = false;
    }
    // The end is decided by a round that saw the close request from its start, so a job
    // queued before the request is deleted, not left behind.
    const bool closing = shutdown_.load();
    bool more = false;
    try {
      more = ServiceThreads(closing);
    } catch (const std::bad_alloc&) {
      NamedLock::ReleaseAbandoned();  // memory ran out mid-round; the next round retries
    }
    if (closing && idle_.load()) break;
    if (!more) WaitForWork(closing && abandonPending_);
  }
  controlRunning_.store(false);
  bridge_.Post([this] {
    if (controlEndedListener_) controlEndedListener_();
  });
}

void JobScheduler::StopControlThread() {
  if (!controlThread_.joinable()) return;
  shutdown_.store(true);
  Wake();
  // The control thread and the workers may need the GUI thread until they are done.
  while (controlRunning_.load()) {
    bridge_.PumpAll();
    std::unique_lock lock(bridge_.Mutex());
    bridge_.WakeUp().wait_for(lock, std::chrono::milliseconds(10),
                              [&] { return bridge_.HasPendingLocked(); });
  }
  controlThread_.join();
  bridge_.RunHandedOver();
}

bool JobScheduler::TakeBatch(NamedLock& lock, std::deque<CMyThreadDlg*>& queue,
                             std::vector<CMyThreadDlg*>& batch, bool& more) {
  if (!lock.Acquire()) return false;
  while (!queue.empty() && batch.size() < kBatchLimit) {
    batch.push_back(queue.front());
    queue.pop_front();
  }
  more = !queue.empty();
  lock.Release();
  return true;
}

bool JobScheduler::ServiceThreads(bool closing) {
  std::vector<CMyThreadDlg*> starting;
  std::vector<CMyThreadDlg*> ended;
  // Reserved before any job leaves its queue, so that none can be lost on the way.
  starting.reserve(kBatchLimit);
  ended.reserve(kBatchLimit);
  bool moreStarting = false;
  bool moreEnded = false;
  TakeBatch(addLock_, startingQueue_, starting, moreStarting);
  TakeBatch(endedLock_, endedQueue_, ended, moreEnded);
  if (!ended.empty()) RetireEndedJobs(ended);
  if (!starting.empty()) AddThreadFunc(starting);
  // Read only in a round with work, which a test's setting happens before.
  if ((!starting.empty() || !ended.empty()) && roundListener_)
    roundListener_(starting.size(), ended.size());
  abandonPending_ = false;
  // Also a request that came during this round: what is still queued then never starts.
  if (closing || shutdown_.load()) {
    abandonPending_ = CancelEverything();
    moreStarting = false;  // the queued jobs are gone
  }
  if (!runningSet_.empty()) {
    idle_.store(false);
  } else if (addLock_.Acquire()) {
    idle_.store(startingQueue_.empty());
    addLock_.Release();
  } else {
    idle_.store(true);
  }
  return moreStarting || moreEnded;
}

void JobScheduler::AddThreadFunc(std::vector<CMyThreadDlg*>& jobs) {
  for (CMyThreadDlg* job : jobs) {
    if (job == nullptr) {
      WriteTrace(SJ("※　スレッドアドレスの取得・登録・リストへの追加に失敗。\n"));
      continue;
    }
    try {
      StartQueuedJob(job);
    } catch (const std::bad_alloc&) {
      // Memory ran out before the thread started: the job ends at once, its entry saying
      // so, and is retired like any other.
      NamedLock::ReleaseAbandoned();
      job->SetOutOfMemory();
      RegisterEndedThread(job);
    }
  }
}

void JobScheduler::StartQueuedJob(CMyThreadDlg* job) {
  bool unreserved = false;
  if (job->IsResultReserved()) {
    CMyFuncResult record;
    unreserved = job->GetResult(record) == 0 || results_.AddReservation(record) < 0;
    if (unreserved) WriteTrace(SJ("※　動作スレッドの結果をショートカットに予約失敗。\n"));
  }
  if (AddThreadToList(job) < 0)
    WriteTrace(SJ("※　動作スレッドを表示リストに追加失敗。AddThreadFunc()\n"));
  runningSet_.push_back(job);
  if (unreserved) {
    // Its result would have nowhere to go: the job ends at once, saying why.
    job->SetError(SJ("※　動作スレッドの結果をショートカットに予約失敗。"));
    RegisterEndedThread(job);
    return;
  }
  if (job->StartThread() == 0) {
    // No thread: the job ends at once with the failure as its result, so that it is
    // retired like any other and the control thread still reaches idle.
    job->SetError(SJ("※　スレッド作成に失敗。"));
    RegisterEndedThread(job);
  }
}

void JobScheduler::RetireEndedJobs(std::vector<CMyThreadDlg*>& jobs) {
  // Without the list lock (only when the engine is closing) the jobs are still retired,
  // without their results, so the control thread reaches idle.
  // Jobs that ran out of memory on the way go back to the ended queue for the next round,
  // after the list lock is released (one lock at a time); the room is made beforehand.
  std::vector<CMyThreadDlg*> again;
  try {
    again.reserve(jobs.size());
  } catch (const std::bad_alloc&) {
    for (CMyThreadDlg* job : jobs) RegisterEndedThread(job);
    return;
  }
  NamedLock& listLock = results_.Lock();
  const bool locked = listLock.Acquire();
  for (CMyThreadDlg* job : jobs) {
    try {
      // A job whose retirement keeps running out of memory even without its value leaves
      // its entry as it is, so that the engine still reaches idle.
      RetireJob(job, locked, job->retireFailures < kMaxRetireFailures);
    } catch (const std::bad_alloc&) {
      // The job's own value is what memory is short of most likely: let it go.
      job->ReleaseResultForLackOfMemory();
      ++job->retireFailures;
      again.push_back(job);
    }
  }
  if (locked) listLock.Release();
  for (CMyThreadDlg* job : again) RegisterEndedThread(job);
}

void JobScheduler::RetireJob(CMyThreadDlg* job, bool locked, bool withResult) {
  bool reported = !job->IsResultReserved();  // only jobs with an entry report their end
  if (locked && !shutdown_.load() && !job->IsDestroyed()) {
    if (!reported && withResult) reported = SetThreadResultToListAndShortCut(job, false) != 0;
    try {
      if (RemoveThreadFromList(job) < 0)
        WriteTrace(Format(SJ("※　スレッド[%08X]をリストコントロールから削除失敗。\n").c_str(),
                          Identity(job)));
    } catch (const std::bad_alloc&) {
      if (withResult) throw;  // tried again next round; the last attempt goes on without it
    }
  }
  // A job whose end could not be reported says so once it is deleted, when the memory it
  // held is free again.
  const bool tell = !reported && !shutdown_.load();
  bridge_.Post([this, job, tell] {
    DestroyJob(job);
    if (tell) ReportUnrecordedJob();
  });
  runningSet_.erase(std::remove(runningSet_.begin(), runningSet_.end(), job), runningSet_.end());
}

void JobScheduler::ReportUnrecordedJob() {
  try {
    RetiredJob retired;
    retired.index = RetiredJob::kNoEntry;
    retired.rowText = OutOfMemoryText();
    retired.message = retired.rowText;
    retired.failed = true;
    if (retiredListener_) retiredListener_(retired);
  } catch (const std::bad_alloc&) {
    // Nothing more can be said.
  }
}

bool JobScheduler::CancelEverything() {
  bool pending = false;
  for (CMyThreadDlg* job : runningSet_) job->Cancel();
  // Abandoned jobs end on their own; their rows go, nothing else of them is kept.
  std::erase_if(runningSet_, [&](CMyThreadDlg* job) {
    if (!job->MayBeAbandoned()) return false;
    if (!job->Abandon()) {
      pending = pending || job->IsRunning();
      return false;
    }
    RemoveThreadFromList(job);
    liveJobs_.fetch_sub(1);
    return true;
  });
  std::deque<CMyThreadDlg*> queued;
  if (addLock_.Acquire()) {
    queued.swap(startingQueue_);
    addLock_.Release();
  }
  for (CMyThreadDlg* job : queued) bridge_.Post([this, job] { DestroyJob(job); });
  return pending;
}

// --- reserved entries (control thread) ---

int JobScheduler::SetThreadResultToListAndShortCut(CMyThreadDlg* job, bool lock) {
  CMyFuncResult record;
  bool copied = false;
  try {
    copied = job->GetResult(record) != 0;
  } catch (const std::bad_alloc&) {
    copied = false;
  }
  const auto functionId = static_cast<int32_t>(FuncIdValue(job->GetFunctionID()));
  // Memory ran out for the job's own record: the entry still ends its reservation, showing
  // why. When not even that can be had, bad_alloc leaves and the next round tries again.
  if (!copied) ResultList::MakeOutOfMemoryRecord(functionId, record);
  record.reserved = 0;
  record.owner = nullptr;
  const int index = results_.FillReservation(job, functionId, record, lock);
  if (index == ResultList::kNotWritten) return 0;
  RetiredJob retired;
  retired.callText = job->GetThreadName();
  if (index == ResultList::kNoReservation) {
    // No entry holds the result, but the user still learns how the job ended.
    retired.index = RetiredJob::kNoEntry;
    retired.rowText = record.overrideFlag != 0 ? record.overrideText
                                               : SJ("※　ショートカット配列への結果書込に失敗。");
    retired.message = retired.rowText;
    retired.failed = true;
  } else {
    retired.index = static_cast<uint32_t>(index);
    record.GetResultValueText(retired.rowText);
    const std::string& own = job->TextResult();
    if (record.overrideFlag == 0) retired.message = own;
    retired.failed = record.overrideFlag != 0 || !job->BodySucceeded();
  }
  PostRetired(std::move(retired));
  return 1;
}

void JobScheduler::PostRetired(RetiredJob retired) {
  bridge_.Post([this, retired = std::move(retired)] {
    if (retiredListener_) retiredListener_(retired);
  });
}

// --- the running-job list ---

int JobScheduler::AddThreadToList(CMyThreadDlg* job) {
  const std::string name = job->GetThreadName();
  int position = -1;
  bridge_.RunOnGui([&] {
    IListView* view = jobList_;
    position = view->InsertRow(view->GetRowCount(), name);
    if (position < 0) return;
    if (!view->SetCellText(position, kJobIndexColumn,
                           Format("%u", static_cast<uint32_t>(position))) ||
        !view->SetItemData(position, reinterpret_cast<uintptr_t>(job))) {
      view->DeleteRow(position);
      position = -1;
    }
  });
  if (position < 0) WriteTrace(SJ("※　スレッドリストへの追加に失敗しました。\n"));
  return position;
}

int JobScheduler::RemoveThreadFromList(CMyThreadDlg* job) {
  int found = -1;
  bridge_.RunOnGui([&] {
    IListView* view = jobList_;
    const int rows = view->GetRowCount();
    for (int r = 0; r < rows && found < 0; ++r)
      if (view->GetItemData(r) == reinterpret_cast<uintptr_t>(job)) found = r;
    if (found < 0) return;
    // The later rows move up as they are; only their position texts change.
    view->DeleteRows({found});
    view->NumberRows(kJobIndexColumn, found);
  });
  if (found < 0) WriteTrace(SJ("※　指定スレッドデータがスレッドリストに存在しませんでした。\n"));
  return found;
}

}  // namespace vpx
