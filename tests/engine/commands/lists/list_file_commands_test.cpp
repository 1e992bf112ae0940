// Saving and loading the whole result list through the engine: the list after a load, the
// messages, refusal of damaged files with the list unchanged, and the safety of the file.
#include "engine/commands/lists/list_file_commands.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "language/func_catalogue.h"
#include "support/engine_fixture.h"

namespace vpx::test {
namespace {

namespace fs = std::filesystem;

class ListFileCommands : public ::testing::Test, public EngineFixture {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vorpex_listfile_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string PathOf(const std::string& name) { return (dir_ / name).string(); }
  static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
  }
  void Add(CMyFuncResult record) { ASSERT_GE(engine.AddDataToListAndShortCut(record, true), 1); }
  void AddText(const std::string& sjis) {
    CMyFuncResult record;
    record.type = kRetString;
    record.text = sjis;
    Add(record);
  }
  void AddNumber(const std::string& digits) {
    CMyFuncResult record;
    record.type = kRetFloat;
    ASSERT_EQ(record.number.SetByString(digits), NumStatus::kOk);
    Add(record);
  }
  CMyFuncResult Entry(uint32_t index) {
    CMyFuncResult record;
    engine.AcquireListLock();
    engine.ShortCutArray().GetAt(index, record);
    engine.ReleaseListLock();
    return record;
  }
  std::vector<std::string> RowTexts() {
    std::vector<std::string> texts;
    for (int r = 0; r < RowCount(); ++r) texts.push_back(RowIndex(r) + RowType(r) + RowText(r));
    return texts;
  }

