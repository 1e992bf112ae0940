#include "cli/batch_mode.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

#include "cli/exit_status.h"
#include "cli/line_reader.h"
#include "host/signal_watch.h"

namespace vpx::cli {
namespace {

// How long cancelled jobs get to finish after a signal before the process ends anyway.
constexpr int kSignalBoundMs = 5000;

// The next input line: kEnd when there is none.
using LineSource = std::function<ReadResult(std::string& line)>;

// Runs one line and waits for its jobs; reports the failures of its jobs on stderr as
// "line N: text". False when the line or one of its jobs failed.
bool RunCountedLine(TerminalFrontEnd& frontEnd, size_t number, ReadResult read,
                    const std::string& line, std::vector<std::string>& failedJobs) {
  bool ok = true;
  if (read == ReadResult::kTooLong) {
    frontEnd.Engine().EchoLine(LineTooLongText());
    ok = false;
  } else {
    const LineStatus status = frontEnd.RunLine(line);
    ok = status == LineStatus::kDone;
  }
  frontEnd.WaitIdle();
  for (const std::string& text : failedJobs)
    frontEnd.Output().WriteErrorText("line " + std::to_string(number) + ": " + TerminalText(text) +
                                     "\n");
  ok = ok && failedJobs.empty();
  failedJobs.clear();
  return ok;
}

// Runs every line the source yields, then waits for the jobs and shuts down. A signal
// cancels the jobs and ends the run; so does standard output that cannot be written.
int RunSource(const TerminalOptions& options, bool skipComments, const LineSource& next) {
  SignalWatch::BlockSignals();  // before the engine starts its threads
  TerminalFrontEnd frontEnd(options);
  if (!frontEnd.Start()) return kExitFailure;
  SignalWatch watch([&frontEnd](int) { frontEnd.OnSignal(); }, kSignalBoundMs);
  watch.DeliverHere();
  std::vector<std::string> failedJobs;
  frontEnd.Engine().SetJobRetiredListener([&failedJobs](const RetiredJob& job) {
    if (job.failed) failedJobs.push_back(job.rowText);
  });
  bool allOk = true;
  std::string line;
  for (size_t number = 1;; ++number) {
    if (SignalWatch::Received() != 0 || frontEnd.Output().StdoutError() != 0) break;
    const ReadResult read = next(line);
    if (read == ReadResult::kEnd) break;
    if (read == ReadResult::kLine && skipComments && IsBlankOrComment(line)) continue;
    allOk = RunCountedLine(frontEnd, number, read, line, failedJobs) && allOk;
  }
  frontEnd.WaitIdle();
  // A run ended by a signal leaves an earlier save alone.
  const bool saved = SignalWatch::Received() != 0 || frontEnd.SaveListAtEnd();
  frontEnd.Shutdown();
  frontEnd.Engine().SetJobRetiredListener(nullptr);
  if (const int signo = SignalWatch::Received()) return SignalWatch::ExitStatusFor(signo);
  if (const int error = frontEnd.Output().StdoutError()) {
    std::fprintf(stderr, "vorpex: cannot write standard output: %s\n", std::strerror(error));
    return kExitOutputFailed;
  }
  return allOk && saved ? kExitSuccess : kExitFailure;
}

}  // namespace

int RunBatchFile(const std::string& path, const TerminalOptions& options) {
  FILE* stream = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
  struct stat info {};
  if (stream != nullptr && fstat(fileno(stream), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(stream);
    stream = nullptr;
    errno = EISDIR;
  }
  if (stream == nullptr) {
    std::fprintf(stderr, "vorpex: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
    return kExitUnreadable;
  }
  int result = RunSource(options, true,
                         [stream](std::string& line) { return ReadBoundedLine(stream, line); });
  // A read error ends the run as an unreadable batch whatever the lines before it did; a
  // signal or an unwritable output keeps its own status.
  if (std::ferror(stream) && (result == kExitSuccess || result == kExitFailure)) {
    std::fprintf(stderr, "vorpex: reading %s failed\n", path.c_str());
    result = kExitUnreadable;
  }
  if (stream != stdin) std::fclose(stream);
  return result;
}

int RunBatchLines(const std::vector<std::string>& lines, const TerminalOptions& options) {
  size_t next = 0;
  return RunSource(options, false, [&](std::string& line) {
    if (next >= lines.size()) return ReadResult::kEnd;
    line = lines[next++];
    return ReadResult::kLine;
  });
}

}  // namespace vpx::cli
