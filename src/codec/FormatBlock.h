// A codec format block: 129 bytes holding a WAVEFORMATEX (18 bytes) and up
// to 111 bytes of format-specific data, little-endian, exactly as the codec
// manager exchanges it. Accessors read and write the named fields in place.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "clip/LittleEndian.h"

namespace zirpel {

constexpr std::size_t kFormatBlockSize = 129;
using FormatBlock = std::array<std::uint8_t, kFormatBlockSize>;

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;
constexpr std::uint16_t WAVE_FORMAT_MPEGLAYER3 = 85;

// MPEGLAYER3WAVEFORMAT values.
constexpr std::uint16_t MPEGLAYER3_WFX_EXTRA_BYTES = 12;
constexpr std::uint16_t MPEGLAYER3_ID_MPEG = 1;
constexpr std::uint32_t MPEGLAYER3_FLAG_PADDING_ISO = 0;
constexpr std::uint32_t MPEGLAYER3_FLAG_PADDING_ON = 1;
constexpr std::uint32_t MPEGLAYER3_FLAG_PADDING_OFF = 2;

// Byte offsets of the fields.
namespace wfx {
constexpr std::size_t wFormatTag = 0;
constexpr std::size_t nChannels = 2;
constexpr std::size_t nSamplesPerSec = 4;
constexpr std::size_t nAvgBytesPerSec = 8;
constexpr std::size_t nBlockAlign = 12;
constexpr std::size_t wBitsPerSample = 14;
constexpr std::size_t cbSize = 16;
// MPEGLAYER3WAVEFORMAT tail.
constexpr std::size_t wID = 18;
constexpr std::size_t fdwFlags = 20;
constexpr std::size_t nBlockSize = 24;
constexpr std::size_t nFramesPerBlock = 26;
constexpr std::size_t nCodecDelay = 28;
}  // namespace wfx

inline std::uint16_t GetU16(const std::uint8_t* p, std::size_t off) { return GetLE16(p + off); }
inline std::uint32_t GetU32(const std::uint8_t* p, std::size_t off) { return GetLE32(p + off); }
inline void PutU16(std::uint8_t* p, std::size_t off, std::uint16_t v) { PutLE16(p + off, v); }
inline void PutU32(std::uint8_t* p, std::size_t off, std::uint32_t v) { PutLE32(p + off, v); }

inline std::uint16_t GetU16(const FormatBlock& b, std::size_t off) { return GetU16(b.data(), off); }
inline std::uint32_t GetU32(const FormatBlock& b, std::size_t off) { return GetU32(b.data(), off); }
inline void PutU16(FormatBlock& b, std::size_t off, std::uint16_t v) { PutU16(b.data(), off, v); }
inline void PutU32(FormatBlock& b, std::size_t off, std::uint32_t v) { PutU32(b.data(), off, v); }

}  // namespace zirpel
