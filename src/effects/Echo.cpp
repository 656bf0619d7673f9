#include "effects/Echo.h"

#include <algorithm>

#include "effects/FrameLayout.h"
#include "effects/Gain.h"

namespace zirpel {
namespace {

// Mean of the value at `dst` and the value `delay` samples earlier, for
// `count` samples. Runs forward, so later samples see the values already
// rewritten. The loop is cut into pieces no longer than the delay: within a
// piece the samples written and the samples read never overlap, which lets
// the compiler process a piece several samples at a time.
template <class L>
void MeanWithEarlier(std::uint8_t* dst, std::int64_t count, std::int64_t delay) {
    constexpr int w = L::kSampleBytes;
    while (count > 0) {
        const std::int64_t piece = std::min(count, delay);
        std::uint8_t* __restrict out = dst;
        const std::uint8_t* __restrict earlier = dst - delay * w;
        for (std::int64_t k = 0; k < piece; ++k) {
            const std::int32_t x = L::Load(out + k * w), y = L::Load(earlier + k * w);
            if constexpr (L::kIs16)
                L::Store(out + k * w, (x + y) / 2);
            else
                L::Store(out + k * w, (x + y) >> 1);
        }
        dst += piece * w;
        count -= piece;
    }
}

}  // namespace

FrameSpan EchoFrames(ClipSpan clip, const Selection& sel, Extended seconds) {
    const std::int64_t d = FadeFrames(seconds, clip.format.sampleRate);
    const std::int32_t n = clip.frames();
    const EffectRange r = EffectFrames(sel, n, clip.format);
    if (d == 0) return {};
    return {std::int64_t{r.lo} + d, std::min<std::int64_t>(std::int64_t{r.hi} + 1, n)};
}

EffectStatus Echo(MutableClipSpan clip, const Selection& sel, Extended seconds) {
    const std::int64_t d = FadeFrames(seconds, clip.format.sampleRate);
    const FrameSpan f = EchoFrames(clip, sel, seconds);
    if (f.empty()) return EffectStatus::Done;
    WithLayout(clip.format, [&](auto layout) {
        using L = decltype(layout);
        MeanWithEarlier<L>(clip.data + f.first * L::kFrameBytes, (f.end - f.first) * L::kChannels,
                           d * L::kChannels);
    });
    return EffectStatus::Done;
}

}  // namespace zirpel
