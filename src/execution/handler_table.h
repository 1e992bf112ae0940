// The table through which the dispatcher reaches the command handlers and the worker-job
// bodies of every command family, keyed by function ID. Each family registers its own.
#pragma once

#include <cstdint>
#include <unordered_map>

namespace vpx {

class CVorpexEngine;
class CMyFuncData;
class CMyThreadDlg;

// A command handler on the GUI thread: non-zero for success, 0 for failure. A handler
// serving several IDs tells them apart by id.
using CommandHandler = int (*)(CVorpexEngine& engine, uint32_t id, CMyFuncData& call);
// A job body on a worker thread: 1 success, 0 failure (the value is not used).
using JobBody = int (*)(CMyThreadDlg& job);

class HandlerTable {
 public:
  void AddCommand(uint32_t id, CommandHandler handler) { commands_[id] = handler; }
  void AddJobBody(uint32_t id, JobBody body) { bodies_[id] = body; }
  CommandHandler FindCommand(uint32_t id) const {
    auto it = commands_.find(id);
    return it == commands_.end() ? nullptr : it->second;
  }
  JobBody FindJobBody(uint32_t id) const {
    auto it = bodies_.find(id);
    return it == bodies_.end() ? nullptr : it->second;
  }

 private:
  std::unordered_map<uint32_t, CommandHandler> commands_;
  std::unordered_map<uint32_t, JobBody> bodies_;
};

// Registration of each family, defined next to its handlers.
void RegisterListCommands(HandlerTable& table);  // execution/: list and clipboard commands
void RegisterMathCommands(HandlerTable& table);  // numeric/: math commands and their jobs
void RegisterFileCommands(HandlerTable& table);  // fileops/: file, directory and drive commands

}  // namespace vpx
