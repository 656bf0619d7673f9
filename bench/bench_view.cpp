// One full repaint of a 1920 x 300 waveform view: the geometry from the clip
// and the drawing into the off-screen bitmap, as PaintBox1Paint does it.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cmath>
#include <vector>

#include "view/WaveformGeometry.h"
#include "view/ui/RenderWaveform.h"

static void BM_Repaint1920x300(benchmark::State& state) {
    const int frames = 44100 * 180;  // three minutes of 16-bit stereo
    std::vector<std::uint8_t> clip(static_cast<std::size_t>(frames) * 4);
    for (int i = 0; i < frames * 2; ++i) {
        const auto s = static_cast<std::int16_t>(20000 * std::sin(i * 0.001));
        clip[2 * i] = static_cast<std::uint8_t>(s & 0xFF);
        clip[2 * i + 1] = static_cast<std::uint8_t>((s >> 8) & 0xFF);
    }
    const zirpel::ClipFormat f{44100, true, true};
    const std::int32_t zoom = frames * 2 / 1920;
    QImage bitmap;
    for (auto _ : state) {
        const auto g = zirpel::ComputeWaveform(
            zirpel::ClipSpan{clip.data(), static_cast<std::int32_t>(clip.size()), f},
            zirpel::Selection{1000, 500000}, zirpel::ViewPosition{zoom, 0, 1920, 300});
        RenderWaveform(bitmap, QSize(1920, 300), g);
        benchmark::DoNotOptimize(bitmap.constBits());
    }
}
BENCHMARK(BM_Repaint1920x300)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
