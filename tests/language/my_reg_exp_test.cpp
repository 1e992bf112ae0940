#include "language/my_reg_exp.h"

#include <gtest/gtest.h>

#include <string>

#include "host/sjis.h"
#include "host/text_format.h"
#include "language/trace_capture.h"
#include "support/fake_ui.h"

namespace vpx {
namespace {

struct Match {
  int pos;
  int length;
};

Match Search(const std::string& keyword, const std::string& target, int start = 0) {
  CMyRegExp re;
  re.SetTarget(target);
  re.SetKeyword(keyword);
  Match m{0, -7};
  m.pos = re.SearchKey(start, &m.length);
  return m;
}

// "ア" (0x83 0x41): its trail byte is the letter A.
const std::string kKatakanaA = "\x83\x41";
// "表" (0x95 0x5C): its trail byte is a backslash.
const std::string kHyou = "\x95\x5C";

TEST(CMyRegExpLiteral, FindsSingleCharactersFromTheStartPosition) {
  EXPECT_EQ(Search("(", "AddInt(1,2)").pos, 6);
  EXPECT_EQ(Search("(", "AddInt(1,2)", 7).pos, -1);
  EXPECT_EQ(Search(")", "AddInt(1,2)", 7).pos, 10);
  Match m = Search("Int", "AddInt(1,2)");
  EXPECT_EQ(m.pos, 3);
  EXPECT_EQ(m.length, 3);
  EXPECT_EQ(Search("Int", "AddInt(1,2)", 4).length, 0);
}

TEST(CMyRegExpLiteral, NeverMatchesInsideATwoByteCharacter) {
  EXPECT_EQ(Search("A", kKatakanaA + "xA").pos, 3);
  EXPECT_EQ(Search("\\a", kKatakanaA + "1b").pos, 3);
  EXPECT_EQ(Search("\\\\", kHyou + "\\").pos, 2);  // an escaped backslash as literal
}

TEST(CMyRegExpClasses, MatchSingleByteCharactersOfTheirClass) {
  EXPECT_EQ(Search("\\a", "  12ab").pos, 4);
  EXPECT_EQ(Search("\\d", "ab3").pos, 2);
  EXPECT_EQ(Search("\\D", "12x").pos, 2);
  EXPECT_EQ(Search("\\A", "ab1").pos, 2);
  EXPECT_EQ(Search("\\n", "-_z").pos, 2);
  EXPECT_EQ(Search("\\N", "a1-").pos, 2);
  Match m = Search("\\d\\d", "x42");
  EXPECT_EQ(m.pos, 1);
  EXPECT_EQ(m.length, 2);
}

TEST(CMyRegExpClasses, NegatedClassesSkipTwoByteCharactersButTakeSingleBytes) {
  EXPECT_EQ(Search("\\D", kKatakanaA).pos, -1);
  EXPECT_EQ(Search("\\N", kKatakanaA + "\xB1").pos, 2);  // half-width katakana is one byte
}

TEST(CMyRegExpWildcards, QuestionMarkTakesAWholeTwoByteCharacter) {
  Match m = Search("?", kKatakanaA);
  EXPECT_EQ(m.pos, 0);
  EXPECT_EQ(m.length, 2);
  m = Search("a?c", "a" + kKatakanaA + "c");
  EXPECT_EQ(m.pos, 0);
  EXPECT_EQ(m.length, 4);
}

TEST(CMyRegExpWildcards, StarReachesToTheFirstFitOfTheRest) {
  Match m = Search("a*c", "abxc");
  EXPECT_EQ(m.pos, 0);
  EXPECT_EQ(m.length, 4);
  m = Search("*c", "abcxc");
  EXPECT_EQ(m.pos, 0);
  EXPECT_EQ(m.length, 3);
  m = Search("a*b*c", "xxaxxbxxcxx");
  EXPECT_EQ(m.pos, 2);
  EXPECT_EQ(m.length, 7);
  m = Search("*\\d", "ab1c");
  EXPECT_EQ(m.length, 3);
  EXPECT_EQ(Search("a*\\d", "abc").pos, -1);
}

TEST(CMyRegExpWildcards, FinalStarTakesTheRestOfTheTarget) {
  Match m = Search("Add*", "xAddInt");
  EXPECT_EQ(m.pos, 1);
  EXPECT_EQ(m.length, 6);
  m = Search("a**", "ab");
  EXPECT_EQ(m.length, 2);
}

TEST(CMyRegExpWildcards, StarNeverStopsInsideATwoByteCharacter) {
  // After the star only "A" may follow; the A inside ア must not end the star.
  Match m = Search("x*A", "x" + kKatakanaA + "A");
  EXPECT_EQ(m.pos, 0);
  EXPECT_EQ(m.length, 4);
}

TEST(CMyRegExpWildcards, OneByteLiteralAfterAClassMatchesAtItsNextOccurrence) {
  Match m = Search("\\dc", "1abc");
  EXPECT_EQ(m.pos, 0);
  EXPECT_EQ(m.length, 4);
}

TEST(CMyRegExpEscapes, BackslashStarIsALiteralStar) {
  Match m = Search("\\*", "a*b");
  EXPECT_EQ(m.pos, 1);
  EXPECT_EQ(m.length, 1);
  EXPECT_EQ(Search("\\*", "ab").pos, -1);
  EXPECT_EQ(Search("a\\?", "a?").length, 2);
}

TEST(CMyRegExpEscapes, RepeatedSearchesKeepTheKeywordsMeaning) {
  CMyRegExp re;
  re.SetTarget("ab");
  re.SetKeyword("\\*");
  int length = 0;
  EXPECT_EQ(re.SearchKey(0, &length), -1);
  EXPECT_EQ(re.SearchKey(0, &length), -1);  // the escape is not consumed by the first search
  EXPECT_EQ(re.GetKeyword(), "\\*");
}

TEST(CMyRegExpEscapes, TrailingBackslashIsDroppedAndTwoByteBackslashIsNoEscape) {
  EXPECT_EQ(Search("ab\\", "xab").pos, 1);
  Match m = Search(kHyou + "*", "x" + kHyou + "yz");
  EXPECT_EQ(m.pos, 1);
  EXPECT_EQ(m.length, 4);
}

TEST(CMyRegExpSplit, BuildsOneClusterPerCodeAndLiteralRun) {
  CMyRegExp re;
  re.SetTarget("t");
  re.SetKeyword("ab*\\d?x\\N");
  ASSERT_EQ(re.SplitKeyCode(), 6);
  const uint8_t codes[] = {CMyRegExp::kLiteral, CMyRegExp::kAnyRun,  CMyRegExp::kDigit,
                           CMyRegExp::kAnyChar, CMyRegExp::kLiteral, CMyRegExp::kNonAlnum};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(re.GetClusterCode(i), codes[i]) << i;
  EXPECT_EQ(re.GetClusterText(0), "ab");
  EXPECT_EQ(re.GetClusterLength(0), 2);
  EXPECT_EQ(re.GetClusterText(2), "\\d");
  EXPECT_EQ(re.GetClusterPosition(4), 6);
  EXPECT_EQ(re.GetMinKeyLength(0), 6);
  EXPECT_EQ(re.GetMinKeyLength(1), 4);
  re.SetKeyword("plain");
  EXPECT_EQ(re.SplitKeyCode(), 1);
}

TEST(CMyRegExpFailures, EmptyKeywordOrTargetNeverMatchesAndTracesTheLengths) {
  test::TraceCapture trace;
  Match m = Search("", "abc");
  EXPECT_EQ(m.pos, -1);
  EXPECT_EQ(m.length, 0);
  EXPECT_EQ(Search("a", "").pos, -1);
  const std::string format =
      SJ("※　文字列の長さが不正 SplitKeyCode()\n\t被検索文字列長= %d    キーワード長= %d\n");
  EXPECT_TRUE(trace.Contains(Format(format.c_str(), 3, 0)));
  EXPECT_TRUE(trace.Contains(Format(format.c_str(), 0, 1)));
}

TEST(CMyRegExpFailures, BadClusterIndexesAndAbsentOutputsReportTheirCodes) {
  test::TraceCapture trace;
  CMyRegExp re;
  re.SetTarget("abc");
  re.SetKeyword("b");
  int index = 5, length = 0;
  EXPECT_EQ(re.CheckKeyInTarget(0, &index, &length), -2);
  EXPECT_EQ(re.FindKeyInTarget(0, 1, &length), -3);
  EXPECT_EQ(re.FindKeyIntarget(0, nullptr), -2);
  EXPECT_EQ(re.CheckKeyInTarget(0, nullptr, &length), -2);
  EXPECT_EQ(re.FindKeyInTarget(0, 0, nullptr), -2);
  EXPECT_TRUE(trace.Contains(Format(
      SJ("※　引数が異常です。 CheckKeyInTarget()\n\tClusterPos[%d]/m_iClusterPos[%d]\n").c_str(), 5,
      1)));
  EXPECT_TRUE(trace.Contains(Format(SJ("※　キーワードの指定が無効。FindKeyInTarget()\n\tiCheckPos[%"
                                       "d] iClusterPos[%d]/iClusterNum[%d]\n")
                                        .c_str(),
                                    0, 1, 1)));
  EXPECT_TRUE(trace.Contains(SJ("※　引数のポインタが不正です。FindKeyIntarget()\n")));
  EXPECT_TRUE(trace.Contains(SJ("※　引数のポインタが無効です。 CheckKeyInTarget()\n")));
  EXPECT_TRUE(trace.Contains(SJ("※　引数のポインタが無効。 FindKeyInTarget()\n")));
}

TEST(CMyRegExpFailures, UnwritableTraceFileShowsTheMatchersOwnMessageBox) {
  test::FakeUi ui;
  test::TraceCapture restore;
  InitTraceLog("/nonexistent-dir/DataTrace.txt");
  EXPECT_EQ(Search("", "abc").pos, -1);
  auto boxes = ui.dialogs.TakeMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], SJ("トレース用ファイルを開けません。 class CMyRegExp"));
}

