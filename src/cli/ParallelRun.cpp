#include "cli/ParallelRun.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "codec/ACMConvertor.h"
#include "codec/Mp3Import.h"

namespace zirpel::cli {

bool OutputsRepeat(const std::vector<Job>& jobs) {
    std::set<std::string> seen;
    for (const Job& job : jobs)
        if (!seen.insert(job.output).second) return true;
    return false;
}

void RunInParallel(const std::vector<Job>& jobs, const std::vector<Operation>& operations,
                   const ParallelRun& run, ProgressLine& progress,
                   const std::function<void(std::size_t, const FileOutcome&)>& done) {
    struct Result {
        FileOutcome outcome;
        PendingOutput pending;
    };
    std::mutex lock;
    std::condition_variable finished;
    std::vector<std::optional<Result>> results(jobs.size());
    std::size_t started = 0;  // files handed to a worker, a leading part of the list
    bool closed = false;      // a stop was seen: no file is started any more
    int running = 0;

    // The stop request is asked from every worker, one at a time.
    std::mutex stopLock;
    const std::function<bool()> stop = [&] {
        std::lock_guard g(stopLock);
        return run.stopRequested && run.stopRequested();
    };

    auto work = [&] {
        // The convertor's format blocks change with every file: one per worker.
        TACMConvertor mp3wav(run.codecs);
        mp3wav.LoadMp3WavStoredValues();
        std::vector<FormatBlock> formats;
        std::int32_t formatCount = 0;
        EnumerateMp3Formats(run.codecs, formats, formatCount, [] {});
        Mp3Codec codec{mp3wav, formats, formatCount, run.piecesPerFile};
        CliTools tools{codec, run.encoder, run.tempFolder};
        std::ostringstream unseen;
        ProgressLine quiet(unseen, false, stop);
        for (;;) {
            std::size_t index = 0;
            {
                std::lock_guard g(lock);
                if (closed || started == jobs.size()) break;
                index = started++;
            }
            Result r;
            r.outcome = ProcessFile(jobs[index], operations, tools, quiet, &r.pending);
            quiet.End();
            std::lock_guard g(lock);
            results[index] = std::move(r);
            finished.notify_all();
        }
        std::lock_guard g(lock);
        --running;
        finished.notify_all();
    };

    const int workers = std::max(1, std::min<int>(run.workers, static_cast<int>(jobs.size())));
    std::vector<std::thread> threads;
    running = workers;
    for (int i = 0; i < workers; ++i) threads.emplace_back(work);

    // Outcomes are handed on and outputs put in place in input order. After
    // a stop, as when the files run one after the other, the files after
    // the one during which it came are left alone: their outputs are dropped.
    progress.Begin("zirpel: " + std::to_string(jobs.size()) + " Dateien");
    std::size_t next = 0;
    bool stopped = false;
    std::unique_lock l(lock);
    for (;;) {
        finished.wait(l, [&] { return (next < jobs.size() && results[next]) || running == 0; });
        if (!(next < jobs.size() && results[next])) break;
        Result r = std::move(*results[next]);
        results[next].reset();
        const std::size_t index = next++;
        l.unlock();
        if (!stopped) {
            progress.End();
            CommitOutput(r.pending, r.outcome);
            done(index, r.outcome);
            progress.Progress(static_cast<std::int32_t>(next * 100 / jobs.size()));
            stopped = stop();
        }
        l.lock();
        if (stopped) closed = true;
    }
    l.unlock();
    for (std::thread& t : threads) t.join();
    progress.End();
}

}  // namespace zirpel::cli
