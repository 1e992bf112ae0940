// The engine's private state, shared by its source files: the GUI bridge, the registry, the
// previous result, the result list, the jobs, and the input history. Only the engine's own
// files include it.
#pragma once

#include <functional>
#include <string>

#include "engine/engine.h"
#include "engine/gui_bridge.h"
#include "engine/job_scheduler.h"
#include "engine/result_list.h"
#include "engine/ring_memory.h"
#include "engine/thread_dlg.h"
#include "engine/thread_list.h"
#include "language/my_macro.h"

namespace vpx {

struct CVorpexEngine::Impl {
  explicit Impl(CVorpexEngine& owner);

  CVorpexEngine& engine;
  const UserInterface& ui;
  GuiBridge bridge;
  ResultList results;
  JobScheduler jobs;

  CMyMacro macro;
  CMyFuncResult previous;
  std::string lastInputLine;
  std::string startDir{"."};  // the current directory at start-up
  CGRingMemT<std::string> history{16};
  CMyThreadList windows;
  bool started = false;

  std::function<void()> historyListener;

  // --- start-up (engine.cpp) ---
  void SeedEntryZero();
  // Both list views show whether the list is held.
  void ApplyListColours(bool held);
  // A message box shown by the GUI thread, without blocking the caller.
  void PostMessageBox(const std::string& text);
};

}  // namespace vpx
