// The list command handlers against a fake context: the paths the engine rarely takes
// (a list lock that cannot be had, a row that cannot be added, reserved entries) and the
// lock discipline of every handler.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/handler_table.h"
#include "host/sjis.h"
#include "support/fake_command_context.h"

namespace vpx::test {
namespace {

class ListHandlers : public ::testing::Test {
 protected:
  ListHandlers() { RegisterListCommands(table); }

  int Run(FuncId id, const std::vector<std::string>& numbers,
          const std::vector<std::string>& texts = {}) {
    CommandHandler handler = table.FindCommand(id);
    EXPECT_NE(handler, nullptr);
    if (handler == nullptr) return -99;
    std::vector<std::string> args = numbers;
    args.insert(args.end(), texts.begin(), texts.end());
    CMyFuncData call = CallWith(id, args);
    return handler(context, id, call);
  }
  std::string LastEcho() const {
    return context.echoed.empty() ? std::string("<none>") : context.echoed.back();
  }

  HandlerTable table;
  FakeCommandContext context;
};

struct LockedCall {
  FuncId id;
  std::vector<std::string> numbers;
  std::vector<std::string> texts;
  const char* failureUtf8;
};

TEST_F(ListHandlers, ALockThatCannotBeHadFailsWithoutTouchingTheList) {
  const char* kListLock = "※　リストコントロール用ミューテックスハンドル取得に失敗。";
  const std::vector<LockedCall> calls = {
      {FuncId::AddIntToList, {"7"}, {}, kListLock},
      {FuncId::AddResultToList, {}, {}, kListLock},
      {FuncId::GetListData, {"1"}, {}, kListLock},
      {FuncId::SetStrToList, {"1"}, {"new"}, kListLock},
      {FuncId::SetIntToList, {"1", "5"}, {}, kListLock},
      {FuncId::CopyList, {"1", "-1"}, {}, kListLock},
      {FuncId::ListToClip, {"1"}, {}, kListLock},
      {FuncId::DelListU, {"1"}, {}, "※　ショートカットリスト用ミューテックスハンドル取得に失敗。"},
      {FuncId::DelListUU,
       {"1", "1"},
       {},
       "※　ショートカットリスト用ミューテックスハンドル取得に失敗。"},
  };
  context.AddEntry("one");
  context.lockFails = true;
  for (const LockedCall& c : calls) {
    SCOPED_TRACE(FuncIdValue(c.id));
    EXPECT_EQ(Run(c.id, c.numbers, c.texts), 0);
    std::string expected;
    ASSERT_TRUE(Utf8ToSjis(c.failureUtf8, expected));
    EXPECT_EQ(LastEcho(), expected);
    EXPECT_EQ(context.shortcuts.GetCount(), 2);
    EXPECT_EQ(context.EntryText(1), "one");
  }
}

TEST_F(ListHandlers, EveryPathReleasesTheLockAndHoldsItForUnlockedOperations) {
  const std::vector<LockedCall> calls = {
      {FuncId::AddStrToListS, {}, {"x"}, nullptr},
      {FuncId::AddStrToListV, {}, {}, nullptr},
      {FuncId::DelListU, {"0"}, {}, nullptr},
      {FuncId::DelListUU, {"2", "9"}, {}, nullptr},
      {FuncId::AddIntToList, {"-3"}, {}, nullptr},
      {FuncId::AddResultToList, {}, {}, nullptr},
      {FuncId::GetListData, {"1"}, {}, nullptr},
      {FuncId::GetListData, {"99"}, {}, nullptr},
      {FuncId::SetStrToList, {"1"}, {"y"}, nullptr},
      {FuncId::SetIntToList, {"99", "5"}, {}, nullptr},
      {FuncId::ListToClip, {"1"}, {}, nullptr},
      {FuncId::ListToClip, {"99"}, {}, nullptr},
      {FuncId::AddClipToList, {}, {}, nullptr},
      {FuncId::ResultToClip, {}, {}, nullptr},
      {FuncId::GetClip, {}, {}, nullptr},
      {FuncId::CopyList, {"1", "-1"}, {}, nullptr},
      {FuncId::CopyList, {"99", "1"}, {}, nullptr},
      {FuncId::CopyList, {"1", "2"}, {}, nullptr},
  };
  context.AddEntry("one");
  context.AddEntry("two");
  for (const LockedCall& c : calls) {
    SCOPED_TRACE(FuncIdValue(c.id));
    Run(c.id, c.numbers, c.texts);
    EXPECT_EQ(context.lockDepth, 0);
    EXPECT_EQ(context.unlockedTouches, 0);
  }
}

TEST_F(ListHandlers, AddResultToListTakesTheEntryBackWhenItsRowCannotBeAdded) {
  context.previous.type = 4;
  context.previous.text = "kept";
  context.listFails = true;
  EXPECT_EQ(Run(FuncId::AddResultToList, {}), 0);
  EXPECT_EQ(LastEcho(), SJ("※　リストへの登録に失敗。"));
  EXPECT_EQ(context.shortcuts.GetCount(), 1);
  EXPECT_EQ(context.lockDepth, 0);
}

TEST_F(ListHandlers, DelListSkipsEntriesReservedForJobs) {
  context.AddEntry("one");
  context.AddEntry("busy", true);
  context.AddEntry("three");
  context.AddEntry("four");
  EXPECT_EQ(Run(FuncId::DelListUU, {"1", "4"}), 0);
  EXPECT_EQ(LastEcho(), SJ("[3]個のショートカットを削除しました。"));
  ASSERT_EQ(context.shortcuts.GetCount(), 2);
  EXPECT_EQ(context.EntryText(1), "busy");
  EXPECT_EQ(Run(FuncId::DelListU, {"1"}), 0);
  EXPECT_EQ(LastEcho(), SJ("※　Index[1] のショートカットは計算終了待ちです。"));
  EXPECT_EQ(context.shortcuts.GetCount(), 2);
}

TEST_F(ListHandlers, AReservedEntryIsNeitherReadNorOverwritten) {
  context.AddEntry("busy", true);
  context.AddEntry("free");
  const std::string reserved = SJ("※　ショートカット[1]は計算スレッドに予約されています。");
  EXPECT_EQ(Run(FuncId::GetListData, {"1"}), 0);
  EXPECT_EQ(LastEcho(), reserved);
  EXPECT_EQ(Run(FuncId::SetStrToList, {"1"}, {"over"}), 0);
  EXPECT_EQ(LastEcho(), reserved);
  EXPECT_EQ(Run(FuncId::CopyList, {"2", "1"}), 0);
  EXPECT_EQ(LastEcho(), reserved);
  EXPECT_EQ(context.EntryText(1), "busy");
  EXPECT_TRUE(context.previous.text.empty());
}

}  // namespace
}  // namespace vpx::test
