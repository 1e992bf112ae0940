// The compiled reference: lookup by name and pattern, name completion and the signature
// hint, and that every catalogue name has exactly one entry.
#include "help/func_help.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "engine/handler_table.h"
#include "language/func_catalogue.h"

namespace {

using vpx::help::CompleteFunctionName;
using vpx::help::FindHelpEntries;
using vpx::help::SignatureHint;
using Names = std::vector<std::string>;

Names NamesOf(const std::vector<const vpx::help::FuncHelpEntry*>& entries) {
  Names names;
  for (const auto* entry : entries) names.push_back(entry->name);
  return names;
}

TEST(FuncHelpReference, EveryCatalogueNameHasExactlyOneEntry) {
  std::set<std::string> catalogue;
  for (int i = 0; i < vpx::GetFuncTableRowCount(); ++i)
    catalogue.insert(vpx::GetFuncTable()[i].name);
  std::multiset<std::string> described;
  for (const auto& entry : vpx::help::FuncHelpEntries()) described.insert(entry.name);
  EXPECT_EQ(described.size(), catalogue.size());
  for (const std::string& name : catalogue) EXPECT_EQ(described.count(name), 1u) << name;
}

TEST(FuncHelpReference, WorkingFunctionsHaveExamplesAndPendingOnesHaveNone) {
  for (const auto& entry : vpx::help::FuncHelpEntries()) {
    if (entry.pending) {
      EXPECT_TRUE(entry.examples.empty()) << entry.name;
    } else {
      EXPECT_FALSE(entry.examples.empty()) << entry.name;
    }
  }
}

// An entry may be marked pending while its description is written (the function works and
// the dispatch coverage test holds it to a handler). Every entry is written now, so a
// pending mark left behind or put on a new function fails here.
TEST(FuncHelpReference, NoEntryIsStillBeingWritten) {
  std::set<std::string> pending;
  for (const auto& entry : vpx::help::FuncHelpEntries())
    if (entry.pending) pending.insert(entry.name);
  EXPECT_EQ(pending, std::set<std::string>{});
}

TEST(FuncHelpLookup, ExactNameIgnoresCaseAndWinsOverPartialMatches) {
  EXPECT_EQ(NamesOf(FindHelpEntries("addint")), Names{"AddInt"});
  // "DumpFile" is also part of "DumpFileR"; the exact name alone is meant.
  EXPECT_EQ(NamesOf(FindHelpEntries(" DumpFile ")), Names{"DumpFile"});
}

TEST(FuncHelpLookup, PartOfANameFindsEveryNameContainingIt) {
  EXPECT_EQ(NamesOf(FindHelpEntries("copy")), (Names{"CopyList", "CopyFileSect", "CopyFileSectR"}));
}

TEST(FuncHelpLookup, WildcardsMustMatchTheWholeName) {
  EXPECT_EQ(NamesOf(FindHelpEntries("*crc")), (Names{"MakeFileCRC", "CheckFileCRC"}));
  EXPECT_EQ(NamesOf(FindHelpEntries("GetDrive?ize")), Names{"GetDriveSize"});
  EXPECT_TRUE(FindHelpEntries("CRC?").empty());
}

TEST(FuncHelpLookup, NothingFoundGivesANoticeInsteadOfText) {
  EXPECT_TRUE(FindHelpEntries("NoSuchFunction").empty());
  EXPECT_TRUE(FindHelpEntries("").empty());
  EXPECT_EQ(vpx::help::HelpTextFor("NoSuch"), "「NoSuch」に当てはまる関数はありません。\n");
  EXPECT_EQ(vpx::help::HelpTextFor("AddInt").rfind("AddInt：", 0), 0u);
}

TEST(FuncHelpCompletion, CopyCompletesToTheThreeCopyFunctions) {
  EXPECT_EQ(CompleteFunctionName("Copy"), (Names{"CopyFileSect", "CopyFileSectR", "CopyList"}));
  // Overloads appear once.
  EXPECT_EQ(CompleteFunctionName("AddI"),
            (Names{"AddInt", "AddIntToFile", "AddIntToFileBE", "AddIntToList"}));
}

TEST(FuncHelpCompletion, UnknownPrefixOrWrongCaseCompletesNothing) {
  EXPECT_TRUE(CompleteFunctionName("Xyz").empty());
  EXPECT_TRUE(CompleteFunctionName("copy").empty());  // the parser is case-sensitive too
}

TEST(FuncHelpHint, SignaturesOfTheCallBeingTyped) {
  EXPECT_EQ(SignatureHint("CopyFileSect("), Names{"INT CopyFileSect(STRING, STRING, UINT, INT)"});
  EXPECT_EQ(SignatureHint("DumpFile (\"a.bin\", ").size(), 2u);
  EXPECT_EQ(SignatureHint("AddInt(1, 2").size(), 4u);
}

TEST(FuncHelpHint, NoHintOutsideAnOpenCallOrForUnknownNames) {
  EXPECT_TRUE(SignatureHint("AddInt(1, 2)").empty());
  EXPECT_TRUE(SignatureHint("AddInt").empty());
  EXPECT_TRUE(SignatureHint("Bogus(").empty());
  // A parenthesis inside a quoted file name neither opens nor closes the call.
  EXPECT_EQ(SignatureHint("GetFileSize(\"a)b").size(), 1u);
  EXPECT_TRUE(SignatureHint("GetFileSize(\"a(b\")").empty());
}

}  // namespace
