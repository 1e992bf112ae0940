#include "ui/qt_text.h"

#include <string_view>
#include <utility>

#include "host/sjis.h"

namespace vpx::ui {

bool SjisToQt(const std::string& sjis, QString& out) {
  // Straight into the QString: long ASCII runs (a million-digit line) are widened where
  // they stand, with no UTF-8 copy of the whole text in between.
  QString text;
  text.reserve(static_cast<qsizetype>(sjis.size()));
  const bool converted = SjisToUtf8Pieces(sjis, [&](std::string_view piece, bool ascii) {
    const auto size = static_cast<qsizetype>(piece.size());
    if (ascii) {
      text.append(QLatin1String(piece.data(), size));
    } else {
      text.append(QString::fromUtf8(piece.data(), size));
    }
  });
  if (converted) {
    out = std::move(text);
    return true;
  }
  // Convert what is valid, one character at a time, and mark the bytes that are not.
  std::string utf8;
  out.clear();
  for (size_t i = 0; i < sjis.size();) {
    const unsigned char c = static_cast<unsigned char>(sjis[i]);
    const size_t width = (IsSjisLeadByte(c) && i + 1 < sjis.size()) ? 2 : 1;
    if (SjisToUtf8(std::string_view(sjis).substr(i, width), utf8)) {
      out += QString::fromStdString(utf8);
      i += width;
      continue;
    }
    out += QString::asprintf("\\x%02X", c);
    ++i;
  }
  return false;
}

bool QtToSjis(const QString& text, std::string& out) {
  return Utf8ToSjis(text.toStdString(), out);
}

QString Qs(const std::string& sjis) {
  QString out;
  SjisToQt(sjis, out);
  return out;
}

}  // namespace vpx::ui
