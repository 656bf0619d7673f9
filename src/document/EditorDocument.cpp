#include "document/EditorDocument.h"

#include <algorithm>
#include <new>
#include <utility>

#include <unistd.h>

namespace zirpel {

std::int64_t DefaultHistoryBudget() {
    constexpr std::int64_t kFloor = std::int64_t{256} << 20;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return kFloor;
    return std::max(kFloor, std::int64_t{pages} * pageSize / 4);
}

std::int64_t EditorDocument::Step::Cost() const {
    return static_cast<std::int64_t>(sizeof(Step) + bytes.capacity() + name.capacity());
}

EditorDocument::EditorDocument(std::int64_t historyBudget) : FBudget(std::max<std::int64_t>(historyBudget, 0)) {}

void EditorDocument::SetSelection(Selection sel) {
    FSelAnchor = sel.anchor;
    FSelCaret = sel.caret;
    Notify({DocumentChange::Kind::SelectionChanged});
}

void EditorDocument::Install(Clip clip) {
    FSampleData = std::move(clip.bytes);
    FSampleSize = static_cast<std::int32_t>(FSampleData.size());
    FSampleRate = clip.format.sampleRate;
    FStereo = clip.format.stereo;
    F16Bit = clip.format.is16Bit;
    FSelAnchor = 0;
    FSelCaret = 0;
}

// Whether a step holding `bytes` would fit the budget at all.
bool EditorDocument::Keeps(std::int64_t bytes) const {
    return static_cast<std::int64_t>(sizeof(Step)) + bytes <= FBudget;
}

void EditorDocument::Record(Step step) {
    // A new step ends what could be redone.
    for (const Step& s : FRedo) FHistoryBytes -= s.Cost();
    FRedo.clear();
    if (step.Cost() > FBudget) {
        // Too large for any history: the older steps lead to a clip that is
        // no longer there, so they go too.
        ClearHistory();
        return;
    }
    FHistoryBytes += step.Cost();
    FUndo.push_back(std::move(step));
    Trim();
}

void EditorDocument::Trim() {
    while (FHistoryBytes > FBudget && !FUndo.empty()) {
        FHistoryBytes -= FUndo.front().Cost();
        FUndo.pop_front();
    }
    while (FHistoryBytes > FBudget && !FRedo.empty()) {
        FHistoryBytes -= FRedo.front().Cost();
        FRedo.pop_front();
    }
}

void EditorDocument::ClearHistory() {
    FUndo.clear();
    FRedo.clear();
    FHistoryBytes = 0;
}

void EditorDocument::SetHistoryBudget(std::int64_t bytes) {
    FBudget = std::max<std::int64_t>(bytes, 0);
    Trim();
}

void EditorDocument::Replace(Clip clip, std::string_view step) {
    Step s;
    s.kind = Step::Kind::Clip;
    s.name = step;
    s.before = CurrentSelection();
    s.format = Format();
    s.bytes = std::move(FSampleData);  // the old buffer itself, not a copy
    Install(std::move(clip));
    Record(std::move(s));
    Notify({DocumentChange::Kind::ClipReplaced});
}

EffectStatus EditorDocument::ChangeSamples(std::string_view step, FrameSpan changes, const InPlaceEffect& effect) {
    const std::int64_t n = Span().frames();
    const std::int64_t p = FrameBytes(Format());
    const auto from = static_cast<std::int32_t>(std::clamp<std::int64_t>(changes.first, 0, n) * p);
    const auto to = static_cast<std::int32_t>(std::clamp<std::int64_t>(changes.end, changes.first, n) * p);

    // The frames the effect rewrites, as they are now; none when the step
    // could not be kept anyway or there is no memory for the copy.
    bool kept = Keeps(to - from);
    Step s;
    if (kept) {
        try {
            s.bytes.assign(FSampleData.begin() + from, FSampleData.begin() + to);
        } catch (const std::bad_alloc&) {
            kept = false;
        }
    }
    const MutableClipSpan span{FSampleData.empty() ? nullptr : FSampleData.data(), FSampleSize, Format()};
    const EffectStatus status = effect(span, CurrentSelection());
    if (status != EffectStatus::Done) return status;

    if (kept) {
        s.kind = Step::Kind::Samples;
        s.name = step;
        s.before = s.after = CurrentSelection();
        s.offset = from;
        Record(std::move(s));
    } else {
        ClearHistory();
    }
    Notify({DocumentChange::Kind::SamplesChanged, from, to});
    return status;
}

EffectStatus EditorDocument::BuildClip(std::string_view step, const NewClipEffect& effect) {
    const auto build = [&](Clip& out) {
        try {
            return effect(Span(), CurrentSelection(), out);
        } catch (const std::bad_alloc&) {
            if (!CanUndo() && !CanRedo()) throw;
            return EffectStatus::OutOfMemory;
        }
    };
    Clip out;
    EffectStatus status = build(out);
    if (status == EffectStatus::OutOfMemory && (CanUndo() || CanRedo())) {
        ClearHistory();
        status = build(out);
    }
    if (status == EffectStatus::Done) Replace(std::move(out), step);
    return status;
}

void EditorDocument::SetRate(std::int32_t rate, std::string_view step) {
    Step s;
    s.kind = Step::Kind::Rate;
    s.name = step;
    s.before = s.after = CurrentSelection();
    s.format.sampleRate = FSampleRate;
    FSampleRate = rate;
    Record(std::move(s));
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

bool EditorDocument::Exchange(Step& step) {
    switch (step.kind) {
        case Step::Kind::Clip: {
            std::swap(FSampleData, step.bytes);
            FSampleSize = static_cast<std::int32_t>(FSampleData.size());
            const ClipFormat other = step.format;
            step.format = Format();
            FSampleRate = other.sampleRate;
            FStereo = other.stereo;
            F16Bit = other.is16Bit;
            return true;
        }
        case Step::Kind::Samples:
            // Steps are undone in order, so the clip is the one the step
            // left; anything else is a fault, and the history cannot be trusted.
            if (step.offset < 0 || static_cast<std::int64_t>(step.offset) + std::ssize(step.bytes) > FSampleSize) {
                ClearHistory();
                return false;
            }
            std::swap_ranges(step.bytes.begin(), step.bytes.end(), FSampleData.begin() + step.offset);
            return true;
        case Step::Kind::Rate:
            std::swap(FSampleRate, step.format.sampleRate);
            return true;
    }
    return false;
}

bool EditorDocument::StepOver(std::deque<Step>& from, std::deque<Step>& to, bool back) {
    if (from.empty()) return false;
    Step s = std::move(from.back());
    from.pop_back();
    FHistoryBytes -= s.Cost();
    if (!Exchange(s)) return false;
    const Selection sel = back ? s.before : s.after;
    FSelAnchor = sel.anchor;
    FSelCaret = sel.caret;
    FHistoryBytes += s.Cost();
    to.push_back(std::move(s));
    Notify({DocumentChange::Kind::ClipReplaced});
    return true;
}

bool EditorDocument::Undo() { return StepOver(FUndo, FRedo, true); }

bool EditorDocument::Redo() { return StepOver(FRedo, FUndo, false); }

void EditorDocument::Release() {
    ClearHistory();
    FSampleData = {};
    FSampleSize = 0;
}

}  // namespace zirpel
