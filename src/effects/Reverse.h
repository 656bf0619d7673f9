// Reversal of the effect range, in place.
#pragma once

#include "clip/Clip.h"
#include "clip/Selection.h"
#include "effects/EffectStatus.h"

namespace zirpel {

// Frames lo .. e end up in the opposite order, e being hi when it lies in
// the clip (the first frame after a selection is part of the block) and
// the clip's last frame otherwise. Frames move whole: channels and the
// bytes of a 16-bit value stay together and in order.
EffectStatus Reverse(MutableClipSpan clip, const Selection& sel);

// The frames Reverse moves: lo .. e (none for a single frame).
FrameSpan ReverseFrames(ClipSpan clip, const Selection& sel);

}  // namespace zirpel
