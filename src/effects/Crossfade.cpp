#include "effects/Crossfade.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "effects/FrameLayout.h"
#include "effects/Gain.h"

namespace zirpel {
namespace {

// Mixes old frames i = first .. first + count - 1 with old frames n - d + i
// into consecutive frames from `out`. Reads only `in`, so every frame is
// read as it was before the command.
template <class L>
[[gnu::always_inline]] inline void Mix(const std::uint8_t* in, std::int64_t first, std::int64_t count,
                                       std::int64_t n, std::int64_t d, std::uint8_t* out) {
    const std::uint8_t* x = in + first * L::kFrameBytes;
    const std::uint8_t* y = in + (n - d + first) * L::kFrameBytes;
    for (std::int64_t i = first; i < first + count; ++i) {
        const Extended g = FadeGain(i, d);
        const Extended rest = 1.0L - g;
        for (int c = 0; c < L::kChannels; ++c, x += L::kSampleBytes, y += L::kSampleBytes,
                 out += L::kSampleBytes) {
            const std::int32_t a = L::Load(x), b = L::Load(y);
            std::int32_t v;
            if constexpr (L::kIs16) {
                v = std::clamp(ScaleSample16(a, g) + ScaleSample16(b, rest), -32768, 32767);
            } else {
                // Both inputs 0 can come out as -1: stored as 0.
                v = std::clamp(ScaleSample8(a, g) + ScaleSample8(b, rest) - 128, 0, 255);
            }
            L::Store(out, v);
        }
    }
}

ZIRPEL_TRUNCATING_LOOP
void MixFrames(const ClipFormat& f, const std::uint8_t* in, std::int64_t first, std::int64_t count,
               std::int64_t n, std::int64_t d, std::uint8_t* out) {
    if (count <= 0) return;
    if (f.is16Bit) {
        if (f.stereo)
            Mix<Layout<true, 2>>(in, first, count, n, d, out);
        else
            Mix<Layout<true, 1>>(in, first, count, n, d, out);
    } else {
        if (f.stereo)
            Mix<Layout<false, 2>>(in, first, count, n, d, out);
        else
            Mix<Layout<false, 1>>(in, first, count, n, d, out);
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

    // The mixing runs only when the fade is shorter than the clip's bytes.
    // Old frames 0 .. mixed - 1 are mixed; later ones would be mixed and
    // then dropped by the rotation, so they are not.
    const std::int64_t mixed = d * p < in.size ? std::min(d, kept) : 0;

    // Old frame f lands at f - h, or at kept - h + f for f < h. Frames that
    // are mixed are written by the mixing only, the rest copied.
    const std::int64_t copyFrom = std::max(h, mixed);
    if (kept > copyFrom)
        std::memcpy(dst + (copyFrom - h) * p, in.data + copyFrom * p,
                    static_cast<std::size_t>((kept - copyFrom) * p));
    if (h > mixed)
        std::memcpy(dst + (kept - h + mixed) * p, in.data + mixed * p,
                    static_cast<std::size_t>((h - mixed) * p));
    MixFrames(in.format, in.data, 0, std::min(h, mixed), n, d, dst + (kept - h) * p);
    MixFrames(in.format, in.data, h, mixed - h, n, d, dst);
    out = std::move(result);
    return EffectStatus::Done;
}

}  // namespace zirpel
