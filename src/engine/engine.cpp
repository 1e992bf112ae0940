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
      results(bridge, owner.ui_.resultList,
              ResultList::Sinks{[&owner](const std::string& text) { owner.EchoLine(text); },
                                [this](const std::string& text) { PostMessageBox(text); },
                                [this](bool held) {
                                  ApplyListColours(held);
                                  // A released hold lets the control thread go on at once.
                                  if (!held) jobs.Wake();
                                }}),
      jobs(bridge, results, owner.ui_.jobList) {
  macro.SetShortCutArray(&results.Entries());
}

void CVorpexEngine::Impl::ApplyListColours(bool held) {
  const RgbColour background = held ? RgbColour{0, 0, 255} : RgbColour{0, 0, 0};
  const RgbColour text = held ? RgbColour{255, 0, 0} : RgbColour{255, 255, 255};
  bridge.RunOnGui([&] {
    if (ui.resultList != nullptr) ui.resultList->SetColours(background, text);
    if (ui.jobList != nullptr) ui.jobList->SetColours(background, text);
  });
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
  impl_->jobs.ClearListeners();
  if (impl_->bridge.IsGuiThread()) impl_->results.ReleaseListHold();
  impl_->jobs.StopControlThread();
  impl_->windows.DestroyAll();
  impl_->jobs.CloseLocks();
  impl_->results.Lock().Close();
}

void CVorpexEngine::Impl::SeedEntryZero() {
  NamedLock& listLock = results.Lock();
  if (!listLock.Acquire()) return;
  CMyFuncData call;
  const int32_t id = macro.AnalyseAndGetID(std::string("Add(0, 0)"), call);
  if (id != -1) {
    call.SetID(id);
    MyNumeric zero;
    CMyFuncResult record;
    if (record.SetData(&call, id, &zero) != 0) {
      previous = record;
      results.AddDataToListAndShortCut(record, false);
    }
  }
  listLock.Release();
}

int CVorpexEngine::Start() {
  if (impl_->started) return 1;
  std::string dir;
  if (GetCurrentDir(dir)) impl_->startDir.swap(dir);
  impl_->ApplyListColours(false);
  // Shows its own message box on failure; the front end then closes.
  if (impl_->macro.RegisterFuncTable() == 0) return 0;
  impl_->lastInputLine.clear();
  impl_->jobs.StartControlThread();
  impl_->SeedEntryZero();
  impl_->started = true;
  return 1;
}

// A console line is "　text\r\n", built in one buffer of its final size.
void CVorpexEngine::EchoLine(const std::string& text) {
  const std::string& indent = SJ("　");
  std::string line;
  line.reserve(indent.size() + text.size() + kLineEnd.size());
  line += indent;
  line += text;
  line += kLineEnd;
  AppendToConsole(line);
}

void CVorpexEngine::EchoNumber(const MyNumeric& value) {
  std::string line = SJ("　");
  // The digits are written once, into the line (which has room for its end).
  if (!value.AppendText(line)) line += MyNumeric::UnusableNumberText();
  line += kLineEnd;
  AppendToConsole(line);
}

void CVorpexEngine::AppendToConsole(const std::string& line) {
  IConsole* console = ui_.console;
  impl_->bridge.RunOnGui([console, &line] { console->AppendOutput(line); });
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
  if (impl_->jobs.IsShutdownRequested()) {
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
  if (impl_->results.AcquireLock()) {
    id = impl_->macro.AnalyseAndGetID(text, call);
    impl_->results.ReleaseLock();
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
  return impl_->results.Entries();
}

bool CVorpexEngine::AcquireListLock() {
  return impl_->results.AcquireLock();
}

void CVorpexEngine::ReleaseListLock() {
  impl_->results.ReleaseLock();
}

int CVorpexEngine::AddDataToShortCutArray(const CMyFuncResult& record, bool lock) {
  return impl_->results.AddDataToShortCutArray(record, lock);
}

int CVorpexEngine::RemoveAtShortCutArray(uint32_t index, bool lock) {
  return impl_->results.RemoveAtShortCutArray(index, lock);
}

int CVorpexEngine::AddDataToList(const CMyFuncResult& record, bool lock) {
  return impl_->results.AddDataToList(record, lock);
}

int CVorpexEngine::AddDataToListAndShortCut(const CMyFuncResult& record, bool lock) {
  return impl_->results.AddDataToListAndShortCut(record, lock);
}

int CVorpexEngine::SetResultToListAndShortCut(const CMyFuncResult& record, bool lock) {
  return impl_->results.SetResultToListAndShortCut(record, lock);
}

int CVorpexEngine::SetDataToListAndShortCut(uint32_t index, const CMyFuncResult& record,
                                            bool lock) {
  return impl_->results.SetDataToListAndShortCut(index, record, lock);
}

int CVorpexEngine::RemoveAtListAndShortCut(uint32_t index, bool lock) {
  return impl_->results.RemoveAtListAndShortCut(index, lock);
}

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
  // After the control thread has ended nothing would ever start or delete the job; after a
  // close request it would only be deleted unstarted.
  if (!impl_->jobs.Queue(job)) {
    if (impl_->jobs.IsShutdownRequested()) {
      echoIfAny(texts.notRegistered);
    } else {
      echoMemoryFailure(texts.notRegistered);  // the control thread could not be had
    }
    delete job;
    return 0;
  }
  return 1;
}

ResultList& CVorpexEngine::Results() {
  return impl_->results;
}

JobScheduler& CVorpexEngine::Jobs() {
  return impl_->jobs;
}

bool CVorpexEngine::IsIdle() const {
  return impl_->jobs.IsIdle();
}

int CVorpexEngine::LiveJobCount() const {
  return impl_->jobs.LiveJobCount();
}

void CVorpexEngine::RequestShutdown() {
  if (impl_->bridge.IsGuiThread()) impl_->results.ReleaseListHold();
  impl_->jobs.RequestShutdown();
}

bool CVorpexEngine::IsShutdownRequested() const {
  return impl_->jobs.IsShutdownRequested();
}

bool CVorpexEngine::IsShutDown() const {
  return impl_->jobs.IsShutDown();
}

void CVorpexEngine::SetJobRetiredListener(JobScheduler::JobRetiredListener listener) {
  impl_->jobs.SetJobRetiredListener(std::move(listener));
}

void CVorpexEngine::SetControlEndedListener(std::function<void()> listener) {
  impl_->jobs.SetControlEndedListener(std::move(listener));
}

void CVorpexEngine::PostToGui(std::function<void()> task) {
  impl_->bridge.Post(std::move(task));
}

void CVorpexEngine::RunHandedOverTasks() {
  impl_->bridge.RunHandedOver();
}

void CVorpexEngine::NotifyJobEnded(CMyThreadDlg* job) {
  impl_->jobs.NotifyJobEnded(job);
}

int CVorpexEngine::AddFilePathEntry() {
  std::string dir;
  if (!GetCurrentDir(dir)) dir = impl_->startDir;
  std::vector<std::string> paths;
  if (!ui_.dialogs->ChooseOpenFiles(dir, false, paths) || paths.empty() || paths[0].empty())
    return 0;
  CMyFuncResult record;
  record.type = kRetString;
  record.text = paths[0];
  return impl_->results.AddDataToListAndShortCut(record, true) >= 0 ? 1 : 0;
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

}  // namespace vpx
