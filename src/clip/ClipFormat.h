// The audio clip's format and the unit arithmetic every subsystem shares.
//
// Units: a *frame* is the sample values of one instant (one per channel); a
// *sample index* counts single interleaved values, so a stereo frame takes
// two indices. Sizes and counts keep the clip's 32-bit signed size field.
#pragma once

#include <cstdint>

namespace zirpel {

// Interleaved PCM, left first in stereo. 16-bit samples are signed
// little-endian (silence 0), 8-bit ones unsigned (silence 128).
struct ClipFormat {
    std::int32_t sampleRate = 0;
    bool stereo = false;
    bool is16Bit = false;
    bool operator==(const ClipFormat&) const = default;
};

// Bytes per frame: 1, doubled for stereo, doubled again for 16-bit.
constexpr std::int32_t FrameBytes(const ClipFormat& f) {
    return (f.stereo ? 2 : 1) * (f.is16Bit ? 2 : 1);
}

// Frames in `size` bytes: halved (truncating) once for 16-bit and once more
// for stereo. A trailing partial frame does not count.
constexpr std::int32_t FrameCount(std::int32_t size, const ClipFormat& f) {
    std::int32_t n = size;
    if (f.is16Bit) n /= 2;
    if (f.stereo) n /= 2;
    return n;
}

// Sample indices in `size` bytes: halved for 16-bit, not for stereo.
constexpr std::int32_t SampleIndexCount(std::int32_t size, const ClipFormat& f) {
    return f.is16Bit ? size / 2 : size;
}

// Sample index of the first value of `frame` (doubled for stereo).
constexpr std::int64_t FrameToSampleIndex(std::int64_t frame, const ClipFormat& f) {
    return f.stereo ? frame * 2 : frame;
}

}  // namespace zirpel
