// Saving the result list onto each kind of file: what a copy refuses a save refuses with the
// same text (a pipe, a socket, a folder, a device, a file the user cannot write, a link
// loop) and leaves as it was; what a copy keeps of a replaced file a save keeps (owner,
// mode, attributes, hard links, the link itself). Unprivileged cases run in a child that
// drops to nobody; a pipe runs under a watchdog so a regression fails instead of hanging.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "engine/commands/lists/list_file_commands.h"
#include "files/user_file.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "support/fake_command_context.h"
#include "support/file_kinds_util.h"
#include "support/file_test_util.h"

namespace vpx::test {
namespace {

constexpr const char* kSavedText = "saved entry";

class ListSaveFileKinds : public ::testing::Test {
 protected:
  void SetUp() override {
    chmod(dir.Path().c_str(), 0777);  // children running as nobody create files here
    CMyFuncResult record;
    record.type = kRetString;
    record.text = kSavedText;
    ASSERT_GE(context.AddDataToListAndShortCut(record, true), 1);
  }
  // "result:echoed|echoed..." of a save to path.
  std::string Save(const std::string& path) {
    context.echoed.clear();
    std::string out = std::to_string(SaveShortCutList(context, path)) + ":";
    for (size_t i = 0; i < context.echoed.size(); ++i)
      out += (i == 0 ? "" : "|") + context.echoed[i];
    return out;
  }
  static std::string Refused(const std::string& path, mode_t kind) {
    return "0:" + RefusedKindText(path, kind);
  }
  static std::string OpenRefused(const std::string& path) {
    return "0:" +
           Format(SJ("※　コピー先ファイルをオープンできません。[ %s ]").c_str(), path.c_str());
  }
  static std::string Saved(const std::string& path) {
    return Format(SJ("1:【完了】ショートカット 1 項目を保存しました。[ %s ]").c_str(),
                  path.c_str());
  }
  static bool HoldsTheList(const std::string& path) {
    return ReadBytes(path).find(std::string("text ") + kSavedText + "\n") != std::string::npos;
  }
  static mode_t KindOf(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode & S_IFMT : 0;
  }

