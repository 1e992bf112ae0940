#include "ui/open_files.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTextCursor>
#include <QTimer>
#include <cstdio>

#include "ui/console_edit.h"

namespace vpx::ui {

QString DumpFileLine(const QString& path) {
  // A quoted argument ends at the next quote; line breaks end the line.
  if (path.isEmpty() || path.contains(QLatin1Char('"')) || path.contains(QLatin1Char('\n')) ||
      path.contains(QLatin1Char('\r')))
    return QString();
  return QStringLiteral("DumpFile(\"%1\")").arg(path);
}

void DumpFilesAtStart(CConsoleEdit* console, const std::vector<std::string>& utf8Paths) {
  for (const std::string& utf8 : utf8Paths) {
    const QString line = DumpFileLine(QString::fromStdString(utf8));
    if (line.isEmpty()) {
      std::fprintf(stderr, "vorpex: cannot open %s: a path with a quote cannot be named\n",
                   utf8.c_str());
      continue;
    }
    QTimer::singleShot(0, console, [console, line] {
      console->moveCursor(QTextCursor::End);
      console->AppendTyped(line);
      QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
      QCoreApplication::sendEvent(console, &enter);
    });
  }
}

}  // namespace vpx::ui
