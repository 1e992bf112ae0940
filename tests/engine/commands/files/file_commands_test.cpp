// The file, directory and drive commands typed into a running engine on the recording
// fakes: console texts, results in the list, dialogs and the binary display request.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>

#include "engine/handler_table.h"
#include "engine/thread_dlg.h"
#include "files/file_primitives.h"
#include "host/sjis.h"
#include "language/my_macro.h"
#include "support/file_command_fixture.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

using test::TempDir;

using FileCommandsTest = test::FileCommandFixture;

TEST_F(FileCommandsTest, CopyFileSectCopiesTheWholeFileForZeroZero) {
  test::WriteBytes(dir.File("src"), "0123456789");
  auto out = Type(R"(CopyFileSect("dst", "src", 0, 0))");
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0], "INT CopyFileSect(STRING, STRING, UINT, INT)");
  EXPECT_TRUE(WaitIdle());
  EXPECT_EQ(RowText(RowCount() - 1), "10");
  EXPECT_EQ(test::ReadBytes(dir.File("dst")), "0123456789");
}

TEST_F(FileCommandsTest, CopyFileSectPastTheEndFailsWithoutTouchingTheDestination) {
  test::WriteBytes(dir.File("src"), "0123456789");
  test::WriteBytes(dir.File("dst"), "keep");
  fake.dialogs.yesAnswer = true;
  EXPECT_EQ(RunJob(R"(CopyFileSect("dst", "src", 5, 10))"), "※　コピーに失敗しました。");
  EXPECT_EQ(RowType(RowCount() - 1), "S");
  EXPECT_EQ(test::ReadBytes(dir.File("dst")), "keep");
  EXPECT_EQ(test::ListDir(dir.Path()).size(), 2u);
}

TEST_F(FileCommandsTest, AnsweringNoLeavesTheDestinationAndStartsNothing) {
  test::WriteBytes(dir.File("src"), "0123456789");
  test::WriteBytes(dir.File("dst"), "keep");
  const int rows = RowCount();
  auto out = Type(R"(CopyFileSectR("dst", "src", 0, 4))");
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1], "キャンセルしました。");
  EXPECT_EQ(fake.dialogs.questions.size(), 1u);
  EXPECT_TRUE(WaitIdle());
  EXPECT_EQ(RowCount(), rows);
  EXPECT_EQ(test::ReadBytes(dir.File("dst")), "keep");
}

TEST_F(FileCommandsTest, CopyFileSectRCountsBackAndReportsZero) {
  std::string data = test::Pattern(200);
  test::WriteBytes(dir.File("src"), data);
  EXPECT_EQ(RunJob(R"(CopyFileSectR("dst", "src", 100, -10))"), "0");
  EXPECT_EQ(test::ReadBytes(dir.File("dst")), data.substr(91, 10));
}

TEST_F(FileCommandsTest, CopyFileSectRWithAPositiveLengthCopiesExactlyThatMany) {
  test::WriteBytes(dir.File("src"), "0123456789");
  EXPECT_EQ(RunJob(R"(CopyFileSectR("dst", "src", 3, 4))"), "0");
  EXPECT_EQ(test::ReadBytes(dir.File("dst")), "3456");
}

// The job's cancel flag reaches the copy routine: a job cancelled before its body runs
// copies nothing and leaves the destination as it was.
TEST_F(FileCommandsTest, ACancelledCopyJobStopsInItsCopyRoutine) {
  test::WriteBytes(dir.File("src"), test::Pattern(5000));
  test::WriteBytes(dir.File("dst"), "keep");
  for (const char* line :
       {R"(CopyFileSect("dst", "src", 0, 0))", R"(CopyFileSectR("dst", "src", 10, 100))"}) {
    CMyFuncData call;
    const int32_t id = engine.GetMacro().AnalyseAndGetID(test::ToSjis(line), call);
    ASSERT_GE(id, 0) << line;
    call.SetID(id);
    CMyThreadDlg job(&engine);
    ASSERT_EQ(job.SetThreadFunc(static_cast<FuncId>(id), call, false), 1);
    job.Cancel();
    const JobBody body = engine.Handlers().FindJobBody(static_cast<FuncId>(id)).body;
    ASSERT_NE(body, nullptr) << line;
    EXPECT_EQ(body(job), 0) << line;
    EXPECT_EQ(job.GetErrorText(), SJ("※　中断しました。")) << line;
  }
  EXPECT_EQ(test::ReadBytes(dir.File("dst")), "keep");
  EXPECT_EQ(test::ListDir(dir.Path()).size(), 2u);
}

