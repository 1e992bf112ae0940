// The writers and appenders of list entries, results, texts and numbers, typed into a
// running engine: the bytes on disk in hexadecimal for every form, signs, offsets past the
// end, no truncation, appends, refusals that leave the file alone, and $n arguments.
#include <gtest/gtest.h>

#include "files/file_primitives.h"
#include "host/text_format.h"
#include "support/file_command_fixture.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

std::string Hex(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) out += (out.empty() ? "" : " ") + Format("%02X", c);
  return out;
}

class EntryWriteCommands : public test::FileCommandFixture {
 protected:
  void SetUp() override {
    FileCommandFixture::SetUp();
    Type("AddIntToList(300)");      // entry 1
    Type("AddIntToList(-5)");       // entry 2
    Type(R"(AddStrToList("ab"))");  // entry 3
    Type("AddIntToList(-12.5)");    // entry 4
    Type("AddIntToList(65536)");    // entry 5
    ASSERT_EQ(EntryCount(), 6);
  }
  std::string Last(const std::string& line) { return Type(line).back(); }
  std::string Bytes(const std::string& name) { return test::ReadBytes(dir.File(name)); }
};

// WriteToFileAsStr with a number writes its sign like every other text writer.
TEST_F(EntryWriteCommands, WriteToFileAsStrWritesANegativeNumberWithItsMinusSign) {
  EXPECT_EQ(Last(R"(WriteToFileAsStr("s", 0, -42))"), "書込完了しました。　書込サイズ [3] Byte");
  EXPECT_EQ(Bytes("s"), "-42\r\n");
  EXPECT_EQ(Last(R"(WriteToFileAsStr("s", 5, 7))"), "書込完了しました。　書込サイズ [1] Byte");
  EXPECT_EQ(Bytes("s"), "-42\r\n7\r\n");
}

TEST_F(EntryWriteCommands, ListAsTextWritesSignedDecimalsAndTextsWithCrLfWithoutTruncating) {
  test::WriteBytes(dir.File("t"), std::string(30, 'x'));
  EXPECT_EQ(Last(R"(WriteListToFileAsText("t", 1, 4))"),
            "書込完了しました。　書込サイズ [12] Byte");
  EXPECT_EQ(Bytes("t"), "300\r\n-5\r\nab\r\n-12.5\r\n" + std::string(10, 'x'));
}

TEST_F(EntryWriteCommands, ListAsBinaryWritesTwosComplementInEitherOrder) {
  EXPECT_EQ(Last(R"(WriteListToFileAsBin("b", 1, 2))"),
            "バイナリ書込完了しました。　書込サイズ [3] Byte");
  EXPECT_EQ(Hex(Bytes("b")), "2C 01 FB");
  EXPECT_EQ(Last(R"(WriteListToFileAsBinBE("b", 2, 1))"),  // a reversed pair is swapped
            "BigEndianでバイナリ書込完了しました。　書込サイズ [3] Byte");
  EXPECT_EQ(Hex(Bytes("b")), "01 2C FB");
  Last(R"(WriteListToFileAsBin("c", 5, 5))");
  EXPECT_EQ(Hex(Bytes("c")), "00 00 01");
}

TEST_F(EntryWriteCommands, TextEntriesAndBadRangesAreRefusedBeforeTheFileIsTouched) {
  EXPECT_EQ(Last(R"(WriteListToFileAsBin("b", 1, 3))"),
            "※　ショートカット[3]は文字列です。バイナリの数値としては書き込めません。");
  EXPECT_EQ(Last(R"(AddToFileAsBinBE("b", 3))"),
            "※　ショートカット[3]は文字列です。バイナリの数値としては書き込めません。");
  EXPECT_EQ(Last(R"(WriteListToFileAsText("b", 1, 6))"),
            "※　指定インデックスはショートカットリストの範囲外です。Index[6] / ListCount[6]");
  EXPECT_FALSE(test::Exists(dir.File("b")));
}

