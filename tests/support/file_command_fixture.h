// A running engine on the recording fakes whose current directory is a fresh temporary
// folder, so file commands can be typed with short relative names.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "support/engine_fixture.h"
#include "support/file_test_util.h"

namespace vpx::test {

class FileCommandFixture : public ::testing::Test, public EngineFixture {
 protected:
  void SetUp() override {
    ASSERT_EQ(started, 1);
    char buffer[PATH_MAX];
    ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
    savedCwd = buffer;
    ASSERT_EQ(chdir(dir.Path().c_str()), 0);  // commands below use relative names
  }
  void TearDown() override { ASSERT_EQ(chdir(savedCwd.c_str()), 0); }

  // Runs a line that starts a job and returns the result list's last row once it ended.
  std::string RunJob(const std::string& line) {
    Type(line);
    EXPECT_TRUE(WaitIdle());
    return RowText(RowCount() - 1);
  }

  TempDir dir;
  std::string savedCwd;
};

}  // namespace vpx::test