TEST_F(FileCommandsTest, EmptySourcesEmptyTheDestinationOrCreateNothing) {
  test::WriteBytes(dir.File("empty"), "");
  test::WriteBytes(dir.File("dst"), "old");
  fake.dialogs.yesAnswer = true;
  auto out = Type(R"(CopyFileSect("dst", "empty", 0, 0))");
  EXPECT_EQ(out.back(), "【完了】コピー元のファイルはサイズが0でした。");
  EXPECT_EQ(test::ReadBytes(dir.File("dst")), "");
  out = Type(R"(CopyFileSectR("new", "empty", 0, 5))");
  EXPECT_EQ(out.back(), "【完了】コピー元のファイルがサイズが0、もしくは指定サイズが0でした。");
  EXPECT_FALSE(test::Exists(dir.File("new")));
  out = Type(R"(CopyFileSect("new", "missing", 0, 0))");
  EXPECT_EQ(out.back(), "※　コピー元のファイルが存在しません。");
}

TEST_F(FileCommandsTest, DumpShowsTheRangeLineAndOpensTheDisplay) {
  test::WriteBytes(dir.File("f"), "0123456789");
  auto out = Type(R"(DumpFile("f", 5, 2))");
  EXPECT_EQ(out.back(), "f : 2 <--> 5");
  ASSERT_EQ(fake.binaryDisplay.requests.size(), 1u);
  EXPECT_EQ(fake.binaryDisplay.requests[0].range, ByteRange::FromStartLength(2, 4));
  out = Type(R"(DumpFileR("f", 5, -1))");
  EXPECT_EQ(out.back(), "f : 5 <--> 5");
  EXPECT_EQ(fake.binaryDisplay.requests.back().range.Length(), 1);
  test::WriteBytes(dir.File("e"), "");
  out = Type(R"(DumpFile("e"))");
  EXPECT_EQ(out.back(), "※　ファイルサイズが0、もしくは範囲が無効です。");
  out = Type(R"(DumpFile("f", 3, 10))");
  EXPECT_EQ(out.back(), "※　ファイルサイズが0、もしくは範囲が無効です。");
  EXPECT_EQ(fake.binaryDisplay.requests.size(), 2u);
}

TEST_F(FileCommandsTest, ChecksumJobsGiveTheCheckValues) {
  test::WriteBytes(dir.File("nine"), "123456789");
  EXPECT_EQ(RunJob(R"(MakeFileCRC("nine"))"), "CBF43926");
  EXPECT_EQ(RunJob(R"(MakeFileADLER("nine"))"), "091E01DE");
  EXPECT_EQ(RunJob(R"(CheckFileCRC("nine", "cbf43926"))"), "0");
  EXPECT_EQ(RunJob(R"(CheckFileADLER("nine", "1"))"), "-1");
  EXPECT_EQ(RunJob(R"(MakeFileCRC("missing"))"), "※　ファイルが存在しません。");
}

TEST_F(FileCommandsTest, CreationCommandsReportSizes) {
  auto out = Type(R"(MakeFile("m", 1234567))");
  EXPECT_EQ(out.back(), "ファイル[ m ]を作成しました。");
  out = Type(R"(GetFileSize("m"))");
  EXPECT_EQ(out.back(), "1,234,567 Byte");
  EXPECT_EQ(RowText(0), "1234567");
  EXPECT_EQ(RunJob(R"(MakeClearedFile("z", 1000))"),
            "ファイル作成完了。新規ファイルサイズ [1,000] Byte");
  test::WriteBytes(dir.File("tail"), "abc");
  EXPECT_EQ(RunJob(R"(CombineFile("z", "tail"))"),
            "ファイル内容追加完了。新規ファイルサイズ [1,003] Byte");
  out = Type(R"(ResizeFile("z", 10))");
  EXPECT_EQ(out.back(), "ファイルサイズを変更しました。");
  out = Type(R"(ClearFileSect("tail", 1, 0))");
  EXPECT_EQ(out.back(), "クリア成功。");
  EXPECT_EQ(test::ReadBytes(dir.File("tail")), std::string("a\0\0", 3));
  out = Type(R"(CombineFile("z", "tail", "x"))");
  EXPECT_EQ(out.back(), "※　結合するファイルが見つかりません。[x]");
}

