// Sample value conversions shared by playback, the effects, the format
// change and the MP3 export. 8-bit samples are unsigned with silence at 128,
// 16-bit ones signed with silence at 0.
#pragma once

#include <algorithm>
#include <cstdint>

namespace zirpel {

// 8-bit unsigned to 16-bit signed: 0 -> -32768, 128 -> 0, 255 -> 32512.
constexpr std::int16_t Widen8(std::uint8_t b) {
    return static_cast<std::int16_t>((static_cast<int>(b) - 128) * 256);
}

// 16-bit signed to 8-bit unsigned with an arithmetic shift (rounding toward
// minus infinity): -32768 -> 0, -1 -> 127, 0 -> 128, 32767 -> 255.
constexpr std::uint8_t Narrow16(std::int16_t s) {
    return static_cast<std::uint8_t>((s >> 8) + 128);
}

// Limits a computed value to the 16-bit sample range.
constexpr std::int16_t Clamp16(std::int64_t v) {
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(v, -32768, 32767));
}

// Limits a computed signed 8-bit value (-128..127) and stores it as a byte
// with silence at 128.
constexpr std::uint8_t Clamp8Offset(std::int64_t v) {
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(v, -128, 127) + 128);
}

}  // namespace zirpel
