// The selection and the three ways commands read it.
//
// The selection is two sample indices: the anchor (where the mouse went
// down) and the caret (where it is now). Equal ends mean nothing is
// selected. Crop and cut, playback and the effects each turn it into a range
// by rules of their own, which differ on purpose (signed or unsigned
// comparison, clamping before or after halving, what "nothing selected"
// means); keeping them side by side here makes the differences visible.
#pragma once

#include <cstdint>
#include <optional>

#include "clip/Clip.h"
#include "clip/ClipFormat.h"

namespace zirpel {

struct Selection {
    std::int32_t anchor = 0;
    std::int32_t caret = 0;
    bool empty() const { return anchor == caret; }
};

// A half-open byte range [from, to) of the clip.
struct ByteRange {
    std::int32_t from = 0;
    std::int32_t to = 0;
    std::int32_t Length() const { return to - from; }
};

// Crop and cut: the selected bytes, or nullopt when nothing is selected (the
// command then does nothing). The ends are ordered as unsigned values,
// clamped to the clip's sample index count and, for stereo, rounded down to
// whole frames; the range may come out empty. Always inside 0..size.
std::optional<ByteRange> SelectedBytes(const Selection& sel, std::int32_t size, const ClipFormat& f);

// The selected bytes as a new clip of the same format (crop result). The
// range is clamped to the clip. Throws std::bad_alloc without memory.
Clip CropBytes(const ClipSpan& clip, ByteRange r);

// Everything except the selected bytes (cut result). The range is clamped
// to the clip. Throws std::bad_alloc without memory.
Clip CutBytes(const ClipSpan& clip, ByteRange r);

// Frames [start, end) of a play. Nothing selected plays all `frames`;
// otherwise the ends are ordered as signed values and halved for stereo.
// Not clamped: the play loop plays silence for frames past the clip.
struct FrameRange {
    std::int32_t start = 0;
    std::int32_t end = 0;
};
FrameRange PlayFrames(const Selection& sel, std::int32_t frames, const ClipFormat& f);

// Frames lo..hi an effect works on, as unsigned 32-bit values. Nothing
// selected gives 0..n; otherwise the ends are ordered as unsigned values,
// halved for stereo, and only then each limited to at most n. Several
// effects also touch frame hi itself when hi < n.
struct EffectRange {
    std::uint32_t lo = 0;
    std::uint32_t hi = 0;
};
EffectRange EffectFrames(const Selection& sel, std::int32_t frames, const ClipFormat& f);

// The frames [first, end) an in-place effect rewrites; nothing when end <= first.
struct FrameSpan {
    std::int64_t first = 0;
    std::int64_t end = 0;
    bool empty() const { return end <= first; }
};

}  // namespace zirpel
