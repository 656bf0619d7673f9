// libFuzzer target: the command line's reader over an arbitrary argument
// vector (the input split at zero bytes), then every step it accepted run
// on a small clip, as `zirpel` would. The reader must answer every vector
// with a request or a usage message; an accepted request holds only values
// the program offers, and no accepted step may leave the clip's limits.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/Operation.h"
#include "cli/SelectSpec.h"
#include "clip/Clip.h"
#include "document/EditorDocument.h"
#include "export/Mp3Lists.h"

using namespace zirpel;
using namespace zirpel::cli;

namespace {

std::vector<std::string> Words(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> words(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) words.emplace_back();
        else words.back().push_back(static_cast<char>(data[i]));
    }
    if (words.back().empty()) words.pop_back();
    return words;
}

bool Before(const std::vector<std::string>& args, std::initializer_list<const char*> names) {
    for (const std::string& a : args) {
        if (a == "--") return false;
        for (const char* n : names)
            if (a == n) return true;
    }
    return false;
}

// 100 frames of an 8-bit stereo ramp at 8000 Hz (format= makes 16-bit ones).
Clip SmallClip() {
    Clip clip{std::vector<std::uint8_t>(200), {8000, true, false}};
    for (std::size_t i = 0; i < clip.bytes.size(); ++i) clip.bytes[i] = static_cast<std::uint8_t>(i * 37);
    return clip;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> args = Words(data, size);
    const ParsedCommandLine parsed = ParseCommandLine(args);
    const CliRequest& r = parsed.request;

    if (Before(args, {"-h", "--help"})) {
        if (!parsed.ok() || r.action != CliRequest::Action::Help) std::abort();
        return 0;
    }
    if (Before(args, {"--version"})) {
        if (!parsed.ok() || r.action != CliRequest::Action::Version) std::abort();
        return 0;
    }
    if (!parsed.ok()) return 0;
    if (r.action != CliRequest::Action::Run) std::abort();
    if (!IsOfferedMp3Rate(r.mp3Rate) || !IsOfferedBitRate(r.bitRate)) std::abort();
    for (const std::string& in : r.inputs)
        if (std::find(args.begin(), args.end(), in) == args.end()) std::abort();

    // The accepted steps on a small clip; a few suffice to combine them, and
    // the clip stays small (the speed steps alone change only the rate).
    EditorDocument doc;
    doc.Replace(SmallClip(), "Öffnen");
    std::size_t steps = 0;
    for (const Operation& op : r.operations) {
        if (op.kind == Operation::Kind::Effect && op.effect == nullptr) std::abort();
        // These take no value and scale through a table of every sample
        // value: on a small clip they would spend the run on nothing the
        // command line decides.
        if (op.kind == Operation::Kind::Effect &&
            (op.effect->name == "maximize" || op.effect->name == "louder" || op.effect->name == "quieter"))
            continue;
        if (++steps > 6) break;
        // A time too large for the type reads as infinite and is held at the
        // clip's end; it is never "not a number".
        if (op.kind == Operation::Kind::Select)
            for (const SelectEnd* end : {&op.select.anchor, &op.select.caret})
                if (end->inSeconds && std::isnan(end->seconds)) std::abort();
        ApplyOperation(op, doc);
        const std::int64_t indices = doc.Span().indices();
        const Selection sel = doc.CurrentSelection();
        if (doc.SampleData().size() != static_cast<std::size_t>(doc.SampleSize())) std::abort();
        if (doc.SampleRate() < 1) std::abort();
        if (sel.anchor < 0 && !(indices == 0 && sel.anchor == -1)) std::abort();
        if (std::max(sel.anchor, sel.caret) > indices) std::abort();
    }
    return 0;
}
