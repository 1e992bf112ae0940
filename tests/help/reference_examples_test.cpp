// Every example of the function reference, run through the real program in a fresh folder
// and compared byte for byte, so that the manual and the help cannot drift from the program;
// and the terminal's help commands ("?PATTERN" lines, --help-functions).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "help/func_help.h"

namespace {

namespace fs = std::filesystem;

// The examples show the working folder as this path.
constexpr const char* kShownHome = "/home/user";
constexpr std::chrono::seconds kTimeLimit{120};  // for one example run
constexpr int kParallelRuns = 4;
constexpr int kExitLineFailed = 1;

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

class ReferenceRun : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* binary = std::getenv("VORPEX_BINARY");
    ASSERT_NE(binary, nullptr) << "VORPEX_BINARY is not set";
    binary_ = binary;
  }

  // Runs vorpex with args in base/work, where files were created; standard output with base
  // shown as kShownHome.
  std::string Run(const std::vector<std::string>& args,
                  std::span<const vpx::help::HelpFile> files = {}) {
    char pattern[] = "/tmp/vorpex_reference_XXXXXX";
    if (mkdtemp(pattern) == nullptr) return "mkdtemp failed";
    const fs::path base = pattern;
    const fs::path work = base / "work";
    fs::create_directory(work);
    for (const auto& file : files)
      std::ofstream(work / file.name, std::ios::binary).write(file.data, file.size);
    const std::string status = RunIn(work, base / "out.txt", base / "trace.txt", args);
    std::ifstream in(base / "out.txt", std::ios::binary);
    std::string out{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    fs::remove_all(base);
    return ReplaceAll(out + status, base.string(), kShownHome);
  }

  // Runs the program in folder with standard input from /dev/null and standard output to
  // outFile; "" after exit status 0 or 1, else a note that makes the comparison fail.
  std::string RunIn(const fs::path& folder, const fs::path& outFile, const fs::path& trace,
                    const std::vector<std::string>& args) {
    std::vector<std::string> all{binary_, "--trace", trace.string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      const int in = open("/dev/null", O_RDONLY);
      const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (chdir(folder.c_str()) != 0 || in < 0 || out < 0) _exit(126);
      dup2(in, STDIN_FILENO);
      dup2(out, STDOUT_FILENO);
      dup2(in, STDERR_FILENO);  // questions and notices are not part of the examples
      execv(argv[0], argv.data());
      _exit(127);
    }
    if (pid < 0) return "[fork failed]";
    const auto deadline = std::chrono::steady_clock::now() + kTimeLimit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return "[timed out]";
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // 1 is a failed line, which many examples show on purpose.
    if (WIFEXITED(status) && WEXITSTATUS(status) <= kExitLineFailed) return std::string();
    return "[exit status " + std::to_string(status) + "]";
  }

  std::string binary_;
};

// The input lines of an example block ("> LINE") and the transcript it must produce.
void SplitExample(const std::string& block, std::vector<std::string>& inputs,
                  std::string& transcript) {
  std::istringstream lines(block);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("> ", 0) == 0) {
      line = line.substr(2);
      inputs.push_back(line);
    }
    transcript += line + "\n";
  }
}

TEST_F(ReferenceRun, EveryExampleProducesExactlyItsOutput) {
  struct Case {
    std::string what;
    std::vector<std::string> args;
    std::span<const vpx::help::HelpFile> files;
    std::string expected;
    std::string actual;
  };
  std::vector<Case> cases;
  auto add = [&cases](std::string what, std::span<const vpx::help::HelpFile> files,
                      std::span<const char* const> options, const char* block) {
    Case c{std::move(what), {"--transcript"}, files, "", ""};
    std::vector<std::string> inputs;
    SplitExample(block, inputs, c.expected);
    for (const char* option : options) c.args.push_back(option);
    for (const std::string& input : inputs) {
      c.args.push_back("-e");
      c.args.push_back(input);
    }
    cases.push_back(std::move(c));
  };
  for (const auto& x : vpx::help::ManualExamples()) add(x.chapter, x.files, {}, x.block);
  const size_t chapterCases = cases.size();
  for (const auto& entry : vpx::help::FuncHelpEntries()) {
    for (const auto& example : entry.examples) {
      if (!example.checked) continue;
      add(std::string(entry.name) + " " + example.caption, entry.files, entry.options,
          example.block);
    }
  }
  // Each run mostly waits for the engine's rounds; a few at a time keep the test short.
  std::atomic<size_t> next{0};
  std::vector<std::thread> runners;
  for (int i = 0; i < kParallelRuns; ++i)
    runners.emplace_back([&] {
      for (size_t k = next++; k < cases.size(); k = next++)
        cases[k].actual = Run(cases[k].args, cases[k].files);
    });
  for (std::thread& runner : runners) runner.join();
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
  EXPECT_GE(chapterCases, 4u);
  EXPECT_GE(cases.size() - chapterCases, 100u);  // no example may silently drop out
}

TEST_F(ReferenceRun, QuestionMarkLinePrintsTheEntryInsteadOfRunningIt) {
  const std::string entry = vpx::help::HelpTextFor("GetFileSize");
  EXPECT_EQ(Run({"-e", "?GetFileSize", "-e", "  ?getfilesize"}), entry + entry);
  EXPECT_EQ(Run({"-e", "?"}), Run({"--help-functions"}));
  // Not a catalogue function: nothing is echoed, nothing lands in the result list.
  EXPECT_EQ(Run({"-e", "?Bogus", "-e", "GetListItemNum()"}),
            "「Bogus」に当てはまる関数はありません。\n　UINT GetListItemNum(VOID)\n　1\n");
}

TEST_F(ReferenceRun, HelpFunctionsOptionListsAllOrTheMatchingEntries) {
  EXPECT_EQ(Run({"--help-functions", "*CRC"}), vpx::help::HelpTextFor("*CRC"));
  const std::string index = Run({"--help-functions"});
  for (const auto& entry : vpx::help::FuncHelpEntries())
    EXPECT_NE(index.find(std::string("  ") + entry.name + " "), std::string::npos) << entry.name;
}

}  // namespace
