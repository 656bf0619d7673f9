// Little-endian reading and writing of 16- and 32-bit fields and samples, in
// byte buffers of any alignment. WAV headers, codec format blocks, SCSI
// replies' little-endian parts and the clip's 16-bit samples all use these.
#pragma once

#include <cstdint>

namespace zirpel {

constexpr std::uint16_t GetLE16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

constexpr std::uint32_t GetLE32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

constexpr void PutLE16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

constexpr void PutLE32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

// A signed 16-bit sample stored little-endian.
constexpr std::int16_t GetSample16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(GetLE16(p));
}

constexpr void PutSample16(std::uint8_t* p, std::int16_t s) {
    PutLE16(p, static_cast<std::uint16_t>(s));
}

}  // namespace zirpel
