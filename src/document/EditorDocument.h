// The one audio clip the editor works on, its selection, every change made
// to them, and the history that undoes and redoes those changes.
//
// The window and the command line each hold one EditorDocument. Its fields
// are the clip as the program has always described it (FSampleData,
// FSampleSize, FSampleRate, FStereo, F16Bit) and the selection (FSelAnchor,
// FSelCaret); anyone may read them, and they change only through the
// operations below, each of which reports what it changed to the one
// listener. The window turns the report into zoom, scroll range and
// drawing; the command line has no listener and keeps no history.
//
// History. Every change of the clip is one step, named after the command
// ("Weich ausblenden"). A step keeps only what it needs to go back: a new
// clip keeps the old buffer itself (moved, not copied), an in-place effect
// a copy of the frames it rewrites, a rate change the old rate. Undo and
// redo exchange that with the document, so they copy no clip and allocate
// nothing. The steps together stay within a budget: the oldest go first,
// and a step larger than the whole budget empties the history (the change
// itself still happens). Moving the selection is no step.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "clip/Clip.h"
#include "clip/Selection.h"
#include "effects/EffectStatus.h"
#include "effects/EffectTable.h"

namespace zirpel {

// What one operation changed.
struct DocumentChange {
    enum class Kind {
        // A new clip is installed, or undo/redo put one back (its selection
        // set as well): whatever depends on the clip's length follows, then
        // the view is redrawn.
        ClipReplaced,
        // Bytes [from, to) were rewritten in place; size, format and
        // selection are as they were.
        SamplesChanged,
        // Only the selection moved.
        SelectionChanged,
        // Only FSampleRate changed: nothing on screen depends on it.
        RateChanged,
    };
    Kind kind = Kind::ClipReplaced;
    std::int32_t from = 0;  // SamplesChanged: the bytes rewritten
    std::int32_t to = 0;
};

// A quarter of the physical memory, at least 256 MiB.
std::int64_t DefaultHistoryBudget();

class EditorDocument {
public:
    // Called after each change, with the fields already in their new state.
    using Listener = std::function<void(const DocumentChange&)>;
    using InPlaceEffect = std::function<EffectStatus(MutableClipSpan, const Selection&)>;
    using NewClipEffect = std::function<EffectStatus(ClipSpan, const Selection&, Clip& out)>;

    // A budget of 0 keeps no history at all.
    explicit EditorDocument(std::int64_t historyBudget = DefaultHistoryBudget());
    EditorDocument(const EditorDocument&) = delete;
    EditorDocument& operator=(const EditorDocument&) = delete;

    void SetListener(Listener listener) { FListener = std::move(listener); }

    // ---- reading ----
    const std::vector<std::uint8_t>& SampleData() const { return FSampleData; }
    std::int32_t SampleSize() const { return FSampleSize; }
    std::int32_t SampleRate() const { return FSampleRate; }
    bool Stereo() const { return FStereo; }
    bool Is16Bit() const { return F16Bit; }
    std::int32_t SelAnchor() const { return FSelAnchor; }
    std::int32_t SelCaret() const { return FSelCaret; }
    ClipFormat Format() const { return {FSampleRate, FStereo, F16Bit}; }
    Selection CurrentSelection() const { return {FSelAnchor, FSelCaret}; }
    // The clip as one value; valid until the next change.
    ClipSpan Span() const { return {FSampleData.empty() ? nullptr : FSampleData.data(), FSampleSize, Format()}; }
    std::int32_t SampleIndexCount() const { return zirpel::SampleIndexCount(FSampleSize, Format()); }

    // ---- changing ----
    // `step` names the change as the user knows the command.

    // Moves the selection (anchor first, then caret). No step.
    void SetSelection(Selection sel);

    // Installs `clip`: the old bytes go (into the history), anchor and then
    // caret become 0.
    void Replace(Clip clip, std::string_view step);

    // Runs `effect` on the bytes in place; `changes` are the frames it may
    // write (the history keeps a copy of exactly those). On Done the
    // listener hears SamplesChanged for them; any other status means the
    // effect changed nothing, and nothing is reported or kept.
    EffectStatus ChangeSamples(std::string_view step, FrameSpan changes, const InPlaceEffect& effect);

    // Lets `effect` build a new clip from the current one; on Done it is
    // installed as Replace does. Unchanged and the errors keep the clip. A
    // clip that cannot be had for lack of memory is tried once more after
    // the history has given its memory back.
    EffectStatus BuildClip(std::string_view step, const NewClipEffect& effect);

    // Sets FSampleRate alone.
    void SetRate(std::int32_t rate, std::string_view step);

    // Runs one row of the effect table with its argument, named by the
    // row's caption.
    EffectStatus Apply(const EffectEntry& effect, const EffectArgument& argument);

    // ---- history ----
    bool CanUndo() const { return !FUndo.empty(); }
    bool CanRedo() const { return !FRedo.empty(); }
    // The step the next Undo / Redo goes over; empty when there is none.
    std::string_view UndoName() const { return FUndo.empty() ? std::string_view{} : FUndo.back().name; }
    std::string_view RedoName() const { return FRedo.empty() ? std::string_view{} : FRedo.back().name; }
    // Puts the clip, its format and rate and the selection back as they
    // were before the last step; the listener hears ClipReplaced. False
    // when there is nothing to undo.
    bool Undo();
    // Puts the result of the last undone step back (not computed again).
    bool Redo();
    std::size_t UndoCount() const { return FUndo.size(); }
    std::size_t RedoCount() const { return FRedo.size(); }
    // Bytes the steps hold, and the most they may hold.
    std::int64_t HistoryBytes() const { return FHistoryBytes; }
    std::int64_t HistoryBudget() const { return FBudget; }
    // A smaller budget drops the oldest steps at once.
    void SetHistoryBudget(std::int64_t bytes);
    void ClearHistory();

    // Frees the clip and the history without reporting it (the window is
    // going away).
    void Release();

private:
    // What to exchange with the document to step over one change.
    struct Step {
        enum class Kind { Clip, Samples, Rate };
        Kind kind = Kind::Clip;
        std::string name;
        Selection before, after;          // the selection on either side
        std::vector<std::uint8_t> bytes;  // Clip: the other clip; Samples: the other bytes
        ClipFormat format;                // Clip: the other format; Rate: the other rate
        std::int32_t offset = 0;          // Samples: where the bytes go
        std::int64_t Cost() const;
    };

    void Notify(const DocumentChange& change) const {
        if (FListener) FListener(change);
    }
    void Install(Clip clip);
    void Record(Step step);
    bool Keeps(std::int64_t bytes) const;
    void Trim();
    // Swaps the step's side with the document's; false (and the history
    // emptied) if the step does not fit the clip.
    bool Exchange(Step& step);
    // Takes the last step of `from` over to `to`, with the selection of the
    // side it arrives at (before the step when going back).
    bool StepOver(std::deque<Step>& from, std::deque<Step>& to, bool back);

    // ---- the clip ----
    std::vector<std::uint8_t> FSampleData;  // interleaved PCM bytes
    std::int32_t FSampleSize = 0;           // always FSampleData.size()
    std::int32_t FSampleRate = 0;
    bool FStereo = false;
    bool F16Bit = false;
    // ---- the selection (sample indices) ----
    std::int32_t FSelCaret = 0;
    std::int32_t FSelAnchor = 0;

    // ---- the history ----
    std::deque<Step> FUndo;  // oldest first
    std::deque<Step> FRedo;  // the next redo last
    std::int64_t FHistoryBytes = 0;
    std::int64_t FBudget = 0;

    Listener FListener;
};

}  // namespace zirpel
