#include "cli/OutputPlan.h"

#include <map>

#include "formats/AudioFormats.h"

namespace zirpel::cli {
namespace {

std::string LastComponent(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The kind an input is written as when nothing else is asked for: its own,
// where the program can write it, else WAV.
OutputKind KindOfInput(const std::string& input) {
    const AudioFormat* f = FormatOfFileName(input);
    return f && f->writer != Writer::None ? f->writer : OutputKind::Wave;
}

}  // namespace

std::optional<OutputKind> KindOfOutputName(const std::string& name) {
    const AudioFormat* f = FormatOfFileName(name);
    if (!f || f->writer == Writer::None) return std::nullopt;
    return f->writer;
}

std::string OutputNameInFolder(const std::string& folder, const std::string& input, OutputKind kind) {
    std::string stem = LastComponent(input);
    const std::size_t dot = stem.find_last_of('.');
    if (dot != std::string::npos && dot > 0) stem.erase(dot);
    std::string name = folder;
    if (name.back() != '/') name += '/';
    return name + stem + "." + std::string(FormatOfWriter(kind)->extensions[0]);
}

Plan PlanJobs(const CliRequest& r) {
    Plan plan;
    std::string& error = plan.usageError;
    const bool mp3Options = r.ringtone || r.rateGiven || r.bitRateGiven;
    if (r.inputs.empty()) {
        error = "keine Eingabedatei angegeben";
    } else if (r.output.empty() && r.outDir.empty() && !r.reportOnly()) {
        error = "keine Ausgabe angegeben (-o DATEI oder --out-dir ORDNER)";
    } else if (!r.output.empty() && !r.outDir.empty()) {
        error = "-o und --out-dir schließen sich aus";
    } else if (!r.output.empty() && r.inputs.size() > 1) {
        error = "-o nimmt genau eine Eingabedatei; für mehrere gibt es --out-dir";
    } else if (!r.output.empty() && r.outDirKind) {
        error = "--wav, --mp3 und --ogg gelten nur mit --out-dir; bei -o entscheidet die Endung";
    } else if (r.ringtone && (r.rateGiven || r.bitRateGiven)) {
        error = "--ringtone legt 11025 Hz und 8 kBit/s fest: --rate und --bitrate passen nicht dazu";
    }
    if (!error.empty()) return plan;

    std::optional<OutputKind> fixedKind = r.outDirKind;
    if (!r.output.empty()) {
        fixedKind = KindOfOutputName(r.output);
        if (!fixedKind) {
            error = "die Ausgabe muss auf .wav, .mp3 oder .ogg enden";
            return plan;
        }
    } else if (!fixedKind && mp3Options) {
        fixedKind = OutputKind::Mp3;
    }
    if (fixedKind == OutputKind::Wave && mp3Options) {
        error = "--rate, --bitrate und --ringtone gelten nur für MP3- und Ogg-Ausgaben";
        return plan;
    }
    if (fixedKind == OutputKind::OggVorbis && r.ringtone) {
        error = "--ringtone schreibt immer MP3";
        return plan;
    }

    std::map<std::string, std::string> inputOf;  // output name -> input giving it
    for (const std::string& input : r.inputs) {
        Job job;
        job.input = input;
        job.kind = fixedKind.value_or(KindOfInput(input));
        job.mp3Rate = r.ringtone ? kRingtoneRate : r.mp3Rate;
        job.bitRate = r.ringtone ? kRingtoneBitRate : r.bitRate;
        job.dither = r.dither;
        if (r.output.empty() && r.outDir.empty()) {
            // A report alone: nothing is written.
        } else if (r.output.empty()) {
            job.output = OutputNameInFolder(r.outDir, input, job.kind);
            job.mustDifferFromInput = true;
            const auto [it, fresh] = inputOf.emplace(job.output, input);
            if (!fresh) {
                error = "„" + it->second + "“ und „" + input + "“ ergäben beide „" + job.output + "“";
                plan.jobs.clear();
                return plan;
            }
        } else {
            job.output = r.output;
        }
        plan.jobs.push_back(std::move(job));
    }
    return plan;
}

}  // namespace zirpel::cli
