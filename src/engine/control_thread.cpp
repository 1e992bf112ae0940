// Jobs: queueing on the GUI thread, the control thread's service rounds (start at most 10
// queued jobs and retire at most 10 ended ones per round; a round runs as soon as there is
// work), the reserved result entries, the running-job list and the orderly end.
#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>

#include "engine/engine_impl.h"
#include "host/out_of_memory.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"
#include "language/func_catalogue.h"

namespace vpx {
namespace {

constexpr size_t kBatchLimit = 10;
// Retiring a job that runs out of memory this often, its value already let go, gives up
// on its list entry.
constexpr int kMaxRetireFailures = 8;
// While a job to abandon is still starting, the next shut-down round comes this soon.
constexpr auto kAbandonRetry = std::chrono::milliseconds(2);

uint32_t Identity(const void* p) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

}  // namespace

// --- queueing (GUI thread) ---

int CVorpexEngine::QueueJob(FuncId id, const CMyFuncData& call, const JobStartFailureTexts& texts) {
  auto echoIfAny = [this](const std::string& text) {
    if (!text.empty()) EchoLine(text);
  };
  // The job object or its copy of the call could not be had: memory ran out, so say so
  // when the command has no text of its own.
  auto echoMemoryFailure = [this](const std::string& text) {
    if (text.empty()) {
      EchoOutOfMemory();
    } else {
      EchoLine(text);
    }
  };
  CMyThreadDlg* job = nullptr;
  try {
    job = new CMyThreadDlg(this);
  } catch (const std::bad_alloc&) {
    job = nullptr;
  }
  if (job == nullptr) {
    echoMemoryFailure(texts.notCreated);
    return 0;
  }
  if (job->SetThreadFunc(id, call, true) == 0) {
    echoMemoryFailure(texts.functionNotSet);
    delete job;
    return 0;
  }
  job->CreateHidden();
  impl_->liveJobs.fetch_add(1);
  // After the control thread has ended nothing would ever start or delete the job; after a
  // close request it would only be deleted unstarted.
  if (!impl_->controlRunning.load() || impl_->shutdown.load() ||
      impl_->RegisterStartingThread(job) == 0) {
    if (impl_->shutdown.load()) {
      echoIfAny(texts.notRegistered);
    } else {
      echoMemoryFailure(texts.notRegistered);  // the control thread could not be had
    }
    delete job;
    impl_->liveJobs.fetch_sub(1);
    return 0;
  }
  return 1;
}

int CVorpexEngine::Impl::RegisterStartingThread(CMyThreadDlg* job) {
  if (job == nullptr) return 0;
  if (!addLock.Acquire()) {
    WriteTrace(SJ("※　動作前スレッド登録用ミューテックスハンドル確保に失敗。\n"));
    return 0;
  }
  // Checked under the lock the control thread's last round takes: after a close request
  // nothing is queued that no round would delete.
  if (shutdown.load()) {
    addLock.Release();
    return 0;
  }
  try {
    startingQueue.push_back(job);
  } catch (const std::bad_alloc&) {
    addLock.Release();
    return 0;
  }
  addLock.Release();
  WakeControlThread();
  return 1;
}

int CVorpexEngine::Impl::RegisterEndedThread(CMyThreadDlg* job) {
  if (job == nullptr) return 0;
  if (!endedLock.Acquire()) {
    WriteTrace(SJ("※　動作終了スレッド後処理用ミューテックスハンドル確保に失敗。\n"));
    return 0;
  }
  try {
    endedQueue.push_back(job);
  } catch (const std::bad_alloc&) {
    endedLock.Release();
    return 0;
  }
  endedLock.Release();
  WakeControlThread();
  return 1;
}

void CVorpexEngine::Impl::DestroyJob(CMyThreadDlg* job) {
  delete job;
  liveJobs.fetch_sub(1);
}

// --- the control thread ---

void CVorpexEngine::Impl::StartControlThread() {
  controlRunning.store(true);
  try {
    controlThread = std::thread([this] { ControlThreadProc(); });
  } catch (const std::system_error&) {
    controlRunning.store(false);
    WriteTrace(SJ("※　スレッド作成に失敗。\n"));
  }
}

void CVorpexEngine::Impl::WakeControlThread() {
  {
    std::lock_guard lock(wakeMutex);
    wakeRequested = true;
  }
  wakeCondition.notify_one();
}

void CVorpexEngine::Impl::WaitForWork(bool soon) {
  std::unique_lock lock(wakeMutex);
  // The time-out only bounds a round that found a queue lock taken.
  const auto limit = soon ? std::chrono::milliseconds(kAbandonRetry)
                          : std::chrono::milliseconds(serviceIntervalMs.load());
  wakeCondition.wait_for(lock, limit, [this] { return wakeRequested; });
  wakeRequested = false;
}

void CVorpexEngine::Impl::ControlThreadProc() {
  controlRunning.store(true);
  for (;;) {
    // A request that arrives during the round leaves wakeRequested set, so it is not lost.
    {
      std::lock_guard lock(wakeMutex);
      wakeRequested = false;
    }
    // The end is decided by a round that saw the close request from its start, so a job
    // queued before the request is deleted, not left behind.
    const bool closing = shutdown.load();
    bool more = false;
    try {
      more = ServiceThreads(closing);
    } catch (const std::bad_alloc&) {
      NamedLock::ReleaseAbandoned();  // memory ran out mid-round; the next round retries
    }
    if (closing && idle.load()) break;
    if (!more) WaitForWork(closing && abandonPending);
  }
  controlRunning.store(false);
  bridge.Post([this] {
    if (controlEndedListener) controlEndedListener();
  });
}

void CVorpexEngine::Impl::StopControlThread() {
  if (!controlThread.joinable()) return;
  shutdown.store(true);
  WakeControlThread();
  // The control thread and the workers may need the GUI thread until they are done.
  while (controlRunning.load()) {
    bridge.PumpAll();
    std::unique_lock lock(bridge.Mutex());
    bridge.WakeUp().wait_for(lock, std::chrono::milliseconds(10),
                             [&] { return bridge.HasPendingLocked(); });
  }
  controlThread.join();
  bridge.RunHandedOver();
}

bool CVorpexEngine::Impl::TakeBatch(NamedLock& lock, std::deque<CMyThreadDlg*>& queue,
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

bool CVorpexEngine::Impl::ServiceThreads(bool closing) {
  std::vector<CMyThreadDlg*> starting;
  std::vector<CMyThreadDlg*> ended;
  // Reserved before any job leaves its queue, so that none can be lost on the way.
  starting.reserve(kBatchLimit);
  ended.reserve(kBatchLimit);
  bool moreStarting = false;
  bool moreEnded = false;
  TakeBatch(addLock, startingQueue, starting, moreStarting);
  TakeBatch(endedLock, endedQueue, ended, moreEnded);
  if (!ended.empty()) RetireEndedJobs(ended);
  if (!starting.empty()) AddThreadFunc(starting);
  if (roundListener && (!starting.empty() || !ended.empty()))
    roundListener(starting.size(), ended.size());
  abandonPending = false;
  // Also a request that came during this round: what is still queued then never starts.
  if (closing || shutdown.load()) {
    abandonPending = CancelEverything();
    moreStarting = false;  // the queued jobs are gone
  }
  if (!runningSet.empty()) {
    idle.store(false);
  } else if (addLock.Acquire()) {
    idle.store(startingQueue.empty());
    addLock.Release();
  } else {
    idle.store(true);
  }
  return moreStarting || moreEnded;
}

void CVorpexEngine::Impl::AddThreadFunc(std::vector<CMyThreadDlg*>& jobs) {
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

void CVorpexEngine::Impl::StartQueuedJob(CMyThreadDlg* job) {
  bool unreserved = false;
  if (job->IsResultReserved()) {
    CMyFuncResult record;
    unreserved = job->GetResult(record) == 0 || AddThreadDataToListAndShortCut(record) < 0;
    if (unreserved) WriteTrace(SJ("※　動作スレッドの結果をショートカットに予約失敗。\n"));
  }
  if (AddThreadToList(job) < 0)
    WriteTrace(SJ("※　動作スレッドを表示リストに追加失敗。AddThreadFunc()\n"));
  runningSet.push_back(job);
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

void CVorpexEngine::Impl::RetireEndedJobs(std::vector<CMyThreadDlg*>& jobs) {
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

void CVorpexEngine::Impl::RetireJob(CMyThreadDlg* job, bool locked, bool withResult) {
  bool reported = !job->IsResultReserved();  // only jobs with an entry report their end
  if (locked && !shutdown.load() && !job->IsDestroyed()) {
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
  const bool tell = !reported && !shutdown.load();
  bridge.Post([this, job, tell] {
    DestroyJob(job);
    if (tell) ReportUnrecordedJob();
  });
  runningSet.erase(std::remove(runningSet.begin(), runningSet.end(), job), runningSet.end());
}

void CVorpexEngine::Impl::ReportUnrecordedJob() {
  try {
    RetiredJob retired;
    retired.index = RetiredJob::kNoEntry;
    retired.rowText = OutOfMemoryText();
    retired.message = retired.rowText;
    retired.failed = true;
    if (retiredListener) retiredListener(retired);
  } catch (const std::bad_alloc&) {
    // Nothing more can be said.
  }
}

bool CVorpexEngine::Impl::CancelEverything() {
  bool pending = false;
  for (CMyThreadDlg* job : runningSet) job->Cancel();
  // Abandoned jobs end on their own; their rows go, nothing else of them is kept.
  std::erase_if(runningSet, [&](CMyThreadDlg* job) {
    if (!job->MayBeAbandoned()) return false;
    if (!job->Abandon()) {
      pending = pending || job->IsRunning();
      return false;
    }
    RemoveThreadFromList(job);
    liveJobs.fetch_sub(1);
    return true;
  });
  std::deque<CMyThreadDlg*> queued;
  if (addLock.Acquire()) {
    queued.swap(startingQueue);
    addLock.Release();
  }
  for (CMyThreadDlg* job : queued) bridge.Post([this, job] { DestroyJob(job); });
  return pending;
}

// --- reserved entries (control thread) ---

void CVorpexEngine::Impl::TraceAndBox(const std::string& text) {
  WriteTrace(text);
  PostMessageBox(text);
}

int CVorpexEngine::Impl::AddThreadDataToListAndShortCut(const CMyFuncResult& record) {
  if (!listLock.Acquire()) {
    WriteTrace(
        SJ("※　リストコントロール用ミューテックスハンドル取得に失敗。AddThreadDataToListAndShortCut"
           "()\n"));
    return -1;
  }
  if (engine.AddDataToShortCutArray(record, false) < 0) {
    listLock.Release();
    TraceAndBox(SJ("※　ショートカット配列への予約データ追加に失敗。\n"));
    return -1;
  }
  if (engine.AddDataToList(record, false) == 0) {
    DropLastEntry();
    const uint32_t count = shortcuts.GetCount();
    const int rows = ListRowCount();
    listLock.Release();
    TraceAndBox(SJ("※　リストコントロールへの予約データ追加に失敗。\n"));
    if (static_cast<int64_t>(count) != rows)
      TraceAndBox(Format(SJ("※　ショートカット配列とリストのアイテム数が一致しません。ShortCut[%u]/"
                            "List[%u]\n")
                             .c_str(),
                         count, static_cast<uint32_t>(rows)));
    return -1;
  }
  const int count = static_cast<int>(shortcuts.GetCount());
  listLock.Release();
  return count;
}

int CVorpexEngine::Impl::SetThreadResultToListAndShortCut(CMyThreadDlg* job, bool lock) {
  CMyFuncResult record;
  bool copied = false;
  try {
    copied = job->GetResult(record) != 0;
  } catch (const std::bad_alloc&) {
    copied = false;
  }
  // Memory ran out for the job's own record: the entry still ends its reservation, showing
  // why. When not even that can be had, bad_alloc leaves and the next round tries again.
  if (!copied) MakeOutOfMemoryRecord(job, record);
  record.reserved = 0;
  record.owner = nullptr;
  NamedLockGuard guard(listLock, lock);
  if (!guard.Ok()) {
    WriteTrace(
        SJ("※　リストコントロール用ミューテックスハンドル取得に失敗。SetThreadResultToListAndShortC"
           "ut()"
           "\n"));
    return 0;
  }
  int index = shortcuts.FindReserved(job, record);
  if (index == CVXShortCutArray::kCopyFailed) {
    // Not even a copy of the job's record fits: the entry is ended where it stands.
    MakeOutOfMemoryRecord(job, record);
    index = shortcuts.FailReserved(job, OutOfMemoryText());
  }
  if (index < 0) {
    guard.Release();
    if (index == CVXShortCutArray::kCopyFailed) throw std::bad_alloc();
    WriteTrace(SJ("※　ショートカット配列への結果書込に失敗。SetThreadResultToListAndShortCut()\n"));
    // No entry holds the result, but the user still learns how the job ended.
    RetiredJob retired;
    retired.index = RetiredJob::kNoEntry;
    retired.rowText = record.overrideFlag != 0 ? record.overrideText
                                               : SJ("※　ショートカット配列への結果書込に失敗。");
    retired.callText = job->GetThreadName();
    retired.message = retired.rowText;
    retired.failed = true;
    bridge.Post([this, retired = std::move(retired)] {
      if (retiredListener) retiredListener(retired);
    });
    return 1;
  }
  if (engine.SetDataToList(static_cast<uint32_t>(index), record) < 0) {
    // The row could not take the value: entry and row both show the lack of memory.
    MakeOutOfMemoryRecord(job, record);
    if (shortcuts.SetAt(static_cast<uint32_t>(index), record) < 0 ||
        engine.SetDataToList(static_cast<uint32_t>(index), record) < 0) {
      guard.Release();
      WriteTrace(Format(
          SJ("※　ショートカットリストへの結果書込に失敗。SetThreadResultToListAndShortCut( %u )\n")
              .c_str(),
          static_cast<uint32_t>(index)));
      return 0;
    }
  }
  guard.Release();
  RetiredJob retired;
  retired.index = static_cast<uint32_t>(index);
  record.GetResultValueText(retired.rowText);
  retired.callText = job->GetThreadName();
  const std::string& own = job->TextResult();
  retired.message = record.overrideFlag == 0 && !own.empty() ? own : retired.rowText;
  retired.failed = record.overrideFlag != 0 || !job->BodySucceeded();
  bridge.Post([this, retired = std::move(retired)] {
    if (retiredListener) retiredListener(retired);
  });
  return 1;
}

void CVorpexEngine::Impl::MakeOutOfMemoryRecord(const CMyThreadDlg* job, CMyFuncResult& record) {
  CMyFuncResult failed;
  failed.id = static_cast<int32_t>(FuncIdValue(job->GetFunctionID()));
  failed.type = kRetString;
  failed.overrideFlag = 1;
  failed.overrideText = OutOfMemoryText();
  record = std::move(failed);
}

// --- the running-job list ---

int CVorpexEngine::Impl::AddThreadToList(CMyThreadDlg* job) {
  const std::string name = job->GetThreadName();
  int position = -1;
  OnGui([&] {
    IListView* view = ui.jobList;
    position = view->InsertRow(view->GetRowCount(), name);
    if (position < 0) return;
    if (!view->SetCellText(position, 1, Format("%u", static_cast<uint32_t>(position))) ||
        !view->SetItemData(position, reinterpret_cast<uintptr_t>(job))) {
      view->DeleteRow(position);
      position = -1;
    }
  });
  if (position < 0) WriteTrace(SJ("※　スレッドリストへの追加に失敗しました。\n"));
  return position;
}

int CVorpexEngine::Impl::RemoveThreadFromList(CMyThreadDlg* job) {
  int found = -1;
  OnGui([&] {
    IListView* view = ui.jobList;
    const int rows = view->GetRowCount();
    for (int r = 0; r < rows && found < 0; ++r)
      if (view->GetItemData(r) == reinterpret_cast<uintptr_t>(job)) found = r;
    if (found < 0) return;
    for (int r = found + 1; r < rows; ++r) {
      view->SetCellText(r - 1, 0, view->GetCellText(r, 0));
      view->SetCellText(r - 1, 1, Format("%u", static_cast<uint32_t>(r - 1)));
      view->SetItemData(r - 1, view->GetItemData(r));
    }
    view->DeleteRow(rows - 1);
  });
  if (found < 0) WriteTrace(SJ("※　指定スレッドデータがスレッドリストに存在しませんでした。\n"));
  return found;
}

}  // namespace vpx
