// ChangeDrv with and without a path, and the commands that make a chosen file or folder a
// result (GetFilePath, GetDirPath) or put it into an entry (SetDirToList), typed into a
// running engine on the recording fakes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>

#include "host/platform.h"
#include "support/file_command_fixture.h"

namespace vpx {
namespace {

class PathChoiceCommands : public test::FileCommandFixture {
 protected:
  std::string Cwd() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
  }
};

TEST_F(PathChoiceCommands, ChangeDrvWithAPathMovesToItsMountPoint) {
  FileSystemSpace space;
  ASSERT_TRUE(QueryFileSystem(dir.Path(), space));
  EXPECT_EQ(Type("ChangeDrv(\"" + dir.Path() + "\")").back(),
            "カレントディレクトリを変更しました。[" + space.mountPoint + "]");
  EXPECT_EQ(Cwd(), space.mountPoint);
  const std::string before = Cwd();
  EXPECT_EQ(Type(R"(ChangeDrv("/no/such/place"))").back(),
            "※　カレントディレクトリの変更に失敗。×[/no/such/place]");
  EXPECT_EQ(Cwd(), before);
}

TEST_F(PathChoiceCommands, ChangeDrvOffersTheMountedFileSystemsAndMovesToTheChosenOne) {
  const std::vector<FileSystemSpace> list = ListFileSystems();
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(Type("ChangeDrv()").back(), "※　キャンセルしました。");
  EXPECT_EQ(Cwd(), dir.Path());
  ASSERT_EQ(fake.dialogs.listItems.size(), list.size());
  const std::string& first = fake.dialogs.listItems[0];
  EXPECT_EQ(first.rfind(list[0].mountPoint + test::ToSjis("　　サイズ "), 0), 0u) << first;
  EXPECT_NE(first.find(test::ToSjis(" Byte / 空き ")), std::string::npos);
  const size_t last = list.size() - 1;
  fake.dialogs.chosenItem = static_cast<int>(last);
  EXPECT_EQ(Type("ChangeDrv()").back(),
            "カレントディレクトリを変更しました。[" + list[last].mountPoint + "]");
  EXPECT_EQ(Cwd(), list[last].mountPoint);
}

TEST_F(PathChoiceCommands, GetFilePathAndGetDirPathMakeTheChosenPathAStringResult) {
  EXPECT_EQ(Type("GetFilePath()").back(), "※　キャンセルしました。");
  EXPECT_EQ(Type("GetDirPath()").back(), "※　キャンセルしました。");
  EXPECT_EQ(RowText(0), "0");  // nothing recorded
  fake.dialogs.fileChosen = true;
  fake.dialogs.chosenFiles = {"/srv/a.bin"};
  EXPECT_EQ(Type("GetFilePath()"),
            (std::vector<std::string>{"STRING GetFilePath(VOID)", "/srv/a.bin"}));
  EXPECT_EQ(RowText(0), "/srv/a.bin");
  fake.dialogs.folderChosen = true;
  fake.dialogs.chosenFolder = "/srv";
  EXPECT_EQ(Type("GetDirPath()").back(), "/srv");
  EXPECT_EQ(Type("GetResultData()").back(), "【直前の結果】STRING : /srv");
  EXPECT_EQ(Type("StrLen($0)").back(), "4");
}

TEST_F(PathChoiceCommands, SetDirToListOverwritesTheEntryAtTheIndex) {
  Type(R"(AddStrToList("old"))");
  EXPECT_EQ(Type("SetDirToList(1)").back(), "キャンセルしました。\r\n");
  EXPECT_EQ(RowText(1), "old");
  fake.dialogs.folderChosen = true;
  fake.dialogs.chosenFolder = "/srv/data";
  EXPECT_EQ(Type("SetDirToList(1)").back(), "ListIndex[1] : /srv/data");
  EXPECT_EQ(RowText(1), "/srv/data");
  EXPECT_EQ(RowType(1), "S");
}

}  // namespace
}  // namespace vpx
