// Opening an MP3 file the way the user does: the main window's own "Öffnen..."
// command with its progress display (the open dialog answered from a
// script), beside `mpg123 -q -w out.wav in.mp3` on the same file. The files
// are a 5-minute 128 kbit/s stereo MP3 made with libmp3lame at the start and
// a 60-minute one made of twelve of its copies. Prints the median wall-clock
// and CPU times of both and their ratios; the goals are a wall-clock ratio of
// at most 1.1 for five minutes and 0.6 for sixty (on two cores or more: the
// import decodes a long file in pieces, one per core).
//
// More lines show where the window's time goes: the same open through the
// Qt-free core with a task that shows nothing and lets no events run, and
// the conversion into the temporary WAV file alone (what mpg123 -w does), in
// pieces and with a single decoder, all with the window's own codec objects
// and temporary folder.
//
// The program runs offscreen, then once more on an X server (xvfb-run,
// QT_QPA_PLATFORM=xcb) where xvfb-run is installed, and prints both.
//
//   build/rel/bench/bench_open_mp3 [--benchmark_repetitions=N]   (default 9; 3 for 60 minutes)
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
#include "codec/Mp3Pieces.h"
#include "codec/TempWaveFile.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kOurs = "BM_OpenMp3Window";
constexpr const char* kTool = "BM_Mpg123Wav";
constexpr const char* kCore = "BM_OpenMp3Core";
constexpr const char* kConvert = "BM_ConvertMp3Only";
constexpr const char* kConvertOne = "BM_ConvertMp3OnePiece";
constexpr const char* kOurs60 = "BM_OpenMp3Window60";
constexpr const char* kTool60 = "BM_Mpg123Wav60";
constexpr int kRepetitions = 9;
constexpr int kRepetitions60 = 3;

fs::path g_dir;
std::string g_mp3;
std::string g_mp3Long;
bench::Window* g_window = nullptr;

// 5 minutes of a slowly sweeping two-tone stereo signal, 128 kbit/s CBR,
// without a Xing/LAME frame, so that twelve copies in a row are one stream
// of an hour.
bool MakeFiles() {
    const int rate = 44100, seconds = 300;
    lame_t g = lame_init();
    if (g == nullptr) return false;
    lame_set_in_samplerate(g, rate);
    lame_set_num_channels(g, 2);
    lame_set_mode(g, JOINT_STEREO);
    lame_set_brate(g, 128);
    lame_set_quality(g, 7);
    lame_set_bWriteVbrTag(g, 0);
    if (lame_init_params(g) < 0) {
        lame_close(g);
        return false;
    }
    std::vector<unsigned char> mp3;
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
        if (n > 0) mp3.insert(mp3.end(), out.begin(), out.begin() + n);
    }
    const int n = lame_encode_flush(g, out.data(), static_cast<int>(out.size()));
    if (n > 0) mp3.insert(mp3.end(), out.begin(), out.begin() + n);
    lame_close(g);
    std::FILE* f = std::fopen(g_mp3.c_str(), "wb");
    std::FILE* l = std::fopen(g_mp3Long.c_str(), "wb");
    bool ok = f != nullptr && l != nullptr && std::fwrite(mp3.data(), 1, mp3.size(), f) == mp3.size();
    for (int i = 0; ok && i < 12; ++i) ok = std::fwrite(mp3.data(), 1, mp3.size(), l) == mp3.size();
    if (f != nullptr) ok = std::fclose(f) == 0 && ok;
    if (l != nullptr) ok = std::fclose(l) == 0 && ok;
    return ok;
}

// The window's "Öffnen..." of `mp3`, timed, from a window without a clip.
void OpenInWindow(benchmark::State& state, const char* name, const std::string& mp3) {
    TMainForm& form = g_window->form();
    ScriptedDialogs& dialogs = g_window->dialogs;
    bench::TimeRuns(
        state, name, RUSAGE_SELF,
        // The window starts each run without a clip, so a failed open cannot
        // pass for a good one with the clip of the run before.
        [&] { form.Document().Replace(zirpel::Clip{}, "Öffnen"); },
        [&] {
            const std::size_t shown = dialogs.messages.size();
            dialogs.openAnswers.push_back(zirpel::FileChoice{mp3, 1});
            form.RunCommand([&form] { form.OpenBtnClick(); });
            const zirpel::EditorDocument& doc = form.Document();
            const bool arrived = doc.SampleSize() > 0 && doc.SampleRate() == 44100 && doc.Stereo() &&
                                 doc.Is16Bit() && dialogs.messages.size() == shown;
            if (!arrived) {
                state.SkipWithError(dialogs.messages.size() != shown
                                        ? dialogs.messages.back().text.c_str()
                                        : "the window holds no 44100 Hz 16-bit stereo clip");
                return false;
            }
            state.counters["pcm_bytes"] = doc.SampleSize();
            return true;
        });
}

