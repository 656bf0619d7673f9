// The one audio clip the editor works on, its selection, and every change
// made to them.
//
// The window and the command line each hold one EditorDocument. Its fields
// are the clip as the program has always described it (FSampleData,
// FSampleSize, FSampleRate, FStereo, F16Bit) and the selection (FSelAnchor,
// FSelCaret); anyone may read them, and they change only through the
// operations below, each of which reports what it changed to the one
// listener. The window turns the report into zoom, scroll range and
// drawing; the command line has no listener.
#pragma once

#include <cstdint>
#include <functional>
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
        // A new clip is installed (its selection set as well): whatever
        // depends on the clip's length follows, then the view is redrawn.
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

class EditorDocument {
public:
    using Listener = std::function<void(const DocumentChange&)>;
    // Called after each change, with the fields already in their new state.
    using InPlaceEffect = std::function<EffectStatus(MutableClipSpan, const Selection&)>;
    using NewClipEffect = std::function<EffectStatus(ClipSpan, const Selection&, Clip& out)>;

    EditorDocument() = default;
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
    // `step` names the change as the user knows the command ("Weich
    // ausblenden"); it is what undo will call it.

    // Moves the selection (anchor first, then caret).
    void SetSelection(Selection sel);

    // Installs `clip`: the old bytes go, anchor and then caret become 0.
    void Replace(Clip clip, std::string_view step);

    // Runs `effect` on the bytes in place; `changes` are the frames it may
    // write. On Done the listener hears SamplesChanged for them; on any
    // other status the effect has changed nothing and nothing is reported.
    EffectStatus ChangeSamples(std::string_view step, FrameSpan changes, const InPlaceEffect& effect);

    // Lets `effect` build a new clip from the current one; on Done it is
    // installed as Replace does. Unchanged and the errors keep the clip.
    EffectStatus BuildClip(std::string_view step, const NewClipEffect& effect);

    // Sets FSampleRate alone.
    void SetRate(std::int32_t rate, std::string_view step);

    // Runs one row of the effect table with its argument, named by the
    // row's caption.
    EffectStatus Apply(const EffectEntry& effect, const EffectArgument& argument);

    // Frees the clip without reporting it (the window is going away).
    void Release();

private:
    void Notify(const DocumentChange& change) const {
        if (FListener) FListener(change);
    }
    void Install(Clip clip);

    // ---- the clip ----
    std::vector<std::uint8_t> FSampleData;  // interleaved PCM bytes
    std::int32_t FSampleSize = 0;           // always FSampleData.size()
    std::int32_t FSampleRate = 0;
    bool FStereo = false;
    bool F16Bit = false;
    // ---- the selection (sample indices) ----
    std::int32_t FSelCaret = 0;
    std::int32_t FSelAnchor = 0;

    Listener FListener;
};

}  // namespace zirpel
