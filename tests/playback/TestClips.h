// Clips whose every byte is non-zero, so silence in a recording can never be
// mistaken for audio.
#pragma once

#include <cstdint>
#include <vector>

// 44100 Hz 16-bit stereo: frame i is (i % 255 + 1 | i / 255 % 255 + 1, 0x1234).
inline std::vector<std::uint8_t> NonZeroClip(int frames) {
    std::vector<std::uint8_t> v;
    v.reserve(static_cast<std::size_t>(frames) * 4);
    for (int i = 0; i < frames; ++i) {
        v.push_back(static_cast<std::uint8_t>(i % 255 + 1));
        v.push_back(static_cast<std::uint8_t>(i / 255 % 255 + 1));
        v.push_back(0x34);
        v.push_back(0x12);
    }
    return v;
}
