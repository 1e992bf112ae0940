// Runs the real vorpex binary (VORPEX_BINARY) as a subprocess in a fresh temporary folder:
// to completion with given standard input, or started in the background to be signalled.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace vpx::test {

namespace fs = std::filesystem;

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// The console form of one echoed line.
inline std::string L(const std::string& text) {
  return "　" + text + "\n";
}

inline std::string Quote(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

inline std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

class VorpexRun : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vorpex_batch_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    const char* binary = std::getenv("VORPEX_BINARY");
    ASSERT_NE(binary, nullptr) << "VORPEX_BINARY is not set";
    binary_ = binary;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // The shell command that runs vorpex with args in the temp directory, standard input from
  // stdin.txt, standard output to stdoutPath.
  std::string Command(const std::vector<std::string>& args,
                      const std::string& stdoutPath = "stdout.txt") {
    std::string command = "cd " + Quote(dir_.string()) + " && exec " + Quote(binary_);
    if (ownTrace_) command += " --trace " + Quote((dir_ / "trace.txt").string());
    for (const std::string& arg : args) command += " " + Quote(arg);
    return command + " < stdin.txt > " + stdoutPath + " 2> stderr.txt";
  }

  // Runs vorpex with args (and stdinText on standard input) in the temp directory.
  Outcome Vorpex(const std::vector<std::string>& args, const std::string& stdinText = "",
                 const std::string& stdoutPath = "stdout.txt") {
    std::ofstream(dir_ / "stdin.txt", std::ios::binary) << stdinText;
    const int status = std::system(Command(args, stdoutPath).c_str());
    return Collect(status);
  }
  Outcome Lines(const std::vector<std::string>& lines) {
    std::vector<std::string> args;
    for (const std::string& line : lines) {
      args.push_back("-e");
      args.push_back(line);
    }
    return Vorpex(args);
  }

  // Starts vorpex in the background (the shell execs it, so the pid is vorpex's).
  pid_t Start(const std::vector<std::string>& args) {
    std::ofstream(dir_ / "stdin.txt", std::ios::binary) << "";
    const std::string command = Command(args);
    const pid_t pid = fork();
    if (pid == 0) {
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    return pid;
  }
  // Waits for the started process up to limitMs; exit code -1 when it had to be killed.
  Outcome Finish(pid_t pid, int limitMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > end) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return Collect(-1);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return Collect(status);
  }

  std::string WriteFile(const std::string& name, const std::string& content) {
    std::ofstream(dir_ / name, std::ios::binary) << content;
    return (dir_ / name).string();
  }

  fs::path dir_;
  std::string binary_;
  bool ownTrace_ = true;  // false: the test passes its own --trace

 private:
  Outcome Collect(int status) {
    Outcome outcome;
    outcome.exitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = Slurp(dir_ / "stdout.txt");
    outcome.err = Slurp(dir_ / "stderr.txt");
    return outcome;
  }
};

}  // namespace vpx::test
