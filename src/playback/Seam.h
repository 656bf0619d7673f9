// Hearing the loop seam: the last seconds of a range running straight into
// its first seconds, as a looping ringtone passes its loop point. The seam
// is built as a short clip of its own and played once by the play loop;
// its frames map back to the clip for the play cursor.
#pragma once

#include <cstdint>

#include "clip/Clip.h"
#include "clip/Selection.h"

namespace zirpel {

inline constexpr double kSeamSeconds = 2.0;

struct SeamClip {
    Clip clip;                    // tail then head, the clip's format
    std::int64_t tailStart = 0;   // first frame of the tail in the source clip
    std::int64_t tailFrames = 0;
    std::int64_t headStart = 0;   // first frame of the head in the source clip

    // The source clip's sample index of seam frame `frame` (for the cursor).
    std::int64_t SourceSampleIndex(std::int64_t frame) const;
};

// The seam of frames [start, end) of `clip` (the selection as playback reads
// it; nothing selected: the whole clip): its last `seconds` followed by its
// first `seconds`, each at most the whole range. Empty for an empty range.
SeamClip BuildSeam(const ClipSpan& clip, FrameRange range, double seconds = kSeamSeconds);

}  // namespace zirpel
