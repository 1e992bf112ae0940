// The shortcut list file: exact round trips of every kind of entry, and refusal of damaged,
// truncated and foreign texts without handing out any record.
#include "engine/list_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/checksums.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "language/func_catalogue.h"

namespace vpx::test {
namespace {

CMyFuncResult NumberRecord(uint32_t type, const std::string& digits) {
  CMyFuncResult record;
  record.type = type;
  EXPECT_EQ(record.number.SetByString(digits), NumStatus::kOk) << digits;
  return record;
}

CMyFuncResult TextRecord(const std::string& bytes) {
  CMyFuncResult record;
  record.type = kRetString;
  record.text = bytes;
  return record;
}

// "表", "ソ", "能": Shift-JIS characters whose trail byte is 0x5C, the backslash.
std::string TrailBackslashText() {
  return std::string("\x95\x5C\x83\x5C\x94\x5C", 6) + "a\\b\r\n\t" + std::string("\0\x7F", 2) +
         "\x81\x40"
         "end";
}

std::vector<CMyFuncResult> EveryKind() {
  std::vector<CMyFuncResult> records;
  records.push_back(NumberRecord(kRetInt, "-12345678901234567890123"));
  records.push_back(NumberRecord(kRetUInt, "4294967296"));
  records.push_back(NumberRecord(kRetFloat, "-0.001250"));
  records.push_back(TextRecord(TrailBackslashText()));
  records.push_back(TextRecord(""));
  CMyFuncResult saturated;
  saturated.type = kRetFloat;
  EXPECT_EQ(saturated.number.SetSaturatedNines(137, true), NumStatus::kOk);
  records.push_back(saturated);
  CMyFuncResult cancelled;  // a cancelled job's VOID entry shows its override text
  cancelled.overrideFlag = 1;
  cancelled.overrideText = std::string("\x81\xA6\x81\x40\x92\x86\x92\x66", 8);
  records.push_back(cancelled);
  CMyFuncResult called = NumberRecord(kRetUInt, "7");
  const FuncTableRow& row = GetFuncTable()[0];
  called.id = static_cast<int32_t>(std::stol(row.id));
  called.callData.SetLineText(std::string("Add(3, 4) \\ \x95\x5C", 13));
  records.push_back(called);
  return records;
}

void ExpectSameRecord(const CMyFuncResult& got, const CMyFuncResult& want, size_t i) {
  SCOPED_TRACE("record " + std::to_string(i));
  EXPECT_EQ(got.type, want.type);
  EXPECT_EQ(got.id, want.id);
  EXPECT_EQ(got.number.ToString(), want.number.ToString());
  EXPECT_EQ(got.number.IsOverflow(), want.number.IsOverflow());
  EXPECT_EQ(got.number.IsMinus(), want.number.IsMinus());
  EXPECT_EQ(got.number.MyNumericCompare(want.number), 0);
  EXPECT_EQ(got.text, want.text);
  EXPECT_EQ(got.callData.GetLineText(), want.callData.GetLineText());
  EXPECT_EQ(got.overrideFlag, want.overrideFlag);
  EXPECT_EQ(got.overrideText, want.overrideText);
  EXPECT_EQ(got.reserved, 0u);
  EXPECT_EQ(got.owner, nullptr);
  if (want.id >= 0) {
    EXPECT_EQ(got.Signature(), GetTableSignature(want.id));
  }
}

std::vector<CMyFuncResult> RoundTrip(const std::vector<CMyFuncResult>& records) {
  std::string text;
  EXPECT_TRUE(FormatListFile(records, text));
  std::vector<CMyFuncResult> back;
  ListFileError error;
  EXPECT_TRUE(ParseListFile(text, back, error)) << error.line << " " << error.reason;
  return back;
}

// Parses text expecting a refusal at line; the record vector keeps its sentinel.
void ExpectRefusedAt(const std::string& text, size_t line) {
  std::vector<CMyFuncResult> records(1, TextRecord("sentinel"));
  ListFileError error;
  EXPECT_FALSE(ParseListFile(text, records, error));
  EXPECT_EQ(error.line, line);
  EXPECT_FALSE(error.reason.empty());
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].text, "sentinel");
}

