#include "cli/Operation.h"

#include <new>

#include "effects/FieldText.h"
#include "view/Selection.h"

namespace zirpel::cli {
namespace {

// The rate of "mono|stereo,8|16,RATE".
std::string_view RateOf(std::string_view format) { return format.substr(format.rfind(',') + 1); }

// How the effect takes `param`. The time is checked here because the time
// field would silently read a typo as its shortest time; the format is
// checked by the effect itself, which refuses malformed text before it
// looks at the clip.
WordStatus CheckParameter(const EffectEntry& effect, std::string_view param) {
    if (effect.name != "format") {
        const std::optional<Extended> seconds = ParseSecondsText(param);
        if (!seconds) return WordStatus::BadValue;
        return *seconds < kMinTime || *seconds > kMaxTime ? WordStatus::OutOfRange : WordStatus::Operation;
    }
    Clip probe;
    Selection none;
    if (effect.apply(probe, none, param) == EffectStatus::BadParameter) return WordStatus::BadValue;
    const std::int64_t rate = ParseWholeText(RateOf(param)).value_or(kMinRate);
    return rate < kMinRate || rate > kMaxRate ? WordStatus::OutOfRange : WordStatus::Operation;
}

}  // namespace

WordStatus ParseOperationWord(std::string_view word, Operation& op) {
    const std::size_t eq = word.find('=');
    const std::string_view name = word.substr(0, eq);
    const bool hasValue = eq != std::string_view::npos;
    const std::string_view value = hasValue ? word.substr(eq + 1) : std::string_view{};

    if (name == "crop" || name == "cut") {
        if (hasValue) return WordStatus::UnexpectedValue;
        op = {};
        op.kind = name == "crop" ? Operation::Kind::Crop : Operation::Kind::Cut;
        return WordStatus::Operation;
    }
    const EffectEntry* effect = FindEffect(name);
    if (effect == nullptr) return WordStatus::NotAnOperation;
    if (effect->takesParameter && !hasValue) return WordStatus::MissingValue;
    if (!effect->takesParameter && hasValue) return WordStatus::UnexpectedValue;
    if (hasValue) {
        const WordStatus checked = CheckParameter(*effect, value);
        if (checked != WordStatus::Operation) return checked;
    }
    op = {};
    op.kind = Operation::Kind::Effect;
    op.effect = effect;
    op.parameter = std::string(value);
    return WordStatus::Operation;
}

std::string OutOfRangeText(std::string_view word) {
    const std::string_view name = word.substr(0, word.find('='));
    const std::string_view value = word.substr(word.find('=') + 1);
    if (name == "format")
        return "die Samplerate " + std::string(RateOf(value)) + " liegt nicht zwischen 1 und 200000 Hz";
    return "die Zeit " + std::string(value) + " liegt nicht zwischen 0,000001 und 100 Sekunden";
}

EffectStatus ApplyOperation(const Operation& op, Clip& clip, Selection& sel) {
    switch (op.kind) {
        case Operation::Kind::Select:
            sel = ResolveSelection(op.select, clip.span());
            return EffectStatus::Done;
        case Operation::Kind::Crop:
        case Operation::Kind::Cut: {
            const auto range = SelectedBytes(sel, clip.size(), clip.format);
            if (!range) return EffectStatus::Unchanged;
            try {
                clip = op.kind == Operation::Kind::Crop ? CropBytes(clip.span(), *range)
                                                        : CutBytes(clip.span(), *range);
            } catch (const std::bad_alloc&) {
                return EffectStatus::OutOfMemory;
            }
            sel = {0, 0};
            return EffectStatus::Done;
        }
        case Operation::Kind::Effect:
            return op.effect->apply(clip, sel, op.parameter);
    }
    return EffectStatus::Unchanged;
}

}  // namespace zirpel::cli
