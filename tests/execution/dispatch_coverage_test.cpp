// Every row of the function table reaches one outcome through the handler table: a
// handler, a deliberate no-op, or (until those commands are built) the invalid-ID message.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "command/func_catalogue.h"
#include "execution/engine_fixture.h"
#include "execution/handler_table.h"
#include "support/fake_command_context.h"

namespace vpx::test {
namespace {

// Rows still without a handler: they answer with the invalid-ID message.
constexpr FuncId kNotYetBuilt[] = {
    FuncId::StrToInt,
    FuncId::IntToStr,
    FuncId::GetFilePath,
    FuncId::GetDirPath,
    FuncId::SetDirToList,
    FuncId::CombineFileSSS,
    FuncId::WriteListToFileAsText,
    FuncId::WriteListToFileAsBin,
    FuncId::WriteListToFileAsBinBE,
    FuncId::WriteResultToFileAsText,
    FuncId::WriteResultToFileAsBin,
    FuncId::WriteResultToFileAsBinBE,
    FuncId::WriteStrToFile,
    FuncId::WriteIntToFile,
    FuncId::WriteIntToFileBE,
    FuncId::AddToFileAsText,
    FuncId::AddToFileAsBin,
    FuncId::AddToFileAsBinBE,
    FuncId::AddResultToFileAsText,
    FuncId::AddResultToFileAsBin,
    FuncId::AddResultToFileAsBinBE,
    FuncId::AddStrToFile,
    FuncId::AddIntToFile,
    FuncId::AddIntToFileBE,
};

template <typename List>
bool Contains(const List& list, FuncId id) {
  return std::find(std::begin(list), std::end(list), id) != std::end(list);
}

FuncId RowId(int row) {
  return static_cast<FuncId>(std::stoul(GetFuncTable()[row].id));
}

HandlerTable EveryFamily() {
  HandlerTable table;
  RegisterEngineCommands(table);
  RegisterListCommands(table);
  RegisterMathCommands(table);
  RegisterFileCommands(table);
  return table;
}

TEST(DispatchCoverage, EveryCatalogueRowIsHandledInertOrKnownInvalid) {
  const HandlerTable table = EveryFamily();
  for (int row = 0; row < GetFuncTableRowCount(); ++row) {
    const FuncId id = RowId(row);
    SCOPED_TRACE(GetTableSignature(FuncIdValue(id)));
    const bool inert = Contains(InertFuncIds(), id);
    const bool unbuilt = Contains(kNotYetBuilt, id);
    EXPECT_FALSE(inert && unbuilt);
    EXPECT_EQ(table.FindCommand(id) != nullptr, !unbuilt);
  }
}

TEST(DispatchCoverage, TheNamedListsHoldOnlyCatalogueRowsOnce) {
  std::set<FuncId> seen;
  for (FuncId id : InertFuncIds()) EXPECT_TRUE(seen.insert(id).second) << FuncIdValue(id);
  for (FuncId id : kNotYetBuilt) EXPECT_TRUE(seen.insert(id).second) << FuncIdValue(id);
  for (FuncId id : seen) EXPECT_GE(FindTableRowByID(FuncIdValue(id)), 0) << FuncIdValue(id);
}

TEST(DispatchCoverage, InertRowsSucceedWithoutOutputOrChange) {
  const HandlerTable table = EveryFamily();
  FakeCommandContext context;
  for (FuncId id : InertFuncIds()) {
    SCOPED_TRACE(FuncIdValue(id));
    CMyFuncData call = CallWith(id, {"1", "a"});
    EXPECT_EQ(table.FindCommand(id)(context, id, call), 1);
  }
  EXPECT_TRUE(context.echoed.empty());
  EXPECT_TRUE(context.queued.empty());
  EXPECT_EQ(context.shortcuts.GetCount(), 1);
  EXPECT_EQ(context.previous.id, -1);
}

class DispatchThroughTheEngine : public ::testing::Test, public EngineFixture {};

TEST_F(DispatchThroughTheEngine, UnbuiltRowsAndUnknownIdsAnswerWithTheInvalidIdMessage) {
  std::vector<uint32_t> ids;
  for (FuncId id : kNotYetBuilt) ids.push_back(FuncIdValue(id));
  ids.push_back(16);  // between rows
  ids.push_back(999998);
  for (uint32_t id : ids) {
    SCOPED_TRACE(id);
    CMyFuncData call;
    EXPECT_EQ(engine.ExecuteFunc(static_cast<int32_t>(id), &call), 0);
    EXPECT_EQ(Output(),
              std::vector<std::string>{"※　無効な識別IDです。[" + std::to_string(id) + "]\n"});
  }
}

TEST_F(DispatchThroughTheEngine, InertRowsAnswerSuccessSilently) {
  for (FuncId id : InertFuncIds()) {
    CMyFuncData call;
    EXPECT_EQ(engine.ExecuteFunc(static_cast<int32_t>(FuncIdValue(id)), &call), 1);
  }
  EXPECT_TRUE(Output().empty());
  EXPECT_EQ(EntryCount(), 1);
}

}  // namespace
}  // namespace vpx::test
