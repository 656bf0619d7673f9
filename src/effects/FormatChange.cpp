#include "effects/FormatChange.h"

#include <limits>
#include <new>

#include "clip/Samples.h"
#include "effects/FrameLayout.h"

namespace zirpel {
namespace {

// Reads old frame `s` as two 16-bit-scale values; silence when the frame
// does not lie wholly inside the old bytes.
template <class Old>
void ReadFrame(ClipSpan in, std::int64_t s, std::int32_t& left, std::int32_t& right) {
    const std::int64_t at = s * Old::kFrameBytes;
    if (at + Old::kFrameBytes > in.size) {
        left = right = 0;
        return;
    }
    const std::uint8_t* p = in.data + at;
    auto widen = [](std::int32_t raw) { return Old::kIs16 ? raw : Widen8(static_cast<std::uint8_t>(raw)); };
    left = widen(Old::Load(p));
    right = Old::kChannels == 2 ? widen(Old::Load(p + Old::kSampleBytes)) : left;
}

template <class New>
void WriteFrame(std::uint8_t* p, std::int32_t left, std::int32_t right) {
    auto narrow = [](std::int32_t v) {
        return New::kIs16 ? v : std::int32_t{Narrow16(static_cast<std::int16_t>(v))};
    };
    New::Store(p, narrow(left));
    if constexpr (New::kChannels == 2) New::Store(p + New::kSampleBytes, narrow(right));
}

template <class Old, class New>
void Convert(ClipSpan in, std::int64_t rOld, std::int64_t rNew, std::uint8_t* out,
             std::int64_t frames) {
    for (std::int64_t b = 0; b < frames; ++b, out += New::kFrameBytes) {
        // Computed afresh for every frame, never accumulated.
        const std::int64_t s = b * rOld / rNew;
        std::int32_t left, right;
        ReadFrame<Old>(in, s, left, right);
        WriteFrame<New>(out, left, right);
    }
}

}  // namespace

std::int64_t FormatChangeBytes(ClipSpan in, const FormatChangeSettings& s) {
    const std::int64_t rOld = in.format.sampleRate, rNew = s.sampleRate;
    if (rOld <= 0 || rNew <= 0) return -1;
    std::int64_t b = in.empty() ? 0 : in.size;
    if (s.is16Bit && !in.format.is16Bit) b *= 2;
    if (!s.is16Bit && in.format.is16Bit) b /= 2;
    if (s.stereo && !in.format.stereo) b *= 2;
    if (!s.stereo && in.format.stereo) b /= 2;
    // b <= 2^33 and rOld < 2^31: a product beyond 64 bits means a result of
    // more than 2^32 bytes, which is as much too large as any above the limit.
    if (b > std::numeric_limits<std::int64_t>::max() / rNew) return std::numeric_limits<std::int64_t>::max();
    const std::int64_t m = b * rNew / rOld;
    const std::int64_t u = FrameBytes({0, s.stereo, s.is16Bit});
    return m / u * u;
}

EffectStatus ChangeFormat(ClipSpan in, const FormatChangeSettings& s, Clip& out) {
    if (in.empty()) return EffectStatus::Unchanged;
    if (in.format.sampleRate == 0) return EffectStatus::DivisionByZero;
    if (in.format.sampleRate < 0 || s.sampleRate < 1) return EffectStatus::BadParameter;

    const std::int64_t bytes = FormatChangeBytes(in, s);
    if (bytes > kMaxClipBytes) return EffectStatus::OutOfMemory;

    const ClipFormat newFormat{s.sampleRate, s.stereo, s.is16Bit};
    Clip result;
    try {
        result.bytes.resize(static_cast<std::size_t>(bytes));
    } catch (const std::bad_alloc&) {
        return EffectStatus::OutOfMemory;
    }
    result.format = newFormat;
    const std::int64_t frames = bytes / FrameBytes(newFormat);
    if (frames > 0) {
        WithLayout(in.format, [&](auto oldLayout) {
            WithLayout(newFormat, [&](auto newLayout) {
                Convert<decltype(oldLayout), decltype(newLayout)>(in, in.format.sampleRate, s.sampleRate,
                                                                  result.bytes.data(), frames);
            });
        });
    }
    out = std::move(result);
    return EffectStatus::Done;
}

}  // namespace zirpel
