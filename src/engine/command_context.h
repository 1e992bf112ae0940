// ICommandContext: what a command handler may reach of the engine — the console echo, the
// previous result, the result list with its lock, the job queue, the registry and the user
// interface. The engine implements it; tests give handlers a small fake instead.
#pragma once

#include <cstdint>
#include <string>

#include "engine/func_result.h"
#include "engine/named_lock.h"
#include "host/ui_host.h"
#include "language/func_id.h"

namespace vpx {

class CMyFuncData;
class CMyMacro;
class CVXShortCutArray;

// The console texts a job starter prints when it cannot queue its job; empty texts
// print nothing.
struct JobStartFailureTexts {
  std::string notCreated;
  std::string functionNotSet;
  std::string notRegistered;
};

class ICommandContext {
 public:
  virtual ~ICommandContext() = default;

  virtual void EchoLine(const std::string& text) = 0;
  // Echoes the value's text as EchoLine(value.ToString()) does; the engine writes a long
  // value's digits straight into the console line instead of copying its text there.
  virtual void EchoNumber(const MyNumeric& value) { EchoLine(value.ToString()); }
  virtual const UserInterface& GetUi() const = 0;
  virtual CMyMacro& GetMacro() = 0;
  virtual CMyFuncResult& PreviousResult() = 0;

  // The result list: read the shortcut array only under the list lock (re-entrant). The
  // operations with a lock flag take the lock themselves when it is true.
  virtual CVXShortCutArray& ShortCutArray() = 0;
  virtual bool AcquireListLock() = 0;
  virtual void ReleaseListLock() = 0;
  virtual int AddDataToShortCutArray(const CMyFuncResult& record, bool lock) = 0;
  virtual int RemoveAtShortCutArray(uint32_t index, bool lock) = 0;
  virtual int AddDataToList(const CMyFuncResult& record, bool lock) = 0;
  virtual int AddDataToListAndShortCut(const CMyFuncResult& record, bool lock) = 0;
  // Entry 0 takes the record.
  virtual int SetResultToListAndShortCut(const CMyFuncResult& record, bool lock) = 0;
  virtual int SetDataToListAndShortCut(uint32_t index, const CMyFuncResult& record, bool lock) = 0;
  virtual int RemoveAtListAndShortCut(uint32_t index, bool lock) = 0;

  // Creates a job for id with a copy of call, reserving a result entry, and queues it.
  // On failure prints the matching text and returns 0; 1 when queued.
  virtual int QueueJob(FuncId id, const CMyFuncData& call, const JobStartFailureTexts& texts) = 0;
};

// The list lock for one handler, released on every path out.
using ListLockScope = ScopedLock<ICommandContext, &ICommandContext::AcquireListLock,
                                 &ICommandContext::ReleaseListLock>;

}  // namespace vpx
