#include "cli/ParallelRun.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "codec/ACMConvertor.h"
#include "codec/Mp3Import.h"
#include "export/SafeFile.h"

namespace zirpel::cli {

bool OutputsRepeat(const std::vector<Job>& jobs) {
    std::set<std::string> seen;
    for (const Job& job : jobs)
        if (!seen.insert(job.output).second) return true;
    return false;
}

void RunInParallel(const std::vector<Job>& jobs, const std::vector<Operation>& operations,
                   const ReportRequest& reports, const ParallelRun& run, ProgressLine& progress,
                   const std::function<void(std::size_t, const FileOutcome&)>& done) {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::optional<FileOutcome>> outcomes(jobs.size());
    std::size_t started = 0;  // files handed to a worker, a leading part of the list
    std::size_t next = 0;     // the first file not yet handed on to `done`
    bool closed = false;      // a stop ended the run: nothing more is started or put in place
    bool stopNext = false;    // a stop came after a file that was done: the next one reports it
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
            // A finished output waits until every file before it is handed
            // on, and is dropped when a stop came meanwhile.
            const SafeFile::CommitTurn turn([&, index] {
                std::unique_lock l(lock);
                changed.wait(l, [&] { return closed || next == index; });
                return !closed && !stopNext;
            });
            FileOutcome outcome = ProcessFile(jobs[index], operations, tools, quiet, reports);
            quiet.End();
            std::lock_guard g(lock);
            outcomes[index] = std::move(outcome);
            changed.notify_all();
        }
        std::lock_guard g(lock);
        --running;
        changed.notify_all();
    };

    const int workers = std::max(1, std::min<int>(run.workers, static_cast<int>(jobs.size())));
    std::vector<std::thread> threads;
    running = workers;
    for (int i = 0; i < workers; ++i) threads.emplace_back(work);

    // As when the files run one after the other: after a stop, a file that
    // was done counts as done and the next one reports the stop; a file the
    // stop ended reports it itself; nothing after that is handed on.
    progress.Begin("zirpel: " + std::to_string(jobs.size()) + " Dateien");
    std::unique_lock l(lock);
    for (;;) {
        changed.wait(l, [&] { return (next < jobs.size() && outcomes[next]) || running == 0; });
        if (next == jobs.size() || !outcomes[next]) break;
        FileOutcome outcome = std::move(*outcomes[next]);
        const std::size_t index = next;
        if (!closed) {
            if (stopNext) outcome = StoppedBeforeStart(jobs[index]);  // its output was not put in place
            l.unlock();
            progress.End();
            done(index, outcome);
            progress.Progress(static_cast<std::int32_t>((index + 1) * 100 / jobs.size()));
            const bool stopped = stopNext || stop();
            l.lock();
            if (stopped && (stopNext || outcome.code != kExitDone)) closed = true;
            else if (stopped) stopNext = true;
        }
        ++next;
        changed.notify_all();
    }
    l.unlock();
    for (std::thread& t : threads) t.join();
    progress.End();
}

}  // namespace zirpel::cli
