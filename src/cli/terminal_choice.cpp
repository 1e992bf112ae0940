// The terminal's choice of one item of a list: the items numbered from 1 on standard
// error, then a number asked at the prompt. Without an interactive prompt the choice is
// cancelled, so a batch never picks for the user.
#include <string>

#include "cli/terminal_ui.h"
#include "host/sjis.h"

namespace vpx::cli {

bool TerminalDialogs::ChooseFromList(const std::string& title,
                                     const std::vector<std::string>& items, int& index) {
  if (!asker || items.empty()) return false;
  std::string listing = TerminalText(title) + "\n";
  for (size_t i = 0; i < items.size(); ++i)
    listing += "  " + std::to_string(i + 1) + ": " + TerminalText(items[i]) + "\n";
  out_.WriteErrorText(listing);
  std::string answer;
  if (!asker(TerminalText(SJ("番号 (空行で取消): ")), answer) || answer.empty()) return false;
  size_t used = 0;
  long number = 0;
  try {
    number = std::stol(answer, &used);
  } catch (const std::exception&) {
    return false;
  }
  if (used != answer.size() || number < 1 || static_cast<size_t>(number) > items.size())
    return false;
  index = static_cast<int>(number - 1);
  return true;
}

}  // namespace vpx::cli
