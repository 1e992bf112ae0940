// Shift-JIS <-> QString at the widget boundary. A text that cannot be converted is never
// replaced silently: the caller learns it and reports it.
#pragma once

#include <QString>
#include <string>

namespace vpx::ui {

// Shift-JIS to QString; false when the bytes are not valid Shift-JIS (out then shows each
// byte that could not be converted as \xNN, and the caller reports it).
bool SjisToQt(const std::string& sjis, QString& out);
// QString to Shift-JIS; false when a character has no Shift-JIS form (out is then empty).
bool QtToSjis(const QString& text, std::string& out);
// SjisToQt for texts that are known to convert (messages of the source); the escaped form
// otherwise.
QString Qs(const std::string& sjis);

}  // namespace vpx::ui
