#include "cli/console_help.h"

// clang-format off
#include <cstdio>
#include <editline/readline.h>
// clang-format on

#include <cstdlib>
#include <cstring>
#include <vector>

#include "help/func_help.h"

namespace vpx::cli {
namespace {

// Characters that end a word for completion: a name starts after any of them.
constexpr const char* kWordBreaks = " \t\n\"$,()";

TerminalOutput* g_hintOutput = nullptr;
std::vector<std::string> g_matches;

char* NextMatch(const char* text, int state) {
  static size_t next = 0;
  if (state == 0) {
    g_matches = help::CompleteFunctionName(text);
    next = 0;
  }
  if (next >= g_matches.size()) return nullptr;
  return strdup(g_matches[next++].c_str());
}

char** Complete(const char* text, int, int end) {
  const std::string typed(rl_line_buffer, static_cast<size_t>(end));
  const std::vector<std::string> hints = help::SignatureHint(typed);
  if (!hints.empty() && g_hintOutput != nullptr) {
    std::string lines;
    for (const std::string& hint : hints) lines += "  " + hint + "\n";
    g_hintOutput->WriteOutputText(lines);
    rl_attempted_completion_over = 1;
    return nullptr;
  }
  rl_attempted_completion_over = 1;      // never fall back to file names
  rl_completion_append_character = '(';  // a unique name is a call about to be typed
  return rl_completion_matches(text, NextMatch);
}

}  // namespace

bool IsHelpLine(const std::string& line) {
  const size_t first = line.find_first_not_of(" \t");
  return first != std::string::npos && line[first] == '?';
}

bool HelpLineText(const std::string& line, std::string& text) {
  const std::string pattern = line.substr(line.find('?') + 1);
  if (pattern.find_first_not_of(" \t") == std::string::npos) {
    text = HelpFunctionsText("");
    return true;
  }
  text = help::HelpTextFor(pattern);
  return !help::FindHelpEntries(pattern).empty();
}

std::string HelpFunctionsText(const std::string& pattern) {
  if (!pattern.empty()) return help::HelpTextFor(pattern);
  std::string text;
  const char* family = "";
  for (const help::FuncHelpEntry& entry : help::FuncHelpEntries()) {
    if (std::strcmp(family, entry.family) != 0) {
      family = entry.family;
      text += std::string(text.empty() ? "" : "\n") + "■ " + family + "\n";
    }
    char name[40];
    std::snprintf(name, sizeof name, "  %-30s", entry.name);
    text += name + std::string(entry.summary) + "\n";
  }
  return text +
         "\n詳しくは ?名前（コンソール）または vorpex --help-functions 名前 で表示します。\n";
}

int PrintHelpFunctions(const std::string& pattern) {
  std::fputs(HelpFunctionsText(pattern).c_str(), stdout);
  return pattern.empty() || !help::FindHelpEntries(pattern).empty() ? 0 : 1;
}

void InstallCompletion(TerminalOutput& output) {
  g_hintOutput = &output;
  rl_basic_word_break_characters = const_cast<char*>(kWordBreaks);
  rl_attempted_completion_function = Complete;
}

}  // namespace vpx::cli
