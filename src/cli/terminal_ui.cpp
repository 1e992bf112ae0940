#include "cli/terminal_ui.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <deque>
#include <limits>
#include <string_view>
#include <vector>

#include "files/binary_page.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx::cli {
namespace {

// "\r\n" becomes "\n", in place (the text only shrinks).
void ToLf(std::string& text) {
  size_t kept = text.find("\r\n");
  if (kept == std::string::npos) return;
  for (size_t i = kept; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    text[kept++] = text[i];
  }
  text.resize(kept);
}

inline bool IsControlByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return c != '\n' && c != '\t' && (b < 0x20 || b == 0x7F);
}

// Whether text has a byte ShowControlBytes changes; with crLfAsLf, not counting a CR that
// precedes a LF (ToLf drops it). Read in pieces without an exit inside each, so that a
// million-digit line is scanned at memory speed; a piece with a control byte is read again.
bool HasControlBytes(std::string_view text, bool crLfAsLf = false) {
  constexpr size_t kPiece = 256;
  for (size_t at = 0; at < text.size(); at += kPiece) {
    const size_t end = std::min(text.size(), at + kPiece);
    bool found = false;
    for (size_t i = at; i < end; ++i) found |= IsControlByte(text[i]);
    if (!found) continue;
    if (!crLfAsLf) return true;
    for (size_t i = at; i < end; ++i) {
      const bool crLf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
      if (IsControlByte(text[i]) && !crLf) return true;
    }
  }
  return false;
}

bool PutBytes(FILE* stream, std::string_view bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
}

// Writes text with its CR LFs as LFs (as ToLf changes it).
bool PutWithLf(FILE* stream, std::string_view text) {
  size_t from = 0;
  for (size_t cr = text.find("\r\n"); cr != std::string_view::npos; cr = text.find("\r\n", from)) {
    if (!PutBytes(stream, text.substr(from, cr - from))) return false;
    from = cr + 1;  // the LF starts the next part
  }
  return PutBytes(stream, text.substr(from));
}

std::string OneLine(const std::string& text) {
  std::string out = text;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  for (char& c : out)
    if (c == '\n' || c == '\r') c = ' ';
  return out;
}

}  // namespace

std::string TerminalText(const std::string& sjis) {
  std::string utf8;
  if (SjisToUtf8(sjis, utf8)) return utf8;
  // Character by character, so one bad byte does not lose the whole text.
  std::string out;
  for (size_t i = 0; i < sjis.size();) {
    const size_t step =
        IsSjisLeadByte(static_cast<unsigned char>(sjis[i])) && i + 1 < sjis.size() ? 2 : 1;
    std::string piece;
    if (SjisToUtf8(sjis.substr(i, step), piece)) {
      out += piece;
    } else {
      for (size_t k = i; k < i + step; ++k)
        out += Format("\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(sjis[k])));
    }
    i += step;
  }
  return out;
}

std::string ShowControlBytes(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (!IsControlByte(c)) {
      out += c;
    } else {
      out += '^';
      out += b == 0x7F ? '?' : static_cast<char>(b + 0x40);
    }
  }
  return out;
}

TerminalOutput::TerminalOutput()
    : stdoutTerminal_(isatty(STDOUT_FILENO) != 0), stderrTerminal_(isatty(STDERR_FILENO) != 0) {}

void TerminalOutput::Write(FILE* stream, const std::string& utf8) {
  const bool terminal = stream == stdout ? stdoutTerminal_ : stderrTerminal_;
  // A text without control bytes is written as it is, not copied first.
  if (terminal && HasControlBytes(utf8)) {
    WriteBytes(stream, ShowControlBytes(utf8));
  } else {
    WriteBytes(stream, utf8);
  }
}

void TerminalOutput::Bell() {
  WriteBytes(stderr, "\a");
}

void TerminalOutput::WriteBytes(FILE* stream, const std::string& utf8) {
  WriteWith(stream, [&] { return PutBytes(stream, utf8); });
}

void TerminalOutput::WriteWith(FILE* stream, const std::function<bool()>& put) {
  auto write = [&] {
    errno = 0;
    const bool written = put() && std::fflush(stream) == 0;
    if (!written && stream == stdout && stdoutError_ == 0) stdoutError_ = errno != 0 ? errno : EIO;
  };
  if (promptShown_ && wrapper_) {
    wrapper_(write);
  } else {
    write();
  }
}

