#include "language/my_reg_exp.h"

#include <algorithm>
#include <climits>
#include <new>

#include "host/out_of_memory.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"
#include "host/ui_host.h"

namespace vpx {
namespace {

// The matcher's own trace writer: it shows its own message box when the file cannot be
// opened.
void RegExpTrace(const std::string& text) {
  if (!TryWriteTrace(text)) HostMessageBox(SJ("トレース用ファイルを開けません。 class CMyRegExp"));
}

bool IsAsciiDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}
bool IsAsciiLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool ClassAccepts(uint8_t code, unsigned char c) {
  switch (code) {
    case CMyRegExp::kDigit:
      return IsAsciiDigit(c);
    case CMyRegExp::kNonDigit:
      return !IsAsciiDigit(c);
    case CMyRegExp::kAlpha:
      return IsAsciiLetter(c);
    case CMyRegExp::kNonAlpha:
      return !IsAsciiLetter(c);
    case CMyRegExp::kAlnum:
      return IsAsciiLetter(c) || IsAsciiDigit(c);
    case CMyRegExp::kNonAlnum:
      return !IsAsciiLetter(c) && !IsAsciiDigit(c);
    default:
      return false;
  }
}

// Class code of the letter after a backslash, 0 when the pair is an escape.
uint8_t ClassCodeOf(char c) {
  switch (c) {
    case 'd':
      return CMyRegExp::kDigit;
    case 'D':
      return CMyRegExp::kNonDigit;
    case 'a':
      return CMyRegExp::kAlpha;
    case 'A':
      return CMyRegExp::kNonAlpha;
    case 'n':
      return CMyRegExp::kAlnum;
    case 'N':
      return CMyRegExp::kNonAlnum;
    default:
      return 0;
  }
}

bool IsPairAt(const std::string& s, size_t i) {
  return i + 1 < s.size() && IsSjisLeadByte(static_cast<unsigned char>(s[i])) &&
         IsSjisTrailByte(static_cast<unsigned char>(s[i + 1]));
}

}  // namespace

void CMyRegExp::SetTarget(const std::string& target) {
  m_strTarget = target;
  split_ = false;
}

void CMyRegExp::SetKeyword(const std::string& keyword) {
  m_strKeyword = keyword;
  split_ = false;
}

void CMyRegExp::EnsureSplit() {
  if (!split_) SplitKeyCode();
}

void CMyRegExp::AddCluster(std::string text, int pos, int len, uint8_t code) {
  Cluster c;
  c.text = std::move(text);
  c.pos = pos;
  c.len = len;
  c.code = code;
  clusters_.push_back(std::move(c));
  m_iClusterPos = static_cast<int32_t>(clusters_.size());
}

int CMyRegExp::SplitKeyCode() {
  split_ = true;
  clusters_.clear();
  m_iClusterPos = 0;
  restEnd_.clear();
  nextByte_.clear();
  starTablesReady_ = false;
  targetLen_ = static_cast<int32_t>(std::min<size_t>(m_strTarget.size(), INT_MAX / 2));
  keywordLen_ = static_cast<int32_t>(std::min<size_t>(m_strKeyword.size(), INT_MAX / 2));
  if (targetLen_ == 0 || keywordLen_ == 0 ||
      static_cast<size_t>(targetLen_) != m_strTarget.size()) {
    RegExpTrace(Format(
        SJ("※　文字列の長さが不正 SplitKeyCode()\n\t被検索文字列長= %d    キーワード長= %d\n")
            .c_str(),
        targetLen_, keywordLen_));
    targetLen_ = 0;
    return 0;
  }
  try {
    BuildClusters();
  } catch (const std::bad_alloc&) {
    NoteOutOfMemory();
    RegExpTrace(SJ("※　CMemoryExceptionError At SplitKeyCode()\n"));
  }
  return m_iClusterPos;
}

// Walks the keyword, a two-byte character as a unit. Cluster positions count in the keyword
// without its escape backslashes.
void CMyRegExp::BuildClusters() {
  const std::string& key = m_strKeyword;
  int plainLength = 0;
  std::string literal;
  int literalPos = 0;
  auto flush = [&] {
    if (literal.empty()) return;
    int len = static_cast<int>(literal.size());
    AddCluster(std::move(literal), literalPos, len, kLiteral);
    literal.clear();
  };
  auto takeChar = [&](size_t i) {  // appends the character at i to the literal run
    size_t n = IsPairAt(key, i) ? 2 : 1;
    if (literal.empty()) literalPos = plainLength;
    literal.append(key, i, n);
    plainLength += static_cast<int>(n);
    return i + n;
  };
  size_t i = 0;
  while (i < key.size()) {
    const char c = key[i];
    if (IsPairAt(key, i) || (c != '*' && c != '?' && c != '\\')) {
      i = takeChar(i);
    } else if (c != '\\') {
      flush();
      AddCluster(std::string(1, c), plainLength++, 1, c == '*' ? kAnyRun : kAnyChar);
      ++i;
    } else if (i + 1 == key.size()) {
      break;  // a final backslash is dropped
    } else if (uint8_t code = ClassCodeOf(key[i + 1]); code != 0) {
      flush();
      AddCluster(key.substr(i, 2), plainLength, 1, code);
      plainLength += 2;
      i += 2;
    } else {
      i = takeChar(i + 1);  // escape: the backslash goes, the character stays literal
    }
  }
  flush();
}

