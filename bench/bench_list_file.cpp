// The memory a result list file costs the real binary: the peak resident size of loading a
// 30 MB list (and of loading and saving it again), next to the binary's own with an empty
// list, so that the share the load adds can be read off. Each row runs vorpex as a child
// and reads its peak from wait4.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "files/checksums.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kTargetBytes = 30u << 20;  // the list file's size
constexpr double kMiB = 1024.0 * 1024.0;

std::string VorpexBinary() {
  if (const char* set = std::getenv("VORPEX_BINARY")) return set;
  char self[PATH_MAX] = {};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string dir = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string();
  dir = dir.substr(0, dir.rfind('/'));
  return dir.substr(0, dir.rfind('/')) + "/vorpex";
}

std::string Folder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/vorpex_bench_list_XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    return std::string(pattern);
  }();
  return folder;
}

// A list of text entries, each with a number of 40 digits, until the file is 30 MB.
const std::string& ListFile() {
  static const std::string path = [] {
    std::string body;
    size_t count = 0;
    while (body.size() < kTargetBytes) {
      ++count;
      std::string entry = "entry " + std::to_string(count) +
                          "\ntype FLOAT\nid -1\nnumber 1234567890123456789012345678901234567." +
                          std::to_string(count) + "\nsaturated 0\nsize 100\ntext \nline Div(" +
                          std::to_string(count) + ", 7)\noverride 0\noverridetext \n";
      char crc[16];
      std::snprintf(
          crc, sizeof crc, "%08X",
          vpx::UpdateCrc32(0, reinterpret_cast<const uint8_t*>(entry.data()), entry.size()));
      body += entry + "crc " + crc + "\n";
    }
    const std::string file = Folder() + "/list.vpxl";
    std::ofstream(file, std::ios::binary) << "VORPEX-SHORTCUT-LIST 2\nentries " << count << "\n"
                                          << body << "end\n";
    return file;
  }();
  return path;
}

struct Peak {
  double seconds = 0;
  double residentMiB = 0;
  int status = -1;
};

Peak RunVorpex(const std::vector<std::string>& args) {
  std::vector<std::string> all = {VorpexBinary(), "--trace", "/dev/null"};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  Peak peak;
  rusage usage{};
  int status = 0;
  wait4(child, &status, 0, &usage);
  peak.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  peak.residentMiB = static_cast<double>(usage.ru_maxrss) * 1024.0 / kMiB;  // ru_maxrss: KiB
  peak.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return peak;
}

void Report(benchmark::State& state, const std::vector<std::string>& args) {
  const double fileMiB = static_cast<double>(kTargetBytes) / kMiB;
  Peak peak;
  for (auto _ : state) {
    peak = RunVorpex(args);
    if (peak.status != 0) state.SkipWithError("vorpex failed");
    state.SetIterationTime(peak.seconds);
  }
  state.counters["peak_MiB"] = peak.residentMiB;
  state.counters["file_MiB"] = fileMiB;
  state.counters["peak_per_file"] = peak.residentMiB / fileMiB;
}

// The binary alone: what the rows below add to.
void BM_EmptyListPeak(benchmark::State& state) {
  Report(state, {"-e", "NOP()"});
}
BENCHMARK(BM_EmptyListPeak)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_Load30MBListPeak(benchmark::State& state) {
  Report(state, {"--load", ListFile(), "-e", "NOP()"});
}
BENCHMARK(BM_Load30MBListPeak)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_LoadAndSave30MBListPeak(benchmark::State& state) {
  Report(state, {"--load", ListFile(), "-e", "NOP()", "--save", Folder() + "/saved.vpxl"});
}
BENCHMARK(BM_LoadAndSave30MBListPeak)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

struct RemoveFolder {
  ~RemoveFolder() {
    unlink((Folder() + "/list.vpxl").c_str());
    unlink((Folder() + "/saved.vpxl").c_str());
    rmdir(Folder().c_str());
  }
} g_removeFolder;

}  // namespace

BENCHMARK_MAIN();
