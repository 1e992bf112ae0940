// Memory per result entry: the terminal runs a batch that leaves 300,000 entries holding
// 12345 (AddInt(12340, 5), then AddResultToList()) and the benchmark reports its peak
// resident set (target: within 150 MB) and the bytes per entry, measured by the kernel
// for the child process (wait4's ru_maxrss). A baseline run with no entries gives the
// process's own footprint.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr int kEntries = 300'000;

// The vorpex binary next to this benchmark's build folder, or VORPEX_BINARY.
std::string VorpexBinary() {
  if (const char* set = std::getenv("VORPEX_BINARY")) return set;
  char self[PATH_MAX] = {};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string dir = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string();
  dir = dir.substr(0, dir.rfind('/'));
  return dir.substr(0, dir.rfind('/')) + "/vorpex";
}

// A batch file of count entries, each the sum 12345 added to the result list.
std::string WriteBatch(int count) {
  const std::string path = "/tmp/vorpex_bench_entries_" + std::to_string(getpid()) + "_" +
                           std::to_string(count) + ".txt";
  std::ofstream out(path, std::ios::binary);
  for (int i = 0; i < count; ++i) out << "AddInt(12340, 5)\nAddResultToList()\n";
  return path;
}

// Runs vorpex --batch file and returns its peak resident set in bytes (0 when it failed).
double PeakResidentBytes(const std::string& binary, const std::string& batch) {
  const pid_t child = fork();
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    execl(binary.c_str(), binary.c_str(), "--trace", "/dev/null", "--batch", batch.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return 0;
  return static_cast<double>(usage.ru_maxrss) * 1024.0;  // ru_maxrss is in kilobytes
}

void BM_PeakResidentFor300000SmallEntries(benchmark::State& state) {
  const std::string binary = VorpexBinary();
  const std::string empty = WriteBatch(0);
  const std::string full = WriteBatch(kEntries);
  double base = 0, peak = 0;
  for (auto _ : state) {
    base = PeakResidentBytes(binary, empty);
    peak = PeakResidentBytes(binary, full);
  }
  std::remove(empty.c_str());
  std::remove(full.c_str());
  if (peak == 0) {
    state.SkipWithError("the vorpex batch run failed");
    return;
  }
  state.counters["peak_MB"] = peak / 1e6;
  state.counters["baseline_MB"] = base / 1e6;
  state.counters["bytes_per_entry"] = (peak - base) / kEntries;
  state.counters["within_150MB"] = peak <= 150e6 ? 1 : 0;
}
BENCHMARK(BM_PeakResidentFor300000SmallEntries)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
