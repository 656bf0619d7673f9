// The MP3 codec driver: MPEG audio to 16-bit PCM through libmpg123 in feed
// mode, at the stream's own rate and channel count.
#pragma once

#include <memory>

#include "codec/Acm.h"

namespace zirpel::acm {

// Offers one 16-bit PCM format and, per bit rate of the matching MPEG
// version, one MPEG layer-3 format (wFormatTag 85) for every sample rate
// libmpg123 decodes and for mono and stereo.
std::shared_ptr<AcmDriver> CreateMpg123Driver();

// Frame-by-frame decoders set up as the driver's streams for this rate and
// channel count (the streams hand them out through acmStreamFrameDecoders).
Mp3FrameDecoderFactory Mpg123FrameDecoders(std::uint32_t rate, std::uint16_t channels);

// Upper bound of PCM bytes a stream produces per source byte, plus a margin
// for a frame held back from the previous call. acmStreamSize answers with it.
constexpr std::uint32_t kMpg123OutputPerInputByte = 128;
constexpr std::uint32_t kMpg123OutputMargin = 16384;

}  // namespace zirpel::acm
