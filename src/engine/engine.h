// CVorpexEngine: the console's execution engine, front-end independent. It owns the
// registry, the previous result, the shortcut array with the result list, the job queues
// and the control thread, and runs the Enter cycle and the dispatcher. Command handlers of
// every family reach it through ICommandContext.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/command_context.h"
#include "engine/func_result.h"
#include "engine/handler_table.h"
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

// What a front end is told when a job's result has been written into its entry.
struct RetiredJob {
  // A job whose result found no entry (its reservation could not be made) has none.
  static constexpr uint32_t kNoEntry = UINT32_MAX;
  uint32_t index = 0;
  std::string rowText;   // the entry's value text, uncut (why, when the job failed)
  std::string callText;  // the command line that started the job
  // The job's own message (for example a checksum match) when it has one and was not
  // cancelled; otherwise the value text.
  std::string message;
  bool failed = false;  // the job failed or was cancelled
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
  // The out-of-memory line (on standard error when not even it can be built).
  void EchoOutOfMemory();

  const UserInterface& GetUi() const override { return ui_; }
  HandlerTable& Handlers() { return handlers_; }
  CMyMacro& GetMacro() override;
  CMyFuncResult& PreviousResult() override;
  CVXShortCutArray& ShortCutArray() override;

  // --- the list lock (re-entrant; 100 ms slices, pumping the GUI queue on the GUI
  // thread) ---
  bool AcquireListLock() override;
  void ReleaseListLock() override;

  // --- result list and shortcut array ---
  int AddDataToShortCutArray(const CMyFuncResult& record, bool lock) override;
  int RemoveAtShortCutArray(uint32_t index, bool lock) override;
  int OverWriteAtShortCutArray(uint32_t index, const CMyFuncResult& record, bool lock);
  int AddDataToList(const CMyFuncResult& record, bool lock) override;
  int SetDataToList(uint32_t index, const CMyFuncResult& record);
  int AddDataToListAndShortCut(const CMyFuncResult& record, bool lock) override;
  int SetResultToListAndShortCut(const CMyFuncResult& record, bool lock) override;
  int SetResultToListAndShortCut(uint32_t index, const CMyFuncResult& record, bool lock);
  int SetDataToListAndShortCut(uint32_t index, const CMyFuncResult& record, bool lock) override;
  int RemoveAtListAndShortCut(uint32_t index, bool lock) override;
  int RemoveAtShortCutList(uint32_t index, bool lock);
  int IsShortCutItemReserved(uint32_t index, bool lock);

  // --- jobs ---
  int QueueJob(FuncId id, const CMyFuncData& call, const JobStartFailureTexts& texts) override;
  // True when no job is queued or running.
  bool IsIdle() const;
  // Jobs queued or running (or ended and not yet deleted).
  int LiveJobCount() const;
  // A close request: only sets the shutdown flag while the control thread runs.
  void RequestShutdown();
  // True once the control thread has ended after a shutdown request.
  bool IsShutDown() const;
  bool IsShutdownRequested() const;

  // --- the job frame's reach to the GUI thread ---
  // Runs task on the GUI thread after everything handed over before it.
  void PostToGui(std::function<void()> task);
  // Runs task on the GUI thread and waits for it (at once on the GUI thread).
  void SendToGui(std::function<void()> task);
  // A job's worker thread hands its ended job to the GUI thread, which queues it for the
  // control thread; the worker waits until that is done.
  void NotifyJobEnded(CMyThreadDlg* job);
  // GUI thread: runs the tasks the control and worker threads handed over.
  void RunHandedOverTasks();

  // --- the front end's operations on the result list (buttons and context menu) ---
  void HoldList();
  void ReleaseListHold();
  bool IsListHeld() const;
  // Removes the selected rows from index 1 up, highest first, skipping reserved ones.
  void DeleteSelectedRows(bool clearSelection);
  void SelectAllRows();
  // File-open dialog; a confirmed path becomes a new STRING entry. 1 when added.
  int AddFilePathEntry();

  // --- input history and other state the front ends show ---
  const std::string& GetLastInputLine() const;
  CGRingMemT<std::string>& InputHistory();
  CMyThreadList& WindowRegistry();
  // Called on the GUI thread after a line was pushed into the input history.
  void SetHistoryListener(std::function<void()> listener);
  // Called on the GUI thread when a job's result has been written into its entry.
  using JobRetiredListener = std::function<void(const RetiredJob& job)>;
  void SetJobRetiredListener(JobRetiredListener listener);
  // Called on the GUI thread when the control thread has ended (the front end closes).
  void SetControlEndedListener(std::function<void()> listener);
  // The longest the control thread sleeps between rounds without being woken (200 ms).
  void SetServiceIntervalMs(int ms);
  // Tests: called on the control thread after each round that started or retired jobs,
  // with their numbers.
  void SetServiceRoundListenerForTest(std::function<void(size_t started, size_t retired)> l);

 private:
  struct Impl;
  LineStatus RunInputLine();
  LineStatus RunLine(std::string text);
  const UserInterface ui_;
  HandlerTable handlers_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vpx
