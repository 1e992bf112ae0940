// Every routine that opens a user's path, faced with each kind of file: the failure text
// (never a success), the bytes and metadata of the destination before and after, and no
// temporary file left behind. Cases needing an unprivileged user run in a child process
// that drops to nobody; cases that could hang on a named pipe run under a watchdog.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "files/bit_modify.h"
#include "files/checksums.h"
#include "files/file_create.h"
#include "files/file_primitives.h"
#include "files/section_copy.h"
#include "files/user_file.h"
#include "files/value_writer.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"
#include "support/file_kinds_util.h"
#include "support/file_test_util.h"

namespace vpx {
namespace {

using test::ChildLimits;
using test::FileState;
using test::RunInChild;
using test::StateOf;

constexpr rlim_t kLimit = 1 << 20;

class FileKindTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chmod(dir.Path().c_str(), 0777);  // children running as nobody create files here
    test::WriteBytes(src, "abcdef");
    chmod(src.c_str(), 0644);
  }
  // "bytes:failure" of a copy of the whole source.
  std::string Copy(const std::string& destination, const std::string& source, int64_t length = 6,
                   const CancelFlag* cancel = nullptr) {
    std::string failure;
    int64_t n = test::ValueOr(CopyFileSect(CopyRequest{destination, source, 0, length, 0, cancel}),
                              int64_t{0}, &failure);
    return std::to_string(n) + ":" + failure;
  }
  std::string CopyDestinationOpenText(const std::string& name) {
    return Format(SJ("※　コピー先ファイルをオープンできません。[ %s ]").c_str(), name.c_str());
  }

  test::TempDir dir;
  std::string src = dir.File("src");
};

// Every routine on one path, joined by "|": the answers a named pipe, a socket or a
// device must all turn into failures.
std::string EveryRoutineOn(const std::string& path, const std::string& other) {
  std::string out = std::to_string(QueryFileSize(path)) + "|";
  std::string text;
  test::ValueOr(ComputeFileCRC32(path, 0, nullptr), 0u, &text);
  out += text + "|";
  test::ValueOr(CopyFileSect(CopyRequest{other + ".copy", path, 0, 1, 0, nullptr}), int64_t{0},
                &text);
  out += text + "|";
  test::Said(ModifyFileByteAt(path, 0, 1, kOpSet), &text);
  out += text + "|";
  out += std::to_string(test::Said(ZeroFileRange(path, 0, 0))) +
         std::to_string(ResizeFile(path, 0)) + "|";
  test::Said(AppendFileContents(other, path, nullptr), &text);
  return out + text;
}

std::string RefusedEverywhere(const std::string& path, mode_t kind) {
  std::string refused = RefusedKindText(path, kind);
  // An append from it gives the opener's reason too, never an invalid size.
  return "-1|" + refused + "|" + refused + "|" + refused + "|00|" + refused;
}

using NamedPipeFiles = FileKindTest;

TEST_F(NamedPipeFiles, EveryRoutineRefusesAPipeWithoutBlocking) {
  std::string fifo = dir.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  test::PipeWatchdog watchdog(fifo);
  EXPECT_EQ(EveryRoutineOn(fifo, src), RefusedEverywhere(fifo, S_IFIFO));
  std::string copy = Copy(fifo, src);
  std::string write, append;
  test::Said(WriteValueToFile(kWriteBytes, fifo, 0, "xy", MyNumeric()), &write);
  test::Said(AppendFileContents(fifo, src, nullptr), &append);
  EXPECT_FALSE(watchdog.Fired()) << "an open blocked on the pipe";
  EXPECT_EQ(copy, "0:" + RefusedKindText(fifo, S_IFIFO));
  EXPECT_EQ(write, RefusedKindText(fifo, S_IFIFO));
  EXPECT_EQ(append, RefusedKindText(fifo, S_IFIFO));
  struct stat st;
  ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the pipe was replaced";
  EXPECT_TRUE(test::NoTemporaryLeft(dir.Path()));
}

