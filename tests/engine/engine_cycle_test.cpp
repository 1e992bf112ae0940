// The Enter cycle and the dispatcher: echo of the resolved signature, the commands the
// engine runs itself, the invalid-ID answer, start-up state and the input history.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "engine/ring_memory.h"
#include "language/func_catalogue.h"
#include "support/engine_fixture.h"

namespace vpx::test {
namespace {

using ::testing::ElementsAre;

class EngineCycle : public ::testing::Test, public EngineFixture {};

TEST_F(EngineCycle, StartUpSeedsEntryZeroWithFloatZero) {
  ASSERT_EQ(started, 1);
  EXPECT_EQ(RowCount(), 1);
  EXPECT_EQ(EntryCount(), 1);
  EXPECT_EQ(RowIndex(0), "0");
  EXPECT_EQ(RowType(0), "F");
  MyNumeric zero;
  EXPECT_THAT(Type("GetResultData()"),
              ElementsAre("VOID GetResultData(VOID)", "【直前の結果】FLOAT : " + zero.ToString()));
}

// A job's long value: its report carries the whole text (as the terminal prints it), its
// row the first 1000 bytes of it.
TEST_F(EngineCycle, ALongJobResultIsReportedWholeAndShownCut) {
  std::vector<RetiredJob> retired;
  engine.SetJobRetiredListener([&](const RetiredJob& job) { retired.push_back(job); });
  Type("GetPi(30000)");
  ASSERT_TRUE(PumpUntil([&] { return !retired.empty(); }));
  const RetiredJob& job = retired[0];
  EXPECT_FALSE(job.failed);
  EXPECT_EQ(job.rowText.size(), 30001u);
  EXPECT_EQ(job.rowText.substr(0, 12), "3.1415926535");
  EXPECT_EQ(job.Message(), job.rowText);
  EXPECT_EQ(RowText(static_cast<int>(job.index)), job.rowText.substr(0, ResultList::kRowTextLimit));
}

TEST_F(EngineCycle, AddIntEchoesSignatureAndSumAndKeepsPreviousResultOnly) {
  EXPECT_THAT(Type("AddInt(1, 2)"), ElementsAre("INT AddInt(INT, INT)", "3"));
  EXPECT_THAT(Type("GetResultData()"),
              ElementsAre("VOID GetResultData(VOID)", "【直前の結果】INT : 3"));
  EXPECT_EQ(RowCount(), 1);
  EXPECT_EQ(RowType(0), "F");  // entry 0 is not rewritten by AddInt
}

TEST_F(EngineCycle, SubIntSubtractsTheSecondArgument) {
  EXPECT_THAT(Type("SubInt(5, -3)"), ElementsAre("INT SubInt(INT, INT)", "8"));
}

TEST_F(EngineCycle, UnimplementedIdAnswersWithTheInvalidIdMessage) {
  CMyFuncData call;
  EXPECT_EQ(engine.ExecuteFunc(16, &call), 0);  // no row between ToStrBin and Add
  EXPECT_THAT(Output(), ElementsAre("※　無効な識別IDです。[16]\n"));
}

TEST_F(EngineCycle, AcceptedIdsWithoutActionEchoOnlyTheSignature) {
  EXPECT_THAT(Type("NOP()"), ElementsAre("VOID NOP(VOID)"));
  EXPECT_THAT(Type("Test()"), ElementsAre("VOID Test(VOID)"));
}

TEST_F(EngineCycle, UnregisteredLinesAndEmptyLines) {
  EXPECT_THAT(Type("addint(1, 2)"), ElementsAre("未登録な命令です。"));
  EXPECT_THAT(Type("AddInt(1,,2)"), ElementsAre("未登録な命令です。"));
  EXPECT_THAT(Type(""), ElementsAre("※　画面からの読込失敗。"));
}

TEST_F(EngineCycle, HistoryKeepsExecutedAndUnregisteredLinesButNotTestOrEmptyOnes) {
  Type("NOP()");
  Type("nothing here");
  Type("Test()");
  Type("");
  CGRingMemT<std::string>& history = engine.InputHistory();
  ASSERT_EQ(history.GetCount(), 2u);
  EXPECT_EQ(history.GetFromOldData(0), "nothing here");
  EXPECT_EQ(history.GetFromOldData(1), "NOP()");
  EXPECT_EQ(engine.GetLastInputLine(), "Test()");  // an empty line is not remembered
}

TEST_F(EngineCycle, GetCurDirMakesAStringResultInEntryZero) {
  char buffer[4096];
  ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
  EXPECT_THAT(Type("GetCurDir()"), ElementsAre("STRING GetCurDir(VOID)", buffer));
  EXPECT_EQ(RowText(0), buffer);
  EXPECT_EQ(RowType(0), "S");
  EXPECT_EQ(engine.PreviousResult().Signature(), "STRING GetCurDir()");
}

TEST_F(EngineCycle, SetStringStoresTheTextAsEntryZero) {
  EXPECT_THAT(Type("SetString(\"日本語\")"), ElementsAre("STRING SetString(STRING)", "日本語"));
  EXPECT_EQ(RowText(0), "日本語");
  EXPECT_EQ(EntryCount(), 1);
}

TEST_F(EngineCycle, GetListItemNumCountsEntries) {
  Type("AddStrToList(\"a\")");
  EXPECT_THAT(Type("GetListItemNum()"), ElementsAre("UINT GetListItemNum(VOID)", "2"));
}

TEST_F(EngineCycle, ListUpFuncListsEveryRegisteredSignatureInOrder) {
  std::vector<std::string> out = Type("ListUpFunc()");
  // the signature echo, the catalogue's 126 rows, then the added ones
  ASSERT_EQ(out.size(), 1u + kCatalogueRowCount + kAddedRowCount);
  EXPECT_EQ(out[1], "VOID NOP(VOID)");
  EXPECT_EQ(out[2], "INT AddInt(INT, INT)");
  EXPECT_EQ(out[126], "VOID Test(VOID)");
  EXPECT_EQ(out[127], "INT FindBytesInFile(STRING, STRING, UINT)");
}

TEST_F(EngineCycle, ListUpFuncWithKeywordListsWholeNameMatches) {
  EXPECT_THAT(
      Type("ListUpFunc(\"GetDrive*\")"),
      ElementsAre("VOID ListUpFunc(STRING)", "UINT GetDriveSize(VOID)", "UINT GetDriveSize(STRING)",
                  "UINT GetDriveFreeSpace(VOID)", "UINT GetDriveFreeSpace(STRING)"));
  EXPECT_THAT(Type("ListUpFunc(\"Get?\")"), ElementsAre("VOID ListUpFunc(STRING)"));
  EXPECT_THAT(Type("ListUpFunc(\"GDS\")"),
              ElementsAre("VOID ListUpFunc(STRING)", "UINT GDS(VOID)", "UINT GDS(STRING)"));
  std::vector<std::string> files = Type("ListUpFunc(\"*File*\")");
  ASSERT_GT(files.size(), 10u);
  for (size_t i = 1; i < files.size(); ++i)
    EXPECT_NE(files[i].find("File"), std::string::npos) << files[i];
  EXPECT_THAT(Type("ListUpFunc(\"\")"), ElementsAre("VOID ListUpFunc(STRING)"));
}

TEST_F(EngineCycle, ShortcutReferenceReadsTheEntry) {
  Type("AddIntToList(40)");
  EXPECT_THAT(Type("AddInt($1, 2)"), ElementsAre("INT AddInt(INT, INT)", "42"));
}

}  // namespace
}  // namespace vpx::test
