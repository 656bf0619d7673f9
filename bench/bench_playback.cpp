// CPU use of looping playback: 10 s of a looping play through the real SDL
// audio device (dummy driver unless SDL_AUDIODRIVER says otherwise), timed
// with getrusage for the whole process (the user-interface thread and
// SDL's audio thread). While playing, the program waits on the buffer's
// position events, so this should stay far below 2 % of one core.
// Also reports how long a stop request takes to end the play (at most one
// round, 0.25 s) and the cost of filling one chunk.
//
// Run: build-<name>/bench/bench_playback
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <vector>

#include "playback/ChunkFill.h"
#include "playback/LoopCallbacks.h"
#include "playback/PlaybackRig.h"
#include "playback/SdlSoundDevice.h"

namespace {

using namespace zirpel;
using Clock = std::chrono::steady_clock;

double ProcessCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

std::vector<std::uint8_t> ToneClip(int frames) {
    std::vector<std::uint8_t> d(static_cast<std::size_t>(frames) * 4);
    for (int i = 0; i < frames; ++i) {
        const auto s = static_cast<std::uint16_t>((i * 97) % 20000 - 10000);
        d[4 * i] = d[4 * i + 2] = static_cast<std::uint8_t>(s & 0xFF);
        d[4 * i + 1] = d[4 * i + 3] = static_cast<std::uint8_t>(s >> 8);
    }
    return d;
}

void BM_LoopingPlaybackCpu(benchmark::State& state) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const auto clip = ToneClip(3 * 44100);  // a 3 s selection, looping
    const ClipSpan view{clip.data(), static_cast<std::int32_t>(clip.size()),
                        ClipFormat{44100, true, true}};
    for (auto _ : state) {
        std::unique_ptr<SoundDevice> device;
        if (CreateSdlSoundDevice(device) != SoundResult::Ok) {
            state.SkipWithError("no audio device");
            return;
        }
        testing::PlaybackRig rig;
        if (rig.SetUp(std::move(device)) != SoundResult::Ok) {
            state.SkipWithError("playback set-up failed");
            return;
        }
        bool stop = false;
        int rounds = 0;
        Clock::time_point stopAt{};
        const auto start = Clock::now();
        testing::PlayCallbacks cb{[&] {
                             ++rounds;
                             if (!stop && Clock::now() - start >= std::chrono::seconds(10)) {
                                 stop = true;  // as if STOP was clicked now
                                 stopAt = Clock::now();
                             }
                             return true;
                         },
                         [&] { return view; }, [] { return true; }, [&] { return stop; },
                         [](std::int64_t) {}};
        SoundResult result = SoundResult::Ok;
        const double cpu0 = ProcessCpuSeconds();
        testing::RunPlayLoop(rig.Output(), FrameRange{0, view.frames()}, cb, result);
        const auto end = Clock::now();
        const double cpu = ProcessCpuSeconds() - cpu0;
        const double wall = std::chrono::duration<double>(end - start).count();
        state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / wall;
        state.counters["cpu_ms"] = cpu * 1000.0;
        state.counters["wall_s"] = wall;
        state.counters["rounds"] = rounds;
        state.counters["stop_latency_ms"] =
            std::chrono::duration<double, std::milli>(end - stopAt).count();
    }
}
BENCHMARK(BM_LoopingPlaybackCpu)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// One chunk from an 8-bit mono 22050 Hz clip (resampling and widening).
void BM_FillChunk(benchmark::State& state) {
    std::vector<std::uint8_t> clip(22050 * 10, 100);
    const ClipSpan view{clip.data(), static_cast<std::int32_t>(clip.size()),
                        ClipFormat{22050, false, false}};
    std::vector<std::uint8_t> out(kChunkBytes);
    double pos = 0;
    for (auto _ : state) {
        pos = FillChunk(std::span<std::uint8_t, kChunkBytes>(out.data(), kChunkBytes), view, pos,
                        220500).pos;
        if (pos >= 220500) pos = 0;
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_FillChunk);

}  // namespace

BENCHMARK_MAIN();
