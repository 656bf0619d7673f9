// Undo and redo on long clips, through the document as the window uses it.
//
//   BM_UndoCrop60Minutes   undo of a crop of 60 minutes of 44.1 kHz 16-bit
//                          stereo (635 MB): the old buffer comes back from
//                          the history, nothing is copied (goal: <= 1 ms).
//   BM_FadeThenUndo10Min   a fade-out over the whole of 10 minutes (106 MB),
//                          then its undo; the counter undo_per_fade is the
//                          undo's time as a share of the fade's (goal <= 2).
//   BM_PeakCropUndo60Min   the process's peak memory after opening, cropping
//                          to all but the last frame and undoing a 60-minute
//                          clip, as a multiple of the clip (goal <= 2.05).
//                          Run it alone, first in a fresh process:
//                          --benchmark_filter=Peak
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "clip/LittleEndian.h"
#include "document/EditorDocument.h"
#include "effects/EffectTable.h"

namespace {

using namespace zirpel;
using Clock = std::chrono::steady_clock;

// Minutes of 44.1 kHz 16-bit stereo, a tone, every page written.
Clip Minutes(int minutes) {
    const std::size_t frames = std::size_t{44100} * 60 * static_cast<std::size_t>(minutes);
    Clip c({}, {44100, true, true});
    c.bytes.resize(frames * 4);
    for (std::size_t i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>((i * 37) % 20000 - 10000);
        PutSample16(&c.bytes[4 * i], v);
        PutSample16(&c.bytes[4 * i + 2], static_cast<std::int16_t>(-v));
    }
    return c;
}

const EffectEntry& Row(std::string_view name) { return *FindEffect(name); }

// The process's peak resident memory in bytes (VmHWM).
std::int64_t PeakResident() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6)) * 1024;
    return -1;
}

void BM_UndoCrop60Minutes(benchmark::State& state) {
    EditorDocument doc;
    doc.Replace(Minutes(60), "Öffnen");
    doc.SetSelection({0, doc.SampleIndexCount() / 2});
    doc.Apply(Row("crop"), {});
    for (auto _ : state) {
        doc.Undo();
        state.PauseTiming();
        doc.Redo();
        state.ResumeTiming();
    }
    state.counters["history_MB"] = static_cast<double>(doc.HistoryBytes()) / 1e6;
}
BENCHMARK(BM_UndoCrop60Minutes)->Unit(benchmark::kMicrosecond);

void BM_FadeThenUndo10Min(benchmark::State& state) {
    EditorDocument doc;
    doc.Replace(Minutes(10), "Öffnen");
    EffectArgument whole;
    whole.seconds = 600;  // every frame is scaled
    double fadeSeconds = 0, undoSeconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        doc.Apply(Row("fade-out"), whole);
        const auto t1 = Clock::now();
        doc.Undo();
        const auto t2 = Clock::now();
        fadeSeconds += std::chrono::duration<double>(t1 - t0).count();
        undoSeconds += std::chrono::duration<double>(t2 - t1).count();
        benchmark::DoNotOptimize(doc.SampleData().data());
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["fade_ms"] = 1000 * fadeSeconds / n;
    state.counters["undo_ms"] = 1000 * undoSeconds / n;
    state.counters["undo_per_fade"] = undoSeconds / fadeSeconds;
}
BENCHMARK(BM_FadeThenUndo10Min)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PeakCropUndo60Min(benchmark::State& state) {
    for (auto _ : state) {
        EditorDocument doc;
        Clip clip = Minutes(60);
        const double clipBytes = static_cast<double>(clip.size());
        doc.Replace(std::move(clip), "Öffnen");
        doc.SetSelection({0, doc.SampleIndexCount() - 2});  // all but the last frame
        doc.Apply(Row("crop"), {});
        doc.Undo();
        state.counters["peak_per_clip"] = static_cast<double>(PeakResident()) / clipBytes;
    }
}
BENCHMARK(BM_PeakCropUndo60Min)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
