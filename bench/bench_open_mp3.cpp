// Opening an MP3 file end to end (conversion into the temporary WAV file,
// reading it as the clip, deleting it) beside `mpg123 -w` on the same file.
// The file is a 5-minute 128 kbit/s stereo MP3 made with libmp3lame at the
// start. Prints the ratio of the two median times at the end; the goal is
// at most 1.25.
//
//   build-*/bench/bench_open_mp3 [--benchmark_repetitions=N]
#include <benchmark/benchmark.h>
#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "codec/ACMConvertor.h"
#include "codec/Mp3Import.h"
#include "codec/OpenAudioFile.h"
#include "wave/WaveFile.h"

namespace fs = std::filesystem;
using namespace zirpel;

namespace {

fs::path g_dir;
std::string g_mp3;

// 5 minutes of a slowly sweeping two-tone stereo signal, 128 kbit/s CBR.
bool MakeFile() {
    const int rate = 44100, seconds = 300;
    lame_t g = lame_init();
    lame_set_in_samplerate(g, rate);
    lame_set_num_channels(g, 2);
    lame_set_mode(g, JOINT_STEREO);
    lame_set_brate(g, 128);
    lame_set_quality(g, 7);
    if (lame_init_params(g) < 0) return false;
    std::FILE* f = std::fopen(g_mp3.c_str(), "wb");
    if (f == nullptr) return false;
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

void BM_OpenMp3(benchmark::State& state) {
    std::vector<FormatBlock> formats;
    std::int32_t count = 0;
    EnumerateMp3Formats(acm::DefaultAcmRegistry(), formats, count, nullptr);
    TACMConvertor mp3wav;
    mp3wav.LoadMp3WavStoredValues();
    Mp3Codec codec{mp3wav, formats, count};
    LongTask quiet;
    std::size_t bytes = 0;
    for (auto _ : state) {
        OpenResult r = OpenAudioFile(g_mp3, codec, g_dir.string(), quiet);
        if (!r.ok()) {
            state.SkipWithError("conversion gave no readable WAV file");
            return;
        }
        bytes = r.clip.bytes.size();
        benchmark::DoNotOptimize(r.clip.bytes.data());
    }
    state.counters["pcm_bytes"] = static_cast<double>(bytes);
}

void BM_Mpg123Wav(benchmark::State& state) {
    const std::string out = (g_dir / "mpg123.wav").string();
    const std::string cmd = "mpg123 -q -w '" + out + "' '" + g_mp3 + "'";
    for (auto _ : state) {
        if (std::system(cmd.c_str()) != 0) {
            state.SkipWithError("mpg123 failed (is the mpg123 package installed?)");
            return;
        }
    }
    state.counters["pcm_bytes"] = static_cast<double>(fs::file_size(out));
    fs::remove(out);
}

// Keeps the median (or the single) real time of each benchmark.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            const bool aggregate = r.run_type == Run::RT_Aggregate;
            if (aggregate && r.aggregate_name != "median") continue;
            if (!aggregate && times.count(r.run_name.function_name) && r.repetitions > 1) continue;
            times[r.run_name.function_name] = r.GetAdjustedRealTime();
        }
    }
    std::map<std::string, double> times;
};

}  // namespace

BENCHMARK(BM_OpenMp3)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Mpg123Wav)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    g_dir = fs::temp_directory_path() / ("zirpel-bench-mp3-" + std::to_string(::getpid()));
    fs::create_directories(g_dir);
    g_mp3 = (g_dir / "five_minutes.mp3").string();
    if (!MakeFile()) {
        std::fprintf(stderr, "could not make the test MP3\n");
        return 1;
    }
    std::printf("test file: %s, %ju bytes\n", g_mp3.c_str(), static_cast<std::uintmax_t>(fs::file_size(g_mp3)));
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    fs::remove_all(g_dir);
    if (reporter.times.count("BM_OpenMp3") && reporter.times.count("BM_Mpg123Wav")) {
        const double ratio = reporter.times["BM_OpenMp3"] / reporter.times["BM_Mpg123Wav"];
        std::printf("open MP3 / mpg123 -w = %.3f (goal: at most 1.25)\n", ratio);
    }
    return 0;
}
