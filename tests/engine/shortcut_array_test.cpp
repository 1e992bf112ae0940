#include "engine/shortcut_array.h"

#include <gtest/gtest.h>

#include <string>

#include "language/func_catalogue.h"

namespace vpx {
namespace {

CMyFuncResult Text(const std::string& text, uint32_t reserved = 0,
                   const CMyThreadDlg* owner = nullptr) {
  CMyFuncResult record;
  record.type = kRetString;
  record.text = text;
  record.reserved = reserved;
  record.owner = owner;
  return record;
}

const CMyThreadDlg* Owner(int n) {
  static int tokens[4];
  return reinterpret_cast<const CMyThreadDlg*>(&tokens[n]);
}

std::string TextAt(const CVXShortCutArray& array, uint32_t index) {
  CMyFuncResult record;
  return array.GetAt(index, record) == 1 ? record.text : "<none>";
}

TEST(CVXShortCutArray, AddAndSetStoreCopiesAddressedByIndex) {
  CVXShortCutArray array;
  CMyFuncResult record = Text("a");
  EXPECT_EQ(array.AddData(record), 1);
  EXPECT_EQ(array.AddData(Text("b")), 2);
  record.text = "changed";
  EXPECT_EQ(TextAt(array, 0), "a");
  EXPECT_EQ(array.SetAt(1, Text("c")), 2);
  EXPECT_EQ(TextAt(array, 1), "c");
  EXPECT_EQ(array.SetAt(2, Text("d")), -1);
  CMyFuncResult out = Text("keep");
  EXPECT_EQ(array.GetAt(2, out), 0);
  EXPECT_EQ(out.text, "keep");
}

TEST(CVXShortCutArray, RemoveDataClosesTheGapButSparesReservedEntries) {
  CVXShortCutArray array;
  array.AddData(Text("a"));
  array.AddData(Text("job", 1, Owner(0)));
  array.AddData(Text("c"));
  EXPECT_EQ(array.RemoveData(1), -1);
  EXPECT_EQ(array.RemoveData(3), -1);
  EXPECT_EQ(array.GetCount(), 3);
  EXPECT_EQ(array.IsReserved(1), 1);
  EXPECT_EQ(array.IsReserved(9), 0);
  EXPECT_EQ(array.RemoveData(0), 2);
  EXPECT_EQ(TextAt(array, 0), "job");
  EXPECT_EQ(TextAt(array, 1), "c");
  array.RemoveAll();
  EXPECT_EQ(array.GetCount(), 0);
}

TEST(CVXShortCutArray, FindReservedFillsTheLowestEntryOfThatOwner) {
  CVXShortCutArray array;
  array.AddData(Text("x"));
  array.AddData(Text("other", 1, Owner(1)));
  array.AddData(Text("first", 1, Owner(0)));
  array.AddData(Text("second", 1, Owner(0)));
  EXPECT_EQ(array.FindReserved(Owner(0), Text("done")), 2);
  EXPECT_EQ(TextAt(array, 2), "done");
  EXPECT_EQ(TextAt(array, 3), "second");
  EXPECT_EQ(array.IsReserved(2), 0);  // the written record ends the reservation
  EXPECT_EQ(array.FindReserved(Owner(0), Text("next")), 3);
  EXPECT_EQ(array.FindReserved(Owner(2), Text("none")), -1);
  EXPECT_EQ(array.FindReserved(nullptr, Text("none")), -1);
  EXPECT_EQ(CVXShortCutArray().FindReserved(Owner(0), Text("none")), -1);
}

}  // namespace
}  // namespace vpx
