// Opening an MP3 file the way the user does: the main window's own "Öffnen..."
// command with its progress display (offscreen, the open dialog answered from
// a script), beside `mpg123 -q -w out.wav in.mp3` on the same file. The file
// is a 5-minute 128 kbit/s stereo MP3 made with libmp3lame at the start.
// Prints the median wall-clock and CPU times of both and their ratios; the
// goal is a wall-clock ratio of at most 1.1.
//
// Two more lines show where the window's time goes: the same open through
// the Qt-free core with a task that shows nothing and lets no events run,
// and the conversion into the temporary WAV file alone (what mpg123 -w does),
// both with the window's own codec objects and temporary folder.
//
//   build/rel/bench/bench_open_mp3 [--benchmark_repetitions=N]   (default 9)
#include <benchmark/benchmark.h>
#include <lame/lame.h>

#include <QApplication>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "WindowBench.h"
#include "codec/OpenAudioFile.h"
#include "codec/TempWaveFile.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kOurs = "BM_OpenMp3Window";
constexpr const char* kTool = "BM_Mpg123Wav";
constexpr const char* kCore = "BM_OpenMp3Core";
constexpr const char* kConvert = "BM_ConvertMp3Only";
constexpr int kRepetitions = 9;

fs::path g_dir;
std::string g_mp3;
bench::Window* g_window = nullptr;

// 5 minutes of a slowly sweeping two-tone stereo signal, 128 kbit/s CBR.
bool MakeFile() {
    const int rate = 44100, seconds = 300;
    lame_t g = lame_init();
    if (g == nullptr) return false;
    lame_set_in_samplerate(g, rate);
    lame_set_num_channels(g, 2);
    lame_set_mode(g, JOINT_STEREO);
    lame_set_brate(g, 128);
    lame_set_quality(g, 7);
    std::FILE* f = lame_init_params(g) < 0 ? nullptr : std::fopen(g_mp3.c_str(), "wb");
    if (f == nullptr) {
        lame_close(g);
        return false;
    }
    std::vector<short> pcm(2 * rate);
    std::vector<unsigned char> out(rate * 2 + 7200);
    double phase1 = 0, phase2 = 0;
    for (int s = 0; s < seconds; ++s) {
        for (int i = 0; i < rate; ++i) {
            const double t = s + static_cast<double>(i) / rate;
            phase1 += 2 * M_PI * (300 + 200 * std::sin(t / 7)) / rate;
            phase2 += 2 * M_PI * (1200 + 500 * std::sin(t / 5)) / rate;
            pcm[2 * i] = static_cast<short>(9000 * std::sin(phase1) + 3000 * std::sin(phase2));
            pcm[2 * i + 1] = static_cast<short>(6000 * std::sin(phase1 + 1) + 5000 * std::sin(phase2));
        }
        const int n = lame_encode_buffer_interleaved(g, pcm.data(), rate, out.data(),
                                                     static_cast<int>(out.size()));
        if (n > 0) std::fwrite(out.data(), 1, static_cast<std::size_t>(n), f);
    }
    const int n = lame_encode_flush(g, out.data(), static_cast<int>(out.size()));
    if (n > 0) std::fwrite(out.data(), 1, static_cast<std::size_t>(n), f);
    lame_close(g);
    return std::fclose(f) == 0;
}

void BM_OpenMp3Window(benchmark::State& state) {
    TMainForm& form = g_window->form();
    ScriptedDialogs& dialogs = g_window->dialogs;
    bench::TimeRuns(
        state, kOurs, RUSAGE_SELF,
        // The window starts each run without a clip, so a failed open cannot
        // pass for a good one with the clip of the run before.
        [&] { form.Document().Replace(zirpel::Clip{}, "Öffnen"); },
        [&] {
            const std::size_t shown = dialogs.messages.size();
            dialogs.openAnswers.push_back(zirpel::FileChoice{g_mp3, 1});
            form.RunCommand([&form] { form.OpenBtnClick(); });
            const bool arrived = form.Document().SampleSize() > 0 && form.Document().SampleRate() == 44100 && form.Document().Stereo() &&
                                 form.Document().Is16Bit() && dialogs.messages.size() == shown;
            if (!arrived) {
                state.SkipWithError(dialogs.messages.size() != shown
                                        ? dialogs.messages.back().text.c_str()
                                        : "the window holds no 44100 Hz 16-bit stereo clip");
                return false;
            }
            state.counters["pcm_bytes"] = form.Document().SampleSize();
            return true;
        });
}

