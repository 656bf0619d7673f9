#include "effects/Fade.h"

#include <algorithm>

#include "effects/FrameLayout.h"
#include "effects/Gain.h"

namespace zirpel {
namespace {

// Scales `count` frames from p; the k-th by the gain (num + k * step) / d.
// Both channels of a frame share one gain, computed once per frame.
template <class L>
[[gnu::always_inline]] inline void Ramp(std::uint8_t* p, std::int64_t count, std::int64_t num,
                                        std::int64_t step, std::int64_t d) {
    for (std::int64_t k = 0; k < count; ++k, num += step) {
        const Extended g = FadeGain(num, d);
        for (int c = 0; c < L::kChannels; ++c, p += L::kSampleBytes) {
            if constexpr (L::kIs16)
                L::Store(p, ScaleSample16(L::Load(p), g));
            else
                L::Store(p, ScaleSample8(L::Load(p), g));
        }
    }
}

ZIRPEL_TRUNCATING_LOOP
void RampFrames(const ClipFormat& f, std::uint8_t* p, std::int64_t count, std::int64_t num,
                std::int64_t step, std::int64_t d) {
    if (f.is16Bit) {
        if (f.stereo)
            Ramp<Layout<true, 2>>(p, count, num, step, d);
        else
            Ramp<Layout<true, 1>>(p, count, num, step, d);
    } else {
        if (f.stereo)
            Ramp<Layout<false, 2>>(p, count, num, step, d);
        else
            Ramp<Layout<false, 1>>(p, count, num, step, d);
    }
}

// Frames first .. last - 1; frame `first` gets num / d, each next one
// (num + step) / d and so on.
void ScaleFrames(MutableClipSpan clip, std::int64_t first, std::int64_t last, std::int64_t num,
                 std::int64_t step, std::int64_t d) {
    if (first >= last) return;
    RampFrames(clip.format, clip.data + first * FrameBytes(clip.format), last - first, num, step, d);
}

}  // namespace

FrameSpan FadeInFrames(ClipSpan clip, const Selection& sel, Extended seconds) {
    const std::int64_t d = FadeFrames(seconds, clip.format.sampleRate);
    if (d == 0) return {};
    const EffectRange r = EffectFrames(sel, clip.frames(), clip.format);
    // Positions lo .. lo + d with gain (i - lo) / d, of which only those
    // below hi (<= n) are frames of the range.
    return {r.lo, std::min<std::int64_t>(r.hi, std::int64_t{r.lo} + d + 1)};
}

FrameSpan FadeOutFrames(ClipSpan clip, const Selection& sel, Extended seconds) {
    const std::int64_t d = FadeFrames(seconds, clip.format.sampleRate);
    if (d == 0) return {};
    const std::int32_t n = clip.frames();
    const EffectRange r = EffectFrames(sel, n, clip.format);
    // Positions hi - d .. hi with gain (hi - i) / d, of which those in
    // lo .. n - 1 are frames.
    return {std::max<std::int64_t>(r.lo, std::int64_t{r.hi} - d), std::min<std::int64_t>(std::int64_t{r.hi} + 1, n)};
}

EffectStatus FadeIn(MutableClipSpan clip, const Selection& sel, Extended seconds) {
    const std::int64_t d = FadeFrames(seconds, clip.format.sampleRate);
    if (d == 0) return EffectStatus::InvalidFloatingPointOperation;
    const FrameSpan f = FadeInFrames(clip, sel, seconds);
    ScaleFrames(clip, f.first, f.end, 0, +1, d);
    return EffectStatus::Done;
}

EffectStatus FadeOut(MutableClipSpan clip, const Selection& sel, Extended seconds) {
    const std::int64_t d = FadeFrames(seconds, clip.format.sampleRate);
    if (d == 0) return EffectStatus::InvalidFloatingPointOperation;
    const FrameSpan f = FadeOutFrames(clip, sel, seconds);
    // The gain follows the position, not how many positions were skipped.
    const std::int64_t hi = EffectFrames(sel, clip.frames(), clip.format).hi;
    ScaleFrames(clip, f.first, f.end, hi - f.first, -1, d);
    return EffectStatus::Done;
}

}  // namespace zirpel
