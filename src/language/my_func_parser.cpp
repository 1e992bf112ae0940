#include "language/my_func_parser.h"

#include <algorithm>
#include <climits>
#include <new>

#include "host/out_of_memory.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"
#include "language/func_catalogue.h"

namespace vpx {
namespace {

constexpr char kBlank = ' ';
constexpr unsigned char kBackslash = 0x5C;

bool IsPairAt(std::string_view s, size_t i) {
  return i + 1 < s.size() && IsSjisLeadByte(static_cast<unsigned char>(s[i])) &&
         IsSjisTrailByte(static_cast<unsigned char>(s[i + 1]));
}

uint8_t KindOfNumber(const MyNumeric& value) {
  if (!value.IsInteger()) return kKindFloat;
  return value.IsMinus() ? kKindInt : kKindUInt;
}

}  // namespace

bool CMyFuncParser::IsNameChar(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '~';
}

int CMyFuncParser::CheckAndSetString(const std::string* line) {
  if (line == nullptr) {
    WriteTrace(SJ("※　引数が無効。CheckAndSetString()\n"));
    return 0;
  }
  success_ = 0;
  words_.clear();
  wordLengths_.clear();
  commas_.clear();
  quotes_.clear();
  argList_.clear();
  funcData_.Clear();
  if (line->size() > static_cast<size_t>(INT_MAX / 2)) return 0;
  try {
    line_ = *line;
    isTrail_.assign(line_.size(), 0);
  } catch (const std::bad_alloc&) {
    NoteOutOfMemory();
    WriteTrace(SJ("※　バッファが確保できません。CheckArgCluster()\n"));
    return 0;
  }
  for (size_t i = 0; i < line_.size(); ++i) {
    if (IsPairAt(line_, i)) isTrail_[++i] = 1;
  }
  regExp_.SetTarget(line_);
  if (AnalyseCallText() == 0) return 0;
  funcData_.SetArgTypeStr();
  success_ = 1;
  return 1;
}

int CMyFuncParser::Search(const char* keyword, int start) {
  regExp_.SetKeyword(keyword);
  int length = 0;
  return regExp_.SearchKey(start, &length);
}

int CMyFuncParser::AnalyseCallText() {
  const int firstLetter = Search("\\a", 0);
  CheckDoubleQuotation();
  const int open = FindOpenParenthasis(firstLetter + 1);
  if (open < 0 || (!quotes_.empty() && open > quotes_.front()) || open == 0) return 0;
  if (FindInvalidChar(0, open - 1) >= 0 || !FindRetAndFuncName(open)) return 0;
  const int close = FindCloseParenthasis(open + 1);
  if (close < 0) return 0;
  const int nested = FindOpenParenthasis(open + 1);
  if (nested >= 0 && nested < close) return 0;
  argList_.assign(line_, open + 1, close - open - 1);
  // Arguments before a failing one stay; the registry decides whether a function fits.
  CheckArgGrammar(open + 1, close - 1);
  return 1;
}

// A 0x5C byte that is not the trail byte of a two-byte character.
bool CMyFuncParser::IsBackslashAt(int pos) const {
  return pos >= 0 && static_cast<unsigned char>(line_[pos]) == kBackslash && isTrail_[pos] == 0;
}

int CMyFuncParser::FindDoubleQuotation(int start) {
  for (;;) {
    int pos = Search("\"", start);
    if (pos < 0 || !IsBackslashAt(pos - 1)) return pos;
    start = pos + 1;
  }
}

void CMyFuncParser::CheckDoubleQuotation() {
  for (int pos = FindDoubleQuotation(0); pos > 0; pos = FindDoubleQuotation(pos + 1))
    quotes_.push_back(pos);
}

bool CMyFuncParser::IsInDoubleQuotation(int pos) const {
  auto before = std::lower_bound(quotes_.begin(), quotes_.end(), pos) - quotes_.begin();
  return before % 2 == 1;
}

int CMyFuncParser::FindOutsideQuotes(const char* keyword, int start, bool skipFirstByte) {
  for (;;) {
    int pos = Search(keyword, start);
    if (pos < 0) return -1;
    if (!(skipFirstByte && pos == 0) && !IsInDoubleQuotation(pos)) return pos;
    start = pos + 1;
  }
}

int CMyFuncParser::FindInvalidChar(int start, int end) const {
  if (end < start || start < 0 || end >= static_cast<int>(line_.size())) {
    WriteTrace(SJ("※　引数が無効。FindInvalidChar()\n"));
    return -1;
  }
  for (int i = start; i <= end; ++i) {
    unsigned char c = static_cast<unsigned char>(line_[i]);
    if (c != kBlank && !IsNameChar(c)) return i;
  }
  return -1;
}

bool CMyFuncParser::FindRetAndFuncName(int openPos) {
  if (openPos == 0 || openPos > static_cast<int>(line_.size())) {
    WriteTrace(Format(SJ("※　文字列のサイズと指定サイズが不整合。FindRetAndFuncName()\n\tStrLen=[%"
                         "u], SectorSize=[%u], Str=[ %s ]\n")
                          .c_str(),
                      static_cast<unsigned>(line_.size()), static_cast<unsigned>(openPos),
                      line_.c_str()));
    return false;
  }
  auto skipBlanks = [&](int i) {
    while (i < openPos && line_[i] == kBlank) ++i;
    return i;
  };
  auto wordEnd = [&](int i) {
    while (i < openPos && IsNameChar(static_cast<unsigned char>(line_[i]))) ++i;
    return i;
  };
  try {
    int first = skipBlanks(0);
    int firstEnd = wordEnd(first);
    if (firstEnd == first) return false;
    int second = skipBlanks(firstEnd);
    if (second == openPos) {
      SetFuncName(first, firstEnd - first);
      return true;
    }
    int secondEnd = wordEnd(second);
    if (secondEnd == second) return false;
    SetRetTypeStr(first, firstEnd - first);
    SetFuncName(second, secondEnd - second);
    return skipBlanks(secondEnd) == openPos;  // a third word refuses the line
  } catch (const std::bad_alloc&) {
    NoteOutOfMemory();
    WriteTrace(SJ("※　バッファの確保に失敗。FindRetAndFuncName()\n"));
    return false;
  }
}

void CMyFuncParser::SetRetTypeStr(int start, int length) {
  words_.push_back(line_.substr(start, length));
  wordLengths_.push_back(length);
}

void CMyFuncParser::SetFuncName(int start, int length) {
  words_.push_back(line_.substr(start, length));
  wordLengths_.push_back(length);
  funcData_.SetFuncName(words_.back());
}

bool CMyFuncParser::CheckArgGrammar(int start, int end) {
  if (start > end) {
    WriteTrace(SJ("※　引数が無効。CheckArgGrammar()\n"));
    return false;
  }
  CheckConmaInArg(start, end);
  funcData_.ReserveArguments(commas_.size() + 1);
  int from = start;
  for (int comma : commas_) {
    if (!CheckArgCluster(from, comma - 1)) return false;
    from = comma + 1;
  }
  return CheckArgCluster(from, end);
}

void CMyFuncParser::CheckConmaInArg(int start, int end) {
  if (end < start) {
    WriteTrace(SJ("※　引数が無効。CheckConmaInArg()\n"));
    return;
  }
  // Quotes are visited in step with the scan, so each comma costs constant time.
  auto quote = std::lower_bound(quotes_.begin(), quotes_.end(), start);
  for (int i = start; i <= end; ++i) {
    if (isTrail_[i] != 0) continue;
    while (quote != quotes_.end() && *quote < i) ++quote;
    if (line_[i] == ',' && (quote - quotes_.begin()) % 2 == 0) commas_.push_back(i);
  }
}

bool CMyFuncParser::CheckArgCluster(int start, int end) {
  if (start > end) {
    WriteTrace(SJ("※　引数が無効。CheckArgCluster()\n"));
    return false;
  }
  std::string_view text(line_.data() + start, static_cast<size_t>(end - start + 1));
  try {
    MyNumeric value;
    if (value.SetByString(text.data(), static_cast<int>(text.size())) == NumStatus::kOk) {
      funcData_.AddArgument(std::string(), KindOfNumber(value), value);
      return true;
    }
    int64_t index = GetShortCutNumber(text);
    if (index >= 0) return AddShortCutArgument(index);
    int first = 0, second = 0;
    if (!CheckDblQtNumInArgCluster(start, end, &first, &second) ||
        !CheckDblQtInArgCluster(start, end, first, second))
      return false;
    value.SetZero();
    std::string_view inner(line_.data() + first + 1, static_cast<size_t>(second - first - 1));
    funcData_.AddArgument(ConvEscSeqInArgStr(inner), kKindString, value);
    return true;
  } catch (const std::bad_alloc&) {
    NoteOutOfMemory();
    WriteTrace(SJ("※　バッファが確保できません。CheckArgCluster()\n"));
    return false;
  }
}

bool CMyFuncParser::AddShortCutArgument(int64_t index) {
  if (shortcuts_ == nullptr || index > UINT32_MAX) return false;
  return shortcuts_->AppendShortcutArgument(static_cast<uint32_t>(index), funcData_);
}

bool CMyFuncParser::CheckDblQtNumInArgCluster(int start, int end, int* first, int* second) const {
  auto from = std::lower_bound(quotes_.begin(), quotes_.end(), start);
  auto to = std::upper_bound(from, quotes_.end(), end);
  if (to - from != 2) return false;
  *first = *from;
  *second = *(from + 1);
  return true;
}

bool CMyFuncParser::CheckDblQtInArgCluster(int start, int end, int first, int second) const {
  for (int i = start; i < first; ++i)
    if (line_[i] != kBlank) return false;
  for (int i = second + 1; i <= end; ++i)
    if (line_[i] != kBlank) return false;
  return true;
}

// Every backslash-quote pair becomes a quote; other backslashes stay. Two-byte characters
// are copied whole, so a trail byte 0x5C is never taken for a backslash.
std::string CMyFuncParser::ConvEscSeqInArgStr(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsPairAt(text, i)) {
      out.append(text.substr(i, 2));
      ++i;
    } else if (static_cast<unsigned char>(text[i]) == kBackslash && i + 1 < text.size() &&
               text[i + 1] == '"') {
      out += '"';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

int64_t CMyFuncParser::GetShortCutNumber(std::string_view text) {
  if (text.size() < 2) return -1;
  for (size_t i = 0; i + 1 < text.size(); ++i)
    if (IsPairAt(text, i)) return -1;
  bool dollar = false;
  int64_t index = 0;
  for (char c : text) {
    if (c == kBlank) continue;
    if (!dollar) {
      if (c != '$') return -1;
      dollar = true;
    } else if (c >= '0' && c <= '9') {
      // Saturates: an index this large names no entry.
      index = std::min<int64_t>(index * 10 + (c - '0'), INT64_C(0x100000000));
    } else {
      return -1;
    }
  }
  return dollar ? index : -1;
}

}  // namespace vpx
