// The real binary under address-space limits (RLIMIT_AS) swept over a range: it must end
// normally at every limit, and whatever it prints must be the right answer or a "※"
// failure text; a write it calls successful must have written the right bytes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "files/checksums.h"

namespace {

namespace fs = std::filesystem;

constexpr long kMiB = 1024 * 1024;
constexpr auto kChildTimeout = std::chrono::seconds(120);
const std::string kFailureMark = "\xE3\x80\x80\xE2\x80\xBB";  // "　※" as printed (UTF-8)

// How a line's output is judged against the unlimited reference run.
enum class Check {
  kExact,      // the reference's lines, or some replaced by failure texts
  kAfterPrev,  // as kExact, but only when every line since the last kExact one succeeded
  kNone,       // only that the run goes on (the value depends on what failed before)
};

struct ScriptLine {
  std::string text;
  Check check;
  std::string writes;  // file the line writes, compared when it reports success
};

struct ChildRun {
  int status = 0;
  bool timedOut = false;
  std::string out, err;
  fs::path dir;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs the script in a fresh directory with the given address-space limit (0: none); the
// files named in copies are copied into it first, and extraArgs go after the others.
ChildRun RunScript(const std::vector<ScriptLine>& script, long limitBytes, const std::string& tag,
                   const std::vector<std::string>& extraArgs = {},
                   const std::vector<fs::path>& copies = {}) {
  ChildRun run;
  run.dir = fs::temp_directory_path() / ("vorpex_sweep_" + std::to_string(getpid()) + "_" + tag);
  fs::remove_all(run.dir);
  fs::create_directories(run.dir);
  {
    std::ofstream batch(run.dir / "script.txt", std::ios::binary);
    for (const ScriptLine& line : script) batch << line.text << "\n";
  }
  for (const fs::path& file : copies) fs::copy_file(file, run.dir / file.filename());
  const char* binary = std::getenv("VORPEX_BINARY");
  const std::string dir = run.dir.string();
  std::vector<std::string> args = {binary,         "--batch", "script.txt",
                                   "--transcript", "--trace", "trace.txt"};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(125);
    FILE* out = std::freopen("stdout.txt", "wb", stdout);
    FILE* err = std::freopen("stderr.txt", "wb", stderr);
    if (out == nullptr || err == nullptr) _exit(125);
    if (limitBytes > 0) {
      rlimit limit{static_cast<rlim_t>(limitBytes), static_cast<rlim_t>(limitBytes)};
      if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(125);
    }
    execv(binary, argv.data());
    _exit(126);
  }
  const auto deadline = std::chrono::steady_clock::now() + kChildTimeout;
  for (;;) {
    if (waitpid(pid, &run.status, WNOHANG) == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &run.status, 0);
      run.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  run.out = ReadFile(run.dir / "stdout.txt");
  run.err = ReadFile(run.dir / "stderr.txt");
  return run;
}

// The output lines of each script line (the transcript prints the input line first).
std::vector<std::vector<std::string>> SplitByLine(const std::string& out,
                                                  const std::vector<ScriptLine>& script) {
  std::vector<std::vector<std::string>> blocks(script.size());
  std::istringstream in(out);
  std::string line;
  int current = -1;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (current + 1 < static_cast<int>(script.size()) && line == script[current + 1].text) {
      ++current;
      continue;
    }
    if (current >= 0) blocks[current].push_back(line);
  }
  return blocks;
}

bool IsFailure(const std::string& line) {
  return line.compare(0, kFailureMark.size(), kFailureMark) == 0;
}

bool HasFailureText(const std::vector<std::string>& block) {
  for (const std::string& line : block)
    if (IsFailure(line)) return true;
  return false;
}

// Every line is the reference's or a failure text; without a failure text, all of it.
::testing::AssertionResult BlockIsSound(const std::vector<std::string>& got,
                                        const std::vector<std::string>& want) {
  if (!HasFailureText(got) && got != want)
    return ::testing::AssertionFailure() << "output differs from the reference";
  for (const std::string& line : got) {
    if (IsFailure(line)) continue;
    bool known = false;
    for (const std::string& w : want) known = known || w == line;
    if (!known) return ::testing::AssertionFailure() << "unexpected line: " << line.substr(0, 200);
  }
  return ::testing::AssertionSuccess();
}

class MemorySweep : public ::testing::Test {
 protected:
  void SetUp() override {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "sanitizer shadow memory makes an address-space limit meaningless";
#endif
    if (std::getenv("VORPEX_BINARY") == nullptr) GTEST_SKIP() << "VORPEX_BINARY is not set";
  }

