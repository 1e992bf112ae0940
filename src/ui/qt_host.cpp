#include "ui/qt_host.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMessageBox>

#include "host/sjis.h"
#include "host/trace_log.h"
#include "ui/qt_text.h"

namespace vpx::ui {
namespace {
const QString kCaption = QStringLiteral("Vorpex");
}

bool ChosenNameToSjis(QWidget* owner, const QString& name, std::string& sjis) {
  if (QtToSjis(name, sjis)) return true;
  QMessageBox::warning(
      owner, kCaption,
      QStringLiteral("※　Shift-JIS で表せない文字を含む名前は使えません。[%1]\n")
              .arg(QString::fromStdString(FirstCharacterWithoutSjisForm(name.toStdString()))) +
          name);
  return false;
}

void CQtDialogs::MessageBox(const std::string& text) {
  QMessageBox::information(owner_, kCaption, Qs(text));
}

bool CQtDialogs::AskYesNo(const std::string& text) {
  return QMessageBox::question(owner_, kCaption, Qs(text), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

bool CQtDialogs::ChooseOpenFiles(const std::string& initialDir, bool multiSelect,
                                 std::vector<std::string>& paths) {
  paths.clear();
  QStringList chosen;
  if (multiSelect) {
    chosen = QFileDialog::getOpenFileNames(owner_, QString(), Qs(initialDir));
  } else {
    const QString one = QFileDialog::getOpenFileName(owner_, QString(), Qs(initialDir));
    if (!one.isEmpty()) chosen << one;
  }
  for (const QString& name : chosen) {
    std::string sjis;
    if (!ChosenNameToSjis(owner_, name, sjis)) return false;
    paths.push_back(sjis);
  }
  return !paths.empty();
}

int CQtDialogs::ChooseFolder(const std::string& title, const std::string& initialPath,
                             std::string& path) {
  const QString chosen = QFileDialog::getExistingDirectory(owner_, Qs(title), Qs(initialPath));
  if (chosen.isEmpty() || !ChosenNameToSjis(owner_, chosen, path)) return 2;
  return 1;
}

void CQtDialogs::Beep(unsigned, unsigned) {
  QApplication::beep();
}

bool CQtClipboard::SetText(const std::string& text) {
  QString shown;
  if (!SjisToQt(text, shown)) return false;
  QApplication::clipboard()->setText(shown);
  return true;
}

bool CQtClipboard::GetText(std::string& text) {
  text.clear();
  const QString held = QApplication::clipboard()->text();
  if (held.isEmpty()) return false;
  if (QtToSjis(held, text)) return true;
  WriteTrace(SJ("※　クリップボードの文字列は Shift-JIS で表せません。CQtClipboard::GetText()\n"));
  return false;
}

}  // namespace vpx::ui
