#include "playback/ChunkFill.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace zirpel {

std::int32_t ClipFrames(const ClipView& clip) {
    if (clip.data == nullptr || clip.size <= 0) return 0;
    return FrameCount(clip.size, clip.format);
}

PlayRange PlayRangeFor(const ClipView& clip, std::int32_t selAnchor, std::int32_t selCaret) {
    if (selAnchor == selCaret) return {0, ClipFrames(clip)};
    PlayRange r{std::min(selAnchor, selCaret), std::max(selAnchor, selCaret)};
    if (clip.format.stereo) {
        r.start /= 2;
        r.end /= 2;
    }
    return r;
}

namespace {

inline void PutFrame(std::uint8_t* dst, std::int16_t left, std::int16_t right) {
    const auto l = static_cast<std::uint16_t>(left);
    const auto r = static_cast<std::uint16_t>(right);
    dst[0] = static_cast<std::uint8_t>(l & 0xFF);
    dst[1] = static_cast<std::uint8_t>(l >> 8);
    dst[2] = static_cast<std::uint8_t>(r & 0xFF);
    dst[3] = static_cast<std::uint8_t>(r >> 8);
}

inline std::int16_t Read16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

}  // namespace

ChunkFillResult FillChunk(std::span<std::uint8_t, kChunkBytes> out, const ClipView& clip,
                          double pos, std::int32_t end) {
    const std::int64_t total = ClipFrames(clip);
    const ClipFormat& f = clip.format;
    // The step is the clip's rate over the output rate in extended
    // precision; the sum is kept as a double.
    const long double step = static_cast<long double>(f.sampleRate) / 44100.0L;
    std::int64_t j = 0;
    for (std::uint32_t k = 0; k < kChunkFrames; ++k) {
        // nearbyint rounds half to even in the default rounding mode,
        // which the program never changes.
        j = static_cast<std::int64_t>(std::nearbyint(pos));
        std::uint8_t* dst = out.data() + 4 * k;
        if (j >= 0 && j < end && j < total) {
            if (f.is16Bit && f.stereo) {
                std::memcpy(dst, clip.data + 4 * j, 4);
            } else if (f.is16Bit) {
                const std::int16_t s = Read16(clip.data + 2 * j);
                PutFrame(dst, s, s);
            } else if (f.stereo) {
                PutFrame(dst, Widen8(clip.data[2 * j]), Widen8(clip.data[2 * j + 1]));
            } else {
                const std::int16_t s = Widen8(clip.data[j]);
                PutFrame(dst, s, s);
            }
        } else {
            std::memset(dst, 0, 4);
        }
        pos = static_cast<double>(static_cast<long double>(pos) + step);
    }
    return {pos, j};
}

std::int64_t CursorSampleIndex(std::int64_t frame, const ClipFormat& format) {
    return format.stereo ? frame * 2 : frame;
}

int CursorColumn(std::int64_t sampleIndex, std::int32_t scrollPos, std::int32_t zoom) {
    const std::int64_t z = std::max<std::int32_t>(zoom, 1);
    const std::int64_t x = (sampleIndex - static_cast<std::int64_t>(scrollPos) * z) / z;
    return static_cast<int>(std::clamp<std::int64_t>(x, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

}  // namespace zirpel
