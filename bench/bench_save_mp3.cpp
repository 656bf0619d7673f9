// Saving a 3-minute 16-bit stereo 44100 Hz clip as 128 kbit/s MP3, beside the
// `lame` command-line encoder doing the same job with the same settings on the
// same audio (raw PCM input, plain stereo, CBR 128, quality 2, copyright and
// original bits, no CRC, no Info tag, no ReplayGain analysis). The original
// bit is lame's default (its -o would clear it). With equal settings both
// produce the same bytes, which the program checks after the run.
//
// Run: build-<name>/bench/bench_save_mp3   (prints the ratio ours / lame)
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "export/LameEncoder.h"
#include "export/SaveClip.h"

namespace {

namespace fs = std::filesystem;
using namespace zirpel;

constexpr int kRate = 44100;
constexpr int kSeconds = 180;

// Something music-like: a few harmonics with vibrato, a beat, some noise.
const std::vector<std::uint8_t>& Clip() {
    static const std::vector<std::uint8_t> clip = [] {
        const std::size_t frames = std::size_t{kRate} * kSeconds;
        std::vector<std::uint8_t> d(frames * 4);
        std::uint32_t x = 12345;
        double phase = 0;
        for (std::size_t f = 0; f < frames; ++f) {
            const double t = static_cast<double>(f) / kRate;
            phase += 2 * M_PI * (220 + 6 * std::sin(2 * M_PI * 5 * t)) / kRate;
            const double beat = std::exp(-8 * std::fmod(t, 0.5));
            x = x * 1664525u + 1013904223u;
            const double noise = (static_cast<double>(x >> 8) / (1 << 24) - 0.5) * 0.1;
            const double l = 0.3 * std::sin(phase) + 0.15 * std::sin(3 * phase) + 0.2 * beat * noise * 8;
            const double r = 0.3 * std::sin(phase * 1.5) + 0.1 * std::sin(5 * phase) + noise;
            const auto sl = static_cast<std::int16_t>(l * 32767);
            const auto sr = static_cast<std::int16_t>(r * 32767);
            d[f * 4 + 0] = static_cast<std::uint8_t>(sl);
            d[f * 4 + 1] = static_cast<std::uint8_t>(sl >> 8);
            d[f * 4 + 2] = static_cast<std::uint8_t>(sr);
            d[f * 4 + 3] = static_cast<std::uint8_t>(sr >> 8);
        }
        return d;
    }();
    return clip;
}

fs::path WorkDir() {
    static const fs::path dir = [] {
        fs::path p = fs::temp_directory_path() / ("zirpel-bench-" + std::to_string(::getpid()));
        fs::create_directories(p);
        return p;
    }();
    return dir;
}

// CPU seconds (user + system) used so far by this process or by its
// finished children. The machine is shared, so CPU time compares the two
// encoders more fairly than wall-clock time; both are reported.
double CpuSeconds(int who) {
    rusage u{};
    ::getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

double WallSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Runs `job` once per iteration; the iteration time is the CPU time of
// `who`, the wall-clock time goes into the counter "wall_ms".
template <typename Job>
void TimeCpu(benchmark::State& state, int who, Job job) {
    double wall = 0;
    for (auto _ : state) {
        const double c0 = CpuSeconds(who), w0 = WallSeconds();
        job();
        const double c1 = CpuSeconds(who), w1 = WallSeconds();
        state.SetIterationTime(c1 - c0);
        wall += w1 - w0;
    }
    state.counters["wall_ms"] = benchmark::Counter(
        wall * 1000 / static_cast<double>(state.iterations()));
}

void BM_SaveAsMp3(benchmark::State& state) {
    const auto& clip = Clip();
    const std::string out = (WorkDir() / "ours.mp3").string();
    LameEncoder encoder;
    LongTask quiet;
    TimeCpu(state, RUSAGE_SELF, [&] {
        const SaveStatus s = SaveClipAsMP3File(
            encoder, out, ClipSpan{clip.data(), static_cast<std::int32_t>(clip.size()), {kRate, true, true}},
            44100, 128, quiet);
        if (s != SaveStatus::Saved) state.SkipWithError("save failed");
    });
}
BENCHMARK(BM_SaveAsMp3)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_LameCommandLine(benchmark::State& state) {
    const auto& clip = Clip();
    const fs::path raw = WorkDir() / "clip.raw";
    {
        std::ofstream f(raw, std::ios::binary);
        f.write(reinterpret_cast<const char*>(clip.data()), static_cast<std::streamsize>(clip.size()));
    }
    const std::string cmd = "lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian "
                            "-m s -b 128 --cbr -q 2 -c -t --noreplaygain '" +
                            raw.string() + "' '" + (WorkDir() / "lame.mp3").string() +
                            "' 2>/dev/null";
    TimeCpu(state, RUSAGE_CHILDREN, [&] {
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("lame failed (is it installed?)");
    });
}
BENCHMARK(BM_LameCommandLine)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// Console output plus the CPU and wall-clock times per benchmark, for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, std::pair<double, double>> times;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            const auto wall = r.counters.find("wall_ms");
            times[r.benchmark_name()] = {r.GetAdjustedRealTime(),
                                         wall != r.counters.end() ? wall->second.value : 0.0};
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::pair<double, double> ours{}, lame{};
    for (const auto& [name, t] : reporter.times) {
        if (name.rfind("BM_SaveAsMp3", 0) == 0) ours = t;
        if (name.rfind("BM_LameCommandLine", 0) == 0) lame = t;
    }
    if (ours.first > 0 && lame.first > 0) {
        std::printf("ratio save / lame, CPU time: %.3f\n", ours.first / lame.first);
        if (lame.second > 0)
            std::printf("ratio save / lame, wall clock: %.3f\n", ours.second / lame.second);
        std::ifstream a(WorkDir() / "ours.mp3", std::ios::binary), b(WorkDir() / "lame.mp3", std::ios::binary);
        const std::string x{std::istreambuf_iterator<char>(a), {}}, y{std::istreambuf_iterator<char>(b), {}};
        std::printf("same MP3 bytes as lame: %s (%zu / %zu bytes)\n", x == y ? "yes" : "no", x.size(), y.size());
    }
    fs::remove_all(WorkDir());
    benchmark::Shutdown();
    return 0;
}