int CMyRegExp::GetMinKeyLength(int firstCluster) const {
  int64_t sum = 0;
  for (int i = firstCluster < 0 ? 0 : firstCluster; i < m_iClusterPos; ++i) {
    const Cluster& c = clusters_[i];
    if (c.code == kLiteral)
      sum += c.len;
    else if (c.code != kAnyRun)
      sum += 1;
  }
  return static_cast<int>(std::min<int64_t>(sum, INT_MAX));
}

bool CMyRegExp::IsTwoByteAt(int q) const {
  return q + 1 < targetLen_ && IsSjisLeadByte(static_cast<unsigned char>(m_strTarget[q])) &&
         IsSjisTrailByte(static_cast<unsigned char>(m_strTarget[q + 1]));
}

int CMyRegExp::Step(int q) const {
  return IsTwoByteAt(q) ? q + 2 : q + 1;
}

const std::vector<int32_t>* CMyRegExp::NextOccurrenceTable(unsigned char c) {
  for (const auto& entry : nextByte_)
    if (entry.first == c) return &entry.second;
  try {
    std::vector<int32_t> next(static_cast<size_t>(targetLen_) + 1, -1);
    for (int q = targetLen_ - 1; q >= 0; --q) {
      int after = Step(q);
      next[q] = static_cast<unsigned char>(m_strTarget[q]) == c
                    ? q
                    : (after <= targetLen_ ? next[after] : -1);
    }
    nextByte_.emplace_back(c, std::move(next));
    return &nextByte_.back().second;
  } catch (const std::bad_alloc&) {
    NoteOutOfMemory();
    RegExpTrace(SJ("※　CMemoryExceptionError At SearchKey()\n"));
    return nullptr;
  }
}

// Next position at or after pos holding byte c, stepping over two-byte characters.
int CMyRegExp::FindByte(int pos, unsigned char c, bool useTable) {
  if (useTable) {
    const std::vector<int32_t>* next = NextOccurrenceTable(c);
    if (next != nullptr) return (*next)[pos];
  }
  for (int q = pos; q < targetLen_; q = Step(q))
    if (static_cast<unsigned char>(m_strTarget[q]) == c) return q;
  return -1;
}

// One cluster other than "*" at pos (< target length).
bool CMyRegExp::MatchOne(int pos, int idx, int* start, int* end) {
  const Cluster& c = clusters_[idx];
  if (c.code == kLiteral) {
    if (c.len == 1) {
      // Later clusters look the byte up in a table, so a rescan never repeats.
      int at = FindByte(pos, static_cast<unsigned char>(c.text[0]), idx > 0);
      if (at < 0) return false;
      *start = at;
      *end = at + 1;
      return true;
    }
    if (c.len > targetLen_ - pos || m_strTarget.compare(pos, c.len, c.text) != 0) return false;
    *start = pos;
    *end = pos + c.len;
    return true;
  }
  *start = pos;
  if (c.code == kAnyChar) {
    *end = Step(pos);
    return true;
  }
  if (IsTwoByteAt(pos) || !ClassAccepts(c.code, static_cast<unsigned char>(m_strTarget[pos])))
    return false;
  *end = pos + 1;
  return true;
}

// End of the match of clusters idx.. at pos, or -1.
int CMyRegExp::MatchRest(int pos, int idx) {
  while (idx < m_iClusterPos) {
    if (clusters_[idx].code == kAnyRun) return StarEnd(pos, idx);
    if (pos >= targetLen_) return -1;
    int start = 0, end = 0;
    if (!MatchOne(pos, idx, &start, &end)) return -1;
    pos = end;
    ++idx;
  }
  return pos;
}

// End of the match of the "*" at starIdx together with every cluster after it.
int CMyRegExp::StarEnd(int pos, int starIdx) {
  int rest = starIdx;
  while (rest < m_iClusterPos && clusters_[rest].code == kAnyRun) ++rest;
  if (rest == m_iClusterPos) return targetLen_;  // a final star takes the rest
  if (pos >= targetLen_ || !EnsureStarTables()) return -1;
  const std::vector<int32_t>& ends = restEnd_[rest];
  return static_cast<size_t>(pos) < ends.size() ? ends[pos] : -1;
}

