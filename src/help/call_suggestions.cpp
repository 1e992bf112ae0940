#include "help/call_suggestions.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "help/func_help.h"
#include "language/func_catalogue.h"

namespace vpx::help {
namespace {

// Signatures shown at most; more are marked with "…".
constexpr size_t kMaxSignatures = 6;
// Edits that still make a name "close": a third of the typed name, at least this many.
constexpr size_t kMinCloseEdits = 1;
constexpr size_t kTypedPerEdit = 3;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The name a line calls: the letters, digits and underscores after leading blanks.
std::string CalledName(const std::string& line) {
  size_t at = line.find_first_not_of(" \t\r\n");
  if (at == std::string::npos) return std::string();
  size_t end = at;
  while (end < line.size() &&
         (std::isalnum(static_cast<unsigned char>(line[end])) != 0 || line[end] == '_'))
    ++end;
  return line.substr(at, end - at);
}

// Edits (insert, delete, replace, swap of neighbours) turning a into b.
size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

// The catalogue rows of the names chosen, in table order.
std::vector<int> RowsNamed(const std::vector<std::string>& lowerNames) {
  std::vector<int> rows;
  const FuncTableRow* table = GetFuncTable();
  for (int row = 0; table[row].name[0] != '\0'; ++row) {
    const std::string name = Lower(table[row].name);
    if (std::find(lowerNames.begin(), lowerNames.end(), name) != lowerNames.end())
      rows.push_back(row);
  }
  return rows;
}

// The distinct names nearest to typed, when near enough.
std::vector<std::string> ClosestNames(const std::string& typed) {
  const size_t limit = std::max(kMinCloseEdits, typed.size() / kTypedPerEdit);
  size_t best = limit + 1;
  std::vector<std::string> names;
  const FuncTableRow* table = GetFuncTable();
  for (int row = 0; table[row].name[0] != '\0'; ++row) {
    const std::string name = Lower(table[row].name);
    const size_t distance = EditDistance(typed, name);
    if (distance > limit) continue;
    if (distance < best) {
      best = distance;
      names.clear();
    }
    if (distance == best && std::find(names.begin(), names.end(), name) == names.end())
      names.push_back(name);
  }
  return names;
}

}  // namespace

std::string UnregisteredCallHint(const std::string& line) {
  const std::string typed = Lower(CalledName(line));
  if (typed.empty()) return std::string();
  std::vector<int> rows = RowsNamed({typed});
  if (rows.empty()) rows = RowsNamed(ClosestNames(typed));
  if (rows.empty()) return std::string();
  std::string hint = "候補: ";
  for (size_t i = 0; i < rows.size() && i < kMaxSignatures; ++i) {
    const std::string signature = RegistrySignature(std::stoi(GetFuncTable()[rows[i]].id));
    if (i > 0) hint += " / ";
    hint += signature.substr(signature.find(' ') + 1);  // without the return type
  }
  if (rows.size() > kMaxSignatures) hint += " / …";
  return hint;
}

}  // namespace vpx::help
