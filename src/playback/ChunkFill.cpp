#include "playback/ChunkFill.h"

#include <cmath>
#include <cstring>

#include "clip/Extended.h"
#include "clip/LittleEndian.h"
#include "clip/Samples.h"

namespace zirpel {
namespace {

inline void PutFrame(std::uint8_t* dst, std::int16_t left, std::int16_t right) {
    PutSample16(dst, left);
    PutSample16(dst + 2, right);
}

}  // namespace

ChunkFillResult FillChunk(std::span<std::uint8_t, kChunkBytes> out, const ClipSpan& clip,
                          double pos, std::int32_t end) {
    const std::int64_t total = clip.frames();
    const ClipFormat& f = clip.format;
    // The step is the clip's rate over the output rate in extended
    // precision; the sum is kept as a double.
    const Extended step = static_cast<Extended>(f.sampleRate) / 44100.0L;
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
                const std::int16_t s = GetSample16(clip.data + 2 * j);
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
        pos = static_cast<double>(static_cast<Extended>(pos) + step);
    }
    return {pos, j};
}

}  // namespace zirpel
