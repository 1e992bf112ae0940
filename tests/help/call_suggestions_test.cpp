// The second line under "未登録な命令です。": the overloads of the name typed (in any case,
// whatever the arguments), else those of the nearest names within a third of the name's
// length in edits, else nothing.
#include "help/call_suggestions.h"

#include <gtest/gtest.h>

namespace {

using vpx::help::UnregisteredCallHint;

const std::string kAddInt =
    "候補: AddInt(INT, INT) / AddInt(INT, UINT) / AddInt(UINT, INT) / AddInt(UINT, UINT)";

TEST(UnregisteredCallHint, AKnownNameInAnyCaseListsItsOverloads) {
  EXPECT_EQ(UnregisteredCallHint("addint(1, 2)"), kAddInt);
  EXPECT_EQ(UnregisteredCallHint("  ADDINT(\"a\", 2)"), kAddInt);
  EXPECT_EQ(UnregisteredCallHint("AddInt(\"a\", \"b\")"), kAddInt);  // wrong argument kinds
  EXPECT_EQ(UnregisteredCallHint("GetFileSize"), "候補: GetFileSize(STRING)");  // no "("
}

TEST(UnregisteredCallHint, ATypoListsTheNearestNamesWithinAThirdOfItsLength) {
  EXPECT_EQ(UnregisteredCallHint("Factorail(5)"), "候補: Factorial(UINT)");  // two swapped
  EXPECT_EQ(UnregisteredCallHint("GetFileSiz(\"a\")"), "候補: GetFileSize(STRING)");
  // Two letters allow one edit: "Ad" is one from Add, "Ax" two.
  EXPECT_EQ(UnregisteredCallHint("Ad(1, 2)"), "候補: Add(FLOAT, FLOAT)");
  EXPECT_EQ(UnregisteredCallHint("Ax(1, 2)"), "");
  // Nine letters allow three edits, not four.
  EXPECT_EQ(UnregisteredCallHint("Fxxxorial(5)"), "候補: Factorial(UINT)");
  EXPECT_EQ(UnregisteredCallHint("Fxxxxrial(5)"), "");
}

TEST(UnregisteredCallHint, ALineWithoutANameOrNothingNearGetsNoHint) {
  EXPECT_EQ(UnregisteredCallHint(""), "");
  EXPECT_EQ(UnregisteredCallHint("   "), "");
  EXPECT_EQ(UnregisteredCallHint("(1, 2)"), "");
  EXPECT_EQ(UnregisteredCallHint("Qwzxv(5)"), "");
}

}  // namespace
