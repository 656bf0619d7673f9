// Clips for the effect tests, built from and read back as sample values.
#pragma once

#include <cstdint>
#include <vector>

#include "clip/Clip.h"
#include "clip/LittleEndian.h"

namespace zirpel::test {

// 16-bit clip from interleaved values.
inline Clip Clip16(std::vector<std::int32_t> values, bool stereo = false, std::int32_t rate = 8000) {
    Clip c({}, {rate, stereo, true});
    c.bytes.resize(values.size() * 2);
    for (std::size_t i = 0; i < values.size(); ++i)
        PutSample16(&c.bytes[2 * i], static_cast<std::int16_t>(values[i]));
    return c;
}

// 8-bit clip from interleaved bytes.
inline Clip Clip8(std::vector<std::int32_t> bytes, bool stereo = false, std::int32_t rate = 8000) {
    Clip c({}, {rate, stereo, false});
    for (std::int32_t b : bytes) c.bytes.push_back(static_cast<std::uint8_t>(b));
    return c;
}

// The interleaved values of a clip (16-bit signed, or the unsigned bytes).
inline std::vector<std::int32_t> Values(const Clip& c) {
    std::vector<std::int32_t> v;
    if (c.format.is16Bit) {
        for (std::size_t i = 0; i + 1 < c.bytes.size(); i += 2) v.push_back(GetSample16(&c.bytes[i]));
    } else {
        for (std::uint8_t b : c.bytes) v.push_back(b);
    }
    return v;
}

// A constant mono 16-bit clip of n frames.
inline Clip Constant16(std::int32_t n, std::int32_t value, std::int32_t rate = 8000) {
    return Clip16(std::vector<std::int32_t>(static_cast<std::size_t>(n), value), false, rate);
}

}  // namespace zirpel::test
