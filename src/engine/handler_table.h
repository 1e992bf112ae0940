// The table through which the dispatcher reaches the command handlers and the worker-job
// bodies of every command family, keyed by function ID. Each family registers its own.
#pragma once

#include <cstdint>
#include <span>
#include <unordered_map>

#include "language/func_id.h"

namespace vpx {

class ICommandContext;
class CMyFuncData;
class CMyThreadDlg;

// A command handler on the GUI thread: non-zero for success, 0 for failure. A handler
// serving several IDs tells them apart by id.
using CommandHandler = int (*)(ICommandContext& context, FuncId id, CMyFuncData& call);
// A job body on a worker thread: 1 success, 0 failure (the value is not used).
using JobBody = int (*)(CMyThreadDlg& job);

// What shut-down does with a running job of a kind. A body that writes files polls its
// cancel flag and is waited for, so it can leave the files in order; a pure computation
// inside a number library cannot see the flag, and as its result would be discarded anyway
// it is abandoned (its thread finishes on its own and touches nothing of the engine).
enum class JobShutdown { kWaitForCancel, kAbandon };

struct JobKind {
  JobBody body = nullptr;
  JobShutdown shutdown = JobShutdown::kWaitForCancel;
};

class HandlerTable {
 public:
  void AddCommand(FuncId id, CommandHandler handler) { commands_[id] = handler; }
  void AddJobBody(FuncId id, JobBody body, JobShutdown shutdown = JobShutdown::kWaitForCancel) {
    bodies_[id] = JobKind{body, shutdown};
  }
  CommandHandler FindCommand(FuncId id) const {
    auto it = commands_.find(id);
    return it == commands_.end() ? nullptr : it->second;
  }
  JobKind FindJobBody(FuncId id) const {
    auto it = bodies_.find(id);
    return it == bodies_.end() ? JobKind{} : it->second;
  }

 private:
  std::unordered_map<FuncId, CommandHandler> commands_;
  std::unordered_map<FuncId, JobKind> bodies_;
};

// The IDs that are accepted and deliberately do nothing (success, no output).
std::span<const FuncId> InertFuncIds();

// Registration of each family, defined next to its handlers.
void RegisterEngineCommands(HandlerTable& table);  // engine/: the engine's own and inert IDs
void RegisterListCommands(HandlerTable& table);    // commands/lists/: list and clipboard commands
void RegisterMathCommands(HandlerTable& table);    // commands/math/: math commands and their jobs
void RegisterFileCommands(HandlerTable& table);    // commands/files, dirs: files and folders

}  // namespace vpx
