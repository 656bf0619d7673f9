// The encoder configuration record and the result codes of the MP3 encoder
// layer. The record keeps the byte layout of the encoder's published DLL
// interface (332 bytes, little-endian, 32-bit fields, booleans as -1/0), so
// that the save command fills exactly the values that interface expects and
// tests can compare the bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zirpel {

using HBE_STREAM = std::uint32_t;  // stream handle handed out by beInitStream
using BE_ERR = std::uint32_t;      // result code of every be* operation

// Result codes.
inline constexpr BE_ERR BE_ERR_SUCCESSFUL = 0;
inline constexpr BE_ERR BE_ERR_INVALID_FORMAT = 1;
inline constexpr BE_ERR BE_ERR_INVALID_FORMAT_PARAMETERS = 2;
inline constexpr BE_ERR BE_ERR_NO_MORE_HANDLES = 3;
inline constexpr BE_ERR BE_ERR_INVALID_HANDLE = 4;
inline constexpr BE_ERR BE_ERR_BUFFER_TOO_SMALL = 5;

// Configuration kind and structure version of the record.
inline constexpr std::uint32_t BE_CONFIG_LAME = 256;
inline constexpr std::uint32_t CURRENT_STRUCT_VERSION = 1;
inline constexpr std::uint32_t CURRENT_STRUCT_SIZE = 332;

// Channel modes (nMode).
inline constexpr std::int32_t BE_MP3_MODE_STEREO = 0;
inline constexpr std::int32_t BE_MP3_MODE_JSTEREO = 1;
inline constexpr std::int32_t BE_MP3_MODE_DUALCHANNEL = 2;
inline constexpr std::int32_t BE_MP3_MODE_MONO = 3;

// MPEG version (dwMpegVersion).
inline constexpr std::uint32_t MPEG1 = 1;
inline constexpr std::uint32_t MPEG2 = 0;

// Quality preset (nQuality): 2 asks for the high-quality setting.
inline constexpr std::int32_t BE_QUALITY_HIGH = 2;

// 32-bit boolean as the record stores it.
inline constexpr std::int32_t BE_TRUE = -1;
inline constexpr std::int32_t BE_FALSE = 0;

struct BE_CONFIG {
    std::uint32_t dwConfig;         // BE_CONFIG_LAME
    std::uint32_t dwStructVersion;  // 1
    std::uint32_t dwStructSize;     // 332
    std::uint32_t dwSampleRate;     // input sample rate in Hz
    std::uint32_t dwReSampleRate;   // output sample rate in Hz (encoder resamples)
    std::int32_t nMode;             // BE_MP3_MODE_*
    std::uint32_t dwBitrate;        // kbit/s
    std::uint32_t dwMaxBitrate;     // kbit/s, used by VBR only
    std::int32_t nQuality;          // quality preset
    std::uint32_t dwMpegVersion;
    std::uint32_t dwPsyModel;
    std::uint32_t dwEmphasis;
    std::int32_t bPrivate;
    std::int32_t bCRC;
    std::int32_t bCopyright;
    std::int32_t bOriginal;
    std::int32_t bWriteVBRHeader;
    std::int32_t bEnableVBR;
    std::int32_t nVBRQuality;
    std::uint8_t btReserved[256];
};

static_assert(sizeof(BE_CONFIG) == 332);
static_assert(offsetof(BE_CONFIG, dwConfig) == 0);
static_assert(offsetof(BE_CONFIG, dwStructVersion) == 4);
static_assert(offsetof(BE_CONFIG, dwStructSize) == 8);
static_assert(offsetof(BE_CONFIG, dwSampleRate) == 12);
static_assert(offsetof(BE_CONFIG, dwReSampleRate) == 16);
static_assert(offsetof(BE_CONFIG, nMode) == 20);
static_assert(offsetof(BE_CONFIG, dwBitrate) == 24);
static_assert(offsetof(BE_CONFIG, dwMaxBitrate) == 28);
static_assert(offsetof(BE_CONFIG, nQuality) == 32);
static_assert(offsetof(BE_CONFIG, dwMpegVersion) == 36);
static_assert(offsetof(BE_CONFIG, dwPsyModel) == 40);
static_assert(offsetof(BE_CONFIG, dwEmphasis) == 44);
static_assert(offsetof(BE_CONFIG, bPrivate) == 48);
static_assert(offsetof(BE_CONFIG, bCRC) == 52);
static_assert(offsetof(BE_CONFIG, bCopyright) == 56);
static_assert(offsetof(BE_CONFIG, bOriginal) == 60);
static_assert(offsetof(BE_CONFIG, bWriteVBRHeader) == 64);
static_assert(offsetof(BE_CONFIG, bEnableVBR) == 68);
static_assert(offsetof(BE_CONFIG, nVBRQuality) == 72);
static_assert(offsetof(BE_CONFIG, btReserved) == 76);

}  // namespace zirpel