TEST_F(FileCommandsTest, ModifyAndWriteCommandsPrintTheirMessages) {
  test::WriteBytes(dir.File("b"), std::string("\x00\xFF", 2));
  auto out = Type(R"(ModifyFileBit("b", 15, 0, "force"))");
  EXPECT_EQ(out.back(), "【成功】OrgData[FF] -> NewData[7F]");
  out = Type(R"(ModifyFileBit("b", 1, 9, 1, "OR"))");
  EXPECT_EQ(out.back(), "【成功】OrgData[7F] -> NewData[7F]");
  out = Type(R"(ModifyFileBit("b", 0, 9, 1, "OR"))");
  EXPECT_EQ(out.back(), "【成功】OrgData[00] -> NewData[02]");
  out = Type(R"(WriteToFileAsBin("w", 0, 300))");
  EXPECT_EQ(out.back(), "バイナリ書込完了しました。　書込サイズ [2] Byte");
  EXPECT_EQ(test::ReadBytes(dir.File("w")), std::string("\x2C\x01", 2));
  out = Type(R"(WriteStrToFile("w", 0, "x"))");
  EXPECT_EQ(out.back(), "書込完了しました。　書込サイズ [1] Byte");
  EXPECT_EQ(test::ReadBytes(dir.File("w")), "x\r\n");
}

TEST_F(FileCommandsTest, ChangeDirMovesUpRefusesMissingAndGoesToRoot) {
  auto out = Type(R"(ChangeDir(".."))");
  std::string parent = dir.Path().substr(0, dir.Path().rfind('/'));
  EXPECT_EQ(out.back(), "カレントディレクトリを変更しました。[" + parent + "]");
  out = Type(R"(ChangeDir("no-such-dir"))");
  EXPECT_EQ(out.back(), "※　カレントディレクトリの変更に失敗。×[no-such-dir]");
  out = Type("ChangeDir()");
  EXPECT_EQ(out.back(), "※　キャンセルしました。");
  out = Type("ChangeDirRoot()");
  EXPECT_EQ(out.back(), "カレントディレクトリをルートに移動しました。[/]");
  char buffer[PATH_MAX];
  EXPECT_STREQ(getcwd(buffer, sizeof buffer), "/");
}

TEST_F(FileCommandsTest, DriveCommandsNameTheMountPointAndRefuseBadPaths) {
  auto out = Type("GetDriveSize()");
  EXPECT_EQ(out.back().rfind("ドライブ [/", 0), 0u) << out.back();
  EXPECT_NE(out.back().find("のサイズは"), std::string::npos);
  out = Type(R"(GDFS("."))");
  EXPECT_NE(out.back().find("の空き容量は"), std::string::npos);
  out = Type(R"(GDS(""))");
  EXPECT_EQ(out.back(), "※　ドライブ名が無効です。");
  out = Type(R"(GetDriveSize("1"))");
  EXPECT_EQ(out.back(), "※　ドライブ名が無効です。");
}

TEST_F(FileCommandsTest, ChosenFilesAndFoldersGoToTheResultList) {
  const int rows = RowCount();
  auto out = Type("AddDirToList()");
  EXPECT_EQ(RowCount(), rows);  // cancelled: nothing added
  fake.dialogs.folderChosen = true;
  fake.dialogs.chosenFolder = "/srv";
  out = Type("AddDirToList()");
  EXPECT_EQ(out.back(), "/srv");
  EXPECT_EQ(RowText(RowCount() - 1), "/srv");
  fake.dialogs.fileChosen = true;
  fake.dialogs.chosenFiles = {"/srv/a.bin"};
  out = Type("AddFileToList()");
  EXPECT_EQ(out.back(), "ListIndex[" + std::to_string(rows + 1) + "] : /srv/a.bin");
}

}  // namespace
}  // namespace vpx
