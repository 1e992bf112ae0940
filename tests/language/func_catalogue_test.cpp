#include "language/func_catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "host/sjis.h"
#include "language/func_id.h"
#include "language/trace_capture.h"

namespace vpx {
namespace {

TEST(FuncCatalogueTable, HoldsTheCatalogueThenTheAddedRowsWithUniqueIdsEndedByAnEmptyName) {
  const FuncTableRow* table = GetFuncTable();
  const int rows = kCatalogueRowCount + kAddedRowCount;
  ASSERT_EQ(GetFuncTableRowCount(), rows);
  EXPECT_STREQ(table[rows].name, "");
  std::set<std::string> ids;
  for (int i = 0; i < rows; ++i) {
    SCOPED_TRACE(table[i].name);
    EXPECT_TRUE(ids.insert(table[i].id).second) << "duplicate ID " << table[i].id;
    EXPECT_GE(StrArgTypeToDWord(table[i].returnType), 0);
    EXPECT_LT(std::strlen(table[i].name), 30u);
    const std::string codes = table[i].argCodes;
    ASSERT_FALSE(codes.empty());
    if (codes != "V") {
      EXPECT_EQ(codes.find_first_not_of("IUFS"), std::string::npos);
    }
  }
}

TEST(FuncCatalogueTable, KeepsRegistrationOrderOfOverloads) {
  const FuncTableRow* table = GetFuncTable();
  EXPECT_STREQ(table[0].name, "NOP");
  EXPECT_STREQ(table[1].id, "1");  // first AddInt (II) wins every integer pair
  EXPECT_STREQ(table[1].argCodes, "II");
  EXPECT_STREQ(table[29].name, "CopyFileSect");
  EXPECT_STREQ(table[125].name, "Test");
  EXPECT_STREQ(table[125].id, "999999");
  // The added rows follow the catalogue, with IDs in their own range.
  for (int i = kCatalogueRowCount; i < kCatalogueRowCount + kAddedRowCount; ++i) {
    SCOPED_TRACE(table[i].name);
    const unsigned long id = std::stoul(table[i].id);
    EXPECT_GE(id, kAddedIdFirst);
    EXPECT_LE(id, kAddedIdLast);
  }
  EXPECT_EQ(FindTableRowByID(203), 29);
  EXPECT_EQ(FindTableRowByID(12345), -1);
}

TEST(FuncCatalogueRendering, TableFormRendersEmptyParenthesesForNoArguments) {
  EXPECT_EQ(GetTableSignature(100), "STRING GetCurDir()");
  EXPECT_EQ(GetTableSignature(203), "INT CopyFileSect(STRING, STRING, UINT, INT)");
  EXPECT_EQ(GetTableSignature(27), "FLOAT SqRoot(FLOAT, UINT)");
  EXPECT_EQ(GetTableSignature(4242), "VOID NOP()");  // unknown ID renders the first row
}

TEST(FuncCatalogueRendering, ReturnCodeComesFromTheReturnTypeByID) {
  EXPECT_EQ(GetTableReturnCode(1), kRetInt);
  EXPECT_EQ(GetTableReturnCode(21), kRetUInt);
  EXPECT_EQ(GetTableReturnCode(17), kRetFloat);
  EXPECT_EQ(GetTableReturnCode(100), kRetString);
  EXPECT_EQ(GetTableReturnCode(308), kRetVoid);
  EXPECT_EQ(GetTableReturnCode(4242), kRetVoid);
  EXPECT_EQ(ReturnCodeToTypeName(3), "FLOAT");
  EXPECT_EQ(ArgCodeToTypeName('V'), "VOID");
  EXPECT_EQ(ArgCodeToTypeName('x'), "");
}

TEST(FuncCatalogueTypes, StrArgTypeToDWordComparesExactly) {
  EXPECT_EQ(StrArgTypeToDWord("INT"), 1);
  EXPECT_EQ(StrArgTypeToDWord("UINT"), 2);
  EXPECT_EQ(StrArgTypeToDWord("FLOAT"), 3);
  EXPECT_EQ(StrArgTypeToDWord("STRING"), 4);
  EXPECT_EQ(StrArgTypeToDWord("VOID"), 0);
  EXPECT_EQ(StrArgTypeToDWord("int"), 0);
  EXPECT_EQ(StrArgTypeToDWord("INT "), 0);
  EXPECT_EQ(StrArgTypeToDWord(""), 0);
}

TEST(FuncCatalogueTypes, StrArgTypeToDWordOfAbsentTextIsMinusOneAndTraced) {
  test::TraceCapture trace;
  EXPECT_EQ(StrArgTypeToDWord(nullptr), -1);
  EXPECT_TRUE(trace.Contains(SJ("※　引数が無効です。CVorpexView::StrArgTypeToDWord()\n")));
}

}  // namespace
}  // namespace vpx
