// Hashing, searching and comparing a 1 GiB file held in the page cache, in CPU time, each
// against the system tool that does the same in the same run: MakeFileHash against
// `openssl dgst` (SHA-256, MD5, BLAKE2b-512) and against `cat` (XXH3, CRC-32C),
// FindBytesInFile for an absent 8-byte pattern against `grep -c -F`, and CompareFile of two
// equal files against `cmp`. Every time reported is CPU seconds (user + system): the
// tools' from wait4, ours from the process CPU clock.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "files/file_compare.h"
#include "files/file_hash.h"
#include "files/find_in_file.h"

extern char** environ;

namespace {

constexpr int64_t kSize = 1ll << 30;
constexpr int kBlock = 1 << 20;
// Bytes the random data never holds in this order (checked before the search is timed).
const std::string kAbsent = "\x01\xFE\x02\xFD\x03\xFC\x04\xFB";

std::string BenchDir() {
  const char* dir = std::getenv("VORPEX_BENCH_DIR");
  return dir != nullptr ? dir : "/tmp";
}

// Two equal files of pseudo-random bytes, made once, removed at exit.
struct DataFiles {
  DataFiles() {
    const std::string base = BenchDir() + "/vpx-bench-inspect-" + std::to_string(getpid());
    paths = {base + "-a", base + "-b"};
    std::unique_ptr<char[]> block(new char[kBlock]);
    uint32_t x = 2463534242u;
    for (const std::string& path : paths) {
      const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      for (int64_t done = 0; done < kSize; done += kBlock) {
        for (int i = 0; i < kBlock; ++i) {
          x ^= x << 13, x ^= x >> 17, x ^= x << 5;
          block[i] = static_cast<char>(x >> 24);
        }
        if (write(fd, block.get(), kBlock) != kBlock) std::abort();
      }
      close(fd);
      x = 2463534242u;  // the second file equals the first
    }
  }
  ~DataFiles() {
    for (const std::string& path : paths) unlink(path.c_str());
  }
  std::vector<std::string> paths;
};

const DataFiles& Files() {
  static const DataFiles files;
  return files;
}

void WarmCache() {
  std::unique_ptr<char[]> buffer(new char[kBlock]);
  for (const std::string& path : Files().paths) {
    const int fd = open(path.c_str(), O_RDONLY);
    while (read(fd, buffer.get(), kBlock) > 0) {
    }
    close(fd);
  }
}

double Seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

// Runs argv with its output thrown away; the CPU seconds it used, or -1.
double ToolCpuSeconds(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return -1;
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void RunTool(benchmark::State& state, const std::vector<std::string>& args) {
  WarmCache();
  for (auto _ : state) {
    const double seconds = ToolCpuSeconds(args);
    if (seconds < 0) {
      state.SkipWithError("tool could not be run");
      return;
    }
    state.SetIterationTime(seconds);
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}

template <class Work>
void RunOurs(benchmark::State& state, Work work) {
  WarmCache();
  for (auto _ : state) {
    const double before = ProcessCpuSeconds();
    if (!work()) {
      state.SkipWithError("the routine failed");
      return;
    }
    state.SetIterationTime(ProcessCpuSeconds() - before);
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}

const std::string& FileA() {
  return Files().paths[0];
}

void BM_Tool_OpensslDgst(benchmark::State& state, const char* digest) {
  state.SetLabel(digest);
  RunTool(state, {"openssl", "dgst", std::string("-") + digest, FileA()});
}

void BM_Tool_Cat(benchmark::State& state) {
  RunTool(state, {"cat", FileA()});
}

void BM_MakeFileHash(benchmark::State& state, vpx::HashAlgorithm algorithm) {
  state.SetLabel(vpx::HashAlgorithmName(algorithm));
  RunOurs(state, [&] { return vpx::ComputeFileHash(FileA(), algorithm).ok(); });
}

void BM_Tool_GrepCountFixed(benchmark::State& state) {
  RunTool(state, {"grep", "-c", "-F", kAbsent, FileA()});
}

void BM_FindBytesInFile_Absent(benchmark::State& state) {
  RunOurs(state, [] {
    vpx::FileResult<int64_t> found = vpx::FindInFile(FileA(), kAbsent, 0);
    return found.ok() && found.value() < 0;
  });
}

void BM_Tool_Cmp(benchmark::State& state) {
  RunTool(state, {"cmp", Files().paths[0], Files().paths[1]});
}

void BM_CompareFile_Equal(benchmark::State& state) {
  RunOurs(state, [] {
    vpx::FileResult<vpx::FileComparison> result =
        vpx::CompareFiles(Files().paths[0], Files().paths[1]);
    return result.ok() && result.value().Equal();
  });
}

#define VPX_CPU_BENCH(...) \
  BENCHMARK_CAPTURE(__VA_ARGS__)->Unit(benchmark::kMillisecond)->UseManualTime()

VPX_CPU_BENCH(BM_Tool_OpensslDgst, sha256, "sha256");
VPX_CPU_BENCH(BM_MakeFileHash, sha256, vpx::HashAlgorithm::kSha256);
VPX_CPU_BENCH(BM_Tool_OpensslDgst, md5, "md5");
VPX_CPU_BENCH(BM_MakeFileHash, md5, vpx::HashAlgorithm::kMd5);
VPX_CPU_BENCH(BM_Tool_OpensslDgst, blake2b512, "blake2b512");
VPX_CPU_BENCH(BM_MakeFileHash, blake2b, vpx::HashAlgorithm::kBlake2b512);
BENCHMARK(BM_Tool_Cat)->Unit(benchmark::kMillisecond)->UseManualTime();
VPX_CPU_BENCH(BM_MakeFileHash, xxh3, vpx::HashAlgorithm::kXxh3_64);
VPX_CPU_BENCH(BM_MakeFileHash, crc32c, vpx::HashAlgorithm::kCrc32c);
BENCHMARK(BM_Tool_GrepCountFixed)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_FindBytesInFile_Absent)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_Tool_Cmp)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_CompareFile_Equal)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
