// CVorpexEngine: the console's execution engine, front-end independent. It owns the
// registry, the previous result, the shortcut array with the result list, the job queues
// and the control thread, and runs the Enter cycle and the dispatcher. Command handlers of
// every family receive it to echo, store results and queue jobs.
#pragma once

#include <cstdint>
#include <string>

#include "command/func_data.h"
#include "execution/func_result.h"
#include "execution/handler_table.h"
#include "host/ui_host.h"

namespace vpx {

class CMyMacro;
class CVXShortCutArray;
class CMyThreadDlg;

// The console texts a job starter prints when it cannot queue its job; empty texts
// print nothing.
struct JobStartFailureTexts {
  std::string notCreated;
  std::string functionNotSet;
  std::string notRegistered;
};

class CVorpexEngine {
 public:
  explicit CVorpexEngine(const UserInterface& ui);
  ~CVorpexEngine();
  CVorpexEngine(const CVorpexEngine&) = delete;
  CVorpexEngine& operator=(const CVorpexEngine&) = delete;

  // Start-up: registration, control thread, seeding of entry 0. 1 on success; 0 after
  // the failure message box (the front end then closes).
  int Start();

  // --- the Enter cycle ---
  void ExecuteInputLine();
  int ExecuteFunc(int32_t id, CMyFuncData* call);
  void EchoLine(const std::string& text);

  const UserInterface& GetUi() const { return ui_; }
  HandlerTable& Handlers() { return handlers_; }
  CMyMacro& GetMacro();
  CMyFuncResult& PreviousResult();
  CVXShortCutArray& ShortCutArray();

  // --- the list lock (re-entrant; 100 ms slices, pumping the GUI queue on the GUI
  // thread) ---
  bool AcquireListLock();
  void ReleaseListLock();

  // --- result list and shortcut array ---
  int AddDataToShortCutArray(const CMyFuncResult& record, bool lock);
  int RemoveAtShortCutArray(uint32_t index, bool lock);
  int OverWriteAtShortCutArray(uint32_t index, const CMyFuncResult& record, bool lock);
  int AddDataToList(const CMyFuncResult& record, bool lock);
  int SetDataToList(uint32_t index, const CMyFuncResult& record);
  int AddDataToListAndShortCut(const CMyFuncResult& record, bool lock);
  int SetResultToListAndShortCut(const CMyFuncResult& record, bool lock);
  int SetResultToListAndShortCut(uint32_t index, const CMyFuncResult& record, bool lock);
  int SetDataToListAndShortCut(uint32_t index, const CMyFuncResult& record, bool lock);
  int RemoveAtListAndShortCut(uint32_t index, bool lock);
  int RemoveAtShortCutList(uint32_t index, bool lock);
  int IsShortCutItemReserved(uint32_t index, bool lock);

  // --- jobs ---
  // Creates a job for id with a copy of call, reserving a result entry, and queues it.
  // On failure prints the matching text and returns 0; 1 when queued.
  int QueueJob(uint32_t id, const CMyFuncData& call, const JobStartFailureTexts& texts);
  // True when no job is queued or running.
  bool IsIdle() const;
  // A close request: only sets the shutdown flag while the control thread runs.
  void RequestShutdown();
  // True once the control thread has ended after a shutdown request.
  bool IsShutDown() const;

 private:
  struct Impl;
  const UserInterface ui_;
  HandlerTable handlers_;
  Impl* impl_;
};

}  // namespace vpx
