// Times of the selection: reading a time as the user types it, showing one,
// and turning times into sample indices. The exact-selection dialog and the
// command line's `--select` both go through SampleIndexAtTime, so the same
// text selects the same samples in either.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "clip/Clip.h"
#include "clip/Extended.h"
#include "clip/Selection.h"

namespace zirpel {

// Seconds as typed: "83,45", "83.45", "1e1", or minutes and seconds
// "1:23,450" / "1:23.45" / "01:05" (seconds below 60 after a colon). Blanks
// around are allowed; a sign only before plain seconds. nullopt otherwise.
std::optional<Extended> ParseClockTime(std::string_view text);

// "m:ss,mmm" ("0:05,250", "12:00,000"), rounded to the millisecond (half
// away from zero); negative and NaN times show as "0:00,000".
std::string FormatClockTime(Extended seconds);

// Seconds with three decimals and a decimal comma: "30,000".
std::string FormatSeconds(Extended seconds);

// The sample index where `seconds` falls: frame trunc(seconds x rate),
// formed in extended precision, as that frame's first index (twice the
// frame in stereo). Not limited to a clip; an infinite or huge time is held
// at +/- 2^40 frames, NaN (an infinite time at 0 Hz) gives 0.
std::int64_t SampleIndexAtTime(Extended seconds, const ClipFormat& format);

// The clip's last whole-frame boundary as a sample index: frames x channels.
std::int32_t EndSampleIndex(const ClipSpan& clip);

// The selection from `start` for `length` seconds: the anchor at
// SampleIndexAtTime(start), the caret that many frames further
// (SampleIndexAtTime(length) added), both held within 0..EndSampleIndex, so
// a selection may reach the clip's last frame. A negative length selects
// backwards from the start.
Selection SelectionFromTimes(Extended start, Extended length, const ClipSpan& clip);

// Both ends held within 0..EndSampleIndex (what SelectionFromTimes does
// with its two indices).
Selection HeldSelection(std::int64_t anchor, std::int64_t caret, const ClipSpan& clip);

// The frames a selection covers, as the edits round it: min/max of the two
// ends, halved for stereo, held within the clip. Nothing selected: the
// whole clip.
struct SelectionFrames {
    std::int64_t start = 0;
    std::int64_t end = 0;  // exclusive
    bool whole = true;     // nothing was selected
};
SelectionFrames FramesOfSelection(const Selection& sel, const ClipSpan& clip);

// Seconds of a frame position at the clip's rate (0 at 0 Hz).
Extended SecondsOfFrames(std::int64_t frames, std::int32_t rate);

}  // namespace zirpel
