// The terminal's host interfaces in batch mode: message boxes and questions on standard
// error, dialogs cancelled, console lines on standard output with CR LF as LF.
#include "cli/terminal_ui.h"

#include <gtest/gtest.h>

#include "host/sjis.h"

namespace vpx::cli {
namespace {

std::string Sjis(const std::string& utf8) {
  std::string out;
  EXPECT_TRUE(Utf8ToSjis(utf8, out));
  return out;
}

TEST(TerminalHost, MessageBoxIsOneLineOnStandardError) {
  TerminalOutput out;
  TerminalDialogs dialogs(out, false);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  dialogs.MessageBox(Sjis("※　一行目\r\n二行目\n"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "※　一行目  二行目\n");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(TerminalHost, QuestionsAreAnsweredByTheYesOption) {
  TerminalOutput out;
  TerminalDialogs no(out, false);
  TerminalDialogs yes(out, true);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(no.AskYesNo(Sjis("上書きしますか？")));
  EXPECT_TRUE(yes.AskYesNo(Sjis("上書きしますか？")));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "上書きしますか？ (y/N) n\n上書きしますか？ (y/N) y\n");
}

TEST(TerminalHost, DialogsAreCancelledInBatchMode) {
  TerminalOutput out;
  TerminalDialogs dialogs(out, true);
  std::vector<std::string> paths;
  std::string folder;
  EXPECT_FALSE(dialogs.ChooseOpenFiles("/tmp", false, paths));
  EXPECT_EQ(dialogs.ChooseFolder("title", "/tmp", folder), 2);
  int index = -1;
  EXPECT_FALSE(dialogs.ChooseFromList("title", {"/", "/home"}, index));
}

TEST(TerminalHost, ListChoiceTakesANumberFromOneAndCancelsOnAnythingElse) {
  TerminalOutput out;
  TerminalDialogs dialogs(out, false);
  std::string answer;
  std::string prompt;
  dialogs.asker = [&](const std::string& shown, std::string& typed) {
    prompt = shown;
    typed = answer;
    return true;
  };
  int index = -1;
  testing::internal::CaptureStderr();
  answer = "2";
  EXPECT_TRUE(dialogs.ChooseFromList(Sjis("選択"), {"/", "/home"}, index));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "選択\n  1: /\n  2: /home\n");
  EXPECT_EQ(prompt, "番号 (空行で取消): ");
  for (const char* typed : {"", "0", "3", "1x", "-1"}) {
    answer = typed;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(dialogs.ChooseFromList("t", {"/", "/home"}, index)) << typed;
    testing::internal::GetCapturedStderr();
  }
}

TEST(TerminalHost, ConsoleLinesUseLineFeedsOnly) {
  TerminalOutput out;
  TerminalConsole console(out);
  testing::internal::CaptureStdout();
  console.AppendOutput(Sjis("　結果\r\n"));
  console.AppendOutput(Sjis("　a\nb\r\n"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "　結果\n　a\nb\n");
}

TEST(TerminalHost, ControlBytesReachATerminalVisiblyAndAPipeAsTheyAre) {
  EXPECT_EQ(ShowControlBytes(std::string("a\0b\x1b\x07\r\n\t\x1f\x7f\x80 ~", 13)),
            "a^@b^[^G^M\n\t^_^?\x80 ~");
  TerminalOutput out;
  TerminalConsole console(out);
  TerminalDialogs dialogs(out, false);
  dialogs.audibleBeep = true;
  out.SetTerminals(true, true);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  console.AppendOutput(
      "\x81\x40"
      "a\x1b[31mb\r\n");
  dialogs.MessageBox("x\x07y");
  dialogs.Beep(440, 100);  // the bell itself still rings
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "　a^[[31mb\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "x^Gy\n\a");
  out.SetTerminals(false, false);
  testing::internal::CaptureStdout();
  console.AppendOutput("a\x1b[31mb\r\n");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "a\x1b[31mb\n");
}

// A line with long ASCII runs (a long value) is written from its pieces: its line ends,
// control bytes and bad bytes must come out as a short line's do.
TEST(TerminalHost, LongConsoleLinesComeOutAsShortOnesDo) {
  const std::string digits(100, '5');
  TerminalOutput out;
  TerminalConsole console(out);
  for (bool terminal : {false, true}) {
    out.SetTerminals(terminal, terminal);
    testing::internal::CaptureStdout();
    console.AppendOutput(Sjis("　") + digits + Sjis("ソ") + digits + "\r\n");
    console.AppendOutput(digits + "\r\r\n" + digits + "\ra\r\n");
    console.AppendOutput(digits + "\x80\r\n");
    const std::string cr = terminal ? "^M" : "\r";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "　" + digits + "ソ" + digits + "\n" +
                                                          digits + cr + "\n" + digits + cr + "a\n" +
                                                          digits + "\\x80\n")
        << terminal;
  }
}

TEST(TerminalHost, UnconvertibleBytesAreShownAsVisibleEscapes) {
  EXPECT_EQ(TerminalText(std::string("ab\x81", 3)), "ab\\x81");
  EXPECT_EQ(TerminalText(Sjis("漢") + "\x85\x40" + "x"), "漢\\x85\\x40x");
}

TEST(TerminalHost, ClipboardIsKeptInTheProcess) {
  ProcessClipboard clipboard;
  std::string text = "stale";
  EXPECT_FALSE(clipboard.GetText(text));
  EXPECT_EQ(text, "");
  EXPECT_TRUE(clipboard.SetText("kept"));
  EXPECT_TRUE(clipboard.GetText(text));
  EXPECT_EQ(text, "kept");
}

}  // namespace
}  // namespace vpx::cli
