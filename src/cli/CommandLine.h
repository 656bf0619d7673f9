// The command line's arguments, read into one request.
//
// Words are read left to right. Options start with "-"; a word that names
// an operation ("crop", "fade-in=0.5") is the next step; every other word
// is an input file. After "--" every word is an input file, so a file
// called "crop" or "-x" can still be named.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "export/Mp3Lists.h"
#include "formats/AudioFormats.h"
#include "cli/Operation.h"

namespace zirpel::cli {

// What an output is written as: the format table's writers.
using OutputKind = Writer;

struct CliRequest {
    enum class Action { Run, Help, Version };
    Action action = Action::Run;

    std::vector<std::string> inputs;
    std::vector<Operation> operations;  // in the order given, --select included

    std::string output;                   // -o / --output
    std::string outDir;                   // --out-dir
    std::optional<OutputKind> outDirKind; // --wav / --mp3 / --ogg

    std::int32_t mp3Rate = kDefaultMp3Rate;
    std::int32_t bitRate = kDefaultBitRate;
    bool rateGiven = false;
    bool bitRateGiven = false;
    bool ringtone = false;
    bool quiet = false;
    bool dither = false;  // --dither: triangular dither where Open rounds to 16 bit
    int jobs = 0;         // -j / --jobs: files at once; 0 for one per core

    // Reports on standard output (`--dry-run` writes nothing; with any of
    // them the output may be left out).
    bool dryRun = false;
    bool measure = false;
    bool suggest = false;          // --suggest T given
    double suggestSeconds = 30;    // its T, also the length of "--select suggest"
    bool reportOnly() const { return dryRun || measure || suggest; }
};

struct ParsedCommandLine {
    CliRequest request;
    std::string usageError;  // empty when the words make a request
    bool ok() const { return usageError.empty(); }
};

// `args` without the program name. --help and --version win over
// everything else. A usage error names what is wrong, in German.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

}  // namespace zirpel::cli
