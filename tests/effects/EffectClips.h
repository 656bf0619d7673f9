// Clips for the effect tests, built from and read back as sample values.
#pragma once

#include <cstdint>
#include <vector>

#include "clip/Clip.h"
#include "clip/LittleEndian.h"

namespace zirpel::test {

// 16-bit clip from interleaved values.
inline Clip Clip16(const std::vector<std::int32_t>& values, bool stereo = false, std::int32_t rate = 8000) {
    Clip c(std::vector<std::uint8_t>(values.size() * 2), {rate, stereo, true});
    for (std::size_t i = 0; i < values.size(); ++i) PutSample16(&c.bytes[2 * i], static_cast<std::int16_t>(values[i]));
    return c;
}

// 8-bit clip from interleaved bytes.
inline Clip Clip8(const std::vector<std::int32_t>& bytes, bool stereo = false, std::int32_t rate = 8000) {
    return Clip(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), {rate, stereo, false});
}

// The interleaved values of a clip (16-bit signed, or the unsigned bytes).
inline std::vector<std::int32_t> Values(const Clip& c) {
    if (!c.format.is16Bit) return {c.bytes.begin(), c.bytes.end()};
    std::vector<std::int32_t> v;
    for (std::size_t i = 0; i + 1 < c.bytes.size(); i += 2) v.push_back(GetSample16(&c.bytes[i]));
    return v;
}

}  // namespace zirpel::test