std::vector<size_t> LineEnds(const std::string& text) {
  std::vector<size_t> ends;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n') ends.push_back(i);
  return ends;
}

TEST(ListFile, EveryKindOfEntryComesBackExactly) {
  const std::vector<CMyFuncResult> records = EveryKind();
  const std::vector<CMyFuncResult> back = RoundTrip(records);
  ASSERT_EQ(back.size(), records.size());
  for (size_t i = 0; i < records.size(); ++i) ExpectSameRecord(back[i], records[i], i);
  EXPECT_TRUE(back[5].number.IsOverflow());
  EXPECT_EQ(back[5].number.ToString(), "-" + std::string(137, '9') + " (E)");
}

TEST(ListFile, AMillionDigitNumberComesBackExactly) {
  std::string digits(1'000'000, '0');
  for (size_t i = 0; i < digits.size(); ++i) digits[i] = static_cast<char>('0' + (i * 7 + 3) % 10);
  digits[0] = '8';
  digits.insert(999'990, ".");
  std::vector<CMyFuncResult> records{NumberRecord(kRetFloat, "-" + digits)};
  const std::vector<CMyFuncResult> back = RoundTrip(records);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].number.ToString(), "-" + digits);
}

TEST(ListFile, TextBytesThatWouldBreakALineAreEscapedAndTheRestKept) {
  std::string text;
  ASSERT_TRUE(FormatListFile({TextRecord(TrailBackslashText())}, text));
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_EQ(text.find('\0'), std::string::npos);
  EXPECT_NE(text.find(std::string("text \x95\\\\\x83\\\\\x94\\\\a\\\\b\\r\\n\\t\\x00\\x7F\x81\x40"
                                  "end\n")),
            std::string::npos)
      << text;
  EXPECT_EQ(text.rfind("VORPEX-SHORTCUT-LIST 2\nentries 1\nentry 1\n", 0), 0u);
  EXPECT_EQ(text.substr(text.size() - 4), "end\n");
}

TEST(ListFile, AnEmptyListIsAFileWithoutEntries) {
  std::string text;
  ASSERT_TRUE(FormatListFile({}, text));
  EXPECT_EQ(text, "VORPEX-SHORTCUT-LIST 2\nentries 0\nend\n");
  std::vector<CMyFuncResult> records(1);
  ListFileError error;
  EXPECT_TRUE(ParseListFile(text, records, error));
  EXPECT_TRUE(records.empty());
}

TEST(ListFile, ATextCutAnywhereIsRefusedAtTheLineAfterTheLastWholeOne) {
  std::string text;
  ASSERT_TRUE(FormatListFile(EveryKind(), text));
  const std::vector<size_t> ends = LineEnds(text);
  for (size_t k = 0; k < ends.size(); ++k) {
    SCOPED_TRACE("cut after line " + std::to_string(k));
    // k whole lines, then a part of the next (or nothing of it).
    const size_t wholeEnd = k == 0 ? 0 : ends[k - 1] + 1;
    ExpectRefusedAt(text.substr(0, wholeEnd), k + 1);
    if (ends[k] > wholeEnd) ExpectRefusedAt(text.substr(0, ends[k]), k + 1);
  }
}

TEST(ListFile, AChangedDigitFailsTheEntrysChecksum) {
  std::string text;
  ASSERT_TRUE(FormatListFile({NumberRecord(kRetUInt, "4294967296")}, text));
  const size_t at = text.find("number 4294967296\n");
  ASSERT_NE(at, std::string::npos);
  text[at + 7] = '5';  // still a valid number
  const std::vector<size_t> ends = LineEnds(text);
  // Lines: magic, entries, entry, type, id, number, saturated, size, text, line, override,
  // overridetext, crc (13).
  ExpectRefusedAt(text, 13);
  text[at + 7] = 'x';
  ExpectRefusedAt(text, 6);
  EXPECT_EQ(ends.size(), 14u);
}

