#include "ui/app_setup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

// The resource lives in a static library: register it before first use.
static void InitVorpexResources() {
  Q_INIT_RESOURCE(vorpex);
}

namespace vpx::ui {

bool InstallQtJapanese(QApplication& app) {
  // The application speaks Japanese whatever the locale, so its standard dialogs do too.
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QApplication::installTranslator(translator);
}

QIcon VorpexIcon() {
  static const bool registered = (InitVorpexResources(), true);
  (void)registered;
  return QIcon(QStringLiteral(":/vorpex/vorpex.svg"));
}

}  // namespace vpx::ui
