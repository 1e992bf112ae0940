#include "host/file_names.h"

#include <gtest/gtest.h>

#include "host/platform.h"
#include "host/sjis.h"

namespace vpx {
namespace {

TEST(FileNames, EveryControlByteAndDeleteIsRefusedAndNamed) {
  EXPECT_EQ(FindControlByte("plain name.txt"), -1);
  EXPECT_EQ(FindControlByte(std::string("ab\0c", 4)), 2);
  EXPECT_EQ(FindControlByte("a\x1f"), 1);
  EXPECT_EQ(FindControlByte("a\x7f"), 1);
  EXPECT_EQ(FindControlByte("\x83\x5C\x81\x40"), -1);  // two-byte characters pass
  EXPECT_EQ(FileNameRefusalText(std::string("ab\0c", 4)),
            SJ("※　ファイル名に制御文字が含まれています。") + "[0x00]");
  EXPECT_EQ(FileNameRefusalText("a\tb"),
            SJ("※　ファイル名に制御文字が含まれています。") + "[0x09]");
  EXPECT_EQ(FileNameRefusalText("ok"), "");
  std::string os = "stale";
  EXPECT_FALSE(ToOsPath(std::string("ab\0.txt", 7), os));
  EXPECT_TRUE(os.empty());
}

}  // namespace
}  // namespace vpx
