// The window's list-file actions: new asks only when entries are not saved, save goes to the
// last file, and a list loaded into an empty window counts as saved.
#include "ui/list_file_actions.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QWidget>
#include <filesystem>

#include "language/func_catalogue.h"
#include "support/engine_fixture.h"
#include "ui/ui_test_app.h"

namespace vpx::ui {
namespace {

namespace fs = std::filesystem;

// The file dialogs answer with fixed paths (or are cancelled when they are empty).
class ScriptedActions : public CListFileActions {
 public:
  using CListFileActions::CListFileActions;
  std::string savePath;
  std::string loadPath;
  int dialogs = 0;

 protected:
  bool ChooseSavePath(std::string& path) override {
    ++dialogs;
    path = savePath;
    return !path.empty();
  }
  bool ChooseLoadPath(std::string& path) override {
    path = loadPath;
    return !path.empty();
  }
};

class ListFileActions : public ::testing::Test, public ::vpx::test::EngineFixture {
 protected:
  void SetUp() override {
    ::vpx::ui::test::App();
    char pattern[] = "/tmp/vorpex_listactions_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  void AddText(const std::string& text) {
    CMyFuncResult record;
    record.type = kRetString;
    record.text = text;
    ASSERT_GE(engine.AddDataToListAndShortCut(record, true), 1);
  }

  fs::path dir_;
  ScriptedActions actions{nullptr, engine, fake.dialogs};
};

TEST_F(ListFileActions, NewAsksOnlyWhileEntriesAreUnsaved) {
  EXPECT_FALSE(actions.HasUnsavedEntries());
  EXPECT_EQ(actions.NewList(), 1);
  EXPECT_TRUE(fake.dialogs.questions.empty());
  AddText("a");
  EXPECT_TRUE(actions.HasUnsavedEntries());
  fake.dialogs.yesAnswer = false;
  EXPECT_EQ(actions.NewList(), 0);
  EXPECT_EQ(fake.dialogs.questions.size(), 1u);
  EXPECT_EQ(EntryCount(), 2);
  actions.savePath = (dir_ / "a.vpxl").string();
  ASSERT_EQ(actions.Save(), 1);  // no file yet: the dialog
  EXPECT_EQ(actions.dialogs, 1);
  EXPECT_FALSE(actions.HasUnsavedEntries());
  EXPECT_EQ(actions.NewList(), 1);
  EXPECT_EQ(fake.dialogs.questions.size(), 1u);
  EXPECT_EQ(EntryCount(), 1);
  EXPECT_EQ(RowCount(), 1);
  EXPECT_TRUE(actions.LastFile().empty());
}

TEST_F(ListFileActions, SaveReusesTheLastFileAndALoadedListCountsAsSaved) {
  AddText("a");
  actions.savePath = (dir_ / "a.vpxl").string();
  ASSERT_EQ(actions.SaveAs(), 1);
  AddText("b");
  EXPECT_TRUE(actions.HasUnsavedEntries());
  ASSERT_EQ(actions.Save(), 1);
  EXPECT_EQ(actions.dialogs, 1);
  fake.dialogs.yesAnswer = true;
  ASSERT_EQ(actions.NewList(), 1);
  actions.loadPath = (dir_ / "a.vpxl").string();
  ASSERT_EQ(actions.Load(), 1);
  EXPECT_EQ(EntryCount(), 3);
  EXPECT_FALSE(actions.HasUnsavedEntries());
  EXPECT_EQ(actions.LastFile(), (dir_ / "a.vpxl").string());
  ASSERT_EQ(actions.Load(), 1);  // into a list that has entries: now unsaved
  EXPECT_TRUE(actions.HasUnsavedEntries());
}

// Accepts the file dialog that opens next with name typed in it; the chosen file or empty.
QString AnswerFileDialog(CListFileActions& actions, bool save, const QString& name) {
  std::unique_ptr<QFileDialog> dialog = actions.CreateFileDialog(save);
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->show();
  dialog->selectFile(name);
  static_cast<QDialog*>(dialog.get())->accept();  // the dialog's own accept, as its button
  return dialog->result() == QDialog::Accepted && !dialog->selectedFiles().isEmpty()
             ? dialog->selectedFiles().first()
             : QString();
}

TEST_F(ListFileActions, DialogsAreTitledForTheListAndASavedNameGetsItsExtension) {
  const QString dir = QString::fromStdString(dir_.string());
  std::unique_ptr<QFileDialog> load = actions.CreateFileDialog(false);
  EXPECT_EQ(load->windowTitle(), QStringLiteral("ショートカット読出"));
  ASSERT_FALSE(load->nameFilters().isEmpty());
  EXPECT_TRUE(load->nameFilters().first().contains(QStringLiteral("*.vpxl")));
  EXPECT_EQ(load->fileMode(), QFileDialog::ExistingFile);
  std::unique_ptr<QFileDialog> save = actions.CreateFileDialog(true);
  EXPECT_EQ(save->windowTitle(), QStringLiteral("ショートカット保存"));
  EXPECT_TRUE(save->nameFilters().first().contains(QStringLiteral("*.vpxl")));
  // A bare name gets ".vpxl"; a name with an extension keeps it.
  EXPECT_EQ(AnswerFileDialog(actions, true, dir + QStringLiteral("/results")),
            dir + QStringLiteral("/results.vpxl"));
  EXPECT_EQ(AnswerFileDialog(actions, true, dir + QStringLiteral("/results.txt")),
            dir + QStringLiteral("/results.txt"));
}

}  // namespace
}  // namespace vpx::ui
