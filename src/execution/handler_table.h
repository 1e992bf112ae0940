// The table through which the dispatcher reaches the command handlers and the worker-job
// bodies of every command family, keyed by function ID. Each family registers its own.
#pragma once

#include <cstdint>
#include <span>
#include <unordered_map>

#include "command/func_id.h"

namespace vpx {

class ICommandContext;
class CMyFuncData;
class CMyThreadDlg;

// A command handler on the GUI thread: non-zero for success, 0 for failure. A handler
// serving several IDs tells them apart by id.
using CommandHandler = int (*)(ICommandContext& context, FuncId id, CMyFuncData& call);
// A job body on a worker thread: 1 success, 0 failure (the value is not used).
using JobBody = int (*)(CMyThreadDlg& job);

class HandlerTable {
 public:
  void AddCommand(FuncId id, CommandHandler handler) { commands_[id] = handler; }
  void AddJobBody(FuncId id, JobBody body) { bodies_[id] = body; }
  CommandHandler FindCommand(FuncId id) const {
    auto it = commands_.find(id);
    return it == commands_.end() ? nullptr : it->second;
  }
  JobBody FindJobBody(FuncId id) const {
    auto it = bodies_.find(id);
    return it == bodies_.end() ? nullptr : it->second;
  }

 private:
  std::unordered_map<FuncId, CommandHandler> commands_;
  std::unordered_map<FuncId, JobBody> bodies_;
};

// The IDs that are accepted and deliberately do nothing (success, no output).
std::span<const FuncId> InertFuncIds();

// Registration of each family, defined next to its handlers.
void RegisterEngineCommands(HandlerTable& table);  // execution/: the engine's own and inert IDs
void RegisterListCommands(HandlerTable& table);    // execution/: list and clipboard commands
void RegisterMathCommands(HandlerTable& table);    // numeric/: math commands and their jobs
void RegisterFileCommands(HandlerTable& table);    // fileops/: file, directory and drive commands

}  // namespace vpx
