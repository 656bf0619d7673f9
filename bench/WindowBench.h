// What the window benchmarks share: the real main window, offscreen, with its
// dialogs answered from a script, and per-run wall-clock and CPU samples whose
// medians are set beside those of a reference command-line tool.
//
// Each measured run is one Google Benchmark repetition of one iteration, and
// the repetitions of ours and of the tool are interleaved at random, so that
// a change in the shared machine's load hits both sides alike.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include "gui/ScriptedDialogs.h"
#include "app/MainUnit.h"
#include "app/Services.h"
#include "app/ZirpelWindows.h"

namespace bench {

// Set in the second run of a window benchmark, the one on an X server.
inline bool OnXServer() {
    const char* v = std::getenv("ZIRPEL_BENCH_ON_X");
    return v != nullptr && *v != '\0';
}

// Offscreen Qt draws into memory; the second run draws on the X server that
// xvfb-run started (QT_QPA_PLATFORM=xcb). SDL opens its silent driver: the
// benchmarks need no sound card, and nothing pops up on the user's screen.
inline void UseHeadlessPlatform() {
    ::setenv("QT_QPA_PLATFORM", OnXServer() ? "xcb" : "offscreen", 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
}

// Which of the two runs this is, for the printed lines.
inline const char* PlatformName() { return OnXServer() ? "on an X server (Xvfb, xcb)" : "offscreen"; }

// Starts this program once more under xvfb-run, with the same arguments, so
// that its benchmarks run on an X server too and print their own ratios.
// Nothing happens in that second run itself, or where xvfb-run is missing.
inline void RunAgainOnXServer(int argc, char** argv) {
    if (OnXServer()) return;
    if (std::system("command -v xvfb-run > /dev/null 2>&1") != 0) {
        std::printf("\nxvfb-run is not installed (package xvfb): no run on an X server\n");
        return;
    }
    std::string cmd = "ZIRPEL_BENCH_ON_X=1 xvfb-run -a -s '-screen 0 1280x1024x24' /proc/" +
                      std::to_string(::getpid()) + "/exe";
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        std::string quoted = "'";
        for (char c : a) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        cmd += " " + quoted + "'";
    }
    std::printf("\n======== the same on an X server ========\n");
    std::fflush(stdout);
    if (std::system(cmd.c_str()) != 0) std::printf("the run on the X server failed\n");
}

// The main window as the program creates it, every dialog answered from
// `dialogs` and every modal window rejected.
class Window {
public:
    ScriptedDialogs dialogs;

