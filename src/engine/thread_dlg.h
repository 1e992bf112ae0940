// CMyThreadDlg: one job — a copy of the parsed call, the cancel flag that its body polls,
// and the result fields the body fills on its worker thread. The engine queues, starts,
// retires and deletes jobs; bodies see only the accessors below.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "engine/func_result.h"
#include "engine/handler_table.h"
#include "host/cancel_token.h"
#include "host/job_progress.h"
#include "language/func_data.h"
#include "language/func_id.h"
#include "numbers/my_numeric.h"

namespace vpx {

class CVorpexEngine;

class CMyThreadDlg {
 public:
  explicit CMyThreadDlg(CVorpexEngine* parent);
  ~CMyThreadDlg();
  CMyThreadDlg(const CMyThreadDlg&) = delete;
  CMyThreadDlg& operator=(const CMyThreadDlg&) = delete;

  // --- what a job body uses ---
  const CMyFuncData& GetCallData() const { return callData_; }
  FuncId GetFunctionID() const { return functionID_; }
  MyNumeric& NumericResult() { return numericResult_; }
  std::string& TextResult() { return textResult_; }
  void SetError(const std::string& text) {
    error_ = 1;
    errorText_ = text;
  }
  // The job failed for lack of memory (its entry shows the out-of-memory text); needs no
  // memory itself.
  void SetOutOfMemory() {
    error_ = 1;
    errorText_.clear();
  }
  // Memory ran out while the ended job was being retired: its value is let go, so that
  // the next attempt needs little, and the job ends as out of memory.
  void ReleaseResultForLackOfMemory() noexcept {
    { MyNumeric released(std::move(numericResult_)); }
    std::string().swap(textResult_);
    SetOutOfMemory();
  }
  // How often retiring this job has run out of memory (control thread only).
  int retireFailures = 0;
  // Bodies poll the token and hand it to their long loops.
  CancelToken GetCancelToken() const { return &cancel_; }
  bool IsCancelled() const { return GetCancelToken().IsCancelled(); }
  // How far the body has come, for the running-job lists.
  JobProgress& Progress() { return progress_; }
  const JobProgress& Progress() const { return progress_; }

  // --- the job frame ---
  int SetThreadFunc(FuncId functionID, const CMyFuncData& callData, bool reserve);
  int CreateHidden();
  int StartThread();
  int GetResult(CMyFuncResult& record) const;
  std::string GetThreadName() const { return callData_.GetLineText(); }
  bool IsResultReserved() const { return reserves_ != 0; }
  void Cancel() { cancel_.store(1); }
  bool IsRunning() const { return running_.load() != 0; }
  bool HasError() const { return error_ != 0; }
  // What the body returned (1 success); only the terminal's exit status uses it, as some
  // bodies report a failure in their text result alone.
  bool BodySucceeded() const { return bodyResult_ != 0; }
  const std::string& GetErrorText() const { return errorText_; }

  // Shut-down of a kind that may be abandoned: when the body is running, hands the job to
  // its own thread, which deletes it once the body returns, without touching the engine.
  // True when abandoned; the caller then forgets the job.
  bool Abandon();
  bool MayBeAbandoned() const { return kind_.shutdown == JobShutdown::kAbandon; }
  // Abandoned jobs whose body still runs: the process then ends without running static
  // destructors under them.
  static int AbandonedStillRunning();

  // Time the worker thread started (steady clock, milliseconds), 0 before.
  int64_t GetStartedAtMs() const { return startedAtMs_.load(); }
  bool IsDestroyed() const { return destroyed_.load() != 0; }

  // Tests: makes the next thread creations fail as a system without resources would.
  static void FailThreadCreationForTest(bool fail);

 private:
  friend class CVorpexEngine;
  void ThreadProc();
  int RunThreadFunc();
  void NotifyEnded();

  CVorpexEngine* parent_;
  std::atomic<int32_t> destroyed_{0};
  MyNumeric numericResult_;
  std::atomic<int32_t> running_{0};
  CancelFlag cancel_{0};
  JobProgress progress_;
  int32_t error_ = 0;
  std::string errorText_;
  CMyFuncResult reservation_;
  int32_t reserves_ = 0;
  int32_t jobSet_ = 0;
  CMyFuncData callData_;
  FuncId functionID_ = FuncId::Nop;
  std::string textResult_;
  int32_t bodyResult_ = 0;  // written by the worker before it clears running
  int32_t created_ = 0;
  std::thread thread_;
  std::atomic<int32_t> threadDone_{0};  // set as the worker's last act
  JobKind kind_;                        // resolved when the thread starts
  // Who finishes the job once its body runs: the engine, or (abandoned) the worker alone.
  enum Phase : int32_t { kBeforeBody, kInBody, kBodyDone, kAbandoned };
  std::atomic<int32_t> phase_{kBeforeBody};
  std::atomic<int64_t> startedAtMs_{0};
};

}  // namespace vpx
