#include "files/value_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "host/sjis.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

using test::TempDir;

MyNumeric Number(const char* text) {
  MyNumeric n;
  EXPECT_EQ(n.SetByString(text), NumStatus::kOk) << text;
  return n;
}

class ValueWriterTest : public ::testing::Test {
 protected:
  int WriteNumber(WriteForm form, const char* number, int64_t offset = 0) {
    return test::Said(WriteValueToFile(form, file, offset, std::string(), Number(number)),
                      &message);
  }
  int WriteText(WriteForm form, const std::string& text, int64_t offset) {
    return test::Said(WriteValueToFile(form, file, offset, text, MyNumeric()), &message);
  }
  std::string Bytes() { return test::ReadBytes(file); }

  TempDir dir;
  std::string file = dir.File("out.bin");
  std::string message;
};

TEST_F(ValueWriterTest, BinaryIntegersInBothByteOrders) {
  ASSERT_EQ(WriteNumber(kWriteInteger, "300"), 1);
  EXPECT_EQ(Bytes(), std::string("\x2C\x01", 2));
  EXPECT_EQ(message, SJ("バイナリ書込完了しました。　書込サイズ [2] Byte"));
  ASSERT_EQ(WriteNumber(kWriteIntegerBE, "300"), 1);
  EXPECT_EQ(Bytes(), std::string("\x01\x2C", 2));
  EXPECT_EQ(message, SJ("BigEndianでバイナリ書込完了しました。　書込サイズ [2] Byte"));
  ASSERT_EQ(WriteNumber(kWriteIntegerBE, "-5", 2), 1);
  EXPECT_EQ(Bytes(), std::string("\x01\x2C\xFB", 3));
}

TEST_F(ValueWriterTest, NegativeIntegersKeepTheirSignByte) {
  ASSERT_EQ(WriteNumber(kWriteInteger, "-129"), 1);
  EXPECT_EQ(Bytes(), std::string("\x7F\xFF", 2));  // one byte 7F would read as +127
  ASSERT_EQ(WriteNumber(kWriteIntegerBE, "-128"), 1);
  EXPECT_EQ(Bytes(), std::string("\x80\xFF", 2));  // 80 alone is -128; the old FF stays
  EXPECT_EQ(message, SJ("BigEndianでバイナリ書込完了しました。　書込サイズ [1] Byte"));
}

TEST_F(ValueWriterTest, SeveralValuesAppendedInOneFormAfterTheOldEnd) {
  test::WriteBytes(file, "old");
  const std::string text = "a";
  const MyNumeric seven = Number("7"), minus = Number("-2");
  std::vector<WriteSource> values{{nullptr, &seven}, {nullptr, &minus}};
  ASSERT_EQ(
      test::Said(WriteValuesToFile(kWriteIntegerBE, file, WritePlace{true, 0}, values), &message),
      1);
  EXPECT_EQ(Bytes(), std::string("old\x07\xFE", 5));
  EXPECT_EQ(message, SJ("BigEndianでバイナリ書込完了しました。　書込サイズ [2] Byte"));
  ASSERT_EQ(test::Said(WriteValuesToFile(kWriteText, dir.File("new"), WritePlace{true, 0},
                                         {{&text, nullptr}, {&text, nullptr}}),
                       &message),
            1);
  EXPECT_EQ(test::ReadBytes(dir.File("new")), "a\r\na\r\n");
}

TEST_F(ValueWriterTest, DigitBytesInBothOrders) {
  ASSERT_EQ(WriteNumber(kWriteDigits, "123.45"), 1);
  EXPECT_EQ(Bytes(), std::string("\x05\x04\x03\x02\x01", 5));
  EXPECT_EQ(message, SJ("バイナリ書込完了しました。　書込サイズ [5] Byte"));
  ASSERT_EQ(WriteNumber(kWriteDigitsBE, "123.45"), 1);
  EXPECT_EQ(Bytes(), std::string("\x01\x02\x03\x04\x05", 5));
}

TEST_F(ValueWriterTest, LongDigitRunsStreamThroughTheSmallBuffer) {
  std::string digits;
  for (int i = 0; i < 2500; ++i) digits += static_cast<char>('1' + i % 9);
  ASSERT_EQ(WriteNumber(kWriteDigitsBE, digits.c_str()), 1);
  std::string bytes = Bytes();
  ASSERT_EQ(bytes.size(), digits.size());
  for (size_t i = 0; i < digits.size(); ++i) ASSERT_EQ(bytes[i], digits[i] - '0') << i;
  EXPECT_EQ(message, SJ("バイナリ書込完了しました。　書込サイズ [2,500] Byte"));
}

TEST_F(ValueWriterTest, TextIsWrittenWithCrLfAndNumbersWithTheirSign) {
  ASSERT_EQ(WriteText(kWriteText, "ab\ncd", -1), 1);  // a new file: offset -1 becomes 0
  EXPECT_EQ(Bytes(), "ab\r\ncd\r\n");
  EXPECT_EQ(message, SJ("書込完了しました。　書込サイズ [5] Byte"));
  ASSERT_EQ(WriteNumber(kWriteNumberText, "-12.5", -1), 1);  // an existing file: -1 appends
  EXPECT_EQ(Bytes(), "ab\r\ncd\r\n-12.5\r\n");
  EXPECT_EQ(message, SJ("書込完了しました。　書込サイズ [5] Byte"));  // the sign counts
  // Zero has no sign, however it was typed.
  ASSERT_EQ(WriteNumber(kWriteNumberText, "-0", 0), 1);
  EXPECT_EQ(Bytes().substr(0, 3), "0\r\n");
}

TEST_F(ValueWriterTest, OverwritesInPlaceWithoutTruncating) {
  test::WriteBytes(file, "0123456789");
  ASSERT_EQ(WriteText(kWriteBytes, "AB", 2), 1);
  EXPECT_EQ(Bytes(), "01AB456789");
  ASSERT_EQ(WriteText(kWriteBytesBE, "xyz", 12), 1);  // past the end: the gap reads as zeros
  EXPECT_EQ(Bytes(), std::string("01AB456789\0\0xyz", 15));
  EXPECT_EQ(message, SJ("BigEndianでバイナリ書込完了しました。　書込サイズ [3] Byte"));
}

TEST_F(ValueWriterTest, WritesAtOffsetsBeyondFourGiB) {
  const int64_t offset = (4ll << 30) + 5;
  ASSERT_EQ(WriteText(kWriteBytes, "end", offset), 1);
  ASSERT_EQ(WriteText(kWriteBytes, "!", -1), 1);  // -1: the end of the existing file
  struct stat st;
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, offset + 4);
}

TEST_F(ValueWriterTest, OpenFailuresGiveTheOpenText) {
  file = dir.File("no/such/dir/f");
  EXPECT_EQ(WriteText(kWriteBytes, "AB", 0), 0);
  EXPECT_EQ(message, SJ("ファイル名またはパス名が見つかりません。"));
}

TEST(NumberAsDecimalText, KeepsFractionAndDropsSign) {
  EXPECT_EQ(NumberAsDecimalText(Number("-12.5")), "12.5");
  EXPECT_EQ(NumberAsDecimalText(Number("1.500")), "1.5");
  EXPECT_EQ(NumberAsDecimalText(Number("0.25")), "0.25");
  EXPECT_EQ(NumberAsDecimalText(Number("0")), "0");
}

}  // namespace
}  // namespace vpx