// `mpg123 -q -w` on `mp3`, timed.
void Mpg123ToWav(benchmark::State& state, const char* name, const std::string& mp3) {
    const fs::path out = g_dir / "mpg123.wav";
    const std::string cmd = "mpg123 -q -w '" + out.string() + "' '" + mp3 + "'";
    bench::TimeRuns(
        state, name, RUSAGE_CHILDREN,
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

void BM_OpenMp3Window(benchmark::State& state) { OpenInWindow(state, kOurs, g_mp3); }
void BM_OpenMp3Window60(benchmark::State& state) { OpenInWindow(state, kOurs60, g_mp3Long); }

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

// The conversion into the temporary file alone, in `pieces` (0: one per core).
void ConvertOnly(benchmark::State& state, const char* name, int pieces) {
    TMainForm& form = g_window->form();
    zirpel::Mp3Codec codec{form.mp3wav, form.FMP3Formats, form.FMP3FormatCount, pieces};
    const std::string temp = form.Services().tempFolder();
    zirpel::LongTask quiet;
    bench::TimeRuns(
        state, name, RUSAGE_SELF, [] {},
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

void BM_ConvertMp3Only(benchmark::State& state) { ConvertOnly(state, kConvert, 0); }
void BM_ConvertMp3OnePiece(benchmark::State& state) { ConvertOnly(state, kConvertOne, 1); }
void BM_Mpg123Wav(benchmark::State& state) { Mpg123ToWav(state, kTool, g_mp3); }
void BM_Mpg123Wav60(benchmark::State& state) { Mpg123ToWav(state, kTool60, g_mp3Long); }

}  // namespace

BENCHMARK(BM_OpenMp3Window)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_OpenMp3Core)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_ConvertMp3Only)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_ConvertMp3OnePiece)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_Mpg123Wav)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_OpenMp3Window60)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(kRepetitions60);
BENCHMARK(BM_Mpg123Wav60)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(kRepetitions60);

int main(int argc, char** argv) {
    bench::UseHeadlessPlatform();
    QApplication app(argc, argv);
    bench::Arguments args(argc, argv, kRepetitions);
    benchmark::Initialize(&args.argc(), args.argv());

    g_dir = fs::temp_directory_path() / ("zirpel-bench-open-" + std::to_string(::getpid()));
    fs::create_directories(g_dir);
    g_mp3 = (g_dir / "five_minutes.mp3").string();
    g_mp3Long = (g_dir / "sixty_minutes.mp3").string();
    if (!MakeFiles()) {
        std::fprintf(stderr, "could not make the test MP3 files\n");
        fs::remove_all(g_dir);
        return 1;
    }
    std::printf("test files: %ju and %ju bytes of MP3; %d cores; %s\n",
                static_cast<std::uintmax_t>(fs::file_size(g_mp3)),
                static_cast<std::uintmax_t>(fs::file_size(g_mp3Long)), zirpel::AvailableCores(),
                bench::PlatformName());
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
    std::printf("-- 5 minutes\n");
    bench::PrintComparison(kOurs, kTool, "open / mpg123 -w", "wall-clock ratio at most 1.10");
    bench::PrintShare("the core's open (no window)", kCore, kTool);
    bench::PrintShare("the conversion alone", kConvert, kTool);
    bench::PrintShare("the conversion, one decoder", kConvertOne, kTool);
    bench::PrintShare("the window over the core", kOurs, kCore);
    std::printf("-- 60 minutes\n");
    bench::PrintComparison(kOurs60, kTool60, "open / mpg123 -w", "wall-clock ratio at most 0.60 on 2 cores");
    bench::RunAgainOnXServer(argc, argv);
    return 0;
}
