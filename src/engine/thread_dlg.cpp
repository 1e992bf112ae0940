#include "engine/thread_dlg.h"

#include <chrono>
#include <new>
#include <system_error>

#include "engine/engine.h"
#include "host/out_of_memory.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/trace_log.h"
#include "host/ui_host.h"
#include "language/func_catalogue.h"
#include "numbers/bignum_memory.h"

namespace vpx {
namespace {

std::atomic<bool> g_failThreadCreation{false};
std::atomic<int> g_abandonedRunning{0};
constexpr int kNotifyRetryMs = 50;
// Job bodies run this many niceness steps below the window's thread, so that typing and
// the lists stay quick while many CPU-heavy jobs run; the jobs still share what is left
// fairly among themselves.
constexpr int kJobNiceness = 10;

int64_t SteadyNowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The job's own handling of the "thread started" message: parameters 10 and -11.
void HandleThreadStartedMessage(int32_t first, int32_t second) {
  if (second == ~first)
    WriteTrace(SJ("●　スレッドからのメッセージ CMyThreadDlg::PreTranslateMessage()\n"));
}

}  // namespace

void CMyThreadDlg::FailThreadCreationForTest(bool fail) {
  g_failThreadCreation.store(fail);
}

CMyThreadDlg::CMyThreadDlg(CVorpexEngine* parent) : parent_(parent) {}

CMyThreadDlg::~CMyThreadDlg() {
  if (!thread_.joinable()) return;
  if (running_.load() != 0) {
    // Destroyed while the body runs: stop it and drop its result.
    destroyed_.store(1);
    cancel_.store(1);
  }
  // The worker may be handing its end to this (GUI) thread; keep that going until it left.
  while (threadDone_.load() == 0) {
    if (parent_ != nullptr) parent_->RunHandedOverTasks();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  thread_.join();
}

int CMyThreadDlg::SetThreadFunc(FuncId functionID, const CMyFuncData& callData, bool reserve) {
  try {
    callData_ = callData;
  } catch (const std::bad_alloc&) {
    return 0;
  }
  // An argument whose copy could not get its buffers would run the body on a wrong value.
  for (int i = 0; i < callData_.GetArgCount(); ++i)
    if (callData_.GetArgValue(i).IsError() && !callData.GetArgValue(i).IsError()) return 0;
  functionID_ = functionID;
  reserves_ = reserve ? 1 : 0;
  if (reserve) reservation_.reserved = 1;
  jobSet_ = 1;
  error_ = 0;
  errorText_.clear();
  textResult_.clear();
  return 1;
}

int CMyThreadDlg::CreateHidden() {
  created_ = 1;
  return 1;
}

int CMyThreadDlg::StartThread() {
  if (running_.load() != 0 || jobSet_ == 0 || thread_.joinable()) return 0;
  if (parent_ != nullptr) kind_ = parent_->Handlers().FindJobBody(functionID_);
  running_.store(1);
  try {
    if (g_failThreadCreation.load())
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    thread_ = std::thread(&CMyThreadDlg::ThreadProc, this);
  } catch (const std::system_error&) {
    WriteTrace(SJ("※　スレッド作成に失敗。CMyThreadDlg::StartThread()\n"));
    running_.store(0);
    return 0;
  }
  return 1;
}

void CMyThreadDlg::ThreadProc() {
  startedAtMs_.store(SteadyNowMs());
  LowerCurrentThreadPriority(kJobNiceness);
  try {
    WriteTrace(std::string());
    if (parent_ != nullptr) parent_->PostToGui([] { HandleThreadStartedMessage(10, -11); });
  } catch (const std::bad_alloc&) {
    // Only the start notice is lost.
  }
  phase_.store(kInBody);
  bodyResult_ = RunThreadFunc();
  int32_t inBody = kInBody;
  if (!phase_.compare_exchange_strong(inBody, kBodyDone)) {
    // Abandoned at shut-down: the engine may be gone; nobody else holds the job.
    thread_.detach();
    delete this;
    g_abandonedRunning.fetch_sub(1);
    return;
  }
  HostBeep(1000, 100);
  running_.store(0);
  if (parent_ != nullptr && destroyed_.load() == 0) NotifyEnded();
  threadDone_.store(1);
}

bool CMyThreadDlg::Abandon() {
  if (!MayBeAbandoned()) return false;
  cancel_.store(1);
  g_abandonedRunning.fetch_add(1);
  int32_t inBody = kInBody;
  if (phase_.compare_exchange_strong(inBody, kAbandoned)) return true;
  g_abandonedRunning.fetch_sub(1);
  return false;
}

int CMyThreadDlg::AbandonedStillRunning() {
  return g_abandonedRunning.load();
}

// The end must reach the GUI thread or the job would never be retired; while memory is
// short the hand-over is retried.
void CMyThreadDlg::NotifyEnded() {
  for (;;) {
    try {
      parent_->NotifyJobEnded(this);
      return;
    } catch (const std::bad_alloc&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kNotifyRetryMs));
    }
  }
}

int CMyThreadDlg::RunThreadFunc() {
  JobBody body = kind_.body;
  if (body == nullptr) {
    WriteTrace(SJ("※　スレッド用に登録されていない識別コードです。\n"));
    return 0;
  }
  // A body that runs out of memory fails like any other: its entry shows why. Either way
  // the memory its computation freed goes back to the system.
  int result = 0;
  try {
    BignumScope scope;
    result = body(*this);
  } catch (const std::bad_alloc&) {
    SetOutOfMemory();
  }
  ReleaseFreeMemory();
  return result;
}

int CMyThreadDlg::GetResult(CMyFuncResult& record) const {
  const uint32_t type = GetTableReturnCode(FuncIdValue(functionID_));
  if (type > kRetString) {
    WriteTrace(SJ("※　無効なデータ型です。CMyThreadDlg::GetResult()\n"));
    return 0;
  }
  const int32_t id = static_cast<int32_t>(FuncIdValue(functionID_));
  const int set = (type == kRetVoid || type == kRetString)
                      ? record.SetData(&callData_, id, &textResult_)
                      : record.SetData(&callData_, id, &numericResult_);
  if (set == 0) {
    // The value could not be copied (memory): the entry still gets the job's record, and
    // once the job has ended, the reason in place of the value.
    static const std::string kNoText;
    if (record.SetData(&callData_, id, &kNoText) == 0) return 0;
    const bool ended = startedAtMs_.load() != 0 && running_.load() == 0;
    if (ended || error_ != 0) {
      record.overrideFlag = 1;
      record.overrideText = OutOfMemoryText();
    }
  }
  record.owner = this;
  record.reserved = reservation_.reserved;
  if (cancel_.load() != 0) {
    record.overrideFlag = 1;
    record.overrideText = SJ("※　中断しました。");
  } else if (error_ != 0) {
    record.overrideFlag = 1;
    record.overrideText =
        errorText_.empty() ? OutOfMemoryText() : errorText_;  // see SetOutOfMemory
  }
  return 1;
}

}  // namespace vpx
