#include "host/sjis.h"

#include <gtest/gtest.h>

namespace vpx {
namespace {

TEST(SjisConversion, RoundTripsJapaneseText) {
  std::string sjis;
  ASSERT_TRUE(Utf8ToSjis("※　完了", sjis));
  EXPECT_EQ(sjis, "\x81\xA6\x81\x40\x8A\xAE\x97\xB9");
  std::string back;
  ASSERT_TRUE(SjisToUtf8(sjis, back));
  EXPECT_EQ(back, "※　完了");
}

TEST(SjisConversion, RefusesCharactersWithoutShiftJisForm) {
  std::string out = "stale";
  EXPECT_FALSE(Utf8ToSjis("abc😀", out));
  EXPECT_TRUE(out.empty());
}

TEST(SjisConversion, RefusesLookAlikesThatWouldComeBackAsAnotherCharacter) {
  std::string out;
  // WAVE DASH, MINUS SIGN, OVERLINE and YEN SIGN share a code with another character.
  for (const char* text : {"x〜y", "x−y", "x‾y", "x¥y"}) {
    EXPECT_FALSE(Utf8ToSjis(text, out)) << text;
    EXPECT_TRUE(out.empty());
  }
  EXPECT_EQ(FirstCharacterWithoutSjisForm("ab〜c−"), "U+301C");
  EXPECT_EQ(FirstCharacterWithoutSjisForm("a¥"), "U+00A5");
  EXPECT_EQ(FirstCharacterWithoutSjisForm("😀"), "U+1F600");
  // Their full-width twins are the characters the codes read back as.
  ASSERT_TRUE(Utf8ToSjis("x～y", out));
  EXPECT_EQ(out, "x\x81\x60y");
  EXPECT_EQ(FirstCharacterWithoutSjisForm("x～y－"), "");
}

TEST(SjisConversion, RefusesInvalidShiftJisBytes) {
  std::string out;
  EXPECT_FALSE(SjisToUtf8("\x81", out));  // lead byte without trail byte
  EXPECT_FALSE(SjisToUtf8("\x81\x20", out));
}

// Long ASCII runs (a million-digit value) are taken as they are; the characters around them,
// also one whose trail byte is an ASCII backslash, must convert as in a short text.
TEST(SjisConversion, TextWithLongAsciiRunsComesBackAsItWent) {
  for (size_t run : {size_t{63}, size_t{64}, size_t{65}, size_t{5000}}) {
    const std::string digits(run, '7');
    const std::string utf8 = "　" + digits + "ソ" + digits + "\\ｱ" + digits + "表\r\n";
    std::string sjis;
    ASSERT_TRUE(Utf8ToSjis(utf8, sjis));
    std::string back = "stale";
    ASSERT_TRUE(SjisToUtf8(sjis, back)) << run;
    EXPECT_EQ(back, utf8) << run;
  }
}

TEST(SjisConversion, BadBytesBesideLongAsciiRunsFailTheWholeText) {
  const std::string digits(100, '1');
  for (const std::string& sjis : {digits + "\x80" + digits, digits + "\x81", "\x81" + digits,
                                  "\x81\x40" + digits + "\x81\x0A" + digits}) {
    std::string out = "stale";
    EXPECT_FALSE(SjisToUtf8(sjis, out));
    EXPECT_TRUE(out.empty());
  }
}

TEST(SjisConversion, LiteralMacroConvertsOncePerCallSite) {
  const std::string& a = SJ("ソ");  // trail byte 0x5C, a backslash in ASCII
  EXPECT_EQ(a, "\x83\x5C");
  EXPECT_EQ(&a, &a);
}

}  // namespace
}  // namespace vpx
