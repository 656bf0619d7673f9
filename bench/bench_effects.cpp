// Every effect and the 44100 -> 8000 Hz format change on ten minutes of
// 44.1 kHz 16-bit stereo (about 106 MB), each beside a plain memcpy of the
// same bytes. The summary at the end gives every effect as a multiple of
// that copy: the integer effects should stay within 4x, the extended-
// precision ones (fades, crossfade) within 15x.
//
// The fades run with a length of the whole clip (600 s; the dialog stops at
// 100 s, the core does not), so that every frame is scaled, and the
// crossfade with 300 s, so that half the clip is mixed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "clip/Clip.h"
#include "clip/LittleEndian.h"
#include "effects/Crossfade.h"
#include "effects/Echo.h"
#include "effects/Fade.h"
#include "effects/FormatChange.h"
#include "effects/Reverse.h"
#include "effects/Volume.h"

namespace {

using namespace zirpel;

constexpr std::int32_t kFrames = 44100 * 600;

// A tone with a little noise on both channels, built once.
const Clip& Source() {
    static const Clip clip = [] {
        Clip c({}, {44100, true, true});
        c.bytes.resize(static_cast<std::size_t>(kFrames) * 4);
        std::uint32_t noise = 12345;
        for (std::int32_t i = 0; i < kFrames; ++i) {
            noise = noise * 1664525u + 1013904223u;
            const double tone = 12000.0 * std::sin(i * 0.0627);
            const auto l = static_cast<std::int16_t>(tone + static_cast<int>(noise >> 24) - 128);
            const auto r = static_cast<std::int16_t>(-tone + static_cast<int>((noise >> 16) & 0xFF) - 128);
            PutSample16(&c.bytes[4 * static_cast<std::size_t>(i)], l);
            PutSample16(&c.bytes[4 * static_cast<std::size_t>(i) + 2], r);
        }
        return c;
    }();
    return clip;
}

// A working copy for the in-place effects. Their run time does not depend
// on the sample values, so it is not refreshed between iterations.
Clip& Work() {
    static Clip work = Source();
    return work;
}

void SetBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * Source().size());
}

void BM_Copy(benchmark::State& state) {
    static std::vector<std::uint8_t> dst(Source().bytes.size(), 1);
    for (auto _ : state) {
        std::memcpy(dst.data(), Source().bytes.data(), dst.size());
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}

template <EffectStatus (*Fn)(MutableClipSpan, const Selection&)>
void BM_InPlace(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(Fn(Work().mutableSpan(), {}));
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}

template <EffectStatus (*Fn)(MutableClipSpan, const Selection&, Extended)>
void BM_Timed(benchmark::State& state, Extended seconds) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(Fn(Work().mutableSpan(), {}, seconds));
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}

void BM_Crossfade(benchmark::State& state) {
    for (auto _ : state) {
        Clip out;
        benchmark::DoNotOptimize(Crossfade(Source().span(), 300.0L, out));
        benchmark::DoNotOptimize(out.bytes.data());
    }
    SetBytes(state);
}

void BM_FormatChangeTo8000(benchmark::State& state) {
    for (auto _ : state) {
        Clip out;
        benchmark::DoNotOptimize(ChangeFormat(Source().span(), {true, true, 8000}, out));
        benchmark::DoNotOptimize(out.bytes.data());
    }
    SetBytes(state);
}

// Prints the usual table and keeps each benchmark's CPU time per iteration
// (the machine may be shared; CPU time is what the code itself costs) for
// the summary. With --benchmark_repetitions the summary takes the median.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            if (r.run_type == Run::RT_Iteration)
                times_[r.run_name.str()].push_back(r.GetAdjustedCPUTime());
            else if (r.aggregate_name == "median")  // repetitions reported as aggregates only
                times_[r.run_name.str()] = {r.GetAdjustedCPUTime()};
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatios() const {
        const double copy = Median("BM_Copy");
        if (copy <= 0) return;
        std::printf("\nCPU time as a multiple of copying the same %d bytes:\n", Source().size());
        for (const auto& [name, t] : times_)
            if (name != "BM_Copy") std::printf("  %-28s %6.2fx\n", name.c_str(), Median(name) / copy);
    }

private:
    double Median(const std::string& name) const {
        const auto it = times_.find(name);
        if (it == times_.end() || it->second.empty()) return 0;
        std::vector<double> t = it->second;
        std::sort(t.begin(), t.end());
        return t[t.size() / 2];
    }
    std::map<std::string, std::vector<double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Source();
    Work();
    auto ms = [](benchmark::internal::Benchmark* b) { b->Unit(benchmark::kMillisecond); };
    ms(benchmark::RegisterBenchmark("BM_Copy", BM_Copy));
    ms(benchmark::RegisterBenchmark("Maximize", BM_InPlace<Maximize>));
    ms(benchmark::RegisterBenchmark("Louder", BM_InPlace<Louder>));
    ms(benchmark::RegisterBenchmark("Quieter", BM_InPlace<Quieter>));
    ms(benchmark::RegisterBenchmark("Reverse", BM_InPlace<Reverse>));
    ms(benchmark::RegisterBenchmark("Echo/0.5s", BM_Timed<Echo>, 0.5L));
    ms(benchmark::RegisterBenchmark("FadeIn/600s", BM_Timed<FadeIn>, 600.0L));
    ms(benchmark::RegisterBenchmark("FadeOut/600s", BM_Timed<FadeOut>, 600.0L));
    ms(benchmark::RegisterBenchmark("Crossfade/300s", BM_Crossfade));
    ms(benchmark::RegisterBenchmark("FormatChange/44100to8000", BM_FormatChangeTo8000));
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
