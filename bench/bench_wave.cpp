// ReadWaveFile against a plain fread of the same bytes into a vector, on a
// 100 MB 16-bit stereo file that is created once in /tmp and removed at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "wave/WaveFile.h"

namespace {

constexpr std::int32_t kDataBytes = 100 * 1024 * 1024;
constexpr long kHeaderBytes = 44;

std::string& BenchFile() {
    static std::string name = "/tmp/zirpel_bench_wave_" + std::to_string(::getpid()) + ".wav";
    return name;
}

bool CreateBenchFile() {
    std::vector<std::uint8_t> data(kDataBytes);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 31 + (i >> 9));
    return zirpel::WriteWaveFile(BenchFile(), zirpel::ClipSpan{data.data(), kDataBytes, {44100, true, true}});
}

void BM_ReadWaveFile(benchmark::State& state) {
    for (auto _ : state) {
        auto contents = zirpel::ReadWaveFile(BenchFile());
        if (!contents.ok() || contents.clip.bytes.size() != static_cast<std::size_t>(kDataBytes)) {
            state.SkipWithError("ReadWaveFile failed");
            break;
        }
        benchmark::DoNotOptimize(contents.clip.bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{kDataBytes});
}
BENCHMARK(BM_ReadWaveFile)->Unit(benchmark::kMillisecond);

// The floor: open, skip the header, one fread into a vector.
void BM_PlainFread(benchmark::State& state) {
    for (auto _ : state) {
        std::FILE* f = std::fopen(BenchFile().c_str(), "rb");
        std::vector<std::uint8_t> data;
        bool ok = f != nullptr && std::fseek(f, kHeaderBytes, SEEK_SET) == 0;
        if (ok) {
            data.resize(kDataBytes);
            ok = std::fread(data.data(), 1, data.size(), f) == data.size();
        }
        if (f) std::fclose(f);
        if (!ok) {
            state.SkipWithError("fread failed");
            break;
        }
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{kDataBytes});
}
BENCHMARK(BM_PlainFread)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (!CreateBenchFile()) {
        std::fprintf(stderr, "cannot create %s\n", BenchFile().c_str());
        std::remove(BenchFile().c_str());
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(BenchFile().c_str());
    return 0;
}
