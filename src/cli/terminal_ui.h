// The terminal's side of the host interfaces: standard output carries exactly the console
// lines the engine echoes (in UTF-8, CR LF written as LF), standard error carries message
// boxes, questions and the binary display; the clipboard is kept in the process.
#pragma once

#include <cstdio>
#include <functional>
#include <mutex>
#include <string>

#include "host/ui_host.h"

namespace vpx::cli {

// Shift-JIS to UTF-8 for the terminal; bytes that are not valid Shift-JIS are shown as
// \xNN escapes, so they are visible rather than silently replaced.
std::string TerminalText(const std::string& sjis);

// Control bytes shown as `cat -v` shows them (^[ for ESC, ^G for BEL, ^@ for NUL, ^? for
// DEL), so that text from a file cannot drive the terminal; line feeds and tabs stay.
std::string ShowControlBytes(const std::string& text);

class TerminalOutput {
 public:
  TerminalOutput();
  // A console line (already "　text\r\n") to standard output.
  void WriteConsole(const std::string& sjis);
  // One line to standard error; line breaks inside become blanks.
  void WriteNotice(const std::string& sjis);
  // Lines of UTF-8 text to standard error, as they are.
  void WriteErrorText(const std::string& utf8);
  // UTF-8 text to standard output, as it is (the transcript's input lines).
  void WriteOutputText(const std::string& utf8);
  // The terminal bell on standard error.
  void Bell();
  // Whether text goes to terminals as written (tests); by default only where standard
  // output or error is a terminal are control bytes made visible.
  void SetTerminals(bool stdoutIsTerminal, bool stderrIsTerminal) {
    stdoutTerminal_ = stdoutIsTerminal;
    stderrTerminal_ = stderrIsTerminal;
  }

  // The interactive console: while its prompt is shown, output is wrapped so that it
  // appears above the prompt.
  void SetPromptWrapper(std::function<void(const std::function<void()>&)> wrapper) {
    wrapper_ = std::move(wrapper);
  }
  void SetPromptShown(bool shown) { promptShown_ = shown; }

  // Standard output could not be written (a full disk, a closed pipe): the errno, else 0.
  int StdoutError() const { return stdoutError_; }

 private:
  // Texts that reach a terminal have their control bytes made visible; pipes and files
  // receive them unchanged.
  void Write(FILE* stream, const std::string& utf8);
  void WriteBytes(FILE* stream, const std::string& bytes);
  // Runs put, which writes to stream, then flushes it, recording a failure on standard
  // output; above the prompt while it is shown.
  void WriteWith(FILE* stream, const std::function<bool()>& put);

  std::function<void(const std::function<void()>&)> wrapper_;
  bool promptShown_ = false;
  int stdoutError_ = 0;
  bool stdoutTerminal_ = false;
  bool stderrTerminal_ = false;
};

// The console as the engine sees it: the entered line followed by an empty line.
class TerminalConsole : public IConsole {
 public:
  explicit TerminalConsole(TerminalOutput& out) : out_(out) {}
  int GetLineCount() override { return entered_ ? 2 : 1; }
  std::string GetLine(int n) override { return entered_ && n == 0 ? line_ : std::string(); }
  void AppendOutput(const std::string& text) override { out_.WriteConsole(text); }

  // A line typed and entered (Shift-JIS); Clear() after it was executed.
  void Enter(const std::string& sjisLine) {
    line_ = sjisLine;
    entered_ = true;
  }
  void Clear() {
    line_.clear();
    entered_ = false;
  }

 private:
  TerminalOutput& out_;
  std::string line_;
  bool entered_ = false;
};

class TerminalDialogs : public IDialogs {
 public:
  TerminalDialogs(TerminalOutput& out, bool answerYes) : out_(out), answerYes_(answerYes) {}
  void MessageBox(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  bool ChooseOpenFiles(const std::string& initialDir, bool multiSelect,
                       std::vector<std::string>& paths) override;
  int ChooseFolder(const std::string& title, const std::string& initialPath,
                   std::string& path) override;
  // Lists the items numbered on standard error and asks for a number (terminal_choice.cpp).
  bool ChooseFromList(const std::string& title, const std::vector<std::string>& items,
                      int& index) override;
  void Beep(unsigned frequencyHz, unsigned durationMs) override;

  // The interactive console asks the user (UTF-8 prompt and answer; false on end of
  // input). Without it questions are answered by --yes and dialogs are cancelled.
  std::function<bool(const std::string& prompt, std::string& answer)> asker;
  bool audibleBeep = false;

 private:
  // A path typed in answer to a dialog, Shift-JIS and made absolute from baseDir.
  bool AskPath(const std::string& promptSjis, const std::string& baseDir, std::string& path);

  TerminalOutput& out_;
  bool answerYes_;
};

class ProcessClipboard : public IClipboard {
 public:
  bool SetText(const std::string& text) override;
  bool GetText(std::string& text) override;

 private:
  std::mutex mutex_;
  bool hasText_ = false;
  std::string text_;
};

// Prints the first page of the binary display to standard error.
class TerminalBinaryDisplay : public IBinaryDisplay {
 public:
  explicit TerminalBinaryDisplay(TerminalOutput& out) : out_(out) {}
  int OpenBinaryDisplay(const BinaryDisplayRequest& request) override;

 private:
  TerminalOutput& out_;
};

}  // namespace vpx::cli
