#include "effects/Crossfade.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "effects/FrameLayout.h"
#include "effects/Gain.h"

namespace zirpel {
namespace {

// Mixes old frames 0 .. count - 1 with old frames n - d .. and writes frame
// i to `dst(i)`. Reads only `in`, so every frame is read as it was.
template <class L, class Dst>
void MixFrames(const std::uint8_t* in, std::int64_t count, std::int64_t n, std::int64_t d,
               Dst dst) {
    const std::uint8_t* end = in + (n - d) * L::kFrameBytes;
    for (std::int64_t i = 0; i < count; ++i) {
        const Extended g = FadeGain(i, d);
        const Extended rest = 1.0L - g;
        const std::uint8_t* x = in + i * L::kFrameBytes;
        const std::uint8_t* y = end + i * L::kFrameBytes;
        std::uint8_t* o = dst(i);
        for (int c = 0; c < L::kChannels; ++c) {
            const int off = c * L::kSampleBytes;
            const std::int32_t a = L::Load(x + off), b = L::Load(y + off);
            std::int32_t v;
            if constexpr (L::kIs16) {
                v = ScaleSample16(a, g) + ScaleSample16(b, rest);
                v = std::clamp(v, -32768, 32767);
            } else {
                // Both inputs 0 can come out as -1: stored as 0.
                v = ScaleSample8(a, g) + ScaleSample8(b, rest) - 128;
                v = std::clamp(v, 0, 255);
            }
            L::Store(o + off, v);
        }
    }
}

}  // namespace

EffectStatus Crossfade(ClipSpan in, Extended seconds, Clip& out) {
    const std::int64_t d = FadeFrames(seconds, in.format.sampleRate);
    if (in.empty()) {
        // Nothing to mix: an empty clip stays empty (with d = 0 as well);
        // any longer fade cannot fit, which leaves the clip alone.
        if (d > 0) return EffectStatus::Unchanged;
        out = Clip({}, in.format);
        return EffectStatus::Done;
    }
    if (d == 0) return EffectStatus::InvalidFloatingPointOperation;

    const std::int64_t n = in.frames();
    const std::int64_t h = d / 2;
    // The rotation copies old frames h .. n - d - 1; it needs n >= d + h.
    if (n < d + h) return EffectStatus::Unchanged;

    const std::int64_t p = FrameBytes(in.format);
    const std::int64_t kept = n - d;  // frames of the new clip
    Clip result;
    try {
        result.bytes.resize(static_cast<std::size_t>(kept * p));
    } catch (const std::bad_alloc&) {
        return EffectStatus::OutOfMemory;
    }
    result.format = in.format;
    std::uint8_t* dst = result.bytes.data();

    // Old frame f lands at f - h, or at kept - h + f for f < h.
    if (kept > h) std::memcpy(dst, in.data + h * p, static_cast<std::size_t>((kept - h) * p));
    if (h > 0) std::memcpy(dst + (kept - h) * p, in.data, static_cast<std::size_t>(h * p));

    // The mixing runs only when the fade is shorter than the clip's bytes;
    // frames from `kept` on would be mixed and then dropped, so they are not.
    if (d * p < in.size) {
        const std::int64_t count = std::min(d, kept);
        WithLayout(in.format, [&](auto layout) {
            using L = decltype(layout);
            MixFrames<L>(in.data, count, n, d, [&](std::int64_t f) {
                return dst + (f >= h ? f - h : kept - h + f) * p;
            });
        });
    }
    out = std::move(result);
    return EffectStatus::Done;
}

}  // namespace zirpel
