// The copy, checksum and file-size handlers against a fake context: what they check before
// a job is queued, under which ID the job goes, and what a refused queue returns.
#include <gtest/gtest.h>

#include "engine/commands/files/file_commands.h"
#include "files/file_primitives.h"
#include "host/sjis.h"
#include "support/fake_command_context.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

using test::CallWith;
using test::FakeCommandContext;
using test::TempDir;

class FileHandlers : public ::testing::Test {
 protected:
  FileHandlers() { RegisterFileCommands(table); }

  int Run(FuncId id, const std::vector<std::string>& args) {
    CMyFuncData call = CallWith(id, args);
    return table.FindCommand(id)(context, id, call);
  }

  HandlerTable table;
  FakeCommandContext context;
  TempDir dir;
};

TEST_F(FileHandlers, CopyChecksItsArgumentsBeforeQueueingUnderItsOwnId) {
  test::WriteBytes(dir.File("src"), "0123456789");
  EXPECT_EQ(Run(FuncId::CopyFileSect, {dir.File("dst"), dir.File("src"), "-1", "4"}), 0);
  EXPECT_EQ(context.echoed.back(), SJ("※　無効な範囲指定です。"));
  EXPECT_EQ(Run(FuncId::CopyFileSect, {dir.File("dst"), dir.File("none"), "0", "4"}), 0);
  EXPECT_EQ(context.echoed.back(), SJ("※　コピー元のファイルが存在しません。"));
  EXPECT_TRUE(context.queued.empty());
  EXPECT_EQ(Run(FuncId::CopyFileSectR, {dir.File("dst"), dir.File("src"), "2", "3"}), 1);
  EXPECT_EQ(Run(FuncId::CopyFileSect, {dir.File("dst"), dir.File("src"), "2", "3"}), 1);
  EXPECT_EQ(context.queued, (std::vector<FuncId>{FuncId::CopyFileSectR, FuncId::CopyFileSect}));
  EXPECT_FALSE(IxExistFile(dir.File("dst"), false));  // the job, not the handler, writes it
}

TEST_F(FileHandlers, ChecksumsQueueTheirJobsAndFailWhenTheQueueRefuses) {
  for (FuncId id :
       {FuncId::MakeFileCRC, FuncId::CheckFileCRC, FuncId::MakeFileADLER, FuncId::CheckFileADLER})
    EXPECT_EQ(Run(id, {dir.File("any"), "00000000"}), 1);
  EXPECT_EQ(context.queued.size(), 4u);
  EXPECT_EQ(context.queued[2], FuncId::MakeFileADLER);
  context.queueFails = true;
  EXPECT_EQ(Run(FuncId::MakeFileCRC, {dir.File("any")}), 0);
}

TEST_F(FileHandlers, GetFileSizeRecordsTheSizeOrTouchesNothing) {
  test::WriteBytes(dir.File("f"), std::string(1234, 'x'));
  EXPECT_EQ(Run(FuncId::GetFileSize, {dir.File("missing")}), 0);
  EXPECT_EQ(context.echoed.back(), SJ("※　指定ファイルは存在しません。"));
  EXPECT_EQ(context.previous.id, -1);
  EXPECT_EQ(Run(FuncId::GetFileSize, {dir.File("f")}), 1);
  EXPECT_EQ(context.echoed.back(), "1,234 Byte");
  EXPECT_EQ(context.previous.id, static_cast<int32_t>(FuncIdValue(FuncId::GetFileSize)));
  EXPECT_EQ(context.previous.number.GetAsUInt(), 1234u);
  EXPECT_EQ(context.EntryText(0), "");  // entry 0 holds the number, not a text
  EXPECT_EQ(context.lockDepth, 0);
}

}  // namespace
}  // namespace vpx
