#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace vpx::cli {
namespace {

bool Parse(std::vector<const char*> args, CommandLine& out, std::string& error) {
  args.insert(args.begin(), "vorpex");
  return ParseCommandLine(static_cast<int>(args.size()), const_cast<char**>(args.data()), out,
                          error);
}

TEST(CommandLineOptions, RepeatedLinesAndFlagsCombine) {
  CommandLine cl;
  std::string error;
  ASSERT_TRUE(Parse({"-e", "NOP()", "--yes", "-e", "Test()", "--transcript", "--trace", "t.txt"},
                    cl, error));
  EXPECT_EQ(cl.mode, RunMode::kBatchLines);
  EXPECT_EQ(cl.lines, (std::vector<std::string>{"NOP()", "Test()"}));
  EXPECT_TRUE(cl.terminal.answerYes);
  EXPECT_TRUE(cl.terminal.transcript);
  EXPECT_FALSE(cl.terminal.interactive);
  EXPECT_EQ(cl.tracePath, "t.txt");
}

TEST(CommandLineOptions, ModesExcludeEachOtherAndValuesAreRequired) {
  CommandLine cl;
  std::string error;
  EXPECT_FALSE(Parse({"--batch", "f", "-e", "NOP()"}, cl, error));
  EXPECT_FALSE(Parse({"--console", "--batch", "f"}, cl, error));
  EXPECT_FALSE(Parse({"--batch"}, cl, error));
  EXPECT_FALSE(Parse({"--trace"}, cl, error));
  EXPECT_FALSE(Parse({"-x"}, cl, error));
  EXPECT_EQ(error, "unknown option -x");
}

TEST(CommandLineOptions, ListFilesGoWithAnyModeAndAreListedInTheHelp) {
  CommandLine cl;
  std::string error;
  ASSERT_TRUE(Parse({"--load", "in.txt", "-e", "NOP()", "--save", "out.txt"}, cl, error));
  EXPECT_EQ(cl.terminal.loadFile, "in.txt");
  EXPECT_EQ(cl.terminal.saveFile, "out.txt");
  EXPECT_FALSE(Parse({"--save"}, cl, error));
  EXPECT_FALSE(Parse({"--load"}, cl, error));
  EXPECT_NE(HelpText().find("--load FILE"), std::string::npos);
  EXPECT_NE(HelpText().find("--save FILE"), std::string::npos);
}

TEST(CommandLineOptions, ASecondListOrTraceFileIsRefusedNotSilentlyTaken) {
  CommandLine cl;
  std::string error;
  for (const char* option : {"--load", "--save", "--trace"}) {
    SCOPED_TRACE(option);
    EXPECT_FALSE(Parse({option, "a.vpxl", "-e", "NOP()", option, "b.vpxl"}, cl, error));
    EXPECT_EQ(error, std::string("option ") + option + " may be given only once");
    EXPECT_FALSE(Parse({option, "", "-e", "NOP()"}, cl, error));
    EXPECT_EQ(error, std::string("option ") + option + " needs a file name");
  }
}

TEST(CommandLineOptions, ConsoleAndDefaultModes) {
  CommandLine cl;
  std::string error;
  ASSERT_TRUE(Parse({"--console"}, cl, error));
  EXPECT_TRUE(cl.terminal.interactive);
  ASSERT_TRUE(Parse({}, cl, error));
  EXPECT_EQ(cl.mode, RunMode::kDefault);
}

TEST(CommandLineOptions, HelpFunctionsTakesAnOptionalPattern) {
  CommandLine cl;
  std::string error;
  ASSERT_TRUE(Parse({"--help-functions"}, cl, error));
  EXPECT_EQ(cl.mode, RunMode::kHelpFunctions);
  EXPECT_EQ(cl.helpPattern, "");
  ASSERT_TRUE(Parse({"--help-functions", "*CRC"}, cl, error));
  EXPECT_EQ(cl.helpPattern, "*CRC");
  // An option after it is not taken for a pattern.
  ASSERT_TRUE(Parse({"--help-functions", "--yes"}, cl, error));
  EXPECT_EQ(cl.helpPattern, "");
}

TEST(CommandLineOptions, FilesAreForTheWindowOnly) {
  CommandLine cl;
  std::string error;
  ASSERT_TRUE(Parse({"/tmp/a.bin", "--trace", "t.txt", "b.bin"}, cl, error));
  EXPECT_EQ(cl.mode, RunMode::kDefault);
  EXPECT_EQ(cl.openFiles, (std::vector<std::string>{"/tmp/a.bin", "b.bin"}));
  EXPECT_FALSE(Parse({"-e", "NOP()", "a.bin"}, cl, error));
  EXPECT_FALSE(Parse({"a.bin", "--console"}, cl, error));
  EXPECT_NE(error.find("window"), std::string::npos);
}

}  // namespace
}  // namespace vpx::cli
