// What the window application sets up once for the whole process: Qt's own Japanese
// texts for its standard dialogs and the application icon.
#pragma once

#include <QIcon>

class QApplication;

namespace vpx::ui {

// Loads Qt's Japanese translations (file dialogs, message box buttons); false when the
// installed Qt has none.
bool InstallQtJapanese(QApplication& app);
// Vorpex's icon, drawn from its SVG.
QIcon VorpexIcon();

}  // namespace vpx::ui