    Window() {
        MainFormServices s;
        s.dialogs = &dialogs;
        s.execDialog = [](QDialog&) { return int(QDialog::Rejected); };
        form_ = CreateZirpelWindows(real_.Complete(std::move(s)));
        form_->resize(696, 480);
        form_->show();
        QApplication::processEvents();
    }
    ~Window() {
        form_->hide();
        form_.reset();
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    TMainForm& form() { return *form_; }

private:
    RealServices real_;  // declared before the form: it outlives it
    std::unique_ptr<TMainForm> form_;
};

struct Sample {
    double wall = 0;  // seconds
    double cpu = 0;   // seconds, user + system
};

// CPU seconds used so far by this process (RUSAGE_SELF) or by its finished
// children (RUSAGE_CHILDREN).
inline double CpuSeconds(int who) {
    rusage u{};
    ::getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

inline double WallSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Every run's sample, by benchmark name, across all repetitions.
inline std::map<std::string, std::vector<Sample>>& Samples() {
    static std::map<std::string, std::vector<Sample>> samples;
    return samples;
}

// Runs `prepare` (untimed), then `job` (timed) once per iteration. The
// iteration time is the wall-clock time of `job`; the CPU time of `who` goes
// into the counter "cpu_ms". `job` returns false when the run failed (it has
// then told `state` why), and the run is left out of the medians.
template <typename Prepare, typename Job>
void TimeRuns(benchmark::State& state, const char* name, int who, Prepare prepare, Job job) {
    double cpu = 0;
    for (auto _ : state) {
        prepare();
        const double c0 = CpuSeconds(who), w0 = WallSeconds();
        const bool ok = job();
        const double c1 = CpuSeconds(who), w1 = WallSeconds();
        state.SetIterationTime(w1 - w0);
        if (!ok) return;
        cpu += c1 - c0;
        Samples()[name].push_back({w1 - w0, c1 - c0});
    }
    state.counters["cpu_ms"] = cpu * 1000 / static_cast<double>(state.iterations());
}

inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Medians {
    double wall = 0, cpu = 0;
    std::size_t runs = 0;
};

inline Medians MediansOf(const std::string& name) {
    const auto it = Samples().find(name);
    if (it == Samples().end()) return {};
    std::vector<double> wall, cpu;
    for (const Sample& s : it->second) {
        wall.push_back(s.wall);
        cpu.push_back(s.cpu);
    }
    return {Median(wall), Median(cpu), it->second.size()};
}

// The first line of /proc/loadavg: how busy the shared machine was.
inline std::string LoadAverage() {
    std::ifstream f("/proc/loadavg");
    std::string line;
    std::getline(f, line);
    return line;
}

// Prints the medians of ours and of the tool, both ratios ours / tool and
// the goal they are held against.
inline void PrintComparison(const char* ours, const char* tool, const char* what, const char* goal) {
    const Medians a = MediansOf(ours), b = MediansOf(tool);
    if (a.runs == 0 || b.runs == 0 || b.wall <= 0 || b.cpu <= 0) {
        std::printf("no ratio: a side has no successful run\n");
        return;
    }
    std::printf("%-22s median of %zu runs: wall %8.1f ms, CPU %8.1f ms\n", ours, a.runs, a.wall * 1e3,
                a.cpu * 1e3);
    std::printf("%-22s median of %zu runs: wall %8.1f ms, CPU %8.1f ms\n", tool, b.runs, b.wall * 1e3,
                b.cpu * 1e3);
    std::printf("ratio %s, wall clock, %s: %.3f\n", what, PlatformName(), a.wall / b.wall);
    std::printf("ratio %s, CPU time,   %s: %.3f\n", what, PlatformName(), a.cpu / b.cpu);
    std::printf("goal: %s\n", goal);
}

// One more line of the breakdown: the medians of `part` over those of `whole`.
inline void PrintShare(const char* label, const char* part, const char* whole) {
    const Medians a = MediansOf(part), b = MediansOf(whole);
    if (a.runs == 0 || b.runs == 0 || b.wall <= 0 || b.cpu <= 0) return;
    std::printf("%-30s %8.1f ms wall = %.3f x %s, CPU %.3f x\n", label, a.wall * 1e3, a.wall / b.wall,
                whole, a.cpu / b.cpu);
}

// Google Benchmark's arguments with defaults for what the command line leaves
// out: `repetitions` runs of each benchmark, interleaved at random.
class Arguments {
public:
    Arguments(int argc, char** argv, int repetitions) : args_(argv, argv + argc) {
        repetitions_ = "--benchmark_repetitions=" + std::to_string(repetitions);
        if (!Given("benchmark_repetitions")) args_.push_back(repetitions_.c_str());
        if (!Given("benchmark_enable_random_interleaving")) args_.push_back(kInterleave);
        args_.push_back(nullptr);
        argc_ = static_cast<int>(args_.size()) - 1;
    }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;

    // Google Benchmark only reorders the pointers, never writes the texts.
    int& argc() { return argc_; }
    char** argv() { return const_cast<char**>(args_.data()); }

private:
    bool Given(const char* flag) const {
        return std::any_of(args_.begin(), args_.end(),
                           [flag](const char* a) { return a && std::strstr(a, flag) != nullptr; });
    }

    static constexpr const char* kInterleave = "--benchmark_enable_random_interleaving=true";
    std::vector<const char*> args_;
    std::string repetitions_;
    int argc_ = 0;
};

}  // namespace bench
