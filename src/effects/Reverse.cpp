#include "effects/Reverse.h"

#include <algorithm>
#include <cstring>

#include "effects/FrameLayout.h"

namespace zirpel {
namespace {

template <int P>
void SwapFrames(std::uint8_t* a, std::uint8_t* b) {
    std::uint8_t t[P];
    std::memcpy(t, a, P);
    std::memcpy(a, b, P);
    std::memcpy(b, t, P);
}

}  // namespace

FrameSpan ReverseFrames(ClipSpan clip, const Selection& sel) {
    const std::int32_t n = clip.frames();
    const EffectRange r = EffectFrames(sel, n, clip.format);
    const std::int64_t e = std::min<std::int64_t>(r.hi, std::int64_t{n} - 1);
    if (e <= std::int64_t{r.lo}) return {};  // nothing, or a single frame
    return {r.lo, e + 1};
}

EffectStatus Reverse(MutableClipSpan clip, const Selection& sel) {
    const FrameSpan f = ReverseFrames(clip, sel);
    if (f.empty()) return EffectStatus::Done;
    WithLayout(clip.format, [&](auto layout) {
        constexpr int p = decltype(layout)::kFrameBytes;
        std::uint8_t* a = clip.data + f.first * p;
        std::uint8_t* b = clip.data + (f.end - 1) * p;
        for (; a < b; a += p, b -= p) SwapFrames<p>(a, b);
    });
    return EffectStatus::Done;
}

}  // namespace zirpel