using SocketFiles = FileKindTest;

TEST_F(SocketFiles, EveryRoutineRefusesASocket) {
  std::string path = dir.File("sock");
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, path.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(EveryRoutineOn(path, src), RefusedEverywhere(path, S_IFSOCK));
  EXPECT_EQ(Copy(path, src), "0:" + RefusedKindText(path, S_IFSOCK));
  close(fd);
}

using DirectoryFiles = FileKindTest;

TEST_F(DirectoryFiles, CopiesAndWritesOntoAFolderAreRefusedByKind) {
  std::string folder = dir.File("folder");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  EXPECT_EQ(Copy(folder, src), "0:" + RefusedKindText(folder, S_IFDIR));
  std::string text;
  test::Said(WriteValueToFile(kWriteBytes, folder, 0, "xy", MyNumeric()), &text);
  EXPECT_EQ(text, RefusedKindText(folder, S_IFDIR));
  EXPECT_EQ(QueryFileSize(folder), kUnknownSize);
  EXPECT_TRUE(test::ListDir(folder).empty());
}

using CharacterDeviceFiles = FileKindTest;

TEST_F(CharacterDeviceFiles, ADeviceTakesWritesButIsNeverReadOrReplaced) {
  std::string node = dir.File("null");
  if (mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
    GTEST_SKIP() << "making a device node needs root (CAP_MKNOD): " << std::strerror(errno);
  EXPECT_EQ(Copy(node, src), "6:");
  std::string text;
  EXPECT_EQ(test::Said(WriteValueToFile(kWriteBytes, node, 0, "xy", MyNumeric()), &text), 1)
      << text;
  EXPECT_TRUE(test::Said(EmptyCopyDestination(node), &text));
  EXPECT_EQ(test::Said(AppendFileContents(node, src, nullptr), &text), 1) << text;
  std::string refused = RefusedKindText(node, S_IFCHR);
  test::ValueOr(ComputeFileCRC32(node, 0, nullptr), 0u, &text);
  EXPECT_EQ(text, refused);
  test::Said(ModifyFileByteAt(node, 0, 1, kOpSet), &text);
  EXPECT_EQ(text, refused);
  EXPECT_EQ(test::Said(ZeroFileRange(node, 0, 0)), 0);
  struct stat st;
  ASSERT_EQ(lstat(node.c_str(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode)) << "the device was replaced";
  EXPECT_TRUE(test::NoTemporaryLeft(dir.Path()));
}

using UnreadableFiles = FileKindTest;

TEST_F(UnreadableFiles, AFileTheUserCannotReadIsAnOpenFailureNeverAnEmptyFile) {
  std::string secret = dir.File("secret");
  test::WriteBytes(secret, "hidden");
  chmod(secret.c_str(), 0600);
  std::string text = RunInChild({0, true}, [&] {
    std::string crc, check, copy;
    test::ValueOr(ComputeFileCRC32(secret, 0, nullptr), 0u, &crc);
    test::Said(CompareFileChecksum(ChecksumKind::kCrc32, secret, 0, nullptr), &check);
    test::ValueOr(CopyFileSect(CopyRequest{dir.File("out"), secret, 0, 6, 0, nullptr}), int64_t{0},
                  &copy);
    std::string append;
    test::WriteBytes(dir.File("mine"), "m");
    test::Said(AppendFileContents(dir.File("mine"), secret, nullptr), &append);
    return std::to_string(QueryFileSize(secret)) + "|" + crc + "|" + check + "|" + copy + "|" +
           append;
  });
  std::string openText = Format(SJ("※　ファイルオープンに失敗。[ %s ]").c_str(), secret.c_str());
  // An append from it names the open failure, never an invalid size.
  EXPECT_EQ(text, "-1|" + openText + "|" + openText + "|" +
                      Format(SJ("※　コピー元ファイルをオープンできません。[ %s ]").c_str(),
                             secret.c_str()) +
                      "|" + OpenErrorText(EACCES) + " [" + secret + "]");
  EXPECT_FALSE(test::Exists(dir.File("out")));
  EXPECT_EQ(test::ReadBytes(dir.File("mine")), "m");
}

using ReadOnlyFiles = FileKindTest;

TEST_F(ReadOnlyFiles, ADestinationTheUserCannotOpenForWritingIsRefusedInAWritableFolder) {
  std::string ro = dir.File("ro");
  test::WriteBytes(ro, "0123456789");
  chmod(ro.c_str(), 0444);
  FileState before = StateOf(ro);
  std::string text = RunInChild({0, true}, [&] {
    std::string empty, append;
    bool emptied = test::Said(EmptyCopyDestination(ro), &empty);
    test::Said(AppendFileContents(ro, src, nullptr), &append);
    return Copy(ro, src) + "|" + std::to_string(emptied) + empty + "|" + append;
  });
  EXPECT_EQ(text, "0:" + CopyDestinationOpenText(ro) + "|0" + CopyDestinationOpenText(ro) + "|" +
                      OpenErrorText(EACCES) + " [" + ro + "]");
  EXPECT_EQ(StateOf(ro), before);
  EXPECT_TRUE(test::NoTemporaryLeft(dir.Path()));
}

using ReadOnlyFolderFiles = FileKindTest;

TEST_F(ReadOnlyFolderFiles, AWritableFileInAReadOnlyFolderIsCopiedIntoInPlace) {
  std::string folder = dir.File("rodir");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  std::string file = folder + "/f";
  test::WriteBytes(file, test::Pattern(100));
  chmod(file.c_str(), 0666);
  chmod(folder.c_str(), 0555);
  CancelFlag cancel{1};
  std::string text = RunInChild({0, true}, [&] {
    std::string cancelled = Copy(file, src, 6, &cancel);
    std::string unchanged = test::ReadBytes(file) == test::Pattern(100) ? "kept" : "changed";
    return cancelled + "|" + unchanged + "|" + Copy(file, src);
  });
  EXPECT_EQ(text, "0:" + SJ("※　中断しました。") + "|kept|6:");
  FileState after = StateOf(file);
  EXPECT_EQ(after.bytes, "abcdef");
  EXPECT_EQ(after.uid, 0u);
  EXPECT_EQ(after.mode & 07777, 0666u);
  EXPECT_EQ(test::ListDir(folder).size(), 1u);
}

using ForeignOwnerFiles = FileKindTest;

TEST_F(ForeignOwnerFiles, ACopyOntoAnotherUsersFileKeepsItsOwnerAndMode) {
  std::string theirs = dir.File("theirs");
  test::WriteBytes(theirs, test::Pattern(50));
  chmod(theirs.c_str(), 0666);
  EXPECT_EQ(RunInChild({0, true}, [&] { return Copy(theirs, src); }), "6:");
  FileState after = StateOf(theirs);
  EXPECT_EQ(after.bytes, "abcdef");
  EXPECT_EQ(after.uid, 0u);
  EXPECT_EQ(after.gid, 0u);
  EXPECT_EQ(after.mode & 07777, 0666u);
  EXPECT_TRUE(test::NoTemporaryLeft(dir.Path()));
}

TEST_F(ForeignOwnerFiles, AReplacedFileKeepsOwnerGroupModeAndExtendedAttributes) {
  std::string dst = dir.File("dst");
  test::WriteBytes(dst, "old contents");
  ASSERT_EQ(chown(dst.c_str(), 1234, 5678), 0);
  ASSERT_EQ(chmod(dst.c_str(), 02640), 0);
  bool xattrs = setxattr(dst.c_str(), "user.tag", "v1", 2, 0) == 0;
  EXPECT_EQ(Copy(dst, src), "6:");
  FileState after = StateOf(dst);
  EXPECT_EQ(after.bytes, "abcdef");
  EXPECT_EQ(after.uid, 1234u);
  EXPECT_EQ(after.gid, 5678u);
  EXPECT_EQ(after.mode & 07777, 02640u);
  if (xattrs) {
    char value[8] = {};
    EXPECT_EQ(getxattr(dst.c_str(), "user.tag", value, sizeof value), 2);
    EXPECT_STREQ(value, "v1");
  }
  EXPECT_TRUE(test::NoTemporaryLeft(dir.Path()));
}

using HardLinkFiles = FileKindTest;

TEST_F(HardLinkFiles, EveryNameOfAHardLinkedDestinationSeesTheCopy) {
  std::string a = dir.File("a"), b = dir.File("b");
  test::WriteBytes(a, test::Pattern(300));
  ASSERT_EQ(link(a.c_str(), b.c_str()), 0);
  EXPECT_EQ(Copy(a, src), "6:");
  EXPECT_EQ(test::ReadBytes(b), "abcdef");
  EXPECT_EQ(StateOf(a).links, 2u);
  EXPECT_TRUE(test::NoTemporaryLeft(dir.Path()));
}

TEST_F(HardLinkFiles, AFailedOrCancelledInPlaceCopyPutsTheOldBytesBack) {
  std::string a = dir.File("a"), b = dir.File("b");
  test::WriteBytes(a, test::Pattern(1000));
  ASSERT_EQ(link(a.c_str(), b.c_str()), 0);
  FileState before = StateOf(a);
  std::string big = dir.File("big");
  test::WriteBytes(big, test::Pattern(3 * kLimit, 7));
  EXPECT_EQ(RunInChild({kLimit, false}, [&] { return Copy(a, big, 3 * kLimit); }),
            "0:" + SJ("※　コピーに失敗しました。ファイルサイズの上限を超えました。"));
  EXPECT_EQ(StateOf(a), before);
  CancelFlag cancel{1};
  EXPECT_EQ(Copy(b, src, 6, &cancel), "0:" + SJ("※　中断しました。"));
  EXPECT_EQ(StateOf(b), before);
  EXPECT_TRUE(test::NoTemporaryLeft(dir.Path()));
}

// A destination written in place that is also a source is read from its saved old
// contents: every source position of a copy and a combination gives the bytes the files
// had before the command began.
TEST_F(HardLinkFiles, ASourceThatIsTheInPlaceDestinationIsReadFromItsOldContents) {
  const std::string c = dir.File("c"), c2 = dir.File("c2"), x = dir.File("x");
  auto reset = [&] {
    unlink(c2.c_str());
    test::WriteBytes(c, "CCCCCCCC");
    ASSERT_EQ(link(c.c_str(), c2.c_str()), 0);
  };
  test::WriteBytes(x, "XX");
  auto combine = [&](const std::vector<std::string>& sources) {
    std::string failure;
    const int64_t n = test::ValueOr(CombineFilesInto(c, sources, nullptr), int64_t{-1}, &failure);
    return std::to_string(n) + ":" + failure + ":" + test::ReadBytes(c2);
  };
  reset();
  EXPECT_EQ(combine({x, c2}), "10::XXCCCCCCCC");
  reset();
  EXPECT_EQ(combine({c2, x}), "10::CCCCCCCCXX");
  reset();
  test::WriteBytes(c, "0123");
  EXPECT_EQ(combine({c2, c2}), "8::01230123");
  reset();
  test::WriteBytes(c, "0123456789");
  EXPECT_EQ(Copy(c, c2, 4), "4:");
  EXPECT_EQ(test::ReadBytes(c2), "0123");
  std::string failure;
  reset();
  test::WriteBytes(c, "0123456789");
  EXPECT_EQ(test::ValueOr(CopyFileSect(CopyRequest{c2, c, 3, 5, 0, nullptr}), int64_t{0}, &failure),
            5)
      << failure;
  EXPECT_EQ(test::ReadBytes(c), "34567");
  // The two-file combination appends a file to itself: its old bytes twice.
  reset();
  EXPECT_EQ(test::ValueOr(AppendFileContents(c, c2, nullptr), int64_t{-1}, &failure), 16);
  EXPECT_EQ(test::ReadBytes(c), "CCCCCCCCCCCCCCCC");
  EXPECT_TRUE(test::NoTemporaryLeft(dir.Path()));
}

// The in-place path takes the appenders' exclusive lock for its whole run: while another
// holder has it the copy waits, and writes only after it is released.
TEST_F(HardLinkFiles, AnInPlaceCopyWaitsForTheAppendLock) {
  const std::string a = dir.File("a"), b = dir.File("b");
  test::WriteBytes(a, "old contents");
  ASSERT_EQ(link(a.c_str(), b.c_str()), 0);
  UniqueFd holder(open(a.c_str(), O_RDWR));
  ASSERT_EQ(LockForAppend(holder.Get(), nullptr, 0), AppendLock::kHeld);
  std::atomic<bool> copied{false};
  std::string outcome;
  std::thread copier([&] {
    outcome = Copy(a, src);
    copied = true;
  });
  usleep(300 * 1000);
  EXPECT_FALSE(copied) << "the copy did not wait for the lock";
  EXPECT_EQ(test::ReadBytes(b), "old contents");
  holder.Close();
  copier.join();
  EXPECT_EQ(outcome, "6:");
  EXPECT_EQ(test::ReadBytes(b), "abcdef");
}

using AppendLockFiles = FileKindTest;

// A copy that replaces an existing file holds the appenders' lock from its start to the
// rename: it waits for an append in progress before it reads or writes anything.
TEST_F(AppendLockFiles, AReplacingCopyWaitsForAnAppendInProgress) {
  const std::string a = dir.File("a");
  test::WriteBytes(a, "old");
  UniqueFd holder(open(a.c_str(), O_RDWR));
  ASSERT_EQ(LockForAppend(holder.Get(), nullptr, 0), AppendLock::kHeld);
  std::atomic<bool> copied{false};
  std::string outcome;
  std::thread copier([&] {
    outcome = Copy(a, src);
    copied = true;
  });
  usleep(300 * 1000);
  EXPECT_FALSE(copied) << "the copy did not wait for the lock";
  holder.Close();
  copier.join();
  EXPECT_EQ(outcome, "6:");
  EXPECT_EQ(test::ReadBytes(a), "abcdef");
}

// An append that waited while a copy replaced the file goes to the file the name names
// once it has the lock, never into the replaced one where its bytes would be lost.
TEST_F(AppendLockFiles, AnAppendThatWaitedFollowsTheNameToTheReplacingFile) {
  const std::string a = dir.File("a");
  auto replaceWhileLocked = [&](const std::function<std::string()>& append) {
    test::WriteBytes(a, "old");
    UniqueFd holder(open(a.c_str(), O_RDWR));
    EXPECT_EQ(LockForAppend(holder.Get(), nullptr, 0), AppendLock::kHeld);
    std::string outcome;
    std::thread appender([&] { outcome = append(); });
    usleep(100 * 1000);
    test::WriteBytes(dir.File("new"), "NEW");
    EXPECT_EQ(rename(dir.File("new").c_str(), a.c_str()), 0);
    holder.Close();
    appender.join();
    return outcome + "|" + test::ReadBytes(a);
  };
  EXPECT_EQ(replaceWhileLocked([&] {
              std::string failure;
              return std::to_string(test::ValueOr(AppendFileContents(a, src, nullptr), int64_t{-1},
                                                  &failure)) +
                     failure;
            }),
            "9|NEWabcdef");
  const std::string text = "xy";
  EXPECT_EQ(replaceWhileLocked([&] {
              return std::to_string(test::Said(
                  WriteValuesToFile(kWriteBytes, a, WritePlace{true, 0}, {{&text, nullptr}})));
            }),
            "1|NEWxy");
}

using SymbolicLinkFiles = FileKindTest;

TEST_F(SymbolicLinkFiles, ACopyWritesWhereTheLinkPointsAndKeepsTheLink) {
  std::string target = dir.File("target"), link = dir.File("link");
  test::WriteBytes(target, "old");
  ASSERT_EQ(symlink("target", link.c_str()), 0);
  ASSERT_EQ(symlink("made", dir.File("dangling").c_str()), 0);
  EXPECT_EQ(Copy(link, src), "6:");
  EXPECT_EQ(Copy(dir.File("dangling"), src), "6:");
  char pointsTo[64] = {};
  ASSERT_GT(readlink(link.c_str(), pointsTo, sizeof pointsTo - 1), 0);
  EXPECT_STREQ(pointsTo, "target");
  EXPECT_EQ(test::ReadBytes(target), "abcdef");
  struct stat st;
  ASSERT_EQ(lstat(dir.File("dangling").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(test::ReadBytes(dir.File("made")), "abcdef");
  EXPECT_TRUE(test::NoTemporaryLeft(dir.Path()));
}

TEST_F(SymbolicLinkFiles, AnEmptyCopyOntoADanglingLinkCreatesNothing) {
  ASSERT_EQ(symlink("nowhere", dir.File("dangling").c_str()), 0);
  std::string failure;
  EXPECT_TRUE(test::Said(EmptyCopyDestination(dir.File("dangling")), &failure));
  EXPECT_FALSE(test::Exists(dir.File("nowhere")));
}

using RegularFiles = FileKindTest;

TEST_F(RegularFiles, ACancelledCopyLeavesTheDestinationAndNoTemporaryFile) {
  std::string dst = dir.File("dst");
  test::WriteBytes(dst, "keep");
  FileState before = StateOf(dst);
  CancelFlag cancel{1};
  EXPECT_EQ(Copy(dst, src, 6, &cancel), "0:" + SJ("※　中断しました。"));
  EXPECT_EQ(Copy(dir.File("new"), src, 6, &cancel), "0:" + SJ("※　中断しました。"));
  EXPECT_EQ(StateOf(dst), before);
  EXPECT_FALSE(test::Exists(dir.File("new")));
  EXPECT_TRUE(test::NoTemporaryLeft(dir.Path()));
}

TEST_F(RegularFiles, NamedTemporaryFilesAreRemovedOnEveryFailurePath) {
  const std::string dst = dir.File("dst"), big = dir.File("big");
  test::WriteBytes(dst, "keep");
  test::WriteBytes(big, test::Pattern(3 * kLimit, 4));
  CancelFlag cancel{1};
  std::string text = RunInChild({kLimit, false}, [&]() -> std::string {
    // With /proc hidden no nameless file can be given a name, so named ones are used.
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", "/proc", "tmpfs", 0, "size=64k") != 0)
      return "skip";
    std::string cancelled = Copy(dst, src, 6, &cancel);
    std::string tooBig = Copy(dst, big, 3 * kLimit);
    std::string made = Copy(dir.File("new"), src);
    return cancelled + "|" + tooBig + "|" + made + "|" + test::ReadBytes(dst) + "|" +
           test::ReadBytes(dir.File("new")) + "|" +
           (test::NoTemporaryLeft(dir.Path()) ? "clean" : "temporary left");
  });
  if (text == "skip") GTEST_SKIP() << "/proc cannot be hidden in a private mount namespace here";
  EXPECT_EQ(text, "0:" + SJ("※　中断しました。") +
                      "|0:" + SJ("※　コピーに失敗しました。ファイルサイズの上限を超えました。") +
                      "|6:|keep|abcdef|clean");
}

TEST_F(RegularFiles, NamesWithWildcardsAreTakenLiterally) {
  test::WriteBytes(dir.File("data9"), "");
  test::WriteBytes(dir.File("abc"), "x");
  std::string text;
  test::ValueOr(ComputeFileCRC32(dir.File("data?"), 0, nullptr), 0u, &text);
  EXPECT_EQ(text,
            Format(SJ("※　ファイルオープンに失敗。[ %s ]").c_str(), dir.File("data?").c_str()));
  EXPECT_EQ(test::Said(MakeSizedFile(dir.File("a*"), 1), &text), 1) << text;
  EXPECT_EQ(test::ReadBytes(dir.File("a*")).size(), 1u);
  EXPECT_EQ(test::ReadBytes(dir.File("abc")), "x");
}

TEST_F(RegularFiles, AFailedAppendIsCutBackToTheOldEnd) {
  std::string d = dir.File("d");
  test::WriteBytes(d, test::Pattern(kLimit - 5));
  test::WriteBytes(dir.File("s"), test::Pattern(100, 3));
  FileState before = StateOf(d);
  std::string text = RunInChild({kLimit, false}, [&] {
    std::string failure;
    return std::to_string(test::Said(AppendFileContents(d, dir.File("s"), nullptr), &failure)) +
           failure;
  });
  EXPECT_EQ(text.rfind("0" + SJ("※　ファイル内容追加に失敗。AddFileSize[100]"), 0), 0u) << text;
  EXPECT_EQ(StateOf(d), before);
}

using FullFileSystemFiles = FileKindTest;

// A copy larger than a 1 MiB tmpfs, mounted in the child's own mount namespace: both ways
// of writing an existing file fail without changing it. Skipped where no tmpfs can be
// mounted; the file-size limit cases above cover those systems.
TEST_F(FullFileSystemFiles, ACopyThatDoesNotFitLeavesTheDestinationAsItWas) {
  const std::string small = dir.File("small"), big = dir.File("big");
  ASSERT_EQ(mkdir(small.c_str(), 0755), 0);
  test::WriteBytes(big, test::Pattern(2 * kLimit, 5));
  std::string text = RunInChild({}, [&]() -> std::string {
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", small.c_str(), "tmpfs", 0, "size=1m") != 0)
      return "skip";
    const std::string one = small + "/one", linked = small + "/linked";
    test::WriteBytes(one, test::Pattern(300000, 1));
    test::WriteBytes(linked, test::Pattern(300000, 2));
    if (link(linked.c_str(), (small + "/other").c_str()) != 0) return "no link";
    std::string replaced = Copy(one, big, 2 * kLimit);
    std::string inPlace = Copy(linked, big, 2 * kLimit);
    bool kept = test::ReadBytes(one) == test::Pattern(300000, 1) &&
                test::ReadBytes(small + "/other") == test::Pattern(300000, 2);
    return replaced + "|" + inPlace.substr(0, inPlace.find('[')) + "|" +
           (kept ? "kept" : "changed") + "|" +
           (test::NoTemporaryLeft(small) ? "clean" : "temporary left");
  });
  if (text == "skip") GTEST_SKIP() << "no private tmpfs can be mounted here (needs root)";
  EXPECT_EQ(text, "0:" + SJ("※　コピーに失敗しました。ディスクの空き容量が足りません。") +
                      "|0:" + SJ("※　ディスク空き容量が足りません。FileSize") + "|kept|clean");
}

using ControlByteNames = FileKindTest;

TEST_F(ControlByteNames, ANameWithANulNeverReachesTheShorterName) {
  test::WriteBytes(dir.File("ab"), "keep");
  std::string cut = dir.File("ab") + std::string(1, '\0') + ".txt";
  std::string text, os;
  EXPECT_FALSE(ToOsPath(cut, os));
  EXPECT_EQ(test::Said(WriteValueToFile(kWriteText, cut, 0, "x", MyNumeric()), &text), 0);
  EXPECT_EQ(test::Said(MakeSizedFile(dir.File("new") + std::string(1, '\0') + "name", 3), &text),
            0);
  EXPECT_EQ(Copy(dir.File("ab") + "\t", src),
            "0:" + CopyDestinationOpenText(dir.File("ab") + "\t"));
  EXPECT_EQ(test::ReadBytes(dir.File("ab")), "keep");
  EXPECT_FALSE(test::Exists(dir.File("new")));
  EXPECT_EQ(test::ListDir(dir.Path()).size(), 2u);
}

}  // namespace
}  // namespace vpx
