#include "effects/Fade.h"

#include <algorithm>

#include "effects/FrameLayout.h"
#include "effects/Gain.h"

namespace zirpel {
namespace {

// Scales frames first .. last - 1; the gain of frame i is gainOf(i). Both
// channels of a frame share one gain, computed once per frame.
template <class GainOf>
void ScaleFrames(MutableClipSpan clip, std::int64_t first, std::int64_t last, GainOf gainOf) {
    if (first >= last) return;
    WithLayout(clip.format, [&](auto layout) {
        using L = decltype(layout);
        std::uint8_t* p = clip.data + first * L::kFrameBytes;
        for (std::int64_t i = first; i < last; ++i) {
            const Extended g = gainOf(i);
            for (int c = 0; c < L::kChannels; ++c, p += L::kSampleBytes) {
                if constexpr (L::kIs16)
                    L::Store(p, ScaleSample16(L::Load(p), g));
                else
                    L::Store(p, ScaleSample8(L::Load(p), g));
            }
        }
    });
}

}  // namespace

EffectStatus FadeIn(MutableClipSpan clip, const Selection& sel, Extended seconds) {
    const std::int64_t d = FadeFrames(seconds, clip.format.sampleRate);
    if (d == 0) return EffectStatus::InvalidFloatingPointOperation;
    const std::int32_t n = clip.frames();
    const EffectRange r = EffectFrames(sel, n, clip.format);
    const std::int64_t lo = r.lo;
    // Positions lo .. lo + d, of which only those below hi (<= n) are frames
    // of the range.
    const std::int64_t end = std::min<std::int64_t>(r.hi, lo + d + 1);
    ScaleFrames(clip, lo, end, [&](std::int64_t i) { return FadeGain(i - lo, d); });
    return EffectStatus::Done;
}

EffectStatus FadeOut(MutableClipSpan clip, const Selection& sel, Extended seconds) {
    const std::int64_t d = FadeFrames(seconds, clip.format.sampleRate);
    if (d == 0) return EffectStatus::InvalidFloatingPointOperation;
    const std::int32_t n = clip.frames();
    const EffectRange r = EffectFrames(sel, n, clip.format);
    const std::int64_t hi = r.hi;
    // Positions hi - d .. hi, of which those in lo .. n - 1 are frames; the
    // gain follows the position, not how many were skipped.
    const std::int64_t first = std::max<std::int64_t>(r.lo, hi - d);
    const std::int64_t end = std::min<std::int64_t>(hi + 1, n);
    ScaleFrames(clip, first, end, [&](std::int64_t i) { return FadeGain(hi - i, d); });
    return EffectStatus::Done;
}

}  // namespace zirpel
