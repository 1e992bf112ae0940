#include "ui/widget_style.h"

#include <QStringList>

namespace vpx::ui {

QFont ConsoleFont(int points) {
  QFont font;
  font.setFamilies({QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP"),
                    QStringLiteral("monospace")});
  font.setStyleHint(QFont::Monospace);
  font.setPointSize(points);
  // Latin digits and kana need no shaping; skipping it keeps huge lines fast to lay out.
  font.setStyleStrategy(QFont::PreferNoShaping);
  return font;
}

}  // namespace vpx::ui
