#include "effects/Volume.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "clip/Samples.h"
#include "effects/FrameLayout.h"

namespace zirpel {
namespace {

// The bytes of frames lo .. hi (hi included when it is a frame), or an
// empty range.
struct ByteSpan {
    std::uint8_t* begin = nullptr;
    std::uint8_t* end = nullptr;
};

ByteSpan RangeBytes(MutableClipSpan clip, const Selection& sel) {
    const FrameSpan f = VolumeFrames(clip, sel);
    if (f.empty()) return {};
    const std::int64_t p = FrameBytes(clip.format);
    return {clip.data + f.first * p, clip.data + f.end * p};
}

// Every value maps to v * num div den (C++ division truncates toward zero),
// limited to the sample range. A value depends on nothing but itself, so
// the range goes through a table of all 65536 (or 256) results: one
// division per possible value instead of one per sample.
void ScaleRange(MutableClipSpan clip, const Selection& sel, std::int64_t num, std::int64_t den) {
    const ByteSpan bytes = RangeBytes(clip, sel);
    if (bytes.begin == bytes.end) return;
    if (clip.format.is16Bit) {
        std::array<std::uint16_t, 65536> table;
        for (std::int32_t s = -32768; s <= 32767; ++s)
            table[static_cast<std::uint16_t>(s)] = static_cast<std::uint16_t>(Clamp16(s * num / den));
        using L = Layout<true, 1>;
        for (std::uint8_t* p = bytes.begin; p < bytes.end; p += 2)
            L::Store(p, static_cast<std::int16_t>(table[static_cast<std::uint16_t>(L::Load(p))]));
    } else {
        std::array<std::uint8_t, 256> table;
        for (std::int32_t b = 0; b < 256; ++b) table[b] = Clamp8Offset((b - 128) * num / den);
        for (std::uint8_t* p = bytes.begin; p < bytes.end; ++p) *p = table[*p];
    }
}

std::int32_t Peak(const ByteSpan& bytes, bool is16) {
    std::int32_t peak = 1;
    if (is16) {
        for (const std::uint8_t* p = bytes.begin; p < bytes.end; p += 2)
            peak = std::max(peak, std::abs(Layout<true, 1>::Load(p)));
    } else {
        for (const std::uint8_t* p = bytes.begin; p < bytes.end; ++p)
            peak = std::max(peak, std::abs(std::int32_t{*p} - 128));
    }
    return peak;
}

}  // namespace

FrameSpan VolumeFrames(ClipSpan clip, const Selection& sel) {
    const std::int32_t n = clip.frames();
    const EffectRange r = EffectFrames(sel, n, clip.format);
    return {r.lo, std::min<std::int64_t>(std::int64_t{r.hi} + 1, n)};
}

EffectStatus Maximize(MutableClipSpan clip, const Selection& sel) {
    const std::int32_t peak = Peak(RangeBytes(clip, sel), clip.format.is16Bit);
    ScaleRange(clip, sel, clip.format.is16Bit ? 32768 : 128, peak);
    return EffectStatus::Done;
}

EffectStatus Louder(MutableClipSpan clip, const Selection& sel) {
    ScaleRange(clip, sel, 110, 100);
    return EffectStatus::Done;
}

EffectStatus Quieter(MutableClipSpan clip, const Selection& sel) {
    ScaleRange(clip, sel, 100, 110);
    return EffectStatus::Done;
}

}  // namespace zirpel
