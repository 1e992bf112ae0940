#include "ui/qt_text.h"

#include "host/sjis.h"

namespace vpx::ui {

bool SjisToQt(const std::string& sjis, QString& out) {
  std::string utf8;
  if (SjisToUtf8(sjis, utf8)) {
    out = QString::fromStdString(utf8);
    return true;
  }
  // Convert what is valid, one character at a time, and mark the bytes that are not.
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
