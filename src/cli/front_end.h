// TerminalFrontEnd: the engine with the terminal's host interfaces. The constructing thread
// is the GUI thread; it runs lines as if typed and entered, waits for jobs while pumping the
// GUI queue, and shuts the engine down in order.
#pragma once

#include <memory>
#include <string>

#include "cli/memory_list_view.h"
#include "cli/terminal_queue.h"
#include "cli/terminal_ui.h"
#include "engine/engine.h"

namespace vpx::cli {

struct TerminalOptions {
  bool answerYes = false;    // --yes
  bool transcript = false;   // --transcript
  bool interactive = false;  // --console
  std::string loadFile;      // --load: a saved result list to start with (UTF-8)
  std::string saveFile;      // --save: where the result list goes at the end (UTF-8)
};

class TerminalFrontEnd {
 public:
  explicit TerminalFrontEnd(const TerminalOptions& options);
  ~TerminalFrontEnd();
  TerminalFrontEnd(const TerminalFrontEnd&) = delete;
  TerminalFrontEnd& operator=(const TerminalFrontEnd&) = delete;

  // The engine's start-up, then the --load list; false when either failed (the engine is
  // then shut down again).
  bool Start();
  // Saves the result list to the --save file; true when saved or not asked for.
  bool SaveListAtEnd();
  // Runs one UTF-8 input line as if typed and entered. A line without a Shift-JIS form, or
  // longer than the console takes, is not executed; a "※　" message is echoed instead.
  LineStatus RunLine(const std::string& utf8Line);
  // Pumps the GUI queue until no job is queued or running, or a signal arrived.
  void WaitIdle();
  // The watch thread's call for the first signal: cancel the jobs and wake the GUI thread.
  void OnSignal();
  // Runs the tasks handed to the GUI thread, waiting up to timeoutMs for the first.
  void PumpFor(int timeoutMs);
  // The close request of the engine, then pumping until the control thread has ended.
  void Shutdown();

  CVorpexEngine& Engine() { return *engine_; }
  TerminalGuiQueue& Queue() { return queue_; }
  TerminalOutput& Output() { return output_; }
  TerminalDialogs& Dialogs() { return dialogs_; }
  IListView& JobList() { return jobList_; }
  const TerminalOptions& Options() const { return options_; }

 private:
  LineStatus TakeLine(const std::string& utf8Line);
  // The Shift-JIS form of a --load or --save path; false after a message when it has none.
  bool ListFileName(const std::string& utf8Path, std::string& sjis);

  const TerminalOptions options_;
  // The --save file made absolute at start, so that a ChangeDir on the way does not move
  // it (UTF-8; empty without --save).
  const std::string savePath_;
  TerminalGuiQueue queue_;
  TerminalOutput output_;
  TerminalConsole console_{output_};
  MemoryListView resultList_;
  MemoryListView jobList_;
  TerminalDialogs dialogs_{output_, options_.answerYes};
  ProcessClipboard clipboard_;
  TerminalBinaryDisplay binaryDisplay_{output_};
  UserInterface ui_;
  std::unique_ptr<CVorpexEngine> engine_;
};

}  // namespace vpx::cli
