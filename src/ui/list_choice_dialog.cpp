// The window's choice of one item of a list (the file-system chooser of ChangeDrv): a modal
// dialog with a list that cannot be edited, the first item selected.
#include <QInputDialog>
#include <QStringList>

#include "ui/qt_host.h"
#include "ui/qt_text.h"

namespace vpx::ui {

bool CQtDialogs::ChooseFromList(const std::string& title, const std::vector<std::string>& items,
                                int& index) {
  if (items.empty()) return false;
  QStringList shown;
  for (const std::string& item : items) shown << Qs(item);
  bool chosen = false;
  const QString item =
      QInputDialog::getItem(owner_, QStringLiteral("Vorpex"), Qs(title), shown, 0, false, &chosen);
  if (!chosen) return false;
  index = static_cast<int>(shown.indexOf(item));
  return index >= 0;
}

}  // namespace vpx::ui
