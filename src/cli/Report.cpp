#include "cli/Report.h"

#include <cmath>
#include <cstdio>

#include "effects/Loudness.h"
#include "effects/SuggestPick.h"
#include "export/Mp3Prediction.h"
#include "view/SelectionTime.h"
#include "wave/WaveFile.h"

namespace zirpel::cli {
namespace {

struct CountingSink : ByteSink {
    std::size_t bytes = 0;
    bool write(const void*, std::size_t size) override {
        bytes += size;
        return true;
    }
};

std::string Span(std::int64_t start, std::int64_t end, std::int32_t rate) {
    return FormatClockTime(SecondsOfFrames(start, rate)) + " – " + FormatClockTime(SecondsOfFrames(end, rate)) +
           " (" + FormatSeconds(SecondsOfFrames(end - start, rate)) + " s)";
}

std::string Mp3Line(const Mp3Prediction& p) {
    if (!p.accepted) return "MP3: Konnte LAME Encoder nicht initialisieren...";
    const char* version = p.mpegVersion == 10 ? "MPEG-1" : p.mpegVersion == 20 ? "MPEG-2" : "MPEG-2.5";
    return "MP3 " + std::to_string(p.outRate) + " Hz, " + std::to_string(p.kbps) + " kbit/s, " + version +
           ", " + std::to_string(p.frames) + " Frames, " + DescribeMp3Size(p);
}

}  // namespace

std::string Decimal1(double v) {
    if (std::isinf(v)) return v < 0 ? "-∞" : "∞";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    std::string s = buf;
    for (char& c : s)
        if (c == '.') c = ',';
    return s == "-0,0" ? "0,0" : s;
}

std::vector<std::string> ReportLines(const Job& job, const ClipSpan& span, const Selection& sel,
                                     const ReportRequest& request) {
    std::vector<std::string> lines;
    const std::string head = job.input + ": ";
    const std::int32_t rate = span.format.sampleRate;
    if (request.suggest) {
        const FrameSpan pick = SuggestPick(span, request.suggestSeconds);
        lines.push_back(head + "Vorschlag " + Span(pick.first, pick.end, rate) + ", --select " +
                        std::to_string(FrameToSampleIndex(pick.first, span.format)) + ":" +
                        std::to_string(FrameToSampleIndex(pick.end, span.format)));
    }
    if (request.measure) {
        const LoudnessMeasurement m = MeasureLoudness(span, LoudnessFrames(span, sel));
        lines.push_back(head + (m.valid ? "Lautheit " + Decimal1(m.integrated) + " LUFS, Lautheitsumfang " +
                                              Decimal1(m.range) + " LU, Spitze " + Decimal1(m.PeakDbfs()) + " dBFS"
                                        : "Lautheit nicht messbar (kürzer als 0,4 s, still oder unter 4000 Hz)"));
    }
    if (request.dryRun) {
        const SelectionFrames f = FramesOfSelection(sel, span);
        lines.push_back(head + "Länge " + FormatClockTime(SecondsOfFrames(span.frames(), rate)) + ", " +
                        (f.whole ? "nichts ausgewählt" : "Auswahl " + Span(f.start, f.end, rate)));
        const std::string target = job.output.empty() ? "Speichern" : job.output;
        if (job.kind == OutputKind::Wave && !job.output.empty()) {
            CountingSink sink;
            WriteWaveFile(sink, span);
            lines.push_back(head + target + ": WAV, " + std::to_string(sink.bytes) + " Bytes");
        } else {
            lines.push_back(head + target + ": " +
                            Mp3Line(PredictMp3(span.format, span.frames(), job.mp3Rate, job.bitRate)));
        }
    }
    return lines;
}

std::string ReplacementWarning(const Job& job, const ClipSpan& clip) {
    if (job.kind != OutputKind::Mp3 && !job.output.empty()) return {};
    return DescribeReplacement(PredictMp3(clip.format, clip.frames(), job.mp3Rate, job.bitRate));
}

}  // namespace zirpel::cli
