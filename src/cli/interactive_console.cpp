#include "cli/interactive_console.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

// clang-format off
#include <cstdio>
#include <editline/readline.h>
// clang-format on

#include <cerrno>
#include <cstdlib>

#include "cli/console_help.h"
#include "cli/exit_status.h"
#include "cli/job_progress_line.h"
#include "engine/ring_memory.h"
#include "help/call_suggestions.h"
#include "host/signal_watch.h"
#include "host/text_format.h"

namespace vpx::cli {
namespace {

constexpr const char* kPrompt = "vorpex> ";
constexpr int kHistoryLines = 16;
constexpr int kSignalBoundMs = 5000;  // for cancelled jobs to finish after a signal
constexpr int kPollSliceMs = 200;
constexpr unsigned char kCtrlD = 4;

// libedit's callback interface has no user argument: the running console.
struct ConsoleState {
  TerminalFrontEnd* frontEnd = nullptr;
  bool quit = false;
  // A line was unregistered, refused or failed, or a job failed or was cancelled: the
  // console ends with the failure status, as a batch does.
  bool failed = false;
  const termios* lineMode = nullptr;  // the terminal's line mode while a command runs
};
ConsoleState g_console;

// While a command runs libedit leaves the terminal in line mode, where a Ctrl+D typed ahead
// becomes an end-of-file mark that libedit later waits behind. Keys typed ahead are kept
// as plain bytes instead, for libedit to read once the prompt is back.
class TypeAheadAsBytes {
 public:
  TypeAheadAsBytes() {
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &lineMode_) != 0) return;
    termios raw = lineMode_;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    active_ = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    if (active_) g_console.lineMode = &lineMode_;
  }
  ~TypeAheadAsBytes() {
    if (!active_) return;
    g_console.lineMode = nullptr;
    tcsetattr(STDIN_FILENO, TCSANOW, &lineMode_);
  }
  // libedit takes the terminal over from here (its next prompt switches straight to its own
  // mode, so there is no moment in line mode); the line mode is not restored.
  void HandOver() {
    active_ = false;
    g_console.lineMode = nullptr;
  }
  TypeAheadAsBytes(const TypeAheadAsBytes&) = delete;
  TypeAheadAsBytes& operator=(const TypeAheadAsBytes&) = delete;

 private:
  termios lineMode_{};
  bool active_ = false;
};

void OnLine(char* line) {
  if (line == nullptr) {  // Ctrl+D
    g_console.quit = true;
    return;
  }
  const std::string text(line);
  std::free(line);
  TerminalFrontEnd& frontEnd = *g_console.frontEnd;
  if (IsHelpLine(text)) add_history(text.c_str());  // the engine keeps only its own lines
  // libedit leaves its unbuffered mode for the handler; installing the handler again
  // afterwards restores it and shows the prompt.
  rl_callback_handler_remove();
  frontEnd.Output().SetPromptShown(false);
  TypeAheadAsBytes typeAhead;
  const LineStatus status = frontEnd.RunLine(text);
  // An empty line (Enter alone) is no command that failed.
  if (status != LineStatus::kDone && status != LineStatus::kNoLine) g_console.failed = true;
  if (status == LineStatus::kUnregistered && !IsHelpLine(text)) {
    // Only here, never in batch output: which calls were meant, as a second line.
    const std::string hint = help::UnregisteredCallHint(text);
    if (!hint.empty()) frontEnd.Output().WriteOutputText("　" + hint + "\n");
  }
  typeAhead.HandOver();
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

// Reads byte by byte, so that nothing typed after the answer is taken from libedit.
bool ReadAnswer(const std::string& prompt, std::string& answer) {
  std::fputs(prompt.c_str(), stderr);
  std::fflush(stderr);
  answer.clear();
  char c = 0;
  for (;;) {
    const ssize_t n = read(STDIN_FILENO, &c, 1);
    if (n <= 0) return !answer.empty();
    if (c == '\n' || c == '\r') return true;
    answer += c;
  }
}

// A question asked while a command runs (Yes/No, a file or folder name).
bool AskUser(const std::string& prompt, std::string& answer) {
  // The answer is typed as a line.
  termios bytesMode{};
  const bool restore = g_console.lineMode != nullptr && tcgetattr(STDIN_FILENO, &bytesMode) == 0;
  if (restore) tcsetattr(STDIN_FILENO, TCSANOW, g_console.lineMode);
  const bool answered = ReadAnswer(prompt, answer);
  if (restore) tcsetattr(STDIN_FILENO, TCSANOW, &bytesMode);
  return answered;
}

// While a job has run for more than a second the prompt carries its progress; libedit
// redraws the line being typed behind it.
void ShowProgressInPrompt() {
  const std::string progress = JobProgressText(g_console.frontEnd->JobList(), SteadyNowMs());
  const std::string prompt = progress.empty() ? kPrompt : "[" + progress + "] " + kPrompt;
  if (rl_prompt != nullptr && prompt == rl_prompt) return;
  rl_set_prompt(prompt.c_str());
  std::fputs("\r\033[K", stdout);
  std::fflush(stdout);
  rl_forced_update_display();
}

// libedit's key source: waits for a key while running the tasks handed to the GUI thread,
// so jobs keep retiring while the user types. The end of input ends the console.
int ReadKey(FILE*) {
  TerminalGuiQueue& queue = g_console.frontEnd->Queue();
  for (;;) {
    if (SignalWatch::Received() != 0) break;
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {queue.WakeFd(), POLLIN, 0}};
    if (poll(fds, 2, kPollSliceMs) < 0 && errno != EINTR) break;
    if (fds[1].revents != 0) {
      queue.DrainWakeFd();
      queue.Pump();
    }
    ShowProgressInPrompt();
    if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) == 0) continue;
    unsigned char key = 0;
    const ssize_t n = read(STDIN_FILENO, &key, 1);
    if (n == 1) return key;
    if (n < 0 && errno == EINTR) continue;
    break;
  }
  g_console.quit = true;
  return EOF;
}

