// Saving a clip as MP3 the way the user does: the main window's own
// "Speichern..." command with its progress display (offscreen, the save dialog
// answered from a script with the MP3 filter, the lists at 44100 Hz and
// 128 kbit/s) on a 5-minute 16-bit stereo 44100 Hz clip, beside the `lame`
// command-line encoder doing the same job with the same settings on the same
// audio (raw PCM input, plain stereo, CBR 128, quality 2, copyright and
// original bits, no CRC, no Info tag, no ReplayGain analysis). The original
// bit is lame's default (its -o would clear it). With equal settings both
// produce the same bytes, which the program checks and prints at the end.
// Prints the median CPU and wall-clock times of both and their ratios; the
// goal is at most 1.0. It runs offscreen, then once more on an X server
// (xvfb-run, QT_QPA_PLATFORM=xcb) where xvfb-run is installed.
//
//   build/rel/bench/bench_save_mp3 [--benchmark_repetitions=N]   (default 5)
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "WindowBench.h"
#include "export/SaveClip.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kOurs = "BM_SaveMp3Window";
constexpr const char* kTool = "BM_LameCommandLine";
constexpr int kRepetitions = 5;
constexpr int kRate = 44100;
constexpr int kSeconds = 300;

fs::path g_dir;
bench::Window* g_window = nullptr;
double g_paintMicros = -1;

// Something music-like: a few harmonics with vibrato, a beat, some noise.
std::vector<std::uint8_t> MakeClip() {
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
}

void SelectText(QComboBox* list, const char* text) {
    list->setCurrentIndex(list->findText(QString::fromLatin1(text)));
}

void BM_SaveMp3Window(benchmark::State& state) {
    TMainForm& form = g_window->form();
    ScriptedDialogs& dialogs = g_window->dialogs;
    const fs::path out = g_dir / "ours.mp3";
    bench::TimeRuns(
        state, kOurs, RUSAGE_SELF,
        // Each run writes a new file, as lame does.
        [&] { fs::remove(out); },
        [&] {
            const std::size_t shown = dialogs.messages.size();
            dialogs.saveAnswers.push_back(zirpel::FileChoice{out.string(), zirpel::kSaveFilterMp3});
            form.RunCommand([&form] { form.SaveBtnClick(); });
            std::error_code ec;
            const bool saved = dialogs.messages.size() == shown && fs::file_size(out, ec) > 0 && !ec;
            if (!saved) {
                state.SkipWithError(dialogs.messages.size() != shown ? dialogs.messages.back().text.c_str()
                                                                     : "no MP3 file was written");
                return false;
            }
            return true;
        });
}

void BM_LameCommandLine(benchmark::State& state) {
    const fs::path raw = g_dir / "clip.raw";
    const fs::path out = g_dir / "lame.mp3";
    const std::string cmd = "lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian "
                            "-m s -b 128 --cbr -q 2 -c -t --noreplaygain '" +
                            raw.string() + "' '" + out.string() + "' 2>/dev/null";
    bench::TimeRuns(
        state, kTool, RUSAGE_CHILDREN, [&] { fs::remove(out); },
        [&] {
            if (std::system(cmd.c_str()) != 0) {
                state.SkipWithError("lame failed (is the lame package installed?)");
                return false;
            }
            return true;
        });
}

// What one growing step of the progress bar costs: SetProStatus(1..100)
// after a reset to 0, each paint synchronous as during the save.
void BM_ProgressPaint(benchmark::State& state) {
    TMainForm& form = g_window->form();
    double seconds = 0;
    int paints = 0;
    for (auto _ : state) {
        form.SetProStatus(0);
        const double start = bench::WallSeconds();
        for (int p = 1; p <= 100; ++p) form.SetProStatus(p);
        const double took = bench::WallSeconds() - start;
        state.SetIterationTime(took);
        seconds += took;
        paints += 100;
    }
    g_paintMicros = seconds * 1e6 / paints;
}

std::string FileBytes(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

}  // namespace

BENCHMARK(BM_SaveMp3Window)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_LameCommandLine)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_ProgressPaint)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(200)->Repetitions(1);

int main(int argc, char** argv) {
    bench::UseHeadlessPlatform();
    QApplication app(argc, argv);
    bench::Arguments args(argc, argv, kRepetitions);
    benchmark::Initialize(&args.argc(), args.argv());

    g_dir = fs::temp_directory_path() / ("zirpel-bench-save-" + std::to_string(::getpid()));
    fs::create_directories(g_dir);
    std::vector<std::uint8_t> clip = MakeClip();
    {
        std::ofstream f(g_dir / "clip.raw", std::ios::binary);
        f.write(reinterpret_cast<const char*>(clip.data()), static_cast<std::streamsize>(clip.size()));
        if (!f) {
            std::fprintf(stderr, "could not write the raw clip for lame\n");
            fs::remove_all(g_dir);
            return 1;
        }
    }
    std::printf("clip: %d s of 16-bit stereo at %d Hz, %zu bytes; %s\n", kSeconds, kRate, clip.size(),
                bench::PlatformName());
    std::printf("load average before: %s\n", bench::LoadAverage().c_str());
    {
        bench::Window window;
        TMainForm& form = window.form();
        form.Document().Replace(zirpel::Clip{std::move(clip), {kRate, true, true}}, "Öffnen");
        SelectText(form.mp3format, "44100");
        SelectText(form.BitRate, "128");
        g_window = &window;
        benchmark::RunSpecifiedBenchmarks();
        g_window = nullptr;
    }
    benchmark::Shutdown();
    std::printf("load average after:  %s\n", bench::LoadAverage().c_str());
    bench::PrintComparison(kOurs, kTool, "save / lame", "both ratios at most 1.0");
    if (g_paintMicros >= 0)
        std::printf("one growing paint of the progress bar, %s: %.1f us\n", bench::PlatformName(), g_paintMicros);
    if (fs::exists(g_dir / "ours.mp3") && fs::exists(g_dir / "lame.mp3")) {
        const std::string a = FileBytes(g_dir / "ours.mp3"), b = FileBytes(g_dir / "lame.mp3");
        std::printf("same MP3 bytes as lame: %s (%zu / %zu bytes)\n", a == b ? "yes" : "no", a.size(),
                    b.size());
    }
    fs::remove_all(g_dir);
    bench::RunAgainOnXServer(argc, argv);
    return 0;
}