  TempDir dir;
  FakeCommandContext context;
};

TEST_F(ListSaveFileKinds, APipeASocketAndAFolderAreRefusedAndStayWhatTheyWere) {
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  {
    PipeWatchdog watchdog(fifo);
    EXPECT_EQ(Save(fifo), Refused(fifo, S_IFIFO));
    EXPECT_FALSE(watchdog.Fired()) << "the save blocked on the pipe";
  }
  EXPECT_EQ(KindOf(fifo), static_cast<mode_t>(S_IFIFO));

  const std::string socketPath = dir.File("sock");
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(Save(socketPath), Refused(socketPath, S_IFSOCK));
  EXPECT_EQ(KindOf(socketPath), static_cast<mode_t>(S_IFSOCK));
  close(fd);

  const std::string folder = dir.File("folder");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  EXPECT_EQ(Save(folder), Refused(folder, S_IFDIR));
  EXPECT_TRUE(ListDir(folder).empty());
  EXPECT_TRUE(NoTemporaryLeft(dir.Path()));
}

TEST_F(ListSaveFileKinds, ADeviceIsNeverOpenedNorReplaced) {
  const std::string node = dir.File("null");
  if (mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
    GTEST_SKIP() << "making a device node needs root (CAP_MKNOD): " << std::strerror(errno);
  EXPECT_EQ(Save(node), Refused(node, S_IFCHR));
  // Through a link too.
  ASSERT_EQ(symlink("null", dir.File("to-null").c_str()), 0);
  EXPECT_EQ(Save(dir.File("to-null")), Refused(dir.File("to-null"), S_IFCHR));
  EXPECT_EQ(KindOf(node), static_cast<mode_t>(S_IFCHR));
  EXPECT_TRUE(NoTemporaryLeft(dir.Path()));
}

TEST_F(ListSaveFileKinds, AFileTheUserCannotOpenForWritingIsRefusedUntouched) {
  const std::string ro = dir.File("ro");
  WriteBytes(ro, "earlier save");
  chmod(ro.c_str(), 0444);
  const FileState before = StateOf(ro);
  EXPECT_EQ(RunInChild({0, true}, [&] { return Save(ro); }), OpenRefused(ro));
  EXPECT_EQ(StateOf(ro), before);
  EXPECT_TRUE(NoTemporaryLeft(dir.Path()));
}

TEST_F(ListSaveFileKinds, AWritableFileInAReadOnlyFolderIsWrittenInPlace) {
  const std::string folder = dir.File("rodir");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  const std::string file = folder + "/list.vpxl";
  WriteBytes(file, Pattern(100'000));  // longer than the list: the rest must go
  chmod(file.c_str(), 0666);
  chmod(folder.c_str(), 0555);
  EXPECT_EQ(RunInChild({0, true}, [&] { return Save(file); }), Saved(file));
  const FileState after = StateOf(file);
  EXPECT_TRUE(HoldsTheList(file));
  EXPECT_EQ(after.bytes.substr(after.bytes.size() - 4), "end\n");
  EXPECT_EQ(after.uid, 0u);
  EXPECT_EQ(after.mode & 07777, 0666u);
  EXPECT_EQ(ListDir(folder).size(), 1u);
}

TEST_F(ListSaveFileKinds, AnotherUsersFileKeepsItsOwnerGroupModeAndAttributes) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
  const std::string theirs = dir.File("theirs");
  WriteBytes(theirs, "their earlier save");
  ASSERT_EQ(chown(theirs.c_str(), 1234, 5678), 0);
  ASSERT_EQ(chmod(theirs.c_str(), 0640), 0);
  const bool xattrs = setxattr(theirs.c_str(), "user.tag", "v1", 2, 0) == 0;
  EXPECT_EQ(Save(theirs), Saved(theirs));
  const FileState after = StateOf(theirs);
  EXPECT_TRUE(HoldsTheList(theirs));
  EXPECT_EQ(after.uid, 1234u);
  EXPECT_EQ(after.gid, 5678u);
  EXPECT_EQ(after.mode & 07777, 0640u);
  if (xattrs) {
    char value[8] = {};
    EXPECT_EQ(getxattr(theirs.c_str(), "user.tag", value, sizeof value), 2);
    EXPECT_STREQ(value, "v1");
  }
  EXPECT_TRUE(NoTemporaryLeft(dir.Path()));
}

TEST_F(ListSaveFileKinds, EveryNameOfAHardLinkedFileSeesTheSave) {
  const std::string a = dir.File("a"), b = dir.File("b");
  WriteBytes(a, "earlier save");
  ASSERT_EQ(link(a.c_str(), b.c_str()), 0);
  EXPECT_EQ(Save(a), Saved(a));
  EXPECT_TRUE(HoldsTheList(b));
  EXPECT_EQ(StateOf(a).links, 2u);
  EXPECT_TRUE(NoTemporaryLeft(dir.Path()));
}

TEST_F(ListSaveFileKinds, ALinkIsFollowedAndKeptAndALinkLoopIsRefused) {
  const std::string target = dir.File("target"), link = dir.File("link");
  WriteBytes(target, "earlier save");
  ASSERT_EQ(symlink("target", link.c_str()), 0);
  ASSERT_EQ(symlink("made", dir.File("dangling").c_str()), 0);
  EXPECT_EQ(Save(link), Saved(link));
  EXPECT_EQ(Save(dir.File("dangling")), Saved(dir.File("dangling")));
  EXPECT_EQ(KindOf(link), static_cast<mode_t>(S_IFLNK));
  EXPECT_EQ(KindOf(dir.File("dangling")), static_cast<mode_t>(S_IFLNK));
  EXPECT_TRUE(HoldsTheList(target));
  EXPECT_TRUE(HoldsTheList(dir.File("made")));

  ASSERT_EQ(symlink("loop-b", dir.File("loop-a").c_str()), 0);
  ASSERT_EQ(symlink("loop-a", dir.File("loop-b").c_str()), 0);
  EXPECT_EQ(Save(dir.File("loop-a")), OpenRefused(dir.File("loop-a")));
  EXPECT_EQ(KindOf(dir.File("loop-a")), static_cast<mode_t>(S_IFLNK));
  EXPECT_EQ(KindOf(dir.File("loop-b")), static_cast<mode_t>(S_IFLNK));
  EXPECT_TRUE(NoTemporaryLeft(dir.Path()));
}

}  // namespace
}  // namespace vpx::test
