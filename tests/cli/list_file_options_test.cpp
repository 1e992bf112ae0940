// The terminal's --load and --save options end to end, with the real binary: a saved list
// comes back with its indices, a damaged one stops the run, a failed save fails the run.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/vorpex_run.h"

namespace {

using ListFileOptions = vpx::test::VorpexRun;
using vpx::test::L;
using vpx::test::Outcome;
using vpx::test::Slurp;
namespace fs = std::filesystem;

TEST_F(ListFileOptions, SavedListIsLoadedBackWithTheSameIndices) {
  Outcome saved = Vorpex({"-e", "AddStrToList(\"表ソ能\")", "-e",
                          "AddIntToList(-12345678901234567890.5)", "--save", "list.txt"});
  EXPECT_EQ(saved.exitCode, 0);
  EXPECT_EQ(saved.out, L("INT AddStrToList(STRING)") + L("INT AddIntToList(FLOAT)") +
                           L("【完了】ショートカット 2 項目を保存しました。[ list.txt ]"));
  // The Shift-JIS bytes stay as they are, their 0x5C trail bytes escaped.
  EXPECT_NE(Slurp(dir_ / "list.txt").find("text \x95\\\\\x83\\\\\x94\\\\\n"), std::string::npos);
  Outcome loaded = Vorpex({"--load", "list.txt", "-e", "GetListItemNum()", "-e", "GetListData(1)",
                           "-e", "GetListData(2)"});
  EXPECT_EQ(loaded.exitCode, 0);
  EXPECT_EQ(loaded.out,
            L("【完了】ショートカット 2 項目を読み込みました（[1]～[2]）。[ list.txt ]") +
                L("UINT GetListItemNum(VOID)") + L("3") + L("INT GetListData(UINT)") + L("表ソ能") +
                L("INT GetListData(UINT)") + L("-12345678901234567890.5"));
}

TEST_F(ListFileOptions, ADamagedListIsRefusedAndTheLinesDoNotRun) {
  WriteFile("bad.txt", "VORPEX-SHORTCUT-LIST 1\nentries 1\nentry 1\ntype INT\n");
  Outcome r = Vorpex({"--load", "bad.txt", "-e", "GetListItemNum()"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, L("※　ショートカットファイルの 5 行目が不正です：ファイルが途中で切れています。"
                     "リストは変更していません。[ bad.txt ]"));
}

TEST_F(ListFileOptions, AFailedSaveEndsWithAFailureStatus) {
  Outcome r = Vorpex({"-e", "AddStrToList(\"a\")", "--save", "missing/list.txt"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, L("INT AddStrToList(STRING)") + L("※　コピー先ファイルをオープンできません。[ " +
                                                     (dir_ / "missing/list.txt").string() + " ]"));
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

// Each probe's output on entry 1 after a save and a load is its output before the save.
// (A computation whose left operand is a new number takes the process's default result
// size, which the computations before the save may have raised; a load leaves it alone.)
TEST_F(ListFileOptions, ALoadedEntryComputesAsItDidBeforeTheSave) {
  const std::vector<std::string> probes = {"Mul($1, 2)", "Add($1, 1)", "Sub($1, 1)",
                                           "GetListData(1)"};
  const std::vector<std::vector<std::string>> makers = {
      {"Factorial(100)"}, {"AddIntToList(-0)"}, {"Div(1, 3)", "AddResultToList()"}};
  for (const std::vector<std::string>& make : makers) {
    SCOPED_TRACE(make[0]);
    std::vector<std::string> args;
    for (const std::string& line : make) args.insert(args.end(), {"-e", line});
    const size_t probesAt = args.size();
    for (const std::string& probe : probes) args.insert(args.end(), {"-e", probe});
    args.insert(args.end(), {"--save", "list.vpxl"});
    Outcome before = Vorpex(args);
    ASSERT_EQ(before.exitCode, 0) << before.out;
    args.erase(args.end() - 2, args.end());
    args.erase(args.begin(), args.begin() + static_cast<long>(probesAt));
    args.insert(args.begin(), {"--load", "list.vpxl"});
    Outcome after = Vorpex(args);
    ASSERT_EQ(after.exitCode, 0) << after.out;
    // The probes' lines: what follows the first probe's signature in each run.
    const std::string mark = L("FLOAT Mul(FLOAT, FLOAT)");
    ASSERT_NE(before.out.find(mark), std::string::npos) << before.out;
    ASSERT_NE(after.out.find(mark), std::string::npos) << after.out;
    const std::string probed = before.out.substr(before.out.find(mark));
    EXPECT_EQ(after.out.substr(after.out.find(mark)), probed.substr(0, probed.rfind("　【完了】")));
  }
}

TEST_F(ListFileOptions, RelativeListAndTracePathsAreTakenFromTheStartingFolder) {
  ownTrace_ = false;
  fs::create_directory(dir_ / "other");
  Outcome r = Vorpex({"--trace", "t.txt", "--save", "list.vpxl", "-e", "ChangeDir(\"other\")", "-e",
                      "AddStrToList(\"a\")", "-e", "Add(1, 2, 3, 4, 5)"});
  EXPECT_EQ(r.exitCode, 1) << r.out;  // the last line is unregistered
  EXPECT_TRUE(fs::exists(dir_ / "list.vpxl"));
  EXPECT_TRUE(fs::exists(dir_ / "t.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "other/list.vpxl"));
  EXPECT_FALSE(fs::exists(dir_ / "other/t.txt"));
}

TEST_F(ListFileOptions, LoadRefusesWhatIsNoRegularFileAndSaysWhyInJapanese) {
  ASSERT_EQ(mkfifo((dir_ / "pipe").c_str(), 0600), 0);
  const pid_t pid = Start({"--load", "pipe", "-e", "NOP()"});
  Outcome r = Finish(pid, 10000);
  EXPECT_EQ(r.exitCode, 1) << "a load that blocks on the pipe is killed: -1";
  EXPECT_EQ(r.out, L("※　通常のファイルではありません（名前付きパイプ）。[ pipe ]") +
                       L("※　ショートカットファイルを読み込めません：通常のファイルではありません。"
                         "リストは変更していません。[ pipe ]"));
  r = Vorpex({"--load", "missing.vpxl", "-e", "NOP()"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, L("※　ショートカットファイルを読み込めません（ファイル名またはパス名が見つかりま"
                     "せん）。[ missing.vpxl ]"));
}

TEST_F(ListFileOptions, AListFileWithCrLfLineEndsLoads) {
  ASSERT_EQ(Vorpex({"-e", "AddStrToList(\"a\")", "--save", "list.vpxl"}).exitCode, 0);
  std::string crlf;
  for (char c : Slurp(dir_ / "list.vpxl"))
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  WriteFile("crlf.vpxl", crlf);
  Outcome r = Vorpex({"--load", "crlf.vpxl", "-e", "GetListData(1)"});
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(r.out, L("【完了】ショートカット 1 項目を読み込みました（[1]～[1]）。[ crlf.vpxl ]") +
                       L("INT GetListData(UINT)") + L("a"));
}

}  // namespace