// A console line that converts cleanly (and, for a terminal, has no control bytes) is
// written in its pieces: the long ASCII runs (a million digits) straight from the line
// itself, with no UTF-8 copy of the whole line. CR LF never spans two pieces (a run of
// ASCII is always taken whole), so each piece has its CR LFs written as LFs.
void TerminalOutput::WriteConsole(const std::string& sjis) {
  std::deque<std::string> converted;  // keeps its strings in place as it grows
  std::vector<std::string_view> pieces;
  bool plain = SjisToUtf8Pieces(sjis, [&](std::string_view piece, bool ascii) {
    if (!ascii) piece = converted.emplace_back(piece);
    pieces.push_back(piece);
  });
  if (plain && stdoutTerminal_)
    plain = std::none_of(pieces.begin(), pieces.end(),
                         [](std::string_view piece) { return HasControlBytes(piece, true); });
  if (!plain) {
    std::string utf8 = TerminalText(sjis);
    ToLf(utf8);
    Write(stdout, utf8);
    return;
  }
  WriteWith(stdout, [&] {
    return std::all_of(pieces.begin(), pieces.end(),
                       [](std::string_view piece) { return PutWithLf(stdout, piece); });
  });
}

void TerminalOutput::WriteNotice(const std::string& sjis) {
  Write(stderr, OneLine(TerminalText(sjis)) + "\n");
}

void TerminalOutput::WriteErrorText(const std::string& utf8) {
  Write(stderr, utf8);
}

void TerminalOutput::WriteOutputText(const std::string& utf8) {
  Write(stdout, utf8);
}

void TerminalDialogs::MessageBox(const std::string& text) {
  out_.WriteNotice(text);
}

bool TerminalDialogs::AskYesNo(const std::string& text) {
  const std::string question = OneLine(TerminalText(text));
  if (asker) {
    std::string answer;
    if (!asker(question + " (y/N) ", answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes";
  }
  out_.WriteErrorText(question + (answerYes_ ? " (y/N) y\n" : " (y/N) n\n"));
  return answerYes_;
}

bool TerminalDialogs::AskPath(const std::string& promptSjis, const std::string& baseDir,
                              std::string& path) {
  if (!asker) return false;
  std::string answer;
  if (!asker(TerminalText(promptSjis), answer) || answer.empty()) return false;
  std::string sjis;
  if (!Utf8ToSjis(answer, sjis)) {
    out_.WriteNotice(SJ("※　Shift-JIS に変換できない文字を含むパスです。"));
    return false;
  }
  path = sjis[0] == '/' || baseDir.empty() ? sjis : baseDir + "/" + sjis;
  return true;
}

bool TerminalDialogs::ChooseOpenFiles(const std::string& initialDir, bool,
                                      std::vector<std::string>& paths) {
  std::string path;
  if (!AskPath(SJ("ファイル名 (空行で取消): "), initialDir, path)) return false;
  paths.assign(1, path);
  return true;
}

int TerminalDialogs::ChooseFolder(const std::string& title, const std::string& initialPath,
                                  std::string& path) {
  std::string prompt = title;
  prompt += SJ(" (空行で取消): ");
  return AskPath(prompt, initialPath, path) ? 1 : 2;
}

void TerminalDialogs::Beep(unsigned, unsigned) {
  if (audibleBeep) out_.Bell();
}

bool ProcessClipboard::SetText(const std::string& text) {
  std::lock_guard lock(mutex_);
  text_ = text;
  hasText_ = true;
  return true;
}

bool ProcessClipboard::GetText(std::string& text) {
  std::lock_guard lock(mutex_);
  text = hasText_ ? text_ : std::string();
  return hasText_;
}

int TerminalBinaryDisplay::OpenBinaryDisplay(const BinaryDisplayRequest& request) {
  const ByteRange range = request.range.Ordered();
  CBinaryViewModel view;
  if (view.DispFileData(request.fileName, range.first, range.last) == 0) return 0;
  // The first page goes to standard output as console lines, like every other output.
  for (const BinaryLine& line : view.FormatPage())
    out_.WriteConsole(SJ("　") + line.offset + line.hex + line.chars + "\r\n");
  return 1;
}

}  // namespace vpx::cli
