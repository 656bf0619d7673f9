// Fade in and fade out over the effect range, in place.
#pragma once

#include "clip/Clip.h"
#include "clip/Extended.h"
#include "clip/Selection.h"
#include "effects/EffectStatus.h"

namespace zirpel {

// "Weich einblenden": over d = FadeFrames(seconds, rate) frames from lo the
// gain rises from 0 to 1 (frame i gets (i - lo) / d); frames from hi on are
// never touched, so a range shorter than d ends below full gain.
// d = 0 is InvalidFloatingPointOperation, even for an empty range, and then
// no sample changes.
EffectStatus FadeIn(MutableClipSpan clip, const Selection& sel, Extended seconds);

// "Weich ausblenden": frame i in hi - d .. hi gets (hi - i) / d when it lies
// in lo .. n - 1. A range ending inside the clip therefore silences frame hi
// (the first frame after the selection); one reaching the clip's end gives
// the last frame 1/d. d = 0 as for FadeIn.
EffectStatus FadeOut(MutableClipSpan clip, const Selection& sel, Extended seconds);

// The frames FadeIn and FadeOut rewrite (none when they refuse).
FrameSpan FadeInFrames(ClipSpan clip, const Selection& sel, Extended seconds);
FrameSpan FadeOutFrames(ClipSpan clip, const Selection& sel, Extended seconds);

}  // namespace zirpel
