#include "cli/RunCli.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "cli/CommandLine.h"
#include "cli/HelpText.h"
#include "cli/OutputPlan.h"
#include "cli/PrintableText.h"
#include "cli/ProcessFile.h"
#include "codec/ACMConvertor.h"
#include "codec/Mp3Import.h"
#include "codec/Mp3Pieces.h"
#include "cli/ParallelRun.h"

namespace zirpel::cli {
namespace {

int UsageError(std::ostream& err, const std::string& what) {
    err << "zirpel: " << PrintableText(what) << '\n' << UsageLine();
    return kExitUsage;
}

}  // namespace

std::string TempFolderFrom(const char* tmpdir) {
    std::string folder = tmpdir != nullptr ? tmpdir : "";
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder.empty() ? "/tmp" : folder;
}

int RunCli(const std::vector<std::string>& args, CliEnvironment& env) {
    const ParsedCommandLine parsed = ParseCommandLine(args);
    if (!parsed.ok()) return UsageError(env.err, parsed.usageError);
    const CliRequest& request = parsed.request;
    if (request.action == CliRequest::Action::Help) {
        env.out << HelpText();
        return kExitDone;
    }
    if (request.action == CliRequest::Action::Version) {
        env.out << VersionText();
        return kExitDone;
    }
    const Plan plan = PlanJobs(request);
    if (!plan.ok()) return UsageError(env.err, plan.usageError);

    if (!request.outDir.empty() && !request.dryRun) {
        std::error_code ec;
        std::filesystem::create_directories(request.outDir, ec);
        if (ec || !std::filesystem::is_directory(request.outDir, ec)) {
            env.err << "zirpel: " << PrintableText(request.outDir) << ": Konnte Ordner nicht anlegen\n";
            return kExitFile;
        }
    }

    ReportRequest reports;
    reports.dryRun = request.dryRun;
    reports.measure = request.measure;
    reports.suggest = request.suggest;
    reports.suggestSeconds = request.suggestSeconds;

    ProgressLine progress(env.err, env.errIsTerminal && !request.quiet, env.stopRequested);
    const auto hand = [&env](const FileOutcome& outcome, int& status) {
        for (const std::string& line : outcome.reports) env.out << PrintableText(line) << '\n';
        for (const FileMessage& m : outcome.messages)
            env.err << "zirpel: " << PrintableText(m.file) << ": " << PrintableText(m.text) << '\n';
        status = std::max<int>(status, outcome.code);
    };
    const int cores = AvailableCores();
    int workers = std::min<int>(request.jobs > 0 ? request.jobs : cores, static_cast<int>(plan.jobs.size()));
    if (OutputsRepeat(plan.jobs)) workers = 1;
    if (workers > 1) {
        // Several files at once; each file's MP3 import gets its share of the cores.
        const ParallelRun run{env.codecs, env.encoder, env.tempFolder, workers, std::max(1, cores / workers),
                              env.stopRequested};
        int status = kExitDone;
        RunInParallel(plan.jobs, request.operations, reports, run, progress,
                      [&](std::size_t, const FileOutcome& outcome) { hand(outcome, status); });
        return status;
    }

    // The MP3 import's codec side, set up as the window does at start.
    TACMConvertor mp3wav(env.codecs);
    mp3wav.LoadMp3WavStoredValues();
    std::vector<FormatBlock> formats;
    std::int32_t formatCount = 0;
    EnumerateMp3Formats(env.codecs, formats, formatCount, [] {});
    Mp3Codec codec{mp3wav, formats, formatCount};
    CliTools tools{codec, env.encoder, env.tempFolder};

    int status = kExitDone;
    for (const Job& job : plan.jobs) {
        const FileOutcome outcome = ProcessFile(job, request.operations, tools, progress, reports);
        progress.End();
        hand(outcome, status);
        // After a termination signal the remaining files are left alone. A
        // file finished before the signal counts as done (the next one then
        // reports the stop); the file it interrupted said so itself.
        if (progress.StopRequested() && outcome.code != kExitDone) break;
    }
    return status;
}

}  // namespace zirpel::cli
