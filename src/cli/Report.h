// What `--dry-run`, `--measure` and `--suggest` print about a clip after its
// operations: the selection's times, the loudness, the suggested pick, and
// what the save will really write (the encoder's own rate and bit rate,
// frames and size).
#pragma once

#include <string>
#include <vector>

#include "cli/OutputPlan.h"
#include "clip/Clip.h"
#include "clip/Selection.h"

namespace zirpel::cli {

struct ReportRequest {
    bool dryRun = false;   // report the save instead of writing
    bool measure = false;  // loudness of the selection (or the clip)
    bool suggest = false;  // the suggested pick
    double suggestSeconds = 30;
    bool any() const { return dryRun || measure || suggest; }
};

// Lines for standard output, each starting with the input's name.
std::vector<std::string> ReportLines(const Job& job, const ClipSpan& clip, const Selection& sel,
                                     const ReportRequest& request);

// The warning for an MP3 output whose bit rate (or rate) the encoder
// replaces, or "".
std::string ReplacementWarning(const Job& job, const ClipSpan& clip);

// A number with one decimal and a decimal comma ("-14,0"; "-inf" as "-∞").
std::string Decimal1(double v);

}  // namespace zirpel::cli
