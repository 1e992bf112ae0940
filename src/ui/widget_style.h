// Fonts and colours shared by the window's widgets.
#pragma once

#include <QColor>
#include <QFont>

namespace vpx::ui {

// The Japanese monospace font of the console, the lists and the binary display (9 points
// unless given).
QFont ConsoleFont(int points = 9);

inline QColor OutputColour() {
  return QColor(0, 223, 223);
}

}  // namespace vpx::ui
