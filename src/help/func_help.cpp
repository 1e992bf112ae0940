#include "help/func_help.h"

#include <algorithm>
#include <cctype>

#include "language/func_catalogue.h"

namespace vpx::help {
namespace {

char Lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

bool ContainsNoCase(const std::string& text, const std::string& part) {
  auto it = std::search(text.begin(), text.end(), part.begin(), part.end(),
                        [](char x, char y) { return Lower(x) == Lower(y); });
  return it != text.end();
}

// "*" any run, "?" one character; the whole name must match.
bool GlobNoCase(const char* pattern, const char* name) {
  for (; *pattern != '\0'; ++pattern, ++name) {
    if (*pattern == '*') {
      for (const char* rest = name;; ++rest) {
        if (GlobNoCase(pattern + 1, rest)) return true;
        if (*rest == '\0') return false;
      }
    }
    if (*name == '\0' || (*pattern != '?' && Lower(*pattern) != Lower(*name))) return false;
  }
  return *name == '\0';
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

}  // namespace

std::vector<const FuncHelpEntry*> FindHelpEntries(const std::string& rawPattern) {
  const std::string pattern = Trimmed(rawPattern);
  std::vector<const FuncHelpEntry*> found;
  if (pattern.empty()) return found;
  const bool wildcard = pattern.find_first_of("*?") != std::string::npos;
  for (const FuncHelpEntry& entry : FuncHelpEntries()) {
    if (wildcard ? GlobNoCase(pattern.c_str(), entry.name) : EqualNoCase(pattern, entry.name))
      found.push_back(&entry);
  }
  if (!found.empty() || wildcard) return found;
  for (const FuncHelpEntry& entry : FuncHelpEntries())
    if (ContainsNoCase(entry.name, pattern)) found.push_back(&entry);
  return found;
}

std::string HelpTextFor(const std::string& pattern) {
  const std::vector<const FuncHelpEntry*> found = FindHelpEntries(pattern);
  if (found.empty()) return "「" + Trimmed(pattern) + "」に当てはまる関数はありません。\n";
  std::string text;
  for (const FuncHelpEntry* entry : found) {
    if (!text.empty()) text += "\n";
    text += entry->helpText;
  }
  return text;
}

std::vector<std::string> CompleteFunctionName(const std::string& prefix) {
  std::vector<std::string> names;
  const FuncTableRow* table = GetFuncTable();
  for (int i = 0; i < GetFuncTableRowCount(); ++i) {
    const std::string name = table[i].name;
    if (name.compare(0, prefix.size(), prefix) == 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

std::vector<std::string> SignatureHint(const std::string& line) {
  int depth = 0;
  bool quoted = false;
  size_t open = std::string::npos;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (quoted) continue;
    if (line[i] == '(') {
      if (depth++ == 0) open = i;
    } else if (line[i] == ')' && depth > 0 && --depth == 0) {
      open = std::string::npos;
    }
  }
  std::vector<std::string> signatures;
  if (open == std::string::npos) return signatures;
  size_t end = open;
  while (end > 0 && line[end - 1] == ' ') --end;
  size_t begin = end;
  while (begin > 0 && IsNameChar(line[begin - 1])) --begin;
  const std::string name = line.substr(begin, end - begin);
  const FuncTableRow* table = GetFuncTable();
  for (int i = 0; i < GetFuncTableRowCount(); ++i)
    if (name == table[i].name) signatures.push_back(RegistrySignature(std::stoi(table[i].id)));
  return signatures;
}

}  // namespace vpx::help