// Fills restEnd_ for every cluster that follows a run of stars, last one first, so that
// each table only reads tables already built.
bool CMyRegExp::EnsureStarTables() {
  if (starTablesReady_) return true;
  try {
    restEnd_.assign(static_cast<size_t>(m_iClusterPos), {});
    starTablesReady_ = true;  // tables of later clusters are read while earlier ones are built
    for (int r = m_iClusterPos - 1; r >= 1; --r) {
      if (clusters_[r].code == kAnyRun || clusters_[r - 1].code != kAnyRun) continue;
      std::vector<int32_t> ends(static_cast<size_t>(targetLen_) + 1, -1);
      const int last = targetLen_ - GetMinKeyLength(r);
      for (int q = targetLen_ - 1; q >= 0; --q) {
        int end = q <= last ? MatchRest(q, r) : -1;
        int after = Step(q);
        ends[q] = end >= 0 ? end : (after <= targetLen_ ? ends[after] : -1);
      }
      restEnd_[r] = std::move(ends);
    }
    return true;
  } catch (const std::bad_alloc&) {
    NoteOutOfMemory();
    restEnd_.clear();
    starTablesReady_ = false;
    RegExpTrace(SJ("※　CMemoryExceptionError At SearchKey()\n"));
    return false;
  }
}

int CMyRegExp::CheckKeyInTarget(int pos, int* pClusterIndex, int* pMatchLength) {
  if (pClusterIndex == nullptr || pMatchLength == nullptr) {
    RegExpTrace(SJ("※　引数のポインタが無効です。 CheckKeyInTarget()\n"));
    return -2;
  }
  EnsureSplit();
  *pMatchLength = 0;
  const int idx = *pClusterIndex;
  if (idx < 0 || idx >= m_iClusterPos) {
    RegExpTrace(Format(
        SJ("※　引数が異常です。 CheckKeyInTarget()\n\tClusterPos[%d]/m_iClusterPos[%d]\n").c_str(),
        idx, m_iClusterPos));
    return -2;
  }
  if (pos < 0 || pos > targetLen_) return -1;
  if (clusters_[idx].code == kAnyRun) {
    int end = StarEnd(pos, idx);
    if (end < 0) return -1;
    *pMatchLength = end - pos;
    *pClusterIndex = m_iClusterPos;
    return pos;
  }
  int start = 0, end = 0;
  if (pos >= targetLen_ || !MatchOne(pos, idx, &start, &end)) return -1;
  *pMatchLength = end - start;
  *pClusterIndex = idx + 1;
  return start;
}

int CMyRegExp::MatchFrom(int pos, int firstCluster, int* pMatchLength) {
  int idx = firstCluster;
  int length = 0;
  int start = CheckKeyInTarget(pos, &idx, &length);
  if (start < 0) return start;
  int end = MatchRest(start + length, idx);
  if (end < 0) return -1;
  *pMatchLength = end - start;
  return start;
}

int CMyRegExp::FindKeyIntarget(int pos, int* pMatchLength) {
  if (pMatchLength == nullptr) {
    RegExpTrace(SJ("※　引数のポインタが不正です。FindKeyIntarget()\n"));
    return -2;
  }
  *pMatchLength = 0;
  EnsureSplit();
  if (m_iClusterPos == 0) return -1;
  return MatchFrom(pos, 0, pMatchLength);
}

int CMyRegExp::FindKeyInTarget(int pos, int firstCluster, int* pMatchLength) {
  if (pMatchLength == nullptr) {
    RegExpTrace(SJ("※　引数のポインタが無効。 FindKeyInTarget()\n"));
    return -2;
  }
  *pMatchLength = 0;
  EnsureSplit();
  if (firstCluster < 0 || firstCluster >= m_iClusterPos) {
    RegExpTrace(Format(SJ("※　キーワードの指定が無効。FindKeyInTarget()\n\tiCheckPos[%d] "
                          "iClusterPos[%d]/iClusterNum[%d]\n")
                           .c_str(),
                       pos, firstCluster, m_iClusterPos));
    return -3;
  }
  return MatchFrom(pos, firstCluster, pMatchLength);
}

int CMyRegExp::SearchKey(int start, int* pMatchLength) {
  if (pMatchLength == nullptr) return FindKeyIntarget(start, pMatchLength);
  *pMatchLength = 0;
  SplitKeyCode();
  if (m_iClusterPos == 0) return -1;
  const int last = targetLen_ - GetMinKeyLength(0);
  const bool leadsWithByte = clusters_[0].code == kLiteral && clusters_[0].len == 1;
  // Positions advance by whole characters, so no match starts inside a two-byte character.
  for (int p = start < 0 ? 0 : start; p <= last;) {
    int at = FindKeyIntarget(p, pMatchLength);
    if (at >= 0) return at;
    if (!leadsWithByte) {
      p = Step(p);
      continue;
    }
    // Every position up to the next occurrence of the leading byte would find that same
    // occurrence again: continue after it, or stop when there is none.
    int next = FindByte(p, static_cast<unsigned char>(clusters_[0].text[0]), false);
    if (next < 0) break;
    p = Step(next);
  }
  *pMatchLength = 0;
  return -1;
}

}  // namespace vpx