void BM_OpenMp3Core(benchmark::State& state) {
    TMainForm& form = g_window->form();
    zirpel::Mp3Codec codec{form.mp3wav, form.FMP3Formats, form.FMP3FormatCount};
    const std::string temp = form.Services().tempFolder();
    zirpel::LongTask quiet;
    zirpel::OpenResult r;
    bench::TimeRuns(
        state, kCore, RUSAGE_SELF,
        // The clip of the run before is freed untimed, as in the window's runs.
        [&] { r = zirpel::OpenResult{}; },
        [&] {
            r = zirpel::OpenAudioFile(g_mp3, codec, temp, quiet);
            if (!r.ok()) {
                state.SkipWithError("the core gave no clip");
                return false;
            }
            return true;
        });
}

void BM_ConvertMp3Only(benchmark::State& state) {
    TMainForm& form = g_window->form();
    zirpel::Mp3Codec codec{form.mp3wav, form.FMP3Formats, form.FMP3FormatCount};
    const std::string temp = form.Services().tempFolder();
    zirpel::LongTask quiet;
    bench::TimeRuns(
        state, kConvert, RUSAGE_SELF, [] {},
        [&] {
            // The temporary file is deleted inside the timed run, as the open
            // deletes it.
            zirpel::TempWaveFile wav(temp);
            if (zirpel::ConvertMP3WAV(g_mp3, wav, codec, quiet) != zirpel::Mp3ConvertResult::Converted) {
                state.SkipWithError("the conversion failed");
                return false;
            }
            return true;
        });
}

void BM_Mpg123Wav(benchmark::State& state) {
    const fs::path out = g_dir / "mpg123.wav";
    const std::string cmd = "mpg123 -q -w '" + out.string() + "' '" + g_mp3 + "'";
    bench::TimeRuns(
        state, kTool, RUSAGE_CHILDREN,
        // Each run writes a new file, as the window's import does.
        [&] { fs::remove(out); },
        [&] {
            if (std::system(cmd.c_str()) != 0) {
                state.SkipWithError("mpg123 failed (is the mpg123 package installed?)");
                return false;
            }
            // The WAV header is not audio.
            state.counters["pcm_bytes"] = static_cast<double>(fs::file_size(out)) - 44;
            return true;
        });
}

}  // namespace

BENCHMARK(BM_OpenMp3Window)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_OpenMp3Core)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_ConvertMp3Only)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_Mpg123Wav)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

int main(int argc, char** argv) {
    bench::UseHeadlessPlatform();
    QApplication app(argc, argv);
    bench::Arguments args(argc, argv, kRepetitions);
    benchmark::Initialize(&args.argc(), args.argv());

    g_dir = fs::temp_directory_path() / ("zirpel-bench-open-" + std::to_string(::getpid()));
    fs::create_directories(g_dir);
    g_mp3 = (g_dir / "five_minutes.mp3").string();
    if (!MakeFile()) {
        std::fprintf(stderr, "could not make the test MP3\n");
        fs::remove_all(g_dir);
        return 1;
    }
    std::printf("test file: %s, %ju bytes\n", g_mp3.c_str(),
                static_cast<std::uintmax_t>(fs::file_size(g_mp3)));
    std::printf("load average before: %s\n", bench::LoadAverage().c_str());
    {
        bench::Window window;
        g_window = &window;
        benchmark::RunSpecifiedBenchmarks();
        g_window = nullptr;
    }
    benchmark::Shutdown();
    std::printf("load average after:  %s\n", bench::LoadAverage().c_str());
    fs::remove_all(g_dir);
    bench::PrintComparison(kOurs, kTool, "open / mpg123 -w", "wall-clock ratio at most 1.10");
    bench::PrintShare("the core's open (no window)", kCore, kTool);
    bench::PrintShare("the conversion alone", kConvert, kTool);
    bench::PrintShare("the window over the core", kOurs, kCore);
    return 0;
}
