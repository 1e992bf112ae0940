// The terminal's --load and --save options end to end, with the real binary: a saved list
// comes back with its indices, a damaged one stops the run, a failed save fails the run.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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
  EXPECT_NE(r.out.find("※　ショートカットの保存に失敗しました（"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

}  // namespace
