// CVorpexEngine: the console's execution engine, front-end independent. It owns the
// registry, the previous result, the result list (ResultList) and the jobs (JobScheduler),
// wires them together, and runs the Enter cycle and the dispatcher. Command handlers of
// every family reach it through ICommandContext.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/command_context.h"
#include "engine/func_result.h"
#include "engine/handler_table.h"
#include "engine/job_scheduler.h"
#include "engine/result_list.h"
#include "host/ui_host.h"
#include "language/func_data.h"

namespace vpx {

class CMyMacro;
class CVXShortCutArray;
class CMyThreadDlg;
class CMyThreadList;
template <typename T>
class CGRingMemT;

// What became of an entered line; the window ignores it, the terminal's exit status uses it.
enum class LineStatus {
  kNoLine,        // no line, or an empty one (the read-failure message)
  kRefused,       // entered after a close request
  kUnregistered,  // no registered function fits
  kFailed,        // the handler reported failure
  kDone,          // the handler succeeded (a job it queued may still fail)
};

class CVorpexEngine : public ICommandContext {
 public:
  explicit CVorpexEngine(const UserInterface& ui);
  ~CVorpexEngine() override;
  CVorpexEngine(const CVorpexEngine&) = delete;
  CVorpexEngine& operator=(const CVorpexEngine&) = delete;

  // Start-up: registration, control thread, seeding of entry 0. 1 on success; 0 after
  // the failure message box (the front end then closes).
  int Start();

  // --- the Enter cycle ---
  LineStatus ExecuteInputLine();
  // Runs text (Shift-JIS, without its line break) as if it were the last completed line of
  // the console: for front ends that take the line when Enter is pressed.
  LineStatus ExecuteLine(const std::string& text);
  int ExecuteFunc(int32_t id, CMyFuncData* call);
  void EchoLine(const std::string& text) override;
  void EchoNumber(const MyNumeric& value) override;
  // The out-of-memory line (on standard error when not even it can be built).
  void EchoOutOfMemory();

  const UserInterface& GetUi() const override { return ui_; }
  HandlerTable& Handlers() { return handlers_; }
  CMyMacro& GetMacro() override;
  CMyFuncResult& PreviousResult() override;
  // The result entries with their rows, and the jobs; the engine wires them together.
  ResultList& Results();
  JobScheduler& Jobs();

  // --- what command handlers reach of the result list (see ResultList) ---
  CVXShortCutArray& ShortCutArray() override;
  bool AcquireListLock() override;
  void ReleaseListLock() override;
  int AddDataToShortCutArray(const CMyFuncResult& record, bool lock) override;
  int RemoveAtShortCutArray(uint32_t index, bool lock) override;
  int AddDataToList(const CMyFuncResult& record, bool lock) override;
  int AddDataToListAndShortCut(const CMyFuncResult& record, bool lock) override;
  int SetResultToListAndShortCut(const CMyFuncResult& record, bool lock) override;
  int SetDataToListAndShortCut(uint32_t index, const CMyFuncResult& record, bool lock) override;
  int RemoveAtListAndShortCut(uint32_t index, bool lock) override;
  int QueueJob(FuncId id, const CMyFuncData& call, const JobStartFailureTexts& texts) override;

  // --- the engine's life as the front ends see it ---
  // True when no job is queued or running.
  bool IsIdle() const;
  // Jobs queued or running (or ended and not yet deleted).
  int LiveJobCount() const;
  // A close request: releases a hold of the list (GUI thread) and sets the shutdown flag;
  // the control thread then cancels the jobs and ends.
  void RequestShutdown();
  // True once the control thread has ended after a shutdown request.
  bool IsShutDown() const;
  bool IsShutdownRequested() const;
  // Called on the GUI thread when a job's result has been written into its entry.
  void SetJobRetiredListener(JobScheduler::JobRetiredListener listener);
  // Called on the GUI thread when the control thread has ended (the front end closes).
  void SetControlEndedListener(std::function<void()> listener);

  // --- the job frame's reach to the GUI thread ---
  // Runs task on the GUI thread after everything handed over before it.
  void PostToGui(std::function<void()> task);
  // A job's worker thread hands its ended job to the GUI thread, which queues it for the
  // control thread; the worker waits until that is done.
  void NotifyJobEnded(CMyThreadDlg* job);
  // GUI thread: runs the tasks the control and worker threads handed over.
  void RunHandedOverTasks();

  // File-open dialog (the ADD button); a confirmed path becomes a new STRING entry. 1 when
  // added.
  int AddFilePathEntry();

  // --- input history and other state the front ends show ---
  const std::string& GetLastInputLine() const;
  CGRingMemT<std::string>& InputHistory();
  CMyThreadList& WindowRegistry();
  // Called on the GUI thread after a line was pushed into the input history.
  void SetHistoryListener(std::function<void()> listener);

 private:
  struct Impl;
  LineStatus RunInputLine();
  LineStatus RunLine(std::string text);
  // Hands a finished console line to the console (on the GUI thread).
  void AppendToConsole(const std::string& line);
  static constexpr std::string_view kLineEnd = "\r\n";
  const UserInterface ui_;
  HandlerTable handlers_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vpx
