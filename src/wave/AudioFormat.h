// The audio clip's format and the unit conversions every subsystem shares.
#pragma once

#include <cstdint>

namespace zirpel {

// Format of the clip held in memory: interleaved PCM, left first in stereo.
// 16-bit samples are signed little-endian (silence 0), 8-bit ones unsigned
// (silence 128).
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

// Frames in a buffer of `size` bytes, each halving truncating.
constexpr std::int32_t FrameCount(std::int32_t size, const ClipFormat& f) {
    std::int32_t n = size;
    if (f.stereo) n /= 2;
    if (f.is16Bit) n /= 2;
    return n;
}

// Sample indices (single interleaved values) in a buffer of `size` bytes:
// halved for 16-bit, not for stereo.
constexpr std::int32_t SampleIndexCount(std::int32_t size, const ClipFormat& f) {
    return f.is16Bit ? size / 2 : size;
}

// 8-bit unsigned to 16-bit signed: 0 -> -32768, 128 -> 0, 255 -> 32512.
constexpr std::int16_t Widen8(std::uint8_t b) {
    return static_cast<std::int16_t>((static_cast<int>(b) - 128) * 256);
}

// 16-bit signed to 8-bit unsigned with an arithmetic shift.
constexpr std::uint8_t Narrow16(std::int16_t s) {
    return static_cast<std::uint8_t>((s >> 8) + 128);
}

}  // namespace zirpel
