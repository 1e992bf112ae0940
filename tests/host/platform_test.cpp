#include "host/platform.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "host/sjis.h"

namespace vpx {
namespace {

class CurrentDirGuard {
 public:
  CurrentDirGuard() { EXPECT_TRUE(GetCurrentDir(saved_)); }
  ~CurrentDirGuard() { SetCurrentDir(saved_); }

 private:
  std::string saved_;
};

std::string MakeTempDir() {
  char pattern[] = "/tmp/vorpex_host_XXXXXX";
  const char* dir = mkdtemp(pattern);
  EXPECT_NE(dir, nullptr);
  return dir;
}

TEST(PlatformPaths, JapaneseDirectoryNameRoundTripsThroughTheOs) {
  CurrentDirGuard guard;
  std::string base = MakeTempDir();
  std::string utf8 = base + "/データ";
  ASSERT_EQ(mkdir(utf8.c_str(), 0755), 0);
  std::string sjis;
  ASSERT_TRUE(Utf8ToSjis(utf8, sjis));
  ASSERT_EQ(SetCurrentDir(sjis), 0);
  std::string now;
  ASSERT_TRUE(GetCurrentDir(now));
  EXPECT_EQ(now, sjis);
  SetCurrentDir(SJ("/"));
  rmdir(utf8.c_str());
  rmdir(base.c_str());
}

TEST(PlatformPaths, NameThatIsNotShiftJisIsRefusedNotReplaced) {
  std::string os;
  EXPECT_FALSE(ToOsPath("\x81", os));  // a lone lead byte
  EXPECT_EQ(SetCurrentDir("\x81"), EILSEQ);
  std::string sjis;
  EXPECT_FALSE(FromOsPath("/tmp/\xF0\x9F\x98\x80", sjis));  // an emoji has no Shift-JIS form
}

TEST(PlatformPaths, SetCurrentDirReportsAMissingDirectory) {
  EXPECT_EQ(SetCurrentDir("/no/such/vorpex/dir"), ENOENT);
}

TEST(PlatformPaths, ProgramDirIsTheExecutablesFolder) {
  std::string dir;
  ASSERT_TRUE(GetProgramDir(dir));
  ASSERT_FALSE(dir.empty());
  EXPECT_NE(dir.back(), '/');
  struct stat st;
  EXPECT_EQ(stat((dir + "/test_host").c_str(), &st), 0);
}

TEST(PlatformVolumes, FileSystemOfAPathAndOfAFileAboutToBeCreated) {
  FileSystemSpace space;
  ASSERT_TRUE(QueryFileSystem("/tmp", space));
  EXPECT_GT(space.totalBytes, 0u);
  EXPECT_LE(space.freeBytes, space.totalBytes);
  EXPECT_EQ(space.mountPoint.front(), '/');
  FileSystemSpace planned;
  ASSERT_TRUE(QueryFileSystem("/tmp/vorpex-not-yet-created.bin", planned));
  EXPECT_EQ(planned.totalBytes, space.totalBytes);
  EXPECT_FALSE(QueryFileSystem("/no/such/dir/file", planned));
  EXPECT_FALSE(QueryFileSystem("", planned));
}

TEST(PlatformVolumes, ListedFileSystemsHoldDataAndIncludeTheOnesOfKnownPaths) {
  const std::vector<FileSystemSpace> list = ListFileSystems();
  std::set<std::string> points;
  for (const FileSystemSpace& space : list) {
    EXPECT_GT(space.totalBytes, 0u) << space.mountPoint;  // no /proc, /sys and the like
    EXPECT_TRUE(points.insert(space.mountPoint).second) << space.mountPoint;
  }
  for (const char* path : {"/", "."}) {
    FileSystemSpace space;
    ASSERT_TRUE(QueryFileSystem(path, space));
    EXPECT_TRUE(points.count(space.mountPoint)) << path << " on " << space.mountPoint;
  }
}

TEST(PlatformSystem, MemoryAndErrorTexts) {
  EXPECT_GT(GetAvailablePhysicalMemory(), 0u);
  std::string text = FormatSystemError(ENOENT);
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.back(), '\n');
}

}  // namespace
}  // namespace vpx
