// CMyRegExp: searches a Shift-JIS target text for a keyword with wildcards ("*", "?") and
// character classes ("\d", "\a", ...). Used by the command-line parser with one-character
// keywords and by the keyword listing of registered functions.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vpx {

class CMyRegExp {
 public:
  // Cluster codes: what one piece of the keyword matches.
  enum ClusterCode : uint8_t {
    kLiteral = 0,   // a literal run
    kAnyRun = 1,    // "*": any stretch, possibly empty
    kAnyChar = 2,   // "?": one character, one or two bytes
    kDigit = 3,     // "\d"
    kNonDigit = 4,  // "\D"
    kAlpha = 5,     // "\a"
    kNonAlpha = 6,  // "\A"
    kAlnum = 7,     // "\n"
    kNonAlnum = 8,  // "\N"
  };

  void SetTarget(const std::string& target);
  void SetKeyword(const std::string& keyword);
  const std::string& GetTarget() const { return m_strTarget; }
  const std::string& GetKeyword() const { return m_strKeyword; }

  // First match position at or after start (negative start counts as 0), or -1; the match
  // length is 0 when nothing matched. The variant without start searches from 0.
  int SearchKey(int start, int* pMatchLength);
  int SearchKey(int* pMatchLength) { return SearchKey(0, pMatchLength); }

  // Rebuilds the clusters from the keyword (escape backslashes removed); returns the
  // cluster count. Every search calls it first.
  int SplitKeyCode();
  // Matches all clusters starting at pos: the match start, -1, or -2 without pLength.
  int FindKeyIntarget(int pos, int* pMatchLength);
  // Matches cluster *pClusterIndex at pos and advances the index past what it consumed
  // ("*" consumes every cluster after it). Match start, -1, or -2.
  int CheckKeyInTarget(int pos, int* pClusterIndex, int* pMatchLength);
  // Matches the clusters from firstCluster onward at pos: match start, -1, -2 or -3.
  int FindKeyInTarget(int pos, int firstCluster, int* pMatchLength);
  // Least number of target bytes the clusters from firstCluster on can match.
  int GetMinKeyLength(int firstCluster) const;

  int GetClusterCount() const { return m_iClusterPos; }
  uint8_t GetClusterCode(int i) const { return clusters_.at(i).code; }
  const std::string& GetClusterText(int i) const { return clusters_.at(i).text; }
  int GetClusterPosition(int i) const { return clusters_.at(i).pos; }
  int GetClusterLength(int i) const { return clusters_.at(i).len; }

 private:
  struct Cluster {
    std::string text;
    int32_t pos = 0;
    int32_t len = 0;
    uint8_t code = kLiteral;
  };

  void EnsureSplit();
  void BuildClusters();
  void AddCluster(std::string text, int pos, int len, uint8_t code);
  int Step(int q) const;
  bool IsTwoByteAt(int q) const;
  bool MatchOne(int pos, int idx, int* start, int* end);
  int MatchRest(int pos, int idx);
  int StarEnd(int pos, int starIdx);
  int FindByte(int pos, unsigned char c, bool useTable);
  bool EnsureStarTables();
  const std::vector<int32_t>* NextOccurrenceTable(unsigned char c);
  int MatchFrom(int pos, int firstCluster, int* pMatchLength);

  std::string m_strTarget;
  std::string m_strKeyword;
  int32_t m_iClusterPos = 0;
  std::vector<Cluster> clusters_;
  int32_t targetLen_ = 0;
  int32_t keywordLen_ = 0;
  bool split_ = false;

  // Search helpers, rebuilt with the clusters. For the cluster r after a run of stars,
  // restEnd_[r][q] is the end of the first match of clusters r.. at q or any later
  // character start (-1: none); nextByte_ holds, per byte value, the next occurrence at
  // or after each position. Both keep every search linear in the target length.
  std::vector<std::vector<int32_t>> restEnd_;
  std::vector<std::pair<unsigned char, std::vector<int32_t>>> nextByte_;
  bool starTablesReady_ = false;
};

}  // namespace vpx