TEST_F(EntryWriteCommands, ResultWritersTakeThePreviousResultAtAnOffsetPastTheEnd) {
  test::WriteBytes(dir.File("r"), "ab");
  Type("AddInt(-300, 0)");
  EXPECT_EQ(Last(R"(WriteResultToFileAsBin("r", 3))"),
            "バイナリ書込完了しました。　書込サイズ [2] Byte");
  EXPECT_EQ(Hex(Bytes("r")), "61 62 00 D4 FE");
  Last(R"(WriteResultToFileAsBinBE("r", 0))");
  EXPECT_EQ(Hex(Bytes("r")), "FE D4 00 D4 FE");
  Last(R"(WriteResultToFileAsText("r", 1))");
  EXPECT_EQ(Bytes("r"), "\xFE-300\r\n");
  const auto before = Type("GetResultData()");  // writers record nothing
  Last(R"(AddResultToFileAsBin("r"))");
  EXPECT_EQ(Type("GetResultData()"), before);
  EXPECT_EQ(Hex(Bytes("r")), "FE 2D 33 30 30 0D 0A D4 FE");
}

TEST_F(EntryWriteCommands, AStringResultIsWrittenAsTextAndRefusedAsBinary) {
  test::WriteBytes(dir.File("s"), "z");
  Type(R"(SetString("hi"))");
  EXPECT_EQ(Last(R"(AddResultToFileAsBinBE("s"))"),
            "※　直前の結果は文字列です。バイナリの数値としては書き込めません。");
  EXPECT_EQ(Last(R"(AddResultToFileAsText("s"))"), "書込完了しました。　書込サイズ [2] Byte");
  EXPECT_EQ(Bytes("s"), "zhi\r\n");
}

TEST_F(EntryWriteCommands, AppendersAddOneEntryAtTheEndAndCreateAMissingFile) {
  EXPECT_EQ(Last(R"(AddToFileAsText("a", 4))"), "書込完了しました。　書込サイズ [5] Byte");
  Last(R"(AddToFileAsBin("a", 1))");
  EXPECT_EQ(Last(R"(AddToFileAsBinBE("a", 1))"),
            "BigEndianでバイナリ書込完了しました。　書込サイズ [2] Byte");
  EXPECT_EQ(Bytes("a"), "-12.5\r\n\x2C\x01\x01\x2C");
}

TEST_F(EntryWriteCommands, TextAndNumberArgumentsAtOffsetsAndAppended) {
  test::WriteBytes(dir.File("s"), "0123456789");
  EXPECT_EQ(Last(R"(WriteStrToFile("s", 2, "XY"))"), "書込完了しました。　書込サイズ [2] Byte");
  EXPECT_EQ(Bytes("s"), "01XY\r\n6789");
  Last(R"(AddStrToFile("s", "end"))");
  EXPECT_EQ(Bytes("s"), "01XY\r\n6789end\r\n");

  Last(R"(WriteIntToFile("i", 0, 65536))");
  EXPECT_EQ(Hex(Bytes("i")), "00 00 01");
  EXPECT_EQ(Last(R"(WriteIntToFileBE("i", 1, -129))"),  // a sign byte, not +127
            "BigEndianでバイナリ書込完了しました。　書込サイズ [2] Byte");
  EXPECT_EQ(Hex(Bytes("i")), "00 FF 7F");
  Last(R"(WriteIntToFile("i", 0, 1.9))");  // the integer part
  Last("AddIntToFile(\"i\", -1)");
  Last(R"(AddIntToFileBE("i", 256))");
  Last(R"(AddIntToFile("i", -128))");
  Last(R"(AddIntToFile("i", -0.5))");
  EXPECT_EQ(Hex(Bytes("i")), "01 FF 7F FF 01 00 80 00");
}

TEST_F(EntryWriteCommands, ShortcutsServeAsArguments) {
  Last(R"(WriteIntToFile("j", 0, $1))");
  Type(R"(StrToInt("0x1F"))");
  Last(R"(AddIntToFile("j", $0))");
  Last(R"(AddStrToFile("j", $3))");
  EXPECT_EQ(Bytes("j"),
            "\x2C\x01\x1F"
            "ab\r\n");
}

}  // namespace
}  // namespace vpx
