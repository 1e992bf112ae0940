// Shift-JIS (code page 932) text: the engine's internal encoding. Conversion to and from
// UTF-8 for every boundary (widgets, terminal, file names, clipboard), the lead/trail byte
// classes, and SJ(), which turns a UTF-8 message literal of the source into Shift-JIS.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vpx {

// Both conversions return false, leaving out empty, when the text has a character without
// a form in the target encoding or is not valid in its own; nothing is ever replaced. A
// UTF-8 character whose Shift-JIS form reads back as another character (U+301C WAVE DASH
// becomes U+FF5E, U+00A5 a backslash) counts as one without a form.
bool Utf8ToSjis(std::string_view utf8, std::string& out);
bool SjisToUtf8(std::string_view sjis, std::string& out);
// SjisToUtf8 piece by piece, for a caller that builds its own text (a widget's): take gets
// the UTF-8 text in order, long runs of ASCII (ascii true) as views into sjis itself. False
// when the text does not convert; take may have had some pieces by then.
using Utf8PieceSink = std::function<void(std::string_view utf8, bool ascii)>;
bool SjisToUtf8Pieces(std::string_view sjis, const Utf8PieceSink& take);
// "U+301C" for the first character of utf8 that Utf8ToSjis refuses, or empty.
std::string FirstCharacterWithoutSjisForm(std::string_view utf8);

inline bool IsSjisLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xF5);
}
inline bool IsSjisTrailByte(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// Shift-JIS form of a UTF-8 literal. Aborts on a literal that has no Shift-JIS form: that
// is a fault in the source, caught by the first test that reaches the literal.
std::string SjisLiteral(const char* utf8);

}  // namespace vpx

// SJ("※　...") yields a const std::string& holding the Shift-JIS bytes of the literal,
// converted once per call site.
#define SJ(lit)                                                   \
  ([]() -> const std::string& {                                   \
    static const std::string converted = ::vpx::SjisLiteral(lit); \
    return converted;                                             \
  }())
