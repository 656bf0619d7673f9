// The suggested ringtone pick: the stretch of a given length where the clip
// is loudest (by its short-term loudness), its two ends moved to the
// quietest point nearby so the cut does not land in the middle of a note.
#pragma once

#include <cstdint>

#include "clip/Clip.h"
#include "clip/Extended.h"
#include "effects/Loudness.h"

namespace zirpel {

inline constexpr double kDefaultPickSeconds = 30.0;
inline constexpr double kPickEndReach = 0.25;  // seconds an end may move

// Frames [start, end) of the pick. A clip not longer than `seconds` (or one
// the meter cannot read) gives the whole clip. The window slides in 0.1 s
// steps; its score is the mean energy of the 3 s short-term loudness
// windows that lie inside it. Each end then moves, within kPickEndReach, to
// the 10 ms stretch of least energy (the nearest of equal ones).
FrameSpan SuggestPick(const ClipSpan& clip, double seconds);

// The frame within [frame - reach, frame + reach] (held within the clip)
// that starts the quietest 10 ms; `frame` itself when nothing is quieter.
std::int64_t QuietestNear(const ClipSpan& clip, std::int64_t frame, std::int64_t reach);

}  // namespace zirpel
