// The search, hash and comparison commands typed into a running engine: their results in
// the list, the refusals shown in place of a value, and files left as they were.
#include <gtest/gtest.h>

#include "engine/func_result.h"
#include "engine/list_file.h"
#include "host/sjis.h"
#include "language/func_catalogue.h"
#include "support/file_command_fixture.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

using InspectCommandsTest = test::FileCommandFixture;

TEST_F(InspectCommandsTest, FindJobsGiveTheOffsetOrMinusOne) {
  test::WriteBytes(dir.File("f"), std::string("\x00\xDE\xAD\xBE\xEF\x00\xDE\xAD\xBE\xEF", 10));
  EXPECT_EQ(RunJob(R"(FindBytesInFile("f", "DE AD BE EF", 0))"), "1");
  EXPECT_EQ(RunJob(R"(FindBytesInFile("f", "deadbeef", 2))"), "6");
  EXPECT_EQ(RunJob(R"(FindBytesInFile("f", "deadbeef", 7))"), "-1");
  EXPECT_EQ(RunJob(R"(CountBytesInFile("f", "DEAD", 0))"), "2");
  test::WriteBytes(dir.File("t"), "aaaa");
  EXPECT_EQ(RunJob(R"(FindStrInFile("t", "aaa", 1))"), "1");
  EXPECT_EQ(RunJob(R"(CountStrInFile("t", "aaa", 0))"), "2");
}

TEST_F(InspectCommandsTest, RefusedPatternsAndStartsShowTheirReasonInTheEntry) {
  test::WriteBytes(dir.File("f"), "abc");
  EXPECT_EQ(RunJob(R"(FindBytesInFile("f", "ABC", 0))"),
            "※　16進パターンの桁数が奇数です。[ ABC ]");
  EXPECT_EQ(RunJob(R"(FindBytesInFile("f", "zz", 0))"),
            "※　16進パターンに16進数字でない文字があります。「z」");
  EXPECT_EQ(RunJob(R"(FindStrInFile("f", "", 0))"), "※　検索パターンが空です。");
  EXPECT_EQ(RunJob(R"(FindStrInFile("f", "a", 4))"),
            "※　開始位置がファイルの終わりを越えています。[4] / FileSize[3 Byte]");
  EXPECT_EQ(RunJob(R"(FindStrInFile("none", "a", 0))"), "※　ファイルが存在しません。");
  EXPECT_EQ(test::ReadBytes(dir.File("f")), "abc");
}

TEST_F(InspectCommandsTest, HashJobsGiveLowerCaseHexAndCheckGivesZeroOrMinusOne) {
  test::WriteBytes(dir.File("abc"), "abc");
  EXPECT_EQ(RunJob(R"(MakeFileHash("abc", "SHA-256"))"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(RunJob(R"(MakeFileHash("abc", "md5"))"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(RunJob(R"(CheckFileHash("abc", "md5", "900150983CD24FB0D6963F7D28E17F72"))"), "0");
  EXPECT_EQ(RunJob(R"(CheckFileHash("abc", "md5", "00"))"), "-1");
  const std::string unknown = RunJob(R"(MakeFileHash("abc", "sha-9"))");
  EXPECT_EQ(unknown.rfind("※　未知のハッシュ方式です。[ sha-9 ]", 0), 0u) << unknown;
  EXPECT_EQ(RunJob(R"(CheckFileHash("abc", "md5", ""))"), "※　入力ハッシュデータが無効です。[  ]");
}

TEST_F(InspectCommandsTest, CompareFileGivesTheFirstDifferenceOrMinusOne) {
  test::WriteBytes(dir.File("a"), "abcdef");
  test::WriteBytes(dir.File("b"), "abcxef");
  test::WriteBytes(dir.File("c"), "abcdef");
  EXPECT_EQ(RunJob(R"(CompareFile("a", "b"))"), "3");
  EXPECT_EQ(RunJob(R"(CompareFile("a", "c"))"), "-1");
  EXPECT_EQ(RunJob(R"(CompareFile("a", "none"))"), "※　ファイルが存在しません。");
}

TEST(InspectResultsInTheListFile, EntriesOfTheAddedIdsAreSavedAndLoadedLikeAnyOther) {
  std::vector<CMyFuncResult> records;
  for (FuncId id : {FuncId::FindBytesInFile, FuncId::MakeFileHash, FuncId::CompareFile}) {
    CMyFuncData call;
    call.SetID(static_cast<int32_t>(FuncIdValue(id)));
    CMyFuncResult record;
    MyNumeric number;
    number.SetByString("-1");
    const std::string text = "d41d8cd98f00b204e9800998ecf8427e";
    ASSERT_EQ(id == FuncId::MakeFileHash ? record.SetData(&call, id, &text)
                                         : record.SetData(&call, id, &number),
              1);
    records.push_back(record);
  }
  std::string saved;
  ASSERT_TRUE(FormatListFile(records, saved));
  std::vector<CMyFuncResult> back;
  ListFileError error;
  ASSERT_TRUE(ParseListFile(saved, back, error));
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[0].id, 2000);
  EXPECT_EQ(back[0].Signature(), GetTableSignature(2000));
  EXPECT_EQ(back[0].number.ToString(), "-1");
  EXPECT_EQ(back[1].text, "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(back[2].callData.GetFuncName(), "CompareFile");
}

}  // namespace
}  // namespace vpx
