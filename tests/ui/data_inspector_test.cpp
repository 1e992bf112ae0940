#include "ui/data_inspector.h"

#include <gtest/gtest.h>

#include <QTableWidget>
#include <map>

#include "ui/ui_test_app.h"

namespace vpx::ui {
namespace {

std::map<QString, InspectorRow> RowsOf(const std::string& bytes) {
  std::map<QString, InspectorRow> rows;
  for (const InspectorRow& row :
       InspectBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))
    rows[row.name] = row;
  return rows;
}

TEST(DataInspector, ReadsIntegersOfEveryWidthInBothByteOrders) {
  auto rows = RowsOf("\x01\x02\x03\x04\x05\x06\x07\xF8");
  EXPECT_EQ(rows["u8"].little, "1");
  EXPECT_EQ(rows["u16"].little, "513");  // 0x0201
  EXPECT_EQ(rows["u16"].big, "258");     // 0x0102
  EXPECT_EQ(rows["u32"].little, "67305985");
  EXPECT_EQ(rows["u32"].big, "16909060");
  EXPECT_EQ(rows["u64"].little, "17872260264855011841");  // 0xF807060504030201
  EXPECT_EQ(rows["s64"].little, "-574483808854539775");
  EXPECT_EQ(rows["u64"].big, "72623859790383096");  // 0x01020304050607F8
  EXPECT_EQ(rows["s64"].big, "72623859790383096");
  auto negative = RowsOf(std::string("\xFF\xFE\x80\x00", 4));
  EXPECT_EQ(negative["s8"].little, "-1");
  EXPECT_EQ(negative["u8"].big, "255");
  EXPECT_EQ(negative["s16"].little, "-257");     // 0xFEFF
  EXPECT_EQ(negative["s16"].big, "-2");          // 0xFFFE
  EXPECT_EQ(negative["s32"].little, "8453887");  // 0x0080FEFF
  EXPECT_EQ(negative["s32"].big, "-98304");      // 0xFFFE8000
}

TEST(DataInspector, ReadsFloatsInBothByteOrdersAndMarksValuesThatRunPastTheBytes) {
  auto one = RowsOf(std::string("\x00\x00\x80\x3F", 4));
  EXPECT_EQ(one["f32"].little, "1");
  EXPECT_EQ(one["f64"].little, QStringLiteral("—"));
  EXPECT_EQ(one["u64"].big, QStringLiteral("—"));
  auto big = RowsOf(std::string("\x3F\xF0\x00\x00\x00\x00\x00\x00", 8));
  EXPECT_EQ(big["f64"].big, "1");
  EXPECT_EQ(big["f32"].big, "1.875");  // 0x3FF00000
  auto half = RowsOf(std::string("\xC0\x00\x00\x00", 4));
  EXPECT_EQ(half["f32"].big, "-2");
}

TEST(DataInspector, ShowsTheShiftJisCharacterStartingThereAndTheBits) {
  auto kana = RowsOf("\x82\xA0\x41");  // あ A
  EXPECT_EQ(kana["SJIS"].little, QStringLiteral("あ"));
  EXPECT_EQ(kana[QStringLiteral("ビット")].little, "1000 0010");
  auto katakana = RowsOf("\xA5");
  EXPECT_EQ(katakana["SJIS"].little, QStringLiteral("･"));  // half-width katakana middle dot
  EXPECT_EQ(katakana[QStringLiteral("ビット")].big, "1010 0101");
  EXPECT_EQ(RowsOf("\x82")["SJIS"].little, QStringLiteral("—"));  // lead byte at the end
  EXPECT_EQ(RowsOf("\x0A")["SJIS"].little, "(0x0a)");
  EXPECT_TRUE(InspectBytes(nullptr, 0).empty());
}

TEST(DataInspector, TheWidgetShowsTheRowsForItsOffset) {
  test::App();
  CDataInspector inspector;
  const uint8_t bytes[] = {0x34, 0x12};
  inspector.ShowBytes(bytes, 2, 100);
  EXPECT_EQ(inspector.ValueOf("u16", 1), "4660");   // 0x1234
  EXPECT_EQ(inspector.ValueOf("u16", 2), "13330");  // 0x3412
  inspector.ShowBytes(nullptr, 0, 0);
  EXPECT_EQ(inspector.Table()->rowCount(), 0);
}

}  // namespace
}  // namespace vpx::ui