void ConnectEngine(TerminalFrontEnd& frontEnd) {
  CVorpexEngine& engine = frontEnd.Engine();
  engine.SetHistoryListener(
      [&engine] { add_history(TerminalText(engine.InputHistory().GetFromOldData(0)).c_str()); });
  engine.SetJobRetiredListener([&frontEnd](const RetiredJob& job) {
    if (job.failed) g_console.failed = true;
    // The value (perhaps a million digits) is converted once; the entry's number and the
    // line end are added around it where it stands.
    std::string text = TerminalText(job.rowText);
    if (job.index != RetiredJob::kNoEntry) text.insert(0, Format("[%u] ", job.index));
    text += '\n';
    frontEnd.Output().WriteOutputText(text);
  });
  frontEnd.Output().SetPromptWrapper(AbovePrompt);
  frontEnd.Dialogs().asker = AskUser;
}

// Ctrl+D while jobs run: say so and wait for them; a second Ctrl+D cancels them.
void WaitForJobsBeforeQuitting(TerminalFrontEnd& frontEnd) {
  CVorpexEngine& engine = frontEnd.Engine();
  frontEnd.Queue().Pump();
  if (engine.IsIdle()) return;
  // Ctrl+D arrives as its byte; set before the message, so a key typed after it counts.
  TypeAheadAsBytes keysAsBytes;
  frontEnd.Output().WriteErrorText(
      Format("%d 個のジョブが実行中です。終わるまで待ちます（Ctrl+D でジョブを中断）。\n",
             engine.LiveJobCount()));
  TerminalGuiQueue& queue = frontEnd.Queue();
  while (!engine.IsIdle() && SignalWatch::Received() == 0) {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {queue.WakeFd(), POLLIN, 0}};
    if (poll(fds, 2, kPollSliceMs) < 0 && errno != EINTR) return;
    if (fds[1].revents != 0) queue.DrainWakeFd();
    queue.Pump();
    if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) == 0) continue;
    unsigned char key = 0;
    const ssize_t n = read(STDIN_FILENO, &key, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || key == kCtrlD) {
      g_console.failed = true;  // the cancelled jobs did not do their work
      frontEnd.Output().WriteErrorText(
          Format("%d 個のジョブを中断します。\n", engine.LiveJobCount()));
      return;  // the shut-down cancels them
    }
  }
}

}  // namespace

int RunConsole(const TerminalOptions& options) {
  SignalWatch::BlockSignals();  // before the engine starts its threads
  TerminalFrontEnd frontEnd(options);
  if (!frontEnd.Start()) return 1;
  SignalWatch watch([&frontEnd](int) { frontEnd.OnSignal(); }, kSignalBoundMs);
  watch.DeliverHere();
  g_console = ConsoleState{&frontEnd, false, false};
  ConnectEngine(frontEnd);
  rl_getc_function = ReadKey;  // before libedit initialises itself
  stifle_history(kHistoryLines);
  InstallCompletion(frontEnd.Output());
  rl_callback_handler_install(kPrompt, OnLine);
  frontEnd.Output().SetPromptShown(true);
  while (!g_console.quit && SignalWatch::Received() == 0) rl_callback_read_char();
  rl_callback_handler_remove();
  frontEnd.Output().SetPromptShown(false);
  std::fputs("\n", stdout);
  std::fflush(stdout);
  if (SignalWatch::Received() == 0) WaitForJobsBeforeQuitting(frontEnd);
  // A run ended by a signal leaves an earlier save alone.
  const bool saved = SignalWatch::Received() != 0 || frontEnd.SaveListAtEnd();
  frontEnd.Shutdown();
  const bool failed = g_console.failed;
  g_console = ConsoleState{};
  if (const int signo = SignalWatch::Received()) return SignalWatch::ExitStatusFor(signo);
  return saved && !failed ? kExitSuccess : kExitFailure;
}

}  // namespace vpx::cli
