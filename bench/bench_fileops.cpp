// File command throughput against the tools' own methods, on one 1 GiB file held in the
// page cache: MakeFileCRC/ADLER against a cat-like read loop (and zlib's crc32_z),
// CopyFileSect against a cp-like kernel copy, MakeClearedFile against one fallocate of the
// whole size and against dd-like 8 MiB zero writes.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "files/checksums.h"
#include "files/file_create.h"
#include "files/section_copy.h"

namespace {

constexpr int64_t kSize = 1ll << 30;

std::string BenchDir() {
  const char* dir = std::getenv("VORPEX_BENCH_DIR");
  return dir != nullptr ? dir : "/tmp";
}

// The source file, made once (removed at exit) and read once so that it sits in the
// page cache.
struct SourceFileHolder {
  SourceFileHolder() : path(BenchDir() + "/vpx-bench-src-" + std::to_string(getpid())) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::unique_ptr<char[]> block(new char[1 << 20]);
    uint32_t x = 12345;
    for (int i = 0; i < (1 << 20); ++i)
      block[i] = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
    for (int64_t done = 0; done < kSize; done += 1 << 20) {
      if (write(fd, block.get(), 1 << 20) != (1 << 20)) std::abort();
    }
    fdatasync(fd);  // no writeback of the source competes with the measured writes
    close(fd);
  }
  ~SourceFileHolder() { unlink(path.c_str()); }
  std::string path;
};

const std::string& SourceFile() {
  static const SourceFileHolder holder;
  return holder.path;
}

std::string TargetFile() {
  return BenchDir() + "/vpx-bench-dst-" + std::to_string(getpid());
}

// Settles the writeback of earlier benchmarks before one that writes.
void SettleWriteback() {
  sync();
}

void WarmCache() {
  int fd = open(SourceFile().c_str(), O_RDONLY);
  std::unique_ptr<char[]> buffer(new char[1 << 20]);
  while (read(fd, buffer.get(), 1 << 20) > 0) {
  }
  close(fd);
}

// --- reads ---

void BM_Reference_CatReadLoop(benchmark::State& state) {
  WarmCache();
  std::unique_ptr<char[]> buffer(new char[128 << 10]);  // cat's block size
  for (auto _ : state) {
    int fd = open(SourceFile().c_str(), O_RDONLY);
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    while (read(fd, buffer.get(), 128 << 10) > 0) {
    }
    close(fd);
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}

void BM_Reference_ZlibCrc32(benchmark::State& state) {
  using Fn = unsigned long (*)(unsigned long, const unsigned char*, size_t);
  void* zlib = dlopen("libz.so.1", RTLD_NOW);
  auto crc32z = zlib != nullptr ? reinterpret_cast<Fn>(dlsym(zlib, "crc32_z")) : nullptr;
  if (crc32z == nullptr) {
    state.SkipWithError("zlib not loadable");
    return;
  }
  WarmCache();
  std::unique_ptr<unsigned char[]> buffer(new unsigned char[128 << 10]);
  for (auto _ : state) {
    int fd = open(SourceFile().c_str(), O_RDONLY);
    unsigned long crc = 0;
    for (ssize_t n; (n = read(fd, buffer.get(), 128 << 10)) > 0;)
      crc = crc32z(crc, buffer.get(), static_cast<size_t>(n));
    close(fd);
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}

void BM_MakeFileChecksum(benchmark::State& state) {
  auto kind = state.range(0) == 0 ? vpx::ChecksumKind::kCrc32 : vpx::ChecksumKind::kAdler32;
  WarmCache();
  bool failed = false;
  for (auto _ : state) {
    vpx::FileResult<uint32_t> value =
        vpx::ComputeFileChecksum(kind, SourceFile(), vpx::kChecksumBuffer, nullptr);
    failed = failed || !value;
    benchmark::DoNotOptimize(value);
  }
  if (failed) state.SkipWithError("checksum failed");
  state.SetLabel(state.range(0) == 0 ? "CRC-32" : "Adler-32");
  state.SetBytesProcessed(state.iterations() * kSize);
}

// --- copies ---

void BM_Reference_CpKernelCopy(benchmark::State& state) {
  SettleWriteback();
  WarmCache();
  for (auto _ : state) {
    int in = open(SourceFile().c_str(), O_RDONLY);
    int out = open(TargetFile().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    while (copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0) > 0) {
    }
    close(in);
    close(out);
    state.PauseTiming();
    unlink(TargetFile().c_str());
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}

void BM_CopyFileSect(benchmark::State& state) {
  SettleWriteback();
  WarmCache();
  for (auto _ : state) {
    vpx::FileResult<int64_t> n =
        vpx::CopyFileSect(vpx::CopyRequest{TargetFile(), SourceFile(), 0, kSize, 0, nullptr});
    if (!n || n.value() != kSize) state.SkipWithError("copy failed");
    state.PauseTiming();
    unlink(TargetFile().c_str());
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}

// --- zero-filled files ---

void BM_Reference_Fallocate(benchmark::State& state) {
  SettleWriteback();
  for (auto _ : state) {
    int fd = open(TargetFile().c_str(), O_RDWR | O_CREAT | O_EXCL, 0644);
    if (fallocate(fd, 0, 0, kSize) != 0) state.SkipWithError("fallocate unsupported");
    close(fd);
    state.PauseTiming();
    unlink(TargetFile().c_str());
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}

void BM_Reference_DdZeroWrites(benchmark::State& state) {
  SettleWriteback();
  std::unique_ptr<char[]> zeros(new char[8 << 20]());
  for (auto _ : state) {
    int fd = open(TargetFile().c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    for (int64_t done = 0; done < kSize; done += 8 << 20) {
      if (write(fd, zeros.get(), 8 << 20) != (8 << 20)) state.SkipWithError("write failed");
    }
    close(fd);
    state.PauseTiming();
    unlink(TargetFile().c_str());
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}

void BM_MakeClearedFile(benchmark::State& state) {
  SettleWriteback();
  for (auto _ : state) {
    if (!vpx::CreateZeroFile(TargetFile(), kSize, nullptr))
      state.SkipWithError("CreateZeroFile failed");
    state.PauseTiming();
    unlink(TargetFile().c_str());
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}

BENCHMARK(BM_Reference_CatReadLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MakeFileChecksum)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Reference_ZlibCrc32)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Reference_CpKernelCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyFileSect)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Reference_Fallocate)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MakeClearedFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Reference_DdZeroWrites)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
