#include "cli/Operation.h"

#include <cstdio>
#include <new>

#include "clip/DecimalText.h"
#include "effects/FieldText.h"

namespace zirpel::cli {
namespace {

// The rate of "mono|stereo,8|16,RATE".
std::string_view RateOf(std::string_view format) { return format.substr(format.rfind(',') + 1); }

// Whether a well-formed value lies within the row's limits.
bool WithinLimits(const EffectEntry& effect, std::string_view value) {
    if (effect.parameter == EffectParameter::Time) {
        const Extended seconds = ParseSecondsText(value).value_or(effect.time.min);
        return seconds >= effect.time.min && seconds <= effect.time.max;
    }
    if (effect.parameter == EffectParameter::Loudness) {
        const auto lufs = ParseDecimalText(value);
        return lufs && *lufs >= kMinLoudnessTarget && *lufs <= kMaxLoudnessTarget;
    }
    if (effect.parameter != EffectParameter::Format) return true;
    const std::int64_t rate = ParseWholeText(RateOf(value)).value_or(kMinRate);
    return rate >= kMinRate && rate <= kMaxRate;
}

// Seconds as the help writes them: "0,000001", "100".
std::string SecondsText(Extended seconds) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6Lf", seconds);
    std::string t = buf;
    while (t.back() == '0') t.pop_back();
    if (t.back() == '.') t.pop_back();
    for (char& ch : t)
        if (ch == '.') ch = ',';
    return t;
}

}  // namespace

WordStatus ParseOperationWord(std::string_view word, Operation& op) {
    const std::size_t eq = word.find('=');
    const std::string_view name = word.substr(0, eq);
    const bool hasValue = eq != std::string_view::npos;
    const std::string_view value = hasValue ? word.substr(eq + 1) : std::string_view{};

    const EffectEntry* effect = FindEffect(name);
    if (effect == nullptr) return WordStatus::NotAnOperation;
    const bool takesValue = effect->parameter != EffectParameter::None;
    if (takesValue && !hasValue) return WordStatus::MissingValue;
    if (!takesValue && hasValue) return WordStatus::UnexpectedValue;
    const std::optional<EffectArgument> argument = ReadEffectArgument(*effect, value);
    // The time field would silently read a typo as its shortest time: here
    // a time must be a number.
    if (!argument || (effect->parameter == EffectParameter::Time && !ParseSecondsText(value)))
        return WordStatus::BadValue;
    if (!WithinLimits(*effect, value)) return WordStatus::OutOfRange;
    op = {};
    op.kind = Operation::Kind::Effect;
    op.effect = effect;
    op.parameter = std::string(value);
    op.argument = *argument;
    return WordStatus::Operation;
}

std::string OutOfRangeText(std::string_view word) {
    const std::size_t eq = word.find('=');
    const EffectEntry* effect = FindEffect(word.substr(0, eq));
    const std::string_view value = word.substr(eq + 1);
    if (effect != nullptr && effect->parameter == EffectParameter::Loudness)
        return "die Lautheit " + std::string(value) + " liegt nicht zwischen -60 und 0 LUFS";
    if (effect == nullptr || effect->parameter == EffectParameter::Format)
        return "die Samplerate " + std::string(RateOf(value)) + " liegt nicht zwischen " +
               std::to_string(kMinRate) + " und " + std::to_string(kMaxRate) + " Hz";
    return "die Zeit " + std::string(value) + " liegt nicht zwischen " + SecondsText(effect->time.min) +
           " und " + SecondsText(effect->time.max) + " Sekunden";
}

EffectStatus ApplyOperation(const Operation& op, EditorDocument& doc) {
    if (op.kind == Operation::Kind::Select) {
        doc.SetSelection(ResolveSelection(op.select, doc.Span()));
        return EffectStatus::Done;
    }
    try {
        return doc.Apply(*op.effect, op.argument);
    } catch (const std::bad_alloc&) {
        return EffectStatus::OutOfMemory;
    }
}

}  // namespace zirpel::cli
