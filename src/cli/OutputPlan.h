// Which file each input becomes, and as what.
//
// With -o the one input is written under that name; its ending (.wav,
// .mp3 or .ogg, in any case: the format table's writable kinds) chooses the
// writer. With --out-dir each input is written into the folder under its
// own name, the ending replaced: by .mp3 for --mp3, --ringtone, --rate or
// --bitrate, by .wav for --wav, by .ogg for --ogg, and otherwise by the
// input's own kind when it can be written (else .wav).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/CommandLine.h"

namespace zirpel::cli {

struct Job {
    std::string input;
    std::string output;
    OutputKind kind = OutputKind::Wave;
    std::int32_t mp3Rate = kDefaultMp3Rate;  // for MP3 and Ogg Vorbis outputs
    std::int32_t bitRate = kDefaultBitRate;
    // The name was made up from the input (--out-dir): it must not turn out
    // to be the input file itself, which the user never chose to overwrite.
    bool mustDifferFromInput = false;
    bool dither = false;  // --dither
};

// The writer an output name asks for (its ending, in any case, names a
// writable format), else nullopt.
std::optional<OutputKind> KindOfOutputName(const std::string& name);

// `folder`/<last component of `input` without its ending>.<the kind's extension>.
std::string OutputNameInFolder(const std::string& folder, const std::string& input, OutputKind kind);

struct Plan {
    std::vector<Job> jobs;
    std::string usageError;  // empty when the request can run
    bool ok() const { return usageError.empty(); }
};

// One job per input, in order, or the usage error that forbids running.
Plan PlanJobs(const CliRequest& request);

}  // namespace zirpel::cli