  fs::path dir_;
};

// A long result's digits are written straight into the console line, the row and the file:
// all three must carry the value's text itself.
TEST_F(ListFileCommands, ALongResultIsEchoedShownAndSavedWithTheSameDigits) {
  const std::vector<std::string> echoed = Type("GetPi(5000)");
  ASSERT_FALSE(echoed.empty());
  const std::string& value = echoed.back();
  EXPECT_EQ(value.size(), 5001u);
  EXPECT_EQ(value.substr(0, 12), "3.1415926535");
  EXPECT_EQ(value, engine.PreviousResult().number.ToString());
  EXPECT_EQ(RowText(0), value.substr(0, ResultList::kRowTextLimit));
  Add(engine.PreviousResult());
  EXPECT_EQ(RowText(1), value.substr(0, ResultList::kRowTextLimit));
  const std::string path = PathOf("pi.vpxl");
  ASSERT_EQ(SaveShortCutList(engine, path), 1);
  EXPECT_NE(Slurp(path).find("\nnumber " + value + "\nsaturated 0\n"), std::string::npos);
}

TEST_F(ListFileCommands, ASavedListLoadsBackBehindEntryZero) {
  std::string million(1'000'000, '7');
  million[0] = '1';
  AddNumber(million);
  AddText(std::string("\x95\x5C\x83\x5C", 4));
  CMyFuncResult saturated;
  saturated.type = kRetUInt;
  ASSERT_EQ(saturated.number.SetSaturatedNines(120, false), NumStatus::kOk);
  Add(saturated);
  const std::string path = PathOf("list.vpxl");
  ASSERT_EQ(SaveShortCutList(engine, path), 1);
  EXPECT_EQ(Output(), std::vector<std::string>{"【完了】ショートカット 3 項目を保存しました。[ " +
                                               path + " ]"});
  EXPECT_EQ(ClearShortCutList(engine), 3);
  ASSERT_EQ(EntryCount(), 1);
  ASSERT_EQ(LoadShortCutList(engine, path), 1);
  EXPECT_EQ(Output(),
            std::vector<std::string>{
                "【完了】ショートカット 3 項目を読み込みました（[1]～[3]）。[ " + path + " ]"});
  ASSERT_EQ(EntryCount(), 4);
  EXPECT_EQ(RowCount(), 4);
  EXPECT_EQ(Entry(1).number.ToString(), million);
  EXPECT_EQ(Entry(2).text, std::string("\x95\x5C\x83\x5C", 4));
  EXPECT_TRUE(Entry(3).number.IsOverflow());
  EXPECT_EQ(RowText(3), std::string(120, '9') + " (E)");
  EXPECT_EQ(RowIndex(3), "3");
  EXPECT_EQ(RowType(2), "S");
}

TEST_F(ListFileCommands, LoadingAppendsAfterTheEntriesAlreadyThere) {
  AddText("a");
  const std::string path = PathOf("one.vpxl");
  ASSERT_EQ(SaveShortCutList(engine, path), 1);
  ASSERT_EQ(LoadShortCutList(engine, path), 1);
  ASSERT_EQ(LoadShortCutList(engine, path), 1);
  EXPECT_EQ(EntryCount(), 4);
  EXPECT_EQ(RowCount(), 4);
  EXPECT_EQ(RowIndex(3) + RowText(3), "3a");
}

TEST_F(ListFileCommands, ACancelledEntryLoadsWithItsOverrideTextShown) {
  CMyFuncResult cancelled;  // a VOID job's entry after a cancel
  cancelled.overrideFlag = 1;
  cancelled.overrideText = ToSjis("※　中断しました。");
  cancelled.callData.SetLineText("Factorial(100000)");
  Add(cancelled);
  const std::string path = PathOf("c.vpxl");
  ASSERT_EQ(SaveShortCutList(engine, path), 1);
  ASSERT_EQ(LoadShortCutList(engine, path), 1);
  ASSERT_EQ(RowCount(), 3);
  EXPECT_EQ(RowText(2), "※　中断しました。");
  EXPECT_EQ(RowType(2), "S");
  EXPECT_EQ(Entry(2).callData.GetLineText(), "Factorial(100000)");
}

TEST_F(ListFileCommands, ADamagedFileLeavesTheListAsItWas) {
  AddText("keep");
  AddNumber("-42.5");
  const std::string path = PathOf("list.vpxl");
  ASSERT_EQ(SaveShortCutList(engine, path), 1);
  Output();
  const std::string good = Slurp(path);
  const std::vector<std::string> before = RowTexts();
  std::string damaged = good;
  damaged[damaged.find("-42.5") + 1] = '5';  // -52.5: a number still, its checksum not
  std::ofstream(path, std::ios::binary) << damaged;
  EXPECT_EQ(LoadShortCutList(engine, path), 0);
  EXPECT_EQ(Output(),
            std::vector<std::string>{"※　ショートカットファイルの 24 行目が不正です：チェックサム"
                                     "が一致しません（項目が壊れています）。リストは変更"
                                     "していません。[ " +
                                     path + " ]"});
  std::ofstream(path, std::ios::binary | std::ios::trunc) << good.substr(0, good.size() / 2);
  EXPECT_EQ(LoadShortCutList(engine, path), 0);
  EXPECT_EQ(LoadShortCutList(engine, PathOf("missing.vpxl")), 0);
  ASSERT_EQ(mkfifo(PathOf("pipe").c_str(), 0600), 0);  // must not wait for a writer
  EXPECT_EQ(LoadShortCutList(engine, PathOf("pipe")), 0);
  EXPECT_EQ(LoadShortCutList(engine, dir_.string()), 0);
  EXPECT_EQ(RowTexts(), before);
  EXPECT_EQ(EntryCount(), 3);
}

TEST_F(ListFileCommands, SavingKeepsTheFilesModeAndAFailedSaveKeepsItsContent) {
  AddText(std::string(64 * 1024, 'x'));
  const std::string path = PathOf("list.vpxl");
  std::ofstream(path, std::ios::binary) << "earlier save";
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_EQ(SaveShortCutList(engine, path), 1);
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  const std::string saved = Slurp(path);
  AddText("more");
  // A file-size limit below the new file's size makes the write fail part-way.
  struct rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  struct rlimit small = old;
  small.rlim_cur = 4096;
  Output();
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const int result = SaveShortCutList(engine, path);
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Output(), std::vector<std::string>{"※　ショートカットの保存に失敗しました（ファイルが"
                                               "大きすぎます）。元のファイルはそのままです。[ " +
                                               path + " ]"});
  EXPECT_EQ(Slurp(path), saved);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
  EXPECT_EQ(SaveShortCutList(engine, PathOf("no/such/dir.vpxl")), 0);
}

TEST_F(ListFileCommands, EntriesAJobComputesAreNeitherSavedNorCleared) {
  AddText("done");
  CMyFuncResult reserved;
  reserved.reserved = 1;
  reserved.callData.SetLineText("Factorial(100000)");
  Add(reserved);
  ASSERT_EQ(SaveShortCutList(engine, PathOf("l.vpxl")), 1);
  const std::vector<std::string> out = Output();
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1], "※　計算中の 1 項目は保存していません。");
  EXPECT_EQ(ClearShortCutList(engine), 1);
  EXPECT_EQ(Output(), std::vector<std::string>{"※　計算中の 1 項目は削除していません。"});
  EXPECT_EQ(EntryCount(), 2);
  ListFingerprint a, b;
  ASSERT_TRUE(TakeListFingerprint(engine, a));
  AddText("x");
  ASSERT_TRUE(TakeListFingerprint(engine, b));
  EXPECT_NE(a, b);
}

}  // namespace
}  // namespace vpx::test
