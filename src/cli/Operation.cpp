#include "cli/Operation.h"

#include <new>

#include "effects/FieldText.h"

namespace zirpel::cli {

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
    op = {};
    op.kind = Operation::Kind::Effect;
    op.effect = effect;
    op.parameter = std::string(value);
    op.argument = *argument;
    return WordStatus::Operation;
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
