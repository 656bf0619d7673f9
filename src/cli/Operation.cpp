#include "cli/Operation.h"

#include <new>

#include "effects/FieldText.h"
#include "view/Selection.h"

namespace zirpel::cli {
namespace {

// Whether the effect accepts `param`. The time is checked here because the
// time field would silently read a typo as its shortest time; the format
// is checked by the effect itself, which refuses malformed text before it
// looks at the clip.
bool AcceptsParameter(const EffectEntry& effect, std::string_view param) {
    if (effect.name != "format" && effect.name != "loudness") return ParseTimeText(param).has_value();
    Clip probe;
    Selection none;
    return effect.apply(probe, none, param) != EffectStatus::BadParameter;
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
    if (hasValue && !AcceptsParameter(*effect, value)) return WordStatus::BadValue;
    op = {};
    op.kind = Operation::Kind::Effect;
    op.effect = effect;
    op.parameter = std::string(value);
    return WordStatus::Operation;
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
