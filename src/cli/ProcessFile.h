// One input through the whole run: open it as "Öffnen..." does, apply the
// operations in order, save it as the editor's save commands do.
#pragma once

#include <string>
#include <vector>

#include "cli/ExitCode.h"
#include "cli/Operation.h"
#include "cli/OutputPlan.h"
#include "cli/ProgressLine.h"
#include "cli/Report.h"
#include "codec/Mp3Import.h"
#include "export/Mp3Encoder.h"

namespace zirpel::cli {

// What the run needs from outside, made once at start as the window does.
struct CliTools {
    Mp3Codec& codec;        // the MP3 import's convertor and format list
    Mp3Encoder& encoder;    // the save's encoder (LameEncoder in the program)
    std::string tempFolder; // where the MP3 import puts tempwav<n>.wav
};

// A message for the user about one file.
struct FileMessage {
    std::string file;  // the input, or the output for a failed save
    std::string text;  // the editor's own text
};

struct FileOutcome {
    ExitCode code = kExitDone;
    std::vector<FileMessage> messages;  // for standard error
    std::vector<std::string> reports;   // for standard output
};

// The text a notice shows in the editor (the general error display adds
// its full stop).
std::string NoticeText(const Notice& notice);

// Reads job.input, runs `operations` on it from an empty selection, adds
// the reports asked for and writes job.output (not for a dry run, nor
// without an output). An MP3 output whose bit rate the encoder replaces
// gets a warning. Read and write failures (a stop request included) are
// kExitFile, a failed operation kExitOperation; either way nothing is
// written and an existing output file stays as it was.
FileOutcome ProcessFile(const Job& job, const std::vector<Operation>& operations, CliTools& tools,
                        ProgressLine& progress, const ReportRequest& reports = {});

// What ProcessFile gives a file it is asked to start after a stop request.
FileOutcome StoppedBeforeStart(const Job& job);

}  // namespace zirpel::cli
