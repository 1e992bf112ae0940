// The options of the help and of the desktop entry: --help-functions with or without a
// pattern, and files named for the window's binary display.
#include <gtest/gtest.h>

#include <vector>

#include "cli/cli_options.h"

namespace vpx::cli {
namespace {

bool ParseArgs(std::vector<const char*> args, CommandLine& out, std::string& error) {
  args.insert(args.begin(), "vorpex");
  return ParseCommandLine(static_cast<int>(args.size()), const_cast<char**>(args.data()), out,
                          error);
}

TEST(HelpAndFileOptions, HelpFunctionsTakesAnOptionalPattern) {
  CommandLine cl;
  std::string error;
  ASSERT_TRUE(ParseArgs({"--help-functions"}, cl, error));
  EXPECT_EQ(cl.mode, RunMode::kHelpFunctions);
  EXPECT_EQ(cl.helpPattern, "");
  ASSERT_TRUE(ParseArgs({"--help-functions", "*CRC"}, cl, error));
  EXPECT_EQ(cl.helpPattern, "*CRC");
  // An option after it is not taken for a pattern.
  ASSERT_TRUE(ParseArgs({"--help-functions", "--yes"}, cl, error));
  EXPECT_EQ(cl.helpPattern, "");
}

TEST(HelpAndFileOptions, FilesAreForTheWindowOnly) {
  CommandLine cl;
  std::string error;
  ASSERT_TRUE(ParseArgs({"/tmp/a.bin", "--trace", "t.txt", "b.bin"}, cl, error));
  EXPECT_EQ(cl.mode, RunMode::kDefault);
  EXPECT_EQ(cl.openFiles, (std::vector<std::string>{"/tmp/a.bin", "b.bin"}));
  EXPECT_FALSE(ParseArgs({"-e", "NOP()", "a.bin"}, cl, error));
  EXPECT_FALSE(ParseArgs({"a.bin", "--console"}, cl, error));
  EXPECT_NE(error.find("window"), std::string::npos);
}

}  // namespace
}  // namespace vpx::cli
