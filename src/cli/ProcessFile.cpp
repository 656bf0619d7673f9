#include "cli/ProcessFile.h"

#include <exception>
#include <functional>
#include <new>

#include <sys/stat.h>

#include "cli/OutputWaveTarget.h"
#include "cli/StopAwareEncoder.h"
#include "codec/OpenAudioFile.h"
#include "codec/Mp3Import.h"
#include "export/SafeFile.h"
#include "export/SaveClip.h"

namespace zirpel::cli {
namespace {

constexpr const char* kMsgStopped = "Abgebrochen";
constexpr const char* kMsgOutputIsInput =
    "ist die Eingabedatei selbst und wird nicht überschrieben";

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

FileOutcome Fail(ExitCode code, const std::string& file, std::string text) {
    FileOutcome o;
    o.code = code;
    o.messages.push_back({file, std::move(text)});
    return o;
}

// The opening's progress line and what ends the file there: a codec or
// memory error, or a stop during the MP3 import (whose partial clip or
// output is never saved). False, with `outcome` set, when the file ends.
bool RunOpening(const Job& job, ProgressLine& progress, FileOutcome& outcome,
                const std::function<OpenResult()>& open, OpenResult& result) {
    progress.Begin("zirpel: " + job.input + ": Öffnen");
    try {
        result = open();
    } catch (const std::bad_alloc&) {
        outcome = Fail(kExitFile, job.input, NoticeText(NoticeFor(EffectStatus::OutOfMemory)));
        return false;
    } catch (const std::exception& e) {  // EACMConvertor, EInOutError
        outcome = Fail(kExitFile, job.input, GeneralErrorText(e.what()));
        return false;
    }
    progress.End();
    if ((result.mp3 && result.conversion == Mp3ConvertResult::Stopped) || progress.StopRequested()) {
        outcome = Fail(kExitFile, job.input, kMsgStopped);
        return false;
    }
    return true;
}

// Opens the input. Any failure (the editor's messages, a codec error, a
// stop during the MP3 import) ends the file with kExitFile.
bool Open(const Job& job, CliTools& tools, ProgressLine& progress, EditorDocument& doc, FileOutcome& outcome) {
    OpenResult result;
    const auto open = [&] {
        OpenOptions options;
        options.dither = job.dither;
        options.mp3IntoMemory = true;
        return OpenAudioFile(job.input, tools.codec, tools.tempFolder, progress, options);
    };
    if (!RunOpening(job, progress, outcome, open, result)) return false;
    for (const Notice& notice : NoticesFor(result)) outcome.messages.push_back({job.input, NoticeText(notice)});
    if (!result.ok()) {
        outcome.code = kExitFile;
        return false;
    }
    if (const std::string note = ConversionNote(result); !note.empty())
        outcome.messages.push_back({job.input, note});
    doc.Replace(std::move(result.clip), "Öffnen");
    return true;
}

void Save(const Job& job, ClipSpan clip, CliTools& tools, ProgressLine& progress,
          FileOutcome& outcome) {
    // A stop signal during the writing ends it; the old file stays.
    const SaveStopQuery stop = [&progress] { return progress.StopRequested(); };
    SaveOutcome saved;
    SaveRequest request{job.kind, job.output, job.mp3Rate, job.bitRate};
    if (job.kind == OutputKind::Wave) {
        saved = SaveClipAs(request, clip, tools.encoder, progress, stop);
    } else {
        StopAwareEncoder encoder(tools.encoder, stop);
        progress.Begin("zirpel: " + job.output + ": Speichern");
        try {
            saved = SaveClipAs(request, clip, encoder, progress, stop);
        } catch (const EMP3Encoder& e) {
            progress.End();
            outcome = Fail(kExitFile, job.output, encoder.stopped() ? kMsgStopped : GeneralErrorText(e.what()));
            return;
        } catch (const std::bad_alloc&) {
            progress.End();
            outcome = Fail(kExitFile, job.output, NoticeText(NoticeFor(EffectStatus::OutOfMemory)));
            return;
        }
        progress.End();
    }
    if (saved.status == SaveStatus::Stopped) {
        outcome = Fail(kExitFile, job.output, kMsgStopped);
    } else if (saved.status != SaveStatus::Saved) {
        outcome.code = kExitFile;
        outcome.messages.push_back({job.output, NoticeText(NoticeFor(saved.status))});
    } else if (!saved.note.empty()) {
        outcome.messages.push_back({job.output, saved.note});
    }
}

// An MP3 that only changes into a WAV: nothing needs the clip, so the
// import may write the output itself (OutputWaveTarget.h).
bool PlainConversion(const Job& job, const std::vector<Operation>& operations, const ReportRequest& reports) {
    return job.kind == OutputKind::Wave && !job.output.empty() && operations.empty() && !reports.any() &&
           IsMp3FileName(job.input);
}

// The plain conversion, with the same messages, results and output bytes as
// opening the MP3 and saving the clip. False when the output cannot even be
// prepared: the usual way then tells why, after the opening.
bool ConvertStraight(const Job& job, CliTools& tools, ProgressLine& progress, FileOutcome& outcome) {
    struct stat st {};
    if (::stat(job.input.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return false;
    SafeFile file;
    if (!file.open(job.output)) return false;
    OutputWaveTarget target(file);
    OutputWaveTarget::Finished finished;
    OpenResult result;
    const auto convert = [&] {
        OpenResult r;
        r.mp3 = true;
        r.conversion = ConvertMP3WAV(job.input, target, tools.codec, progress);
        finished = target.Finish();
        r.read = finished.wave.status;
        return r;
    };
    if (!RunOpening(job, progress, outcome, convert, result)) return true;
    // The import's writes are the output's: their failure is the save's.
    const bool writeFailed = result.conversion == Mp3ConvertResult::CannotWrite;
    if (!writeFailed) {
        for (const Notice& notice : NoticesFor(result)) outcome.messages.push_back({job.input, NoticeText(notice)});
        if (!result.ok()) {
            outcome.code = kExitFile;
            return true;
        }
    }
    if (writeFailed || !finished.written || !file.commit()) {
        outcome.code = kExitFile;
        outcome.messages.push_back({job.output, NoticeText(NoticeFor(SaveStatus::CannotWrite))});
    }
    return true;
}

}  // namespace

std::string NoticeText(const Notice& notice) {
    return notice.style == NoticeStyle::GeneralError ? GeneralErrorText(notice.text) : notice.text;
}

FileOutcome StoppedBeforeStart(const Job& job) { return Fail(kExitFile, job.input, kMsgStopped); }

FileOutcome ProcessFile(const Job& job, const std::vector<Operation>& operations, CliTools& tools,
                        ProgressLine& progress, const ReportRequest& reports) {
    if (progress.StopRequested()) return StoppedBeforeStart(job);
    if (job.mustDifferFromInput && SameFile(job.input, job.output))
        return Fail(kExitFile, job.output, kMsgOutputIsInput);

    FileOutcome outcome;
    if (PlainConversion(job, operations, reports) && ConvertStraight(job, tools, progress, outcome))
        return outcome;
    EditorDocument doc(0);  // no history; nothing selected after opening
    if (!Open(job, tools, progress, doc, outcome)) return outcome;

    for (const Operation& op : operations) {
        const EffectStatus status = ApplyOperation(op, doc);
        if (status != EffectStatus::Done && status != EffectStatus::Unchanged) {
            outcome.code = kExitOperation;
            outcome.messages.push_back({job.input, NoticeText(NoticeFor(status))});
            return outcome;
        }
    }
    if (progress.StopRequested()) return Fail(kExitFile, job.input, kMsgStopped);
    outcome.reports = ReportLines(job, doc.Span(), doc.CurrentSelection(), reports);
    const std::string warning = ReplacementWarning(job, doc.Span());
    if (!warning.empty())
        outcome.messages.push_back({job.output.empty() ? job.input : job.output, "Warnung: " + warning});
    if (reports.dryRun || job.output.empty()) return outcome;
    Save(job, doc.Span(), tools, progress, outcome);
    return outcome;
}

}  // namespace zirpel::cli