TEST(CMyRegExpSteps, CheckKeyInTargetAdvancesTheClusterIndex) {
  CMyRegExp re;
  re.SetTarget("xaby");
  re.SetKeyword("a*y");
  re.SplitKeyCode();
  int index = 0, length = 0;
  EXPECT_EQ(re.CheckKeyInTarget(0, &index, &length), 1);  // one-byte literal looks ahead
  EXPECT_EQ(index, 1);
  EXPECT_EQ(length, 1);
  EXPECT_EQ(re.CheckKeyInTarget(2, &index, &length), 2);  // the star consumes the rest
  EXPECT_EQ(index, 3);
  EXPECT_EQ(length, 2);
  EXPECT_EQ(re.FindKeyInTarget(1, 0, &length), 1);
  EXPECT_EQ(length, 3);
}

TEST(CMyRegExpWildcards, ManyStarsOverALongTargetFinishWithTheFirstFit) {
  std::string target(3000, 'a');
  EXPECT_EQ(Search("*a*a*a*a*a*a*a*a*a*a*b", target).pos, -1);
  target += 'b';
  Match m = Search("a*a*a*a*a*a*a*a*a*a*b", target);
  EXPECT_EQ(m.pos, 0);
  EXPECT_EQ(m.length, 3001);
}

}  // namespace
}  // namespace vpx
