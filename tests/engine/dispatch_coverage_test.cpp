// Every row of the function table reaches a handler through the handler table; only the
// rows that stand for doing nothing are inert, and IDs outside the table answer with the
// invalid-ID message.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "engine/handler_table.h"
#include "language/func_catalogue.h"
#include "support/engine_fixture.h"
#include "support/fake_command_context.h"

namespace vpx::test {
namespace {

// The rows that do nothing by their nature.
constexpr FuncId kMayBeInert[] = {FuncId::Nop, FuncId::Test};

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

TEST(DispatchCoverage, EveryCatalogueRowHasAHandler) {
  const HandlerTable table = EveryFamily();
  for (int row = 0; row < GetFuncTableRowCount(); ++row) {
    const FuncId id = RowId(row);
    SCOPED_TRACE(GetTableSignature(FuncIdValue(id)));
    EXPECT_NE(table.FindCommand(id), nullptr);
  }
}

TEST(DispatchCoverage, OnlyNopAndTestAreInertAndEachOnce) {
  std::set<FuncId> seen;
  for (FuncId id : InertFuncIds()) {
    EXPECT_TRUE(seen.insert(id).second) << FuncIdValue(id);
    EXPECT_TRUE(Contains(kMayBeInert, id)) << FuncIdValue(id);
  }
  EXPECT_TRUE(seen.count(FuncId::Nop) && seen.count(FuncId::Test));
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

TEST_F(DispatchThroughTheEngine, IdsOutsideTheTableAnswerWithTheInvalidIdMessage) {
  for (uint32_t id : {16u, 313u, 999998u}) {  // between rows, and past the last
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
