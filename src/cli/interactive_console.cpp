#include "cli/interactive_console.h"

#include <poll.h>
#include <unistd.h>

// clang-format off
#include <cstdio>
#include <editline/readline.h>
// clang-format on

#include <cstdlib>

#include "execution/ring_memory.h"
#include "fileops/trace_log.h"

namespace vpx::cli {
namespace {

constexpr const char* kPrompt = "vorpex> ";
constexpr int kHistoryLines = 16;

// libedit's callback interface has no user argument: the running console.
struct ConsoleState {
  TerminalFrontEnd* frontEnd = nullptr;
  bool quit = false;
};
ConsoleState g_console;

void OnLine(char* line) {
  if (line == nullptr) {  // Ctrl+D
    g_console.quit = true;
    return;
  }
  const std::string text(line);
  std::free(line);
  TerminalFrontEnd& frontEnd = *g_console.frontEnd;
  // libedit leaves its unbuffered mode for the handler; installing the handler again
  // afterwards restores it and shows the prompt.
  rl_callback_handler_remove();
  frontEnd.Output().SetPromptShown(false);
  frontEnd.RunLine(text);
  rl_callback_handler_install(kPrompt, OnLine);
  frontEnd.Output().SetPromptShown(true);
}

// Output that arrives while the prompt is shown: clear the prompt line, write, redraw.
void AbovePrompt(const std::function<void()>& write) {
  std::fputs("\r\033[K", stdout);
  std::fflush(stdout);
  write();
  rl_forced_update_display();
}

// A question asked while a command runs (Yes/No, a file or folder name).
bool AskUser(const std::string& prompt, std::string& answer) {
  std::fputs(prompt.c_str(), stderr);
  std::fflush(stderr);
  char* line = nullptr;
  size_t capacity = 0;
  const ssize_t n = getline(&line, &capacity, stdin);
  if (n < 0) {
    std::free(line);
    return false;
  }
  answer.assign(line, static_cast<size_t>(n));
  std::free(line);
  while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
  return true;
}

void ConnectEngine(TerminalFrontEnd& frontEnd) {
  CVorpexEngine& engine = frontEnd.Engine();
  engine.SetHistoryListener(
      [&engine] { add_history(TerminalText(engine.InputHistory().GetFromOldData(0)).c_str()); });
  engine.SetJobRetiredListener([&frontEnd](uint32_t index, const std::string& rowText) {
    frontEnd.Output().WriteOutputText(Format("[%u] ", index) + TerminalText(rowText) + "\n");
  });
  frontEnd.Output().SetPromptWrapper(AbovePrompt);
  frontEnd.Dialogs().asker = AskUser;
}

}  // namespace

int RunConsole(const TerminalOptions& options) {
  TerminalFrontEnd frontEnd(options);
  if (!frontEnd.Start()) return 1;
  g_console = ConsoleState{&frontEnd, false};
  ConnectEngine(frontEnd);
  stifle_history(kHistoryLines);

  rl_callback_handler_install(kPrompt, OnLine);
  frontEnd.Output().SetPromptShown(true);
  while (!g_console.quit) {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {frontEnd.Queue().WakeFd(), POLLIN, 0}};
    if (poll(fds, 2, 200) < 0) continue;
    if (fds[1].revents != 0) {
      frontEnd.Queue().DrainWakeFd();
      frontEnd.Queue().Pump();
    }
    if ((fds[0].revents & (POLLIN | POLLHUP)) != 0) rl_callback_read_char();
    // End of a piped input, or a closed descriptor.
    if ((fds[0].revents & POLLNVAL) != 0 ||
        ((fds[0].revents & POLLHUP) != 0 && (fds[0].revents & POLLIN) == 0))
      g_console.quit = true;
  }
  rl_callback_handler_remove();
  frontEnd.Output().SetPromptShown(false);
  std::fputs("\n", stdout);
  frontEnd.Shutdown();
  g_console = ConsoleState{};
  return 0;
}

}  // namespace vpx::cli