TEST(ListFile, ForeignAndOtherVersionFilesAreRefusedAtTheFirstLine) {
  std::string text;
  ASSERT_TRUE(FormatListFile(EveryKind(), text));
  ExpectRefusedAt("VORPEX-SHORTCUT-LIST 3" + text.substr(text.find('\n')), 1);
  ExpectRefusedAt("VORPEX-SHORTCUT-LIST 0" + text.substr(text.find('\n')), 1);
  ExpectRefusedAt("\x89PNG\r\n\x1a\n", 1);
  ExpectRefusedAt("", 1);
}

TEST(ListFile, StructuralDamageIsRefusedAtTheDamagedLine) {
  const std::string head = "VORPEX-SHORTCUT-LIST 2\n";
  ExpectRefusedAt(head + "entries 2\nend\n", 3);  // fewer entries than announced
  ExpectRefusedAt(head + "entries x\nend\n", 2);
  ExpectRefusedAt(head + "entries 0\nend\nmore\n", 4);  // lines after the end
  std::string text;
  ASSERT_TRUE(FormatListFile({TextRecord("a"), TextRecord("b")}, text));
  std::string swapped = text;
  swapped.replace(swapped.find("entry 2"), 7, "entry 3");
  ExpectRefusedAt(swapped, 14);
  std::string badEscape = text;
  badEscape.replace(badEscape.find("text a"), 6, "text \\q");
  ExpectRefusedAt(badEscape, 9);
  std::string badId = text;
  badId.replace(badId.find("id -1"), 5, "id 99999");
  ExpectRefusedAt(badId, 5);
}

// A file of one entry with the given type, number and result size lines (no size line in
// version 1), its checksum made right, so that only the values can be wrong.
std::string OneEntryFile(const std::string& type, const std::string& number,
                         const std::string& size = "100", int version = 2) {
  std::string entry = "entry 1\ntype " + type + "\nid -1\nnumber " + number + "\nsaturated 0\n";
  if (version >= 2) entry += "size " + size + "\n";
  entry += "text \nline \noverride 0\noverridetext \n";
  const uint32_t crc = UpdateCrc32(0, reinterpret_cast<const uint8_t*>(entry.data()), entry.size());
  return "VORPEX-SHORTCUT-LIST " + std::to_string(version) + "\nentries 1\n" + entry + "crc " +
         Format("%08X", crc) + "\nend\n";
}

std::vector<CMyFuncResult> ParseAll(const std::string& text) {
  std::vector<CMyFuncResult> records;
  ListFileError error;
  EXPECT_TRUE(ParseListFile(text, records, error)) << error.line << " " << error.reason;
  return records;
}

TEST(ListFile, ValuesTheEngineNeverGivesTheirTypeAreRefusedAtTheirLine) {
  ExpectRefusedAt(OneEntryFile("UINT", "-5"), 6);
  ExpectRefusedAt(OneEntryFile("UINT", "1.5"), 6);
  ExpectRefusedAt(OneEntryFile("UINT", "0.0000001"), 6);
  ExpectRefusedAt(OneEntryFile("INT", "12.5"), 6);
  ExpectRefusedAt(OneEntryFile("INT", "-0.01"), 6);
  ExpectRefusedAt(OneEntryFile("INT", "7", "0"), 8);
  ExpectRefusedAt(OneEntryFile("INT", "7", "100000001"), 8);
  ExpectRefusedAt(OneEntryFile("INT", "7", "-1"), 8);
  // The nearest values that are sound.
  EXPECT_EQ(ParseAll(OneEntryFile("UINT", "0")).size(), 1u);
  EXPECT_EQ(ParseAll(OneEntryFile("UINT", "5.000")).size(), 1u);
  EXPECT_EQ(ParseAll(OneEntryFile("INT", "-5")).size(), 1u);
  EXPECT_EQ(ParseAll(OneEntryFile("FLOAT", "-12.5")).size(), 1u);
  EXPECT_EQ(ParseAll(OneEntryFile("INT", "7", "1")).size(), 1u);
  EXPECT_EQ(ParseAll(OneEntryFile("INT", "7", "100000000")).size(), 1u);
}

