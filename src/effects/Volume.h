// Maximize, louder 10 % and quieter 10 %: integer scaling of the effect
// range in place, frames lo .. hi (hi itself when it lies inside the clip).
#pragma once

#include "clip/Clip.h"
#include "clip/Selection.h"
#include "effects/EffectStatus.h"

namespace zirpel {

// "Maximale Lautstärke": peak = the largest |value| in the range, starting
// at 1 (a silent range stays silent); every value becomes value * 32768 div
// peak (8-bit: (b - 128) * 128 div peak), limited to the sample range. One
// peak serves both channels.
EffectStatus Maximize(MutableClipSpan clip, const Selection& sel);

// "Lauter 10%": value * 110 div 100, limited to the sample range.
EffectStatus Louder(MutableClipSpan clip, const Selection& sel);

// "Leiser 10%": value * 100 div 110.
EffectStatus Quieter(MutableClipSpan clip, const Selection& sel);

// The frames the three rewrite: lo .. hi (hi only inside the clip).
FrameSpan VolumeFrames(ClipSpan clip, const Selection& sel);

}  // namespace zirpel
