// Feedback echo over the effect range, in place.
#pragma once

#include "clip/Clip.h"
#include "clip/Extended.h"
#include "clip/Selection.h"
#include "effects/EffectStatus.h"

namespace zirpel {

// With d = FadeFrames(seconds, rate), every value of frames lo + d .. hi (hi
// included when it lies in the clip) becomes the mean of itself and the
// same channel's value d frames earlier, taken after that one was itself
// rewritten: out[i] = (in[i] + out[i - d]) / 2, truncating toward zero for
// 16-bit and rounding down for the unsigned bytes. The clip does not grow;
// a delay of 0 or one longer than the range changes nothing.
EffectStatus Echo(MutableClipSpan clip, const Selection& sel, Extended seconds);

// The frames Echo rewrites: lo + d .. hi (hi only inside the clip).
FrameSpan EchoFrames(ClipSpan clip, const Selection& sel, Extended seconds);

}  // namespace zirpel