  // Runs the script at every limit; counts the runs that printed a failure text, so that
  // a sweep whose limits never bit can be told apart.
  void Sweep(const std::vector<ScriptLine>& script, const std::vector<long>& limitsMiB,
             int* runsThatFailedSomething) {
    *runsThatFailedSomething = 0;
    ChildRun reference = RunScript(script, 0, "ref");
    ASSERT_FALSE(reference.timedOut);
    ASSERT_TRUE(WIFEXITED(reference.status)) << reference.err;
    const auto want = SplitByLine(reference.out, script);
    for (size_t i = 0; i < script.size(); ++i)
      ASSERT_FALSE(HasFailureText(want[i])) << "the reference run failed at " << script[i].text;
    for (long mib : limitsMiB) {
      SCOPED_TRACE("limit " + std::to_string(mib) + " MiB");
      ChildRun run = RunScript(script, mib * kMiB, std::to_string(mib));
      CheckRun(run, script, want, reference.dir);
      for (const auto& block : SplitByLine(run.out, script)) {
        if (HasFailureText(block)) {
          ++*runsThatFailedSomething;
          break;
        }
      }
      fs::remove_all(run.dir);
    }
    fs::remove_all(reference.dir);
  }

  void CheckRun(const ChildRun& run, const std::vector<ScriptLine>& script,
                const std::vector<std::vector<std::string>>& want, const fs::path& refDir) {
    ASSERT_FALSE(run.timedOut) << "the child hung";
    ASSERT_FALSE(WIFSIGNALED(run.status)) << "killed by signal " << WTERMSIG(run.status) << "\n"
                                          << run.err.substr(0, 500);
    const int code = WEXITSTATUS(run.status);
    // Below the size of the program's own libraries the loader refuses before any code runs.
    if (code == 127 && run.out.empty() &&
        run.err.find("error while loading shared libraries") != std::string::npos)
      return;
    ASSERT_TRUE(code == 0 || code == 1) << "exit status " << code << "\n" << run.err;
    const auto got = SplitByLine(run.out, script);
    bool chainOk = true;  // every line since the last independent one succeeded
    for (size_t i = 0; i < script.size(); ++i) {
      SCOPED_TRACE(script[i].text.substr(0, 80));
      const bool ok = !HasFailureText(got[i]) && got[i] == want[i];
      const bool judged =
          script[i].check == Check::kExact || (script[i].check == Check::kAfterPrev && chainOk);
      if (judged) {
        EXPECT_TRUE(BlockIsSound(got[i], want[i]));
      }
      if (judged && ok && !script[i].writes.empty()) {
        EXPECT_EQ(ReadFile(run.dir / script[i].writes), ReadFile(refDir / script[i].writes))
            << "a write reported as done did not write the value";
      }
      chainOk = (script[i].check == Check::kExact || chainOk) && ok;
    }
  }
};

std::vector<long> EveryStep(long from, long to, long step) {
  std::vector<long> limits;
  for (long mib = from; mib <= to; mib += step) limits.push_back(mib);
  return limits;
}

// Big-number work: roots, factorials (a job), products, quotients, e, logarithms and
// powers at up to a million digits, with the writers of values and results.
TEST_F(MemorySweep, BigNumbersAreRightOrRefusedAtEveryLimit) {
  const std::vector<ScriptLine> script = {
      {"SqRoot(2, 1000000)", Check::kExact, ""},
      {"GetDigitSize($0)", Check::kAfterPrev, ""},
      {"WriteToFileAsBCD(\"bcd.bin\", 0, $0)", Check::kAfterPrev, "bcd.bin"},
      {"GetDigitSize(12345)", Check::kExact, ""},
      {"Factorial(205022)", Check::kExact, ""},
      {"GetListData(1)", Check::kAfterPrev, ""},
      {"Mul($0, $0)", Check::kNone, ""},
      {"Mul(12345678901234567890, 98765432109876543210)", Check::kExact, ""},
      {"Div(1, 7)", Check::kExact, ""},
      {"GetNapier(100000)", Check::kExact, ""},  // the longest e computed at once
      {"WriteToFileAsBin(\"bin.bin\", 0, $0)", Check::kAfterPrev, "bin.bin"},
      {"Pow(3, 2000000)", Check::kExact, ""},
      {"LogE(2, 3000)", Check::kExact, ""},
      {"GetListData(2)", Check::kAfterPrev, ""},
      {"WriteToFileAsStr(\"str.txt\", 0, \"kept\")", Check::kExact, "str.txt"},
      {"AddInt(1, 2)", Check::kExact, ""},
  };
  int failedRuns = 0;
  std::vector<long> limits = EveryStep(40, 180, 10);  // where the work starts to fit
  for (long mib : EveryStep(200, 400, 20)) limits.push_back(mib);
  Sweep(script, limits, &failedRuns);
  EXPECT_GE(failedRuns, 3) << "the limits hardly ever made the work fail";
}

// The result list grows with long texts and big numbers until memory runs out; the list
// stays usable: entry 0 intact, later lines still work.
TEST_F(MemorySweep, ListGrowthStopsWithAMessageAndTheListStaysUsable) {
  std::vector<ScriptLine> script = {
      {"SetString(\"" + std::string(99'000, 'x') + "\")", Check::kExact, ""},
  };
  for (int i = 0; i < 300; ++i) script.push_back({"AddStrToList()", Check::kNone, ""});
  script.push_back({"SqRoot(3, 100000)", Check::kExact, ""});
  // An entry holds about its value's 100,000 digits, so it takes thousands of them to
  // reach the limits.
  for (int i = 0; i < 3000; ++i) script.push_back({"AddResultToList()", Check::kNone, ""});
  script.push_back({"GetListData(0)", Check::kAfterPrev, ""});
  script.push_back({"WriteToFileAsBCD(\"list.bin\", 0, $0)", Check::kAfterPrev, "list.bin"});
  script.push_back({"AddInt(1, 2)", Check::kExact, ""});
  int failedRuns = 0;
  Sweep(script, {120, 200, 320, 480}, &failedRuns);
  EXPECT_GE(failedRuns, 2) << "the list never ran out of memory";
}

// A list file of count text entries, written directly (each entry's checksum computed) so
// that making it takes no big list in the test itself.
void WriteBigList(const fs::path& path, size_t count) {
  std::ofstream out(path, std::ios::binary);
  out << "VORPEX-SHORTCUT-LIST 2\nentries " << count << "\n";
  for (size_t i = 1; i <= count; ++i) {
    const std::string entry = "entry " + std::to_string(i) +
                              "\ntype STRING\nid -1\nnumber 0\nsaturated 0\nsize 100\ntext entry " +
                              std::to_string(i) + "\nline \noverride 0\noverridetext \n";
    char crc[16];
    std::snprintf(
        crc, sizeof crc, "%08X",
        vpx::UpdateCrc32(0, reinterpret_cast<const uint8_t*>(entry.data()), entry.size()));
    out << entry << "crc " << crc << "\n";
  }
  out << "end\n";
}

// Loading a big list under limits where it no longer fits ends with the out-of-memory text
// and the list as it was (the run then stops before its lines, as for any refused load);
// where it fits, every entry is there. Never an abort.
TEST_F(MemorySweep, LoadingABigListEndsWithTheOutOfMemoryTextOrTheWholeList) {
  constexpr size_t kEntries = 300'000;
  const fs::path list = fs::temp_directory_path() / ("vorpex_big_" + std::to_string(getpid()));
  WriteBigList(list, kEntries);
  const std::vector<ScriptLine> script = {{"GetListItemNum()", Check::kNone, ""},
                                          {"GetListData(300000)", Check::kNone, ""}};
  const std::vector<std::string> load = {"--load", list.filename().string()};
  const std::string loaded = "【完了】ショートカット 300000 項目を読み込みました";
  int failedRuns = 0;
  // Reading fails below about 350 MiB, adding the entries up to about 550 MiB.
  for (long mib : {0L, 200L, 350L, 450L, 500L, 550L, 800L, 950L}) {
    SCOPED_TRACE("limit " + std::to_string(mib) + " MiB");
    ChildRun run = RunScript(script, mib * kMiB, "load" + std::to_string(mib), load, {list});
    fs::remove_all(run.dir);
    ASSERT_FALSE(run.timedOut) << "the child hung";
    ASSERT_FALSE(WIFSIGNALED(run.status)) << "killed by signal " << WTERMSIG(run.status) << "\n"
                                          << run.err.substr(0, 500);
    const int code = WEXITSTATUS(run.status);
    if (code == 127 && run.out.empty()) continue;  // below the size of the libraries
    EXPECT_EQ(run.err.find("terminate"), std::string::npos) << run.err.substr(0, 500);
    if (run.out.find(loaded) != std::string::npos) {
      EXPECT_EQ(code, 0) << run.out.substr(0, 500);
      EXPECT_NE(run.out.find("\n　300001\n"), std::string::npos) << run.out.substr(0, 500);
      EXPECT_NE(run.out.find("\n　entry 300000\n"), std::string::npos);
    } else {
      ++failedRuns;
      EXPECT_EQ(code, 1);
      EXPECT_NE(run.out.find("※　メモリが不足したため、処理を中止しました。"), std::string::npos)
          << run.out.substr(0, 500);
      EXPECT_EQ(run.out.find("GetListItemNum()"), std::string::npos) << "a line ran";
    }
    EXPECT_TRUE(mib != 0 || failedRuns == 0) << "the unlimited run failed";
  }
  fs::remove(list);
  EXPECT_GE(failedRuns, 1) << "no limit made the load fail";
}

}  // namespace
