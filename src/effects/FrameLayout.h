// Sample access by clip layout, chosen once per command.
//
// An effect's inner loop runs once per sample of a long clip; asking the
// format for every sample would cost more than the arithmetic. WithLayout
// picks one of the four layouts (8/16 bit x mono/stereo) and hands the loop a
// type that knows it at compile time.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "clip/ClipFormat.h"
#include "clip/LittleEndian.h"

namespace zirpel {

template <bool Is16, int Channels>
struct Layout {
    static constexpr bool kIs16 = Is16;
    static constexpr int kChannels = Channels;
    static constexpr int kSampleBytes = Is16 ? 2 : 1;
    static constexpr int kFrameBytes = Channels * kSampleBytes;

    // The raw value of one sample: signed 16-bit, or the unsigned byte.
    // On a little-endian host a 16-bit sample is copied as it is stored,
    // which lets the compiler work on several samples at once; elsewhere
    // its bytes are assembled.
    static std::int32_t Load(const std::uint8_t* p) {
        if constexpr (!Is16) {
            return *p;
        } else if constexpr (std::endian::native == std::endian::little) {
            std::int16_t s;
            std::memcpy(&s, p, 2);
            return s;
        } else {
            return GetSample16(p);
        }
    }
    static void Store(std::uint8_t* p, std::int32_t v) {
        if constexpr (!Is16) {
            *p = static_cast<std::uint8_t>(v);
        } else if constexpr (std::endian::native == std::endian::little) {
            const auto s = static_cast<std::int16_t>(v);
            std::memcpy(p, &s, 2);
        } else {
            PutSample16(p, static_cast<std::int16_t>(v));
        }
    }
};

template <class Fn>
decltype(auto) WithLayout(const ClipFormat& f, Fn&& fn) {
    if (f.is16Bit) {
        if (f.stereo) return fn(Layout<true, 2>{});
        return fn(Layout<true, 1>{});
    }
    if (f.stereo) return fn(Layout<false, 2>{});
    return fn(Layout<false, 1>{});
}

}  // namespace zirpel
