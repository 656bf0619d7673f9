// Speed of the MP3 data start search over long stretches without audio:
// 1 GiB of zeros read from a sparse file, 256 MiB of zeros and of junk
// without a sync byte in memory, 256 MiB of junk from a file, and the
// byte-wise rule on 16 MiB of junk for comparison. Each reports MB/s; the
// block scan should reach well over 1000 MB/s.
//
// The files are read once before timing: the first read of a fresh sparse
// file makes the kernel fill the page cache with zero pages (a few hundred
// MB/s), which measures the kernel, not the scan.
//
// Run: build-<name>/bench/bench_mp3_start
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "codec/ByteSource.h"
#include "codec/Mp3DataStart.h"

namespace {

using namespace zirpel;

// A temporary file, removed at the end.
class TempFile {
public:
    TempFile() {
        path_ = (std::filesystem::temp_directory_path() / "zirpel-bench-XXXXXX").string();
        fd_ = mkstemp(path_.data());
    }
    ~TempFile() {
        if (fd_ >= 0) close(fd_);
        unlink(path_.c_str());
    }
    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

void Report(benchmark::State& state, std::uint64_t bytes) {
    const double total = static_cast<double>(bytes) * static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(total));
    state.counters["MB/s"] = benchmark::Counter(total / 1e6, benchmark::Counter::kIsRate);
}

void ScanFile(benchmark::State& state, const std::string& path, std::uint64_t bytes) {
    if (auto warm = FileByteSource::open(path)) FindMp3DataStart(*warm);
    for (auto _ : state) {
        auto source = FileByteSource::open(path);
        if (!source) {
            state.SkipWithError("cannot open the file");
            return;
        }
        const Mp3DataStart start = FindMp3DataStart(*source);
        benchmark::DoNotOptimize(start);
        if (start.frameFound) state.SkipWithError("found a frame in a file without one");
    }
    Report(state, bytes);
}

void BM_ZerosSparseFile1GiB(benchmark::State& state) {
    constexpr std::uint64_t kBytes = std::uint64_t{1} << 30;
    TempFile file;
    if (!file.ok() || ftruncate(file.fd(), static_cast<off_t>(kBytes)) != 0) {
        state.SkipWithError("cannot make the sparse file");
        return;
    }
    ScanFile(state, file.path(), kBytes);
}

std::vector<std::uint8_t> Junk(std::size_t bytes) {
    // Bytes 0x01..0xFE in turn: never zero, never the sync byte.
    std::vector<std::uint8_t> junk(bytes);
    for (std::size_t i = 0; i < bytes; ++i) junk[i] = static_cast<std::uint8_t>(1 + i % 254);
    return junk;
}

void BM_ZerosInMemory256MiB(benchmark::State& state) {
    static const std::vector<std::uint8_t> zeros(std::size_t{256} << 20, 0);
    for (auto _ : state) {
        MemoryByteSource source(zeros.data(), zeros.size());
        benchmark::DoNotOptimize(FindMp3DataStart(source));
    }
    Report(state, zeros.size());
}

void BM_JunkInMemory256MiB(benchmark::State& state) {
    static const std::vector<std::uint8_t> junk = Junk(std::size_t{256} << 20);
    for (auto _ : state) {
        MemoryByteSource source(junk.data(), junk.size());
        benchmark::DoNotOptimize(FindMp3DataStart(source));
    }
    Report(state, junk.size());
}

void BM_JunkFile256MiB(benchmark::State& state) {
    const std::vector<std::uint8_t> junk = Junk(std::size_t{256} << 20);
    TempFile file;
    if (!file.ok() || write(file.fd(), junk.data(), junk.size()) != static_cast<ssize_t>(junk.size())) {
        state.SkipWithError("cannot write the junk file");
        return;
    }
    ScanFile(state, file.path(), junk.size());
}

void BM_BytewiseJunkInMemory16MiB(benchmark::State& state) {
    static const std::vector<std::uint8_t> junk = Junk(std::size_t{16} << 20);
    for (auto _ : state) {
        MemoryByteSource source(junk.data(), junk.size());
        benchmark::DoNotOptimize(FindMp3DataStartBytewise(source));
    }
    Report(state, junk.size());
}

}  // namespace

BENCHMARK(BM_ZerosSparseFile1GiB)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ZerosInMemory256MiB)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_JunkInMemory256MiB)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_JunkFile256MiB)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BytewiseJunkInMemory16MiB)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
