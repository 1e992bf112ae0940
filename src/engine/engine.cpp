// The engine's life and the Enter cycle: start-up (registry, handlers, control thread,
// entry 0), reading and resolving the entered line, echoing, the input history, and the
// orderly end.
#include "engine/engine.h"

#include <chrono>
#include <new>

#include "engine/engine_impl.h"
#include "host/line_limits.h"
#include "host/out_of_memory.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/trace_log.h"
#include "language/func_catalogue.h"
#include "language/func_id.h"
#include "numbers/bignum_memory.h"

namespace vpx {
namespace {

bool HasUnusableArgument(const CMyFuncData& call) {
  for (int i = 0; i < call.GetArgCount(); ++i)
    if (call.GetArgValue(i).IsError()) return true;
  return false;
}

}  // namespace

CVorpexEngine::Impl::Impl(CVorpexEngine& owner)
    : engine(owner),
      ui(owner.ui_),
      bridge(owner.ui_.queue),
      ctrlLock(bridge, "Vorpex_CtrlThreadMutex"),
      addLock(bridge, "Vorpex_AddThreadMutex"),
      endedLock(bridge, "Vorpex_EndedThreadMutex"),
      listLock(bridge, "Vorpex_ListCtrlMutex") {
  macro.SetShortCutArray(&shortcuts);
}

void CVorpexEngine::Impl::PostMessageBox(const std::string& text) {
  IDialogs* dialogs = ui.dialogs;
  if (dialogs == nullptr) {
    HostMessageBox(text);
    return;
  }
  bridge.Post([dialogs, text] { dialogs->MessageBox(text); });
}

CVorpexEngine::CVorpexEngine(const UserInterface& ui)
    : ui_(ui), impl_(std::make_unique<Impl>(*this)) {
  RegisterEngineCommands(handlers_);
  RegisterListCommands(handlers_);
  RegisterMathCommands(handlers_);
  RegisterFileCommands(handlers_);
}

CVorpexEngine::~CVorpexEngine() {
  impl_->historyListener = nullptr;
  impl_->retiredListener = nullptr;
  impl_->controlEndedListener = nullptr;
  if (impl_->bridge.IsGuiThread()) ReleaseListHold();
  impl_->StopControlThread();
  impl_->windows.DestroyAll();
  impl_->ctrlLock.Close();
  impl_->addLock.Close();
  impl_->endedLock.Close();
  impl_->listLock.Close();
}

void CVorpexEngine::Impl::SeedEntryZero() {
  if (!listLock.Acquire()) return;
  CMyFuncData call;
  const int32_t id = macro.AnalyseAndGetID(std::string("Add(0, 0)"), call);
  if (id != -1) {
    call.SetID(id);
    MyNumeric zero;
    CMyFuncResult record;
    if (record.SetData(&call, id, &zero) != 0) {
      previous = record;
      engine.AddDataToListAndShortCut(record, false);
    }
  }
  listLock.Release();
}

int CVorpexEngine::Start() {
  if (impl_->started) return 1;
  std::string dir;
  if (GetCurrentDir(dir)) impl_->startDir.swap(dir);
  impl_->ApplyListColours();
  // Shows its own message box on failure; the front end then closes.
  if (impl_->macro.RegisterFuncTable() == 0) return 0;
  impl_->lastInputLine.clear();
  impl_->StartControlThread();
  impl_->SeedEntryZero();
  impl_->started = true;
  return 1;
}

void CVorpexEngine::EchoLine(const std::string& text) {
  std::string line = SJ("　");
  line += text;
  line += "\r\n";
  IConsole* console = ui_.console;
  impl_->OnGui([console, &line] { console->AppendOutput(line); });
}

void CVorpexEngine::EchoOutOfMemory() {
  try {
    EchoLine(OutOfMemoryText());
  } catch (const std::bad_alloc&) {
    ReportOutOfMemoryToStderr();
  }
}

// Memory running out anywhere in a line's work ends the line here: GMP's and MPFR's
// leftovers are freed by the scope, locks the line still held are given back.
LineStatus CVorpexEngine::ExecuteInputLine() {
  TakeOutOfMemoryNote();
  try {
    BignumScope scope;
    return RunInputLine();
  } catch (const std::bad_alloc&) {
    NamedLock::ReleaseAbandoned();
    EchoOutOfMemory();
    return LineStatus::kFailed;
  }
}

LineStatus CVorpexEngine::ExecuteLine(const std::string& text) {
  TakeOutOfMemoryNote();
  try {
    BignumScope scope;
    return RunLine(text);
  } catch (const std::bad_alloc&) {
    NamedLock::ReleaseAbandoned();
    EchoOutOfMemory();
    return LineStatus::kFailed;
  }
}

LineStatus CVorpexEngine::RunInputLine() {
  IConsole* console = ui_.console;
  const int lines = console->GetLineCount();
  if (lines < 2) return LineStatus::kNoLine;
  return RunLine(console->GetLine(lines - 2));
}

LineStatus CVorpexEngine::RunLine(std::string text) {
  if (text.size() > kLineLimit) text.resize(kLineLimit);
  if (text.empty()) {
    EchoLine(SJ("※　画面からの読込失敗。"));
    return LineStatus::kNoLine;
  }
  if (impl_->shutdown.load()) {
    // The jobs are being cancelled; a new command would be lost or delay the end.
    EchoLine(SJ("※　終了処理中のため、入力された行は実行しません。"));
    return LineStatus::kRefused;
  }
  const size_t cr = text.rfind('\r');
  const size_t lf = text.rfind('\n');
  if (cr != std::string::npos && lf != std::string::npos && lf == cr + 1) text.resize(cr);
  impl_->lastInputLine = text;

  LineStatus status = LineStatus::kUnregistered;
  CMyFuncData call;
  int32_t id = -1;
  // The parser copies shortcut entries, which the control thread changes under this lock.
  if (impl_->listLock.Acquire()) {
    id = impl_->macro.AnalyseAndGetID(text, call);
    impl_->listLock.Release();
  }
  if (id == -1) {
    EchoLine(TakeOutOfMemoryNote() ? OutOfMemoryText() : SJ("未登録な命令です。"));
  } else {
    call.SetID(id);
    EchoLine(impl_->macro.GetMacroInfo(static_cast<uint32_t>(id)));
    if (HasUnusableArgument(call)) {
      EchoOutOfMemory();  // a number that could not be had is no argument
      status = LineStatus::kFailed;
    } else {
      status = ExecuteFunc(id, &call) != 0 ? LineStatus::kDone : LineStatus::kFailed;
    }
  }
  if (id != static_cast<int32_t>(FuncIdValue(FuncId::Test))) {
    impl_->history.PushNewDataToRing(text);
    if (impl_->historyListener) impl_->historyListener();
  }
  return status;
}

CMyMacro& CVorpexEngine::GetMacro() {
  return impl_->macro;
}

CMyFuncResult& CVorpexEngine::PreviousResult() {
  return impl_->previous;
}

CVXShortCutArray& CVorpexEngine::ShortCutArray() {
  return impl_->shortcuts;
}

bool CVorpexEngine::AcquireListLock() {
  return impl_->listLock.Acquire();
}

void CVorpexEngine::ReleaseListLock() {
  impl_->listLock.Release();
}

bool CVorpexEngine::IsIdle() const {
  return impl_->liveJobs.load() == 0;
}

int CVorpexEngine::LiveJobCount() const {
  return impl_->liveJobs.load();
}

void CVorpexEngine::RequestShutdown() {
  if (impl_->bridge.IsGuiThread()) ReleaseListHold();
  impl_->shutdown.store(true);
  impl_->WakeControlThread();
}

bool CVorpexEngine::IsShutdownRequested() const {
  return impl_->shutdown.load();
}

bool CVorpexEngine::IsShutDown() const {
  return impl_->shutdown.load() && !impl_->controlRunning.load();
}

void CVorpexEngine::PostToGui(std::function<void()> task) {
  impl_->bridge.Post(std::move(task));
}

void CVorpexEngine::SendToGui(std::function<void()> task) {
  impl_->bridge.Send(std::move(task));
}

void CVorpexEngine::RunHandedOverTasks() {
  impl_->bridge.RunHandedOver();
}

void CVorpexEngine::NotifyJobEnded(CMyThreadDlg* job) {
  Impl* impl = impl_.get();
  impl->bridge.Send([impl, job] {
    if (!job->IsDestroyed()) impl->RegisterEndedThread(job);
  });
}

const std::string& CVorpexEngine::GetLastInputLine() const {
  return impl_->lastInputLine;
}

CGRingMemT<std::string>& CVorpexEngine::InputHistory() {
  return impl_->history;
}

CMyThreadList& CVorpexEngine::WindowRegistry() {
  return impl_->windows;
}

void CVorpexEngine::SetHistoryListener(std::function<void()> listener) {
  impl_->historyListener = std::move(listener);
}

void CVorpexEngine::SetJobRetiredListener(JobRetiredListener listener) {
  impl_->retiredListener = std::move(listener);
}

void CVorpexEngine::SetControlEndedListener(std::function<void()> listener) {
  impl_->controlEndedListener = std::move(listener);
}

void CVorpexEngine::SetServiceRoundListenerForTest(
    std::function<void(size_t started, size_t retired)> listener) {
  impl_->roundListener = std::move(listener);
}

void CVorpexEngine::SetServiceIntervalMs(int ms) {
  impl_->serviceIntervalMs.store(ms > 0 ? ms : 1);
}

}  // namespace vpx