TEST(ListFile, EachNumberKeepsItsResultSize) {
  CMyFuncResult wide = NumberRecord(kRetUInt, "5");
  wide.number.SetOwnResultSize(158);
  CMyFuncResult narrow = NumberRecord(kRetFloat, "0.5");
  narrow.number.SetOwnResultSize(3);
  const std::vector<CMyFuncResult> back = RoundTrip({wide, narrow});
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].number.GetResultSize(), 158u);
  EXPECT_EQ(back[1].number.GetResultSize(), 3u);
}

TEST(ListFile, AVersionOneNumberGetsTheSizeItsDigitsNeedAndAtLeastTheDefault) {
  const uint32_t defaultSize = MyNumeric::GetDefaultResultSize();
  const std::string wide = "1" + std::string(defaultSize + 50, '0');  // default + 51 digits
  std::vector<CMyFuncResult> back = ParseAll(OneEntryFile("INT", wide, "", 1));
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].number.GetResultSize(), defaultSize + 51);
  EXPECT_EQ(back[0].number.ToString(), wide);
  back = ParseAll(OneEntryFile("FLOAT", "-1.25", "", 1));
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].number.GetResultSize(), defaultSize);
  EXPECT_EQ(MyNumeric::GetDefaultResultSize(), defaultSize);  // loading leaves it alone
}

TEST(ListFile, ANegativeZeroComesBackNegative) {
  std::vector<CMyFuncResult> back = ParseAll(OneEntryFile("FLOAT", "-0"));
  ASSERT_EQ(back.size(), 1u);
  EXPECT_TRUE(back[0].number.IsMinus());
  EXPECT_EQ(back[0].number.ToString(), "-0");
  back = RoundTrip(back);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].number.ToString(), "-0");
  back = ParseAll(OneEntryFile("FLOAT", "0"));
  ASSERT_EQ(back.size(), 1u);
  EXPECT_FALSE(back[0].number.IsMinus());
}

TEST(ListFile, CrLfLineEndsReadAsLf) {
  const std::vector<CMyFuncResult> records = EveryKind();
  std::string text;
  ASSERT_TRUE(FormatListFile(records, text));
  std::string crlf;
  for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const std::vector<CMyFuncResult> back = ParseAll(crlf);
  ASSERT_EQ(back.size(), records.size());
  for (size_t i = 0; i < records.size(); ++i) ExpectSameRecord(back[i], records[i], i);
  // A CR anywhere but before the LF is still damage.
  std::string stray = text;
  stray.insert(stray.find("type"), "\r");
  ExpectRefusedAt(stray, 4);
}

TEST(ListFileWriter, HandsTheTextOnInPiecesAndStopsAtTheFirstRefusal) {
  std::vector<CMyFuncResult> records;
  for (int i = 0; i < 3; ++i) records.push_back(NumberRecord(kRetInt, std::string(700'000, '7')));
  std::string whole;
  ASSERT_TRUE(FormatListFile(records, whole));
  std::vector<std::string> pieces;
  ListFileWriter writer([&](std::string_view piece) {
    pieces.emplace_back(piece);
    return true;
  });
  ASSERT_TRUE(writer.Begin(records.size()));
  for (const CMyFuncResult& record : records) ASSERT_TRUE(writer.Add(record));
  ASSERT_TRUE(writer.End());
  EXPECT_GE(pieces.size(), 2u);
  std::string joined;
  for (const std::string& piece : pieces) joined += piece;
  EXPECT_EQ(joined, whole);
  // The first piece goes out with the second entry; the refusal ends the writing there.
  int calls = 0;
  ListFileWriter refusing([&](std::string_view) {
    ++calls;
    return false;
  });
  EXPECT_TRUE(refusing.Begin(records.size()));
  EXPECT_TRUE(refusing.Add(records[0]));
  EXPECT_FALSE(refusing.Add(records[1]));
  EXPECT_FALSE(refusing.Add(records[2]));
  EXPECT_FALSE(refusing.End());
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(refusing.OutOfMemory());
}

}  // namespace
}  // namespace vpx::test
