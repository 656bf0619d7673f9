#include "cli/CommandLine.h"

#include <string_view>

#include "view/SelectionTime.h"

namespace zirpel::cli {
namespace {

// The most files -j / --jobs lets run at once.
constexpr std::int32_t kMaxJobs = 256;

// A whole number of plain digits, as the lists' items are written.
std::optional<std::int32_t> ParseListValue(std::string_view t) {
    if (t.empty() || t.size() > 6) return std::nullopt;
    std::int32_t v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::string Quoted(std::string_view s) { return "„" + std::string(s) + "“"; }

class Reader {
public:
    explicit Reader(const std::vector<std::string>& args) : args_(args) {}

    ParsedCommandLine Run() {
        for (const std::string& a : args_) {
            if (a == "--") break;
            if (a == "-h" || a == "--help") return Action(CliRequest::Action::Help);
        }
        for (const std::string& a : args_) {
            if (a == "--") break;
            if (a == "--version") return Action(CliRequest::Action::Version);
        }
        bool filesOnly = false;
        for (i_ = 0; i_ < args_.size() && error_.empty(); ++i_) {
            const std::string& a = args_[i_];
            if (filesOnly) {
                r_.inputs.push_back(a);
            } else if (a == "--") {
                filesOnly = true;
            } else if (a.size() > 1 && a[0] == '-') {
                Option(a);
            } else {
                Word(a);
            }
        }
        // "--select suggest" picks as long as --suggest says, wherever it stands.
        for (Operation& op : r_.operations)
            if (op.kind == Operation::Kind::Select) op.select.suggestSeconds = r_.suggestSeconds;
        return {std::move(r_), std::move(error_)};
    }

private:
    ParsedCommandLine Action(CliRequest::Action action) {
        ParsedCommandLine p;
        p.request.action = action;
        return p;
    }

    // The value of an option: "--name=value" or the next word.
    std::optional<std::string> Value(const std::string& a, std::string_view name) {
        if (a.size() > name.size() && a[name.size()] == '=') return a.substr(name.size() + 1);
        if (i_ + 1 >= args_.size()) {
            error_ = "Option " + std::string(name) + " braucht einen Wert";
            return std::nullopt;
        }
        return args_[++i_];
    }

    static bool Is(const std::string& a, std::string_view name) {
        return a.compare(0, name.size(), name) == 0 && (a.size() == name.size() || a[name.size()] == '=');
    }

    void Option(const std::string& a) {
        if (a == "-o" || Is(a, "--output")) {
            const auto v = Value(a, a == "-o" ? "-o" : "--output");
            if (!v) return;
            if (!r_.output.empty()) error_ = "-o darf nur einmal stehen";
            else if (v->empty()) error_ = "leerer Name für -o";
            else r_.output = *v;
        } else if (Is(a, "--out-dir")) {
            const auto v = Value(a, "--out-dir");
            if (!v) return;
            if (!r_.outDir.empty()) error_ = "--out-dir darf nur einmal stehen";
            else if (v->empty()) error_ = "leerer Name für --out-dir";
            else r_.outDir = *v;
        } else if (Is(a, "--select")) {
            const auto v = Value(a, "--select");
            if (!v) return;
            const auto spec = ParseSelectSpec(*v);
            if (!spec) {
                error_ = "ungültige Auswahl " + Quoted(*v) +
                         " (erwartet A:C, START+LÄNGE oder suggest, z. B. 100:2000, 4.5s:34.5s, 45s+30s)";
                return;
            }
            Operation op;
            op.kind = Operation::Kind::Select;
            op.select = *spec;
            r_.operations.push_back(op);
        } else if (Is(a, "--rate")) {
            const auto v = Value(a, "--rate");
            if (!v) return;
            const auto hz = ParseListValue(*v);
            if (!hz || !IsOfferedMp3Rate(*hz)) {
                error_ = "--rate " + Quoted(*v) +
                         ": erlaubt sind 48000, 44100, 32000, 24000, 22050, 16000, 11025";
                return;
            }
            r_.mp3Rate = *hz;
            r_.rateGiven = true;
        } else if (Is(a, "--bitrate")) {
            const auto v = Value(a, "--bitrate");
            if (!v) return;
            const auto kbps = ParseListValue(*v);
            if (!kbps || !IsOfferedBitRate(*kbps)) {
                error_ = "--bitrate " + Quoted(*v) +
                         ": erlaubt sind 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160";
                return;
            }
            r_.bitRate = *kbps;
            r_.bitRateGiven = true;
        } else if (Is(a, "--suggest")) {
            const auto v = Value(a, "--suggest");
            if (!v) return;
            const auto end = ParseSelectEnd(*v);
            const Extended seconds = !end ? 0 : end->inSeconds ? end->seconds : end->index;
            if (!end || !(seconds > 0) || seconds > 24 * 3600) {
                error_ = "--suggest " + Quoted(*v) + ": erwartet eine Länge wie 30s oder 0:40";
                return;
            }
            r_.suggest = true;
            r_.suggestSeconds = static_cast<double>(seconds);
        } else if (a == "--dry-run") {
            r_.dryRun = true;
        } else if (a == "--measure") {
            r_.measure = true;
        } else if (a == "--ringtone") {
            r_.ringtone = true;
        } else if (a == "--wav" || a == "--mp3" || a == "--ogg") {
            const OutputKind kind = a == "--wav"   ? OutputKind::Wave
                                    : a == "--mp3" ? OutputKind::Mp3
                                                   : OutputKind::OggVorbis;
            if (r_.outDirKind && *r_.outDirKind != kind) error_ = "--wav, --mp3 und --ogg schließen sich aus";
            r_.outDirKind = kind;
        } else if (a == "--dither") {
            r_.dither = true;
        } else if (a == "-q" || a == "--quiet") {
            r_.quiet = true;
        } else if (a == "-j" || Is(a, "--jobs")) {
            const auto v = Value(a, a == "-j" ? "-j" : "--jobs");
            if (!v) return;
            const auto n = ParseListValue(*v);
            if (!n || *n < 1 || *n > kMaxJobs) {
                error_ = std::string(a == "-j" ? "-j" : "--jobs") + " " + Quoted(*v) +
                         ": erwartet eine Zahl von 1 bis " + std::to_string(kMaxJobs);
                return;
            }
            r_.jobs = *n;
        } else {
            error_ = "unbekannte Option " + Quoted(a);
        }
    }

    void Word(const std::string& a) {
        Operation op;
        switch (ParseOperationWord(a, op)) {
            case WordStatus::Operation: r_.operations.push_back(std::move(op)); return;
            case WordStatus::NotAnOperation: r_.inputs.push_back(a); return;
            case WordStatus::MissingValue:
                error_ = Quoted(a) + " braucht einen Wert (" + a + "=...)";
                return;
            case WordStatus::UnexpectedValue:
                error_ = Quoted(a.substr(0, a.find('='))) + " nimmt keinen Wert";
                return;
            case WordStatus::BadValue:
                error_ = "ungültiger Wert in " + Quoted(a);
                return;
            case WordStatus::OutOfRange:
                error_ = Quoted(a) + ": " + OutOfRangeText(a);
                return;
        }
    }

    const std::vector<std::string>& args_;
    std::size_t i_ = 0;
    CliRequest r_;
    std::string error_;
};

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) { return Reader(args).Run(); }

}  // namespace zirpel::cli
