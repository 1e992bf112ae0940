// The engine's private state and the operations its source files share: the registry, the
// previous result, the shortcut array with its list rows, the four locks, the job queues
// and the control thread. Only the engine's own files include it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "engine/gui_bridge.h"
#include "engine/named_lock.h"
#include "engine/ring_memory.h"
#include "engine/shortcut_array.h"
#include "engine/thread_dlg.h"
#include "engine/thread_list.h"
#include "language/my_macro.h"

namespace vpx {

struct CVorpexEngine::Impl {
  explicit Impl(CVorpexEngine& owner);

  CVorpexEngine& engine;
  const UserInterface& ui;
  GuiBridge bridge;
  NamedLock ctrlLock;
  NamedLock addLock;
  NamedLock endedLock;
  NamedLock listLock;

  CMyMacro macro;
  CMyFuncResult previous;
  CVXShortCutArray shortcuts;
  std::string lastInputLine;
  std::string startDir{"."};  // the current directory at start-up
  CGRingMemT<std::string> history{16};
  CMyThreadList windows;

  // Result list rows: the next row position. Guarded by the list lock.
  int rowCounter = 0;
  // The user's hold of the list (GUI thread only).
  bool held = false;
  bool holdTaken = false;

  // Jobs. The queues are guarded by addLock and endedLock; the running set belongs to the
  // control thread.
  std::deque<CMyThreadDlg*> startingQueue;
  std::deque<CMyThreadDlg*> endedQueue;
  std::vector<CMyThreadDlg*> runningSet;
  std::atomic<bool> controlRunning{false};
  std::atomic<bool> shutdown{false};
  std::atomic<bool> idle{true};
  std::atomic<int> liveJobs{0};             // queued, running or not yet deleted
  std::atomic<int> serviceIntervalMs{200};  // longest wait between rounds
  // The control thread sleeps until there is something to do: a job queued or ended, a
  // hold released, a shut-down request.
  std::mutex wakeMutex;
  std::condition_variable wakeCondition;
  bool wakeRequested = false;
  bool abandonPending = false;  // control thread only
  std::thread controlThread;
  bool started = false;

  std::function<void()> historyListener;
  JobRetiredListener retiredListener;
  std::function<void(size_t, size_t)> roundListener;  // set before jobs run
  std::function<void()> controlEndedListener;

  // --- start-up (engine.cpp) ---
  void SeedEntryZero();
  void ApplyListColours();

  // --- result list (result_list.cpp) ---
  // Runs list-view work on the GUI thread.
  void OnGui(const std::function<void()>& work) { bridge.RunOnGui(work); }
  int ListRowCount();
  int CopyRow(int from, int to);
  // Drops the entry just appended, also when it is a reservation.
  void DropLastEntry();
  // A message box shown by the GUI thread, without blocking the caller.
  void PostMessageBox(const std::string& text);
  void TraceAndBox(const std::string& text);

  // --- jobs (control_thread.cpp) ---
  void StartControlThread();
  void ControlThreadProc();
  // One round; true when a queue still holds work for the next round at once.
  bool ServiceThreads(bool closing);
  void WakeControlThread();
  void WaitForWork(bool soon);
  void RetireEndedJobs(std::vector<CMyThreadDlg*>& jobs);
  // locked: the list lock is held; withResult: the job's result still goes into its entry
  // (false once memory has run out too often for that).
  void RetireJob(CMyThreadDlg* job, bool locked, bool withResult);
  // Tells the front end of a job that ended without its result reaching an entry.
  void ReportUnrecordedJob();
  void AddThreadFunc(std::vector<CMyThreadDlg*>& jobs);
  void StartQueuedJob(CMyThreadDlg* job);
  // The record of a job whose own could not be had: a STRING showing the out-of-memory
  // text. Throws bad_alloc when not even that can be made.
  static void MakeOutOfMemoryRecord(const CMyThreadDlg* job, CMyFuncResult& record);
  // True when a job that may be abandoned has not reached its body yet.
  bool CancelEverything();
  // False when the lock could not be had; more tells whether jobs are left in the queue.
  bool TakeBatch(NamedLock& lock, std::deque<CMyThreadDlg*>& queue,
                 std::vector<CMyThreadDlg*>& batch, bool& more);
  int RegisterStartingThread(CMyThreadDlg* job);
  int RegisterEndedThread(CMyThreadDlg* job);
  int AddThreadDataToListAndShortCut(const CMyFuncResult& record);
  int SetThreadResultToListAndShortCut(CMyThreadDlg* job, bool lock);
  int AddThreadToList(CMyThreadDlg* job);
  int RemoveThreadFromList(CMyThreadDlg* job);
  // Deletes a job on the GUI thread (the job window's destruction).
  void DestroyJob(CMyThreadDlg* job);
  void StopControlThread();
};

}  // namespace vpx
