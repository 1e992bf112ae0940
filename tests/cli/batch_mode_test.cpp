// End-to-end transcripts of vorpex in batch mode, run as a subprocess: standard output holds
// exactly the echoed console lines, in UTF-8.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/vorpex_run.h"

namespace {

using BatchMode = vpx::test::VorpexRun;
using vpx::test::Outcome;
namespace fs = std::filesystem;

using vpx::test::L;

TEST_F(BatchMode, AddIntEchoAndPreviousResult) {
  Outcome r = Lines({"AddInt(1, 2)", "GetResultData()"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, L("INT AddInt(INT, INT)") + L("3") + L("VOID GetResultData(VOID)") +
                       L("【直前の結果】INT : 3"));
  EXPECT_EQ(r.err, "");
}

TEST_F(BatchMode, AnUnregisteredCallGetsNoHintLineInBatchOutput) {
  // The window and --console add a line naming the calls meant; batch output stays as it was.
  Outcome r = Lines({"addint(1, 2)", "AddInt(\"a\", 2)", "Factorail(5)"});
  EXPECT_EQ(r.out, L("未登録な命令です。") + L("未登録な命令です。") + L("未登録な命令です。"));
  const std::string file = WriteFile("calls.txt", "addint(1, 2)\n");
  r = Vorpex({"--batch", file});
  EXPECT_EQ(r.out, L("未登録な命令です。"));
}

TEST_F(BatchMode, EntryZeroExistsAfterStartUp) {
  Outcome r = Lines({"GetListItemNum()", "ListToClip(0)"});
  EXPECT_EQ(r.out, L("UINT GetListItemNum(VOID)") + L("1") + L("STRING ListToClip(UINT)") +
                       L("クリップボードに 1 文字コピーしました。"));
}

TEST_F(BatchMode, TextToNumberCommandsPrintTheirIntegers) {
  Outcome r = Lines({"StrToInt(\"12.9\")", "IntToStr(\"PK\")"});
  EXPECT_EQ(r.out, L("INT StrToInt(STRING)") + L("12") + L("INT IntToStr(STRING)") + L("20555"));
}

TEST_F(BatchMode, BlankAndCommentLinesAreSkippedAndAnUnregisteredLineExitsWithOne) {
  const std::string file =
      WriteFile("lines.txt", "bogus(\r\n\n  \t\r\n  # NOP()\n#\nNOP()  # not a comment");
  Outcome r = Vorpex({"--batch", file});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, L("未登録な命令です。") + L("VOID NOP(VOID)"));
  Outcome ok = Vorpex({"--batch", WriteFile("ok.txt", "# only a comment\n\nNOP()\n")});
  EXPECT_EQ(ok.exitCode, 0);
  EXPECT_EQ(ok.out, L("VOID NOP(VOID)"));
}

TEST_F(BatchMode, EmptyLineGivenWithDashEKeepsTheReadFailureMessage) {
  Outcome r = Lines({"", "NOP()"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, L("※　画面からの読込失敗。") + L("VOID NOP(VOID)"));
}

TEST_F(BatchMode, DelListRangesAndIndexZero) {
  Outcome r = Lines({"AddStrToList(\"a\")", "AddStrToList(\"b\")", "AddStrToList(\"c\")",
                     "DelList(0)", "DelList(3, 2)", "DelList(1, 9)", "GetListItemNum()"});
  const std::string sig = L("INT AddStrToList(STRING)");
  EXPECT_EQ(r.out, sig + sig + sig + L("INT DelList(UINT)") +
                       L("※　指定インデックスはショートカットリストの範囲外です。ErrIndex[0] / "
                         "ListNum[4]") +
                       L("INT DelList(UINT, UINT)") + L("[2]個のショートカットを削除しました。") +
                       L("INT DelList(UINT, UINT)") + L("[1]個のショートカットを削除しました。") +
                       L("UINT GetListItemNum(VOID)") + L("1"));
}

TEST_F(BatchMode, CopyListAndListToClipByteCounts) {
  Outcome r = Lines({"AddStrToList(\"twelve bytes\")", "CopyList(1, 5)", "CopyList(2, 2)",
                     "ListToClip(2)", "AddStrToList(\"全角\")", "ListToClip(3)"});
  EXPECT_EQ(r.out, L("INT AddStrToList(STRING)") + L("VOID CopyList(INT, UINT)") +
                       L("VOID CopyList(INT, UINT)") + L("STRING ListToClip(UINT)") +
                       L("クリップボードに 12 文字コピーしました。") +
                       L("INT AddStrToList(STRING)") + L("STRING ListToClip(UINT)") +
                       L("クリップボードに 4 文字コピーしました。"));
}

TEST_F(BatchMode, ClipboardIsKeptInTheProcess) {
  Outcome r = Lines({"SetString(\"kept\")", "ResultToClip()", "GetClip()"});
  EXPECT_EQ(r.out, L("STRING SetString(STRING)") + L("kept") + L("INT ResultToClip(VOID)") +
                       L("kept") + L("STRING GetClip(VOID)") + L("kept"));
}

TEST_F(BatchMode, LaterLineUsesTheResultOfAnEarlierJob) {
  const std::string file = WriteFile("data.bin", "123456789");
  Outcome r = Lines({"MakeFileCRC(\"" + file + "\")", "GetListData(1)",
                     "CheckFileCRC(\"" + file + "\", $1)", "GetListData(2)"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, L("STRING MakeFileCRC(STRING)") + L("INT GetListData(UINT)") + L("CBF43926") +
                       L("INT CheckFileCRC(STRING, STRING)") + L("INT GetListData(UINT)") +
                       L("0"));  // 0: the CRC of entry 1 matches
}

TEST_F(BatchMode, LineWithoutShiftJisFormIsNotExecuted) {
  Outcome r = Lines({"AddStrToList(\"😀\")", "GetListItemNum()"});
  EXPECT_EQ(r.out, L("※　Shift-JIS に変換できない文字を含む行です。実行しませんでした。[U+1F600]") +
                       L("UINT GetListItemNum(VOID)") + L("1"));
}

TEST_F(BatchMode, ALookAlikeCharacterIsNamedAndItsTwinFileNeverOpened) {
  const std::string twin = WriteFile("x～y", "keep");  // U+FF5E, what 0x8160 reads back as
  Outcome r = Lines({"WriteToFileAsStr(\"" + (dir_ / "x〜y").string() + "\", 0, \"new\")"});
  EXPECT_EQ(r.out, L("※　Shift-JIS に変換できない文字を含む行です。実行しませんでした。[U+301C]"));
  EXPECT_EQ(vpx::test::Slurp(twin), "keep");
  EXPECT_FALSE(fs::exists(dir_ / "x〜y"));
}

TEST_F(BatchMode, TranscriptPrintsEachInputLineFirst) {
  Outcome r = Vorpex({"--transcript", "-e", "AddInt(2, 2)", "-e", "NOP()"});
  EXPECT_EQ(r.out, "AddInt(2, 2)\n" + L("INT AddInt(INT, INT)") + L("4") + "NOP()\n" +
                       L("VOID NOP(VOID)"));
}

TEST_F(BatchMode, StandardInputAsTheBatchFile) {
  Outcome r = Vorpex({"--batch", "-"}, "AddInt(20, 22)\n");
  EXPECT_EQ(r.out, L("INT AddInt(INT, INT)") + L("42"));
}

TEST_F(BatchMode, UnreadableFileExitsWithTwoAndPrintsNothing) {
  Outcome r = Vorpex({"--batch", (dir_ / "missing.txt").string()});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err, "");
  EXPECT_EQ(Vorpex({"--batch", dir_.string()}).exitCode, 2);
}

TEST_F(BatchMode, TraceGoesToTheGivenPath) {
  Lines({"bogus("});
  EXPECT_TRUE(fs::exists(dir_ / "trace.txt"));
}

TEST_F(BatchMode, VersionHelpAndBadOptions) {
  EXPECT_EQ(Vorpex({"--version"}).out, "Vorpex Version 0.9\n");
  Outcome help = Vorpex({"--help"});
  EXPECT_NE(help.out.find("--batch FILE"), std::string::npos);
  EXPECT_NE(help.out.find("--transcript"), std::string::npos);
  EXPECT_NE(help.out.find("3  standard output cannot be written"), std::string::npos);
  Outcome bad = Vorpex({"--frobnicate"});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(Vorpex({"-e"}).exitCode, 2);
}

}  // namespace
