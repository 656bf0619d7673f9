// "Sampleformat ändern": converts the whole clip to another channel count,
// sample width and rate in one pass, building a new clip.
#pragma once

#include <cstdint>

#include "clip/Clip.h"
#include "effects/EffectStatus.h"

namespace zirpel {

// What the dialog asks for.
struct FormatChangeSettings {
    bool stereo = false;
    bool is16Bit = false;
    std::int32_t sampleRate = 0;  // the new rate, Hz
};

// The new clip's byte count: the old size brought to the new width and
// channel count (doubled or halved, truncating, in that order), scaled by
// new rate / old rate in 64 bits and cut down to whole frames. Widths and
// channels are applied in 64 bits, so a huge clip cannot wrap around.
// Returns -1 for an old rate of 0 or less or a new rate of 0 or less.
std::int64_t FormatChangeBytes(ClipSpan in, const FormatChangeSettings& s);

// Output frame B takes old frame B * R_old div R_new (no interpolation):
// stereo to mono keeps the left channel, mono to stereo doubles it, 8 to 16
// bits is (b - 128) * 256, 16 to 8 bits (s >> 8) + 128. An old frame that
// does not lie wholly inside the old bytes (only a clip ending in a partial
// frame has one) reads as silence.
//
// `in` is never changed; `out` is written only on Done and may be the clip
// that `in` looks at. The caller installs `out`, clears the selection and
// zooms to the whole clip.
//   - an empty clip: Unchanged (there is nothing to convert).
//   - old rate 0: DivisionByZero; a negative old rate or a new rate below 1:
//     BadParameter.
//   - a result above kMaxClipBytes, or memory that cannot be had:
//     OutOfMemory. Nothing is allocated before the size is known to fit.
//   - a result shorter than one frame: Done with an empty clip in the new
//     format.
EffectStatus ChangeFormat(ClipSpan in, const FormatChangeSettings& s, Clip& out);

}  // namespace zirpel
