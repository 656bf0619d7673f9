// "Ende auf Anfang überblenden": mixes the clip's last d frames into its
// first d frames and rotates the result, so that the clip loops without a
// seam and is d frames shorter.
#pragma once

#include "clip/Clip.h"
#include "clip/Extended.h"
#include "effects/EffectStatus.h"

namespace zirpel {

// Works on the whole clip. With d = FadeFrames(seconds, rate) and h = d div
// 2, frame i < d is mixed as x * (i/d) + y * (1 - i/d), y being old frame
// n - d + i as it was before the command; the new clip holds old frames
// h .. n - d - 1, then 0 .. h - 1 (a trailing partial frame is dropped).
//
// `in` is never changed; `out` is written only on Done and may be the clip
// that `in` looks at. The caller installs `out`, clears the selection and
// zooms to the whole clip.
//   - d = 0 on a clip with bytes: InvalidFloatingPointOperation.
//   - an empty clip: Done, `out` empty in the same format.
//   - a clip of fewer than d + h frames: Unchanged (nothing to rotate).
//   - no memory for the new clip: OutOfMemory.
EffectStatus Crossfade(ClipSpan in, Extended seconds, Clip& out);

}  // namespace zirpel
