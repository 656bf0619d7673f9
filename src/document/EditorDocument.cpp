#include "document/EditorDocument.h"

#include <utility>

namespace zirpel {

void EditorDocument::SetSelection(Selection sel) {
    FSelAnchor = sel.anchor;
    FSelCaret = sel.caret;
    Notify({DocumentChange::Kind::SelectionChanged});
}

void EditorDocument::Install(Clip clip) {
    // The new bytes are complete before the old ones go.
    FSampleData = std::move(clip.bytes);
    FSampleSize = static_cast<std::int32_t>(FSampleData.size());
    FSampleRate = clip.format.sampleRate;
    FStereo = clip.format.stereo;
    F16Bit = clip.format.is16Bit;
    FSelAnchor = 0;
    FSelCaret = 0;
}

void EditorDocument::Replace(Clip clip, std::string_view) {
    Install(std::move(clip));
    Notify({DocumentChange::Kind::ClipReplaced});
}

EffectStatus EditorDocument::ChangeSamples(std::string_view, FrameSpan changes, const InPlaceEffect& effect) {
    const MutableClipSpan span{FSampleData.empty() ? nullptr : FSampleData.data(), FSampleSize, Format()};
    const EffectStatus status = effect(span, CurrentSelection());
    if (status != EffectStatus::Done) return status;
    const std::int64_t p = FrameBytes(Format());
    DocumentChange change{DocumentChange::Kind::SamplesChanged};
    if (!changes.empty()) {
        change.from = static_cast<std::int32_t>(changes.first * p);
        change.to = static_cast<std::int32_t>(changes.end * p);
    }
    Notify(change);
    return status;
}

EffectStatus EditorDocument::BuildClip(std::string_view step, const NewClipEffect& effect) {
    Clip out;
    const EffectStatus status = effect(Span(), CurrentSelection(), out);
    if (status == EffectStatus::Done) Replace(std::move(out), step);
    return status;
}

void EditorDocument::SetRate(std::int32_t rate, std::string_view) {
    FSampleRate = rate;
    Notify({DocumentChange::Kind::RateChanged});
}

EffectStatus EditorDocument::Apply(const EffectEntry& effect, const EffectArgument& argument) {
    const std::string_view step = effect.StepName();
    switch (effect.kind) {
        case EffectKind::InPlace:
            return ChangeSamples(step, effect.changes(Span(), CurrentSelection(), argument),
                                 [&](MutableClipSpan clip, const Selection& sel) {
                                     return effect.inPlace(clip, sel, argument);
                                 });
        case EffectKind::NewClip:
            return BuildClip(step, [&](ClipSpan in, const Selection& sel, Clip& out) {
                return effect.newClip(in, sel, argument, out);
            });
        case EffectKind::Rate:
            SetRate(effect.rate(FSampleRate), step);
            return EffectStatus::Done;
    }
    return EffectStatus::Unchanged;
}

void EditorDocument::Release() {
    FSampleData = {};
    FSampleSize = 0;
}

}  // namespace zirpel
