// A batch of files on several cores: each file goes through ProcessFile as
// in a run one file after the other, several files at once, each worker
// with a codec side of its own. What the user sees stays per file and in
// the order of the inputs.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "cli/Operation.h"
#include "cli/OutputPlan.h"
#include "cli/ProcessFile.h"
#include "cli/ProgressLine.h"

namespace zirpel {
class Mp3Encoder;
namespace acm {
class AcmRegistry;
}
}  // namespace zirpel

namespace zirpel::cli {

struct ParallelRun {
    acm::AcmRegistry& codecs;  // shared by the workers; each makes its own convertor
    Mp3Encoder& encoder;       // shared: one stream per file, each on its own thread
    std::string tempFolder;
    int workers = 2;
    int piecesPerFile = 1;     // how many pieces one file's MP3 import may use
    std::function<bool()> stopRequested;  // asked from every worker
};

// Processes every job, `run.workers` at a time. Outputs are put in place in
// input order, each only after the files before it were handed on: on the
// calling thread, in input order, `done(index, outcome)` is called for each
// file; meanwhile `progress` shows how many files are done. A stop request
// ends the run as in a run one file after the other: the file it came in
// reports it (or, when that file was done, the next one, whatever it did
// meanwhile), and the files after it are left alone; no output of theirs
// replaces anything, and `done` is not called for them.
void RunInParallel(const std::vector<Job>& jobs, const std::vector<Operation>& operations,
                   const ReportRequest& reports, const ParallelRun& run, ProgressLine& progress,
                   const std::function<void(std::size_t, const FileOutcome&)>& done);

// True when two jobs would write the same file: such a batch keeps the
// order of one file after the other, so that the last input still wins.
bool OutputsRepeat(const std::vector<Job>& jobs);

}  // namespace zirpel::cli
